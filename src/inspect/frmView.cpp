#include "inspect/frmView.h"
#include "inspect/fileviewer.h"
#include "inspect/findDlg.h"
#include "inspect/strings.h"
#include "platform/filewindow.h"
#include "platform/paths.h"
#include "platform/tempfile.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/placements.h"
#include "shell/printing.h"
#include "shell/routines.h"
#include "shell/widgets.h"
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>
#include <cerrno>

namespace quillon {

namespace {

const char* const kStore = "quillon.ini";
const char* const kSection = "frmView";
const char* const kIdentifier = "frmView";

QAction* makeAction(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

QString reasonText(int error) {
    if (error == ENODEV) return "not a regular file";
    return QString::fromLocal8Bit(ErrorText(error).c_str());
}

// Bytes of the local path a dropped URL names (names need not be UTF-8).
std::string droppedPath(const QUrl& url) {
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    const QByteArray bytes = QByteArray::fromPercentEncoding(encoded);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

TfrmView::TfrmView(QWidget* parent) : QDialog(parent) {
    setObjectName("frmView");
    setWindowTitle("View file");
    setWindowFlags(Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setAcceptDrops(true);
    resize(640, 440);

    // Menus.
    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    mnuFile = MainMenu1->addMenu("&File");
    mnuOpen = makeAction(mnuFile, "mnuOpen", "&Open...");
    mnuFile->addSeparator();
    mnuPrint = makeAction(mnuFile, "mnuPrint", "&Print...");
    mnuPrintSetup = makeAction(mnuFile, "mnuPrintSetup", "P&rint setup...");
    mnuFile->addSeparator();
    mnuExit = makeAction(mnuFile, "mnuExit", "E&xit");
    mnuExit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));

    mnuClipboard = MainMenu1->addMenu("&Clipboard");
    mnuCopy = makeAction(mnuClipboard, "mnuCopy", "&Copy");
    mnuCopy->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
    mnuSelectAll = makeAction(mnuClipboard, "mnuSelectAll", "&Select all");

    mnuSearch = MainMenu1->addMenu("&Search");
    mnuFind = makeAction(mnuSearch, "mnuFind", "&Find...");
    mnuFind->setShortcut(QKeySequence::Find);
    mnuFindNext = makeAction(mnuSearch, "mnuFindNext", "Find &next");
    mnuFindNext->setShortcut(QKeySequence(Qt::Key_F3));
    mnuSearch->addSeparator();
    mnuGoToLine = makeAction(mnuSearch, "mnuGoToLine", "&Go to line...");
    mnuGoToLine->setShortcut(QKeySequence(Qt::Key_F4));

    mnuOptions = MainMenu1->addMenu("&Options");
    mnuHexMode = makeAction(mnuOptions, "mnuHexMode", "&Hex Mode");
    mnuHexMode->setCheckable(true);
    mnuHexMode->setShortcut(QKeySequence(Qt::Key_F8));
    mnuTabExpansion = makeAction(mnuOptions, "mnuTabExpansion", "&Tab expansion");
    mnuTabExpansion->setCheckable(true);
    mnuOptions->addSeparator();
    mnuTabSize = makeAction(mnuOptions, "mnuTabSize", "Tab si&ze...");
    mnuOptions->addSeparator();
    mnuFont = makeAction(mnuOptions, "mnuFont", "&Font...");
    for (QAction* action : {mnuExit, mnuCopy, mnuFind, mnuFindNext, mnuGoToLine, mnuHexMode})
        action->setShortcutContext(Qt::WindowShortcut);

    // The viewer and the status line.
    Viewer1 = new FileViewer(this);
    Viewer1->setObjectName("Viewer1");
    mnuTabExpansion->setChecked(Viewer1->tabExpansion());

    Header1 = new QWidget(this);
    Header1->setObjectName("Header1");
    auto* header = new QHBoxLayout(Header1);
    header->setContentsMargins(0, 0, 0, 0);
    header->setSpacing(2);
    const int fieldWidths[4] = {90, 150, 110, 0};
    for (int i = 0; i < 4; ++i) {
        auto* field = new QLabel;
        field->setObjectName(QString("Header1Field%1").arg(i + 1));
        field->setFrameShape(QFrame::Panel);
        field->setFrameShadow(QFrame::Sunken);
        field->setTextFormat(Qt::PlainText);
        if (fieldWidths[i] > 0) field->setFixedWidth(fieldWidths[i]);
        header->addWidget(field, fieldWidths[i] > 0 ? 0 : 1);
        Header1Fields[i] = field;
    }

    // The bottom panel; FormResize lays the buttons out from the right.
    pnlBottom = new QWidget(this);
    pnlBottom->setObjectName("pnlBottom");
    pnlBottom->setFixedHeight(41);
    rbAscii = new QRadioButton("&ASCII", pnlBottom);
    rbAscii->setObjectName("rbAscii");
    rbAscii->setChecked(true);
    rbHex = new QRadioButton("&Hex", pnlBottom);
    rbHex->setObjectName("rbHex");
    btFont = MakeButton("btFont", "Fo&nt");
    btPrint = MakeButton("btPrint", "P&rint setup");
    BitBtn1 = MakeButton("BitBtn1", "&Print");
    btStrings = MakeButton("btStrings", "Pee&k at strings");
    btStrings->setToolTip("Peek inside file for ASCII strings");
    btClose = MakeButton("btClose", "Close");
    for (QPushButton* b : {btFont, btPrint, BitBtn1, btStrings, btClose}) {
        b->setParent(pnlBottom);
        b->setAutoDefault(false);
    }

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(Viewer1, 1);
    layout->addWidget(Header1);
    layout->addWidget(pnlBottom);

    // Handlers.
    const auto on = [this](QAction* action, void (TfrmView::*handler)()) {
        connect(action, &QAction::triggered, this,
                [this, handler] { GuardedCall([&] { (this->*handler)(); }); });
    };
    on(mnuOpen, &TfrmView::mnuOpenClick);
    on(mnuPrint, &TfrmView::BitBtn1Click);
    on(mnuPrintSetup, &TfrmView::btPrintClick);
    connect(mnuExit, &QAction::triggered, this, &TfrmView::reject);
    on(mnuCopy, &TfrmView::mnuCopyClick);
    on(mnuSelectAll, &TfrmView::mnuSelectAllClick);
    on(mnuFind, &TfrmView::mnuFindClick);
    on(mnuFindNext, &TfrmView::mnuFindNextClick);
    on(mnuGoToLine, &TfrmView::mnuGoToLineClick);
    on(mnuHexMode, &TfrmView::mnuHexModeClick);
    on(mnuTabExpansion, &TfrmView::mnuTabExpansionClick);
    on(mnuTabSize, &TfrmView::mnuTabSizeClick);
    on(mnuFont, &TfrmView::btFontClick);
    OnClick(rbAscii, this, &TfrmView::rbAsciiClick);
    OnClick(rbHex, this, &TfrmView::rbHexClick);
    OnClick(btFont, this, &TfrmView::btFontClick);
    OnClick(btPrint, this, &TfrmView::btPrintClick);
    OnClick(BitBtn1, this, &TfrmView::BitBtn1Click);
    OnClick(btStrings, this, &TfrmView::btStringsClick);
    connect(btClose, &QPushButton::clicked, this, &TfrmView::reject);
    connect(mnuFile, &QMenu::aboutToShow, this, [this] { refreshFileMenu(); });
    connect(mnuClipboard, &QMenu::aboutToShow, this, [this] { refreshClipboardMenu(); });
    connect(mnuSearch, &QMenu::aboutToShow, this, [this] { refreshSearchMenu(); });
    connect(Viewer1, &FileViewer::statusChanged, this, [this] { Viewer1ShowStatus(); });

    Viewer1ShowStatus();
    refreshFileMenu();
    refreshSearchMenu();
}

TfrmView::~TfrmView() { SaveWindowPlacement(this, kStore, kSection, kIdentifier); }

QPrinter& TfrmView::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>();
    return *printer_;
}

void TfrmView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        FormShow();
    }
}

