list(APPEND VBX_PORTABLE_SOURCES
  src/service/service_text.cpp
  src/service/stop_timeout.cpp
  src/service/service_settings.cpp
  src/service/service_controls.cpp
  src/service/service_record.cpp
  src/service/output_log.cpp
  src/service/output_tail.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/service/service_admin.cpp
  src/service/service_host.cpp
  src/service/service_account.cpp
  src/service/service_setup.cpp
  src/service/service_config_calls.cpp
  src/service/service_registry.cpp
  src/service/service_snapshot.cpp
  src/service/service_restore.cpp
  src/service/logon_right_record.cpp
  src/service/service_removal.cpp
  src/service/service_output.cpp
)
