# The testable core of vorbix-pack (everything but main and its host), shared
# by the tool's build and the fuzz tree. Its one Windows-specific file is the
# Windows side of host_files.h.
set(VBX_PACK_CORE_SOURCES
  app_resources.cpp
  architecture.cpp
  atomic_output.cpp
  block_writer.cpp
  config_keys.cpp
  config_json.cpp
  file_source.cpp
  file_table.cpp
  icon_resource.cpp
  inspect.cpp
  jar_manifest.cpp
  msi_build.cpp
  msi_config.cpp
  msi_source.cpp
  name_uuid.cpp
  pack_build.cpp
  pe_image.cpp
  resource_tree.cpp
  starter_config.cpp
  text_codec.cpp
  tool_version.cpp
  version_resource.cpp
)
if(WIN32)
  list(APPEND VBX_PACK_CORE_SOURCES host_windows.cpp msi_host_windows.cpp)
else()
  list(APPEND VBX_PACK_CORE_SOURCES host_posix.cpp msi_host_posix.cpp)
endif()
list(TRANSFORM VBX_PACK_CORE_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
# The release, from the VERSION file at the top of the source tree.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../../VERSION VBX_VERSION LIMIT_COUNT 1)
