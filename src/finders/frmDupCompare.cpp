#include "finders/frmDupCompare.h"
#include "finders/frmDup.h"
#include "inspect/filetexts.h"
#include "inspect/versionprofile.h"
#include "platform/checksum.h"
#include "platform/desktop.h"
#include "platform/filefacts.h"
#include "platform/paths.h"
#include "scan/hooks.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/printing.h"
#include "shell/protected.h"
#include "shell/routines.h"
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <cmath>

namespace quillon {

namespace {

const QColor kAqua(0, 255, 255);
const QColor kYellow(255, 255, 0);
const char* const kNonDelete = "** In Non-Delete List **";
const char* const kNoProfile = "Extended profile absent";

void setBackground(QWidget* w, const QColor& colour) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    p.setColor(QPalette::Base, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setNormalBackground(QWidget* w) {
    setBackground(w, QApplication::palette().color(QPalette::Button));
}

// The arrow pictures: a left or right pointing arrow, or an equal sign.
QPixmap arrowPicture(TfrmDupCompare::Arrow kind) {
    QPixmap pixmap(24, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 160));
    if (kind == TfrmDupCompare::Arrow::Equal) {
        painter.drawRect(4, 4, 16, 3);
        painter.drawRect(4, 9, 16, 3);
        return pixmap;
    }
    QPainterPath path;
    if (kind == TfrmDupCompare::Arrow::Left) {
        path.moveTo(1, 8); path.lineTo(9, 1); path.lineTo(9, 5); path.lineTo(23, 5);
        path.lineTo(23, 11); path.lineTo(9, 11); path.lineTo(9, 15);
    } else {
        path.moveTo(23, 8); path.lineTo(15, 1); path.lineTo(15, 5); path.lineTo(1, 5);
        path.lineTo(1, 11); path.lineTo(15, 11); path.lineTo(15, 15);
    }
    path.closeSubpath();
    painter.drawPath(path);
    return pixmap;
}

QLabel* valueLabel(QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setMinimumWidth(170);
    l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return l;
}

QPushButton* makeButton(QWidget* parent, const QString& caption, const char* hint) {
    auto* b = new QPushButton(caption, parent);
    if (hint) b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

} // namespace

TfrmDupCompare::TfrmDupCompare(QWidget* parent) : QDialog(parent) {
    setObjectName("frmDupCompare");
    setWindowTitle("Compare file pairs");
    setModal(false);

    static const char* const kCaptions[2][4] = {{"&Open", "&View", "&Mark", "&Browse"},
                                                {"Ope&n", "Vi&ew", "M&ark", "Bro&wse"}};
    static const char* const kRowTitles[] = {"Folder:",       "Size:",        "Type:",
                                             "Creation date:", "Modify date:", "Access date:",
                                             "Attributes:",   "CRC Value:"};

    auto* halves = new QHBoxLayout;
    auto* profiles = new QHBoxLayout;
    std::array<QGridLayout*, 2> grids{};
    for (int s = 0; s < 2; ++s) {
        Half& h = half[static_cast<size_t>(s)];
        h.btOpen = makeButton(this, kCaptions[s][0], "Run/launch associated application");
        h.btView = makeButton(this, kCaptions[s][1], "View file");
        h.btMark = makeButton(this, kCaptions[s][2],
                              "Mark file for deletion (double click on grid also works)");
        h.btBrowse = makeButton(this, kCaptions[s][3], "Browse this file and folder");
        h.icon = new QLabel(this);
        h.icon->setFixedSize(32, 32);
        h.box = new QGroupBox(this);
        h.lblFolder = valueLabel(h.box);
        h.lblFolder->setWordWrap(true);
        h.lblSize = valueLabel(h.box);
        h.lblType = valueLabel(h.box);
        h.lblCreate = valueLabel(h.box);
        h.lblModify = valueLabel(h.box);
        h.lblAccess = valueLabel(h.box);
        h.lblAttributes = valueLabel(h.box);
        h.lblCRC = valueLabel(h.box);
        h.lblCRC->setFont(QFont("Courier New", font().pointSize()));
        // The checksum and its verdict show whole even at the window's smallest.
        h.lblCRC->setMinimumWidth(
            h.lblCRC->fontMetrics().horizontalAdvance("FFFFFFFF file contents are identical") + 4);
        h.lblNonDelete = new QLabel(h.box);
        h.lblNonDelete->setAlignment(Qt::AlignRight);
        h.profile = new QListWidget(this);
        h.profile->setAccessibleName(s == 0 ? "Left file" : "Right file");
        h.profile->setFixedHeight(h.profile->fontMetrics().lineSpacing() * 11 + 8);
        h.profile->setSelectionMode(QAbstractItemView::NoSelection);
        h.profile->setFocusPolicy(Qt::NoFocus);

        auto* buttons = new QHBoxLayout;
        buttons->addWidget(h.icon);
        for (QPushButton* b : {h.btOpen, h.btView, h.btMark, h.btBrowse}) buttons->addWidget(b);
        buttons->addStretch();

        auto* grid = new QGridLayout(h.box);
        grid->addWidget(h.lblNonDelete, 0, 0, 1, 2);
        const std::array<QLabel*, 8> values{h.lblFolder, h.lblSize,   h.lblType,
                                            h.lblCreate, h.lblModify, h.lblAccess,
                                            h.lblAttributes, h.lblCRC};
        for (int i = 0; i < 8; ++i) {
            grid->addWidget(new QLabel(kRowTitles[i], h.box), i + 1, 0, Qt::AlignTop);
            grid->addWidget(values[static_cast<size_t>(i)], i + 1, 1);
        }
        grid->setColumnStretch(1, 1);
        grids[static_cast<size_t>(s)] = grid;

        auto* column = new QVBoxLayout;
        column->addLayout(buttons);
        column->addWidget(h.box);
        halves->addLayout(column, 1);
        profiles->addWidget(h.profile, 1);
        if (s == 0) halves->addSpacing(32); // the arrows go here (placeArrows)
        connect(h.btOpen, &QPushButton::clicked, this,
                [this, s] { GuardedCall([&] { openClick(Side(s)); }); });
        connect(h.btView, &QPushButton::clicked, this,
                [this, s] { GuardedCall([&] { viewClick(Side(s)); }); });
        connect(h.btMark, &QPushButton::clicked, this,
                [this, s] { GuardedCall([&] { markClick(Side(s)); }); });
        connect(h.btBrowse, &QPushButton::clicked, this,
                [this, s] { GuardedCall([&] { browseClick(Side(s)); }); });
    }

    for (size_t i = 0; i < 3; ++i) {
        arrows[i] = new QLabel(this);
        arrows[i]->setFixedSize(24, 16);
        arrows[i]->setToolTip("Arrow points to most recent entry");
        arrows[i]->hide();
    }

    pnlBottom = new QWidget(this);
    btPrev = makeButton(pnlBottom, "&Prev pair", "Display previous match (PgUp)");
    btNext = makeButton(pnlBottom, "&Next pair", "Display next match (PgDn)");
    btPrint = makeButton(pnlBottom, "Prin&t", "Print file details");
    btClose = makeButton(pnlBottom, "Close", nullptr);
    btCRC = makeButton(pnlBottom, "&CRC",
                       "If CRC values are different the the contents of each file is different");
    cbAutoCRC = new QCheckBox("Auto compare CRC vals (size must be the same)", pnlBottom);
    cbAutoCRC->setToolTip("If checked and file sizes are equal, will check CRC value");
    auto* bottom = new QHBoxLayout(pnlBottom);
    bottom->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{btPrev, btNext, btPrint, btCRC, cbAutoCRC})
        bottom->addWidget(w);
    bottom->addStretch();
    bottom->addWidget(btClose);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 3);
    layout->addLayout(halves);
    layout->addLayout(profiles);
    layout->addWidget(pnlBottom);

