list(APPEND VBX_PORTABLE_SOURCES
  src/core/config/config_store.cpp
  src/core/config/config_reader.cpp
  src/core/command_line.cpp
  src/core/launcher_state.cpp
  src/core/service_text.cpp
  src/core/log_rules.cpp
  src/core/java_exception.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/core/main.cpp
  src/core/config/config_file.cpp
  src/core/log.cpp
  src/core/entry_point.cpp
  src/core/service_admin.cpp
  src/core/service_host.cpp
  src/core/startup.cpp
)
# The run path needs the VM launch; until its sources are in the tree a
# stand-in ends every run as a failed launch.
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/../launch/vm_arguments.cpp AND
   EXISTS ${CMAKE_CURRENT_LIST_DIR}/../launch/java_vm_launcher.cpp)
  list(APPEND VBX_WIN32_SOURCES src/core/run_path.cpp)
else()
  list(APPEND VBX_WIN32_SOURCES src/core/run_path_pending.cpp)
endif()
