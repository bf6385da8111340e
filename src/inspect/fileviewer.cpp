#include "inspect/fileviewer.h"
#include "platform/textcase.h"
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <array>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillon {

namespace {

constexpr int64_t kCountBuffer = 4 * 1024 * 1024;
constexpr int64_t kCountPerTick = 8 * 1024 * 1024;
constexpr int64_t kSearchChunk = 4 * 1024 * 1024;
constexpr int64_t kSmallRead = 4096;
constexpr int64_t kLargeRead = 64 * 1024;
// Bytes read for one shown line: 1,023 characters never need more than four
// bytes each.
constexpr int64_t kShownBytes = 4096;
constexpr int kFractionRange = 1 << 20;
constexpr int kMargin = 2;

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

// Decodes a line's bytes into what is shown, expanding tabs.
void decodeShown(const unsigned char* p, int64_t n, bool cut, bool expandTabs, int tabSize,
                 int maxChars, ShownLine& out) {
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
            const int width = expandTabs ? tabSize - static_cast<int>(text.size() % tabSize) : 1;
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
}

int hexDigitsFor(int64_t size) {
    int digits = 1;
    for (uint64_t v = static_cast<uint64_t>(std::max<int64_t>(size - 1, 0)) >> 4; v; v >>= 4) ++digits;
    return std::max(digits, 8);
}

} // namespace

// ---------------------------------------------------------------------------
// FileLines

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
    int64_t start = cp.offset;
    for (int64_t k = cp.line; k < line; ++k) {
        const int64_t nl = firstNewline(start, size_);
        if (nl < 0) return -1;
        start = nl + 1;
    }
    return start < size_ ? start : -1;
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

// ---------------------------------------------------------------------------
// FileViewer

FileViewer::FileViewer(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    countTimer_.setInterval(0);
    connect(&countTimer_, &QTimer::timeout, this, [this] { countTick(); });
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this](int action) { scrollBarAction(action); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { scrollBarMoved(value); });
    updateScrollBars();
}

bool FileViewer::openFile(const std::string& path) {
    closeFile();
    fileName_ = path;
    openError_ = doc_.open(path);
    if (openError_ == 0) {
        hexOffsetDigits_ = hexDigitsFor(doc_.size());
        if (!doc_.countDone()) countTimer_.start();
    }
    resetPositions();
    changed();
    return openError_ == 0;
}

void FileViewer::closeFile() {
    countTimer_.stop();
    doc_.close();
    fileName_.clear();
    openError_ = 0;
    resetPositions();
}

