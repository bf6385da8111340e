#include "inspect/fileviewer.h"
#include "inspect/findDlg.h"
#include "inspect/frmView.h"
#include "platform/filewindow.h"
#include "platform/paths.h"
#include "shell/placements.h"
#include "shell/printing.h"
#include "shell/routines.h"
#include "support/modal.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include "linesfile.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QCheckBox>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon {
namespace {

using test::LinesFile;
using test::makeLines;
using test::whenModalOpens;

using test::ScriptedDialogs;
using test::TestWorld;

constexpr int64_t kUnknown = FileViewer::kUnknownLineCount;

void runEventsUntil(const std::function<bool()>& done) {
    ASSERT_TRUE(QTest::qWaitFor(done, 20000));
}

// ---------------------------------------------------------------------------
// The viewer control

class ViewerTest : public ::testing::Test {
protected:
    TestWorld world;
    FileViewer viewer;
    void SetUp() override {
        viewer.resize(600, 300);
        viewer.setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        viewer.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&viewer));
    }
    void open(const std::string& contents) {
        ASSERT_TRUE(viewer.openFile(world.writeFile("view.txt", contents)));
        viewer.countLines();
    }
};

TEST_F(ViewerTest, ShowsLinesAsText) {
    const std::string latin1 = "caf\xE9 \x01";
    const std::string utf8 = "caf\xC3\xA9 \xE2\x82\xAC";
    open("plain\r\n\tx\tyz\n" + latin1 + "\n" + utf8 + "\n" + std::string(3000, 'w') + "\nlast");
    EXPECT_EQ(viewer.lineCount(), 6);
    EXPECT_EQ(viewer.lineText(0), "plain");
    EXPECT_EQ(viewer.lineText(1), "        x       yz");
    EXPECT_EQ(viewer.lineText(2), QString::fromLatin1("caf\xE9 ."));
    EXPECT_EQ(viewer.lineText(3), QString::fromUtf8("caf\xC3\xA9 \xE2\x82\xAC"));
    EXPECT_EQ(viewer.lineText(4), QString(1023, 'w'));
    EXPECT_EQ(viewer.lineText(5), "last");
    EXPECT_EQ(viewer.lineText(6), "");

    viewer.setTabSize(4);
    EXPECT_EQ(viewer.lineText(1), "    x   yz");
    viewer.setTabSize(0);
    viewer.setTabSize(256);
    EXPECT_EQ(viewer.tabSize(), 4);
    viewer.setTabExpansion(false);
    EXPECT_EQ(viewer.lineText(1), " x yz");
}

TEST_F(ViewerTest, HexModeShowsSixteenBytesALine) {
    open("Hello\n" + std::string(16, '\0') + "xyz");
    viewer.setHexMode(true);
    EXPECT_TRUE(viewer.lineCountKnown());
    EXPECT_EQ(viewer.lineCount(), 2); // 25 bytes
    const QString pad8(8 * 3, ' ');
    EXPECT_EQ(viewer.lineText(0), "00000000  48 65 6C 6C 6F 0A 00 00  00 00 00 00 00 00 00 00  Hello...........");
    EXPECT_EQ(viewer.lineText(1), "00000010  00 00 00 00 00 00 78 79  7A                       ......xyz");
    EXPECT_EQ(viewer.lineText(2), "");
    viewer.setHexMode(false);
    EXPECT_EQ(viewer.lineText(1), "................xyz");
}

TEST_F(ViewerTest, EmptyFileHasNoLines) {
    open("");
    EXPECT_EQ(viewer.lineCount(), 0);
    EXPECT_EQ(viewer.fileSize(), 0);
    viewer.selectAll();
    EXPECT_FALSE(viewer.hasSelection());
    EXPECT_FALSE(viewer.find("x", false, false, true));
    viewer.goToLine(5);
    EXPECT_EQ(viewer.caretLine(), 0);
    viewer.setHexMode(true);
    EXPECT_EQ(viewer.lineCount(), 0);
}

