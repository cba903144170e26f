list(APPEND VBX_PORTABLE_SOURCES
  src/jvmsearch/version.cpp
  src/jvmsearch/non_working.cpp
  src/jvmsearch/search_text.cpp
  src/jvmsearch/selected_jvm.cpp
  src/jvmsearch/pe_machine.cpp
)
list(APPEND VBX_WIN32_SOURCES
  src/jvmsearch/java_check.cpp
  src/jvmsearch/jvm_sources.cpp
  src/jvmsearch/jvm_loader.cpp
  src/jvmsearch/jvm_search.cpp
  src/jvmsearch/packed_runtime.cpp
)
