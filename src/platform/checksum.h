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

// True only when both files can be read to their ends and hold the same bytes.
bool SameFileContents(const std::string& first, const std::string& second);

} // namespace quillon
