# The JNI declarations come from an installed JDK's jni.h; its platform part
# (jni_md.h) is our own, in src/jvmsearch/jni, so that the cross build gets the
# 32-bit Windows types and calling convention. jni.h is copied into the build
# tree alone, so that no other header of the JDK's include folder is visible.
set(VBX_JNI_HEADER "" CACHE FILEPATH "jni.h of an installed JDK; searched when empty")
if(NOT VBX_JNI_HEADER OR NOT EXISTS "${VBX_JNI_HEADER}")
  # Debian's OpenJDK packages first, then whatever JDK javac belongs to.
  file(GLOB vbx_jni_candidates /usr/lib/jvm/java-*-openjdk*/include/jni.h)
  if(NOT vbx_jni_candidates)
    find_program(VBX_JAVAC javac)
    if(VBX_JAVAC)
      get_filename_component(vbx_javac_real "${VBX_JAVAC}" REALPATH)
      get_filename_component(vbx_jdk_home "${vbx_javac_real}" DIRECTORY)
      get_filename_component(vbx_jdk_home "${vbx_jdk_home}" DIRECTORY)
      file(GLOB vbx_jni_candidates "${vbx_jdk_home}/include/jni.h")
    endif()
  endif()
  if(NOT vbx_jni_candidates)
    message(FATAL_ERROR "no jni.h found: install a JDK (default-jdk-headless) or set VBX_JNI_HEADER")
  endif()
  list(SORT vbx_jni_candidates COMPARE NATURAL)
  list(GET vbx_jni_candidates -1 vbx_jni_found)
  set(VBX_JNI_HEADER "${vbx_jni_found}" CACHE FILEPATH "jni.h of an installed JDK; searched when empty" FORCE)
endif()
configure_file("${VBX_JNI_HEADER}" "${CMAKE_BINARY_DIR}/jni/jni.h" COPYONLY)

add_library(vorbix_jni INTERFACE)
target_include_directories(vorbix_jni INTERFACE ${CMAKE_BINARY_DIR}/jni ${CMAKE_SOURCE_DIR}/src/jvmsearch/jni)
