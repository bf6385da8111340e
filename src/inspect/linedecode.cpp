#include "inspect/linedecode.h"
#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

// Whether bytes are UTF-8. An incomplete sequence at the very end is allowed
// when `cut` (the line goes on past the bytes read); `usable` is then where
// the last whole character ends.
bool isUtf8(const unsigned char* p, int64_t n, bool cut, int64_t& usable) {
    int64_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra = 0;
        uint32_t min = 0;
        if (c >= 0xC2 && c <= 0xDF) extra = 1, min = 0x80;
        else if (c >= 0xE0 && c <= 0xEF) extra = 2, min = 0x800;
        else if (c >= 0xF0 && c <= 0xF4) extra = 3, min = 0x10000;
        else return false;
        if (i + extra >= n) {
            // Not enough bytes left for the whole sequence.
            for (int64_t k = i + 1; k < n; ++k)
                if ((p[k] & 0xC0) != 0x80) return false;
            if (!cut) return false;
            usable = i;
            return true;
        }
        uint32_t cp = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += extra + 1;
    }
    usable = n;
    return true;
}

bool isControl(uint32_t cp) { return cp < 0x20 || cp == 0x7F || (cp >= 0x80 && cp < 0xA0); }

} // namespace

LineEnd FindLineEnd(const unsigned char* bytes, int64_t count, bool reachesEnd) {
    LineEnd end;
    const void* nl = count > 0 ? std::memchr(bytes, '\n', static_cast<size_t>(count)) : nullptr;
    end.newline = nl ? static_cast<const unsigned char*>(nl) - bytes : -1;
    end.length = nl ? end.newline : std::max<int64_t>(count, 0);
    end.complete = nl || reachesEnd;
    if (end.complete && end.length > 0 && bytes[end.length - 1] == '\r') --end.length;
    return end;
}

ShownText DecodeLine(const unsigned char* p, int64_t n, bool cut, const TextLayout& layout) {
    const int maxChars = layout.maxChars;
    const int tabSize = layout.tabSize;
    ShownText out;
    int64_t usable = n;
    const bool utf8 = isUtf8(p, n, cut, usable);
    if (!utf8) usable = n;
    QString& text = out.text;
    text.reserve(static_cast<qsizetype>(std::min<int64_t>(usable, maxChars)));
    out.byteOf.reserve(static_cast<size_t>(std::min<int64_t>(usable, maxChars) + 1));
    int64_t i = 0;
    const auto put = [&](QChar ch, int64_t at) {
        text.append(ch);
        out.byteOf.push_back(static_cast<int32_t>(at));
    };
    while (i < usable && text.size() < maxChars) {
        const int64_t at = i;
        uint32_t cp = p[i];
        if (utf8 && cp >= 0x80) {
            const int extra = cp >= 0xF0 ? 3 : cp >= 0xE0 ? 2 : 1;
            cp &= (0x3F >> extra);
            for (int k = 1; k <= extra; ++k) cp = (cp << 6) | (p[i + k] & 0x3F);
            i += extra + 1;
        } else {
            ++i;
        }
        if (cp == '\t') {
            const int width = layout.expandTabs ? tabSize - static_cast<int>(text.size() % tabSize) : 1;
            for (int k = 0; k < width && text.size() < maxChars; ++k) put(QChar(' '), at);
        } else if (isControl(cp)) {
            put(QChar('.'), at);
        } else if (cp >= 0x10000) {
            if (text.size() + 2 > maxChars) {
                i = at;
                break;
            }
            const char32_t wide = cp;
            const QString pair = QString::fromUcs4(&wide, 1);
            put(pair[0], at);
            put(pair[1], at);
        } else {
            put(QChar(static_cast<char16_t>(cp)), at);
        }
    }
    out.byteOf.push_back(static_cast<int32_t>(i));
    return out;
}

int HexOffsetDigits(int64_t size) {
    int digits = 1;
    for (uint64_t v = static_cast<uint64_t>(std::max<int64_t>(size - 1, 0)) >> 4; v; v >>= 4) ++digits;
    return std::max(digits, 8);
}

int HexAsciiColumn(int offsetDigits) { return offsetDigits + 2 + 49 + 1; }

QString HexLine(int64_t offset, const unsigned char* bytes, int64_t count, int offsetDigits) {
    static const char digits[] = "0123456789ABCDEF";
    const int64_t got = std::clamp<int64_t>(count, 0, kHexLineBytes);
    QString line;
    line.reserve(HexAsciiColumn(offsetDigits) + kHexLineBytes);
    line += QString::number(static_cast<qulonglong>(offset), 16)
                .toUpper()
                .rightJustified(offsetDigits, QLatin1Char('0'));
    line += QLatin1String("  ");
    for (int i = 0; i < kHexLineBytes; ++i) {
        if (i == 8) line += QLatin1Char(' ');
        if (i < got) {
            line += QLatin1Char(digits[bytes[i] >> 4]);
            line += QLatin1Char(digits[bytes[i] & 15]);
            line += QLatin1Char(' ');
        } else {
            line += QLatin1String("   ");
        }
    }
    line += QLatin1Char(' ');
    for (int i = 0; i < got; ++i)
        line += (bytes[i] >= 32 && bytes[i] < 127) ? QLatin1Char(static_cast<char>(bytes[i]))
                                                  : QLatin1Char('.');
    return line;
}

int HexByteAtColumn(int column, int offsetDigits) {
    const int ascii = HexAsciiColumn(offsetDigits);
    if (column >= ascii) return std::min(column - ascii, kHexLineBytes);
    // Three columns a byte, and one more space between the two groups of eight.
    int k = column - (offsetDigits + 2);
    if (k >= 25) --k;
    return std::clamp(k / 3, 0, kHexLineBytes);
}

} // namespace quillon
