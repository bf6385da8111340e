#include "finders/frmDup.h"
#include "finders/frmDupCompare.h"
#include "finders/tools.h"
#include "platform/checksum.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "shell/dialogs.h"
#include "shell/launcher.h"
#include "shell/printing.h"
#include "shell/protected.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

using Arrow = TfrmDupCompare::Arrow;

class PairsTest : public ::testing::Test {
protected:
    PairsTest() {
        world.setDrives({{'C', "c"}});
        RegisterFinderTools();
    }
    ~PairsTest() override {
        if (finder) DupCompareWindow().finderClosing(finder.get());
        DupCompareWindow().cbAutoCRC->setChecked(false);
        finder.reset();
        ClearToolsForTesting();
        SetOpenUrlHandlerForTesting(nullptr);
        Printing::chooser = nullptr;
    }

    // Scans drive C for duplicates in a match mode and opens the pairs on a row.
    TfrmDupCompare& scanAndCompare(int mode, int row = 0) {
        DuplicateMode = true;
        finder = std::make_unique<TfrmDup>();
        finder->show();
        finder->cbDup->setCurrentIndex(mode);
        finder->rbLarger->setChecked(true);
        finder->num1->setValue(0);
        finder->cbKB1->setCurrentIndex(0);
        QTest::mouseClick(finder->btScan, Qt::LeftButton);
        finder->grid->selectRow(row);
        QTest::mouseClick(finder->btCompare, Qt::LeftButton);
        return DupCompareWindow();
    }
    std::string c(const std::string& rel) { return world.path("c/" + rel); }
    void setTimes(const std::string& path, DateTime modified) {
        const QDateTime when = ToQDateTime(modified);
        const timespec times[2] = {{when.toSecsSinceEpoch(), 0}, {when.toSecsSinceEpoch(), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    test::TestWorld world;
    std::unique_ptr<TfrmDup> finder;
};

TEST_F(PairsTest, IdenticalCopiesCompareEqualByContent) {
    const std::string text(5000, 'q');
    world.writeFile("c/a/copy.txt", text);
    world.writeFile("c/b/copy.txt", text);
    TfrmDupCompare& w = scanAndCompare(1);
    ASSERT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), "Compare file pairs");
    EXPECT_EQ(w.half[0].box->title(), "copy.txt");
    EXPECT_EQ(w.half[0].lblSize->text(), "5,000 bytes");
    EXPECT_TRUE(w.half[0].lblCRC->text().isEmpty()) << "no checksum until asked";

    QTest::mouseClick(w.btCRC, Qt::LeftButton);
    const QString expected =
        QString::number(FileChecksum(c("a/copy.txt")), 16).toUpper().rightJustified(8, ' ') +
        " file contents are identical";
    EXPECT_EQ(w.half[0].lblCRC->text(), expected);
    EXPECT_EQ(w.half[1].lblCRC->text(), expected);
    for (QLabel* label : {w.half[0].lblCRC, w.half[0].lblSize, w.half[0].lblType})
        EXPECT_FALSE(TfrmDupCompare::isHighlighted(label));
    EXPECT_EQ(w.half[0].profile->item(0)->text(), "Extended profile absent");
    EXPECT_FALSE(w.half[0].profile->isVisible()) << "one profile line hides the lists";
}

TEST_F(PairsTest, SameSizeAndChecksumButDifferentBytesDiffer) {
    // Two blocks swapped: equal sizes; the contents still differ.
    const std::string a = std::string(2048, 'x') + std::string(2048, 'y');
    const std::string b = std::string(2048, 'y') + std::string(2048, 'x');
    world.writeFile("c/a/blocks.bin", a);
    world.writeFile("c/b/blocks.bin", b);
    TfrmDupCompare& w = scanAndCompare(1);
    QTest::mouseClick(w.btCRC, Qt::LeftButton);
    EXPECT_TRUE(w.half[0].lblCRC->text().endsWith(" file contents differ"));
    EXPECT_TRUE(w.half[1].lblCRC->text().endsWith(" file contents differ"));
    EXPECT_TRUE(TfrmDupCompare::isHighlighted(w.half[0].lblCRC));
}

TEST_F(PairsTest, ArrowsPointToTheNewerSide) {
    world.writeFile("c/a/doc.txt", "one");
    world.writeFile("c/b/doc.txt", "two!");
    setTimes(c("a/doc.txt"), EncodeDateTime(2024, 5, 6, 12));
    setTimes(c("b/doc.txt"), EncodeDateTime(2023, 1, 2, 12));
    TfrmDupCompare& w = scanAndCompare(0);
    const bool leftIsA = w.half[0].lblFolder->text().endsWith("/a");
    EXPECT_EQ(w.arrow(TfrmDupCompare::ModifyRow), leftIsA ? Arrow::Left : Arrow::Right);
    EXPECT_EQ(w.arrow(TfrmDupCompare::AccessRow), leftIsA ? Arrow::Left : Arrow::Right);
    EXPECT_TRUE(TfrmDupCompare::isHighlighted(w.half[0].lblSize));
    EXPECT_TRUE(TfrmDupCompare::isHighlighted(w.half[1].lblModify));
    EXPECT_FALSE(TfrmDupCompare::isHighlighted(w.half[0].lblType));
    // Creation dates: shown as "???" and without an arrow where not recorded.
    if (w.half[0].dates[TfrmDupCompare::CreationRow] == 0) {
        EXPECT_EQ(w.half[0].lblCreate->text(), "???");
    }
}

TEST_F(PairsTest, NextAndPrevVisitEveryMatchingPairAndMoveTheFinder) {
    // Mode 3 (size): a group of three, then a group of two.
    for (const char* name : {"c/x1", "c/x2", "c/x3"}) world.makeFile(name, 300);
    for (const char* name : {"c/y1", "c/y2"}) world.makeFile(name, 700);
    TfrmDupCompare& w = scanAndCompare(3);
    ASSERT_EQ(w.rowCount(), 5);
    const bool threeFirst = w.half[0].lblSize->text() == "300 bytes";
    std::vector<int> visited{w.currentRow()};
    for (int i = 0; i < 4; ++i) {
        QTest::keyRelease(&w, Qt::Key_PageDown);
        visited.push_back(w.currentRow());
    }
    // The pair that straddles the two groups is skipped; at the last pair Next
    // does nothing.
    const std::vector<int> expected =
        threeFirst ? std::vector<int>{0, 1, 3, 3, 3} : std::vector<int>{0, 2, 3, 3, 3};
    EXPECT_EQ(visited, expected);
    EXPECT_EQ(finder->grid->selectedRow(), 3);
    QTest::keyRelease(&w, Qt::Key_PageUp);
    EXPECT_EQ(w.currentRow(), threeFirst ? 1 : 2);
    QTest::mouseClick(w.btPrev, Qt::LeftButton);
    EXPECT_EQ(w.currentRow(), 0);
    QTest::mouseClick(w.btPrev, Qt::LeftButton);
    EXPECT_EQ(w.currentRow(), 0) << "Prev does nothing on the first row";
    EXPECT_EQ(finder->grid->selectedRow(), 0);
}

TEST_F(PairsTest, AutoCompareRunsOnlyForEqualSizes) {
    world.makeFile("c/a/n.txt", 100);
    world.makeFile("c/b/n.txt", 200);
    world.makeFile("c/a/m.txt", 100);
    world.makeFile("c/b/m.txt", 100);
    DupCompareWindow().cbAutoCRC->setChecked(true);
    TfrmDupCompare& w = scanAndCompare(0);
    // Walk both pairs: the one with equal sizes gets its checksums, the other none.
    for (int step = 0; step < 2; ++step) {
        if (w.half[0].lblSize->text() == w.half[1].lblSize->text())
            EXPECT_TRUE(w.half[0].lblCRC->text().endsWith(" file contents are identical"));
        else
            EXPECT_TRUE(w.half[0].lblCRC->text().isEmpty());
        if (step == 0) QTest::mouseClick(w.btNext, Qt::LeftButton);
    }
}

TEST_F(PairsTest, MarkOpenAndProtectedSide) {
    world.writeFile("config/quillon/folders.txt", world.makeFolder("c/app") + "/\r\n");
    ProtectedFolderList::Instance().GetSearchPath();
    world.makeFile("c/app/tool.cfg", 10);
    world.makeFile("c/user/tool.cfg", 10);
    TfrmDupCompare& w = scanAndCompare(1);
    const int appSide = w.half[0].lblFolder->text().endsWith("/app") ? 0 : 1;
    EXPECT_EQ(w.half[appSide].lblNonDelete->text(), "** In Non-Delete List **");
    EXPECT_TRUE(w.half[1 - appSide].lblNonDelete->text().isEmpty());

    QTest::mouseClick(w.half[1].btMark, Qt::LeftButton);
    EXPECT_EQ(finder->grid->MarkedCount(), 1);
    EXPECT_TRUE(finder->grid->model()->isMarked(1));

    SetOpenUrlHandlerForTesting([](const QUrl&) { return false; });
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Couldn't open " + QString::fromStdString(
                                                  w.half[0].lblFolder->text().toStdString() +
                                                  "/tool.cfg"));
    QTest::mouseClick(w.half[0].btOpen, Qt::LeftButton);
}

