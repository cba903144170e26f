list(APPEND VBX_PACK_CORE_SOURCES
  image/app_resources.cpp
  image/icon_resource.cpp
  image/pe_image.cpp
  image/resource_tree.cpp
  image/version_resource.cpp
)
