# The testable core of vorbix-pack (everything but main and its host), shared
# by the tool's build and the fuzz tree. Each folder lists its own sources,
# bottom layer first (src/README.md draws the stack).
set(VBX_PACK_CORE_SOURCES)
include(${CMAKE_CURRENT_LIST_DIR}/base/sources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/image/sources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/config/sources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/package/sources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/commands/sources.cmake)
list(TRANSFORM VBX_PACK_CORE_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
list(TRANSFORM VBX_PACK_MAIN_SOURCES PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
# The release, from the VERSION file at the top of the source tree.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/../../VERSION VBX_VERSION LIMIT_COUNT 1)
