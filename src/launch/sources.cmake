list(APPEND VBX_PORTABLE_SOURCES
  src/launch/variable_expansion.cpp
)
list(APPEND VBX_WIN32_SOURCES
)