void FileViewer::resetPositions() {
    top_ = caret_ = anchor_ = Pos{};
    rowsValid_ = false;
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

void FileViewer::countTick() {
    if (doc_.countSome(kCountPerTick) || !doc_.isOpen()) {
        countTimer_.stop();
        rowsValid_ = false;
        clampTop();
        updateScrollBars();
        changed();
    }
}

void FileViewer::countLines() {
    if (!doc_.isOpen() || doc_.countDone()) return;
    doc_.countAll();
    countTick();
}

void FileViewer::changed() {
    viewport()->update();
    emit statusChanged();
}

int FileViewer::charWidth() const { return std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0'))); }

int FileViewer::visibleRows() const {
    return std::max(1, viewport()->height() / std::max(1, fontMetrics().lineSpacing()));
}

bool FileViewer::before(const Pos& a, const Pos& b) {
    return a.start < b.start || (a.start == b.start && a.column < b.column);
}

// --- navigation -------------------------------------------------------------

int64_t FileViewer::nextStart(int64_t start) const {
    if (!doc_.isOpen()) return -1;
    if (hex_) return start + 16 < doc_.size() ? start + 16 : -1;
    return doc_.nextLineStart(start);
}

int64_t FileViewer::previousStart(int64_t start) const {
    if (!doc_.isOpen() || start <= 0) return -1;
    if (hex_) return start - 16;
    return doc_.previousLineStart(start);
}

int64_t FileViewer::lastStart() const {
    if (!doc_.isOpen() || doc_.size() == 0) return -1;
    if (hex_) return (doc_.size() - 1) / 16 * 16;
    return doc_.lastLineStart();
}

int64_t FileViewer::startOfLine(int64_t line) {
    if (!doc_.isOpen() || line < 0) return -1;
    if (hex_) return line * 16 < doc_.size() ? line * 16 : -1;
    return doc_.lineStart(line);
}

int64_t FileViewer::numberOf(const Pos& pos) const {
    if (pos.line >= 0) return pos.line;
    if (hex_) return pos.start / 16;
    return doc_.lineNumberAt(pos.start).value_or(-1);
}

int FileViewer::hexAsciiColumn() const { return hexOffsetDigits_ + 2 + 49 + 1; }

QString FileViewer::hexLine(int64_t start) const {
    unsigned char bytes[16];
    const int64_t got = doc_.read(start, bytes, 16);
    static const char digits[] = "0123456789ABCDEF";
    QString line;
    line.reserve(hexAsciiColumn() + 16);
    line += QString::number(static_cast<qulonglong>(start), 16)
                .toUpper()
                .rightJustified(hexOffsetDigits_, QLatin1Char('0'));
    line += QLatin1String("  ");
    for (int i = 0; i < 16; ++i) {
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

ShownLine FileViewer::shownLine(int64_t start) const {
    ShownLine shown;
    if (hex_) {
        shown.text = hexLine(start);
        shown.nextStart = nextStart(start);
        return shown;
    }
    unsigned char buffer[kShownBytes];
    const int64_t got = start >= 0 ? doc_.read(start, buffer, kShownBytes) : 0;
    const void* nl = got > 0 ? std::memchr(buffer, '\n', static_cast<size_t>(got)) : nullptr;
    int64_t length = nl ? static_cast<const unsigned char*>(nl) - buffer : got;
    const bool complete = nl || start + got >= doc_.size() || got < kShownBytes;
    if (nl) shown.nextStart = start + length + 1 < doc_.size() ? start + length + 1 : -1;
    else if (complete) shown.nextStart = -1;
    if (complete && length > 0 && buffer[length - 1] == '\r') --length;
    decodeShown(buffer, length, !complete, tabExpansion_, tabSize_, kMaxLineChars, shown);
    return shown;
}

int FileViewer::lineLength(int64_t start) const {
    return static_cast<int>(shownLine(start).text.size());
}

FileViewer::Pos FileViewer::positionOfByte(int64_t offset, bool end) const {
    Pos pos;
    if (hex_) {
        // In the ASCII column; an end just after a line's last byte stays on that line.
        const int64_t byte = end && offset > 0 ? offset - 1 : offset;
        pos.start = byte / 16 * 16;
        pos.line = byte / 16;
        pos.column = hexAsciiColumn() + static_cast<int>(byte % 16) + (end && offset > 0 ? 1 : 0);
        return pos;
    }
    pos.start = std::max<int64_t>(doc_.lineStartContaining(offset), 0);
    pos.line = -1;
    const ShownLine shown = shownLine(pos.start);
    const auto it = std::lower_bound(shown.byteOf.begin(), shown.byteOf.end(),
                                     static_cast<int32_t>(std::min<int64_t>(offset - pos.start, kShownBytes)));
    pos.column = static_cast<int>(std::min<ptrdiff_t>(it - shown.byteOf.begin(), shown.text.size()));
    return pos;
}

int64_t FileViewer::byteOfPosition(const Pos& pos) const {
    if (hex_) {
        const int ascii = hexAsciiColumn();
        int index = 0;
        if (pos.column >= ascii) {
            index = std::min(pos.column - ascii, 16);
        } else {
            int k = pos.column - (hexOffsetDigits_ + 2);
            if (k >= 25) --k;
            index = std::clamp(k / 3, 0, 16);
        }
        return std::min(pos.start + index, doc_.size());
    }
    const ShownLine shown = shownLine(pos.start);
    const size_t column = std::min<size_t>(static_cast<size_t>(std::max(pos.column, 0)),
                                           shown.byteOf.size() - 1);
    return pos.start + shown.byteOf[column];
}

bool FileViewer::acceptMatch(int64_t offset, int64_t length) const {
    if (hex_) return true;
    // The line start lies within kShownBytes before the match, or the match is
    // beyond what the line shows.
    const int64_t from = std::max<int64_t>(0, offset - kShownBytes);
    unsigned char buffer[kShownBytes];
    const int64_t got = doc_.read(from, buffer, offset - from);
    int64_t start = -1;
    if (got > 0)
        if (const void* nl = memrchr(buffer, '\n', static_cast<size_t>(got)))
            start = from + (static_cast<const unsigned char*>(nl) - buffer) + 1;
    if (start < 0) {
        if (from > 0) return false;
        start = 0;
    }
    const ShownLine shown = shownLine(start);
    return offset + length - start <= shown.byteOf.back();
}

// --- modes ------------------------------------------------------------------

void FileViewer::setHexMode(bool on) {
    if (on == hex_) return;
    const int64_t byte = top_.start;
    hex_ = on;
    Pos top;
    if (doc_.isOpen() && doc_.size() > 0) {
        top.start = hex_ ? byte / 16 * 16 : std::max<int64_t>(doc_.lineStartContaining(byte), 0);
        top.line = hex_ ? byte / 16 : -1;
    }
    top_ = caret_ = anchor_ = top;
    rowsValid_ = false;
    horizontalScrollBar()->setValue(0);
    clampTop();
    updateScrollBars();
    changed();
}

void FileViewer::setTabExpansion(bool on) {
    if (on == tabExpansion_) return;
    tabExpansion_ = on;
    rowsValid_ = false;
    caret_.column = std::min(caret_.column, lineLength(caret_.start));
    anchor_ = caret_;
    changed();
}

void FileViewer::setTabSize(int size) {
    if (size < 1 || size > 255 || size == tabSize_) return;
    tabSize_ = size;
    rowsValid_ = false;
    caret_.column = std::min(caret_.column, lineLength(caret_.start));
    anchor_ = caret_;
    changed();
}

void FileViewer::setViewerFont(const QFont& font) { setFont(font); }

void FileViewer::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        viewport()->setFont(font());
        rowsValid_ = false;
        clampTop();
        updateScrollBars();
        changed();
    }
}

// --- status -----------------------------------------------------------------

int64_t FileViewer::caretLine() const { return numberOf(caret_); }
int64_t FileViewer::topLine() const { return numberOf(top_); }

int64_t FileViewer::lineCount() const {
    if (!doc_.isOpen()) return 0;
    if (hex_) return (doc_.size() + 15) / 16;
    return doc_.countDone() ? doc_.lineCount() : kUnknownLineCount;
}

// --- selection --------------------------------------------------------------

bool FileViewer::hasSelection() const {
    return anchor_.start != caret_.start || anchor_.column != caret_.column;
}

FileViewer::TextPosition FileViewer::selectionStart() const {
    const Pos& p = before(caret_, anchor_) ? caret_ : anchor_;
    return {numberOf(p), p.column};
}

FileViewer::TextPosition FileViewer::selectionEnd() const {
    const Pos& p = before(caret_, anchor_) ? anchor_ : caret_;
    return {numberOf(p), p.column};
}

void FileViewer::setSelection(int64_t startLine, int startColumn, int64_t endLine,
                              int endColumn) {
    const int64_t a = startOfLine(startLine);
    const int64_t b = startOfLine(endLine);
    if (a < 0 || b < 0) return;
    anchor_ = {a, startLine, std::clamp(startColumn, 0, lineLength(a))};
    caret_ = {b, endLine, std::clamp(endColumn, 0, lineLength(b))};
    ensureCaretVisible();
    changed();
}

void FileViewer::clearSelection() {
    anchor_ = caret_;
    changed();
}

void FileViewer::selectAll() {
    const int64_t last = lastStart();
    if (last < 0) return;
    anchor_ = Pos{0, 0, 0};
    caret_ = Pos{last, -1, lineLength(last)};
    if (hex_) caret_.line = last / 16;
    ensureCaretVisible();
    changed();
}

QString FileViewer::selectedText(bool* tooLarge) const {
    if (tooLarge) *tooLarge = false;
    if (!hasSelection()) return {};
    const Pos& from = before(caret_, anchor_) ? caret_ : anchor_;
    const Pos& to = before(caret_, anchor_) ? anchor_ : caret_;
    QString text;
    for (int64_t start = from.start; start >= 0;) {
        const ShownLine shown = shownLine(start);
        const int begin = start == from.start ? std::min<int>(from.column, shown.text.size()) : 0;
        const int end = start == to.start ? std::min<int>(to.column, shown.text.size())
                                          : static_cast<int>(shown.text.size());
        if (start != from.start) text += QLatin1Char('\n');
        text += shown.text.mid(begin, std::max(0, end - begin));
        if (text.size() > kMaxCopyChars) {
            if (tooLarge) *tooLarge = true;
            return {};
        }
        if (start >= to.start) break;
        start = shown.nextStart != -2 ? shown.nextStart : nextStart(start);
    }
    return text;
}

bool FileViewer::copyToClipboard() {
    bool tooLarge = false;
    const QString text = selectedText(&tooLarge);
    if (tooLarge) return false;
    if (hasSelection()) QGuiApplication::clipboard()->setText(text);
    return true;
}

// --- search and jumps -------------------------------------------------------

bool FileViewer::find(const QString& text, bool backward, bool matchCase, bool global) {
    if (!doc_.isOpen() || text.isEmpty()) return false;
    const QByteArray utf8 = text.toUtf8();
    const std::string pattern(utf8.constData(), static_cast<size_t>(utf8.size()));
    const int64_t length = static_cast<int64_t>(pattern.size());
    const auto accept = [&](int64_t at) { return acceptMatch(at, length); };
    int64_t at = -1;
    if (!backward) {
        const int64_t from = global ? 0 : byteOfPosition(caret_);
        at = doc_.findForward(pattern, matchCase, from, accept);
    } else {
        const int64_t before = global ? doc_.size() : byteOfPosition(caret_);
        at = doc_.findBackward(pattern, matchCase, before, accept);
    }
    if (at < 0) return false;
    const Pos first = positionOfByte(at);
    const Pos last = positionOfByte(at + length, true);
    if (backward) {
        caret_ = first;
        ensureCaretVisible();
        anchor_ = last;
    } else {
        caret_ = first;
        ensureCaretVisible();
        caret_ = last;
        anchor_ = first;
        ensureCaretVisible();
    }
    changed();
    return true;
}

void FileViewer::goToLine(int64_t line) {
    if (!doc_.isOpen() || doc_.size() == 0) return;
    line = std::max<int64_t>(line, 0);
    int64_t start = startOfLine(line);
    if (start < 0) {
        start = lastStart();
        line = lineCount() - 1;
    }
    if (start < 0) return;
    caret_ = anchor_ = Pos{start, line, 0};
    setTop(caret_);
    clampTop();
    horizontalScrollBar()->setValue(0);
    changed();
}

void FileViewer::moveCaretTo(int64_t line, int column, bool extendSelection) {
    const int64_t start = startOfLine(line);
    if (start < 0) return;
    moveCaret(Pos{start, line, std::clamp(column, 0, lineLength(start))}, extendSelection);
}

QString FileViewer::lineText(int64_t line) {
    const int64_t start = startOfLine(line);
    if (start < 0) return {};
    return shownLine(start).text;
}

void FileViewer::forEachLine(int64_t first, int64_t last,
                             const std::function<bool(const QString&)>& each) {
    int64_t start = startOfLine(first);
    for (int64_t line = first; line <= last && start >= 0; ++line) {
        const ShownLine shown = shownLine(start);
        if (!each(shown.text)) return;
        start = shown.nextStart != -2 ? shown.nextStart : nextStart(start);
    }
}

// --- scrolling --------------------------------------------------------------

void FileViewer::setTop(Pos top) {
    top.column = 0;
    if (top.start != top_.start) rowsValid_ = false;
    top_ = top;
    updateScrollBars();
    viewport()->update();
}

void FileViewer::clampTop() {
    const int64_t last = lastStart();
    if (last < 0) {
        if (top_.start != 0) setTop(Pos{});
        return;
    }
    // The highest top that still fills the window.
    int64_t highest = last;
    int steps = 0;
    for (int i = 1; i < visibleRows(); ++i) {
        const int64_t previous = previousStart(highest);
        if (previous < 0) break;
        highest = previous;
        ++steps;
    }
    if (top_.start > highest) {
        Pos top{highest, -1, 0};
        if (hex_) top.line = highest / 16;
        else if (doc_.countDone()) top.line = doc_.lineCount() - 1 - steps;
        setTop(top);
    }
}

void FileViewer::scrollLines(int64_t delta) {
    if (!doc_.isOpen()) return;
    Pos top = top_;
    top.line = numberOf(top_);
    for (; delta > 0; --delta) {
        const int64_t next = nextStart(top.start);
        if (next < 0) break;
        top.start = next;
        if (top.line >= 0) ++top.line;
    }
    for (; delta < 0; ++delta) {
        const int64_t previous = previousStart(top.start);
        if (previous < 0) break;
        top.start = previous;
        if (top.line >= 0) --top.line;
    }
    setTop(top);
    clampTop();
    changed();
}

void FileViewer::ensureCaretVisible() {
    if (!doc_.isOpen()) return;
    if (caret_.start < top_.start) {
        setTop(Pos{caret_.start, numberOf(caret_), 0});
    } else {
        const auto& shown = rows();
        const size_t rowsShown = std::min(shown.size(), static_cast<size_t>(visibleRows()));
        if (rowsShown > 0 && caret_.start > shown[rowsShown - 1].start) {
            Pos top{caret_.start, numberOf(caret_), 0};
            for (int i = 1; i < visibleRows(); ++i) {
                const int64_t previous = previousStart(top.start);
                if (previous < 0) break;
                top.start = previous;
                if (top.line >= 0) --top.line;
            }
            setTop(top);
        }
    }
    // Horizontally.
    const ShownLine line = shownLine(caret_.start);
    const int x = fontMetrics().horizontalAdvance(line.text.left(caret_.column));
    QScrollBar* bar = horizontalScrollBar();
    const int width = viewport()->width() - 2 * kMargin;
    if (x < bar->value()) bar->setValue(std::max(0, x - charWidth() * 4));
    else if (x > bar->value() + width - charWidth())
        bar->setValue(x - width + charWidth() * 4);
}

void FileViewer::moveCaret(Pos pos, bool extend) {
    caret_ = pos;
    if (!extend) anchor_ = pos;
    ensureCaretVisible();
    changed();
}

void FileViewer::rebuildRows() {
    rows_.clear();
    if (doc_.isOpen() && doc_.size() > 0) {
        const int wanted = visibleRows() + 1;
        int64_t start = top_.start;
        for (int i = 0; i < wanted && start >= 0; ++i) {
            Row row{start, shownLine(start)};
            const int64_t next = row.shown.nextStart != -2 ? row.shown.nextStart : nextStart(start);
            rows_.push_back(std::move(row));
            start = next;
        }
    }
    rowsValid_ = true;
}

const std::vector<FileViewer::Row>& FileViewer::rows() {
    if (!rowsValid_) rebuildRows();
    return rows_;
}

void FileViewer::updateScrollBars() {
    QScrollBar* bar = verticalScrollBar();
    int maximum = 0;
    int value = 0;
    int page = visibleRows();
    if (doc_.isOpen() && doc_.size() > 0) {
        const int64_t count = lineCount();
        const bool byLines = (hex_ || doc_.countDone()) && count < (int64_t{1} << 30);
        scrollByLines_ = byLines;
        if (byLines) {
            maximum = static_cast<int>(std::max<int64_t>(0, count - visibleRows()));
            value = static_cast<int>(std::clamp<int64_t>(numberOf(top_), 0, maximum));
        } else {
            maximum = kFractionRange;
            value = static_cast<int>(top_.start * kFractionRange / std::max<int64_t>(doc_.size(), 1));
            page = std::max(1, static_cast<int>(int64_t{kFractionRange} * 4096 / std::max<int64_t>(doc_.size(), 1)));
        }
    }
    scrollValue_ = value;
    bar->setRange(0, maximum);
    bar->setPageStep(page);
    bar->setSingleStep(1);
    bar->setValue(value);

    QScrollBar* hbar = horizontalScrollBar();
    const int columns = hex_ ? hexAsciiColumn() + 17 : kMaxLineChars + 1;
    const int content = columns * charWidth() + 2 * kMargin;
    hbar->setRange(0, std::max(0, content - viewport()->width()));
    hbar->setPageStep(std::max(1, viewport()->width()));
    hbar->setSingleStep(charWidth());
}

void FileViewer::scrollBarAction(int action) {
    QScrollBar* bar = verticalScrollBar();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: scrollLines(1); break;
    case QAbstractSlider::SliderSingleStepSub: scrollLines(-1); break;
    case QAbstractSlider::SliderPageStepAdd: scrollLines(visibleRows() - 1); break;
    case QAbstractSlider::SliderPageStepSub: scrollLines(-(visibleRows() - 1)); break;
    case QAbstractSlider::SliderToMinimum: setTop(Pos{}); changed(); break;
    case QAbstractSlider::SliderToMaximum:
        setTop(Pos{std::max<int64_t>(lastStart(), 0), -1, 0});
        clampTop();
        changed();
        break;
    default: return;
    }
    // The slider shows where the top really is.
    bar->setSliderPosition(scrollValue_);
}

void FileViewer::scrollBarMoved(int value) {
    if (value == scrollValue_ || !doc_.isOpen() || doc_.size() == 0) return;
    Pos top;
    if (scrollByLines_) {
        top.start = std::max<int64_t>(startOfLine(value), 0);
        top.line = value;
    } else {
        const int64_t offset = int64_t{value} * doc_.size() / kFractionRange;
        top.start = std::max<int64_t>(doc_.lineStartContaining(offset), 0);
        top.line = -1;
    }
    setTop(top);
    clampTop();
    changed();
}

void FileViewer::scrollContentsBy(int, int) { viewport()->update(); }

void FileViewer::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    rowsValid_ = false;
    clampTop();
    updateScrollBars();
}

