#pragma once
// Names as search criteria compare without regard to case: every letter is
// folded (CAFÉ.TXT and café.txt are one name), ASCII on a fast path; bytes that
// are not valid UTF-8 compare as they are, after every character.
#include <cstddef>
#include <string>
#include <string_view>

namespace quillon {

constexpr unsigned char FoldAscii(unsigned char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}
constexpr char FoldAscii(char c) {
    return static_cast<char>(FoldAscii(static_cast<unsigned char>(c)));
}

// The folded form of a name as bytes whose plain byte order is the order of
// CompareFolded: each character's case-folded code point in UTF-8, each byte
// that is not part of valid UTF-8 as 0xF8 followed by that byte. ASCII names
// just have their capitals lowered.
std::string FoldedKey(std::string_view text);
// The first `count` bytes of FoldedKey(text), big-endian, zero-padded (no
// name holds a zero byte, so a shorter name orders first).
unsigned long long FoldedKeyNumber(std::string_view text, size_t from, size_t count = 8);

// The valid UTF-8 character that starts at text[i]: its code point and its
// length in bytes; length 0 when the byte there starts none (a stray byte, an
// overlong form, a surrogate, a value beyond U+10FFFF, a cut-off sequence).
struct Utf8Character {
    char32_t code = 0;
    size_t length = 0;
};
Utf8Character Utf8CharacterAt(std::string_view text, size_t i);

namespace detail {
int CompareFoldedBeyondAscii(std::string_view a, std::string_view b);
}

// <0, 0 or >0, like strcmp, on folded names.
inline int CompareFolded(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const auto x = static_cast<unsigned char>(a[i]);
        const auto y = static_cast<unsigned char>(b[i]);
        if ((x | y) >= 0x80) return detail::CompareFoldedBeyondAscii(a.substr(i), b.substr(i));
        const unsigned char fx = FoldAscii(x), fy = FoldAscii(y);
        if (fx != fy) return fx < fy ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    // What is left of the longer name may fold to nothing shorter, but it is
    // never empty: the shorter name comes first.
    return a.size() < b.size() ? -1 : 1;
}

inline bool EqualFolded(std::string_view a, std::string_view b) { return CompareFolded(a, b) == 0; }

// The order names are listed in: without regard to case, then names equal
// but for case by their bytes, so the order is total.
inline bool FoldedThenBytesLess(std::string_view a, std::string_view b) {
    const int folded = CompareFolded(a, b);
    return folded != 0 ? folded < 0 : a < b;
}

} // namespace quillon
