#include "scan/pathorder.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillon {
namespace {

struct PathCase {
    const char* what;
    PathKey key;
    std::vector<std::pair<std::string, std::string>> files; // folder, name; in list order
    std::vector<std::string> expected;                      // full paths, sorted
    std::vector<uint32_t> given = {}; // the rows handed to the sort; all in list order when empty
};

TEST(PathOrder, SortsByFoldedBytesOfTheKey) {
    const std::vector<PathCase> cases = {
        {"a blank and a dot sort below '/', so a name can come before a subfolder",
         PathKey::FullPath,
         {{"/a/b", "c.txt"}, {"/a", "b.txt"}, {"/a b", "x"}, {"/a", "ab"}, {"/a/B", "d"}},
         {"/a b/x", "/a/ab", "/a/b.txt", "/a/b/c.txt", "/a/B/d"}},
        {"the root's files among the top folders",
         PathKey::FullPath,
         {{"/", "z"}, {"/a", "x"}, {"/", "A"}},
         {"/A", "/a/x", "/z"}},
        {"paths equal but for case keep their list order",
         PathKey::FullPath,
         {{"/P", "same"}, {"/p", "Same"}, {"/p", "SAME"}},
         {"/P/same", "/p/Same", "/p/SAME"}},
        {"a folder named like a file's prefix",
         PathKey::FullPath,
         {{"/d/log", "1"}, {"/d", "log"}, {"/d", "log.old"}, {"/d", "log0"}},
         {"/d/log", "/d/log.old", "/d/log/1", "/d/log0"}},
        {"names alone: folders do not count",
         PathKey::Name,
         {{"/z", "a"}, {"/a", "b"}, {"/m", "A"}},
         {"/z/a", "/m/A", "/a/b"}},
        {"names alone: punctuation, digits, letters, then bytes above 127",
         PathKey::Name,
         {{"/n", "aB"}, {"/n", "a\xc3\xa9"}, {"/n", "a0"}, {"/n", "a.b"}, {"/n", "a-b"}, {"/n", "a b"}},
         {"/n/a b", "/n/a-b", "/n/a.b", "/n/a0", "/n/aB", "/n/a\xc3\xa9"}},
        {"every letter folds: folders and names beyond ASCII",
         PathKey::FullPath,
         {{"/\xc3\x89t\xc3\xa9", "b"}, {"/\xc3\xa9t\xc3\xa9", "A"}, {"/e", "z"},
          {"/\xc3\xa9t\xc3\xa9/x", "1"}, {"/\xc3\xa9t\xc3\xa9", "\xc3\x89" "cole"}, {"/\xc3\xa9t\xc3\xa9", "y"}},
         {"/e/z", "/\xc3\xa9t\xc3\xa9/A", "/\xc3\x89t\xc3\xa9/b", "/\xc3\xa9t\xc3\xa9/x/1",
          "/\xc3\xa9t\xc3\xa9/y", "/\xc3\xa9t\xc3\xa9/\xc3\x89" "cole"}},
        {"a stray byte sorts after every character, also in a folder",
         PathKey::FullPath,
         {{"/d\xff", "a"}, {"/d\xc3\xa9", "a"}, {"/D\xff", "b"}},
         {"/d\xc3\xa9/a", "/d\xff/a", "/D\xff/b"}},
        {"equal names keep the order given, not the order the files were found in",
         PathKey::FullPath,
         {{"/p", "same"}, {"/p", "SAME"}, {"/p", "Same"}, {"/p", "a"}},
         {"/p/a", "/p/Same", "/p/same", "/p/SAME"},
         {2, 0, 3, 1}},
        {"part of the list, given out of order",
         PathKey::Name,
         {{"/q", "d"}, {"/q", "c"}, {"/r", "b"}, {"/q", "a"}},
         {"/q/a", "/q/c"},
         {1, 3}},
        {"a row given twice is listed twice",
         PathKey::FullPath,
         {{"/s", "y"}, {"/s", "x"}},
         {"/s/x", "/s/y", "/s/y"},
         {0, 1, 0}},
        {"names longer than the first eight bytes",
         PathKey::Name,
         {{"/l", "abcdefgh-2"}, {"/l", "ABCDEFGH-10"}, {"/l", "abcdefgh"}},
         {"/l/abcdefgh", "/l/ABCDEFGH-10", "/l/abcdefgh-2"}},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.what);
        FileStore store;
        std::vector<uint32_t> added;
        for (const auto& [folder, name] : c.files)
            added.push_back(store.addFile(store.addFolder(folder), name, FileFacts{}));
        std::vector<uint32_t> rows = added;
        if (!c.given.empty()) {
            rows.clear();
            for (uint32_t i : c.given) rows.push_back(added[i]);
        }
        std::vector<std::string> paths;
        for (uint32_t r : SortedByPath(store, rows, c.key)) paths.push_back(store.path(r));
        EXPECT_EQ(paths, c.expected);
    }
}

} // namespace
} // namespace quillon
