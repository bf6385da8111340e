#include "inspect/fileviewer.h"
#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstring>

namespace quillon {

namespace {

constexpr int kFractionRange = 1 << 20;
constexpr int kMargin = 2;

} // namespace

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
        hexOffsetDigits_ = HexOffsetDigits(doc_.size());
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
    if (doc_.countSome(FileLines::kCountPerTick) || !doc_.isOpen()) {
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

int64_t FileViewer::stepLines(Pos& pos, int64_t lines) const {
    if (!doc_.isOpen() || lines == 0) return 0;
    int64_t moved = 0;
    if (hex_) {
        // Hex lines are 16 bytes each: no need to look at the bytes.
        moved = lines > 0 ? std::min(lines, std::max<int64_t>(0, (lastStart() - pos.start) / 16))
                          : -std::min(-lines, std::max<int64_t>(0, pos.start / 16));
        pos.start += moved * 16;
    } else {
        const FileLines::Step step = doc_.stepLines(pos.start, lines);
        pos.start = step.start;
        moved = step.moved;
    }
    if (pos.line >= 0) pos.line += moved;
    return moved;
}

int64_t FileViewer::startAfter(int64_t start, const ShownLine& shown) const {
    return shown.nextStart != -2 ? shown.nextStart : nextStart(start);
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

TextLayout FileViewer::layout() const {
    TextLayout layout;
    layout.expandTabs = tabExpansion_;
    layout.tabSize = tabSize_;
    layout.maxChars = kMaxLineChars;
    return layout;
}

ShownLine FileViewer::shownLine(int64_t start) const {
    ShownLine shown;
    if (hex_) {
        unsigned char bytes[kHexLineBytes];
        const int64_t got = doc_.read(start, bytes, kHexLineBytes);
        shown.text = HexLine(start, bytes, got, hexOffsetDigits_);
        shown.nextStart = nextStart(start);
        return shown;
    }
    unsigned char buffer[kShownLineBytes];
    const int64_t got = start >= 0 ? doc_.read(start, buffer, kShownLineBytes) : 0;
    const LineEnd end =
        FindLineEnd(buffer, got, start + got >= doc_.size() || got < kShownLineBytes);
    if (end.newline >= 0) {
        const int64_t next = start + end.newline + 1;
        shown.nextStart = next < doc_.size() ? next : -1;
    } else if (end.complete) {
        shown.nextStart = -1;
    }
    static_cast<ShownText&>(shown) = DecodeLine(buffer, end.length, !end.complete, layout());
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
        pos.column = HexAsciiColumn(hexOffsetDigits_) + static_cast<int>(byte % 16) + (end && offset > 0 ? 1 : 0);
        return pos;
    }
    pos.start = std::max<int64_t>(doc_.lineStartContaining(offset), 0);
    pos.line = -1;
    const ShownLine shown = shownLine(pos.start);
    const auto it = std::lower_bound(shown.byteOf.begin(), shown.byteOf.end(),
                                     static_cast<int32_t>(std::min<int64_t>(offset - pos.start, kShownLineBytes)));
    pos.column = static_cast<int>(std::min<ptrdiff_t>(it - shown.byteOf.begin(), shown.text.size()));
    return pos;
}

int64_t FileViewer::byteOfPosition(const Pos& pos) const {
    if (hex_) return std::min<int64_t>(pos.start + HexByteAtColumn(pos.column, hexOffsetDigits_), doc_.size());
    const ShownLine shown = shownLine(pos.start);
    const size_t column = std::min<size_t>(static_cast<size_t>(std::max(pos.column, 0)),
                                           shown.byteOf.size() - 1);
    return pos.start + shown.byteOf[column];
}

bool FileViewer::acceptMatch(int64_t offset, int64_t length) const {
    if (hex_) return true;
    // The line start lies within kShownLineBytes before the match, or the match
    // is beyond what the line shows.
    const int64_t from = std::max<int64_t>(0, offset - kShownLineBytes);
    unsigned char buffer[kShownLineBytes];
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
        start = startAfter(start, shown);
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
        start = startAfter(start, shown);
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
    Pos highest{last, -1, 0};
    if (hex_) highest.line = last / 16;
    else if (doc_.countDone()) highest.line = doc_.lineCount() - 1;
    stepLines(highest, -(visibleRows() - 1));
    if (top_.start > highest.start) setTop(highest);
}

void FileViewer::scrollLines(int64_t delta) {
    if (!doc_.isOpen()) return;
    Pos top = top_;
    top.line = numberOf(top_);
    stepLines(top, delta);
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
            stepLines(top, -(visibleRows() - 1));
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
            const int64_t next = startAfter(start, row.shown);
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
    const int columns = hex_ ? HexAsciiColumn(hexOffsetDigits_) + 17 : kMaxLineChars + 1;
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
    // Up or down by lines, keeping the column where the line is long enough;
    // already on the first line up goes to its start, on the last line down
    // to its end.
    const auto lineUp = [&](int count) {
        if (stepLines(pos, -count) == 0) pos.column = 0;
        pos.column = std::min(pos.column, lineLength(pos.start));
    };
    const auto lineDown = [&](int count) {
        if (stepLines(pos, count) == 0) pos.column = lineLength(pos.start);
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
        if (pos.column > 0) --pos.column;
        else if (stepLines(pos, -1) != 0) pos.column = lineLength(pos.start);
        break;
    case Qt::Key_Right:
        if (pos.column < lineLength(pos.start)) ++pos.column;
        else if (stepLines(pos, 1) != 0) pos.column = 0;
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
