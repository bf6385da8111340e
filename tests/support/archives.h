#pragma once
// Archives written by libzip itself, for what Quillon's writer never produces
// (hostile names, encrypted items, folder entries), and a recorder of what an
// extraction reports.
#include "platform/zipreader.h"
#include <cstdint>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include <zip.h>

namespace quillon::test {

struct ZipEntry {
    ZipEntry(std::string n, std::string d, zip_uint16_t method = ZIP_EM_NONE, std::string pw = {})
        : name(std::move(n)), data(std::move(d)), encryption(method), password(std::move(pw)) {}
    std::string name; // bytes, stored as they are; a name ending in '/' is a folder entry
    std::string data;
    zip_uint16_t encryption;
    std::string password;
};

inline void MakeZip(const std::string& path, const std::vector<ZipEntry>& entries) {
    int code = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    ASSERT_NE(za, nullptr) << code;
    for (const ZipEntry& e : entries) {
        zip_int64_t i;
        if (!e.name.empty() && e.name.back() == '/') {
            i = zip_dir_add(za, e.name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* s = zip_source_buffer(za, e.data.data(), e.data.size(), 0);
            i = zip_file_add(za, e.name.c_str(), s, ZIP_FL_ENC_RAW);
        }
        ASSERT_GE(i, 0) << e.name << ": " << zip_strerror(za);
        if (e.encryption != ZIP_EM_NONE) {
            ASSERT_EQ(zip_file_set_encryption(za, static_cast<zip_uint64_t>(i), e.encryption,
                                              e.password.c_str()),
                      0)
                << zip_strerror(za);
        }
    }
    ASSERT_EQ(zip_close(za), 0) << zip_strerror(za);
}

// The archive with the uncompressed size of its first item rewritten, in the
// local header and in the central directory: a forged or damaged archive.
inline std::string DeclareFirstItemSize(std::string archive, uint32_t size) {
    const auto put = [&archive](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            archive[at + i] = static_cast<char>(value >> (8 * i));
    };
    const auto get = [&archive](size_t at) {
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i)
            value = value << 8 | static_cast<unsigned char>(archive[at + i]);
        return value;
    };
    EXPECT_EQ(archive.compare(0, 4, "PK\x03\x04"), 0)
        << "the first item's local header starts the archive";
    put(22, size);
    const size_t end = archive.rfind(std::string("PK\x05\x06", 4));
    EXPECT_NE(end, std::string::npos);
    const size_t central = get(end + 16);
    EXPECT_EQ(archive.compare(central, 4, "PK\x01\x02"), 0);
    put(central + 24, size);
    return archive;
}

// Records what extraction reported; answers overwrite questions from a script
// (No once it runs out) and password requests from a list (nullopt = cancel).
struct ExtractRecorder {
    std::vector<int> progress;
    std::vector<std::string> asked;
    std::vector<OverwriteAnswer> answers;
    std::vector<std::string> passwordsAskedFor;
    std::vector<std::optional<std::string>> passwords;
    std::vector<std::pair<std::string, std::string>> failures; // item name, message

    ExtractCallbacks callbacks() {
        ExtractCallbacks c;
        c.progress = [this](int p) { progress.push_back(p); };
        c.overwrite = [this](const std::string& path) {
            const size_t i = asked.size();
            asked.push_back(path);
            return i < answers.size() ? answers[i] : OverwriteAnswer::No;
        };
        c.password = [this](const ZipItem& item) -> std::optional<std::string> {
            const size_t i = passwordsAskedFor.size();
            passwordsAskedFor.push_back(item.name);
            return i < passwords.size() ? passwords[i] : std::nullopt;
        };
        c.failure = [this](const ZipItem& item, const std::string& message) {
            failures.emplace_back(item.name, message);
        };
        return c;
    }
};

} // namespace quillon::test
