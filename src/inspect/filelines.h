#pragma once
// Where the lines of a file start, and byte search over it, for a file of any
// size read through small windows and never loaded whole.
//
// Lines end at LF. Lines are counted in the background, a few megabytes per
// event-loop turn, and every 1,024th line start (and the first line start at
// least 64 KiB after the previous one) is kept, so that finding any counted
// line, or the line before or after one, reads at most one such stretch.
// Before the count is complete, line starts past the counted part are found by
// scanning from a known position (the end of the file backwards, or a line
// start forwards); such positions are numbered once the count reaches them.
#include "platform/filewindow.h"
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillon {

class FileLines {
public:
    static constexpr int64_t kCheckpointLines = 1024;
    static constexpr int64_t kCheckpointBytes = 64 * 1024;
    // What one background count step reads.
    static constexpr int64_t kCountPerTick = 8 * 1024 * 1024;

    // 0 or an errno. An empty path closes.
    int open(const std::string& path);
    void close();
    bool isOpen() const { return file_.isOpen(); }
    // The size when opened; smaller once a count found that the file shrank.
    int64_t size() const { return size_; }
    int64_t read(int64_t offset, void* buffer, int64_t length) const {
        return file_.read(offset, buffer, length);
    }

    // Counting. countSome reads up to `bytes` more and answers whether the
    // count is complete.
    bool countSome(int64_t bytes);
    void countAll();
    bool countDone() const { return countDone_; }
    // Lines of the file once counted; -1 before.
    int64_t lineCount() const { return countDone_ ? lineCount_ : -1; }

    // Line starts. Each returns -1 when there is no such line.
    // The start of line `line` (from 0); counts as far as needed.
    int64_t lineStart(int64_t line);
    // The start of the line holding byte `offset`.
    int64_t lineStartContaining(int64_t offset) const;
    int64_t nextLineStart(int64_t start) const;
    int64_t previousLineStart(int64_t start) const;
    int64_t lastLineStart() const;
    // The number of the line starting at `start`, once counted that far.
    std::optional<int64_t> lineNumberAt(int64_t start) const;

    // The line start `lines` lines after the one at `start` (before it when
    // negative), stopping early at the first or the last line; `moved` is how
    // far it went, negative going back.
    struct Step {
        int64_t start;
        int64_t moved;
    };
    Step stepLines(int64_t start, int64_t lines) const;

    // The first byte offset >= `from` (forward) or the last offset whose match
    // ends at or before `before` (backward) where `pattern` occurs, compared
    // byte by byte (ASCII letters ignoring case unless matchCase), and which
    // `accept` takes; -1 when there is none.
    int64_t findForward(const std::string& pattern, bool matchCase, int64_t from,
                        const std::function<bool(int64_t)>& accept) const;
    int64_t findBackward(const std::string& pattern, bool matchCase, int64_t before,
                         const std::function<bool(int64_t)>& accept) const;

private:
    struct Checkpoint {
        int64_t line;
        int64_t offset;
    };
    void scanChunk(const char* data, int64_t length, int64_t base);
    void finishCount(int64_t end);
    // Index of the last checkpoint whose offset is <= offset.
    size_t checkpointAtOrBefore(int64_t offset) const;
    // Positions of the first / last LF in [from, to); -1 when none.
    int64_t firstNewline(int64_t from, int64_t to) const;
    int64_t lastNewline(int64_t from, int64_t to) const;
    int64_t countNewlines(int64_t from, int64_t to) const;

    ReadOnlyFile file_;
    int64_t size_ = 0;
    std::vector<Checkpoint> checkpoints_;
    int64_t scanned_ = 0;  // bytes counted
    int64_t newlines_ = 0; // LFs in [0, scanned_)
    char lastByte_ = '\n';
    bool countDone_ = false;
    int64_t lineCount_ = 0;
    std::vector<char> countBuffer_;
};

} // namespace quillon