    OnClick(btNext, this, &TfrmDupCompare::btNextClick);
    OnClick(btPrev, this, &TfrmDupCompare::btPrevClick);
    OnClick(btCRC, this, &TfrmDupCompare::btCRCClick);
    OnClick(btPrint, this, &TfrmDupCompare::btPrintClick);
    connect(btClose, &QPushButton::clicked, this, &QDialog::hide);

    for (Half& h : half)
        for (QLabel* l : {h.lblSize, h.lblType, h.lblCreate, h.lblModify, h.lblAccess,
                          h.lblAttributes, h.lblCRC, h.lblNonDelete})
            setNormalBackground(l);
    resize(632, 437);
}

std::string TfrmDupCompare::pathOf(Side side) const {
    const std::optional<Shown>& shown = half[side].shown;
    return shown ? JoinPath(shown->folder, shown->name) : std::string();
}

template <typename Field> bool TfrmDupCompare::sameOnBothSides(Field field) const {
    const std::optional<Shown>& a = half[Left].shown;
    const std::optional<Shown>& b = half[Right].shown;
    if (!a || !b) return a.has_value() == b.has_value();
    return field(*a, *b);
}

void TfrmDupCompare::showFor(TfrmDup* finder) {
    if (!finder) return;
    owner_ = finder;
    // A window of its own, but a child of the modal finder so it takes input.
    if (parentWidget() != finder) setParent(finder, Qt::Dialog);

    // The finder's rows as they stand now; a new search in the finder lists
    // into a new store, so these stay valid until the next show.
    matchKey_.reset();
    store_ = finder->sharedStore();
    rows_ = finder->lbFiles();
    groups_ = finder->lbGroups();
    matchKey_.emplace(*store_, finder->matchMode());
    const ResultGrid* grid = finder->resultGrid();
    // Browse needs the folder browser; without it the buttons stay away.
    for (Half& h : half) h.btBrowse->setVisible(bool(FinderHooks::browse));
    r_ = std::max(0, grid->selectedRow());
    for (Half& h : half) h.lblCRC->clear();
    fillSide(Left, r_);
    fillSide(Right, r_ + 1);
    if (!isVisible()) {
        // Centred over the finder the first time round.
        const QRect area = finder->frameGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
    HighlightDifferences();
    btCRC->setFocus();
}

void TfrmDupCompare::finderClosing(TfrmDup* finder) {
    if (finder == owner_) {
        owner_ = nullptr;
        // The sides keep what they show; the finder's list is let go.
        matchKey_.reset();
        store_.reset();
        rows_.clear();
        groups_.clear();
    }
    if (parentWidget() == finder) {
        // Leave the finder before it deletes its children.
        hide();
        setParent(nullptr, Qt::Dialog);
    }
}

void TfrmDupCompare::clearSide(Side side) {
    Half& h = half[side];
    h.box->setTitle(QString());
    for (QLabel* l : {h.lblFolder, h.lblSize, h.lblType, h.lblCreate, h.lblModify, h.lblAccess,
                      h.lblAttributes, h.lblCRC})
        l->clear();
    h.icon->clear();
    h.profile->clear();
    h.dates = {};
    h.shown.reset();
    h.checksum.reset();
    shownRow_[side] = -1;
}

void TfrmDupCompare::fillSide(Side side, int k) {
    Half& h = half[side];
    h.lblCRC->clear();
    h.checksum.reset();
    if (k < 0 || k >= rowCount()) {
        // Beyond the list (the finder's last row was selected): an empty side.
        clearSide(side);
        return;
    }
    const uint32_t row = rows_[static_cast<size_t>(k)];
    const std::string path = store_->path(row);
    FileFacts facts;
    if (!ReadFileFacts(path, facts)) return; // gone: the side keeps what it showed
    shownRow_[side] = k;

    h.icon->setPixmap(LoadFileIcon(path, facts.attributes & faDirectory).pixmap(32, 32));
    QStringList profile;
    VersionProfile(path, profile, false);
    if (profile.isEmpty()) profile << kNoProfile;
    h.profile->clear();
    h.profile->addItems(profile);

    Shown shown;
    shown.folder = store_->folder(row);
    shown.name = std::string(store_->name(row));
    shown.size = facts.size;
    shown.type = store_->typeName(row);
    shown.created = ShownSecond(facts.created);
    shown.modified = ShownSecond(facts.modified);
    shown.accessDay = facts.accessed == kNoDate ? INT64_MIN : DayNumber(facts.accessed);
    shown.attributes = facts.attributes;

    h.lblFolder->setText(DisplayPath(shown.folder));
    h.box->setTitle(DisplayPath(shown.name));
    h.lblType->setText(shown.type);
    h.lblSize->setText(FormatThousands(facts.size) + " bytes");

    h.lblAccess->setText(DateWithAge(facts.accessed));
    h.lblCreate->setText(DateTimeWithAge(facts.created));
    h.lblModify->setText(DateTimeWithAge(facts.modified));
    h.dates[CreationRow] = facts.created;
    h.dates[ModifyRow] = facts.modified;
    h.dates[AccessRow] = facts.accessed == kNoDate ? 0.0 : std::round(facts.accessed);

    h.lblAttributes->setText(AttributeWords(facts.attributes));
    h.shown = std::move(shown);
}

void TfrmDupCompare::computeCRCValues() {
    WaitCursor wait;
    // One pass over both files gives both checksums and the byte comparison:
    // equal checksums alone do not make equal files.
    const PairChecksums sums = ChecksumPair(pathOf(Left), pathOf(Right));
    const bool identical =
        shownRow_[Left] >= 0 && shownRow_[Right] >= 0 && half[Left].shown && half[Right].shown &&
        half[Left].shown->size == half[Right].shown->size && sums.first == sums.second && sums.same;
    const QString suffix = identical ? " file contents are identical" : " file contents differ";
    for (const auto& [side, sum] : {std::pair{Left, sums.first}, std::pair{Right, sums.second}}) {
        half[side].checksum = sum;
        half[side].lblCRC->setText(QString::number(sum, 16).toUpper().rightJustified(8, ' ') +
                                   suffix);
    }
}

void TfrmDupCompare::btCRCClick() {
    computeCRCValues();
    HighlightDifferences();
}

void TfrmDupCompare::HighlightDifferences() {
    adjustHeight();

    for (int s = 0; s < 2; ++s) {
        Half& h = half[static_cast<size_t>(s)];
        int reason = 0;
        const std::string path = pathOf(Side(s));
        if (!path.empty() && ProtectedFolderList::Instance().IsProtectedFolder(path, true, reason)) {
            h.lblNonDelete->setText(kNonDelete);
            setBackground(h.lblNonDelete, kYellow);
        } else {
            h.lblNonDelete->clear();
            setNormalBackground(h.lblNonDelete);
        }
    }

    // Showing a pair clears its checksums; once worked out they stand until the next one.
    const bool sameSize =
        sameOnBothSides([](const Shown& a, const Shown& b) { return a.size == b.size; });
    if (cbAutoCRC->isChecked() && sameSize && !half[Left].checksum) computeCRCValues();

    const auto colourRow = [this](QLabel* Half::*label, bool same) {
        const QColor colour = same ? QApplication::palette().color(QPalette::Button) : kAqua;
        setBackground(half[Left].*label, colour);
        setBackground(half[Right].*label, colour);
    };
    colourRow(&Half::lblSize, sameSize);
    colourRow(&Half::lblType, sameOnBothSides([](const Shown& a, const Shown& b) {
                  return CompareTypeDescriptions(a.type, b.type) == 0;
              }));
    colourRow(&Half::lblCreate,
              sameOnBothSides([](const Shown& a, const Shown& b) { return a.created == b.created; }));
    colourRow(&Half::lblModify, sameOnBothSides([](const Shown& a, const Shown& b) {
                  return a.modified == b.modified;
              }));
    colourRow(&Half::lblAccess, sameOnBothSides([](const Shown& a, const Shown& b) {
                  return a.accessDay == b.accessDay;
              }));
    colourRow(&Half::lblAttributes, sameOnBothSides([](const Shown& a, const Shown& b) {
                  return a.attributes == b.attributes;
              }));
    colourRow(&Half::lblCRC, half[Left].checksum == half[Right].checksum);

    for (size_t i = 0; i < 3; ++i) {
        const double a = half[Left].dates[i];
        const double b = half[Right].dates[i];
        Arrow state = Arrow::Hidden;
        if (a > 0 && b > 0) state = a > b ? Arrow::Left : (b > a ? Arrow::Right : Arrow::Equal);
        arrowState_[i] = state;
        arrows[i]->setVisible(state != Arrow::Hidden);
        if (state != Arrow::Hidden) arrows[i]->setPixmap(arrowPicture(state));
    }
    placeArrows();

    // Profile lines that differ from the other side's line at the same place.
    QListWidget* left = half[Left].profile;
    QListWidget* right = half[Right].profile;
    const bool compare = left->count() > 1 && right->count() > 1;
    for (QListWidget* list : {left, right}) {
        QListWidget* other = list == left ? right : left;
        for (int i = 0; i < list->count(); ++i) {
            QListWidgetItem* item = list->item(i);
            const bool differs =
                compare && (i >= other->count() || other->item(i)->text() != item->text());
            item->setBackground(differs ? QBrush(kAqua) : QBrush());
        }
    }
}

void TfrmDupCompare::placeArrows() {
    // Between the two boxes, level with the left side's date rows.
    const QLabel* rows[3] = {half[Left].lblCreate, half[Left].lblModify, half[Left].lblAccess};
    const QWidget* box = half[Left].box;
    const int x = box->mapTo(this, QPoint(box->width(), 0)).x() + 4;
    for (size_t i = 0; i < 3; ++i) {
        const QPoint centre = rows[i]->mapTo(this, QPoint(0, rows[i]->height() / 2));
        arrows[i]->move(x, centre.y() - arrows[i]->height() / 2);
    }
}

void TfrmDupCompare::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    placeArrows();
}

