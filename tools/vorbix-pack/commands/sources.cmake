list(APPEND VBX_PACK_CORE_SOURCES
  commands/inspect.cpp
  commands/pack_build.cpp
  commands/msi_build.cpp
)
# The tool's entry point and its host (log, fatal errors), kept out of the
# core library so that the unit tests supply their own.
set(VBX_PACK_MAIN_SOURCES commands/main.cpp commands/tool_host.cpp)
