list(APPEND VBX_PORTABLE_SOURCES
  src/support/format.cpp
  src/support/path_reduction.cpp
  src/support/path_rules.cpp
  src/support/temp_search.cpp
  src/support/instance_name.cpp
  src/support/text_split.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/support/paths.cpp
  src/support/temp_dirs.cpp
  src/support/stale_temp_dirs.cpp
  src/support/native_library_path.cpp
  src/support/packed_runtime.cpp
  src/support/file_extraction.cpp
  src/support/single_instance.cpp
  src/support/window_functions.cpp
  src/support/system_error.cpp
)
list(APPEND VBX_PORTABLE_SOURCES
  src/support/locale_table.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/support/locale.cpp
)
