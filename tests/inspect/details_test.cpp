#include "inspect/filetexts.h"
#include "inspect/frmDetails.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/filefacts.h"
#include "shell/printing.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QImage>
#include <QLocale>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QApplication>
#include <QStyle>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quillon {
namespace {

class DetailsTest : public ::testing::Test {
protected:
    ~DetailsTest() override {
        SetOpenUrlHandlerForTesting(nullptr);
        Printing::chooser = nullptr;
    }
    std::unique_ptr<TfrmDetails> show(const std::string& path) {
        auto window = std::make_unique<TfrmDetails>();
        window->FileName = path;
        window->show();
        return window;
    }
    test::TestWorld world;
    test::FixedClock clock{EncodeDateTime(2026, 12, 10, 12)};
};

TEST(ClusterText, CountsClustersRoundedUp) {
    const struct {
        int64_t size, cluster;
        const char* text;
    } cases[] = {
        {0, 4096, "Cluster size: 4,096  Clusters used : 0"},
        {1, 4096, "Cluster size: 4,096  Clusters used : 1"},
        {4096, 4096, "Cluster size: 4,096  Clusters used : 1"},
        {4097, 4096, "Cluster size: 4,096  Clusters used : 2"},
        {5000000000, 65536, "Cluster size: 65,536  Clusters used : 76,294"},
        {5000, 0, "Cluster size: not known"},
    };
    for (const auto& c : cases) EXPECT_EQ(ClusterText(c.size, c.cluster), c.text) << c.size;
}

TEST(AttributeWords, FollowTheFixedOrder) {
    EXPECT_EQ(AttributeWords(0), "");
    EXPECT_EQ(AttributeWords(faHidden | faArchive), " Hidden Archive");
    EXPECT_EQ(AttributeWords(faDirectory | faReadOnly | faSysFile),
              " ReadOnly System Directory");
}

TEST_F(DetailsTest, TextFileShowsItsFactsWithoutAProfile) {
    const std::string path = world.makeFile("c/notes.txt", 1234, EncodeDateTime(2026, 12, 3, 9),
                                            EncodeDateTime(2026, 12, 9, 9), 0444);
    auto w = show(path);
    EXPECT_EQ(w->windowTitle(), "File Details");
    EXPECT_EQ(w->lblFileName->text(), QString::fromStdString(path));
    EXPECT_EQ(w->lblFileType->text(), "plain text document");
    EXPECT_EQ(w->lblSizeBytes->text(), "1,234 bytes");
    EXPECT_TRUE(w->lblSizeK->text().endsWith("Clusters used : 1")) << w->lblSizeK->text().toStdString();
    EXPECT_EQ(w->lblModify->text(), "12/3/26  Last week");
    EXPECT_EQ(w->lblAccess->text(), "12/9/26  Yesterday");
    EXPECT_EQ(w->lblAttributes->text(), " ReadOnly");
    EXPECT_FALSE(w->Memo1->isVisible());
    EXPECT_FALSE(w->Image1->pixmap().isNull());

    // The same window with a profile is taller: the text file's closes up.
    TfrmDetails tall;
    tall.show();
    EXPECT_LT(w->height(), tall.height());
}

TEST_F(DetailsTest, ExecutableShowsAndPrintsItsProfile) {
    const std::string exe = std::string(QUILLON_FIXTURES) + "/pe/tiny64.exe";
    auto w = show(exe);
    EXPECT_TRUE(w->Memo1->isVisible());
    const QStringList memo = w->Memo1->toPlainText().split('\n');
    ASSERT_EQ(memo.size(), 11);
    EXPECT_EQ(memo[4], QString::fromUtf8("Copyright: \t\t\u00A9 2024 Quillon Test Works"));
    const QStringList printed = w->printLines();
    ASSERT_EQ(printed.size(), 12 + 11);
    EXPECT_EQ(printed.mid(12), memo);
}

TEST_F(DetailsTest, WithoutAnIconThemeFoldersAndFilesGetQtsOwnPictures) {
    const QString theme = QIcon::themeName();
    QIcon::setThemeName("no-such-theme-here");
    const auto picture = [](const QPixmap& p) { return p.toImage().convertToFormat(QImage::Format_ARGB32); };
    const auto standard = [&](QStyle::StandardPixmap which) {
        return picture(QApplication::style()->standardIcon(which).pixmap(32, 32));
    };
    {
        auto w = show(world.makeFolder("c/.cache"));
        EXPECT_EQ(w->lblAttributes->text(), " Hidden Directory");
        EXPECT_EQ(picture(w->Image1->pixmap()), standard(QStyle::SP_DirIcon));
    }
    {
        auto w = show(world.makeFile("c/notes.qqzzx", 10)); // a type no theme knows
        EXPECT_FALSE(w->Image1->pixmap().isNull());
        EXPECT_EQ(picture(w->Image1->pixmap()), standard(QStyle::SP_FileIcon));
    }
    QIcon::setThemeName(theme);
}

TEST_F(DetailsTest, VanishedFileLeavesTheWindowEmpty) {
    auto w = show(world.path("c/gone.txt"));
    EXPECT_TRUE(w->lblFileName->text().isEmpty());
    EXPECT_TRUE(w->lblSizeBytes->text().isEmpty());
}

TEST_F(DetailsTest, OpenFailureIsReported) {
    const std::string path = world.makeFile("c/a.doc", 10);
    auto w = show(path);
    SetOpenUrlHandlerForTesting([](const QUrl&) { return false; });
    test::ScriptedDialogs dialogs;
    dialogs.expectMessage(MessageKind::Error, "Couldn't open " + QString::fromStdString(path));
    QTest::mouseClick(w->btLaunch, Qt::LeftButton);
}

TEST_F(DetailsTest, PrintsTheDetailLines) {
    const std::string path = world.makeFile("c/r.txt", 5, EncodeDateTime(2026, 12, 10, 8),
                                            EncodeDateTime(2026, 12, 10, 8));
    auto w = show(path);
    const QStringList lines = w->printLines();
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], "Name of file : \t" + QString::fromStdString(path));
    EXPECT_EQ(lines[2], " ");
    EXPECT_EQ(lines[3], "Size of file : \t5 bytes");
    EXPECT_EQ(lines[4], QString(15, ' ') + "\t" + w->lblSizeK->text());
    EXPECT_EQ(lines[7], "Modification date : \t12/10/26  Today");
    EXPECT_EQ(lines[10], "Attributes : \t");

    const QStringList report = PrintLinesReport(lines, "File details of x");
    EXPECT_EQ(report[0], "   File details of x");
    EXPECT_EQ(report[1], "   Printed : 12/10/26  " +
                             QLocale().toString(QTime(12, 0, 0), QLocale::LongFormat));
    EXPECT_EQ(report[2], "");
    EXPECT_EQ(report[4], "   " + lines[0]);

    const std::string pdf = world.path("details.pdf");
    bool confirm = false;
    Printing::chooser = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        return confirm;
    };
    QTest::mouseClick(w->btPrint, Qt::LeftButton);
    EXPECT_FALSE(world.readFile(pdf).size());
    confirm = true;
    QTest::mouseClick(w->btPrint, Qt::LeftButton);
    EXPECT_EQ(world.readFile(pdf).substr(0, 4), "%PDF");
}

} // namespace
} // namespace quillon
