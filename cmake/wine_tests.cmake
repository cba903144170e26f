# Integration tests: the real launcher under Wine, once for each launcher:
# the 32-bit one in a win32 prefix (tests wine.NAME) and the 64-bit one in a
# win64 (WoW64) prefix (tests wine.win64.NAME, so that `ctest -R win64` picks
# them out). Each architecture's run has one prefix, set up and torn down by
# ctest fixtures; every tests/wine/test_*.py is one ctest test of each that
# needs it. A file whose first lines say "# architectures: x64" (or x86) runs
# for those only. Every test that must execute 32-bit code (the whole x86
# run, and the files of the x64 run that say "# needs: 32-bit") ends as
# skipped, with the reason, on a machine where Wine cannot run 32-bit
# programs (scripts/probe32; tests/wine/winerun.py).
set(VBX_WIN32_DIR "${CMAKE_SOURCE_DIR}/build/win32" CACHE PATH "The cross build holding the 32-bit launcher.exe")
set(VBX_WIN64_DIR "${CMAKE_SOURCE_DIR}/build/win64" CACHE PATH "The cross build holding the 64-bit launcher.exe")
find_package(Python3 REQUIRED COMPONENTS Interpreter)

file(GLOB VBX_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/test_*.py)

foreach(arch x86 x64)
  if(arch STREQUAL "x86")
    set(win_dir ${VBX_WIN32_DIR})
    set(wine_arch win32)
    set(prefix wine)
  else()
    set(win_dir ${VBX_WIN64_DIR})
    set(wine_arch win64)
    set(prefix wine.win64)
  endif()
  if(NOT EXISTS ${win_dir}/launcher.exe AND NOT EXISTS ${win_dir}/build.ninja)
    message(WARNING "${win_dir} is not built: the ${arch} Wine tests are left out")
    continue()
  endif()
  set(wine_dir ${CMAKE_BINARY_DIR}/${prefix})
  set(env
    WINEARCH=${wine_arch} WINEDEBUG=-all WINEPREFIX=${wine_dir}/prefix
    VBX_ARCH=${arch} VBX_WINE_DIR=${wine_dir} VBX_WIN_DIR=${win_dir}
    VBX_WIN32_DIR=${VBX_WIN32_DIR} VBX_WIN64_DIR=${VBX_WIN64_DIR}
    VBX_NATIVE_DIR=${CMAKE_BINARY_DIR} VBX_SOURCE_DIR=${CMAKE_SOURCE_DIR}
    PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/wine PYTHONDONTWRITEBYTECODE=1)
  if(arch STREQUAL "x86")
    list(APPEND env "VBX_NEEDS_32BIT=the 32-bit launcher's tier")
  endif()

  add_test(NAME ${prefix}.prefix.setup COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prefix.sh setup)
  add_test(NAME ${prefix}.prefix.cleanup COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prefix.sh cleanup)
  set_tests_properties(${prefix}.prefix.setup PROPERTIES FIXTURES_SETUP ${prefix} TIMEOUT 300
                       ENVIRONMENT "${env}" SKIP_RETURN_CODE 77)
  set_tests_properties(${prefix}.prefix.cleanup PROPERTIES FIXTURES_CLEANUP ${prefix} TIMEOUT 120
                       ENVIRONMENT "${env}" SKIP_RETURN_CODE 77)

  foreach(test_file ${VBX_WINE_TESTS})
    file(STRINGS ${test_file} only LIMIT_COUNT 3 REGEX "^# architectures: ")
    if(only AND NOT only MATCHES "[ ,]${arch}([ ,]|$)")
      continue()
    endif()
    get_filename_component(test_name ${test_file} NAME_WE)
    string(REGEX REPLACE "^test_" "" test_name ${test_name})
    set(test_env ${env})
    file(STRINGS ${test_file} needs LIMIT_COUNT 3 REGEX "^# needs: 32-bit")
    if(needs AND NOT arch STREQUAL "x86")
      list(APPEND test_env "VBX_NEEDS_32BIT=this test")
    endif()
    add_test(NAME ${prefix}.${test_name} COMMAND ${Python3_EXECUTABLE} ${test_file} -v)
    set_tests_properties(${prefix}.${test_name} PROPERTIES FIXTURES_REQUIRED ${prefix} TIMEOUT 600
                         LABELS "wine;wine-${arch}" ENVIRONMENT "${test_env}" SKIP_RETURN_CODE 77)
    # Both install services under Wine's one user account, whose other services decide an uninstall.
    if(test_name MATCHES "^service_(settings|reinstall)$")
      set_tests_properties(${prefix}.${test_name} PROPERTIES RESOURCE_LOCK ${prefix}.user_account)
    endif()
  endforeach()
endforeach()
