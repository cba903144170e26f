# The launcher and the Windows-side test fixtures, 32-bit (i686) or 64-bit
# (x86_64) after the toolchain file.
set(VBX_WIN_DEFINES UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601
    # Keep the runtime library's own printf family (wide %s = wide string).
    __USE_MINGW_ANSI_STDIO=0)
set(VBX_STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

target_compile_definitions(vorbix_portable PUBLIC ${VBX_WIN_DEFINES})
# A launcher with timestamps at its phase boundaries, for the launch
# benchmark's phase table (scripts/bench phases builds it in a tree of its
# own); never the shipped one.
option(VBX_PHASE_TIMES "Record the run path's phase timestamps" OFF)
if(VBX_PHASE_TIMES)
  target_compile_definitions(vorbix_portable PUBLIC VBX_PHASE_TIMES)
endif()
target_compile_options(vorbix_portable PRIVATE -Wall -Wextra -O2)

# Everything of the launcher but its entry point, so that test fixtures can
# drive the same code.
set(VBX_LAUNCHER_MAIN ${CMAKE_SOURCE_DIR}/src/app/main.cpp)
set(VBX_WIN32_LIBRARY_SOURCES ${VBX_WIN32_SOURCES})
list(REMOVE_ITEM VBX_WIN32_LIBRARY_SOURCES ${VBX_LAUNCHER_MAIN})
add_library(vorbix_win32 STATIC ${VBX_WIN32_LIBRARY_SOURCES})
target_compile_options(vorbix_win32 PRIVATE -Wall -Wextra -O2)
# The 64-bit launcher imports advapi32 on first use (a delay-load library
# made from the toolchain's import library): a console run needs none of what
# only it has, and loading it (with sechost and ucrtbase under Wine) is a good
# part of the start. core/advapi_functions.cpp takes what kernelbase exports
# from there; the linker must see that hook before the runtime's empty
# default. The 32-bit toolchain's delay-load tables come out empty (binutils
# 2.40 leaves the entries 0), so the 32-bit launcher imports it at start.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_library(VBX_ADVAPI32_IMPORT advapi32 REQUIRED)
  set(VBX_DELAY_DIR ${CMAKE_BINARY_DIR}/delayload)
  set(VBX_ADVAPI32 ${VBX_DELAY_DIR}/libadvapi32_delay.a)
  if(NOT EXISTS ${VBX_ADVAPI32} OR ${VBX_ADVAPI32_IMPORT} IS_NEWER_THAN ${VBX_ADVAPI32})
    file(MAKE_DIRECTORY ${VBX_DELAY_DIR})
    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${VBX_ADVAPI32_IMPORT}
                    OUTPUT_VARIABLE symbols ERROR_QUIET COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL " I __imp_[A-Za-z_][A-Za-z0-9_]*" imports "${symbols}")
    set(def "LIBRARY advapi32.dll\nEXPORTS\n")
    foreach(entry ${imports})
      string(REGEX REPLACE "^ I __imp_" "" name "${entry}")
      if(NOT name MATCHES "^ord_")
        string(APPEND def "${name}\n")
      endif()
    endforeach()
    file(WRITE ${VBX_DELAY_DIR}/advapi32.def "${def}")
    execute_process(COMMAND ${CMAKE_DLLTOOL} --input-def ${VBX_DELAY_DIR}/advapi32.def --dllname advapi32.dll
                            --output-delaylib ${VBX_ADVAPI32} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  target_link_libraries(vorbix_win32 PUBLIC vorbix_portable ${VBX_ADVAPI32} delayimp user32)
  target_link_options(vorbix_win32 INTERFACE -Wl,--undefined=__pfnDliNotifyHook2)
else()
  target_link_libraries(vorbix_win32 PUBLIC vorbix_portable advapi32 user32)
endif()
# Portable code calls the log and the exit routine, which live here.
target_link_libraries(vorbix_portable INTERFACE vorbix_win32)

add_executable(launcher ${VBX_LAUNCHER_MAIN})
target_link_libraries(launcher PRIVATE vorbix_win32)
target_compile_options(launcher PRIVATE -Wall -Wextra -O2)
# ASLR and DEP: the loader may move the image (which needs its base
# relocations kept; older linkers drop them from executables unless asked)
# and maps its data non-executable. A 64-bit image may also be placed above
# 4 GiB (high-entropy addresses); a 32-bit one has no such range.
set(VBX_HARDENING_LINK -Wl,--dynamicbase,--nxcompat,--enable-reloc-section)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  list(APPEND VBX_HARDENING_LINK -Wl,--high-entropy-va)
endif()
target_link_options(launcher PRIVATE ${VBX_STATIC_RUNTIME} -mconsole -s ${VBX_HARDENING_LINK})
set_target_properties(launcher PROPERTIES OUTPUT_NAME launcher SUFFIX .exe)

add_subdirectory(tests/fixtures)
# vorbix-pack.exe (64-bit tree only).
add_subdirectory(tools)
add_subdirectory(bench)
