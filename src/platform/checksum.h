#pragma once
// Whole-file checksums and content comparison for the pair comparison.
#include <cstdint>
#include <string>

namespace quillon {

// The CRC-32 of the ZIP format (reflected polynomial 0xEDB88320) over the
// whole file. 0 when the file cannot be opened; reading stops at the end of
// the file or at the first read error. Others may read and write the file
// meanwhile.
uint32_t FileChecksum(const std::string& path);

// Both files' checksums (as FileChecksum) and whether both could be read to
// their ends holding the same bytes, in one pass over the two files.
struct PairChecksums {
    uint32_t first = 0;
    uint32_t second = 0;
    bool same = false;
};
PairChecksums ChecksumPair(const std::string& first, const std::string& second);

// True only when both files can be read to their ends and hold the same bytes.
bool SameFileContents(const std::string& first, const std::string& second);

} // namespace quillon
