# Integration tests: the real launcher under Wine. One win32 prefix per test
# run, set up and torn down by ctest fixtures; every tests/wine/test_*.py is
# one ctest test that needs it.
set(VBX_WIN32_DIR "${CMAKE_SOURCE_DIR}/build/win32" CACHE PATH "The cross build holding launcher.exe")
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(VBX_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
set(VBX_WINE_ENV
  WINEARCH=win32 WINEDEBUG=-all WINEPREFIX=${VBX_WINE_DIR}/prefix
  VBX_WINE_DIR=${VBX_WINE_DIR} VBX_WIN32_DIR=${VBX_WIN32_DIR}
  VBX_NATIVE_DIR=${CMAKE_BINARY_DIR} VBX_SOURCE_DIR=${CMAKE_SOURCE_DIR}
  PYTHONPATH=${CMAKE_SOURCE_DIR}/tests/wine PYTHONDONTWRITEBYTECODE=1)

add_test(NAME wine.prefix.setup COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prefix.sh setup)
add_test(NAME wine.prefix.cleanup COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/prefix.sh cleanup)
set_tests_properties(wine.prefix.setup PROPERTIES FIXTURES_SETUP wine TIMEOUT 300 ENVIRONMENT "${VBX_WINE_ENV}")
set_tests_properties(wine.prefix.cleanup PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 120 ENVIRONMENT "${VBX_WINE_ENV}")

file(GLOB VBX_WINE_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/test_*.py)
foreach(test_file ${VBX_WINE_TESTS})
  get_filename_component(test_name ${test_file} NAME_WE)
  string(REGEX REPLACE "^test_" "" test_name ${test_name})
  add_test(NAME wine.${test_name} COMMAND ${Python3_EXECUTABLE} ${test_file} -v)
  set_tests_properties(wine.${test_name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 LABELS wine
                       ENVIRONMENT "${VBX_WINE_ENV}")
endforeach()
