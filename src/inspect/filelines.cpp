#include "inspect/filelines.h"
#include "platform/textcase.h"
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

constexpr int64_t kCountBuffer = 4 * 1024 * 1024;
constexpr int64_t kSearchChunk = 4 * 1024 * 1024;
constexpr int64_t kSmallRead = 4096;
constexpr int64_t kLargeRead = 64 * 1024;

// Bits set in a word, without the library call that the baseline x86-64
// instruction set would otherwise need.
inline int64_t bitCount(uint64_t x) {
    x = x - ((x >> 1) & 0x5555555555555555ULL);
    x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
    return static_cast<int64_t>((x * 0x0101010101010101ULL) >> 56);
}

// Horspool search, optionally folding ASCII letters.
class Searcher {
public:
    Searcher(const std::string& pattern, bool matchCase) : fold_(!matchCase) {
        for (int c = 0; c < 256; ++c)
            map_[static_cast<size_t>(c)] =
                fold_ ? FoldAscii(static_cast<unsigned char>(c)) : static_cast<unsigned char>(c);
        pattern_.reserve(pattern.size());
        for (char c : pattern) pattern_.push_back(map_[static_cast<unsigned char>(c)]);
        const size_t m = pattern_.size();
        skip_.fill(m);
        for (size_t i = 0; i + 1 < m; ++i) skip_[pattern_[i]] = m - 1 - i;
    }
    size_t length() const { return pattern_.size(); }
    // Offset of the first match in [p, p + n), or -1.
    int64_t first(const unsigned char* p, int64_t n) const {
        const int64_t m = static_cast<int64_t>(pattern_.size());
        if (m == 0 || n < m) return -1;
        const unsigned char lastWanted = pattern_[static_cast<size_t>(m - 1)];
        int64_t i = 0;
        while (i + m <= n) {
            const unsigned char last = map_[p[i + m - 1]];
            if (last == lastWanted && matchesAt(p + i)) return i;
            i += static_cast<int64_t>(skip_[last]);
        }
        return -1;
    }

private:
    bool matchesAt(const unsigned char* p) const {
        for (size_t k = 0; k + 1 < pattern_.size(); ++k)
            if (map_[p[k]] != pattern_[k]) return false;
        return true;
    }
    bool fold_;
    std::array<unsigned char, 256> map_{};
    std::vector<unsigned char> pattern_;
    std::array<size_t, 256> skip_{};
};

} // namespace

int FileLines::open(const std::string& path) {
    close();
    if (path.empty()) return ENOENT;
    const int error = file_.open(path);
    if (error) return error;
    size_ = file_.size();
    checkpoints_.push_back({0, 0});
    if (size_ == 0) finishCount(0);
    return 0;
}

void FileLines::close() {
    file_.close();
    size_ = 0;
    checkpoints_.clear();
    scanned_ = 0;
    newlines_ = 0;
    lastByte_ = '\n';
    countDone_ = false;
    lineCount_ = 0;
}

void FileLines::finishCount(int64_t end) {
    size_ = end;
    scanned_ = end;
    lineCount_ = newlines_ + ((end > 0 && lastByte_ != '\n') ? 1 : 0);
    countDone_ = true;
    countBuffer_.clear();
    countBuffer_.shrink_to_fit();
}

bool FileLines::countSome(int64_t bytes) {
    if (countDone_) return true;
    if (!file_.isOpen()) return true;
    if (countBuffer_.empty()) countBuffer_.resize(static_cast<size_t>(kCountBuffer));
    while (bytes > 0) {
        const int64_t want = std::min({bytes, kCountBuffer, size_ - scanned_});
        if (want <= 0) {
            finishCount(scanned_);
            return true;
        }
        const int64_t got = file_.read(scanned_, countBuffer_.data(), want);
        if (got <= 0) {
            // The file shrank: what could be read is all there is.
            finishCount(scanned_);
            return true;
        }
        scanChunk(countBuffer_.data(), got, scanned_);
        lastByte_ = countBuffer_[static_cast<size_t>(got - 1)];
        scanned_ += got;
        bytes -= got;
        if (got < want) {
            finishCount(scanned_);
            return true;
        }
    }
    if (scanned_ >= size_) finishCount(scanned_);
    return countDone_;
}

void FileLines::countAll() {
    while (!countSome(64 * 1024 * 1024)) {
    }
}