// --- painting and input -----------------------------------------------------

void FileViewer::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int lineHeight = metrics.lineSpacing();
    const int x0 = kMargin - horizontalScrollBar()->value();
    const bool selection = hasSelection();
    const Pos& from = before(caret_, anchor_) ? caret_ : anchor_;
    const Pos& to = before(caret_, anchor_) ? anchor_ : caret_;
    const QPalette& colours = palette();
    const auto& shown = rows();
    for (size_t i = 0; i < shown.size(); ++i) {
        const Row& row = shown[i];
        const int y = static_cast<int>(i) * lineHeight;
        const QString& text = row.shown.text;
        if (selection && row.start >= from.start && row.start <= to.start) {
            const int begin = row.start == from.start ? from.column : 0;
            const int end = row.start == to.start ? to.column : static_cast<int>(text.size()) + 1;
            const int left = x0 + metrics.horizontalAdvance(text.left(begin));
            int right = x0 + metrics.horizontalAdvance(text.left(end));
            if (end > text.size()) right += charWidth();
            painter.fillRect(QRect(left, y, right - left, lineHeight),
                             colours.brush(QPalette::Highlight));
            painter.setPen(colours.color(QPalette::Text));
            painter.save();
            painter.setClipRegion(QRegion(0, y, viewport()->width(), lineHeight) -
                                  QRegion(left, y, right - left, lineHeight));
            painter.drawText(x0, y + metrics.ascent(), text);
            painter.setClipRect(QRect(left, y, right - left, lineHeight));
            painter.setPen(colours.color(QPalette::HighlightedText));
            painter.drawText(x0, y + metrics.ascent(), text);
            painter.restore();
        } else {
            painter.setPen(colours.color(QPalette::Text));
            painter.drawText(x0, y + metrics.ascent(), text);
        }
        if (row.start == caret_.start && hasFocus()) {
            const int x = x0 + metrics.horizontalAdvance(text.left(caret_.column));
            painter.fillRect(QRect(x, y, 2, lineHeight), colours.color(QPalette::Text));
        }
    }
}

