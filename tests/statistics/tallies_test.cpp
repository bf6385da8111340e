#include "scan/scancontrol.h"
#include "statistics/collect.h"
#include "statistics/tallies.h"
#include "platform/walker.h"
#include "support/world.h"
#include <gtest/gtest.h>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>

namespace quillon {
namespace {

constexpr int64_t kGiB = int64_t{1} << 30;

TEST(StatClasses, SizeClassBoundsAreInclusiveAtTheTop) {
    struct Case {
        int64_t size;
        int sizeClass;
    };
    const Case cases[] = {
        {0, 1},         {16384, 1},     {16385, 2},     {32768, 2},     {32769, 3},
        {1048576, 7},   {1048577, 8},   {16777216, 11}, {16777217, 12}, {5 * kGiB, 12},
        {int64_t{1} << 62, 12},
    };
    for (const Case& c : cases) EXPECT_EQ(SizeClass(c.size), c.sizeClass) << c.size;
}

TEST(StatClasses, AgeClassesAndDaysSince) {
    struct Case {
        int64_t days;
        int index;
    };
    const Case cases[] = {{-1, 0},   {0, 1},    {7, 1},    {8, 2},    {30, 2},   {31, 3},
                          {60, 3},   {61, 4},   {120, 4},  {121, 5},  {365, 5},  {366, 6},
                          {730, 6},  {731, 7},  {1095, 7}, {1096, 8}, {1460, 8}, {1461, 9},
                          {40000, 9}};
    for (const Case& c : cases) EXPECT_EQ(ageToIndex(c.days), c.index) << c.days;

    const DateTime today = EncodeDateTime(2024, 3, 10, 9, 0);
    EXPECT_EQ(DaysSince(kNoDate, today), -1);
    EXPECT_EQ(DaysSince(EncodeDateTime(2024, 3, 10, 23, 59), today), 0);
    EXPECT_EQ(DaysSince(EncodeDateTime(2024, 3, 3, 23, 0), today), 7);
    EXPECT_EQ(DaysSince(EncodeDateTime(2024, 3, 2, 1, 0), today), 8);
    // A date in the future counts by its distance.
    EXPECT_EQ(DaysSince(EncodeDateTime(2024, 3, 20), today), 10);
    // Dates before 1980 are ordinary dates here.
    EXPECT_EQ(DaysSince(EncodeDateTime(1970, 1, 1), EncodeDateTime(1970, 1, 31)), 30);
}

TEST(StatClasses, HourSlotIsTheHalfHourOfTheDay) {
    struct Case {
        int hour, minute;
        double second;
        int slot;
    };
    const Case cases[] = {
        {0, 0, 0, -1},  // exactly midnight: a date without its time of day
        {0, 0, 1, 0},   // one second later it is a time like any other
        {0, 15, 0, 0},  {0, 29, 59, 0}, {0, 30, 0, 1}, {14, 29, 59.9, 28},
        {14, 45, 0, 29}, {23, 59, 0, 47}, {23, 59, 59.999, 47},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HourSlot(EncodeDateTime(2023, 5, 6, c.hour, c.minute, c.second)), c.slot)
            << c.hour << ":" << c.minute << ":" << c.second;
    EXPECT_EQ(HourSlot(kNoDate), -1);
}

TEST(StatSelection, TypeFilterOfTheThreeChoices) {
    const QStringList rows{"*.doc\tWord document", "*.~*\t", "*.TXT\tText"};
    const TypeSelection include(TypeChoice::IncludeTypes, rows);
    const TypeSelection exclude(TypeChoice::ExcludeTypes, rows);
    const TypeSelection all;
    struct Case {
        const char* name;
        bool included;
    };
    const Case cases[] = {
        {"report.DOC", true}, {"report.doc", true},  {"report.docx", false},
        {"readme", false},    {"notes.txt", true},   {"backup.~1", true},
        {".doc", false},      {"archive.tar", false}, {"doc", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(include.isThisSelected(c.name), c.included) << c.name;
        EXPECT_EQ(exclude.isThisSelected(c.name), !c.included) << c.name;
        EXPECT_TRUE(all.isThisSelected(c.name)) << c.name;
    }
    EXPECT_EQ(include.listedExtensions(), (std::vector<std::string>{".doc", ".txt"}));
    EXPECT_EQ(extractExtension("*.DOC\tWord"), ".doc");
    EXPECT_EQ(extractExtension("junk\tsomething"), "");
}

FileFacts Facts(int64_t size, uint32_t attributes = 0, DateTime modified = kNoDate,
                DateTime accessed = kNoDate, DateTime created = kNoDate) {
    FileFacts facts;
    facts.size = size;
    facts.attributes = attributes;
    facts.modified = modified;
    facts.accessed = accessed;
    facts.created = created;
    return facts;
}

TEST(StatTallies, TypeRowsOnlyForShortExtensions) {
    CollectRules rules;
    StatTallies t;
    t.crunchNumbers("readme", Facts(10), rules);
    t.crunchNumbers("archive.html", Facts(20), rules);
    t.crunchNumbers("Index.HTML", Facts(5), rules);
    t.crunchNumbers("data.backup", Facts(1000), rules);
    ASSERT_EQ(t.types.size(), 2u);
    EXPECT_EQ(t.types.at("").count, 1);
    EXPECT_EQ(t.types.at(".HTML").count, 2);
    EXPECT_EQ(t.types.at(".HTML").bytes, 25);
    // data.backup has no type row but is counted everywhere else.
    EXPECT_EQ(t.filesSelected, 4);
    EXPECT_EQ(t.sizeCount[1], 4);
    EXPECT_EQ(t.fileBytes(), 1035);

    t.insertType(".DOC", 0, true);
    t.insertType(".html", 0, true); // an existing row is left as it is
    EXPECT_EQ(t.types.at(".DOC").count, 0);
    EXPECT_EQ(t.types.at(".HTML").count, 2);
}

TEST(StatTallies, OverhangPerClusterSize) {
    CollectRules rules;
    rules.overhang = true;
    StatTallies t;
    t.crunchNumbers("a", Facts(5000), rules);
    EXPECT_EQ(t.overhang, (std::array<int64_t, 5>{3192, 3192, 11384, 27768, 60536}));
    t.crunchNumbers("b", Facts(8192), rules);
    t.crunchNumbers("empty", Facts(0), rules);
    EXPECT_EQ(t.overhang, (std::array<int64_t, 5>{3192, 3192, 11384 + 8192, 27768 + 24576,
                                                  60536 + 57344}));
    // With several drives the overhang sums do not grow.
    rules.overhang = false;
    StatTallies off;
    off.crunchNumbers("a", Facts(5000), rules);
    EXPECT_EQ(off.overhang, (std::array<int64_t, 5>{}));
}

TEST(StatTallies, AttributesTimesAndTheFilter) {
    const DateTime today = EncodeDateTime(2024, 6, 1, 12, 0);
    CollectRules rules;
    rules.today = today;
    rules.selection = TypeSelection(TypeChoice::ExcludeTypes, {"*.tmp\tTemporary"});
    StatTallies t;
    // Read-only and hidden at once: counted under each.
    t.crunchNumbers(".config.txt", Facts(100, faReadOnly | faHidden,
                                          EncodeDateTime(2024, 5, 25, 14, 45),
                                          EncodeDateTime(2024, 6, 1, 0, 0)),
                    rules);
    t.crunchNumbers("link", Facts(7, faSysFile, EncodeDateTime(2019, 1, 1, 0, 30)), rules);
    t.crunchNumbers("skip.TMP", Facts(5000, faReadOnly, EncodeDateTime(2024, 5, 31)), rules);

    EXPECT_EQ(t.filesProcessed, 3);
    EXPECT_EQ(t.filesSelected, 2);
    EXPECT_EQ(t.nReadOnly, 1);
    EXPECT_EQ(t.szReadOnly, 100);
    EXPECT_EQ(t.nHidden, 1);
    EXPECT_EQ(t.nSystem, 1);
    EXPECT_EQ(t.szSystem, 7);
    EXPECT_EQ(t.nArchive, 0);
    // Modified 7 days ago is class 1; 2019 is over 4 years; no birth time: not recorded.
    EXPECT_EQ(t.ageModifyCount[1], 1);
    EXPECT_EQ(t.ageModifyCount[9], 1);
    EXPECT_EQ(t.ageModifyBytes[9], 7);
    EXPECT_EQ(t.ageCreateCount[0], 2);
    EXPECT_EQ(t.ageAccessCount[1], 1); // accessed today
    EXPECT_EQ(t.ageAccessCount[0], 1); // the link: no access time
    // 14:45 is the 14:30 slot; 00:30 is slot 1; exactly midnight is in no slot.
    EXPECT_EQ(t.hourModified[29], 1);
    EXPECT_EQ(t.hourModified[1], 1);
    EXPECT_EQ(std::accumulate(t.hourAccessed.begin(), t.hourAccessed.end(), int64_t{0}), 0);
    EXPECT_EQ(std::accumulate(t.hourCreated.begin(), t.hourCreated.end(), int64_t{0}), 0);
}

TEST(StatTallies, MergeAddsEveryTally) {
    CollectRules rules;
    rules.overhang = true;
    rules.today = EncodeDateTime(2024, 1, 1);
    StatTallies a, b, both;
    const FileFacts f1 = Facts(70000, faHidden, EncodeDateTime(2023, 12, 30, 10, 10),
                               EncodeDateTime(2023, 1, 1, 8, 40), EncodeDateTime(2020, 1, 1, 1, 1));
    const FileFacts f2 = Facts(3, faReadOnly, EncodeDateTime(2023, 12, 1, 22, 50));
    a.crunchNumbers("x.jpg", f1, rules);
    b.crunchNumbers("y.jpg", f2, rules);
    b.crunchNumbers("z", f1, rules);
    both.crunchNumbers("x.jpg", f1, rules);
    both.crunchNumbers("y.jpg", f2, rules);
    both.crunchNumbers("z", f1, rules);
    a.merge(b);
    EXPECT_EQ(a.sizeCount, both.sizeCount);
    EXPECT_EQ(a.sizeBytes, both.sizeBytes);
    EXPECT_EQ(a.ageAccessCount, both.ageAccessCount);
    EXPECT_EQ(a.ageCreateBytes, both.ageCreateBytes);
    EXPECT_EQ(a.ageModifyBytes, both.ageModifyBytes);
    EXPECT_EQ(a.hourModified, both.hourModified);
    EXPECT_EQ(a.hourCreated, both.hourCreated);
    EXPECT_EQ(a.hourAccessed, both.hourAccessed);
    EXPECT_EQ(a.overhang, both.overhang);
    EXPECT_EQ(a.nHidden, both.nHidden);
    EXPECT_EQ(a.szReadOnly, both.szReadOnly);
    EXPECT_EQ(a.filesSelected, 3);
    EXPECT_EQ(a.types.at(".JPG").count, 2);
    EXPECT_EQ(a.types.at(".JPG").bytes, 70003);
}

// A drive with files of chosen sizes and times, a hidden file, a hidden
// folder (never entered), a link (a system entry) and a sparse file of 5 GiB.
class CollectTest : public ::testing::Test {
protected:
    CollectTest() {
        now = EncodeDateTime(2024, 6, 1, 12, 0);
        world.makeFile("c/docs/a.txt", 1000, EncodeDateTime(2024, 5, 31, 9, 10));
        world.makeFile("c/docs/b.TXT", 2000, EncodeDateTime(2023, 1, 1, 16, 40));
        world.makeFile("c/docs/deep/c.txt", 0, EncodeDateTime(2024, 6, 1, 8, 0));
        world.makeFile("c/prog.exe", 50000, EncodeDateTime(2010, 2, 3, 4, 5), std::nullopt, 0444);
        world.makeFile("c/.hidden.cfg", 300, EncodeDateTime(2024, 5, 1, 11, 35));
        world.makeFile("c/.cache/inside.bin", 9999);
        world.makeFile("c/data.backup", 17000, EncodeDateTime(2022, 7, 7, 21, 5));
        symlink("prog.exe", world.path("c/prog.lnk").c_str());
        const std::string sparse = world.path("c/big/sparse.img");
        world.makeFolder("c/big");
        const int fd = open(sparse.c_str(), O_WRONLY | O_CREAT, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(ftruncate(fd, 5 * kGiB), 0);
        close(fd);
        // Every time fixed, so no file falls into a class by the moment the test runs.
        setTimes("c/big/sparse.img", EncodeDateTime(2021, 3, 3, 3, 3));
        setTimes("c/prog.lnk", EncodeDateTime(2021, 3, 3, 3, 3));
    }
    void setTimes(const std::string& relative, DateTime when) {
        const qint64 ms = ToQDateTime(when).toMSecsSinceEpoch();
        timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(ms / 1000);
        times[0].tv_nsec = times[1].tv_nsec = 0;
        EXPECT_EQ(utimensat(AT_FDCWD, world.path(relative).c_str(), times, AT_SYMLINK_NOFOLLOW), 0);
    }
    StatTallies collect(unsigned threads, const CollectRules& rules) {
        StatTallies t;
        DriveCollector collector(threads);
        EXPECT_EQ(collector.collect(world.path("c"), rules, t), DriveCollector::Outcome::Finished);
        return t;
    }
    test::TestWorld world;
    DateTime now;
};

TEST_F(CollectTest, EveryFileOfTheTreeIsCountedOnce) {
    CollectRules rules;
    rules.today = now;
    rules.overhang = true;
    const StatTallies t = collect(4, rules);
    // Seven files and the link; the hidden folder is not entered.
    EXPECT_EQ(t.filesProcessed, 8);
    EXPECT_EQ(t.filesSelected, 8);
    EXPECT_EQ(t.sizeCount[12], 1);
    EXPECT_EQ(t.sizeBytes[12], 5 * kGiB);
    EXPECT_EQ(t.sizeCount[2], 1); // data.backup
    EXPECT_EQ(t.types.at(".TXT").count, 3);
    EXPECT_EQ(t.types.at(".TXT").bytes, 3000);
    EXPECT_EQ(t.types.at(".EXE").bytes, 50000);
    EXPECT_EQ(t.types.at(".IMG").bytes, 5 * kGiB);
    EXPECT_EQ(t.types.count(".BACKUP"), 0u);
    int64_t typeBytes = 0;
    for (const auto& [extension, totals] : t.types) typeBytes += totals.bytes;
    EXPECT_EQ(typeBytes + 17000, t.fileBytes());
    EXPECT_EQ(t.fileBytes(), 5 * kGiB + 1000 + 2000 + 50000 + 300 + 17000 + 8);
    EXPECT_EQ(t.nReadOnly, 1);
    EXPECT_EQ(t.szReadOnly, 50000);
    EXPECT_EQ(t.nHidden, 1);
    EXPECT_EQ(t.nSystem, 1);
    EXPECT_EQ(t.nArchive, 0);
    EXPECT_EQ(t.szArchive, 0);
    EXPECT_EQ(t.ageModifyCount[1], 2);  // yesterday and today
    EXPECT_EQ(t.hourModified[18], 1);   // 09:10
    EXPECT_EQ(t.hourModified[33], 1);   // 16:40
    EXPECT_EQ(t.hourModified[16], 1);   // 08:00
    // The overhang of the sparse file's true size: 5 GiB is a multiple of every cluster.
    int64_t expected4K = 0;
    for (const int64_t size : {1000, 2000, 50000, 300, 17000, 8})
        if (size % 4096) expected4K += 4096 - size % 4096;
    EXPECT_EQ(t.overhang[0], expected4K);
}

// "Search hidden folders" reaches the collection: the dot-folder's file counts.
TEST_F(CollectTest, HiddenFoldersAreEnteredWhenTheUserAsks) {
    CollectRules rules;
    rules.today = now;
    SetSearchHiddenFolders(true);
    EXPECT_EQ(collect(2, rules).filesProcessed, 9);
    SetSearchHiddenFolders(false);
    EXPECT_EQ(collect(2, rules).filesProcessed, 8);
}

TEST_F(CollectTest, OneWalkerAndSeveralGiveTheSameTallies) {
    CollectRules rules;
    rules.today = now;
    rules.overhang = true;
    rules.selection = TypeSelection(TypeChoice::ExcludeTypes, {"*.img\tDisk image"});
    const StatTallies one = collect(1, rules);
    const StatTallies many = collect(4, rules);
    EXPECT_EQ(one.filesProcessed, 8);
    EXPECT_EQ(one.filesSelected, 7);
    EXPECT_EQ(one.sizeCount, many.sizeCount);
    EXPECT_EQ(one.sizeBytes, many.sizeBytes);
    EXPECT_EQ(one.ageModifyBytes, many.ageModifyBytes);
    EXPECT_EQ(one.hourModified, many.hourModified);
    EXPECT_EQ(one.overhang, many.overhang);
    EXPECT_EQ(one.filesSelected, many.filesSelected);
    ASSERT_EQ(one.types.size(), many.types.size());
    for (const auto& [extension, totals] : one.types) {
        EXPECT_EQ(many.types.at(extension).count, totals.count) << extension;
        EXPECT_EQ(many.types.at(extension).bytes, totals.bytes) << extension;
    }
}

TEST_F(CollectTest, AbortAndUnopenableRoot) {
    CollectRules rules;
    StatTallies t;
    DriveCollector collector(2);
    collector.abort();
    EXPECT_EQ(collector.collect(world.path("c"), rules, t), DriveCollector::Outcome::Aborted);
    EXPECT_EQ(t.filesProcessed, 0);

    // Aborted on its first status report: whatever was counted stays, never more than all.
    collector.reset();
    const auto outcome = collector.collect(world.path("c"), rules, t,
                                           [&](const std::string&) { collector.abort(); });
    EXPECT_EQ(outcome, DriveCollector::Outcome::Aborted);
    EXPECT_LE(t.filesProcessed, 8);

    collector.reset();
    StatTallies none;
    EXPECT_EQ(collector.collect(world.path("missing"), rules, none),
              DriveCollector::Outcome::CannotOpen);
    SetWalkOpenFailureForTesting([&](const std::string& folder) {
        return folder == world.path("c");
    });
    EXPECT_EQ(collector.collect(world.path("c"), rules, none),
              DriveCollector::Outcome::CannotOpen);
    SetWalkOpenFailureForTesting(nullptr);
    EXPECT_EQ(none.filesProcessed, 0);
}

} // namespace
} // namespace quillon