void TfrmView::FormShow() {
    if (!FileName.empty())
        openInViewer(FileName); // refreshes the menus
    else
        refreshMenus();
    fitMinimumWidth();
    RestoreWindowPlacement(this, kStore, kSection, kIdentifier);
    FormResize();
    Viewer1->setFocus();
}

void TfrmView::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    FormResize();
}

namespace {
// A bottom-panel button: its text, at least 75 pixels.
int ButtonWidth(const QWidget* w) { return std::max(w->sizeHint().width(), 75); }
} // namespace

void TfrmView::fitMinimumWidth() {
    // The ASCII / Hex choice and every button shown, side by side.
    int needed = 8 + rbAscii->sizeHint().width() + 10 + rbHex->sizeHint().width() + 15 + 15;
    for (QPushButton* b : {btClose, btStrings, BitBtn1, btPrint, btFont})
        if (!b->isHidden()) needed += ButtonWidth(b) + 5;
    setMinimumWidth(needed);
}

void TfrmView::FormResize() {
    const int height = pnlBottom->height();
    const auto place = [height](QWidget* w, int right) {
        const QSize size(ButtonWidth(w), 25);
        w->setGeometry(right - size.width(), (height - size.height()) / 2, size.width(),
                       size.height());
        return right - size.width() - 5;
    };
    int right = pnlBottom->width() - 15;
    for (QPushButton* b : {btClose, btStrings, BitBtn1, btPrint, btFont})
        if (!b->isHidden()) right = place(b, right);
    const QSize ascii = rbAscii->sizeHint();
    rbAscii->setGeometry(8, (height - ascii.height()) / 2, ascii.width(), ascii.height());
    const QSize hex = rbHex->sizeHint();
    rbHex->setGeometry(8 + ascii.width() + 10, (height - hex.height()) / 2, hex.width(),
                       hex.height());
}

