#include "platform/paths.h"
#include "shell/placements.h"
#include "shell/settings.h"
#include "support/world.h"
#include <QScreen>
#include <QWidget>
#include <gtest/gtest.h>
#include <dirent.h>

namespace quillon {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::TestWorld world;
    SettingsStore store = SettingsStore::Main();
};

TEST_F(SettingsTest, FreshSystemGivesDefaults) {
    EXPECT_EQ(store.file(), world.configFile("quillon.ini"));
    EXPECT_EQ(store.readString("ZipFile", "Path", "/"), "/");
    EXPECT_EQ(store.readString("Folders", "When", "Not recorded"), "Not recorded");
    EXPECT_EQ(store.readInteger("Quillon", "Ndelete", -1), -1);
    EXPECT_EQ(store.readList("Include", {"*.doc", "*.exe"}),
              (std::vector<std::string>{"*.doc", "*.exe"}));
    EXPECT_FALSE(PathExists(store.file())) << "reading must not create the file";
}

TEST_F(SettingsTest, NamesCompareWithoutCaseAndWritesReplaceInPlace) {
    world.writeFile("config/quillon/quillon.ini",
                    "; kept comment\n[ZipFile]\nPath=/old\nComment=hello\n\n[Other]\nx=1\n");
    store.writeString("zipfile", "PATH", "/new archive");
    store.writeString("ZIPFILE", "Extra", "e");
    store.writeString("Fresh", "Key", "v");
    EXPECT_EQ(store.readString("ZipFile", "Path", ""), "/new archive");
    EXPECT_EQ(store.readString("zIpFiLe", "comment", ""), "hello");
    EXPECT_EQ(store.readString("Fresh", "key", ""), "v");
    EXPECT_EQ(world.readFile(store.file()),
              "; kept comment\n[ZipFile]\nPATH=/new archive\nComment=hello\nExtra=e\n\n"
              "[Other]\nx=1\n\n[Fresh]\nKey=v\n");
}

TEST_F(SettingsTest, IntegersAreDecimalOrHexWithDefaultOnJunk) {
    const struct {
        const char* stored;
        int64_t expected;
    } cases[] = {
        {"0x10", 16},
        {"0X1f", 31},
        {"42", 42},
        {" 42 ", 42},
        {"-7", -7},
        {"5368709120", 5368709120LL}, // 5 GiB: counters are 64-bit
        {"9223372036854775807", INT64_MAX},
        {"12abc", -99},
        {"0x", -99},
        {"0xZZ", -99},
        {"", -99},
        {"99999999999999999999", -99}, // beyond 64 bits
        {"1.5", -99},
    };
    for (const auto& c : cases) {
        world.writeFile("config/quillon/quillon.ini", std::string("[Quillon]\nN=") + c.stored);
        EXPECT_EQ(store.readInteger("Quillon", "N", -99), c.expected) << "stored: " << c.stored;
    }
    store.writeInteger("Quillon", "SizeDelete", 123456789012345LL);
    EXPECT_EQ(store.readString("Quillon", "SizeDelete", ""), "123456789012345");
    EXPECT_EQ(store.readInteger("Quillon", "SizeDelete", 0), 123456789012345LL);
}

TEST_F(SettingsTest, ListsReadOnlyUpToNumberAndKeepStaleItems) {
    world.writeFile("config/quillon/quillon.ini",
                    "[TempFiles]\nNumber=3\nFile1=*.tmp\nFile2=\nFile3=~*.*\nFile4=*.old\n");
    EXPECT_EQ(store.readList("TempFiles", {}), (std::vector<std::string>{"*.tmp", "~*.*"}));

    store.writeList("TempFiles", {"a", "b"});
    EXPECT_EQ(store.readList("TempFiles", {"default"}), (std::vector<std::string>{"a", "b"}));
    // The old, longer list's items stay in the file but are not read.
    EXPECT_EQ(store.readString("TempFiles", "File3", ""), "~*.*");
    EXPECT_EQ(store.readString("TempFiles", "File4", ""), "*.old");

    store.writeList("TempFiles", {});
    EXPECT_TRUE(store.readList("TempFiles", {"default"}).empty());
    world.writeFile("config/quillon/quillon.ini", "[TempFiles]\nNumber=junk\nFile1=x\n");
    EXPECT_EQ(store.readList("TempFiles", {"default"}), (std::vector<std::string>{"default"}));
}

