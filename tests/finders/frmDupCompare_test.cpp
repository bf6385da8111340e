#include "finders/frmDup.h"
#include "finders/frmDupCompare.h"
#include "finder_ui.h"
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
#include <QApplication>
#include <gtest/gtest.h>
#include <filesystem>
#include <optional>
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
        ui.reset();
        finder.reset();
        ClearToolsForTesting();
        SetOpenUrlHandlerForTesting(nullptr);
        Printing::chooser = nullptr;
    }

    // Scans drive C for duplicates in a match mode and opens the pairs on a row.
    TfrmDupCompare& scanAndCompare(MatchMode mode, int row = 0) {
        finder = std::make_unique<TfrmDup>(FinderMode::Duplicates);
        finder->show();
        ui.emplace(*finder);
        ui->cbDup->setCurrentIndex(static_cast<int>(mode));
        ui->rbLarger->setChecked(true);
        ui->num1->setValue(0);
        ui->cbKB1->setCurrentIndex(0);
        QTest::mouseClick(ui->btScan, Qt::LeftButton);
        ui->grid->selectRow(row);
        QTest::mouseClick(ui->btCompare, Qt::LeftButton);
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
    std::optional<test::FinderUi> ui;
};

TEST_F(PairsTest, IdenticalCopiesCompareEqualByContent) {
    const std::string text(5000, 'q');
    world.writeFile("c/a/copy.txt", text);
    world.writeFile("c/b/copy.txt", text);
    TfrmDupCompare& w = scanAndCompare(MatchMode::NameSize);
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
    // At the window's smallest the verdict still shows whole on both sides.
    w.resize(1, 1);
    QApplication::processEvents();
    for (const auto& h : w.half)
        EXPECT_GE(h.lblCRC->width(), h.lblCRC->fontMetrics().horizontalAdvance(expected)) << "cut";
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
    TfrmDupCompare& w = scanAndCompare(MatchMode::NameSize);
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
    TfrmDupCompare& w = scanAndCompare(MatchMode::Name);
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
    TfrmDupCompare& w = scanAndCompare(MatchMode::Size);
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
    EXPECT_EQ(ui->grid->selectedRow(), 3);
    QTest::keyRelease(&w, Qt::Key_PageUp);
    EXPECT_EQ(w.currentRow(), threeFirst ? 1 : 2);
    QTest::mouseClick(w.btPrev, Qt::LeftButton);
    EXPECT_EQ(w.currentRow(), 0);
    QTest::mouseClick(w.btPrev, Qt::LeftButton);
    EXPECT_EQ(w.currentRow(), 0) << "Prev does nothing on the first row";
    EXPECT_EQ(ui->grid->selectedRow(), 0);
}

// Next steps only between rows the finder grouped together: in every mode the
// pair that straddles two groups, which differ only in part of the key, is
// skipped. Two groups of two files each, in folders g1 and g2.
TEST_F(PairsTest, NextSkipsThePairBetweenTwoGroupsInEveryMode) {
    const DateTime t1 = EncodeDateTime(2024, 5, 1, 10, 0, 0);
    const DateTime t2 = EncodeDateTime(2024, 5, 1, 10, 0, 1);
    struct File {
        const char* path;
        int64_t size;
        DateTime modified;
    };
    const struct {
        MatchMode mode;
        std::vector<File> files;
    } cases[] = {
        {MatchMode::Name,
         {{"g1/a/apple.txt", 1, t1}, {"g1/b/APPLE.TXT", 2, t1},
          {"g2/a/zebra.txt", 3, t1}, {"g2/b/Zebra.txt", 4, t1}}},
        // Same name and size across the groups; one second apart.
        {MatchMode::NameSizeTime,
         {{"g1/a/d.bin", 10, t1}, {"g1/b/d.bin", 10, t1},
          {"g2/a/d.bin", 10, t2}, {"g2/b/d.bin", 10, t2}}},
        {MatchMode::SizeTime,
         {{"g1/a", 100, t1}, {"g1/b", 100, t1}, {"g2/c", 100, t2}, {"g2/d", 100, t2}}},
        // Same size across the groups; two types.
        {MatchMode::SizeType,
         {{"g1/a.txt", 50, t1}, {"g1/b.TXT", 50, t2}, {"g2/c.png", 50, t1}, {"g2/d.png", 50, t2}}},
        // Same time across the groups; .htm and .html share one description.
        {MatchMode::TypeTime,
         {{"g1/p.htm", 1, t1}, {"g1/q.html", 2, t1}, {"g2/a.txt", 3, t1}, {"g2/b.txt", 4, t1}}},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(static_cast<int>(k.mode));
        for (const char* g : {"g1", "g2"}) std::filesystem::remove_all(c(g));
        for (const File& file : k.files)
            world.makeFile("c/" + std::string(file.path), file.size, file.modified);
        TfrmDupCompare& w = scanAndCompare(k.mode);
        ASSERT_EQ(w.rowCount(), 4);
        const auto group = [&](int row) { return ui->grid->fullPath(row).substr(c("").size(), 2); };
        ASSERT_EQ(group(0), group(1));
        ASSERT_NE(group(1), group(2));
        std::vector<int> visited{w.currentRow()};
        for (int i = 0; i < 2; ++i) {
            QTest::mouseClick(w.btNext, Qt::LeftButton);
            visited.push_back(w.currentRow());
        }
        EXPECT_EQ(visited, (std::vector<int>{0, 2, 2}));
        QTest::mouseClick(w.btPrev, Qt::LeftButton);
        EXPECT_EQ(w.currentRow(), 0);
        DupCompareWindow().finderClosing(finder.get());
    }
}