void FileViewer::keyPressEvent(QKeyEvent* event) {
    if (!doc_.isOpen()) {
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (event->matches(QKeySequence::Copy) ||
        (control && event->key() == Qt::Key_Insert)) {
        copyToClipboard();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    Pos pos = caret_;
    pos.line = numberOf(caret_);
    const auto lineUp = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const int64_t previous = previousStart(pos.start);
            if (previous < 0) {
                if (i == 0) pos.column = 0;
                break;
            }
            pos.start = previous;
            if (pos.line >= 0) --pos.line;
        }
        pos.column = std::min(pos.column, lineLength(pos.start));
    };
    const auto lineDown = [&](int count) {
        for (int i = 0; i < count; ++i) {
            const int64_t next = nextStart(pos.start);
            if (next < 0) {
                if (i == 0) pos.column = lineLength(pos.start);
                break;
            }
            pos.start = next;
            if (pos.line >= 0) ++pos.line;
        }
        pos.column = std::min(pos.column, lineLength(pos.start));
    };
    const int page = std::max(1, visibleRows() - 1);
    switch (event->key()) {
    case Qt::Key_Up: lineUp(1); break;
    case Qt::Key_Down: lineDown(1); break;
    case Qt::Key_PageUp:
        lineUp(page);
        scrollLines(-page);
        break;
    case Qt::Key_PageDown:
        lineDown(page);
        scrollLines(page);
        break;
    case Qt::Key_Left:
        if (pos.column > 0) {
            --pos.column;
        } else if (const int64_t previous = previousStart(pos.start); previous >= 0) {
            pos.start = previous;
            if (pos.line >= 0) --pos.line;
            pos.column = lineLength(previous);
        }
        break;
    case Qt::Key_Right:
        if (pos.column < lineLength(pos.start)) {
            ++pos.column;
        } else if (const int64_t next = nextStart(pos.start); next >= 0) {
            pos.start = next;
            if (pos.line >= 0) ++pos.line;
            pos.column = 0;
        }
        break;
    case Qt::Key_Home:
        if (control) pos = Pos{};
        else pos.column = 0;
        break;
    case Qt::Key_End:
        if (control) {
            const int64_t last = lastStart();
            if (last < 0) break;
            pos = Pos{last, -1, 0};
            if (hex_) pos.line = last / 16;
            else if (doc_.countDone()) pos.line = doc_.lineCount() - 1;
        }
        pos.column = lineLength(pos.start);
        break;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    moveCaret(pos, extend);
}

bool FileViewer::positionAt(const QPoint& point, Pos& pos) {
    const auto& shown = rows();
    if (shown.empty()) return false;
    const int lineHeight = std::max(1, fontMetrics().lineSpacing());
    const int index = std::clamp(point.y() / lineHeight, 0,
                                 static_cast<int>(std::min<size_t>(shown.size(), visibleRows())) - 1);
    const Row& row = shown[static_cast<size_t>(std::max(index, 0))];
    const QFontMetrics metrics(font());
    const int x = point.x() - kMargin + horizontalScrollBar()->value();
    int column = 0;
    int advance = 0;
    for (; column < row.shown.text.size(); ++column) {
        const int width = metrics.horizontalAdvance(row.shown.text[column]);
        if (advance + width / 2 > x) break;
        advance += width;
    }
    pos.start = row.start;
    pos.line = -1;
    if (numberOf(top_) >= 0) pos.line = numberOf(top_) + index;
    pos.column = column;
    return true;
}

void FileViewer::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    Pos pos;
    if (positionAt(event->position().toPoint(), pos))
        moveCaret(pos, event->modifiers() & Qt::ShiftModifier);
}

void FileViewer::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint point = event->position().toPoint();
    if (point.y() < 0) scrollLines(-1);
    else if (point.y() > viewport()->height()) scrollLines(1);
    Pos pos;
    if (positionAt(point, pos)) {
        caret_ = pos;
        changed();
    }
}

void FileViewer::wheelEvent(QWheelEvent* event) {
    const QPoint steps = event->angleDelta() / 120;
    if (steps.y() != 0) scrollLines(-3 * steps.y());
    if (steps.x() != 0)
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - steps.x() * charWidth() * 4);
    event->accept();
}

} // namespace quillon
