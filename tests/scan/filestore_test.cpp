#include "scan/filestore.h"
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace quillon {
namespace {

FileFacts factsOfSize(int64_t size, uint32_t attributes = 0) {
    FileFacts facts;
    facts.size = size;
    facts.modified = EncodeDateTime(2024, 3, 5, 14, 7, 9);
    facts.attributes = attributes;
    return facts;
}

TEST(FileStore, KeepsNamesFoldersAndFactsOfEveryRow) {
    FileStore store;
    const uint32_t docs = store.addFolder("/c/docs");
    const uint32_t root = store.addFolder("/");
    const uint32_t a = store.addFile(docs, "Report.TXT", factsOfSize(5'368'709'120));
    const uint32_t b = store.addFile(root, "vmlinuz", factsOfSize(7, faReadOnly | faHidden));
    const uint32_t c = store.addFile(docs, std::string("caf\xe9\xff", 5), factsOfSize(0));

    EXPECT_EQ(store.size(), 3u);
    EXPECT_EQ(store.name(a), "Report.TXT");
    EXPECT_EQ(store.path(a), "/c/docs/Report.TXT");
    EXPECT_EQ(store.path(b), "/vmlinuz");
    EXPECT_EQ(store.path(c), std::string("/c/docs/caf\xe9\xff", 13));
    EXPECT_EQ(store.folder(a), "/c/docs");
    EXPECT_EQ(store.row(a).size, 5'368'709'120);
    EXPECT_EQ(store.row(a).modified, EncodeDateTime(2024, 3, 5, 14, 7, 9));
    EXPECT_EQ(store.row(b).attributes, faReadOnly | faHidden);
    EXPECT_EQ(store.row(a).type, store.types().indexForName("x.txt"));
    EXPECT_EQ(store.row(b).type, 0u); // no extension
}

TEST(FileStore, FolderTableHandsOutOneIndexPerFolderText) {
    FileStore store;
    std::vector<uint32_t> first;
    for (int i = 0; i < 500; ++i) first.push_back(store.addFolder("/d/" + std::to_string(i)));
    EXPECT_EQ(store.folderCount(), 500u);
    // Again, in another order: every text finds its first index; no new folder.
    for (int i = 499; i >= 0; --i) {
        EXPECT_EQ(store.addFolder("/d/" + std::to_string(i)), first[static_cast<size_t>(i)]);
        EXPECT_EQ(store.addFolder("/d/" + std::to_string(i)), first[static_cast<size_t>(i)]);
    }
    EXPECT_EQ(store.folderCount(), 500u);
    // Paths compare exactly: a folder differing only in case is another folder.
    EXPECT_NE(store.addFolder("/D/1"), first[1]);
    EXPECT_EQ(store.folderAt(first[7]), "/d/7");
}

TEST(FileStore, NamesSurviveTheArenaFillingUp) {
    FileStore store;
    const uint32_t folder = store.addFolder("/n");
    // 255-byte names, the longest a directory gives: several megabytes of them.
    std::vector<std::string> names;
    for (int i = 0; i < 20'000; ++i) {
        std::string name = std::to_string(i) + "_";
        name.append(255 - name.size(), static_cast<char>('a' + i % 26));
        names.push_back(name);
        store.addFile(folder, name, factsOfSize(i));
    }
    for (uint32_t i = 0; i < names.size(); ++i) ASSERT_EQ(store.name(i), names[i]) << i;
}

TEST(FileStore, RefusesRowsBeyondItsCapacity) {
    FileStore store;
    store.setCapacity(3);
    const uint32_t folder = store.addFolder("/c");
    for (int i = 0; i < 3; ++i) store.addFile(folder, "f" + std::to_string(i), factsOfSize(1));
    EXPECT_THROW(store.addFile(folder, "f3", factsOfSize(1)), FullListError);
    EXPECT_EQ(store.size(), 3u);
    EXPECT_EQ(store.path(2), "/c/f2");
}

TEST(FileStore, ClearStartsAFreshList) {
    FileStore store;
    const uint32_t old = store.addFolder("/old/folder");
    store.addFile(old, "gone.txt", factsOfSize(1));
    store.clear();
    EXPECT_EQ(store.size(), 0u);
    EXPECT_EQ(store.folderCount(), 0u);
    // The folder added last before clearing must not be handed out again.
    const uint32_t fresh = store.addFolder("/new");
    const uint32_t row = store.addFile(fresh, "here.txt", factsOfSize(2));
    EXPECT_EQ(store.path(row), "/new/here.txt");
    EXPECT_EQ(store.path(store.addFile(store.addFolder("/old/folder"), "x", factsOfSize(3))),
              "/old/folder/x");
}

} // namespace
} // namespace quillon
