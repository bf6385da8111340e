#include "scan/resultgrid.h"
#include "platform/desktop.h"
#include "platform/paths.h"
#include "scan/gridexport.h"
#include "scan/hooks.h"
#include "scan/pathorder.h"
#include "scan/scancontrol.h"
#include "scan/sortkeys.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/printing.h"
#include "shell/routines.h"
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QToolTip>
#include <algorithm>

namespace quillon {

namespace {

const QString kGridHint = "Double click to mark for deletion, right click for options";

// kNoDate means "not recorded" and shows as an empty cell.
QString dateText(DateTime value) {
    if (value == kNoDate) return {};
    const QDateTime moment = ToQDateTime(value);
    return moment.isValid() ? QLocale().toString(moment.date(), QLocale::ShortFormat) : QString();
}

QString timeText(DateTime value) {
    if (value == kNoDate) return {};
    const QDateTime moment = ToQDateTime(value);
    return moment.isValid() ? QLocale().toString(moment.time(), QLocale::LongFormat) : QString();
}

// The sort item whose key a column shows; -1 for columns that sort nothing.
int itemForKind(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::Size: return SortSize;
    case ColumnKind::ModifiedDate: return SortDate;
    case ColumnKind::AccessDate: return SortAccessDate;
    case ColumnKind::Name:
    case ColumnKind::FullPath: return SortName;
    case ColumnKind::Type: return SortType;
    case ColumnKind::CreatedDate: return SortCreatedDate;
    case ColumnKind::Folder: return SortFolder;
    default: return -1;
    }
}

} // namespace

// ---------------------------------------------------------------------------
// ResultModel

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent) {}

void ResultModel::setStore(const FileStore* store) {
    beginResetModel();
    store_ = store;
    std::vector<uint32_t>().swap(order_);
    std::vector<uint8_t>().swap(marks_);
    std::vector<uint32_t>().swap(groups_);
    appendedFrom_ = 0;
    endResetModel();
}

void ResultModel::setColumns(std::vector<GridColumn> columns, int markColumn) {
    beginResetModel();
    columns_ = std::move(columns);
    markColumn_ = markColumn;
    endResetModel();
}

void ResultModel::clearRows() {
    // Only the rows go; the columns and their widths stay.
    const bool announced = appendedFrom_ > 0;
    if (announced) beginRemoveRows({}, 0, static_cast<int>(appendedFrom_) - 1);
    std::vector<uint32_t>().swap(order_);
    std::vector<uint8_t>().swap(marks_);
    std::vector<uint32_t>().swap(groups_);
    appendedFrom_ = 0;
    if (announced) endRemoveRows();
}

void ResultModel::appendRow(uint32_t storeRow) { order_.push_back(storeRow); }

void ResultModel::finishRows() {
    if (appendedFrom_ >= order_.size()) return;
    // One insertion for the whole batch: views learn of a million rows at once.
    beginInsertRows({}, static_cast<int>(appendedFrom_), static_cast<int>(order_.size()) - 1);
    appendedFrom_ = order_.size();
    endInsertRows();
}

