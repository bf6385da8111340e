#include "platform/textcase.h"
#include <QChar>
#include <cstdint>

namespace quillon {

namespace {

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// One unit of the folded order: a folded code point, or a stray byte, which
// sorts after every character.
uint32_t NextUnit(std::string_view text, size_t& i) {
    const Utf8Character c = Utf8CharacterAt(text, i);
    if (c.length == 0) return 0x110000u + static_cast<unsigned char>(text[i++]);
    i += c.length;
    return c.code < 0x80 ? FoldAscii(static_cast<unsigned char>(c.code))
                         : static_cast<uint32_t>(QChar::toCaseFolded(c.code));
}

} // namespace

Utf8Character Utf8CharacterAt(std::string_view text, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80) return {lead, 1};
    size_t length;
    char32_t code;
    if (lead >= 0xC2 && lead <= 0xDF) length = 2, code = lead & 0x1F;
    else if (lead >= 0xE0 && lead <= 0xEF) length = 3, code = lead & 0x0F;
    else if (lead >= 0xF0 && lead <= 0xF4) length = 4, code = lead & 0x07;
    else return {};
    if (i + length > text.size()) return {};
    for (size_t k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) return {};
        code = code << 6 | (at(i + k) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {};
    return {code, length};
}

std::string FoldedKey(std::string_view text) {
    // The ASCII head has its capitals lowered in place; most names are that
    // head alone.
    std::string out(text);
    size_t i = 0;
    while (i < out.size() && static_cast<unsigned char>(out[i]) < 0x80) {
        out[i] = static_cast<char>(FoldAscii(static_cast<unsigned char>(out[i])));
        ++i;
    }
    if (i == out.size()) return out;
    out.resize(i);
    while (i < text.size()) {
        const uint32_t unit = NextUnit(text, i);
        if (unit >= 0x110000u) {
            out += static_cast<char>(0xF8);
            out += static_cast<char>(unit - 0x110000u);
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

unsigned long long FoldedKeyNumber(std::string_view text, size_t from, size_t count) {
    // ASCII up to the bytes asked for: the key is the name's own bytes, lowered.
    bool ascii = true;
    for (size_t i = 0; i < text.size() && i < from + count && ascii; ++i)
        ascii = static_cast<unsigned char>(text[i]) < 0x80;
    std::string folded;
    std::string_view key = text;
    if (!ascii) {
        folded = FoldedKey(text);
        key = folded;
    }
    unsigned long long number = 0;
    for (size_t i = from; i < from + count; ++i)
        number = number << 8 | (i < key.size() ? FoldAscii(static_cast<unsigned char>(key[i])) : 0u);
    return number;
}

namespace detail {

int CompareFoldedBeyondAscii(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const uint32_t x = NextUnit(a, i);
        const uint32_t y = NextUnit(b, j);
        if (x != y) return x < y ? -1 : 1;
    }
    if (i == a.size() && j == b.size()) return 0;
    return i == a.size() ? -1 : 1;
}

} // namespace detail

} // namespace quillon
