#include "cleanup/tempfiles.h"
#include "shell/settings.h"
#include "support/world.h"
#include <gtest/gtest.h>

namespace quillon {
namespace {

TEST(TempFileMatcher, ExtensionsAreComparedWithoutCaseAndWildcardKeysMatchFamilies) {
    const TempFileMatcher builtIn(FallbackTempPatterns());
    struct Case {
        const char* name;
        bool temporary;
    };
    const Case cases[] = {
        {"REPORT.TMP", true},       // compared in lower case
        {"report.tmp", true},
        {"ARCHIVE.TMP.ZIP", false}, // its extension is .zip
        {"BACKUP.~MP", true},
        {"BACKUP.BAK1", false},     // .bak1 is not .bak
        {"x.bak", true},
        {"word.~1~", true},         // "*.~*": every extension that begins with ~
        {"doc.~", true},
        {"doc~", false},            // no extension at all
        {"a.$$$", true},
        {"index.db$", true},
        {"index.db", false},
        {"noextension", false},
        {".tmp", false},            // a hidden name, no extension
        {".cache.tmp", true},       // a hidden file with the extension
        {"trailing.", false},
        {"bytes\xff\xfe.tmp", true}, // not UTF-8: still found
        {"tmp", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(builtIn.isThisFileTemporary(c.name), c.temporary) << c.name;

    const TempFileMatcher some(QStringList{"*.TMP", "*.b?k", "*.*", "*.", "junk"});
    EXPECT_TRUE(some.isThisFileTemporary("a.tmp"));
    EXPECT_TRUE(some.isThisFileTemporary("a.BAK"));
    EXPECT_TRUE(some.isThisFileTemporary("a.bzk"));
    EXPECT_FALSE(some.isThisFileTemporary("a.bakk"));
    EXPECT_FALSE(some.isThisFileTemporary("a.txt")) << "unusable patterns match nothing";
    EXPECT_TRUE(TempFileMatcher(QStringList{"*.*", "*."}).empty());
}

// Extensions fold case as names do everywhere else: every letter, not only
// ASCII, by Unicode simple case folding.
TEST(TempFileMatcher, ExtensionsFoldEveryLetter) {
    const TempFileMatcher matcher(
        QStringList{"*.ÉTÉ", "*.σας", "*.Ä*", "*.\u212A"}); // the last: KELVIN SIGN
    struct Case {
        const char* name;
        bool temporary;
    };
    const Case cases[] = {
        {"x.\xc3\xa9t\xc3\xa9", true},         // x.été
        {"X.\xc3\x89T\xc3\x89", true},         // X.ÉTÉ
        {"x.\xc3\x89t\xc3\xa9", true},         // x.Été
        {"x.ete", false},
        {"x.\xc3\xa9t", false},                 // x.ét
        {"x.\xce\xa3\xce\x91\xce\xa3", true}, // x.ΣΑΣ: final sigma folds to sigma
        {"x.\xc3\xa4rger", true},               // x.ärger: a wildcard key
        {"x.\xc3\x84", true},                   // x.Ä
        {"x.arger", false},
        {"x.k", true},                           // KELVIN SIGN folds to k
        {"x.K", true},
        {"x.\xc3\xa9t\xc3\xa9\xff", false},     // a stray byte is no letter
        {"x.tmp", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(matcher.isThisFileTemporary(c.name), c.temporary) << c.name;
    // And the other way: a plain ASCII pattern finds a name whose letter
    // folds to it.
    EXPECT_TRUE(TempFileMatcher(QStringList{"*.k"}).isThisFileTemporary("x.\xe2\x84\xaa"));
}

TEST(TempPatternList, BuiltInSets) {
    EXPECT_EQ(FallbackTempPatterns().size(), 12);
    QStringList distinct = DefaultTempPatterns();
    EXPECT_EQ(distinct.size(), 14);
    distinct.removeDuplicates();
    EXPECT_EQ(distinct.size(), 13);
}

TEST(TempPatternList, ReadsTheStoredListAndLeavesOutWhatIsNoPattern) {
    test::TestWorld world;
    SettingsStore store = SettingsStore::Main();
    const QStringList& fallback = FallbackTempPatterns();
    EXPECT_EQ(ReadTempPatterns(store), fallback) << "never saved";

    WriteTempPatterns(store, {});
    EXPECT_EQ(ReadTempPatterns(store), QStringList{}) << "saved empty stays empty";

    const std::string longOne = "*." + std::string(300, 'x');
    store.writeList("TempFiles", {"*.tmp", "", "*.", "*.*", "*.TMP", longOne, "*.bak", "tmp",
                                  "*.~*", "*.a b"});
    EXPECT_EQ(ReadTempPatterns(store), (QStringList{"*.tmp", "*.bak", "*.~*"}));

    // Junk for Number reads as never saved.
    store.writeString("TempFiles", "Number", "many");
    EXPECT_EQ(ReadTempPatterns(store), fallback);

    WriteTempPatterns(store, {"*.$$$", "*.bak"});
    EXPECT_EQ(store.readInteger("TempFiles", "Number", -1), 2);
    EXPECT_EQ(store.readString("TempFiles", "File1", ""), "*.$$$");
    EXPECT_EQ(store.readString("TempFiles", "File2", ""), "*.bak");
    EXPECT_EQ(ReadTempPatterns(store), (QStringList{"*.$$$", "*.bak"}));
}

TEST(TempPatternList, RowsSortWithoutCase) {
    QStringList rows{"*.tmp\tx", "*.BAK\ty", "*.$$$\tz", "*.bak\ty", "*.Fts\tw"};
    SortRows(rows);
    EXPECT_EQ(rows, (QStringList{"*.$$$\tz", "*.BAK\ty", "*.bak\ty", "*.Fts\tw", "*.tmp\tx"}));
}

} // namespace
} // namespace quillon
