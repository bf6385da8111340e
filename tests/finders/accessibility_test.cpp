#include "finders/frmDup.h"
#include "finders/frmDupCompare.h"
#include "inspect/frmDetails.h"
#include "inspect/frmView.h"
#include "removal/frmDelDirectory.h"
#include "removal/frmGetFolderName.h"
#include "removal/frmPassword.h"
#include "removal/frmReallyDelete.h"
#include "removal/frmUnZipIt.h"
#include "removal/frmZipDirectory.h"
#include "removal/frmZipOptions.h"
#include "shell/frmAbout.h"
#include "shell/frmHelp.h"
#include "shell/frmMain.h"
#include "shell/frmNoDelete.h"
#include "shell/frmStandBy.h"
#include "support/accessibility.h"
#include "support/world.h"
#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace quillon {
namespace {

// A screen reader names every control by its caption or its label: no window
// may have a button, list, grid or field without a name.
TEST(AccessibilityTest, EveryControlOfEveryWindowHasAName) {
    test::TestWorld world;
    world.makeFolder("c/docs");
    const std::function<std::unique_ptr<QWidget>()> windows[] = {
        [] { return std::make_unique<TfrmMain>(); },
        [] { return std::make_unique<TfrmDup>(FinderMode::Duplicates); },
        [] { return std::make_unique<TfrmDup>(FinderMode::FileHogs); },
        [] { return std::make_unique<TfrmDupCompare>(); },
        [] { return std::make_unique<TfrmDetails>(); },
        [] { return std::make_unique<TfrmView>(); },
        [] { return std::make_unique<TfrmReallyDelete>(); },
        [] { return std::make_unique<TfrmDelDirectory>(); },
        [] { return std::make_unique<TfrmZipOptions>(); },
        [] { return std::make_unique<TfrmZipDirectory>(); },
        [] { return std::make_unique<TfrmGetFolderName>(); },
        [] { return std::make_unique<TfrmPassword>(); },
        [&] { return std::make_unique<TfrmUnZipIt>(world.path("c")); },
        [] { return std::make_unique<TfrmNoDelete>(); },
        [] { return std::make_unique<TfrmAbout>(); },
        [] { return std::make_unique<TfrmHelp>(); },
        [] { return std::make_unique<TfrmStandBy>(); },
    };
    test::ExpectEveryControlNamed({std::begin(windows), std::end(windows)});
}

} // namespace
} // namespace quillon
