#include "inspect/strings.h"
#include "platform/filewindow.h"
#include "platform/paths.h"
#include "shell/dialogs.h"
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

constexpr int64_t kBlock = 2048;
// Reading 512 blocks at a time keeps the system calls few; the blocks inside
// are still handled one by one.
constexpr int64_t kReadSize = kBlock * 512;
constexpr size_t kFlushSize = 4u << 20;

constexpr std::array<bool, 256> printableTable() {
    std::array<bool, 256> table{};
    for (int c = 'A'; c <= 'Z'; ++c) table[static_cast<size_t>(c)] = true;
    for (int c = 'a'; c <= 'z'; ++c) table[static_cast<size_t>(c)] = true;
    for (int c = '0'; c <= '9'; ++c) table[static_cast<size_t>(c)] = true;
    table[' '] = true;
    return table;
}
constexpr std::array<bool, 256> kPrintable = printableTable();

// Bit k set when byte k of the 64 is a letter, a digit or a blank.
uint64_t printableMask(const unsigned char* p) {
#if defined(__SSE2__)
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    // Unsigned "x - low < span" as a signed comparison after flipping the top bit.
    const auto within = [&](__m128i v, char low, int span) {
        const __m128i shifted = _mm_xor_si128(_mm_sub_epi8(v, _mm_set1_epi8(low)), flip);
        return _mm_cmplt_epi8(shifted, _mm_set1_epi8(static_cast<char>(-128 + span)));
    };
    uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i letter = within(_mm_or_si128(v, _mm_set1_epi8(0x20)), 'a', 26);
        const __m128i digit = within(v, '0', 10);
        const __m128i blank = _mm_cmpeq_epi8(v, _mm_set1_epi8(' '));
        const auto bits = static_cast<uint32_t>(
            _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(letter, digit), blank)));
        mask |= static_cast<uint64_t>(bits) << (16 * k);
    }
    return mask;
#else
    uint64_t mask = 0;
    for (int k = 0; k < 64; ++k) mask |= static_cast<uint64_t>(kPrintable[p[k]]) << k;
    return mask;
#endif
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

bool ExtractStrings(const std::string& source, const std::string& destination, int minimum,
                    int maximum) {
    ReadOnlyFile in;
    if (in.open(source) != 0) {
        ShowErrorMessage("Could not open file " + DisplayPath(source));
        return false;
    }
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(destination.c_str(), "wb"));
    if (!out) {
        ShowErrorMessage("Could not write file " + DisplayPath(destination));
        return false;
    }
    in.adviseSequential();

    // A run is kept when longer than `minimum`; it grows while it is shorter
    // than `minimum` or at most `maximum` long, so it holds at most `cap`.
    const int64_t keepAbove = std::max(minimum, 0);
    const int64_t cap = std::max<int64_t>(keepAbove, int64_t{std::max(maximum, 0)} + 1);
    // 64 bytes of slack so the last block can be examined 64 bytes at a time.
    std::vector<unsigned char> buffer(static_cast<size_t>(kReadSize) + 64);
    // Lines are gathered in `pending` and written in large pieces; the line
    // written last is the tail of `pending` (or, just after a write, `last`).
    std::string pending;
    pending.reserve(kFlushSize + 2 * static_cast<size_t>(kReadSize));
    std::string last;
    size_t lastAt = std::string::npos; // where the last line starts in `pending`
    int64_t lastLength = -1;           // -1: nothing written yet
    bool ok = true;

    const auto runEnds = [&](const unsigned char* start, const unsigned char* end) {
        const int64_t length = end - start;
        if (length <= keepAbove) return;
        const int64_t kept = std::min(length, cap);
        const char* text = reinterpret_cast<const char*>(start);
        if (kept == lastLength) {
            const char* previous = lastAt != std::string::npos ? pending.data() + lastAt : last.data();
            if (std::memcmp(previous, text, static_cast<size_t>(kept)) == 0) return;
        }
        lastAt = pending.size();
        lastLength = kept;
        pending.append(text, static_cast<size_t>(kept));
        pending += '\n';
    };
    const auto flush = [&] {
        if (lastAt != std::string::npos) {
            last.assign(pending, lastAt, static_cast<size_t>(lastLength));
            lastAt = std::string::npos;
        }
        ok = std::fwrite(pending.data(), 1, pending.size(), out.get()) == pending.size();
        pending.clear();
    };

    for (int64_t offset = 0;;) {
        const int64_t got = in.read(offset, buffer.data(), kReadSize);
        if (got <= 0) break;
        std::fill(buffer.begin() + got, buffer.begin() + got + 64, static_cast<unsigned char>(' '));
        for (int64_t blockStart = 0; blockStart < got; blockStart += kBlock) {
            // Each block starts with an empty run; one still open at its end is dropped.
            const int64_t blockEnd = std::min(blockStart + kBlock, got);
            const unsigned char* runStart = nullptr;
            bool previousPrintable = false;
            for (int64_t at = blockStart; at < blockEnd; at += 64) {
                const unsigned char* p = buffer.data() + at;
                uint64_t mask = printableMask(p);
                if (blockEnd - at < 64) mask |= ~uint64_t{0} << (blockEnd - at); // past the data
                const uint64_t before = (mask << 1) | (previousPrintable ? 1 : 0);
                // Starts and ends of runs alternate.
                uint64_t edges = mask ^ before;
                while (edges) {
                    const int bit = __builtin_ctzll(edges);
                    edges &= edges - 1;
                    if (mask >> bit & 1) runStart = p + bit;
                    else if (runStart) runEnds(runStart, p + bit);
                }
                previousPrintable = mask >> 63;
            }
        }
        if (pending.size() >= kFlushSize) {
            flush();
            if (!ok) break;
        }
        offset += got;
        if (got < kReadSize) break;
    }
    if (ok && !pending.empty()) flush();
    if (std::fclose(out.release()) != 0) ok = false;
    if (!ok) ShowErrorMessage("Could not write file " + DisplayPath(destination));
    return ok;
}

} // namespace quillon