bool TfrmDupCompare::isHighlighted(const QWidget* label) {
    return label->autoFillBackground() && label->palette().color(QPalette::Window) == kAqua;
}

void TfrmDupCompare::adjustHeight() {
    const bool lists = half[Left].profile->count() > 1 || half[Right].profile->count() > 1;
    for (Half& h : half) h.profile->setVisible(lists);
    if (!isVisible()) return;
    layout()->activate();
    const int bottom = frameGeometry().bottom();
    const int wanted = layout()->sizeHint().height();
    resize(width(), wanted);
    QRect frame = frameGeometry();
    frame.moveBottom(bottom);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (frame.top() < area.top()) frame.moveTop(area.top() + 20);
        if (frame.bottom() > area.bottom())
            frame.moveTop(area.top() + (area.height() - frame.height()) / 2);
    }
    move(frame.topLeft());
}

bool TfrmDupCompare::qPairMatches(int k) const {
    // The neighbours match exactly when the finder's grouping would put them
    // in one group.
    if (k < 0 || k + 1 >= rowCount() || !matchKey_) return false;
    if (!groups_.empty())
        return groups_[static_cast<size_t>(k)] == groups_[static_cast<size_t>(k) + 1];
    return matchKey_->same(rows_[static_cast<size_t>(k)], rows_[static_cast<size_t>(k) + 1]);
}

