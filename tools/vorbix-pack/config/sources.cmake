list(APPEND VBX_PACK_CORE_SOURCES
  config/architecture.cpp
  config/block_writer.cpp
  config/config_keys.cpp
  config/config_json.cpp
  config/file_table.cpp
  config/jar_manifest.cpp
  config/starter_config.cpp
  config/text_codec.cpp
)
