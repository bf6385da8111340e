#include "platform/drives.h"
#include "shell/application.h"
#include "shell/settings.h"
#include "support/world.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(StartUp, DriveLettersAreKeptInTheSettingsFile) {
    test::TestWorld world;
    world.unsetEnv("QUILLON_DRIVES");
    // A disk seen on an earlier run that is not mounted now keeps its letter.
    SettingsStore::Main().writeString("Drives", "E", "/media/gone-stick");
    LoadDriveTable();

    const Drive* c = DriveTable::ByLetter('C');
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->root, "/");
    const Drive* e = DriveTable::ByLetter('E');
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->root, "/media/gone-stick");
    EXPECT_FALSE(DriveIsReady(e->root));

    const auto kept = SettingsStore::Main().readSection("Drives");
    EXPECT_EQ(SettingsStore::Main().readString("Drives", "C", ""), "/");
    EXPECT_EQ(kept.size(), DriveTable::All().size());
    for (const Drive& d : DriveTable::All())
        EXPECT_EQ(SettingsStore::Main().readString("Drives", std::string(1, d.letter), ""), d.root);

    // A second start gives every root the same letter again.
    const auto first = DriveTable::All();
    LoadDriveTable();
    ASSERT_EQ(DriveTable::All().size(), first.size());
    for (size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(DriveTable::All()[i].letter, first[i].letter);
        EXPECT_EQ(DriveTable::All()[i].root, first[i].root);
    }
}

TEST(StartUp, OverrideReplacesTheTableAndSetsTheCurrentDrive) {
    test::TestWorld world;
    world.setDrives({{'C', "c"}, {'D', "d"}});
    LoadDriveTable();
    ASSERT_EQ(DriveTable::All().size(), 2u);
    EXPECT_EQ(DriveTable::ByLetter('D')->root, world.path("d"));
    EXPECT_EQ(SettingsStore::Main().readSection("Drives").size(), 0u)
        << "an override is not remembered";
}

} // namespace
} // namespace quillon
