#include "browse/frmBrowse.h"
#include "browse/frmWildCard.h"
#include "support/accessibility.h"
#include "support/world.h"
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace quillon {
namespace {

// A screen reader names every control of the browser and its pattern dialog.
TEST(BrowseAccessibilityTest, EveryControlHasAName) {
    test::TestWorld world;
    world.makeFile("c/docs/a.txt", 1);
    const std::function<std::unique_ptr<QWidget>()> windows[] = {
        [&] {
            auto browser = std::make_unique<TfrmBrowse>();
            browser->setFolder(world.path("c/docs"));
            return browser;
        },
        [] { return std::make_unique<TfrmWildCard>("*.txt;*.doc"); },
    };
    for (const auto& make : windows) {
        std::unique_ptr<QWidget> window = make();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        const QStringList nameless = test::NamelessControls(window.get());
        EXPECT_TRUE(nameless.isEmpty()) << window->metaObject()->className() << ": "
                                        << nameless.join("; ").toStdString();
        window->hide();
    }
}

} // namespace
} // namespace quillon