TEST_F(SettingsTest, DamagedFilesReadWithoutHarm) {
    std::string junk = "[Broken\nlost=1\n";
    junk += std::string("\0\x01\xff\xfe garbage \x80", 15) + "\n";
    junk += "line without equals\r\n[Good]\r\nkey = value with blanks \r\n";
    junk += "long=" + std::string(2000, 'x') + "\n";
    junk += "[Broken too\nafter=2\n=novalue\n";
    world.writeFile("config/quillon/quillon.ini", junk);

    EXPECT_EQ(store.readString("Good", "key", "d"), "value with blanks");
    EXPECT_EQ(store.readString("Good", "long", "").size(), SettingsStore::kMaxValue);
    // A header without ']' starts no section: what follows stays where it was.
    EXPECT_EQ(store.readString("Good", "after", "d"), "2");
    EXPECT_EQ(store.readString("Broken", "lost", "d"), "d");
    EXPECT_EQ(store.readString("Good", "line without equals", "d"), "d");

    // Writing keeps the damaged lines as they were.
    store.writeString("Good", "key", "v2");
    const std::string after = world.readFile(store.file());
    EXPECT_NE(after.find(std::string("\0\x01\xff\xfe garbage", 12)), std::string::npos);
    EXPECT_EQ(store.readString("Good", "key", ""), "v2");
}

TEST_F(SettingsTest, WhatIsReadCanBeWrittenBack) {
    // A lone CR ends a line as LF and CR LF do: no value read holds one, so a
    // list read from a damaged file can be written back as it was read.
    world.writeFile("config/quillon/quillon.ini",
                    "[frmClean]\rNumber=2\rFile1=/a\r/b=x\r\nFile2=/c\r\r\n[Other]\rk=v");
    const std::vector<std::string> list = store.readList("frmClean", {});
    EXPECT_EQ(list, (std::vector<std::string>{"/a", "/c"}));
    EXPECT_EQ(store.readString("frmClean", "/b", ""), "x");
    EXPECT_NO_THROW(store.writeList("frmClean", list));
    EXPECT_EQ(store.readList("frmClean", {}), list);
    EXPECT_EQ(store.readSection("Other"), (std::vector<std::pair<std::string, std::string>>{{"k", "v"}}));

    // Item N of a list is the key "FileN": "File01" is another key.
    world.writeFile("config/quillon/quillon.ini", "[L]\nNumber=2\nFile01=/zero\nFile1=/one\nFile002=/x\n");
    EXPECT_EQ(store.readList("L", {}), (std::vector<std::string>{"/one"}));
    EXPECT_EQ(store.readList("L", {}).front(), store.readString("L", "File1", ""));

    // Every item up to Number counts, however far apart the items stand.
    world.writeFile("config/quillon/quillon.ini",
                    "[L]\nNumber=9223372036854775807\nFile1=/a\nFile2000000=/b\n");
    EXPECT_EQ(store.readList("L", {}), (std::vector<std::string>{"/a", "/b"}));
}

TEST_F(SettingsTest, UnreadableFileReadsAsEmptyAndIsNotOverwritten) {
    // A folder where the file should be: nothing can be read, even as root.
    world.makeFolder("config/quillon/quillon.ini");
    EXPECT_EQ(store.readString("ZipFile", "Path", "dflt"), "dflt");
    try {
        store.writeString("ZipFile", "Path", "/x");
        FAIL() << "write should fail";
    } catch (const SettingsWriteError& e) {
        EXPECT_EQ(std::string(e.what()), "Unable to write to " + store.file());
    }
}