void FileLines::scanChunk(const char* data, int64_t length, int64_t base) {
    int64_t i = 0;
    const auto onNewline = [&](int64_t at) {
        ++newlines_;
        const int64_t start = base + at + 1;
        if (newlines_ % kCheckpointLines == 0 ||
            start - checkpoints_.back().offset >= kCheckpointBytes)
            checkpoints_.push_back({newlines_, start});
    };
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    for (; i + 64 <= length; i += 64) {
        const char* p = data + i;
        const auto maskOf = [&](int k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
            return static_cast<uint64_t>(
                static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf))));
        };
        uint64_t mask = maskOf(0) | (maskOf(1) << 16) | (maskOf(2) << 32) | (maskOf(3) << 48);
        if (!mask) continue;
        const int64_t found = bitCount(mask);
        const bool lineMark =
            (newlines_ + found) / kCheckpointLines != newlines_ / kCheckpointLines;
        const bool byteMark = base + i + 64 - checkpoints_.back().offset >= kCheckpointBytes;
        if (!lineMark && !byteMark) {
            newlines_ += found;
            continue;
        }
        while (mask) {
            onNewline(i + __builtin_ctzll(mask));
            mask &= mask - 1;
        }
    }
#endif
    for (; i < length; ++i)
        if (data[i] == '\n') onNewline(i);
}

size_t FileLines::checkpointAtOrBefore(int64_t offset) const {
    const auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), offset,
                                     [](int64_t o, const Checkpoint& c) { return o < c.offset; });
    return it == checkpoints_.begin() ? 0 : static_cast<size_t>(it - checkpoints_.begin() - 1);
}

int64_t FileLines::firstNewline(int64_t from, int64_t to) const {
    to = std::min(to, size_);
    std::vector<char> buffer;
    int64_t chunk = kSmallRead;
    while (from < to) {
        const int64_t want = std::min(chunk, to - from);
        buffer.resize(static_cast<size_t>(want));
        const int64_t got = file_.read(from, buffer.data(), want);
        if (got <= 0) return -1;
        if (const void* hit = std::memchr(buffer.data(), '\n', static_cast<size_t>(got)))
            return from + (static_cast<const char*>(hit) - buffer.data());
        if (got < want) return -1;
        from += got;
        chunk = kLargeRead;
    }
    return -1;
}

int64_t FileLines::lastNewline(int64_t from, int64_t to) const {
    to = std::min(to, size_);
    std::vector<char> buffer;
    int64_t chunk = kSmallRead;
    while (to > from) {
        const int64_t begin = std::max(from, to - chunk);
        const int64_t want = to - begin;
        buffer.resize(static_cast<size_t>(want));
        const int64_t got = file_.read(begin, buffer.data(), want);
        if (got > 0)
            if (const void* hit = memrchr(buffer.data(), '\n', static_cast<size_t>(got)))
                return begin + (static_cast<const char*>(hit) - buffer.data());
        to = begin;
        chunk = kLargeRead;
    }
    return -1;
}

int64_t FileLines::countNewlines(int64_t from, int64_t to) const {
    to = std::min(to, size_);
    std::vector<char> buffer;
    int64_t count = 0;
    while (from < to) {
        const int64_t want = std::min(kLargeRead, to - from);
        buffer.resize(static_cast<size_t>(want));
        const int64_t got = file_.read(from, buffer.data(), want);
        if (got <= 0) break;
        count += std::count(buffer.begin(), buffer.begin() + got, '\n');
        from += got;
    }
    return count;
}

int64_t FileLines::lineStart(int64_t line) {
    if (!file_.isOpen() || line < 0) return -1;
    while (!countDone_ && newlines_ < line) countSome(kCountPerTick);
    if (countDone_ && line >= lineCount_) return -1;
    const auto it = std::upper_bound(checkpoints_.begin(), checkpoints_.end(), line,
                                     [](int64_t l, const Checkpoint& c) { return l < c.line; });
    const Checkpoint cp = *(it - 1);
    const Step step = stepLines(cp.offset, line - cp.line);
    return step.moved == line - cp.line && step.start < size_ ? step.start : -1;
}

int64_t FileLines::lineStartContaining(int64_t offset) const {
    if (!file_.isOpen() || size_ == 0) return -1;
    offset = std::clamp<int64_t>(offset, 0, size_ - 1);
    if (offset < scanned_ || countDone_) {
        // Line starts between two checkpoints lie within kCheckpointBytes of
        // the first of them.
        const Checkpoint& cp = checkpoints_[checkpointAtOrBefore(offset)];
        const int64_t nl =
            lastNewline(cp.offset, std::min(offset, cp.offset + kCheckpointBytes));
        return nl < 0 ? cp.offset : nl + 1;
    }
    // Past the counted part: back to the last LF, or to the counted part.
    const int64_t nl = lastNewline(scanned_, offset);
    if (nl >= 0) return nl + 1;
    if (scanned_ == 0) return 0;
    if (lastByte_ == '\n') return scanned_;
    const Checkpoint& cp = checkpoints_[checkpointAtOrBefore(scanned_ - 1)];
    const int64_t counted =
        lastNewline(cp.offset, std::min(scanned_ - 1, cp.offset + kCheckpointBytes));
    return counted < 0 ? cp.offset : counted + 1;
}

