list(APPEND VBX_WIN32_SOURCES
  src/app/main.cpp
  src/app/entry_point.cpp
  src/app/startup.cpp
  src/app/run_path.cpp
)
