#include "finders/duplines.h"
#include "support/world.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

// Rows built straight from facts: grouping never touches the disk.
class DupLinesTest : public ::testing::Test {
protected:
    uint32_t add(const std::string& folder, const std::string& name, int64_t size,
                 DateTime modified = EncodeDateTime(2024, 5, 1, 10, 0, 0)) {
        FileFacts facts;
        facts.size = size;
        facts.modified = modified;
        facts.accessed = modified;
        const uint32_t row = store.addFile(store.addFolder(folder), name, facts);
        rows.push_back(row);
        return row;
    }
    std::vector<std::string> grouped(MatchMode mode) {
        SortWorkingList(store, rows, FinderMode::Duplicates, mode);
        std::vector<std::string> out;
        for (uint32_t r : addDups(store, rows, mode)) out.push_back(store.path(r));
        return out;
    }

    FileStore store;
    std::vector<uint32_t> rows;
};

TEST_F(DupLinesTest, FilenameOnlyIgnoresCaseAndJoinsEveryMatch) {
    add("/c/A", "README.TXT", 10);
    add("/c/B", "readme.txt", 20);
    add("/c/Z", "README.TXT", 30);
    add("/c/A", "alone.doc", 10);
    add("/c/Q", "zzz-last.doc", 10); // the last line alone starts no group
    const auto groups = grouped(MatchMode::Name);
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(std::count_if(groups.begin(), groups.end(),
                            [](const std::string& p) { return p.find("README") != p.npos ||
                                                              p.find("readme") != p.npos; }),
              3);
}

TEST_F(DupLinesTest, EachModeGroupsByItsKey) {
    const DateTime x = EncodeDateTime(2024, 5, 1, 10, 0, 0);
    const DateTime y = EncodeDateTime(2024, 5, 2, 10, 0, 0);
    const struct {
        MatchMode mode;
        std::vector<std::tuple<std::string, int64_t, DateTime>> files; // name, size, time
        std::vector<std::string> expected;                              // names, in order
    } cases[] = {
        {MatchMode::NameSize, {{"X.DAT", 100, x}, {"x.dat", 200, x}}, {}},
        {MatchMode::NameSize, {{"X.DAT", 100, x}, {"x.dat", 100, y}}, {"X.DAT", "x.dat"}},
        {MatchMode::NameSizeTime, {{"X.DAT", 100, x}, {"x.dat", 100, y}}, {}},
        {MatchMode::Size, {{"a.bin", 0, x}, {"b.txt", 0, y}, {"c", 0, x}, {"d", 5, x}},
         {"a.bin", "b.txt", "c"}},
        // Equal keys form one group even when a file of the same size with
        // another time sorts between them by name.
        {MatchMode::SizeTime, {{"A", 100, x}, {"B", 100, y}, {"C", 100, x}}, {"A", "C"}},
        {MatchMode::SizeTime, {{"A", 100, x}, {"B", 100, x}, {"C", 100, y}}, {"A", "B"}},
        {MatchMode::SizeType, {{"a.txt", 100, x}, {"b.png", 100, x}, {"c.txt", 100, y}},
         {"a.txt", "c.txt"}},
        {MatchMode::TypeTime, {{"p.htm", 1, x}, {"q.html", 2, x}, {"r.html", 3, y}},
         {"p.htm", "q.html"}},
    };
    for (const auto& c : cases) {
        store.clear();
        rows.clear();
        for (const auto& [name, size, time] : c.files) add("/d", name, size, time);
        std::vector<std::string> names;
        for (const std::string& p : grouped(c.mode)) names.push_back(p.substr(3));
        EXPECT_EQ(names, c.expected) << "mode " << static_cast<int>(c.mode);
    }
}

TEST_F(DupLinesTest, GroupsStayContiguousAndCountFiles) {
    for (int g = 0; g < 3; ++g) {
        add("/x", "f" + std::to_string(g) + ".a", 1000 + g);
        add("/y", "g" + std::to_string(g) + ".b", 1000 + g);
        add("/z", "single" + std::to_string(g), 5000 + g);
    }
    SortWorkingList(store, rows, FinderMode::Duplicates, MatchMode::Size);
    const auto listed = addDups(store, rows, MatchMode::Size);
    ASSERT_EQ(listed.size(), 6u);
    for (size_t i = 0; i < listed.size(); i += 2)
        EXPECT_EQ(store.row(listed[i]).size, store.row(listed[i + 1]).size);
}

TEST_F(DupLinesTest, NamesMatchWithoutCaseForEveryLetter) {
    add("/a", "CAF\xc3\x89.TXT", 10);
    add("/b", "caf\xc3\xa9.txt", 20);
    add("/c", "cafe.txt", 30);
    add("/d", "Caf\xc3\xa9.Txt", 40);
    add("/e", "caf\xff.txt", 50); // not UTF-8: its own name
    add("/f", "CAF\xff.TXT", 60);
    const auto groups = grouped(MatchMode::Name);
    EXPECT_EQ(groups, (std::vector<std::string>{"/a/CAF\xc3\x89.TXT", "/b/caf\xc3\xa9.txt",
                                                 "/d/Caf\xc3\xa9.Txt", "/e/caf\xff.txt",
                                                 "/f/CAF\xff.TXT"}));
}

