list(APPEND VBX_PORTABLE_SOURCES
  src/launch/wildcard_match.cpp
  src/launch/memory_size.cpp
)
list(APPEND VBX_WIN32_SOURCES
)
