list(APPEND VBX_PACK_CORE_SOURCES
  base/atomic_output.cpp
  base/file_source.cpp
  base/tool_version.cpp
)
# The two sides of host_files.h.
if(WIN32)
  list(APPEND VBX_PACK_CORE_SOURCES base/host_windows.cpp)
else()
  list(APPEND VBX_PACK_CORE_SOURCES base/host_posix.cpp)
endif()
