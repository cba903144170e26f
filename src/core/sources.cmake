list(APPEND VBX_PORTABLE_SOURCES
  src/core/config/config_store.cpp
  src/core/config/config_reader.cpp
  src/core/command_line.cpp
  src/core/launcher_state.cpp
  src/core/service_text.cpp
  src/core/log_rules.cpp
  src/core/java_exception.cpp
  src/core/jni_text.cpp
  src/core/stop_timeout.cpp
  src/core/service_settings.cpp
  src/core/service_controls.cpp
  src/core/output_log.cpp
  src/core/output_tail.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/core/main.cpp
  src/core/config/config_file.cpp
  src/core/log.cpp
  src/core/entry_point.cpp
  src/core/service_admin.cpp
  src/core/service_host.cpp
  src/core/service_output.cpp
  src/core/service_account.cpp
  src/core/service_setup.cpp
  src/core/event_log.cpp
  src/core/startup.cpp
)
list(APPEND VBX_WIN32_SOURCES src/core/run_path.cpp)