void TfrmView::openInViewer(const std::string& path) {
    // The strings window shows a temporary file; its caption names the file
    // the strings came from.
    QString caption = stringsOf_.empty() ? "View File : " + DisplayPath(path)
                                         : "Strings of : " + DisplayPath(stringsOf_);
    if (!Viewer1->openFile(path))
        caption += "  (could not open: " + reasonText(Viewer1->openError()) + ")";
    setWindowTitle(caption);
    refreshMenus();
}

void TfrmView::setStringsView(const std::string& madeFrom) {
    stringsOf_ = madeFrom;
    btStrings->hide();
    rbAscii->hide();
    rbHex->hide();
    mnuHexMode->setVisible(false);
    fitMinimumWidth();
    FormResize();
}

// --- menu states ------------------------------------------------------------

void TfrmView::refreshMenus() {
    refreshFileMenu();
    refreshSearchMenu();
    refreshClipboardMenu();
}

void TfrmView::refreshFileMenu() { mnuPrint->setEnabled(Viewer1->lineCount() > 0); }

void TfrmView::refreshClipboardMenu() {
    mnuCopy->setEnabled(Viewer1->hasSelection());
    mnuSelectAll->setEnabled(Viewer1->lineCount() > 0);
}

void TfrmView::refreshSearchMenu() {
    const bool lines = Viewer1->lineCount() > 0;
    mnuFind->setEnabled(lines);
    mnuGoToLine->setEnabled(lines);
    mnuFindNext->setEnabled(lines && !FindDialog().searchText().isEmpty());
}

// --- file -------------------------------------------------------------------

void TfrmView::mnuOpenClick() {
    const auto path = Dialogs().chooseOpenFile("Open", "All Files (*)");
    if (!path) return;
    stringsOf_.clear(); // another file: no longer the strings of one
    openInViewer(*path);
}

