# libFuzzer targets for the platform-free parsers, built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer. Each tests/fuzz/fuzz_X.cpp
# is one target; the native tree's ctest runs each for a bounded time.
set(vbx_fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all -g)
target_compile_options(vorbix_portable PRIVATE ${vbx_fuzz_flags})

add_library(vorbix_fuzz_host STATIC tests/native/host.cpp)
target_compile_options(vorbix_fuzz_host PRIVATE ${vbx_fuzz_flags})
target_link_libraries(vorbix_fuzz_host PUBLIC vorbix_portable)
target_include_directories(vorbix_fuzz_host PUBLIC ${CMAKE_SOURCE_DIR}/tests/native)

file(GLOB vbx_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(source ${vbx_fuzz_sources})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE ${vbx_fuzz_flags})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE vorbix_fuzz_host)
endforeach()