// By contents the groups of one size follow each other whole, although their
// names interleave, and Next stays within a group.
TEST_F(PairsTest, NextSkipsThePairBetweenTwoContentGroupsOfOneSize) {
    const std::string x(100, 'x'), y(100, 'y');
    world.writeFile("c/g1/a", x);
    world.writeFile("c/g2/b", y);
    world.writeFile("c/g1/c", x);
    world.writeFile("c/g2/d", y);
    TfrmDupCompare& w = scanAndCompare(MatchMode::Content);
    ASSERT_EQ(w.rowCount(), 4);
    EXPECT_EQ(ui->grid->fullPath(1), c("g1/c"));
    EXPECT_EQ(ui->grid->fullPath(2), c("g2/b"));
    std::vector<int> visited{w.currentRow()};
    for (int i = 0; i < 2; ++i) {
        QTest::mouseClick(w.btNext, Qt::LeftButton);
        visited.push_back(w.currentRow());
    }
    EXPECT_EQ(visited, (std::vector<int>{0, 2, 2}));
    EXPECT_FALSE(w.qPairMatches(1));
}

// The labels only show: what is written in them decides nothing.
TEST_F(PairsTest, IdenticalIsDecidedFromTheFilesNotTheLabels) {
    world.writeFile("c/a/same.txt", std::string(3000, 's'));
    world.writeFile("c/b/same.txt", std::string(3000, 's'));
    TfrmDupCompare& w = scanAndCompare(MatchMode::NameSize);
    w.half[0].lblSize->setText("1 byte");
    w.half[1].lblSize->setText("2 bytes");
    w.half[1].lblType->setText("Something else");
    QTest::mouseClick(w.btCRC, Qt::LeftButton);
    EXPECT_TRUE(w.half[0].lblCRC->text().endsWith(" file contents are identical"));
    for (QLabel* label : {w.half[0].lblSize, w.half[0].lblType, w.half[0].lblCRC})
        EXPECT_FALSE(TfrmDupCompare::isHighlighted(label));

    // Sizes that differ stay different whatever the labels say.
    world.writeFile("c/a/other.txt", std::string(3000, 'o'));
    world.writeFile("c/b/other.txt", std::string(3001, 'o'));
    TfrmDupCompare& v = scanAndCompare(MatchMode::Name);
    const int row = ui->grid->fullPath(0).ends_with("other.txt") ? 0 : 2;
    if (row != 0) {
        ui->grid->selectRow(row);
        QTest::mouseClick(ui->btCompare, Qt::LeftButton);
    }
    ASSERT_EQ(v.half[0].box->title(), "other.txt");
    v.half[1].lblSize->setText(v.half[0].lblSize->text());
    QTest::mouseClick(v.btCRC, Qt::LeftButton);
    EXPECT_TRUE(v.half[0].lblCRC->text().endsWith(" file contents differ"));
    EXPECT_TRUE(TfrmDupCompare::isHighlighted(v.half[0].lblSize));
}

TEST_F(PairsTest, AutoCompareRunsOnlyForEqualSizes) {
    world.makeFile("c/a/n.txt", 100);
    world.makeFile("c/b/n.txt", 200);
    world.makeFile("c/a/m.txt", 100);
    world.makeFile("c/b/m.txt", 100);
    DupCompareWindow().cbAutoCRC->setChecked(true);
    TfrmDupCompare& w = scanAndCompare(MatchMode::Name);
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
    TfrmDupCompare& w = scanAndCompare(MatchMode::NameSize);
    const int appSide = w.half[0].lblFolder->text().endsWith("/app") ? 0 : 1;
    EXPECT_EQ(w.half[appSide].lblNonDelete->text(), "** In Non-Delete List **");
    EXPECT_TRUE(w.half[1 - appSide].lblNonDelete->text().isEmpty());

    QTest::mouseClick(w.half[1].btMark, Qt::LeftButton);
    EXPECT_EQ(ui->grid->MarkedCount(), 1);
    EXPECT_TRUE(ui->grid->model()->isMarked(1));

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
    TfrmDupCompare& w = scanAndCompare(MatchMode::NameSize, 0);
    QTest::mouseClick(w.btCRC, Qt::LeftButton);
    const QString rightFolder = w.half[1].lblFolder->text();
    const QString rightModify = w.half[1].lblModify->text();
    // The right file vanishes: at the next show its side keeps what it showed,
    // all but the checksum.
    ASSERT_EQ(::unlink((rightFolder.toStdString() + "/gone.txt").c_str()), 0);
    QTest::mouseClick(ui->btCompare, Qt::LeftButton);
    EXPECT_EQ(w.half[1].lblFolder->text(), rightFolder);
    EXPECT_EQ(w.half[1].lblModify->text(), rightModify);
    EXPECT_TRUE(w.half[1].lblCRC->text().isEmpty());

    // Opened on the last row, the right side is empty.
    ui->grid->selectRow(1);
    QTest::mouseClick(ui->btCompare, Qt::LeftButton);
    EXPECT_TRUE(w.half[1].box->title().isEmpty());
    EXPECT_TRUE(w.half[1].lblFolder->text().isEmpty());
}

TEST_F(PairsTest, PrintsTheWindowImage) {
    world.makeFile("c/a/p.txt", 10);
    world.makeFile("c/b/p.txt", 10);
    TfrmDupCompare& w = scanAndCompare(MatchMode::NameSize);
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
    TfrmDupCompare& w = scanAndCompare(MatchMode::NameSize);
    ASSERT_TRUE(w.isVisible());
    finder.reset();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.owner(), nullptr);
}

} // namespace
} // namespace quillon
