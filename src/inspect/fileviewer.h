#pragma once
// The read-only file viewer: a file of any size shown as text or as a
// hexadecimal dump, paged through small reads and never loaded whole.
//
// FileLines (filelines.h) knows where the lines start and searches the bytes;
// linedecode.h turns the bytes of one line into what is shown. This widget
// keeps the caret, the selection and the top line, and paints. Lines end at
// LF (a CR just before the LF is not shown).
#include "inspect/filelines.h"
#include "inspect/linedecode.h"
#include <QAbstractScrollArea>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quillon {

// One line as shown, and where the next line starts when the read that
// decoded it found out.
struct ShownLine : ShownText {
    int64_t nextStart = -2; // -2: not known from this read; -1: no next line
};

class FileViewer : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kMaxLineChars = quillon::kMaxLineChars;
    static constexpr int64_t kUnknownLineCount = 2147483647;
    // Copying more than this much text is refused.
    static constexpr int64_t kMaxCopyChars = 32 * 1024 * 1024;

    struct TextPosition {
        int64_t line = 0; // from 0; -1 while its number is not yet known
        int column = 0;   // from 0, in characters as shown
    };

    explicit FileViewer(QWidget* parent = nullptr);

    // Opens a file (bytes); false when it cannot be read (openError() says why).
    bool openFile(const std::string& path);
    void closeFile();
    bool isOpen() const { return doc_.isOpen(); }
    const std::string& fileName() const { return fileName_; }
    int openError() const { return openError_; }

    void setHexMode(bool on);
    bool hexMode() const { return hex_; }
    void setTabExpansion(bool on);
    bool tabExpansion() const { return tabExpansion_; }
    void setTabSize(int size); // 1..255; others are ignored
    int tabSize() const { return tabSize_; }
    void setViewerFont(const QFont& font);

    int64_t caretLine() const;
    int caretColumn() const { return caret_.column; }
    int64_t topLine() const;
    // kUnknownLineCount until the whole file has been counted.
    int64_t lineCount() const;
    bool lineCountKnown() const { return hex_ || doc_.countDone() || !doc_.isOpen(); }
    // Counts the rest of the file now.
    void countLines();
    int64_t fileSize() const { return doc_.isOpen() ? doc_.size() : 0; }

    bool hasSelection() const;
    TextPosition selectionStart() const;
    TextPosition selectionEnd() const;
    void setSelection(int64_t startLine, int startColumn, int64_t endLine, int endColumn);
    void clearSelection();
    void selectAll();
    // The selected text as shown, lines joined by LF; empty when nothing is
    // selected or when it would exceed kMaxCopyChars (tooLarge is then set).
    QString selectedText(bool* tooLarge = nullptr) const;
    // False when the selection is too large to copy.
    bool copyToClipboard();

    // Searches from the caret; global searches the whole file from its start
    // (or its end, backward). On a match the caret and the selection move to
    // it. Text mode finds only what is shown: a match in the part of a line
    // beyond 1,023 characters is passed over.
    bool find(const QString& text, bool backward, bool matchCase, bool global);
    // Caret to the start of a line (clamped to the file), scrolled into view.
    void goToLine(int64_t line);
    void moveCaretTo(int64_t line, int column, bool extendSelection = false);
    // Text of line i as shown; empty when there is no such line.
    QString lineText(int64_t line);
    // Every line from `first` to `last` as shown, in order, until `each`
    // answers false. Lines are read one after another (no jumps).
    void forEachLine(int64_t first, int64_t last, const std::function<bool(const QString&)>& each);

    int visibleRows() const;

    // Page keys, as the keyboard gives them (tests drive them directly too).
    void scrollLines(int64_t delta);

signals:
    // After every caret, scroll or mode change and when the count completes.
    void statusChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    struct Pos {
        int64_t start = 0; // byte offset of the line start (hex: line * 16)
        int64_t line = 0;  // -1 while unknown
        int column = 0;
    };
    struct Row {
        int64_t start;
        ShownLine shown;
    };

    // Mode-aware navigation by line starts.
    int64_t nextStart(int64_t start) const;
    int64_t lastStart() const;
    // Moves `pos` by up to `lines` lines (back when negative), stopping at the
    // first or last line, and keeps its line number when known. Answers how
    // far it went (negative going back).
    int64_t stepLines(Pos& pos, int64_t lines) const;
    // The start of the line after the one at `start`, from its shown form
    // when that read found it.
    int64_t startAfter(int64_t start, const ShownLine& shown) const;
    int64_t startOfLine(int64_t line);
    int64_t numberOf(const Pos& pos) const;
    ShownLine shownLine(int64_t start) const;
    TextLayout layout() const;
    int lineLength(int64_t start) const;

    // The position of a byte (text), or of its ASCII column (hex); `end` for
    // the position just after a match.
    Pos positionOfByte(int64_t offset, bool end = false) const;
    int64_t byteOfPosition(const Pos& pos) const;
    bool acceptMatch(int64_t offset, int64_t length) const;

    void setTop(Pos top);
    void clampTop();
    void ensureCaretVisible();
    void moveCaret(Pos pos, bool extend);
    void rebuildRows();
    const std::vector<Row>& rows();
    void updateScrollBars();
    void scrollBarAction(int action);
    void scrollBarMoved(int value);
    bool positionAt(const QPoint& point, Pos& pos);
    void changed();
    void countTick();
    void resetPositions();
    int charWidth() const;
    static bool before(const Pos& a, const Pos& b);

    FileLines doc_;
    std::string fileName_;
    int openError_ = 0;
    bool hex_ = false;
    bool tabExpansion_ = true;
    int tabSize_ = 8;
    Pos top_, caret_, anchor_;
    std::vector<Row> rows_;
    bool rowsValid_ = false;
    QTimer countTimer_;
    int scrollValue_ = -1; // the vertical value this viewer set last
    bool scrollByLines_ = true;
    int hexOffsetDigits_ = 8;
};

} // namespace quillon
