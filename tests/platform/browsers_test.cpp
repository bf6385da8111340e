#include "platform/browsers.h"
#include "platform/listing.h"
#include "platform/trash.h"
#include "platform/walker.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon {
namespace {

class BrowserCacheTest : public ::testing::Test {
protected:
    BrowserCacheTest() { world.unsetEnv("XDG_CACHE_HOME"); }
    ~BrowserCacheTest() override { SetProcessNamesForTesting(nullptr); }
    std::string home(const std::string& relative) { return world.path("home/" + relative); }
    test::TestWorld world;
};

TEST_F(BrowserCacheTest, EveryProfileOfEveryInstallIsFoundInTableOrder) {
    EXPECT_TRUE(FindBrowserCacheFolders(BrowserInstalls::Everywhere).empty())
        << "a home without browsers";
    // Native installs.
    world.makeFolder("home/.cache/mozilla/firefox/b.default-release/cache2/entries");
    world.makeFolder("home/.cache/mozilla/firefox/a.work/cache2/entries");
    world.makeFolder("home/.cache/mozilla/firefox/c.nocache/startupCache"); // no cache2
    world.makeFolder("home/.cache/chromium/Default/Cache/Cache_Data");
    world.makeFolder("home/.cache/chromium/Profile 1/Cache");               // older layout
    world.makeFolder("home/.cache/chromium/Default/Code Cache/js");         // not the disk cache
    world.makeFolder("home/.cache/opera/Cache/Cache_Data");                 // no profile folder
    world.makeFolder("home/.cache/BraveSoftware/Brave-Browser/Default/Cache/Cache_Data");
    // Flatpak and Snap.
    world.makeFolder("home/.var/app/org.mozilla.firefox/cache/mozilla/firefox/x.default/cache2/entries");
    world.makeFolder("home/snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data");
    world.makeFolder("home/snap/firefox/common/.cache/mozilla/firefox/y.default/cache2/entries");

    std::vector<std::pair<std::string, std::string>> found;
    for (const BrowserCacheFolder& f : FindBrowserCacheFolders(BrowserInstalls::Everywhere))
        found.emplace_back(f.browser, f.folder);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Firefox", home(".cache/mozilla/firefox/a.work/cache2/entries")},
        {"Firefox", home(".cache/mozilla/firefox/b.default-release/cache2/entries")},
        {"Chromium", home(".cache/chromium/Default/Cache/Cache_Data")},
        {"Chromium", home(".cache/chromium/Profile 1/Cache")},
        {"Brave", home(".cache/BraveSoftware/Brave-Browser/Default/Cache/Cache_Data")},
        {"Opera", home(".cache/opera/Cache/Cache_Data")},
        {"Firefox", home(".var/app/org.mozilla.firefox/cache/mozilla/firefox/x.default/cache2/entries")},
        {"Firefox", home("snap/firefox/common/.cache/mozilla/firefox/y.default/cache2/entries")},
        {"Chromium", home("snap/chromium/common/.cache/chromium/Default/Cache/Cache_Data")},
    };
    EXPECT_EQ(found, expected);
    EXPECT_EQ(FindBrowserCacheFolders(BrowserInstalls::Native).size(), 6u) << "no Flatpak or Snap";

    EXPECT_EQ(BrowserOfCacheFolder(expected[3].second), "Chromium");
    EXPECT_EQ(BrowserOfCacheFolder(expected[6].second + "/"), "Firefox");
    EXPECT_EQ(BrowserOfCacheFolder(home(".cache/mozilla/firefoxes")), "");
    EXPECT_EQ(BrowserOfCacheFolder(world.path("elsewhere/cache")), "");

    // XDG_CACHE_HOME moves the native caches.
    world.setEnv("XDG_CACHE_HOME", world.path("xdgcache"));
    world.makeFolder("xdgcache/vivaldi/Default/Cache/Cache_Data");
    const auto moved = FindBrowserCacheFolders(BrowserInstalls::Native);
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(moved.front().browser, "Vivaldi");
    EXPECT_EQ(moved.front().folder, world.path("xdgcache/vivaldi/Default/Cache/Cache_Data"));
}

TEST_F(BrowserCacheTest, RunningBrowsersAreToldByTheirProcessNames) {
    SetProcessNamesForTesting([] {
        return std::vector<std::string>{"bash", "firefox-bin", "chromium-browse", "operator"};
    });
    EXPECT_EQ(RunningBrowsers(), (std::vector<std::string>{"Firefox", "Chromium"}));
    // A snap's Chromium runs as "chrome": both browsers that may run so are named.
    SetProcessNamesForTesting([] { return std::vector<std::string>{"chrome"}; });
    EXPECT_EQ(RunningBrowsers(), (std::vector<std::string>{"Chromium", "Google Chrome"}));
    SetProcessNamesForTesting([] { return std::vector<std::string>{"bash", "Xvfb"}; });
    EXPECT_TRUE(RunningBrowsers().empty());
    // The real process table can be read (this test program is in it).
    SetProcessNamesForTesting(nullptr);
    (void)RunningBrowsers();
}

TEST(TrashFolders, TheHomeTrashAndTheMountTrashesAreTold) {
    struct Case {
        const char* folder;
        bool inside;
    };
    const std::string homeTrash = "/home/u/.local/share/Trash";
    const Case cases[] = {
        {"/home/u/.local/share/Trash", true},
        {"/home/u/.local/share/Trash/files/sub", true},
        {"/home/u/.local/share/Trashcan", false},
        {"/home/u/.local/share", false},
        {"/media/usb/.Trash-1000/files", true},
        {"/media/usb/.Trash/1000/files", true},
        {"/media/usb/.Trash-", false},
        {"/media/usb/.Trash-abc", false},
        {"/media/usb/Trash", false},
        {"/", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsInsideTrash(c.folder, homeTrash), c.inside) << c.folder;
}

TEST(OneFolderListing, RegularFilesWithTheirFactsAndNothingBelow) {
    test::TestWorld world;
    world.makeFile("f/b.dat", 20);
    world.makeFile("f/.hidden", 5);
    world.makeFile("f/A.dat", 10);
    world.makeFile("f/sub/deep.dat", 1);
    ASSERT_EQ(symlink("b.dat", world.path("f/link").c_str()), 0);
    std::vector<ListedFile> files;
    ASSERT_TRUE(ListRegularFiles(world.path("f"), files));
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].name, ".hidden");
    EXPECT_EQ(files[1].name, "A.dat");
    EXPECT_EQ(files[1].facts.size, 10);
    EXPECT_EQ(files[2].name, "b.dat");
    EXPECT_NE(files[2].facts.inode, 0u);

    EXPECT_FALSE(ListRegularFiles(world.path("missing"), files));
    EXPECT_TRUE(files.empty());
    const std::string f = world.path("f");
    SetWalkOpenFailureForTesting([f](const std::string& folder) { return folder == f; });
    EXPECT_FALSE(ListRegularFiles(f, files)) << "a folder that cannot be read";
    SetWalkOpenFailureForTesting(nullptr);
}

} // namespace
} // namespace quillon
