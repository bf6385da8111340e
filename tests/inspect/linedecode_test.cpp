#include "inspect/linedecode.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillon {
namespace {

const unsigned char* bytesOf(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

TEST(LineDecode, FindsWhereALineEndsInTheBytesRead) {
    struct Case {
        const char* what;
        std::string bytes;
        bool reachesEnd;
        int64_t length, newline;
        bool complete;
    };
    const Case cases[] = {
        {"LF", "abc\ndef", false, 3, 3, true},
        {"CR LF: the CR is not shown", "abc\r\ndef", false, 3, 4, true},
        {"a CR inside the line stays", "a\rb\n", false, 3, 3, true},
        {"empty line", "\nabc", false, 0, 0, true},
        {"short last line", "abc", true, 3, -1, true},
        {"last line ending in CR", "abc\r", true, 3, -1, true},
        {"cut after a CR: it may be the CR of a CR LF", "abc\r", false, 4, -1, false},
        {"cut: the line goes on", "abcdef", false, 6, -1, false},
        {"nothing read", "", true, 0, -1, true},
    };
    for (const Case& c : cases) {
        const LineEnd end =
            FindLineEnd(bytesOf(c.bytes), static_cast<int64_t>(c.bytes.size()), c.reachesEnd);
        EXPECT_EQ(end.length, c.length) << c.what;
        EXPECT_EQ(end.newline, c.newline) << c.what;
        EXPECT_EQ(end.complete, c.complete) << c.what;
    }
}

TEST(LineDecode, ShowsTextAndWhereEachCharacterCameFrom) {
    struct Case {
        const char* what;
        std::string bytes;
        bool cut;
        TextLayout layout;
        const char* shown; // UTF-8
        std::vector<int32_t> byteOf;
    };
    const TextLayout plain;
    const TextLayout tabs4{true, 4, kMaxLineChars};
    const TextLayout noTabs{false, 8, kMaxLineChars};
    const Case cases[] = {
        {"plain", "abc", false, plain, "abc", {0, 1, 2, 3}},
        {"tabs to the next stop of 8", "\tx\tyz", false, plain, "        x       yz",
         {0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 2, 2, 2, 2, 2, 2, 3, 4, 5}},
        {"tabs to the next stop of 4", "ab\tc", false, tabs4, "ab  c", {0, 1, 2, 2, 3, 4}},
        {"tabs not expanded", "\tx", false, noTabs, " x", {0, 1, 2}},
        {"a tab stops at the width", "abcd\t", false, TextLayout{true, 8, 6}, "abcd  ",
         {0, 1, 2, 3, 4, 4, 5}},
        {"UTF-8", "caf\xC3\xA9 \xE2\x82\xAC", false, plain, "caf\xC3\xA9 \xE2\x82\xAC",
         {0, 1, 2, 3, 5, 6, 9}},
        {"invalid UTF-8 shows as Latin-1", "caf\xE9 \x01", false, plain, "caf\xC3\xA9 .",
         {0, 1, 2, 3, 4, 5, 6}},
        {"overlong UTF-8 shows as Latin-1", "\xC0\x80z", false, plain, "\xC3\x80.z", {0, 1, 2, 3}},
        {"an encoded surrogate shows as Latin-1", "\xED\xA0\x80", false, plain,
         "\xC3\xAD\xC2\xA0.", {0, 1, 2, 3}},
        {"a sequence cut by the read waits for the rest", "ab\xE2\x82", true, plain, "ab",
         {0, 1, 2}},
        {"a sequence cut by the line end is Latin-1", "ab\xE2\x82", false, plain,
         "ab\xC3\xA2.", {0, 1, 2, 3, 4}},
        {"control characters show as dots", std::string("a\0\r\x7F", 4) + "\xC2\x85", false,
         plain, "a....", {0, 1, 2, 3, 4, 6}},
        {"outside the BMP: two UTF-16 units", "\xF0\x9F\x98\x80!", false, plain,
         "\xF0\x9F\x98\x80!", {0, 0, 4, 5}},
        {"a pair that would pass the width is left out", "a\xF0\x9F\x98\x80", false,
         TextLayout{true, 8, 2}, "a", {0, 1}},
        {"at most the width", "abcdef", false, TextLayout{true, 8, 3}, "abc", {0, 1, 2, 3}},
        {"empty", "", false, plain, "", {0}},
    };
    for (const Case& c : cases) {
        const ShownText shown =
            DecodeLine(bytesOf(c.bytes), static_cast<int64_t>(c.bytes.size()), c.cut, c.layout);
        EXPECT_EQ(shown.text, QString::fromUtf8(c.shown)) << c.what;
        EXPECT_EQ(shown.byteOf, c.byteOf) << c.what;
    }
}

TEST(LineDecode, LongLineStopsAtTheLimitWhateverTheEncoding) {
    // 1,023 characters from 2,046 bytes of UTF-8, the rest of the line unread.
    std::string bytes;
    for (int i = 0; i < 2000; ++i) bytes += "\xC3\xA9";
    const ShownText shown = DecodeLine(bytesOf(bytes), static_cast<int64_t>(bytes.size()), true, {});
    EXPECT_EQ(shown.text, QString(kMaxLineChars, QChar(0xE9)));
    EXPECT_EQ(shown.byteOf.back(), 2 * kMaxLineChars);
}

TEST(LineDecode, HexLines) {
    struct Case {
        const char* what;
        int64_t offset;
        std::string bytes;
        int digits;
        const char* shown;
    };
    const Case cases[] = {
        {"sixteen bytes", 0, std::string("Hello\n") + std::string(10, '\0'), 8,
         "00000000  48 65 6C 6C 6F 0A 00 00  00 00 00 00 00 00 00 00  Hello..........."},
        {"a short last line", 0x10, "xyz", 8,
         "00000010  78 79 7A                                          xyz"},
        {"nothing left to read", 0x20, "", 8,
         "00000020                                                    "},
        {"a wider offset; bytes outside printable ASCII", 0x123456789A,
         "\x7F\x80\xFF ~\t", 10,
         "123456789A  7F 80 FF 20 7E 09                                 ... ~."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexLine(c.offset, bytesOf(c.bytes), static_cast<int64_t>(c.bytes.size()), c.digits),
                  QString::fromLatin1(c.shown))
            << c.what;
}

TEST(LineDecode, HexOffsetDigitsFollowTheFileSize) {
    struct Case {
        int64_t size;
        int digits;
    };
    const Case cases[] = {
        {0, 8}, {1, 8}, {int64_t{1} << 32, 8}, {(int64_t{1} << 32) + 1, 9}, {int64_t{1} << 40, 10},
    };
    for (const Case& c : cases) EXPECT_EQ(HexOffsetDigits(c.size), c.digits) << c.size;
}

// Every byte's hex digits and its ASCII character point back at that byte, so
// a selection made in either part covers the same bytes.
TEST(LineDecode, HexColumnsPointAtTheirBytes) {
    for (const int digits : {8, 11}) {
        std::string bytes;
        for (int b = 0; b < 16; ++b) bytes += static_cast<char>('A' + b);
        const QString line = HexLine(0, bytesOf(bytes), 16, digits);
        const int ascii = HexAsciiColumn(digits);
        for (int b = 0; b < 16; ++b) {
            const QString hex = QString::number(0x41 + b, 16).toUpper();
            const int column = static_cast<int>(line.indexOf(hex, digits + 2));
            ASSERT_GT(column, 0) << b;
            EXPECT_EQ(HexByteAtColumn(column, digits), b) << digits << " hex " << b;
            EXPECT_EQ(HexByteAtColumn(column + 1, digits), b) << digits << " hex " << b;
            // The space after the digits still belongs to the byte.
            EXPECT_EQ(HexByteAtColumn(column + 2, digits), b) << digits << " space " << b;
            EXPECT_EQ(line[ascii + b], QChar('A' + b)) << digits << " ascii " << b;
            EXPECT_EQ(HexByteAtColumn(ascii + b, digits), b) << digits << " ascii " << b;
        }
        EXPECT_EQ(HexByteAtColumn(0, digits), 0);      // on the offset
        EXPECT_EQ(HexByteAtColumn(ascii + 16, digits), 16); // after the last byte
        EXPECT_EQ(HexByteAtColumn(ascii + 40, digits), 16);
    }
}

} // namespace
} // namespace quillon
