list(APPEND VBX_PORTABLE_SOURCES
  src/jvmsearch/version.cpp
  src/jvmsearch/non_working.cpp
  src/jvmsearch/search_text.cpp
)
list(APPEND VBX_WIN32_SOURCES
)
