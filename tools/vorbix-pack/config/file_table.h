// The file table behind the configuration block: one record per included
// file, in the order of entry 2003: an int64 size (little-endian), then the
// content with every byte XORed with kFileTableMask.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "config/config_json.h"

// Copies up to size bytes from in to out in large chunks, XORing every byte
// with the mask when masked (the mask undoes itself, so this also extracts).
// Returns the bytes copied: fewer only when in ends early. A failing write is
// a PackError naming outName.
int64_t copyBytes(std::FILE* in, std::FILE* out, int64_t size, bool masked, const std::string& outName);

// The record sizes of the files, as the table will hold them.
std::vector<int64_t> includedFileSizes(const std::vector<IncludedFile>& files);

// Streams every file into out as one record. A file that no longer has the
// size measured before is a PackError.
void writeFileTable(std::FILE* out, const std::vector<IncludedFile>& files, const std::string& outName);
