# libFuzzer targets for the platform-free parsers, built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer. Each tests/fuzz/fuzz_X.cpp
# is one target; the native tree's ctest runs each for a bounded time.
set(vbx_fuzz_flags -fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all -g)
target_compile_options(vorbix_portable PRIVATE ${vbx_fuzz_flags})

add_library(vorbix_fuzz_host STATIC tests/native/host.cpp)
target_compile_options(vorbix_fuzz_host PRIVATE ${vbx_fuzz_flags})
target_link_libraries(vorbix_fuzz_host PUBLIC vorbix_portable)
target_include_directories(vorbix_fuzz_host PUBLIC ${CMAKE_SOURCE_DIR}/tests/native)
# Portable code calls the log and the fatal errors, which live in the host.
target_link_libraries(vorbix_portable INTERFACE vorbix_fuzz_host)

# vorbix-pack's core, for its JSON-to-block path.
find_package(nlohmann_json 3.2 REQUIRED)
find_package(ZLIB REQUIRED)
include(tools/vorbix-pack/sources.cmake)
add_library(vorbix_fuzz_pack STATIC ${VBX_PACK_CORE_SOURCES})
target_compile_options(vorbix_fuzz_pack PRIVATE ${vbx_fuzz_flags})
target_include_directories(vorbix_fuzz_pack PUBLIC ${CMAKE_SOURCE_DIR}/tools/vorbix-pack)
target_link_libraries(vorbix_fuzz_pack PUBLIC vorbix_fuzz_host nlohmann_json::nlohmann_json ZLIB::ZLIB)
target_compile_definitions(vorbix_fuzz_pack PRIVATE VBX_VERSION="${VBX_VERSION}")

file(GLOB vbx_fuzz_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(source ${vbx_fuzz_sources})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_compile_options(${name} PRIVATE ${vbx_fuzz_flags})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE vorbix_fuzz_host vorbix_fuzz_pack)
endforeach()
