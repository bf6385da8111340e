#include "inspect/frmDetails.h"
#include "inspect/frmView.h"
#include "inspect/tools.h"
#include "scan/hooks.h"
#include "support/modal.h"
#include "support/world.h"
#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace quillon {
namespace {

// Runs `open`, which shows a modal window; records the modal window's class and
// caption and closes it.
std::pair<QString, QString> modalOpenedBy(const std::function<void()>& open) {
    std::pair<QString, QString> seen;
    test::whenModalOpens<QDialog>([&](QDialog* modal) {
        seen = {modal->metaObject()->className(), modal->windowTitle()};
        modal->close();
    });
    open();
    return seen;
}

class ConnectionsTest : public ::testing::Test {
protected:
    ConnectionsTest() { RegisterInspectTools(); }
    ~ConnectionsTest() override {
        FinderHooks::view = nullptr;
        FinderHooks::details = nullptr;
    }
    test::TestWorld world;
};

TEST_F(ConnectionsTest, FinderViewAndDetailsOpenTheirWindows) {
    const std::string path = world.writeFile("c/read me.txt", "one\ntwo\n");
    ASSERT_TRUE(FinderHooks::view && FinderHooks::details);
    const auto viewer = modalOpenedBy([&] { FinderHooks::view(nullptr, path); });
    EXPECT_EQ(viewer.first, "quillon::TfrmView");
    EXPECT_EQ(viewer.second, "View File : " + QString::fromStdString(path));
    const auto details = modalOpenedBy([&] { FinderHooks::details(nullptr, path); });
    EXPECT_EQ(details.first, "quillon::TfrmDetails");
    EXPECT_EQ(details.second, "File Details");
}

TEST_F(ConnectionsTest, DetailsViewButtonOpensTheViewer) {
    const std::string path = world.writeFile("c/notes.txt", "text\n");
    TfrmDetails details;
    details.FileName = path;
    details.show();
    const auto viewer = modalOpenedBy([&] { details.btView->click(); });
    EXPECT_EQ(viewer.second, "View File : " + QString::fromStdString(path));
}

} // namespace
} // namespace quillon