TEST_F(SettingsTest, WriteThatCannotBeMadeRaisesAndLeavesNoTemporaryFiles) {
    // The configuration folder's place is taken by a file.
    world.writeFile("blocked", "x");
    world.setEnv("XDG_CONFIG_HOME", world.path("blocked"));
    SettingsStore blocked = SettingsStore::Main();
    EXPECT_THROW(blocked.writeInteger("Quillon", "NZip", 1), SettingsWriteError);

    store.writeString("A", "k", "1");
    store.writeString("A", "k", "2");
    int entries = 0;
    DIR* dir = opendir(world.configFolder().c_str());
    while (dirent* e = readdir(dir))
        if (e->d_name[0] != '.') ++entries;
    closedir(dir);
    EXPECT_EQ(entries, 1) << "only quillon.ini: the write goes through a renamed temporary file";
}

TEST_F(SettingsTest, NothingIsCachedBetweenCalls) {
    SettingsStore other = SettingsStore::Main();
    store.writeString("ZipFile", "Path", "/one");
    EXPECT_EQ(other.readString("ZipFile", "Path", ""), "/one");
    world.writeFile("config/quillon/quillon.ini", "[ZipFile]\nPath=/edited by hand\n");
    EXPECT_EQ(store.readString("ZipFile", "Path", ""), "/edited by hand");
}

TEST_F(SettingsTest, ValuesAreBytes) {
    const std::string path = "/home/ann/\xff\xfe odd";
    store.writeString("ZipFile", "Path", path);
    EXPECT_EQ(store.readString("ZipFile", "Path", ""), path);
    EXPECT_THROW(store.writeString("ZipFile", "Path", "two\nlines"), SettingsWriteError);
}

TEST_F(SettingsTest, PlacementsLiveApartAndApplyOnlyWithPositiveWidth) {
    WindowPlacement p;
    p.left = 10;
    p.top = 20;
    p.right = 410;
    p.bottom = 320;
    WriteWindowPlacement("quillon.ini", "frmDups", "frmMods", p);
    EXPECT_EQ(ReadWindowPlacement("quillon.ini", "frmDups", "frmMods")->toText(),
              "0 1 -1 -1 -1 -1 10 20 410 320");
    EXPECT_FALSE(PathExists(store.file())) << "placements are not in quillon.ini";
    EXPECT_FALSE(ReadWindowPlacement("quillon.ini", "frmMods", "frmMods"));

    QWidget window;
    EXPECT_TRUE(RestoreWindowPlacement(&window, "quillon.ini", "frmDups", "frmMods"));
    EXPECT_EQ(window.geometry(), QRect(10, 20, 400, 300));

    // Saved on a screen far larger than this one: moved and cut to lie on it.
    const QRect screen = window.screen()->availableGeometry();
    p.left = screen.right() + 3000;
    p.top = screen.bottom() + 2000;
    p.right = p.left + screen.width() + 500;
    p.bottom = p.top + 200;
    WriteWindowPlacement("quillon.ini", "frmDups", "frmMods", p);
    EXPECT_TRUE(RestoreWindowPlacement(&window, "quillon.ini", "frmDups", "frmMods"));
    EXPECT_TRUE(screen.contains(window.geometry())) << window.geometry().x() << ","
                                                    << window.geometry().y();
    EXPECT_EQ(window.height(), 200);
    p.left = 10;
    p.top = 20;
    p.right = 410;
    p.bottom = 320;

    p.right = p.left; // right not greater than left: ignored
    WriteWindowPlacement("quillon.ini", "frmDups", "frmMods", p);
    window.setGeometry(1, 2, 30, 40);
    EXPECT_FALSE(RestoreWindowPlacement(&window, "quillon.ini", "frmDups", "frmMods"));
    EXPECT_EQ(window.geometry(), QRect(1, 2, 30, 40));

    EXPECT_FALSE(WindowPlacement::fromText("1 2 3"));
    EXPECT_FALSE(WindowPlacement::fromText("0 1 -1 -1 -1 -1 10 20 410 320 extra"));

    SaveWindowPlacement(&window, "quillonw", "frmFiles", "frmMods");
    const auto saved = ReadWindowPlacement("quillonw", "frmFiles", "frmMods");
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->right - saved->left, 30);
}

} // namespace
} // namespace quillon
