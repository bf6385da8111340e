#pragma once
// The version resource (VS_VERSIONINFO) of Portable Executable files: 32- and
// 64-bit Windows programs and libraries found on Linux disks. Plain C++ without Qt,
// so that the parser can be fuzzed on its own.
//
// Every structure is checked against the bytes really present: a truncated,
// overlapping or hostile file gives "no version resource", never a read outside
// the input. The file itself is never read whole: the headers, the section table,
// three resource directories and the version data (at most 64 KiB) are read through
// a bounded random-access reader.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon {

// Random access to a file's bytes.
class ByteReader {
public:
    virtual ~ByteReader() = default;
    virtual uint64_t size() const = 0;
    // Copies exactly count bytes at offset into out; false when any of them is
    // missing or cannot be read.
    virtual bool readAt(uint64_t offset, void* out, size_t count) = 0;
};

// A reader over bytes in memory.
class SpanByteReader final : public ByteReader {
public:
    explicit SpanByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint64_t size() const override { return bytes_.size(); }
    bool readAt(uint64_t offset, void* out, size_t count) override;

private:
    std::span<const uint8_t> bytes_;
};

struct PeVersionInfo {
    // A version resource was found and its root block could be read.
    bool hasResource = false;
    // "\VarFileInfo\Translation" exists and holds at least one entry.
    bool hasTranslation = false;
    // The first translation entry: language (low 16 bits) and code page (high 16 bits).
    uint16_t language = 0;
    uint16_t codepage = 0;
    // Key and value (UTF-8, without the terminating NUL) of every string in the
    // string table named by the first translation, in file order.
    std::vector<std::pair<std::string, std::string>> strings;

    // The value of a key (compared without regard to ASCII case); nullptr when absent.
    const std::string* value(std::string_view key) const;
};

// The largest resource data entry the reader accepts; larger ones are refused.
constexpr uint32_t kMaxResourceDataSize = 16u * 1024 * 1024;

// Reads the version resource of a PE file. Anything that is not a well-formed PE
// file with a version resource gives a result with hasResource false.
PeVersionInfo ReadPeVersionInfo(ByteReader& reader);
PeVersionInfo ReadPeVersionInfo(std::span<const uint8_t> bytes);
// The same for a file on disk. Only regular files are read (a FIFO or device is
// never opened for reading); a file that cannot be opened gives no resource.
PeVersionInfo ReadPeVersionInfoFromFile(const std::string& path);

// Parses a VS_VERSIONINFO block as it is stored in the resource data.
PeVersionInfo ParseVersionResource(std::span<const uint8_t> data);

// UTF-16LE code units to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::span<const char16_t> text);

} // namespace quillon
