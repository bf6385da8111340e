#include "platform/filetypes.h"
#include <QMimeDatabase>
#include <gtest/gtest.h>

using namespace quillon;

namespace {

QString CommentOf(const char* mimeName) {
    return QMimeDatabase().mimeTypeForName(QString::fromLatin1(mimeName)).comment();
}

} // namespace

TEST(FileExtension, FromTheLastDot) {
    struct Case {
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"a.b.tar", ".tar"}, {"notes.TXT", ".TXT"}, {"README", ""},     {".profile", ""},
        {".bashrc.bak", ".bak"}, {"..foo", ".foo"}, {"trailing.", ""}, {"", ""},
        {"x.\xFF\xFE", ".\xFF\xFE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FileExtension(c.name), std::string_view(c.extension));
    }
}

TEST(FileTypeName, DescriptionsFromTheMimeDatabase) {
    const QString plain = CommentOf("text/plain");
    const QString html = CommentOf("text/html");
    ASSERT_FALSE(plain.isEmpty());
    ASSERT_FALSE(html.isEmpty());

    struct Case {
        const char* extension;
        QString expected;
    };
    const Case cases[] = {
        {".txt", plain},
        {".TXT", plain},
        {".Txt", plain}, // asked again in another case: the cached answer
        {".htm", html},
        {".html", html},
        {".qzx7", "QZX7 File"},
        {".Qzx7", "QZX7 File"},
        {"*.", "No extension"},
        {"", ""},
        {"*.txt", ""},
        {".t*", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        EXPECT_EQ(FileTypeName(QString::fromLatin1(c.extension)), c.expected);
    }
}

TEST(RegisteredExtensionPatterns, ShortLowerCaseSortedAndUnique) {
    const QStringList patterns = RegisteredExtensionPatterns();
    ASSERT_FALSE(patterns.isEmpty());
    for (qsizetype i = 0; i < patterns.size(); ++i) {
        const QString& p = patterns[i];
        SCOPED_TRACE(p.toStdString());
        EXPECT_TRUE(p.startsWith(QLatin1String("*.")));
        EXPECT_GE(p.size(), 3);
        EXPECT_LE(p.size(), 6);
        EXPECT_EQ(p.lastIndexOf(QLatin1Char('.')), 1);
        EXPECT_EQ(p, p.toLower());
        if (i > 0) {
            EXPECT_LT(patterns[i - 1], p);
        }
    }
    EXPECT_TRUE(patterns.contains("*.txt"));
    EXPECT_TRUE(patterns.contains("*.html"));
    EXPECT_TRUE(patterns.contains("*.gz"));
    EXPECT_FALSE(patterns.contains("*.class")); // more than four characters
}

TEST(FileTypeTable, InternsDescriptions) {
    FileTypeTable table;
    ASSERT_EQ(table.size(), 1u);
    EXPECT_EQ(table.description(0), QString());
    EXPECT_EQ(table.indexForName("README"), 0u);
    EXPECT_EQ(table.indexForName(".profile"), 0u);

    const uint32_t txt = table.indexForName("a.txt");
    EXPECT_NE(txt, 0u);
    EXPECT_EQ(table.indexForName("B.TXT"), txt);
    EXPECT_EQ(table.description(txt), FileTypeName(".txt"));
    const uint32_t htm = table.indexForName("page.htm");
    EXPECT_NE(htm, txt);
    EXPECT_EQ(table.indexForName("page.html"), htm);
    EXPECT_EQ(table.size(), 3u);

    // Not UTF-8: still a type of its own, never the "no extension" row.
    const uint32_t odd = table.indexForName("x.\xFF\xFE");
    EXPECT_NE(odd, 0u);
    EXPECT_TRUE(table.description(odd).endsWith(" File"));
}

TEST(FileTypeTable, CopiesKeepTheirOwnIndices) {
    FileTypeTable original;
    original.indexForName("a.txt");
    FileTypeTable copy = original;
    const uint32_t inCopy = copy.indexForName("b.htm");
    const uint32_t inOriginal = original.indexForName("c.qzx8");
    ASSERT_LT(inCopy, copy.size());
    ASSERT_LT(inOriginal, original.size());
    EXPECT_EQ(copy.description(inCopy), FileTypeName(".htm"));
    EXPECT_EQ(original.description(inOriginal), QString("QZX8 File"));
    EXPECT_EQ(copy.description(copy.indexForName("c.qzx8")), QString("QZX8 File"));
}
