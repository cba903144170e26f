list(APPEND VBX_PORTABLE_SOURCES
  src/launch/variable_expansion.cpp
  src/launch/wildcard_match.cpp
  src/launch/memory_size.cpp
  src/launch/option_list.cpp
  src/launch/options_file_text.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/launch/launcher_variables.cpp
)
