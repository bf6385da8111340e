#include "platform/peversion.h"
#include "platform/filewindow.h"
#include "platform/textcase.h"
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>

namespace quillon {

namespace {

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// ---------------------------------------------------------------------------
// Headers and sections

constexpr uint16_t kPe32Magic = 0x10b;
constexpr uint16_t kPe32PlusMagic = 0x20b;
constexpr uint32_t kResourceDirectoryIndex = 2;
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kSectionHeaderSize = 40;
// A version block's length is a 16-bit field, so no version resource is longer.
constexpr uint32_t kMaxVersionBlock = 0xFFFF;

struct Section {
    uint32_t virtualAddress = 0;
    uint32_t virtualSize = 0;
    uint32_t rawSize = 0;
    uint32_t rawPointer = 0;
};

class PeImage {
public:
    explicit PeImage(ByteReader& reader) : reader_(reader) {}

    // Reads the DOS and PE headers and the section table. False when the file is
    // not a PE file or has no resource directory.
    bool open();
    uint32_t resourceRva() const { return resourceRva_; }

    // Copies count bytes at a relative virtual address; all of them must lie in the
    // file data of one section.
    bool readRva(uint64_t rva, void* out, size_t count) const;

private:
    ByteReader& reader_;
    std::vector<Section> sections_;
    uint32_t resourceRva_ = 0;
};

bool PeImage::open() {
    uint8_t dos[64];
    if (!reader_.readAt(0, dos, sizeof dos)) return false;
    if (dos[0] != 'M' || dos[1] != 'Z') return false;
    const uint64_t peOffset = Get32(dos + 0x3C);

    // Signature and file header.
    uint8_t head[24];
    if (!reader_.readAt(peOffset, head, sizeof head)) return false;
    if (std::memcmp(head, "PE\0\0", 4) != 0) return false;
    const uint16_t sectionCount = Get16(head + 6);
    const uint16_t optionalSize = Get16(head + 20);

    // Optional header: only its magic and the data directory matter here.
    std::array<uint8_t, 240> optional{};
    const size_t optionalRead = std::min<size_t>(optionalSize, optional.size());
    if (optionalRead < 2 || !reader_.readAt(peOffset + 24, optional.data(), optionalRead))
        return false;
    size_t countOffset = 0;
    switch (Get16(optional.data())) {
    case kPe32Magic: countOffset = 92; break;
    case kPe32PlusMagic: countOffset = 108; break;
    default: return false;
    }
    const size_t directoryOffset = countOffset + 4;
    const size_t resourceEntry = directoryOffset + 8 * kResourceDirectoryIndex;
    if (optionalRead < resourceEntry + 8) return false;
    if (Get32(optional.data() + countOffset) <= kResourceDirectoryIndex) return false;
    resourceRva_ = Get32(optional.data() + resourceEntry);
    if (resourceRva_ == 0) return false;

    if (sectionCount == 0) return false;
    std::vector<uint8_t> table(size_t{sectionCount} * kSectionHeaderSize);
    if (!reader_.readAt(peOffset + 24 + optionalSize, table.data(), table.size())) return false;
    sections_.resize(sectionCount);
    for (size_t i = 0; i < sectionCount; ++i) {
        const uint8_t* s = table.data() + i * kSectionHeaderSize;
        sections_[i].virtualSize = Get32(s + 8);
        sections_[i].virtualAddress = Get32(s + 12);
        sections_[i].rawSize = Get32(s + 16);
        sections_[i].rawPointer = Get32(s + 20);
    }
    return true;
}

bool PeImage::readRva(uint64_t rva, void* out, size_t count) const {
    for (const Section& s : sections_) {
        if (rva < s.virtualAddress) continue;
        // What the section occupies in memory; a virtual size of 0 means the raw size.
        const uint64_t extent = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
        // Only the part that is really stored in the file can be read.
        const uint64_t stored = std::min<uint64_t>(extent, s.rawSize);
        const uint64_t inSection = rva - s.virtualAddress;
        if (inSection >= extent) continue;
        if (inSection > stored || count > stored - inSection) return false;
        return reader_.readAt(uint64_t{s.rawPointer} + inSection, out, count);
    }
    return false;
}

// ---------------------------------------------------------------------------
// Resource directory

struct DirectoryEntry {
    uint32_t name = 0;
    uint32_t offset = 0;
    bool isId() const { return (name & kHighBit) == 0; }
    bool isDirectory() const { return (offset & kHighBit) != 0; }
    uint32_t target() const { return offset & ~kHighBit; }
};

// Reads the entries of the directory at an offset from the resource root.
bool ReadDirectory(const PeImage& image, uint32_t offset, std::vector<DirectoryEntry>& entries) {
    const uint64_t rva = uint64_t{image.resourceRva()} + offset;
    uint8_t head[16];
    if (!image.readRva(rva, head, sizeof head)) return false;
    const size_t count = size_t{Get16(head + 12)} + Get16(head + 14);
    // At most 131,070 entries (1 MiB), and only when the section really holds them.
    std::vector<uint8_t> raw(count * 8);
    if (count != 0 && !image.readRva(rva + sizeof head, raw.data(), raw.size())) return false;
    entries.resize(count);
    for (size_t i = 0; i < count; ++i) {
        entries[i].name = Get32(raw.data() + i * 8);
        entries[i].offset = Get32(raw.data() + i * 8 + 4);
    }
    return true;
}

// The bytes of the version resource: type RT_VERSION, its first name, the first
// language of that name.
bool ReadVersionData(const PeImage& image, std::vector<uint8_t>& data) {
    std::vector<DirectoryEntry> entries;
    if (!ReadDirectory(image, 0, entries)) return false;
    const auto type = std::find_if(entries.begin(), entries.end(), [](const DirectoryEntry& e) {
        return e.isId() && e.name == kRtVersion;
    });
    if (type == entries.end() || !type->isDirectory()) return false;

    // The walk is exactly three levels deep; a directory that points back at one
    // already visited is refused rather than read again.
    std::array<uint32_t, 3> visited{0, type->target(), 0};
    if (visited[1] == visited[0]) return false;
    if (!ReadDirectory(image, visited[1], entries) || entries.empty() || !entries[0].isDirectory())
        return false;
    visited[2] = entries[0].target();
    if (visited[2] == visited[0] || visited[2] == visited[1]) return false;
    if (!ReadDirectory(image, visited[2], entries) || entries.empty() || entries[0].isDirectory())
        return false;

    uint8_t dataEntry[16];
    if (!image.readRva(uint64_t{image.resourceRva()} + entries[0].offset, dataEntry,
                       sizeof dataEntry))
        return false;
    const uint32_t dataRva = Get32(dataEntry);
    const uint32_t dataSize = Get32(dataEntry + 4);
    if (dataSize == 0 || dataSize > kMaxResourceDataSize) return false;
    data.resize(std::min(dataSize, kMaxVersionBlock));
    return image.readRva(dataRva, data.data(), data.size());
}

// ---------------------------------------------------------------------------
// VS_VERSIONINFO blocks: wLength, wValueLength, wType, a NUL-terminated UTF-16 key,
// padding to 32 bits, the value, padding, the children. Offsets are counted from
// the start of the resource data, which is where the alignment is measured from.

constexpr size_t kBlockHeader = 6;

size_t Align4(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

struct Block {
    size_t end = 0;           // one past the block's last byte
    size_t keyStart = 0;      // first code unit of the key
    size_t keyUnits = 0;      // key length without its NUL
    uint16_t valueLength = 0; // as stored: bytes, or characters for text values
    size_t valueStart = 0;
    size_t valueBytes = 0;    // clamped to the block
    size_t childrenStart = 0;
};

class VersionData {
public:
    explicit VersionData(std::span<const uint8_t> data) : data_(data) {}

    // The block at start, which must end by limit (a longer block is cut there).
    bool readBlock(size_t start, size_t limit, Block& block) const;
    // The first child of parent whose key is name (ASCII case folded).
    bool findChild(const Block& parent, std::string_view name, Block& child) const;
    // Calls visit for each child of parent, in order.
    template <typename Visit>
    void forEachChild(const Block& parent, Visit visit) const;

    bool keyIs(const Block& block, std::string_view name) const;
    std::string keyText(const Block& block) const;
    // A text value: the code units up to the first NUL or the end of the block.
    std::string textValue(const Block& block) const;
    std::span<const uint8_t> value(const Block& block) const {
        return data_.subspan(block.valueStart, block.valueBytes);
    }

private:
    char16_t unit(size_t offset) const { return static_cast<char16_t>(Get16(&data_[offset])); }
    std::span<const uint8_t> data_;
};

bool VersionData::readBlock(size_t start, size_t limit, Block& block) const {
    limit = std::min(limit, data_.size());
    if (start > limit || limit - start < kBlockHeader) return false;
    const uint16_t length = Get16(&data_[start]);
    // A block shorter than its own header (a length of 0 included) ends the walk.
    if (length < kBlockHeader) return false;
    block.end = std::min(start + length, limit);
    block.valueLength = Get16(&data_[start + 2]);
    const uint16_t type = Get16(&data_[start + 4]);

    block.keyStart = start + kBlockHeader;
    size_t at = block.keyStart;
    while (true) {
        if (block.end - at < 2) return false; // key without its NUL
        if (unit(at) == 0) break;
        at += 2;
    }
    block.keyUnits = (at - block.keyStart) / 2;

    block.valueStart = std::min(Align4(at + 2), block.end);
    const size_t stated = type == 1 ? size_t{block.valueLength} * 2 : block.valueLength;
    block.valueBytes = std::min(stated, block.end - block.valueStart);
    block.childrenStart = std::min(Align4(block.valueStart + block.valueBytes), block.end);
    return true;
}

template <typename Visit>
void VersionData::forEachChild(const Block& parent, Visit visit) const {
    // Every child is at least a header long, so the walk always moves on.
    size_t at = parent.childrenStart;
    Block child;
    while (at < parent.end && readBlock(at, parent.end, child)) {
        if (!visit(child)) return;
        at = Align4(child.end);
    }
}

bool VersionData::findChild(const Block& parent, std::string_view name, Block& child) const {
    bool found = false;
    forEachChild(parent, [&](const Block& b) {
        if (!keyIs(b, name)) return true;
        child = b;
        found = true;
        return false;
    });
    return found;
}

bool VersionData::keyIs(const Block& block, std::string_view name) const {
    if (block.keyUnits != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = unit(block.keyStart + 2 * i);
        if (c > 0x7F || FoldAscii(static_cast<unsigned char>(c)) !=
                            FoldAscii(static_cast<unsigned char>(name[i])))
            return false;
    }
    return true;
}

std::string VersionData::keyText(const Block& block) const {
    std::u16string units(block.keyUnits, u'\0');
    for (size_t i = 0; i < block.keyUnits; ++i)
        units[i] = unit(block.keyStart + 2 * i);
    return Utf16ToUtf8(units);
}

std::string VersionData::textValue(const Block& block) const {
    // The stated length is in characters for most writers and in bytes for some;
    // the text runs to its NUL either way, and never past its block.
    if (block.valueLength == 0) return {};
    std::u16string units;
    for (size_t at = block.valueStart; block.end - at >= 2; at += 2) {
        const char16_t u = unit(at);
        if (u == 0) break;
        units.push_back(u);
    }
    return Utf16ToUtf8(units);
}

// ---------------------------------------------------------------------------
// Files

// Only regular files are opened (ReadOnlyFile never opens a FIFO or device).
class FileByteReader final : public ByteReader {
public:
    explicit FileByteReader(const std::string& path) { open_ = file_.open(path) == 0; }
    bool isOpen() const { return open_; }
    uint64_t size() const override { return static_cast<uint64_t>(file_.size()); }
    bool readAt(uint64_t offset, void* out, size_t count) override {
        if (!open_ || offset > size() || count > size() - offset) return false;
        // Fewer bytes than asked: a read error, or the file shrank.
        return file_.read(static_cast<int64_t>(offset), out, static_cast<int64_t>(count)) ==
               static_cast<int64_t>(count);
    }

private:
    ReadOnlyFile file_;
    bool open_ = false;
};

} // namespace

bool SpanByteReader::readAt(uint64_t offset, void* out, size_t count) {
    if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
    if (count != 0) std::memcpy(out, bytes_.data() + offset, count);
    return true;
}

const std::string* PeVersionInfo::value(std::string_view key) const {
    for (const auto& [k, v] : strings)
        if (EqualFolded(k, key)) return &v;
    return nullptr;
}

std::string Utf16ToUtf8(std::span<const char16_t> text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD; // a surrogate without its partner
        }
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

PeVersionInfo ParseVersionResource(std::span<const uint8_t> data) {
    PeVersionInfo info;
    const VersionData version(data);
    Block root;
    if (!version.readBlock(0, data.size(), root)) return info;
    info.hasResource = true;

    Block varInfo, translation;
    if (!version.findChild(root, "VarFileInfo", varInfo) ||
        !version.findChild(varInfo, "Translation", translation))
        return info;
    const std::span<const uint8_t> table = version.value(translation);
    if (table.size() < 4) return info; // an empty table names no language
    info.hasTranslation = true;
    info.language = Get16(table.data());
    info.codepage = Get16(table.data() + 2);

    char name[9];
    std::snprintf(name, sizeof name, "%04X%04X", unsigned{info.language}, unsigned{info.codepage});
    Block fileInfo, stringTable;
    if (!version.findChild(root, "StringFileInfo", fileInfo) ||
        !version.findChild(fileInfo, name, stringTable))
        return info;
    version.forEachChild(stringTable, [&](const Block& entry) {
        info.strings.emplace_back(version.keyText(entry), version.textValue(entry));
        return true;
    });
    return info;
}

PeVersionInfo ReadPeVersionInfo(ByteReader& reader) {
    PeImage image(reader);
    std::vector<uint8_t> data;
    if (!image.open() || !ReadVersionData(image, data)) return {};
    return ParseVersionResource(data);
}

PeVersionInfo ReadPeVersionInfo(std::span<const uint8_t> bytes) {
    SpanByteReader reader(bytes);
    return ReadPeVersionInfo(reader);
}

PeVersionInfo ReadPeVersionInfoFromFile(const std::string& path) {
    FileByteReader reader(path);
    if (!reader.isOpen()) return {};
    return ReadPeVersionInfo(reader);
}

} // namespace quillon