void TfrmDupCompare::afterMove() {
    fillSide(Left, r_);
    fillSide(Right, r_ + 1);
    HighlightDifferences();
    if (owner_) owner_->resultGrid()->selectRow(r_);
}

void TfrmDupCompare::btNextClick() {
    // Steps to the next neighbouring pair that matches, never past the last pair.
    const int lastPair = rowCount() - 2;
    if (r_ >= lastPair) return;
    do ++r_;
    while (!qPairMatches(r_) && r_ < lastPair);
    afterMove();
}

void TfrmDupCompare::btPrevClick() {
    if (r_ <= 0) return;
    do --r_;
    while (!qPairMatches(r_) && r_ > 0);
    afterMove();
}

void TfrmDupCompare::markClick(Side side) {
    if (owner_ && shownRow_[side] >= 0) owner_->resultGrid()->MarkThisFile(r_ + side);
}

void TfrmDupCompare::openClick(Side side) {
    const std::string path = pathOf(side);
    if (path.empty()) return;
    if (!OpenPathWithDesktop(path)) ShowErrorMessage("Couldn't open " + DisplayPath(path));
}

void TfrmDupCompare::viewClick(Side side) {
    const std::string path = pathOf(side);
    if (!path.empty() && FinderHooks::view) FinderHooks::view(this, path);
}

