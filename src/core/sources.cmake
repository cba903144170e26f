list(APPEND VBX_PORTABLE_SOURCES
  src/core/config/config_store.cpp
  src/core/config/config_reader.cpp
  src/core/command_line.cpp
  src/core/launcher_state.cpp
  src/core/log_rules.cpp
  src/core/format.cpp
  src/core/path_rules.cpp
  src/core/temp_search.cpp
  src/core/text_split.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/core/advapi_functions.cpp
  src/core/config/config_file.cpp
  src/core/log.cpp
  src/core/event_log.cpp
  src/core/paths.cpp
  src/core/phase_times.cpp
  src/core/temp_dir_security.cpp
  src/core/temp_dirs.cpp
  src/core/stale_temp_dirs.cpp
  src/core/window_functions.cpp
)
