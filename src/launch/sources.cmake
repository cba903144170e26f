list(APPEND VBX_PORTABLE_SOURCES
  src/launch/variable_expansion.cpp
  src/launch/wildcard_match.cpp
  src/launch/memory_size.cpp
  src/launch/option_list.cpp
  src/launch/options_file_text.cpp
  src/launch/path_entry_list.cpp
  src/launch/launch_values.cpp
  src/launch/java_vm_calls.cpp
  src/launch/java_exception.cpp
  src/launch/jni_text.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/launch/launcher_variables.cpp
  src/launch/vm_options.cpp
  src/launch/path_entries.cpp
  src/launch/argument_files.cpp
  src/launch/vm_arguments.cpp
  src/launch/java_vm_launcher.cpp
)