TEST_F(PairsTest, VanishedFileKeepsItsSideAndLastRowShowsAnEmptyRight) {
    world.makeFile("c/a/gone.txt", 10);
    world.makeFile("c/b/gone.txt", 10);
    TfrmDupCompare& w = scanAndCompare(1, 0);
    QTest::mouseClick(w.btCRC, Qt::LeftButton);
    const QString rightFolder = w.half[1].lblFolder->text();
    const QString rightModify = w.half[1].lblModify->text();
    // The right file vanishes: at the next show its side keeps what it showed,
    // all but the checksum.
    ASSERT_EQ(::unlink((rightFolder.toStdString() + "/gone.txt").c_str()), 0);
    QTest::mouseClick(finder->btCompare, Qt::LeftButton);
    EXPECT_EQ(w.half[1].lblFolder->text(), rightFolder);
    EXPECT_EQ(w.half[1].lblModify->text(), rightModify);
    EXPECT_TRUE(w.half[1].lblCRC->text().isEmpty());

    // Opened on the last row, the right side is empty.
    finder->grid->selectRow(1);
    QTest::mouseClick(finder->btCompare, Qt::LeftButton);
    EXPECT_TRUE(w.half[1].box->title().isEmpty());
    EXPECT_TRUE(w.half[1].lblFolder->text().isEmpty());
}

TEST_F(PairsTest, PrintsTheWindowImage) {
    world.makeFile("c/a/p.txt", 10);
    world.makeFile("c/b/p.txt", 10);
    TfrmDupCompare& w = scanAndCompare(1);
    const std::string pdf = world.path("pairs.pdf");
    Printing::chooser = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return true;
    };
    QTest::mouseClick(w.btPrint, Qt::LeftButton);
    EXPECT_EQ(world.readFile(pdf).substr(0, 4), "%PDF");
    EXPECT_FALSE(w.palette().color(QPalette::Window) == Qt::white) << "colours restored";
}

TEST_F(PairsTest, ClosingTheFinderHidesTheWindow) {
    world.makeFile("c/a/q.txt", 10);
    world.makeFile("c/b/q.txt", 10);
    TfrmDupCompare& w = scanAndCompare(1);
    ASSERT_TRUE(w.isVisible());
    finder.reset();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.owner(), nullptr);
}

} // namespace
} // namespace quillon
