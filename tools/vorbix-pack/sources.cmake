# The testable core of vorbix-pack (everything but main and its host), shared
# by the tool's build and the fuzz tree.
set(VBX_PACK_CORE_SOURCES
  architecture.cpp
  atomic_output.cpp
  block_writer.cpp
  config_keys.cpp
  config_json.cpp
  file_source.cpp
  file_table.cpp
  inspect.cpp
  pack_build.cpp
  text_codec.cpp
)
list(TRANSFORM VBX_PACK_CORE_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