TEST_F(DupLinesTest, LongNamesWithSharedPrefixesGroupByTheWholeName) {
    // The first sixteen bytes of these names are equal but for case; only the
    // rest tells them apart.
    add("/a", "Quarterly-Report-2024-A.txt", 10);
    add("/b", "Quarterly-Report-2024-B.txt", 10);
    add("/c", "quarterly-report-2024-a.TXT", 20);
    add("/d", "Quarterly-Report-2024.txt", 10);
    add("/e", "QUARTERLY-REPORT-2024-A.TXT", 30);
    add("/f", "Quarterly-R\xc3\xa9port-2024-A.txt", 10); // not the same name: é
    const auto groups = grouped(MatchMode::Name);
    ASSERT_EQ(groups.size(), 3u);
    for (const std::string& p : groups) EXPECT_NE(p.find("-2024-"), std::string::npos) << p;
    for (const std::string& p : groups) EXPECT_EQ(p.find("-B."), std::string::npos) << p;
}

TEST_F(DupLinesTest, TwoThreadSortGivesTheOneThreadOrderInEveryMode) {
    // Many ties in every field, so the split between the threads falls inside
    // runs of equal keys, and names that share long prefixes.
    const char* const names[] = {"same-prefix-for-all-files-a.txt", "SAME-PREFIX-FOR-ALL-FILES-A.TXT",
                                 "same-prefix-for-all-files-b.dat", "short", "Short",
                                 "same-prefix-\xff.bin", "photo.JPG", "photo.jpg"};
    const DateTime times[] = {EncodeDateTime(1850, 1, 1, 0, 0, 0), EncodeDateTime(2024, 5, 1, 10, 0, 0),
                              EncodeDateTime(2024, 5, 1, 10, 0, 1), EncodeDateTime(2024, 5, 2, 9, 0, 0)};
    uint32_t seed = 7;
    const auto next = [&seed](uint32_t n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    for (int i = 0; i < 5000; ++i)
        add("/f" + std::to_string(next(5)), names[next(8)], int64_t(next(6)) * 4096, times[next(4)]);
    const std::vector<uint32_t> unsorted = rows;
    for (int m = 0; m < kMatchModeCount; ++m) {
        const auto mode = static_cast<MatchMode>(m);
        std::vector<uint32_t> one = unsorted, two = unsorted;
        SortWorkingList(store, one, FinderMode::Duplicates, mode, SIZE_MAX);
        SortWorkingList(store, two, FinderMode::Duplicates, mode, 2);
        EXPECT_EQ(one, two) << "mode " << m;
        const MatchKey key(store, mode);
        // Equal keys are one run: a key never comes back after a different one.
        std::vector<uint32_t> firsts;
        for (size_t i = 0; i < one.size(); ++i)
            if (i == 0 || !key.same(one[i - 1], one[i])) firsts.push_back(one[i]);
        for (size_t i = 0; i < firsts.size(); ++i)
            for (size_t j = i + 1; j < firsts.size(); ++j)
                ASSERT_FALSE(key.same(firsts[i], firsts[j])) << "mode " << m << ": a key split in two runs";
    }
}

TEST_F(DupLinesTest, ResultLinesFollowTheModeFieldOrder) {
    const uint32_t r = add("/home/Ann", "Big File.TXT", 5368709120LL,
                           EncodeDateTime(2024, 5, 1, 13, 5, 7));
    const QString name = "Big File.TXT", size = "5,368,709,120";
    const QStringList byName = FileEntry(store, r, FinderMode::Duplicates, MatchMode::Name).split('\t');
    ASSERT_EQ(byName.size(), 7);
    EXPECT_EQ(byName[0], name);
    EXPECT_EQ(byName[1], size);
    EXPECT_EQ(byName[2], "5/1/24");
    EXPECT_TRUE(byName[3].startsWith("1:05:07 PM"));
    EXPECT_EQ(byName[5], "/home/Ann");
    const QStringList bySize = FileEntry(store, r, FinderMode::Duplicates, MatchMode::SizeTime).split('\t');
    EXPECT_EQ(bySize[0], size);
    EXPECT_EQ(bySize[1], name);
    const QStringList byType = FileEntry(store, r, FinderMode::Duplicates, MatchMode::TypeTime).split('\t');
    EXPECT_EQ(byType[0], store.typeName(r));
    EXPECT_EQ(byType[3], name);
    const QStringList hog = FileEntry(store, r, FinderMode::FileHogs, MatchMode::Name).split('\t');
    ASSERT_EQ(hog.size(), 6);
    EXPECT_EQ(hog[0], size);
    EXPECT_EQ(hog[4], "/home/Ann/Big File.TXT") << "the real case is kept";
}

TEST_F(DupLinesTest, FileHogListSortsBySizeNumerically) {
    add("/a", "small", 999999);
    add("/a", "k", 1024);
    add("/a", "huge", 5368709120LL);
    add("/a", "four", 4294967296LL);
    SortWorkingList(store, rows, FinderMode::FileHogs, MatchMode::Name);
    std::vector<int64_t> sizes;
    for (uint32_t r : rows) sizes.push_back(store.row(r).size);
    EXPECT_EQ(sizes, (std::vector<int64_t>{1024, 999999, 4294967296LL, 5368709120LL}));
}

} // namespace
} // namespace quillon