void TfrmView::FormDropFiles(const std::vector<std::string>& paths) {
    if (paths.empty()) return;
    // The whole path of the first file; the rest of a drop is ignored.
    FileName = paths.front();
    stringsOf_.clear();
    openInViewer(FileName);
    if (isMinimized()) {
        showNormal();
    } else {
        raise();
        activateWindow();
    }
}

void TfrmView::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
    event->ignore();
}

void TfrmView::dropEvent(QDropEvent* event) {
    std::vector<std::string> paths;
    if (const QMimeData* data = event->mimeData())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) paths.push_back(droppedPath(url));
    if (paths.empty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    GuardedCall([&] { FormDropFiles(paths); });
}

// --- modes, tabs, font ------------------------------------------------------

void TfrmView::mnuHexModeClick() {
    const bool hex = mnuHexMode->isChecked();
    Viewer1->setHexMode(hex);
    rbHex->setChecked(hex);
    rbAscii->setChecked(!hex);
}

void TfrmView::rbAsciiClick() {
    Viewer1->setHexMode(false);
    mnuHexMode->setChecked(false);
}

void TfrmView::rbHexClick() {
    Viewer1->setHexMode(true);
    mnuHexMode->setChecked(true);
}

void TfrmView::mnuTabExpansionClick() {
    Viewer1->setTabExpansion(!Viewer1->tabExpansion());
    mnuTabExpansion->setChecked(Viewer1->tabExpansion());
}

void TfrmView::mnuTabSizeClick() {
    const auto answer =
        Dialogs().inputText("Tab Size", "Enter tab size", QString::number(Viewer1->tabSize()));
    if (!answer) return;
    bool ok = false;
    const int size = answer->trimmed().toInt(&ok);
    if (ok && size >= 1 && size <= 255) Viewer1->setTabSize(size);
}

void TfrmView::btFontClick() {
    std::optional<QFont> chosen;
    if (fontChooser) {
        chosen = fontChooser(Viewer1->font());
    } else {
        bool ok = false;
        const QFont font = QFontDialog::getFont(&ok, Viewer1->font(), this, "Font",
                                                QFontDialog::MonospacedFonts);
        if (ok) chosen = font;
    }
    if (chosen) Viewer1->setViewerFont(*chosen);
}

// --- search -----------------------------------------------------------------

void TfrmView::mnuFindClick() {
    TFindDlg& dialog = FindDialog();
    dialog.Edit1->selectAll();
    dialog.Edit1->setFocus();
    const int answer = dialog.exec();
    if (answer == QDialog::Accepted) runFind(dialog.global());
    refreshSearchMenu();
}

void TfrmView::mnuFindNextClick() {
    runFind(false);
    refreshSearchMenu();
}

void TfrmView::runFind(bool global) {
    const TFindDlg& dialog = FindDialog();
    const QString text = dialog.searchText();
    if (text.isEmpty()) return;
    bool found = false;
    {
        WaitCursor wait;
        found = Viewer1->find(text, dialog.backward(), dialog.matchCase(), global);
    }
    if (!found) ShowInfoMessage("Search string '" + text + "' not found");
}

void TfrmView::mnuGoToLineClick() {
    const QString prompt = "Enter line number (1 to " + QString::number(Viewer1->lineCount()) + ")";
    const auto answer = Dialogs().inputText("Go to line number", prompt, QString());
    if (!answer) return;
    bool ok = false;
    const qlonglong line = answer->trimmed().toLongLong(&ok);
    if (!ok) return;
    WaitCursor wait;
    Viewer1->goToLine(line - 1);
}

// --- status -----------------------------------------------------------------

