#include "platform/drives.h"
#include "platform/paths.h"
#include "removal/archive.h"
#include "shell/launcher.h"
#include "support/world.h"
#include <QLocale>
#include <gtest/gtest.h>

namespace quillon {
namespace {

class ArchiveTest : public ::testing::Test {
  protected:
    ~ArchiveTest() override {
        ZipFolder.clear();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    test::TestWorld world;
};

TEST_F(ArchiveTest, FileNameCarriesLetterCategoryAndMoment) {
    const struct {
        const char* category;
        char letter;
        DateTime moment;
        const char* name;
    } cases[] = {
        {"TempClean", 'C', EncodeDateTime(2026, 12, 8, 21, 42, 59),
         "Drive-C-TempClean08Dec262142.zip"},
        // The folder browser gives no category: the moment follows the dash.
        {"", 'D', EncodeDateTime(2026, 1, 5, 9, 7), "Drive-D-05Jan260907.zip"},
        {"Duplicates", 'E', EncodeDateTime(2000, 3, 31, 0, 0), "Drive-E-Duplicates31Mar000000.zip"},
        {"FolderClean", 'C', EncodeDateTime(2031, 11, 30, 23, 59),
         "Drive-C-FolderClean30Nov312359.zip"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArchiveFileName(c.category, c.letter, c.moment), c.name) << c.name;
}

TEST_F(ArchiveTest, MonthComesFromTheLocaleWithoutATrailingDot) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // Locales that abbreviate with a dot ("Dez.", "févr.") lose the dot.
    EXPECT_EQ(ArchiveFileName("TempClean", 'C', EncodeDateTime(2026, 12, 8, 21, 42)),
              "Drive-C-TempClean08Dez262142.zip");
    EXPECT_EQ(ArchiveFileName("", 'C', EncodeDateTime(2026, 5, 1, 6, 3)),
              "Drive-C-01Mai260603.zip");
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    EXPECT_EQ(ArchiveFileName("", 'C', EncodeDateTime(2026, 2, 1, 6, 3)),
              QString("Drive-C-01f\u00e9vr260603.zip").toStdString());
}

TEST_F(ArchiveTest, ArchiveGoesIntoTheGivenFolder) {
    const DateTime moment = EncodeDateTime(2026, 12, 8, 21, 42);
    EXPECT_EQ(MakeArchiveName("/backup", "TempClean", 'D', moment),
              "/backup/Drive-D-TempClean08Dec262142.zip");
    EXPECT_EQ(MakeArchiveName("/backup/", "TempClean", 'D', moment),
              "/backup/Drive-D-TempClean08Dec262142.zip");
}

TEST_F(ArchiveTest, DefaultBackupFolderIsPrivateDataNotTheRoot) {
    world.setEnv("XDG_DATA_HOME", world.makeFolder("data"));
    EXPECT_EQ(DefaultBackupFolder(), world.path("data") + "/quillon/backups");
}

TEST_F(ArchiveTest, StoredNameIsThePathBelowTheLongestDriveRoot) {
    world.setDrives({{'C', "c"}, {'D', "c/mnt/d"}});
    const struct {
        std::string path;
        char letter;
        std::string stored;
    } cases[] = {
        {world.path("c/My Documents/Old Report.doc"), 'C', "My Documents/Old Report.doc"},
        {world.path("c/mnt/d/x/y.bin"), 'D', "x/y.bin"},
        // Whole path elements only: /mnt/dd is not below the root /mnt/d.
        {world.path("c/mnt/dd/z"), 'C', "mnt/dd/z"},
        {world.path("c/odd/\xff\xfe.dat"), 'C', "odd/\xff\xfe.dat"},
    };
    for (const auto& c : cases) {
        const auto place = ArchivePlaceFor(c.path);
        ASSERT_TRUE(place) << c.path;
        EXPECT_EQ(place->letter, c.letter) << c.path;
        EXPECT_EQ(place->storedName, c.stored) << c.path;
    }
    EXPECT_FALSE(ArchivePlaceFor(world.path("elsewhere/file")));
    EXPECT_FALSE(ArchivePlaceFor(world.path("c")));

    DriveTable::Set({{'C', "/", {}}});
    const auto place = ArchivePlaceFor("/home/ann/a b.txt");
    ASSERT_TRUE(place);
    EXPECT_EQ(place->letter, 'C');
    EXPECT_EQ(place->storedName, "home/ann/a b.txt");
}

TEST_F(ArchiveTest, OriginalRootIsTheDriveNamedInTheFileName) {
    world.setDrives({{'C', "c"}, {'D', "d"}});
    const struct {
        std::string archive;
        std::optional<std::string> root;
    } cases[] = {
        {"/zips/Drive-D-TempClean08Dec262142.zip", world.path("d")},
        {"Drive-C-08Dec262142.zip", world.path("c")},
        {"/zips/Drive-c-08Dec262142.zip", world.path("c")},
        {"/zips/old-Drive-D-Drive-C-x.zip", world.path("d")},
        {"/zips/Drive-X-TempClean08Dec262142.zip", std::nullopt},
        {"/zips/backup.zip", std::nullopt},
        {"/zips/Drive-", std::nullopt},
        // Only the file name counts, not its folder.
        {"/Drive-D-zips/notes.zip", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OriginalRootOf(c.archive), c.root) << c.archive;
}

} // namespace
} // namespace quillon
