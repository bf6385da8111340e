#include "scan/gridexport.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "support/world.h"
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <ctime>

namespace quillon {
namespace {

// Turns an escaped path back into its bytes (what a reader of the file does).
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

class ExportTest : public ::testing::Test {
protected:
    uint32_t add(const std::string& folder, const std::string& name, int64_t size,
                 DateTime modified, DateTime accessed = kNoDate) {
        FileFacts facts;
        facts.size = size;
        facts.modified = modified;
        facts.accessed = accessed;
        const uint32_t row = store.addFile(store.addFolder(folder), name, facts);
        rows.push_back(row);
        return row;
    }
    std::string text(ExportFormat format) {
        return ExportText({store, rows, [this](size_t i) { return i == markedAt; }}, format);
    }

    ExportTest() {
        // Times are written with the local offset: a zone with summer time.
        world.setEnv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        tzset();
    }
    ~ExportTest() override { tzset(); }

    test::TestWorld world;
    FileStore store;
    std::vector<uint32_t> rows;
    size_t markedAt = 1;
    const DateTime when = EncodeDateTime(2024, 5, 1, 13, 5, 7);
};

TEST_F(ExportTest, CsvQuotesWhatNeedsQuotingAndKeepsRawValues) {
    add("/c/reports", "plain.txt", 5368709120LL, when, when);
    add("/c/reports", "comma, \"quoted\"\nand a line break.doc", 0, when);
    const std::string csv = text(ExportFormat::Csv);
    const std::string iso = "2024-05-01T13:05:07+02:00";
    EXPECT_EQ(csv, "path,size,modified,accessed,created,type,marked\r\n"
                   "/c/reports/plain.txt,5368709120," + iso + "," + iso + ",," +
                       store.typeName(rows[0]).toStdString() + ",false\r\n"
                   "\"/c/reports/comma, \"\"quoted\"\"\nand a line break.doc\",0," + iso + ",,," +
                       store.typeName(rows[1]).toStdString() + ",true\r\n");
}

TEST_F(ExportTest, PathsThatAreNotUtf8AreEscapedReversiblyAndTheHeaderSaysSo) {
    const std::string odd = std::string("odd\xff\xfe") + ".bin";
    add("/c/x", odd, 1, when);
    add("/c/back\\slash", "caf\xc3\xa9.txt", 2, when);
    const std::string csv = text(ExportFormat::Csv);
    const std::string header = csv.substr(0, csv.find("\r\n"));
    EXPECT_NE(header.find("\\xHH"), std::string::npos) << header;
    std::vector<std::string> paths;
    for (size_t at = csv.find("\r\n") + 2; at < csv.size(); at = csv.find("\r\n", at) + 2)
        paths.push_back(Unescape(csv.substr(at, csv.find(',', at) - at)));
    EXPECT_EQ(paths, (std::vector<std::string>{"/c/x/" + odd, "/c/back\\slash/caf\xc3\xa9.txt"}));
    EXPECT_TRUE(IsValidUtf8(csv)) << "the file itself is UTF-8";

    const std::string json = text(ExportFormat::JsonLines);
    std::vector<std::string> lines;
    for (size_t at = 0; at < json.size(); at = json.find('\n', at) + 1)
        lines.push_back(json.substr(at, json.find('\n', at) - at));
    ASSERT_EQ(lines.size(), 2u);
    const QJsonObject first = QJsonDocument::fromJson(QByteArray::fromStdString(lines[0])).object();
    const QJsonObject second = QJsonDocument::fromJson(QByteArray::fromStdString(lines[1])).object();
    EXPECT_TRUE(first["path_escaped"].toBool());
    EXPECT_EQ(Unescape(first["path"].toString().toStdString()), "/c/x/" + odd);
    EXPECT_FALSE(second.contains("path_escaped")) << "valid UTF-8 is written as it is";
    EXPECT_EQ(second["path"].toString().toStdString(), "/c/back\\slash/caf\xc3\xa9.txt");
    EXPECT_EQ(second["size"].toInteger(), 2);
    EXPECT_TRUE(second["marked"].toBool());
    EXPECT_TRUE(first["accessed"].isNull()) << "a time not recorded is null";
    EXPECT_EQ(first["modified"].toString().toStdString(), "2024-05-01T13:05:07+02:00");
}

TEST_F(ExportTest, FileIsReplacedOnlyWhenWrittenAndAFailureSaysWhy) {
    add("/c", "a.txt", 1, when);
    const std::string target = world.writeFile("out.csv", "old contents");
    EXPECT_EQ(ExportToFile({store, rows, {}}, ExportFormat::Csv, target), "");
    EXPECT_EQ(world.readFile(target).substr(0, 5), "path,");
    EXPECT_EQ(ExportToFile({store, rows, {}}, ExportFormat::Csv, world.path("no/such/folder/x.csv")),
              "No such file or directory");
    EXPECT_FALSE(PathExists(world.path("no")));
}

TEST(Utf8Test, ValidityFollowsTheEncodingRules) {
    struct Case {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ascii", true},
        {"caf\xc3\xa9", true},
        {"\xe2\x82\xac euro", true},
        {"\xf0\x9f\x98\x80", true},
        {"\xff", false},
        {"\xc3", false},             // cut short
        {"\xc0\xaf", false},         // overlong '/'
        {"\xed\xa0\x80", false},     // a surrogate
        {"\xf4\x90\x80\x80", false}, // beyond U+10FFFF
        {"\xc3\xa9\x80", false},     // a stray continuation byte
    };
    for (const Case& c : cases) EXPECT_EQ(IsValidUtf8(c.bytes), c.valid) << c.bytes;
    EXPECT_EQ(EscapeNonUtf8("a\\b\xff\xc3\xa9"), "a\\\\b\\xFF\xc3\xa9");
}

} // namespace
} // namespace quillon
