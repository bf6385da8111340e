#pragma once
// What the file viewer shows for a line, from the line's bytes alone: no file,
// no widget, so every case can be checked on a few bytes.
//
// Text is shown as UTF-8 when a line's bytes are valid UTF-8 and otherwise
// byte by byte as Latin-1; control bytes show as '.'. A line shows at most
// kMaxLineChars characters. Hex lines show 16 bytes each: the offset, the
// bytes in two groups of eight, then the printable ASCII ones.
#include <QString>
#include <cstdint>
#include <vector>

namespace quillon {

inline constexpr int kMaxLineChars = 1023;
// Bytes read for one shown line: kMaxLineChars characters never need more than
// four bytes each.
inline constexpr int64_t kShownLineBytes = 4096;
inline constexpr int kHexLineBytes = 16;

struct TextLayout {
    bool expandTabs = true;
    int tabSize = 8; // 1..255
    int maxChars = kMaxLineChars;
};

// A line's text as shown and, for each character, the offset of the byte it
// came from relative to the line start (one entry more, for the end).
struct ShownText {
    QString text;
    std::vector<int32_t> byteOf;
};

// Where a line ends among the bytes read from its start.
struct LineEnd {
    int64_t length = 0;   // bytes to show: up to the LF, without a CR just before it
    int64_t newline = -1; // index of the LF ending the line; -1 when not among the bytes
    bool complete = false; // the whole line is among the bytes
};
// `reachesEnd`: nothing of the file follows the bytes.
LineEnd FindLineEnd(const unsigned char* bytes, int64_t count, bool reachesEnd);

// The text shown for a line's bytes. `cut`: the line goes on past them, so an
// incomplete UTF-8 sequence at their end is not a reason to fall back to Latin-1.
ShownText DecodeLine(const unsigned char* bytes, int64_t length, bool cut, const TextLayout& layout);

// Hex digits shown for offsets in a file of `size` bytes (at least 8).
int HexOffsetDigits(int64_t size);
// The column where the ASCII part of a hex line begins.
int HexAsciiColumn(int offsetDigits);
// The hex line for up to 16 bytes found at `offset`.
QString HexLine(int64_t offset, const unsigned char* bytes, int64_t count, int offsetDigits);
// Which of a hex line's bytes (0..16, 16 for the end) a column points at, in
// the hex or the ASCII part.
int HexByteAtColumn(int column, int offsetDigits);

} // namespace quillon
