list(APPEND VBX_PORTABLE_SOURCES
  src/support/path_reduction.cpp
  src/support/instance_name.cpp
  src/support/locale_table.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/support/native_library_path.cpp
  src/support/file_extraction.cpp
  src/support/single_instance.cpp
  src/support/system_error.cpp
  src/support/locale.cpp
)