TEST_F(ViewerTest, CountsInTheBackgroundAndNumbersTheEndOnceKnown) {
    const LinesFile file = makeLines(400'000, 3); // about 25 MB: several timer ticks
    ASSERT_TRUE(viewer.openFile(world.writeFile("big.txt", file.contents)));
    EXPECT_FALSE(viewer.lineCountKnown());
    EXPECT_EQ(viewer.lineCount(), kUnknown);
    // Ctrl+End before the count is done: the last line, number not yet known.
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(viewer.caretLine(), -1);
    EXPECT_EQ(viewer.caretColumn(),
              static_cast<int>(file.contents.size()) - file.starts.back() - 1);
    EXPECT_FALSE(viewer.lineCountKnown());
    int statusChanges = 0;
    QObject::connect(&viewer, &FileViewer::statusChanged, [&] { ++statusChanges; });
    runEventsUntil([&] { return viewer.lineCountKnown(); });
    EXPECT_GE(statusChanges, 1);
    const auto count = static_cast<int64_t>(file.starts.size());
    EXPECT_EQ(viewer.lineCount(), count);
    EXPECT_EQ(viewer.caretLine(), count - 1);
    EXPECT_EQ(viewer.topLine(), count - viewer.visibleRows());
}

TEST_F(ViewerTest, GoToLineAndPaging) {
    const LinesFile file = makeLines(5000, 4);
    ASSERT_TRUE(viewer.openFile(world.writeFile("lines.txt", file.contents)));
    viewer.goToLine(1234); // before the count finished: it counts as far as needed
    EXPECT_EQ(viewer.caretLine(), 1234);
    EXPECT_EQ(viewer.topLine(), 1234);
    EXPECT_EQ(viewer.caretColumn(), 0);
    viewer.goToLine(999'999); // past the end: the last line
    EXPECT_EQ(viewer.caretLine(), 4999);
    EXPECT_EQ(viewer.topLine(), 5000 - viewer.visibleRows());
    viewer.goToLine(-5);
    EXPECT_EQ(viewer.caretLine(), 0);

    QTest::keyClick(&viewer, Qt::Key_PageDown);
    EXPECT_EQ(viewer.caretLine(), viewer.visibleRows() - 1);
    QTest::keyClick(&viewer, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_TRUE(viewer.hasSelection());
    EXPECT_EQ(viewer.selectionStart().line, viewer.visibleRows() - 1);
    EXPECT_EQ(viewer.selectionEnd().line, viewer.visibleRows());
    EXPECT_EQ(viewer.selectionEnd().column, viewer.lineText(viewer.visibleRows()).size());
    QTest::keyClick(&viewer, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_FALSE(viewer.hasSelection());
    EXPECT_EQ(viewer.caretLine(), 0);
    EXPECT_EQ(viewer.topLine(), 0);
}

TEST_F(ViewerTest, SelectionCopiesTheTextAsShown) {
    open("first\nsecond\tx\nthird");
    viewer.setSelection(0, 2, 1, 8);
    EXPECT_EQ(viewer.selectedText(), "rst\nsecond  ");
    ASSERT_TRUE(viewer.copyToClipboard());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "rst\nsecond  ");
    viewer.selectAll();
    EXPECT_EQ(viewer.selectedText(), "first\nsecond  x\nthird");
    // Keyboard: shift+right twice from the start of line 2.
    viewer.moveCaretTo(2, 0);
    QTest::keyClick(&viewer, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&viewer, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(viewer.selectedText(), "th");
    viewer.clearSelection();
    EXPECT_EQ(viewer.selectedText(), "");
}

TEST_F(ViewerTest, FindMovesCaretAndSelection) {
    open("alpha Beta\ngamma beta\ndelta BETA\n");
    struct Step {
        const char* text;
        bool backward, matchCase, global;
        bool found;
        int64_t line;
        int column; // selection start column
    };
    // Each step searches from where the one before left the caret.
    const Step steps[] = {
        {"beta", false, false, false, true, 0, 6},
        {"beta", false, false, false, true, 1, 6},
        {"beta", false, false, false, true, 2, 6},
        {"beta", false, false, false, false, 2, 6}, // nothing after the last
        {"beta", false, false, true, true, 0, 6},   // global starts again at the top
        {"BETA", false, true, false, true, 2, 6},
        {"Beta", true, true, false, true, 0, 6},
        {"beta", true, false, true, true, 2, 6},    // global backward starts at the end
        {"beta", true, false, false, true, 1, 6},
        {"zzz", false, false, true, false, 1, 6},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(viewer.find(s.text, s.backward, s.matchCase, s.global), s.found) << s.text;
        EXPECT_EQ(viewer.selectionStart().line, s.line) << s.text;
        EXPECT_EQ(viewer.selectionStart().column, s.column) << s.text;
        EXPECT_EQ(viewer.selectedText().toLower(), "beta") << s.text;
    }
}

TEST_F(ViewerTest, FindSkipsTextBeyondTheShownPartOfALine) {
    open(std::string(2000, 'x') + "needle\nneedle\n");
    EXPECT_TRUE(viewer.find("needle", false, false, true));
    EXPECT_EQ(viewer.selectionStart().line, 1);
    // Hex mode shows every byte, so the first one is found there.
    viewer.setHexMode(true);
    EXPECT_TRUE(viewer.find("needle", false, false, true));
    EXPECT_EQ(viewer.selectionStart().line, 2000 / 16);
    EXPECT_EQ(viewer.selectedText(), "needle");
}

TEST_F(ViewerTest, UnreadableFileOpensNothing) {
    const std::string path = world.writeFile("secret.txt", "text\n");
    SetFileOpenFailureForTesting([&](const std::string& p) { return p == path ? EACCES : 0; });
    EXPECT_FALSE(viewer.openFile(path));
    SetFileOpenFailureForTesting(nullptr);
    EXPECT_EQ(viewer.openError(), EACCES);
    EXPECT_EQ(viewer.lineCount(), 0);
    EXPECT_EQ(viewer.lineText(0), "");
    EXPECT_FALSE(viewer.openFile(world.path("")));
    EXPECT_EQ(viewer.openError(), EISDIR);
}

TEST_F(ViewerTest, FileThatShrinksOrGoesWhileOpen) {
    const LinesFile file = makeLines(3000, 5);
    const std::string path = world.writeFile("shrinks.txt", file.contents);
    const int64_t newSize = file.starts[10];
    const auto originalLine = [&](size_t i) {
        const auto from = static_cast<size_t>(file.starts[i]);
        return QString::fromLatin1(file.contents.substr(from, static_cast<size_t>(file.starts[i + 1]) - from - 1));
    };

    // Shrunk before the count: the count ends at the new end.
    ASSERT_TRUE(viewer.openFile(path));
    ASSERT_EQ(truncate(path.c_str(), newSize), 0);
    viewer.countLines();
    EXPECT_EQ(viewer.lineCount(), 10);
    EXPECT_EQ(viewer.lineText(9), originalLine(9));
    EXPECT_EQ(viewer.lineText(10), "");

    // Shrunk after the count: lines past the new end read as empty, and
    // jumps, search, selection and painting there do no harm.
    world.writeFile("shrinks.txt", file.contents);
    ASSERT_TRUE(viewer.openFile(path));
    viewer.goToLine(2500);
    ASSERT_EQ(viewer.lineCount(), 3000);
    ASSERT_EQ(truncate(path.c_str(), newSize), 0);
    EXPECT_EQ(viewer.lineText(2000), "");
    EXPECT_EQ(viewer.lineText(5), originalLine(5));
    viewer.goToLine(2999);
    QTest::keyClick(&viewer, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(&viewer, Qt::Key_Up, Qt::ShiftModifier);
    viewer.repaint();
    EXPECT_FALSE(viewer.find("zzzz", false, false, true));
    viewer.selectAll();
    EXPECT_TRUE(viewer.selectedText().startsWith(originalLine(0)));
    viewer.setHexMode(true);
    EXPECT_EQ(viewer.lineText(newSize / 16 + 10).trimmed().size(), 8); // the offset, no bytes
    viewer.setHexMode(false);

    // Removed: the open file stays readable to the end.
    world.writeFile("shrinks.txt", file.contents);
    ASSERT_TRUE(viewer.openFile(path));
    ASSERT_EQ(unlink(path.c_str()), 0);
    viewer.countLines();
    EXPECT_EQ(viewer.lineCount(), 3000);
    EXPECT_EQ(viewer.lineText(2998), originalLine(2998));
}

// ---------------------------------------------------------------------------
// The viewer window


class ViewWindowTest : public ::testing::Test {
protected:
    TestWorld world;
    std::unique_ptr<TfrmView> view;
    void show(const std::string& path) {
        view = std::make_unique<TfrmView>();
        view->FileName = path;
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }
    void TearDown() override {
        Printing::chooser = nullptr;
        TfrmView::fontChooser = nullptr;
    }
    QString status(int i) const { return view->statusField(i); }
};

TEST_F(ViewWindowTest, TwoLineFileStatusAndGoToLine) {
    const std::string path = world.writeFile("two.txt", "first line\nsecond\n");
    show(path);
    EXPECT_EQ(view->windowTitle(), "View File : " + DisplayPath(path));
    runEventsUntil([&] { return view->Viewer1->lineCountKnown(); });
    EXPECT_EQ(status(0), "1:1     ");
    EXPECT_EQ(status(1), "Total: 2");
    EXPECT_EQ(status(2), "Top: 1    ");
    EXPECT_EQ(status(3), "Bytes: 18");

    ScriptedDialogs dialogs;
    dialogs.expectInput("Enter line number (1 to 2)", QString("2"))
        .expectInput("Enter line number (1 to 2)", QString("two"))
        .expectInput("Enter line number (1 to 2)", std::nullopt);
    view->mnuGoToLine->trigger();
    EXPECT_EQ(dialogs.lastInputCaption(), "Go to line number");
    EXPECT_EQ(dialogs.lastInputInitial(), "");
    EXPECT_EQ(status(0), "2:1     ");
    view->mnuGoToLine->trigger(); // not a number: ignored
    view->mnuGoToLine->trigger(); // cancelled
    EXPECT_EQ(status(0), "2:1     ");
}

TEST_F(ViewWindowTest, StatusWhileTheCountIsUnknownAndThousands) {
    const LinesFile file = makeLines(300'000, 6);
    show(world.writeFile("big.txt", file.contents));
    EXPECT_EQ(status(1), "Total: ?");
    {
        ScriptedDialogs dialogs;
        dialogs.expectInput("Enter line number (1 to 2147483647)", std::nullopt);
        view->mnuGoToLine->trigger();
    }
    runEventsUntil([&] { return view->Viewer1->lineCountKnown(); });
    EXPECT_EQ(status(1), "Total: 300,000");
    EXPECT_EQ(status(3), "Bytes: " + FormatThousands(static_cast<int64_t>(file.contents.size())));
}

TEST_F(ViewWindowTest, HexModeTogglesAndRadioButtonsFollow) {
    show(world.writeFile("hex.txt", "0123456789abcdefXYZ\n"));
    view->mnuHexMode->trigger();
    EXPECT_TRUE(view->Viewer1->hexMode());
    EXPECT_TRUE(view->rbHex->isChecked());
    EXPECT_FALSE(view->rbAscii->isChecked());
    view->mnuHexMode->trigger();
    EXPECT_FALSE(view->Viewer1->hexMode());
    EXPECT_TRUE(view->rbAscii->isChecked());
    EXPECT_FALSE(view->mnuHexMode->isChecked());
    QTest::mouseClick(view->rbHex, Qt::LeftButton);
    EXPECT_TRUE(view->Viewer1->hexMode());
    EXPECT_TRUE(view->mnuHexMode->isChecked());
    QTest::mouseClick(view->rbAscii, Qt::LeftButton);
    EXPECT_FALSE(view->Viewer1->hexMode());
    EXPECT_FALSE(view->mnuHexMode->isChecked());
}

TEST_F(ViewWindowTest, TabSizeAndExpansionAndFont) {
    show(world.writeFile("tabs.txt", "\tx\n"));
    EXPECT_TRUE(view->mnuTabExpansion->isChecked());
    ScriptedDialogs dialogs;
    for (const char* bad : {"abc", "0", "256", "", "4.5"})
        dialogs.expectInput("Enter tab size", QString(bad));
    dialogs.expectInput("Enter tab size", QString("3"));
    for (int i = 0; i < 6; ++i) view->mnuTabSize->trigger();
    EXPECT_EQ(dialogs.lastInputCaption(), "Tab Size");
    EXPECT_EQ(dialogs.lastInputInitial(), "8"); // the size before the last answer
    EXPECT_EQ(view->Viewer1->tabSize(), 3);
    EXPECT_EQ(view->Viewer1->lineText(0), "   x");
    view->mnuTabExpansion->trigger();
    EXPECT_FALSE(view->Viewer1->tabExpansion());
    EXPECT_FALSE(view->mnuTabExpansion->isChecked());
    EXPECT_EQ(view->Viewer1->lineText(0), " x");

    QFont chosen = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    chosen.setPointSize(17);
    TfrmView::fontChooser = [&](const QFont&) { return std::optional<QFont>(chosen); };
    QTest::mouseClick(view->btFont, Qt::LeftButton);
    EXPECT_EQ(view->Viewer1->font().pointSize(), 17);
    TfrmView::fontChooser = [](const QFont&) { return std::optional<QFont>(); };
    view->mnuFont->trigger();
    EXPECT_EQ(view->Viewer1->font().pointSize(), 17);
}

TEST_F(ViewWindowTest, AtItsSmallestTheAsciiHexChoiceStaysBesideTheButtons) {
    show(world.writeFile("small.txt", "text\n"));
    view->resize(1, view->height()); // as narrow as it goes
    QApplication::processEvents();
    int leftmost = view->width();
    for (QPushButton* b : {view->btClose, view->btStrings, view->BitBtn1, view->btPrint, view->btFont})
        if (!b->isHidden()) leftmost = std::min(leftmost, b->geometry().left());
    EXPECT_LE(view->rbHex->geometry().right(), leftmost);
    EXPECT_LE(view->rbAscii->geometry().right(), view->rbHex->geometry().left());
}

TEST_F(ViewWindowTest, FindDialogIsSharedAndNotFoundIsReported) {
    show(world.writeFile("find.txt", "one apple\ntwo Apple\nthree apple\n"));
    TFindDlg& find = FindDialog();
    EXPECT_EQ(find.windowTitle(), "Find");
    EXPECT_TRUE(find.RadioButton1->isChecked());
    whenModalOpens<TFindDlg>([](TFindDlg* dialog) {
        dialog->Edit1->setText("apple");
        dialog->CheckBox1->setChecked(true);
        QTest::mouseClick(dialog->OKBtn, Qt::LeftButton);
    });
    view->mnuFind->trigger();
    EXPECT_EQ(view->Viewer1->selectionStart().line, 0);
    EXPECT_TRUE(view->mnuFindNext->isEnabled());
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    QTest::keyClick(view.get(), Qt::Key_F3);
    EXPECT_EQ(view->Viewer1->selectionStart().line, 2); // match case passes "Apple" over
    {
        ScriptedDialogs dialogs;
        dialogs.expectMessage(MessageKind::Info, "Search string 'apple' not found");
        QTest::keyClick(view.get(), Qt::Key_F3);
        EXPECT_EQ(view->Viewer1->selectionStart().line, 2); // the caret stays
    }

    // A second viewer finds with the same text and options.
    view = nullptr;
    show(world.writeFile("find2.txt", "Apple\napple\n"));
    view->refreshSearchMenu();
    QTest::keyClick(view.get(), Qt::Key_F3);
    EXPECT_EQ(view->Viewer1->selectionStart().line, 1);
    // Cancel leaves the viewer alone.
    whenModalOpens<TFindDlg>([](TFindDlg* dialog) {
        EXPECT_EQ(dialog->Edit1->text(), "apple");
        QTest::mouseClick(dialog->CancelBtn, Qt::LeftButton);
    });
    view->mnuFind->trigger();
    EXPECT_EQ(view->Viewer1->selectionStart().line, 1);

    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    // Ctrl+F, as the menu says, opens Find again.
    EXPECT_EQ(view->mnuFind->shortcut(), QKeySequence(QKeySequence::Find));
    bool opened = false;
    whenModalOpens<TFindDlg>([&](TFindDlg* dialog) {
        opened = true;
        dialog->reject();
    });
    QTest::keyClick(view.get(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(opened);
    find.CheckBox1->setChecked(false);
    find.Edit1->clear();
}

TEST_F(ViewWindowTest, MenuStatesFollowTheFile) {
    show(world.writeFile("empty.txt", ""));
    view->refreshFileMenu();
    EXPECT_FALSE(view->mnuPrint->isEnabled());
    EXPECT_FALSE(view->mnuFind->isEnabled());
    EXPECT_FALSE(view->mnuGoToLine->isEnabled());
    EXPECT_FALSE(view->mnuFindNext->isEnabled());
    EXPECT_FALSE(view->mnuSelectAll->isEnabled());
    EXPECT_FALSE(view->mnuCopy->isEnabled());

    ScriptedDialogs dialogs;
    const std::string other = world.writeFile("other.txt", "some text\n");
    dialogs.expectOpenFile("Open", other);
    view->mnuOpen->trigger();
    EXPECT_EQ(view->windowTitle(), "View File : " + DisplayPath(other));
    EXPECT_TRUE(view->mnuPrint->isEnabled());
    EXPECT_TRUE(view->mnuFind->isEnabled());
    EXPECT_TRUE(view->mnuGoToLine->isEnabled());
    EXPECT_FALSE(view->mnuFindNext->isEnabled()); // no search text yet
    EXPECT_TRUE(view->mnuSelectAll->isEnabled());
    EXPECT_FALSE(view->mnuCopy->isEnabled());
    view->mnuSelectAll->trigger();
    EXPECT_TRUE(view->mnuCopy->isEnabled());
    view->mnuCopy->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "some text");
}

TEST_F(ViewWindowTest, UnreadableFileIsNamedInTheCaption) {
    const std::string path = world.writeFile("locked.txt", "text\n");
    SetFileOpenFailureForTesting([&](const std::string& p) { return p == path ? EACCES : 0; });
    show(path);
    SetFileOpenFailureForTesting(nullptr);
    EXPECT_EQ(view->windowTitle(),
              "View File : " + DisplayPath(path) + "  (could not open: Permission denied)");
    EXPECT_EQ(status(1), "Total: 0");
    EXPECT_EQ(status(3), "Bytes: 0");
    EXPECT_FALSE(view->mnuPrint->isEnabled());
}

TEST_F(ViewWindowTest, PrintsAllOrTheSelection) {
    show(world.writeFile("print.txt", "line 1\nline 2\nabcdefgh\nline 4\nxyz123\nline 6\n"));
    EXPECT_EQ(view->PrintViewerLines(false),
              QStringList({"line 1", "line 2", "abcdefgh", "line 4", "xyz123", "line 6"}));
    view->Viewer1->setSelection(2, 4, 4, 2);
    EXPECT_EQ(view->PrintViewerLines(true), QStringList({"    efgh", "line 4", "xy"}));
    view->Viewer1->setSelection(1, 2, 1, 4);
    EXPECT_EQ(view->PrintViewerLines(true), QStringList({"  ne"}));

    // To a PDF file: the selection, then a page range (nothing printed).
    const std::string pdf = world.path("viewer.pdf");
    QPrinter::PrintRange range = QPrinter::Selection;
    Printing::chooser = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPrintRange(range);
        return true;
    };
    QTest::mouseClick(view->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(world.readFile(pdf).substr(0, 4), "%PDF");
    ASSERT_EQ(unlink(pdf.c_str()), 0);
    range = QPrinter::PageRange;
    view->mnuPrint->trigger();
    EXPECT_FALSE(PathExists(pdf));
}

TEST_F(ViewWindowTest, PrintingAllCountsAnUnknownFileFirst) {
    const LinesFile file = makeLines(200'000, 8);
    show(world.writeFile("big.txt", file.contents));
    ASSERT_FALSE(view->Viewer1->lineCountKnown());
    int printed = 0;
    view->forEachPrintLine(false, [&](const QString&) { return ++printed > 0; });
    EXPECT_EQ(printed, 200'000);
}

TEST_F(ViewWindowTest, DroppedFileIsOpenedWithItsWholePath) {
    show(world.writeFile("start.txt", "start\n"));
    // A folder name long enough to pass 80 characters, and a name that is not UTF-8.
    const std::string folder = world.makeFolder(std::string(90, 'd'));
    const std::string dropped = world.writeFile(std::string(90, 'd') + "/caf\xE9.txt", "dropped\n");
    const std::string second = world.writeFile("second.txt", "second\n");
    ASSERT_GT(dropped.size(), 80u);
    const auto urlOf = [](const std::string& path) {
        const QByteArray bytes(path.data(), static_cast<qsizetype>(path.size()));
        return QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"));
    };
    QMimeData data;
    data.setUrls({urlOf(dropped), urlOf(second)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &drop);
    EXPECT_EQ(view->FileName, dropped);
    EXPECT_EQ(view->windowTitle(), "View File : " + DisplayPath(dropped));
    EXPECT_EQ(view->Viewer1->lineText(0), "dropped");
}

TEST_F(ViewWindowTest, PeekAtStringsShowsThemAndRemovesTheTemporaryFile) {
    world.makeFolder("tmp");
    world.setEnv("TMPDIR", world.path("tmp"));
    const std::string zero(1, '\0');
    show(world.writeFile("program.bin", zero + "Hello world" + zero + "abc" + zero + "Second line" + zero));
    std::string temporary;
    whenModalOpens<TfrmView>([&](TfrmView* strings) {
        temporary = strings->FileName;
        EXPECT_TRUE(strings->btStrings->isHidden());
        EXPECT_TRUE(strings->rbAscii->isHidden());
        EXPECT_TRUE(strings->rbHex->isHidden());
        EXPECT_FALSE(strings->mnuHexMode->isVisible());
        EXPECT_EQ(strings->Viewer1->lineText(0), "Hello world");
        EXPECT_EQ(strings->Viewer1->lineText(1), "Second line");
        EXPECT_EQ(strings->windowTitle(), "Strings of : " + DisplayPath(world.path("program.bin")))
            << "named after the file, not the temporary one";
        QTest::mouseClick(strings->btClose, Qt::LeftButton);
    });
    QTest::mouseClick(view->btStrings, Qt::LeftButton);
    EXPECT_EQ(temporary.rfind(world.path("tmp/str"), 0), 0u) << temporary;
    EXPECT_FALSE(PathExists(temporary));
}

TEST_F(ViewWindowTest, PeekAtStringsOfAnUnreadableFile) {
    world.makeFolder("tmp");
    world.setEnv("TMPDIR", world.path("tmp"));
    const std::string path = world.writeFile("locked.bin", "Hello world" + std::string(1, '\0'));
    show(path);
    SetFileOpenFailureForTesting([&](const std::string& p) { return p == path ? EACCES : 0; });
    ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Could not open file " + DisplayPath(path));
    whenModalOpens<TfrmView>([&](TfrmView* strings) {
        EXPECT_EQ(strings->Viewer1->lineCount(), 0);
        strings->reject();
    });
    QTest::mouseClick(view->btStrings, Qt::LeftButton);
    SetFileOpenFailureForTesting(nullptr);
}

TEST_F(ViewWindowTest, PlacementIsSavedWhenTheWindowGoes) {
    show(world.writeFile("p.txt", "p\n"));
    view->setGeometry(50, 60, 500, 400);
    view = nullptr;
    const auto placement = ReadWindowPlacement("quillon.ini", "frmView", "frmView");
    ASSERT_TRUE(placement.has_value());
    EXPECT_GT(placement->right, placement->left);
}

TEST_F(ViewWindowTest, ButtonsKeepToTheRightEdge) {
    show(world.writeFile("r.txt", "r\n"));
    for (int width : {700, 900}) {
        view->resize(width, 400);
        QApplication::processEvents();
        const int panel = view->pnlBottom->width();
        EXPECT_EQ(view->btClose->geometry().right() + 1, panel - 15);
        EXPECT_EQ(view->btStrings->geometry().right() + 1 + 5, view->btClose->x());
        EXPECT_EQ(view->BitBtn1->geometry().right() + 1 + 5, view->btStrings->x());
        EXPECT_EQ(view->btPrint->geometry().right() + 1 + 5, view->BitBtn1->x());
        EXPECT_EQ(view->btFont->geometry().right() + 1 + 5, view->btPrint->x());
    }
}

} // namespace
} // namespace quillon
