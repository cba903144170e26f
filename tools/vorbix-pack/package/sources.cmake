list(APPEND VBX_PACK_CORE_SOURCES
  package/name_uuid.cpp
  package/msi_source.cpp
  package/msi_config.cpp
)
if(WIN32)
  list(APPEND VBX_PACK_CORE_SOURCES package/msi_host_windows.cpp)
else()
  list(APPEND VBX_PACK_CORE_SOURCES package/msi_host_posix.cpp)
endif()
