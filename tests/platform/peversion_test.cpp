#include "platform/peversion.h"
#include "support/world.h"
#include <algorithm>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <optional>
#include <sys/stat.h>

using namespace quillon;
using quillon::test::TestWorld;

namespace {

const std::string kPeFixtures = std::string(QUILLON_FIXTURES) + "/pe/";

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Parses a copy of the first `length` bytes in a block of exactly that size, so
// that the address sanitizer catches a read past the end.
PeVersionInfo ReadPrefix(const std::vector<uint8_t>& bytes, size_t length) {
    const auto copy = std::make_unique<uint8_t[]>(length == 0 ? 1 : length);
    std::copy_n(bytes.begin(), length, copy.get());
    return ReadPeVersionInfo(std::span<const uint8_t>(copy.get(), length));
}

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b.at(at) = static_cast<uint8_t>(v);
    b.at(at + 1) = static_cast<uint8_t>(v >> 8);
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// ---------------------------------------------------------------------------
// Version resources written by the test

struct Node {
    std::u16string key;
    std::vector<uint8_t> value;
    uint16_t type = 0;
    std::optional<uint16_t> valueLength; // as stored; default: bytes, or characters for text
    std::vector<Node> children;
};

std::vector<uint8_t> Units(const std::u16string& text) {
    std::vector<uint8_t> bytes;
    for (char16_t u : text) {
        bytes.push_back(static_cast<uint8_t>(u));
        bytes.push_back(static_cast<uint8_t>(u >> 8));
    }
    return bytes;
}

Node Text(const std::u16string& key, const std::u16string& value) {
    return {key, Units(value + u'\0'), 1, std::nullopt, {}};
}

Node Translation(std::vector<uint32_t> entries) {
    Node var{u"Translation", {}, 0, std::nullopt, {}};
    for (uint32_t e : entries)
        for (int i = 0; i < 4; ++i)
            var.value.push_back(static_cast<uint8_t>(e >> (8 * i)));
    return var;
}

void Pad4(std::vector<uint8_t>& out) {
    while (out.size() % 4 != 0)
        out.push_back(0);
}

void Encode(const Node& node, std::vector<uint8_t>& out) {
    const size_t start = out.size();
    out.resize(start + 6);
    const auto key = Units(node.key + u'\0');
    out.insert(out.end(), key.begin(), key.end());
    Pad4(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const Node& child : node.children) {
        Pad4(out);
        Encode(child, out);
    }
    const size_t stated = node.type == 1 ? node.value.size() / 2 : node.value.size();
    Put16(out, start, static_cast<uint32_t>(out.size() - start));
    Put16(out, start + 2, node.valueLength.value_or(static_cast<uint16_t>(stated)));
    Put16(out, start + 4, node.type);
}

// VS_VERSION_INFO with a fixed-info value of 52 bytes, then the given blocks.
Node Root(std::vector<Node> children) {
    Node root{u"VS_VERSION_INFO", std::vector<uint8_t>(52, 0), 0, std::nullopt,
              std::move(children)};
    root.value[0] = 0xBD; // VS_FIXEDFILEINFO signature 0xFEEF04BD
    root.value[1] = 0x04;
    root.value[2] = 0xEF;
    root.value[3] = 0xFE;
    return root;
}

Node StringTable(const std::u16string& key, std::vector<Node> strings) {
    return {
        u"StringFileInfo", {}, 1, std::nullopt, {{key, {}, 1, std::nullopt, std::move(strings)}}};
}

Node VarInfo(std::vector<uint32_t> entries) {
    return {u"VarFileInfo", {}, 1, std::nullopt, {Translation(std::move(entries))}};
}

std::vector<uint8_t> Encoded(const Node& root) {
    std::vector<uint8_t> out;
    Encode(root, out);
    return out;
}

// The resource most tests start from: US English, Unicode, two strings.
Node UsualRoot() {
    return Root({StringTable(u"040904B0",
                             {Text(u"CompanyName", u"Quillon"), Text(u"ProductName", u"Fixtures")}),
                 VarInfo({0x04B00409})});
}

// ---------------------------------------------------------------------------
// A minimal PE file with one section, .rsrc, holding a version resource

struct PeLayout {
    std::vector<uint8_t> bytes;
    size_t optional = 0; // optional header
    size_t dataDirectory = 0;
    size_t sectionTable = 0;
    size_t rootDir = 0; // file offsets of the resource structures
    size_t nameDir = 0;
    size_t langDir = 0;
    size_t dataEntry = 0;
    size_t data = 0;
};

constexpr uint32_t kRsrcRva = 0x1000;
constexpr size_t kRsrcFile = 0x200;

PeLayout MakePe(const std::vector<uint8_t>& data, bool plus = true, size_t misalign = 0) {
    PeLayout pe;
    const size_t optionalSize = plus ? 240 : 224;
    pe.optional = 0x40 + 24;
    pe.dataDirectory = pe.optional + (plus ? 112 : 96);
    pe.sectionTable = pe.optional + optionalSize;
    pe.rootDir = kRsrcFile;
    // The root has room for a second entry, which tests may fill in.
    pe.nameDir = kRsrcFile + 0x20;
    pe.langDir = kRsrcFile + 0x38;
    pe.dataEntry = kRsrcFile + 0x50;
    pe.data = kRsrcFile + 0x60 + misalign;
    const uint32_t rsrcSize = static_cast<uint32_t>(pe.data + data.size() - kRsrcFile);
    auto rva = [](size_t fileOffset) {
        return static_cast<uint32_t>(fileOffset - kRsrcFile + kRsrcRva);
    };

    auto& b = pe.bytes;
    b.assign(pe.data + data.size(), 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    b[0x40] = 'P';
    b[0x41] = 'E';
    Put16(b, 0x44, plus ? 0x8664 : 0x14C);
    Put16(b, 0x46, 1); // one section
    Put16(b, 0x54, static_cast<uint32_t>(optionalSize));
    Put16(b, pe.optional, plus ? 0x20B : 0x10B);
    Put32(b, pe.dataDirectory - 4, 16); // NumberOfRvaAndSizes
    Put32(b, pe.dataDirectory + 16, kRsrcRva);
    Put32(b, pe.dataDirectory + 20, rsrcSize);
    std::copy_n(".rsrc", 5, b.begin() + static_cast<long>(pe.sectionTable));
    Put32(b, pe.sectionTable + 8, rsrcSize);
    Put32(b, pe.sectionTable + 12, kRsrcRva);
    Put32(b, pe.sectionTable + 16, rsrcSize);
    Put32(b, pe.sectionTable + 20, kRsrcFile);

    Put16(b, pe.rootDir + 14, 1); // one id entry: RT_VERSION
    Put32(b, pe.rootDir + 16, 16);
    Put32(b, pe.rootDir + 20, 0x80000000u | static_cast<uint32_t>(pe.nameDir - kRsrcFile));
    Put16(b, pe.nameDir + 14, 1); // name 1
    Put32(b, pe.nameDir + 16, 1);
    Put32(b, pe.nameDir + 20, 0x80000000u | static_cast<uint32_t>(pe.langDir - kRsrcFile));
    Put16(b, pe.langDir + 14, 1); // language 0x409
    Put32(b, pe.langDir + 16, 0x409);
    Put32(b, pe.langDir + 20, static_cast<uint32_t>(pe.dataEntry - kRsrcFile));
    Put32(b, pe.dataEntry, rva(pe.data));
    Put32(b, pe.dataEntry + 4, static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), b.begin() + static_cast<long>(pe.data));
    return pe;
}

// Offset of the block whose key is the first occurrence of key in data.
size_t BlockAt(const std::vector<uint8_t>& data, const std::u16string& key) {
    const std::vector<uint8_t> units = Units(key);
    const auto at = std::search(data.begin(), data.end(), units.begin(), units.end());
    EXPECT_NE(at, data.end());
    return static_cast<size_t>(at - data.begin()) - 6;
}

// Makes the resource data entry `size` bytes long, the section and file with it.
void Grow(PeLayout& pe, uint32_t size) {
    pe.bytes.resize(pe.data + size);
    const auto rsrcSize = static_cast<uint32_t>(pe.bytes.size() - kRsrcFile);
    Put32(pe.bytes, pe.sectionTable + 8, rsrcSize);
    Put32(pe.bytes, pe.sectionTable + 16, rsrcSize);
    Put32(pe.bytes, pe.dataEntry + 4, size);
}

PeVersionInfo Read(const std::vector<uint8_t>& bytes) {
    return ReadPrefix(bytes, bytes.size());
}

using Strings = std::vector<std::pair<std::string, std::string>>;

} // namespace

