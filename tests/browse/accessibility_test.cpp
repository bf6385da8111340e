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
    test::ExpectEveryControlNamed({std::begin(windows), std::end(windows)});
}

} // namespace
} // namespace quillon