int64_t FileLines::nextLineStart(int64_t start) const {
    if (!file_.isOpen() || start < 0 || start >= size_) return -1;
    if (start < scanned_) {
        const size_t at = checkpointAtOrBefore(start);
        if (at + 1 < checkpoints_.size()) {
            // Line starts between two checkpoints lie within kCheckpointBytes
            // of the first; past that the next one is the next checkpoint.
            const int64_t nextMark = checkpoints_[at + 1].offset;
            const int64_t limit = std::min(nextMark, checkpoints_[at].offset + kCheckpointBytes);
            const int64_t nl = limit > start ? firstNewline(start, limit) : -1;
            const int64_t next = nl >= 0 ? nl + 1 : nextMark;
            return next < size_ ? next : -1;
        }
    }
    const int64_t nl = firstNewline(start, size_);
    return (nl >= 0 && nl + 1 < size_) ? nl + 1 : -1;
}

int64_t FileLines::previousLineStart(int64_t start) const {
    if (start <= 0 || start > size_) return -1;
    return lineStartContaining(start - 1);
}

int64_t FileLines::lastLineStart() const {
    if (size_ == 0) return -1;
    return lineStartContaining(size_ - 1);
}

std::optional<int64_t> FileLines::lineNumberAt(int64_t start) const {
    if (!file_.isOpen() || start < 0) return std::nullopt;
    if (start > scanned_) return std::nullopt;
    const Checkpoint& cp = checkpoints_[checkpointAtOrBefore(start)];
    return cp.line + countNewlines(cp.offset, start);
}

FileLines::Step FileLines::stepLines(int64_t start, int64_t lines) const {
    Step step{start, 0};
    for (; step.moved < lines; ++step.moved) {
        const int64_t next = nextLineStart(step.start);
        if (next < 0) break;
        step.start = next;
    }
    for (; step.moved > lines; --step.moved) {
        const int64_t previous = previousLineStart(step.start);
        if (previous < 0) break;
        step.start = previous;
    }
    return step;
}

int64_t FileLines::findForward(const std::string& pattern, bool matchCase, int64_t from,
                               const std::function<bool(int64_t)>& accept) const {
    const Searcher searcher(pattern, matchCase);
    const int64_t m = static_cast<int64_t>(searcher.length());
    if (m == 0 || !file_.isOpen()) return -1;
    std::vector<unsigned char> buffer(static_cast<size_t>(kSearchChunk));
    int64_t pos = std::max<int64_t>(from, 0);
    while (pos + m <= size_) {
        const int64_t want = std::min(kSearchChunk, size_ - pos);
        const int64_t got = file_.read(pos, buffer.data(), want);
        if (got < m) return -1;
        int64_t k = 0;
        for (;;) {
            const int64_t hit = searcher.first(buffer.data() + k, got - k);
            if (hit < 0) break;
            if (!accept || accept(pos + k + hit)) return pos + k + hit;
            k += hit + 1;
        }
        if (got < want) return -1;
        pos += got - (m - 1);
    }
    return -1;
}

int64_t FileLines::findBackward(const std::string& pattern, bool matchCase, int64_t before,
                                const std::function<bool(int64_t)>& accept) const {
    const Searcher searcher(pattern, matchCase);
    const int64_t m = static_cast<int64_t>(searcher.length());
    if (m == 0 || !file_.isOpen()) return -1;
    std::vector<unsigned char> buffer(static_cast<size_t>(kSearchChunk));
    int64_t hi = std::min(before, size_);
    std::vector<int64_t> hits;
    while (hi - m >= 0) {
        const int64_t lo = std::max<int64_t>(0, hi - kSearchChunk);
        const int64_t got = file_.read(lo, buffer.data(), hi - lo);
        hits.clear();
        for (int64_t k = 0;;) {
            const int64_t hit = searcher.first(buffer.data() + k, got - k);
            if (hit < 0) break;
            hits.push_back(lo + k + hit);
            k += hit + 1;
        }
        for (auto it = hits.rbegin(); it != hits.rend(); ++it)
            if (!accept || accept(*it)) return *it;
        if (lo == 0) break;
        hi = lo + m - 1;
    }
    return -1;
}

} // namespace quillon