// ---------------------------------------------------------------------------
// Real files built by windres and the MinGW linker

TEST(PeVersion, ReadsTheFixtures) {
    struct Case {
        const char* file;
        uint16_t codepage;
        Strings strings;
    };
    const Case cases[] = {
        {"tiny64.exe",
         1252,
         {{"CompanyName", "   Quillon Test Works"},
          {"FileDescription", "Version resource fixture"},
          {"FileVersion", "2.9.0.17"},
          {"InternalName", "tiny"},
          {"LegalCopyright", "\u00A9 2024 Quillon Test Works"},
          {"LegalTrademarks", "Quillon is not a trademark"},
          {"OriginalFilename", "tiny.exe"},
          {"ProductName", "Quillon fixtures"},
          {"ProductVersion", "2.9"}}},
        // The German table comes first in the file; the translation names English.
        {"tiny32.dll",
         1200,
         {{"CompanyName", "  Quillon Test Works"},
          {"FileDescription", "Version resource fixture (32-bit library)"},
          {"FileVersion", "1.0.3.0"},
          {"InternalName", "tiny32"},
          {"LegalCopyright", "\u00A9 2024 Quillon Test Works \u2014 Zo\u00EB"},
          {"OriginalFilename", "tiny32.dll"},
          {"PrivateBuild", "built by the fixture script"},
          {"ProductName", "Quillon fixtures"},
          {"ProductVersion", "1.0"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const PeVersionInfo info = ReadPeVersionInfoFromFile(kPeFixtures + c.file);
        EXPECT_TRUE(info.hasResource);
        ASSERT_TRUE(info.hasTranslation);
        EXPECT_EQ(info.language, 0x0409);
        EXPECT_EQ(info.codepage, c.codepage);
        EXPECT_EQ(info.strings, c.strings);
        EXPECT_EQ(info.value("SpecialBuild"), nullptr);
        ASSERT_NE(info.value("productversion"), nullptr); // keys compare without case
        EXPECT_EQ(*info.value("productversion"), c.strings.back().second);
    }

    const PeVersionInfo none = ReadPeVersionInfoFromFile(kPeFixtures + "notranslation.exe");
    EXPECT_TRUE(none.hasResource);
    EXPECT_FALSE(none.hasTranslation);
    EXPECT_TRUE(none.strings.empty());
}

// Every prefix of the fixtures: no crash, no read past the end, and a result only
// once the whole version data is present (its end offset as pefile reports it).
TEST(PeVersion, EveryTruncationOfTheFixtures) {
    const std::pair<const char*, size_t> files[] = {{"tiny64.exe", 0xBA0}, {"tiny32.dll", 0xCD0}};
    for (const auto& [file, dataEnd] : files) {
        SCOPED_TRACE(file);
        const std::vector<uint8_t> bytes = ReadBytes(kPeFixtures + file);
        ASSERT_GT(bytes.size(), dataEnd);
        const PeVersionInfo whole = Read(bytes);
        ASSERT_TRUE(whole.hasTranslation);
        for (size_t length = 0; length < bytes.size(); ++length) {
            const PeVersionInfo info = ReadPrefix(bytes, length);
            if (length < dataEnd) {
                ASSERT_FALSE(info.hasResource) << length;
            } else {
                ASSERT_TRUE(info.hasTranslation) << length;
                ASSERT_EQ(info.strings, whole.strings) << length;
            }
        }
    }
}

TEST(PeVersion, OnlyRegularFilesAreRead) {
    TestWorld world;
    const std::string text = world.writeFile("notes.txt", "MZ but not a program\n");
    const std::string fifo = world.path("pipe");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    // A FIFO without a writer would block a plain open for reading forever.
    for (const std::string& path :
         {text, fifo, world.makeFolder("folder"), world.path("missing"), std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(ReadPeVersionInfoFromFile(path).hasResource);
    }
}

// ---------------------------------------------------------------------------
// Resources written by the test

TEST(PeVersion, ReadsWrittenResources) {
    const Strings usual = {{"CompanyName", "Quillon"}, {"ProductName", "Fixtures"}};
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        uint16_t language;
        uint16_t codepage;
        Strings strings;
    };
    const std::vector<uint8_t> usualData = Encoded(UsualRoot());
    const Case cases[] = {
        {"64-bit", MakePe(usualData, true).bytes, 0x409, 1200, usual},
        {"32-bit", MakePe(usualData, false).bytes, 0x409, 1200, usual},
        // Alignment is counted from the start of the resource data, not of the file.
        {"data at an odd address", MakePe(usualData, true, 1).bytes, 0x409, 1200, usual},
        {"data at address 2 mod 4", MakePe(usualData, false, 2).bytes, 0x409, 1200, usual},
        {"translation before strings, table key in lower case",
         MakePe(Encoded(Root({VarInfo({0x04E40407}),
                              StringTable(u"040704e4", {Text(u"CompanyName", u"Firma")})})))
             .bytes,
         0x407,
         1252,
         {{"CompanyName", "Firma"}}},
        {"only the first translation counts",
         MakePe(Encoded(Root({StringTable(u"040904B0", {Text(u"CompanyName", u"English")}),
                              VarInfo({0x04B00407, 0x04B00409})})))
             .bytes,
         0x407,
         1200,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const PeVersionInfo info = Read(c.bytes);
        ASSERT_TRUE(info.hasTranslation);
        EXPECT_EQ(info.language, c.language);
        EXPECT_EQ(info.codepage, c.codepage);
        EXPECT_EQ(info.strings, c.strings);
    }
}

TEST(PeVersion, StringValues) {
    auto with = [](Node string) {
        return Encoded(
            Root({StringTable(u"040904B0", {std::move(string)}), VarInfo({0x04B00409})}));
    };
    Node inBytes = Text(u"A", u"bytes");
    inBytes.valueLength = 12; // some writers state the length in bytes
    Node zero = Text(u"A", u"ignored");
    zero.valueLength = 0;
    Node noNul = {u"A", Units(u"open"), 1, std::nullopt, {}};
    Node inner = Text(u"A", std::u16string(u"cut") + u'\0' + u"hidden");
    Node shorter = Text(u"A", u"whole");
    shorter.valueLength = 2; // the text still runs to its NUL
    Node longer = Text(u"A", u"short");
    longer.valueLength = 500; // more than the block holds
    const std::pair<Node, std::string> cases[] = {
        {Text(u"A", u"chars"), "chars"},
        {inBytes, "bytes"},
        {zero, ""},
        {noNul, "open"},
        {inner, "cut"},
        {longer, "short"},
        {shorter, "whole"},
        {Text(u"A", u""), ""},
        {Text(u"A", u"\u00A9 \u20AC \U0001F600"), "\u00A9 \u20AC \U0001F600"},
    };
    for (const auto& [node, expected] : cases) {
        SCOPED_TRACE(expected);
        const PeVersionInfo info = ParseVersionResource(with(node));
        ASSERT_EQ(info.strings.size(), 1u);
        EXPECT_EQ(info.strings[0].second, expected);
    }
}

TEST(PeVersion, Utf16ToUtf8ReplacesBrokenSurrogates) {
    const std::pair<std::u16string, std::string> cases[] = {
        {u"abc", "abc"},
        {u"\u00E9\u4E2D", "\u00E9\u4E2D"},
        {{0xD83D, 0xDE00}, "\U0001F600"},
        {{0xD83D}, "\uFFFD"},        // high surrogate at the end
        {{0xDE00, u'x'}, "\uFFFDx"}, // low surrogate alone
        {{0xD83D, u'x'}, "\uFFFDx"}, // high surrogate before a letter
        {{0xD83D, 0xD83D, 0xDE00}, "\uFFFD\U0001F600"},
        {{0xFFFF}, "\uFFFF"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(Utf16ToUtf8(in), out);
}

// Hostile and broken files: each gives the stated result, never a crash or a read
// outside the buffer.
TEST(PeVersion, MalformedFilesAreRefused) {
    struct Case {
        const char* what;
        std::function<void(PeLayout&)> damage;
        bool hasResource;
    };
    auto put32 = [](size_t PeLayout::*field, size_t plus, uint32_t value) {
        return [=](PeLayout& pe) { Put32(pe.bytes, pe.*field + plus, value); };
    };
    auto put16 = [](size_t PeLayout::*field, size_t plus, uint32_t value) {
        return [=](PeLayout& pe) { Put16(pe.bytes, pe.*field + plus, value); };
    };
    const Case cases[] = {
        {"intact", [](PeLayout&) {}, true},
        {"no MZ", [](PeLayout& pe) { pe.bytes[0] = 'X'; }, false},
        {"PE header past the end", [](PeLayout& pe) { Put32(pe.bytes, 0x3C, 0xFFFFFFF0u); }, false},
        {"PE header cut by the end",
         [](PeLayout& pe) { Put32(pe.bytes, 0x3C, static_cast<uint32_t>(pe.bytes.size() - 8)); },
         false},
        {"no PE signature", [](PeLayout& pe) { pe.bytes[0x42] = 'X'; }, false},
        {"unknown optional header", put16(&PeLayout::optional, 0, 0x107), false},
        {"optional header too short for the data directory",
         [](PeLayout& pe) { Put16(pe.bytes, 0x54, 100); }, false},
        {"two data directories only",
         [](PeLayout& pe) { Put32(pe.bytes, pe.dataDirectory - 4, 2); }, false},
        {"resource address 0", put32(&PeLayout::dataDirectory, 16, 0), false},
        {"resource address in no section", put32(&PeLayout::dataDirectory, 16, 0x9000), false},
        {"65,535 sections", [](PeLayout& pe) { Put16(pe.bytes, 0x46, 0xFFFF); }, false},
        {"no sections", [](PeLayout& pe) { Put16(pe.bytes, 0x46, 0); }, false},
        {"section data past the end", put32(&PeLayout::sectionTable, 20, 0xFFFFFF00u), false},
        {"section larger than the file", put32(&PeLayout::sectionTable, 16, 0xFFFFFFFFu), true},
        {"virtual size ends before the data", put32(&PeLayout::sectionTable, 8, 0x70), false},
        // Memory past the stored bytes holds zeros, not the bytes after the section.
        {"data past the stored bytes",
         [](PeLayout& pe) {
             Put32(pe.bytes, pe.sectionTable + 8, 0x2000);
             Put32(pe.bytes, pe.sectionTable + 16, 0x60);
         },
         false},
        {"section at the top of the address space", put32(&PeLayout::sectionTable, 12, 0xFFFFFF00u),
         false},
        {"huge entry counts", put32(&PeLayout::rootDir, 12, 0xFFFFFFFFu), false},
        {"no version type", put32(&PeLayout::rootDir, 16, 3), false},
        {"version type as a named entry", put32(&PeLayout::rootDir, 16, 0x80000010u), false},
        {"version type is not a directory", put32(&PeLayout::rootDir, 20, 0x50), false},
        {"name directory is the root", put32(&PeLayout::rootDir, 20, 0x80000000u), false},
        {"language directory is the root", put32(&PeLayout::nameDir, 20, 0x80000000u), false},
        {"language directory is the name directory", put32(&PeLayout::nameDir, 20, 0x80000020u),
         false},
        {"language entry is a directory", put32(&PeLayout::langDir, 20, 0x80000038u), false},
        // Loops that would end at real data if they were followed.
        {"version type leads back to the root",
         [](PeLayout& pe) {
             Put16(pe.bytes, pe.rootDir + 14, 2);
             Put32(pe.bytes, pe.rootDir + 16, 1); // first entry: a directory of languages
             Put32(pe.bytes, pe.rootDir + 20, 0x80000038u);
             Put32(pe.bytes, pe.rootDir + 24, 16);
             Put32(pe.bytes, pe.rootDir + 28, 0x80000000u);
         },
         false},
        {"name leads back to the root",
         [](PeLayout& pe) {
             Put16(pe.bytes, pe.rootDir + 14, 2);
             Put32(pe.bytes, pe.rootDir + 16, 3); // first entry: data
             Put32(pe.bytes, pe.rootDir + 20, 0x50);
             Put32(pe.bytes, pe.rootDir + 24, 16);
             Put32(pe.bytes, pe.rootDir + 28, 0x80000020u);
             Put32(pe.bytes, pe.nameDir + 20, 0x80000000u);
         },
         false},
        {"no names", put16(&PeLayout::nameDir, 14, 0), false},
        {"no languages", put16(&PeLayout::langDir, 14, 0), false},
        {"directory offset past the section", put32(&PeLayout::rootDir, 20, 0xFFFFFFFFu), false},
        {"data entry past the section", put32(&PeLayout::langDir, 20, 0x7FFFFFF0u), false},
        {"data size 0", put32(&PeLayout::dataEntry, 4, 0), false},
        {"data size 64 KiB", [](PeLayout& pe) { Grow(pe, 0x10000); }, true},
        {"data size over 16 MiB",
         [](PeLayout& pe) {
             Grow(pe, 0x10000);
             Put32(pe.bytes, pe.dataEntry + 4, kMaxResourceDataSize + 1);
         },
         false},
        {"data size past the section", put32(&PeLayout::dataEntry, 4, 0x10000), false},
        {"data address wraps", put32(&PeLayout::dataEntry, 0, 0xFFFFFFF0u), false},
        {"data address in the headers", put32(&PeLayout::dataEntry, 0, 0x10), false},
        {"root length 0", put16(&PeLayout::data, 0, 0), false},
        {"root length shorter than its header", put16(&PeLayout::data, 0, 5), false},
        {"root key without its end",
         [](PeLayout& pe) {
             // The key's NUL and everything after it become letters.
             for (size_t at = pe.data + 6; at + 1 < pe.bytes.size(); at += 2)
                 Put16(pe.bytes, at, 'A');
         },
         false},
    };
    const std::vector<uint8_t> data = Encoded(UsualRoot());
    for (const bool plus : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (plus ? " (64-bit)" : " (32-bit)"));
            PeLayout pe = MakePe(data, plus);
            c.damage(pe);
            const PeVersionInfo info = Read(pe.bytes);
            EXPECT_EQ(info.hasResource, c.hasResource);
            EXPECT_EQ(info.hasTranslation, c.hasResource);
        }
    }
}

// Broken blocks inside the version data: the walk stops where the damage is and
// keeps what it read before.
TEST(PeVersion, MalformedBlocksEndTheWalk) {
    const Node usual = UsualRoot();
    std::vector<uint8_t> data = Encoded(usual);
    const size_t stringFileInfo = BlockAt(data, u"StringFileInfo");
    const size_t stringTable = BlockAt(data, u"040904B0");
    const size_t firstString = BlockAt(data, u"CompanyName");
    const size_t translation = BlockAt(data, u"Translation");
    ASSERT_EQ(ParseVersionResource(data).strings.size(), 2u);

    struct Case {
        const char* what;
        std::function<void(std::vector<uint8_t>&)> damage;
        bool hasTranslation;
        size_t strings;
    };
    const Case cases[] = {
        {"first string has length 0", [&](auto& d) { Put16(d, firstString, 0); }, true, 0},
        {"first string has length 3", [&](auto& d) { Put16(d, firstString, 3); }, true, 0},
        {"first string runs past its table", [&](auto& d) { Put16(d, firstString, 0xFFF0); }, true,
         1},
        {"string table has length 0", [&](auto& d) { Put16(d, stringTable, 0); }, true, 0},
        {"string table runs to the end", [&](auto& d) { Put16(d, stringTable, 0xFFFF); }, true, 2},
        {"string file info covers everything", [&](auto& d) { Put16(d, stringFileInfo, 0xFFFF); },
         false, 0},
        {"root value longer than the root", [&](auto& d) { Put16(d, 2, 0xFFFF); }, false, 0},
        {"root longer than the data", [&](auto& d) { Put16(d, 0, 0xFFFF); }, true, 2},
        {"root shorter than its children", [&](auto& d) { Put16(d, 0, 200); }, false, 0},
        {"data cut after the strings", [&](auto& d) { d.resize(stringTable + 60); }, false, 0},
        {"translation value of 2 bytes", [&](auto& d) { Put16(d, translation + 2, 2); }, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> damaged = data;
        c.damage(damaged);
        const auto copy = std::make_unique<uint8_t[]>(damaged.size());
        std::copy(damaged.begin(), damaged.end(), copy.get());
        const PeVersionInfo info = ParseVersionResource({copy.get(), damaged.size()});
        EXPECT_TRUE(info.hasResource);
        EXPECT_EQ(info.hasTranslation, c.hasTranslation);
        EXPECT_EQ(info.strings.size(), c.strings);
    }

    // A translation table with no entries names no language.
    EXPECT_FALSE(ParseVersionResource(Encoded(Root({VarInfo({})}))).hasTranslation);
    EXPECT_FALSE(ParseVersionResource(Encoded(Root({}))).hasTranslation);
}
