// Extraction of the files carried behind the embedded configuration into the
// launcher temp directory, and the file offset where the unextracted rest of
// the executable begins.
#pragma once

#include <cstdint>

// Extraction error codes of one file.
constexpr int kExtractReadFailed = 1;
constexpr int kExtractWriteFailed = 2;

// Writes every included file (entries 2002 and 2003, records of the file
// table) into the launcher temp directory, which createDirectory makes first.
// 0 on success, else the error code of the first failed file.
int extractIncludedFiles(bool createDirectory);

// The offset behind the last record read; 0 until an extraction ran through.
int32_t getUnextractedPosition();