void ResultModel::setOrder(std::vector<uint32_t> order) {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    order_ = std::move(order);
    appendedFrom_ = std::min(appendedFrom_, order_.size());
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool ResultModel::isMarked(int row) const {
    if (row < 0 || static_cast<size_t>(row) >= order_.size()) return false;
    const uint32_t r = order_[static_cast<size_t>(row)];
    return r < marks_.size() && marks_[r] != 0;
}

void ResultModel::setMarkedQuietly(int row, bool marked) {
    if (row < 0 || static_cast<size_t>(row) >= order_.size()) return;
    const uint32_t r = order_[static_cast<size_t>(row)];
    if (r >= marks_.size()) {
        if (!marked) return;
        marks_.resize(std::max<size_t>(r + 1, store_ ? store_->size() : 0), 0);
    }
    marks_[r] = marked ? 1 : 0;
}

void ResultModel::setMarked(int row, bool marked) {
    setMarkedQuietly(row, marked);
    if (row >= 0 && row < rowCount() && markColumn_ < columnCount()) {
        const QModelIndex cell = index(row, markColumn_);
        emit dataChanged(cell, cell, {Qt::DecorationRole});
    }
}

void ResultModel::clearMarks() {
    std::fill(marks_.begin(), marks_.end(), uint8_t(0));
    announceMarks();
}

void ResultModel::announceMarks() {
    if (rowCount() > 0 && markColumn_ < columnCount())
        emit dataChanged(index(0, markColumn_), index(rowCount() - 1, markColumn_),
                         {Qt::DecorationRole});
}

const QImage& ResultModel::markPicture() {
    // A red cross: the row is marked to be cleaned up.
    static const QImage picture = [] {
        QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(176, 0, 0), 3, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
        painter.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        return image;
    }();
    return picture;
}

QString ResultModel::cellText(int row, int column) const {
    if (!store_ || row < 0 || static_cast<size_t>(row) >= order_.size() || column < 0 ||
        static_cast<size_t>(column) >= columns_.size())
        return {};
    const uint32_t r = order_[static_cast<size_t>(row)];
    const FileRow& file = store_->row(r);
    switch (columns_[static_cast<size_t>(column)].kind) {
    case ColumnKind::Name: return DisplayPath(store_->name(r));
    case ColumnKind::Size: return FormatThousands(file.size);
    case ColumnKind::ModifiedDate: return dateText(file.modified);
    case ColumnKind::ModifiedTime: return timeText(file.modified);
    case ColumnKind::AccessDate: return dateText(file.accessed);
    case ColumnKind::CreatedDate: return dateText(file.created);
    case ColumnKind::Folder: return DisplayPath(store_->folder(r));
    case ColumnKind::FullPath: return DisplayPath(store_->path(r));
    case ColumnKind::Type: return store_->typeName(r);
    }
    return {};
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(appendedFrom_);
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

void ResultModel::setGroups(std::vector<uint32_t> groups) {
    groups_ = std::move(groups);
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

bool ResultModel::startsGroup(int row) const {
    const auto r = static_cast<size_t>(row);
    return r > 0 && r < groups_.size() && groups_[r] != groups_[r - 1];
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole: return cellText(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        const bool right = columns_[static_cast<size_t>(index.column())].kind == ColumnKind::Size;
        return QVariant::fromValue(Qt::Alignment((right ? Qt::AlignRight : Qt::AlignLeft) |
                                                 Qt::AlignVCenter));
    }
    case Qt::DecorationRole:
        if (index.column() == markColumn_ && isMarked(index.row())) return markPicture();
        return {};
    case Qt::BackgroundRole: {
        const auto r = static_cast<size_t>(index.row());
        if (r < groups_.size() && groups_[r] % 2 == 1)
            return QGuiApplication::palette().alternateBase();
        return {};
    }
    default: return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && section >= 0 && section < columnCount()) {
        if (role == Qt::DisplayRole) return columns_[static_cast<size_t>(section)].title;
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

// ---------------------------------------------------------------------------
// ResultGrid

ResultGrid::ResultGrid(QWidget* parent)
    : QTableView(parent), model_(new ResultModel(this)), menu_(new QMenu(this)) {
    directions_ = &ownDirections_;
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setToolTip(kGridHint);
    viewport()->setToolTip(kGridHint);

    // Fixed heights keep a million rows cheap to lay out.
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { GuardedCall([&] { titleClicked(column); }); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int width) { userResizedColumn(column, width); });
    // Titles show the direction of the last sort.
    horizontalHeader()->setSortIndicatorShown(true);
    showSortIndicator(-1, Qt::AscendingOrder);

    buildMenu();
}

void ResultGrid::buildMenu() {
    menu_->setObjectName("optionsMenu");
    const auto named = [](auto* object, const char* name) {
        object->setObjectName(name);
        return object;
    };
    const auto guarded = [this](QAction* action, void (ResultGrid::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { GuardedCall([&] { (this->*handler)(); }); });
    };

    mnuDetails = named(menu_->addAction("Details"), "mnuDetails");
    mnuSort = named(menu_->addMenu("Sort"), "mnuSort");
    static const char* const kSortNames[kSortItems] = {
        "mnuSortSize", "mnuSortDate",        "mnuSortAccessDate", "mnuSortName",
        "mnuSortType", "mnuSortCreatedDate", "mnuSortFolder"};
    for (int i = 0; i < kSortItems; ++i) {
        auto* item = named(new QAction(mnuSort), kSortNames[i]);
        item->setCheckable(true);
        mnuSortItems[static_cast<size_t>(i)] = item;
        connect(item, &QAction::triggered, this,
                [this, i] { GuardedCall([&] { sortBy(static_cast<SortItem>(i)); }); });
    }
    setSortMenu({{SortSize, "&Size"},
                 {SortDate, "&Date"},
                 {SortAccessDate, "&Access Date"},
                 {SortName, "&Name"},
                 {SortType, "&Type"}});

    mnuMark = named(menu_->addMenu("Mark"), "mnuMark");
    mnuMarkAll = named(mnuMark->addAction("Mark all"), "mnuMarkAll");
    mnuUnmarkAll = named(mnuMark->addAction("Unmark all"), "mnuUnmarkAll");
    mnuResize = named(menu_->addMenu("Resize"), "mnuResize");
    mnuShrink = named(mnuResize->addAction("Shrink top panel"), "mnuShrink");
    mnuRestore = named(mnuResize->addAction("Restore top panel"), "mnuRestore");
    mnuRestore->setEnabled(false);
    menu_->addSeparator();
    mnuOpen = named(menu_->addAction("Open"), "mnuOpen");
    mnuView = named(menu_->addAction("View"), "mnuView");
    menu_->addSeparator();
    mnuPrint = named(menu_->addAction("Print"), "mnuPrint");
    mnuClipboard = named(menu_->addAction("Clipboard"), "mnuClipboard");
    mnuSaveCsv = named(menu_->addAction("Save as CSV..."), "mnuSaveCsv");
    mnuSaveJson = named(menu_->addAction("Save as JSON Lines..."), "mnuSaveJson");
    menu_->addSeparator();
    mnuHidden = AddSearchHiddenItem(menu_);

    // Print and Resize belong to the finder: it builds the print title and owns
    // the top panel.
    guarded(mnuDetails, &ResultGrid::detailsSelected);
    guarded(mnuMarkAll, &ResultGrid::markAll);
    guarded(mnuUnmarkAll, &ResultGrid::unmarkAll);
    guarded(mnuOpen, &ResultGrid::openSelected);
    guarded(mnuView, &ResultGrid::viewSelected);
    guarded(mnuClipboard, &ResultGrid::copyToClipboard);
    connect(mnuSaveCsv, &QAction::triggered, this,
            [this] { GuardedCall([&] { saveList(ExportFormat::Csv); }); });
    connect(mnuSaveJson, &QAction::triggered, this,
            [this] { GuardedCall([&] { saveList(ExportFormat::JsonLines); }); });
}

void ResultGrid::setStore(const FileStore* store) {
    store_ = store;
    lbDeleted_.clear();
    lbSeen_.clear();
    markedCount_ = 0;
    markedBytes_ = 0;
    model_->setStore(store);
}

void ResultGrid::setColumns(std::vector<GridColumn> columns, int markColumn) {
    model_->setColumns(std::move(columns), markColumn);
    userWidths_.clear();
    showSortIndicator(-1, Qt::AscendingOrder);
    applyColumnWidths(width());
}

void ResultGrid::setSortMenu(const std::vector<SortMenuItem>& items) {
    for (QAction* action : mnuSort->actions()) mnuSort->removeAction(action);
    for (const SortMenuItem& entry : items) {
        QAction* action = mnuSortItems[static_cast<size_t>(entry.item)];
        action->setText(entry.caption);
        mnuSort->addAction(action);
    }
    firstSortItem_ = items.empty() ? SortSize : items.front().item;
    checkSortItem(items.empty() ? -1 : firstSortItem_);
}

void ResultGrid::setSortDirections(SortDirections* directions) {
    directions_ = directions ? directions : &ownDirections_;
}

void ResultGrid::setSortingAllowed(bool allowed) {
    sortingAllowed_ = allowed;
    mnuSort->menuAction()->setVisible(allowed);
}

void ResultGrid::ClearGrid() {
    model_->clearRows();
    lbDeleted_.clear();
    lbSeen_.clear();
    markedCount_ = 0;
    markedBytes_ = 0;
    checkSortItem(firstSortItem_);
    showSortIndicator(-1, Qt::AscendingOrder);
    emit marksChanged();
}

void ResultGrid::addToGrid(uint32_t storeRow) { model_->appendRow(storeRow); }

void ResultGrid::finishFill() { model_->finishRows(); }

int ResultGrid::RowsUsed() const { return static_cast<int>(model_->order().size()); }

int ResultGrid::selectedRow() const {
    const QItemSelectionModel* selection = selectionModel();
    if (!selection) return -1;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty()) return -1;
    const int row = rows.first().row();
    return row >= 0 && row < model_->rowCount() ? row : -1;
}

std::string ResultGrid::fullPath(int row) const {
    if (!store_ || row < 0 || row >= RowsUsed()) return {};
    return store_->path(model_->storeRow(row));
}

bool ResultGrid::fileExists(const std::string& path) const {
    FileFacts facts;
    return !path.empty() && ReadFileFacts(path, facts) && !(facts.attributes & faDirectory);
}

// Toggles a row's mark. The file is looked up afresh: the totals use its size
// now, and a file that has gone changes its mark but not the totals.
bool ResultGrid::toggleMark(int row, bool quietly) {
    if (!store_ || row < 0 || row >= RowsUsed()) return false;
    const std::string path = fullPath(row);
    const bool marking = !model_->isMarked(row);
    if (quietly) model_->setMarkedQuietly(row, marking);
    else model_->setMarked(row, marking);

    FileFacts facts;
    if (ReadFileFacts(path, facts) && !(facts.attributes & faDirectory)) {
        markedBytes_ += marking ? facts.size : -facts.size;
        markedCount_ += marking ? 1 : -1;
    }
    if (marking) {
        lbDeleted_.push_back(path);
        lbSeen_.push_back(store_->identity(model_->storeRow(row)));
    } else {
        // Paths compare exactly: two names differing only in case are two files.
        const auto it = std::find(lbDeleted_.begin(), lbDeleted_.end(), path);
        if (it != lbDeleted_.end()) {
            lbSeen_.erase(lbSeen_.begin() + (it - lbDeleted_.begin()));
            lbDeleted_.erase(it);
        }
    }
    return true;
}

void ResultGrid::deleteOneFile(int row) {
    if (toggleMark(row, false)) emit marksChanged();
}

void ResultGrid::markAll() {
    std::vector<int> rows(static_cast<size_t>(RowsUsed()));
    for (size_t row = 0; row < rows.size(); ++row) rows[row] = static_cast<int>(row);
    markOnly(rows);
}

void ResultGrid::markOnly(const std::vector<int>& rows) {
    WaitCursor wait;
    lbDeleted_.clear();
    lbSeen_.clear();
    markedCount_ = 0;
    markedBytes_ = 0;
    model_->clearMarks();
    lbDeleted_.reserve(rows.size());
    lbSeen_.reserve(rows.size());
    for (int row : rows)
        if (!model_->isMarked(row)) toggleMark(row, true);
    model_->announceMarks();
    emit marksChanged();
}

void ResultGrid::unmarkAll() {
    lbDeleted_.clear();
    lbSeen_.clear();
    markedCount_ = 0;
    markedBytes_ = 0;
    model_->clearMarks();
    emit marksChanged();
}

void ResultGrid::markSelectedAndAdvance() {
    const int row = selectedRow();
    if (row < 0) return;
    deleteOneFile(row);
    if (row + 1 < model_->rowCount()) {
        const QModelIndex next = model_->index(row + 1, std::max(0, currentIndex().column()));
        selectionModel()->setCurrentIndex(
            next, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        scrollTo(next);
    }
}

std::vector<SeenFile> ResultGrid::markedFiles() const {
    std::vector<SeenFile> files;
    files.reserve(lbDeleted_.size());
    for (size_t i = 0; i < lbDeleted_.size(); ++i)
        files.push_back(SeenFile{lbDeleted_[i], lbSeen_[i]});
    return files;
}

QString ResultGrid::totalsText() const {
    return QString("%1 files %2 bytes").arg(markedCount_).arg(FormatThousands(markedBytes_));
}

void ResultGrid::checkSortItem(int item) {
    checkedItem_ = item;
    for (int i = 0; i < kSortItems; ++i) mnuSortItems[static_cast<size_t>(i)]->setChecked(i == item);
}

int ResultGrid::columnFor(SortItem item) const {
    const auto& columns = model_->columns();
    for (size_t c = 0; c < columns.size(); ++c)
        if (itemForKind(columns[c].kind) == item) return static_cast<int>(c);
    return -1;
}

void ResultGrid::titleClicked(int column) {
    // The header turns its arrow at every click; only a sort may move it.
    const int sortedColumn = sortColumn_;
    const Qt::SortOrder sortedOrder = sortOrder_;
    showSortIndicator(sortedColumn, sortedOrder);
    if (!sortingAllowed_) return;
    const auto& columns = model_->columns();
    if (column < 0 || static_cast<size_t>(column) >= columns.size()) return;
    const int item = itemForKind(columns[static_cast<size_t>(column)].kind);
    if (item >= 0) sortBy(static_cast<SortItem>(item));
}

void ResultGrid::sortBy(SortItem item) {
    if (item < 0 || item >= kSortItems) return;
    // The title row and at least one data row, as the grid has after a search.
    // Without them nothing is sorted, and the menu's check marks stay as
    // they were (choosing an item has already toggled its own).
    if (!store_ || RowsUsed() < 1) {
        checkSortItem(checkedItem_);
        return;
    }
    auto& flag = directions_->descending[static_cast<size_t>(item)];
    if (sortChoice_ == SortChoice::InvertThenSort) flag = !flag;
    sortIn(item, flag);
    if (sortChoice_ == SortChoice::SortThenInvert) flag = !flag;
}

void ResultGrid::sortIn(SortItem item, bool descending) {
    if (item < 0 || item >= kSortItems) return;
    if (!store_ || RowsUsed() < 1) {
        checkSortItem(checkedItem_);
        return;
    }
    checkSortItem(-1);
    {
        WaitCursor wait;
        model_->finishRows();
        const std::vector<uint32_t>& order = model_->order();
        std::vector<uint32_t> sorted;
        switch (item) {
        case SortSize: {
            std::vector<Keyed<int64_t>> keyed;
            keyed.reserve(order.size());
            for (uint32_t r : order) keyed.push_back({store_->row(r).size, r});
            sorted = SortedByKey(keyed, descending);
            break;
        }
        case SortDate:
        case SortAccessDate:
        case SortCreatedDate: {
            const auto when = [item](const FileRow& file) {
                return item == SortDate         ? file.modified
                       : item == SortAccessDate ? file.accessed
                                                : file.created;
            };
            std::vector<Keyed<int64_t>> keyed;
            keyed.reserve(order.size());
            for (uint32_t r : order) keyed.push_back({DayKey(when(store_->row(r))), r});
            sorted = SortedByKey(keyed, descending);
            break;
        }
        case SortFolder: {
            const std::vector<uint32_t> rank = FolderRanks(*store_);
            std::vector<Keyed<uint32_t>> keyed;
            keyed.reserve(order.size());
            for (uint32_t r : order) keyed.push_back({rank[store_->row(r).folder], r});
            sorted = SortedByKey(keyed, descending);
            break;
        }
        case SortName: {
            const int column = columnFor(SortName);
            const bool fullPaths =
                column < 0 ||
                model_->columns()[static_cast<size_t>(column)].kind == ColumnKind::FullPath;
            sorted = SortedByPath(*store_, order, fullPaths ? PathKey::FullPath : PathKey::Name);
            if (descending) std::reverse(sorted.begin(), sorted.end());
            break;
        }
        case SortType: {
            const std::vector<uint32_t> rank = TypeRanks(store_->types());
            std::vector<Keyed<uint32_t>> keyed;
            keyed.reserve(order.size());
            for (uint32_t r : order) keyed.push_back({rank[store_->row(r).type], r});
            sorted = SortedByKey(keyed, descending);
            break;
        }
        default: return;
        }
        model_->setOrder(std::move(sorted));
        showSortIndicator(columnFor(item), descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    checkSortItem(item);
}

void ResultGrid::showSortedIn(SortItem item, bool descending) {
    if (item < 0 || item >= kSortItems) return;
    if (!store_ || RowsUsed() < 1) { // as sortIn: an empty list changes nothing
        checkSortItem(checkedItem_);
        return;
    }
    showSortIndicator(columnFor(item), descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    checkSortItem(item);
}

QStringList GridReportLines(const QString& title, const QStringList& titles,
                            const std::vector<int>& columnWidths, int rows,
                            const std::function<QString(int row, int column)>& cellText,
                            const std::function<bool(int row)>& blankBefore) {
    const DateTime now = Now();
    const QDateTime moment = ToQDateTime(now);
    const QLocale locale;
    QStringList lines;
    lines << title;
    lines << "Printed : " + locale.toString(moment.date(), QLocale::ShortFormat) + "  " +
                 locale.toString(moment.time(), QLocale::LongFormat);
    lines << QString() << QString();

    const int columns = static_cast<int>(titles.size());
    std::vector<int> widths(static_cast<size_t>(columns));
    for (int c = 0; c < columns && c < static_cast<int>(columnWidths.size()); ++c)
        widths[static_cast<size_t>(c)] = columnWidths[static_cast<size_t>(c)] / 6;
    const auto printedRow = [&](const auto& textOf) {
        QString line;
        for (int c = 0; c < columns; ++c) {
            const int w = widths[static_cast<size_t>(c)];
            line += textOf(c).left(w).leftJustified(w, ' ') + ' ';
        }
        return line;
    };
    lines << printedRow([&](int c) { return titles.at(c); });
    for (int row = 0; row < rows; ++row) {
        if (blankBefore && blankBefore(row)) lines << QString();
        lines << printedRow([&](int c) { return cellText(row, c); });
    }
    return lines;
}

QStringList PrintViewLines(const QTableView& view, const QString& title) {
    const QAbstractItemModel* model = view.model();
    if (!model) return GridReportLines(title, {}, {}, 0, {});
    QStringList titles;
    std::vector<int> widths;
    for (int c = 0; c < model->columnCount(); ++c) {
        titles << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        widths.push_back(view.columnWidth(c));
    }
    return GridReportLines(title, titles, widths, model->rowCount(), [model](int row, int column) {
        return model->data(model->index(row, column), Qt::DisplayRole).toString();
    });
}

QStringList ResultGrid::PrintGridLines(const QString& title) const {
    QStringList titles;
    std::vector<int> widths;
    for (int c = 0; c < model_->columnCount(); ++c) {
        titles << model_->columns()[static_cast<size_t>(c)].title;
        widths.push_back(columnWidth(c));
    }
    // Groups the cells cannot tell apart are set off by an empty line.
    return GridReportLines(
        title, titles, widths, model_->rowCount(),
        [this](int row, int column) { return model_->cellText(row, column); },
        [this](int row) { return model_->startsGroup(row); });
}

void ResultGrid::PrintGrid(const QString& title) {
    QPrinter printer;
    if (!ChoosePrinter(printer, this)) return;
    WaitCursor wait;
    PrintPlainLines(printer, PrintGridLines(title));
}

QString ResultGrid::clipboardText() const {
    QStringList lines;
    const int rows = RowsUsed();
    lines.reserve(rows);
    for (int row = 0; row < rows; ++row) {
        if (model_->startsGroup(row)) lines << QString();
        lines << DisplayPath(fullPath(row));
    }
    return lines.join('\n');
}

void ResultGrid::saveList(ExportFormat format) {
    if (!store_ || RowsUsed() == 0) return;
    const bool csv = format == ExportFormat::Csv;
    const std::optional<std::string> path = Dialogs().chooseSaveFile(
        csv ? "Save list as CSV" : "Save list as JSON Lines",
        HomeFolder() + (csv ? "/quillon-list.csv" : "/quillon-list.jsonl"),
        csv ? "CSV files (*.csv)" : "JSON Lines files (*.jsonl)");
    if (!path) return;
    std::string reason;
    {
        const WaitCursor wait;
        const ResultModel& model = *model_;
        reason = ExportToFile({*store_, model.order(),
                               [&model](size_t i) { return model.isMarked(static_cast<int>(i)); }},
                              format, *path);
    }
    if (!reason.empty())
        ShowErrorMessage("Couldn't save " + DisplayPath(*path) + " (" + QString::fromLocal8Bit(reason) + ")");
}

void ResultGrid::copyToClipboard() { QGuiApplication::clipboard()->setText(clipboardText()); }

void ResultGrid::openSelected() {
    const int row = selectedRow();
    if (row < 0) return;
    const std::string path = fullPath(row);
    if (!fileExists(path)) return;
    if (!OpenPathWithDesktop(path)) ShowErrorMessage("Couldn't open " + DisplayPath(path));
}

void ResultGrid::viewSelected() {
    const int row = selectedRow();
    if (row < 0) return;
    const std::string path = fullPath(row);
    if (fileExists(path) && FinderHooks::view) FinderHooks::view(window(), path);
}

void ResultGrid::detailsSelected() {
    const int row = selectedRow();
    if (row < 0) return;
    const std::string path = fullPath(row);
    if (fileExists(path) && FinderHooks::details) FinderHooks::details(window(), path);
}

void ResultGrid::browseSelected(const QString& mask) {
    const int row = selectedRow();
    if (row < 0 || !FinderHooks::browse) return;
    const uint32_t r = model_->storeRow(row);
    FinderHooks::browse(window(), store_->folder(r), std::string(store_->name(r)), mask);
}

int ResultGrid::contentWidth(int column) const {
    const GridColumn& c = model_->columns()[static_cast<size_t>(column)];
    // The title with room for the sort arrow, as the header lays it out.
    QStyleOptionHeader title;
    title.initFrom(horizontalHeader());
    title.text = c.title;
    title.sortIndicator = QStyleOptionHeader::SortDown;
    title.section = column;
    title.fontMetrics = horizontalHeader()->fontMetrics();
    int width = style()->sizeFromContents(QStyle::CT_HeaderSection, &title, QSize(),
                                          horizontalHeader()).width();
    // A typical cell: the widest date and time of the locale, a size of
    // 999,999,999,999 bytes.
    QString sample;
    const DateTime late = EncodeDateTime(2026, 12, 28, 22, 58, 58);
    switch (c.kind) {
    case ColumnKind::Size: sample = FormatThousands(999'999'999'999); break;
    case ColumnKind::ModifiedDate:
    case ColumnKind::AccessDate:
    case ColumnKind::CreatedDate: sample = dateText(late); break;
    case ColumnKind::ModifiedTime: sample = timeText(late); break;
    default: break;
    }
    int cell = fontMetrics().horizontalAdvance(sample);
    if (column == model_->markColumn()) cell += ResultModel::markPicture().width() + 4;
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    return std::max(width, cell + 2 * margin + 2);
}

void ResultGrid::applyColumnWidths(int clientWidth) {
    const auto& columns = model_->columns();
    if (columns.empty()) return;
    // The widths were drawn for a small 8-point face at 96 dpi (about six
    // pixels a character, as the printed report assumes); a wider desktop font
    // widens them in proportion. No column is narrower than its title and a
    // typical cell, and a width the user set by hand stays.
    const double fontScale = fontMetrics().averageCharWidth() / 5.5;
    const double scale = std::max(logicalDpiX() / 96.0, fontScale);
    const auto scaled = [scale](int pixels) { return static_cast<int>(pixels * scale + 0.5); };
    const int lastColumn = static_cast<int>(columns.size()) - 1;
    const auto userWidth = [this](int c) {
        const auto k = static_cast<size_t>(c);
        return k < userWidths_.size() ? userWidths_[k] : 0;
    };
    // The columns that share what is left: those of width 0, else the last
    // one. One the user dragged keeps its width; the last one always follows
    // the window.
    std::vector<int> sharing;
    for (int c = 0; c <= lastColumn; ++c)
        if (columns[static_cast<size_t>(c)].width == 0 && userWidth(c) <= 0) sharing.push_back(c);
    if (sharing.empty()) sharing.push_back(lastColumn);
    int others = 0, designOthers = 0;
    settingWidths_ = true;
    for (int c = 0; c <= lastColumn; ++c) {
        if (std::find(sharing.begin(), sharing.end(), c) != sharing.end()) continue;
        const size_t k = static_cast<size_t>(c);
        const int width =
            userWidth(c) > 0 ? userWidth(c) : std::max(scaled(columns[k].width), contentWidth(c));
        setColumnWidth(c, width);
        others += width;
        designOthers += columns[k].width;
    }
    // They follow the window, leaving the room the design left beside the
    // other columns.
    const int allowance = lastColumnAllowance_ >= 0 ? lastColumnAllowance_ : designOthers + 25;
    const int rest = clientWidth - others - scaled(allowance - designOthers);
    // Names are the longest texts of a row: a name column takes two shares.
    const auto sharesOf = [&columns](int c) {
        const ColumnKind kind = columns[static_cast<size_t>(c)].kind;
        return kind == ColumnKind::Name || kind == ColumnKind::FullPath ? 2 : 1;
    };
    int shares = 0;
    for (int c : sharing) shares += sharesOf(c);
    for (int c : sharing)
        setColumnWidth(c, std::max(rest * sharesOf(c) / shares, contentWidth(c)));
    settingWidths_ = false;
}

void ResultGrid::userResizedColumn(int column, int width) {
    if (settingWidths_ || column < 0 || column + 1 >= model_->columnCount()) return;
    if (userWidths_.size() <= static_cast<size_t>(column))
        userWidths_.resize(static_cast<size_t>(column) + 1, 0);
    userWidths_[static_cast<size_t>(column)] = width;
}

void ResultGrid::showSortIndicator(int column, Qt::SortOrder order) {
    sortColumn_ = column;
    sortOrder_ = order;
    horizontalHeader()->setSortIndicator(column, order);
}

void ResultGrid::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        // One toggle per key stroke: the repeats a held key sends are ignored.
        if (!event->isAutoRepeat()) GuardedCall([this] { markSelectedAndAdvance(); });
        event->accept();
        return;
    }
    QTableView::keyReleaseEvent(event);
}

void ResultGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    // Only a double click on a row marks: one on the empty space below the
    // rows leaves the selected row alone.
    if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
        GuardedCall([this] { deleteOneFile(selectedRow()); });
}

bool ResultGrid::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        // A text its column cuts short shows whole under the pointer; elsewhere
        // the list's own hint.
        const auto* help = static_cast<QHelpEvent*>(event);
        const QModelIndex index = indexAt(help->pos());
        if (index.isValid()) {
            QStyleOptionViewItem option;
            initViewItemOption(&option);
            option.rect = visualRect(index);
            const int needed = itemDelegateForIndex(index)->sizeHint(option, index).width();
            if (needed > columnWidth(index.column())) {
                QToolTip::showText(help->globalPos(), index.data(Qt::DisplayRole).toString(),
                                   viewport(), option.rect);
                return true;
            }
        }
    }
    return QTableView::viewportEvent(event);
}

void ResultGrid::contextMenuEvent(QContextMenuEvent* event) {
    menu_->exec(event->globalPos());
    event->accept();
}

} // namespace quillon
