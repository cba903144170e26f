# Platform-free code with its unit tests, the build tool, and the registration
# of every test (unit, Wine, Java) with ctest.
option(VBX_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VBX_FUZZ "Build only the libFuzzer targets (needs clang)" OFF)
option(VBX_UNIT_ONLY "Build only the unit tests (for the sanitizer tree)" OFF)
if(VBX_FUZZ)
  include(cmake/fuzz.cmake)
  return()
endif()
if(VBX_SANITIZE)
  set(vbx_sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_compile_options(${vbx_sanitize_flags})
  add_link_options(-fsanitize=address,undefined)
  # The library was created before this file; give it the flags too.
  target_compile_options(vorbix_portable PRIVATE ${vbx_sanitize_flags})
endif()
target_compile_options(vorbix_portable PRIVATE -Wall -Wextra)

find_package(GTest REQUIRED)
enable_testing()
include(GoogleTest)

# Native stand-ins for the few Windows-side functions that portable code
# calls (log, fatal errors): they record what was asked for.
add_library(vorbix_native_host STATIC tests/native/host.cpp)
target_link_libraries(vorbix_native_host PUBLIC vorbix_portable)
target_include_directories(vorbix_native_host PUBLIC ${CMAKE_SOURCE_DIR}/tests/native)

file(GLOB_RECURSE VBX_UNIT_TESTS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/*_test.cpp ${CMAKE_SOURCE_DIR}/tests/unit/*_test.cpp
  ${CMAKE_SOURCE_DIR}/tools/*_test.cpp)
add_executable(vorbix_unit_tests ${VBX_UNIT_TESTS})
target_link_libraries(vorbix_unit_tests PRIVATE vorbix_native_host GTest::gtest_main)
gtest_discover_tests(vorbix_unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120 LABELS unit)

# The unit tests include the tool's (tools/*_test.cpp), which need its library.
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/CMakeLists.txt)
  add_subdirectory(tools)
endif()

if(VBX_UNIT_ONLY)
  return()
endif()

# The Java runtime archive, the example service and their tests on the real JVM.
find_package(Java 1.8 COMPONENTS Development Runtime)
if(Java_FOUND)
  add_subdirectory(java)
  # The launcher's JNI part against the installed JDK's own VM.
  add_subdirectory(tests/realvm)
else()
  message(WARNING "No JDK found: the Java runtime archive and its tests are not built (scripts/setup installs one)")
endif()

# The benchmarks' native profiling driver (scripts/bench --profile).
add_subdirectory(bench)

# The JSON schema of CONFIG.json against the examples and the tool's output.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
add_test(NAME tool.schema COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/test_schema.py -v)
set_tests_properties(tool.schema PROPERTIES TIMEOUT 300 LABELS tool
  ENVIRONMENT "VBX_SOURCE_DIR=${CMAKE_SOURCE_DIR};VBX_NATIVE_DIR=${CMAKE_BINARY_DIR};PYTHONDONTWRITEBYTECODE=1")

# The folders of src/ and tools/vorbix-pack/ stay a stack (scripts/check_layers.py),
# and the check itself catches planted upward includes.
add_test(NAME layers.check COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/test_layers.py -v)
set_tests_properties(layers.check PROPERTIES TIMEOUT 120 LABELS tool
  ENVIRONMENT "VBX_SOURCE_DIR=${CMAKE_SOURCE_DIR};PYTHONDONTWRITEBYTECODE=1")

include(cmake/wine_tests.cmake)
include(cmake/hardening_tests.cmake)

# Both launchers' images and the tool's round trip onto each, without Wine:
# checked everywhere, also where 32-bit programs cannot run.
# The probe for 32-bit code, how the test bed starts programs and skips what
# needs 32-bit code, and the closing summary of scripts/test.
foreach(name launcher_images machine_probe)
  add_test(NAME tool.${name} COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/tools/test_${name}.py -v)
  set_tests_properties(tool.${name} PROPERTIES TIMEOUT 300 LABELS tool
    ENVIRONMENT "VBX_SOURCE_DIR=${CMAKE_SOURCE_DIR};VBX_NATIVE_DIR=${CMAKE_BINARY_DIR};VBX_WIN32_DIR=${VBX_WIN32_DIR};VBX_WIN64_DIR=${VBX_WIN64_DIR};PYTHONDONTWRITEBYTECODE=1")
endforeach()
