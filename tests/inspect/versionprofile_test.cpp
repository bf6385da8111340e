#include "inspect/versionprofile.h"
#include "support/world.h"
#include <gtest/gtest.h>

using namespace quillon;
using quillon::test::TestWorld;

namespace {

const std::string kPeFixtures = std::string(QUILLON_FIXTURES) + "/pe/";

} // namespace

TEST(VersionProfile, ElevenLinesInTheFixedOrder) {
    // The 64-bit fixture: company with leading blanks, a copyright sign, no
    // private or special build.
    const QStringList plain = {
        "Company: Quillon Test Works",
        "File description: Version resource fixture",
        "File version: 2.9.0.17",
        "Internal name: tiny",
        QString::fromUtf8("Copyright: \u00A9 2024 Quillon Test Works"),
        "Trademarks: Quillon is not a trademark",
        "Original filename: tiny.exe",
        "Private build info: ",
        "Product name: Quillon fixtures",
        "Product version: 2.9",
        "Special build info: ",
    };
    const QStringList tabbed = {
        "Company: \tQuillon Test Works",
        "File description: \tVersion resource fixture",
        "File version: \t2.9.0.17",
        "Internal name: \ttiny",
        QString::fromUtf8("Copyright: \t\t\u00A9 2024 Quillon Test Works"),
        "Trademarks: \tQuillon is not a trademark",
        "Original filename: \ttiny.exe",
        "Private build info: \t",
        "Product name: \tQuillon fixtures",
        "Product version: \t2.9",
        "Special build info: \t",
    };
    QStringList lines = {"left over"};
    VersionProfile(kPeFixtures + "tiny64.exe", lines, false);
    EXPECT_EQ(lines, plain);
    VersionProfile(kPeFixtures + "tiny64.exe", lines, true);
    EXPECT_EQ(lines, tabbed);

    // The 32-bit library: the English table named by the translation, not the
    // German one stored before it.
    VersionProfile(kPeFixtures + "tiny32.dll", lines, true);
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[0], "Company: \tQuillon Test Works");
    EXPECT_EQ(lines[4],
              QString::fromUtf8("Copyright: \t\t\u00A9 2024 Quillon Test Works \u2014 Zo\u00EB"));
    EXPECT_EQ(lines[5], "Trademarks: \t");
    EXPECT_EQ(lines[7], "Private build info: \tbuilt by the fixture script");
}

TEST(VersionProfile, NoLinesWithoutAVersionResource) {
    TestWorld world;
    const std::string folder = world.makeFolder("folder");
    const std::string cases[] = {
        kPeFixtures + "notranslation.exe", // strings, but no translation table
        world.writeFile("readme.txt", "Company: not a program\n"),
        world.writeFile("empty.exe", ""),
        world.path("missing.exe"),
        folder,
    };
    for (const std::string& path : cases) {
        SCOPED_TRACE(path);
        for (const bool tabbed : {false, true}) {
            QStringList lines = {"left over"};
            VersionProfile(path, lines, tabbed);
            EXPECT_TRUE(lines.isEmpty());
        }
    }
}
