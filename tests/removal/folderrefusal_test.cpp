#include "removal/folderrefusal.h"
#include "platform/paths.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <unistd.h>

namespace quillon {
namespace {

TEST(FolderRefusalTest, RootsAndSystemTopFoldersAreRefusedTheirSubFoldersAreNot) {
    test::TestWorld world;
    world.makeFolder("c/work/deep");
    world.makeFolder("c/etc"); // named like a system folder, but on the drive: allowed
    const std::string c = world.path("c");
    struct Case {
        std::string folder;
        FolderRefusal expected;
    } cases[] = {
        {c, FolderRefusal::DriveRoot},
        {c + "/", FolderRefusal::DriveRoot},
        {c + "/work/..", FolderRefusal::DriveRoot},
        {"/", FolderRefusal::DriveRoot},
        {c + "/work", FolderRefusal::None},
        {c + "/work/deep", FolderRefusal::None},
        {c + "/etc", FolderRefusal::None},
        {"/etc", FolderRefusal::SystemFolder},
        {"/etc/", FolderRefusal::SystemFolder},
        {"/usr", FolderRefusal::SystemFolder},
        {"/var", FolderRefusal::SystemFolder},
        {"/etc/apt", FolderRefusal::None},
        {"/usr/share", FolderRefusal::None},
        {"/tmp", FolderRefusal::None},
    };
    for (const Case& k : cases)
        EXPECT_EQ(FolderRefusalFor(k.folder), k.expected) << k.folder;
}

TEST(FolderRefusalTest, WhatASystemFolderResolvesToIsRefusedAndSoIsALinkToIt) {
    test::TestWorld world;
    // On a merged /usr, /bin is a link to usr/bin: both names are the system folder.
    const std::string bin = CanonicalPath("/bin");
    EXPECT_EQ(FolderRefusalFor(bin), FolderRefusal::SystemFolder) << bin;
    const std::string link = world.path("c/to-etc");
    ASSERT_EQ(symlink("/etc", link.c_str()), 0);
    EXPECT_EQ(FolderRefusalFor(link), FolderRefusal::SystemFolder);
}

} // namespace
} // namespace quillon