void TfrmDupCompare::browseClick(Side side) {
    const std::optional<Shown>& shown = half[side].shown;
    if (!shown || !FinderHooks::browse) return;
    FinderHooks::browse(this, shown->folder, shown->name, "*.*");
}

void TfrmDupCompare::setBackgrounds(bool white) {
    const QList<QWidget*> widgets = findChildren<QWidget*>();
    if (white) {
        setBackground(this, Qt::white);
        for (QWidget* w : widgets)
            if (qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w) ||
                qobject_cast<QListWidget*>(w))
                setBackground(w, Qt::white);
    } else {
        setPalette(QPalette());
        setAutoFillBackground(false);
        for (QWidget* w : widgets)
            if (qobject_cast<QLabel*>(w) || qobject_cast<QGroupBox*>(w) ||
                qobject_cast<QListWidget*>(w))
                setNormalBackground(w);
    }
}

void TfrmDupCompare::btPrintClick() {
    QPrinter printer;
    if (!ChoosePrinter(printer, this)) return;
    setBackgrounds(true);
    const QPixmap image = grab();
    {
        WaitCursor wait;
        QPainter painter;
        if (painter.begin(&printer)) {
            const QRect page = painter.viewport();
            const QSize size = image.size().scaled(page.size(), Qt::KeepAspectRatio);
            painter.drawPixmap(QRect(QPoint(0, 0), size), image);
            painter.end();
        } else {
            ShowErrorMessage("Error printing report ... quitting");
        }
    }
    setBackgrounds(false);
    HighlightDifferences();
}

void TfrmDupCompare::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_PageDown) {
        GuardedCall([this] { btNextClick(); });
        return;
    }
    if (event->key() == Qt::Key_PageUp) {
        GuardedCall([this] { btPrevClick(); });
        return;
    }
    QDialog::keyReleaseEvent(event);
}

TfrmDupCompare& DupCompareWindow() {
    static TfrmDupCompare* window = new TfrmDupCompare;
    return *window;
}

} // namespace quillon
