#include "platform/paths.h"
#include "removal/removal_ui.h"
#include "shell/launcher.h"
#include "shell/settings.h"
#include "support/scripted_dialogs.h"
#include "support/world.h"
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace quillon {
namespace {

class ZipOptionsTest : public ::testing::Test {
  protected:
    ~ZipOptionsTest() override {
        ZipFolder.clear();
        while (QWidget* w = QApplication::activeModalWidget())
            w->close();
    }
    std::string stored(const char* key) const {
        return SettingsStore::Main().readString("ZipFile", key, "<absent>");
    }
    // Opens the dialog modally, runs `step` inside it and returns the result.
    int runDialog(TfrmZipOptions& dialog, std::function<void()> step) {
        QTimer::singleShot(0, [&dialog, step] {
            if (!QTest::qWaitFor([&] { return dialog.isVisible(); }, 5000)) {
                ADD_FAILURE() << "options dialog did not open";
                return;
            }
            step();
        });
        return dialog.exec();
    }
    test::TestWorld world;
};

TEST_F(ZipOptionsTest, CaptionsAndFirstUseDefaults) {
    TfrmZipOptions dialog;
    const test::ZipOptionsUi ui(dialog);
    runDialog(dialog, [&] {
        EXPECT_EQ(dialog.windowTitle(), "Archive Zip File Options");
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text();
        for (const char* text :
             {"Archive Zip File options", "Store Zip Archive Files in this folder:",
              "Note: the zip folder can be on the network on a different machine!",
              "Comment to be inserted into Archive Zip file:",
              "Note: Comments make it much easier to identify archive zip files later."})
            EXPECT_TRUE(labels.contains(text)) << text;
        EXPECT_TRUE(ui.Edit1->isReadOnly());
        EXPECT_EQ(ui.Edit1->toolTip(), "Click on the button on the right to change");
        // Not the root of drive C ("/" is no place a user may write).
        EXPECT_EQ(ui.Edit1->text(), DisplayPath(DefaultBackupFolder()));
        EXPECT_EQ(ZipFolder, DefaultBackupFolder());
        EXPECT_EQ(ui.Edit2->text(), "");
        EXPECT_EQ(dialog.focusWidget(), ui.Edit2);
        EXPECT_EQ(ui.btOK->text(), "OK");
        EXPECT_TRUE(ui.btOK->isDefault());
        EXPECT_EQ(ui.btCancel->text(), "Cancel");
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(ZipOptionsTest, CommentStopsAtEightyCharacters) {
    TfrmZipOptions dialog;
    const test::ZipOptionsUi ui(dialog);
    const QString eighty(80, QLatin1Char('x'));
    const int result = runDialog(dialog, [&] {
        QTest::keyClicks(ui.Edit2, eighty + "yz");
        EXPECT_EQ(ui.Edit2->text(), eighty);
        QTest::mouseClick(ui.btOK, Qt::LeftButton);
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.ZipComment(), eighty.toStdString());
    EXPECT_EQ(stored("Comment"), eighty.toStdString());
}

TEST_F(ZipOptionsTest, StoredValuesShowAndEveryCloseWritesThem) {
    const std::string old = world.makeFolder("old zips");
    const std::string chosen = world.makeFolder("new \xff zips");
    SettingsStore::Main().writeKeys("ZipFile", {{"Path", old}, {"Comment", "weekly"}});
    test::ScriptedDialogs dialogs;
    dialogs.expectFolder("Location of archive zip files", std::nullopt)
        .expectFolder("Location of archive zip files", chosen);

    TfrmZipOptions dialog;
    const test::ZipOptionsUi ui(dialog);
    const int result = runDialog(dialog, [&] {
        EXPECT_EQ(ui.Edit1->text(), DisplayPath(old));
        EXPECT_EQ(ui.Edit2->text(), "weekly");
        QTest::mouseClick(ui.SpeedButton1, Qt::LeftButton); // chooser cancelled
        EXPECT_EQ(ui.Edit1->text(), DisplayPath(old));
        QTest::mouseClick(ui.SpeedButton1, Qt::LeftButton);
        EXPECT_EQ(ui.Edit1->text(), DisplayPath(chosen));
        ui.Edit2->setText("before the upgrade");
        QTest::mouseClick(ui.btCancel, Qt::LeftButton);
    });
    // Cancel skips the archiving, not the settings: both are kept, as bytes.
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(stored("Path"), chosen);
    EXPECT_EQ(stored("Comment"), "before the upgrade");
    EXPECT_EQ(ZipFolder, chosen);
    EXPECT_EQ(dialog.zipFolder(), chosen);
}

} // namespace
} // namespace quillon