void TfrmView::Viewer1ShowStatus() {
    const int64_t caret = Viewer1->caretLine();
    const QString caretText = (caret >= 0 ? QString::number(caret + 1) : QString("?")) + ":" +
                              QString::number(Viewer1->caretColumn() + 1);
    Header1Fields[0]->setText(caretText.leftJustified(8, ' '));
    Header1Fields[1]->setText("Total: " + (Viewer1->lineCountKnown()
                                               ? FormatThousands(Viewer1->lineCount())
                                               : QString("?")));
    const int64_t top = Viewer1->topLine();
    Header1Fields[2]->setText(
        "Top: " + (top >= 0 ? QString::number(top + 1) : QString("?")).leftJustified(5, ' '));
    Header1Fields[3]->setText("Bytes: " + FormatThousands(Viewer1->fileSize()));
    refreshClipboardMenu();
}

QString TfrmView::statusField(int index) const {
    return index >= 0 && index < 4 ? Header1Fields[index]->text() : QString();
}

// --- printing ---------------------------------------------------------------

void TfrmView::forEachPrintLine(bool selectionOnly,
                                const std::function<bool(const QString&)>& each) {
    if (!selectionOnly) {
        Viewer1->countLines();
        const int64_t count = Viewer1->lineCount();
        if (count > 0) Viewer1->forEachLine(0, count - 1, each);
        return;
    }
    if (!Viewer1->hasSelection()) return;
    const auto from = Viewer1->selectionStart();
    const auto to = Viewer1->selectionEnd();
    if (from.line < 0 || to.line < 0) Viewer1->countLines();
    const auto first = Viewer1->selectionStart();
    const auto last = Viewer1->selectionEnd();
    int64_t line = first.line;
    Viewer1->forEachLine(first.line, last.line, [&](const QString& text) {
        QString printed = text;
        if (line == last.line) printed = printed.left(last.column);
        if (line == first.line)
            printed = QString(std::min<int>(first.column, printed.size()), QLatin1Char(' ')) +
                      printed.mid(first.column);
        ++line;
        return each(printed);
    });
}

QStringList TfrmView::PrintViewerLines(bool selectionOnly) {
    QStringList lines;
    forEachPrintLine(selectionOnly, [&](const QString& line) {
        lines << line;
        return true;
    });
    return lines;
}

void TfrmView::BitBtn1Click() { printViewer(); }

void TfrmView::printViewer() {
    const bool selection = Viewer1->hasSelection();
    QPrinter& device = printer();
    device.setPrintRange(QPrinter::AllPages);
    if (!ChoosePrinter(device, this, selection)) return;
    const QPrinter::PrintRange range = device.printRange();
    // A page range prints nothing; neither does a selection that is not there.
    if (range == QPrinter::PageRange || range == QPrinter::CurrentPage) return;
    const bool selectionOnly = range == QPrinter::Selection;
    if (selectionOnly && !selection) return;

    bool printed = false;
    {
        WaitCursor wait;
        printed = PrintLineSource(device, Viewer1->font(), [&](const PrintLineSink& print) {
            forEachPrintLine(selectionOnly, print);
        });
    }
    if (!printed) ShowErrorMessage("Error printing file ... quitting");
}

void TfrmView::btPrintClick() {
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

// --- clipboard and strings --------------------------------------------------

void TfrmView::mnuSelectAllClick() { Viewer1->selectAll(); }

void TfrmView::mnuCopyClick() {
    if (!Viewer1->copyToClipboard())
        ShowWarningMessage("The selection is too large to copy to the clipboard");
}

void TfrmView::btStringsClick() {
    std::string temporary;
    {
        WaitCursor wait;
        int error = 0;
        temporary = CreateTempFile("str", &error);
        if (temporary.empty()) {
            ShowErrorMessage("Could not create a temporary file in " + DisplayPath(TempFolder()) +
                             " (" + reasonText(error) + ")");
            return;
        }
        ExtractStrings(FileName, temporary, 5, 100);
    }
    {
        TfrmView strings(this);
        strings.setStringsView(FileName);
        strings.FileName = temporary;
        strings.exec();
    }
    RemoveFileIfPresent(temporary);
}

void ShowViewer(QWidget* owner, const std::string& path) {
    TfrmView view(owner);
    view.FileName = path;
    view.exec();
}

} // namespace quillon
