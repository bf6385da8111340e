// libFuzzer target for the settings file: the input is the whole quillon.ini.
// Every kind of value is read from it (strings, integers, Number/File lists,
// whole sections) and the readers must agree with one another; then what was
// read is written back, and must read back the same, while every other
// section stays as it was.
#include "fuzz_files.h"
#include "platform/textcase.h"
#include "shell/settings.h"
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace quillon;

namespace {

using Pairs = std::vector<std::pair<std::string, std::string>>;

fs::path g_file;

bool Storable(std::string_view text) {
    return text.find('\n') == std::string_view::npos && text.find('\r') == std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// The names to ask about: what stands between '[' and ']' on a line (a few of
// them, without repeats), the list section and a name no file holds.
std::vector<std::string> SectionNames(std::string_view text) {
    std::vector<std::string> names = {"TempFiles", "no such section"};
    size_t pos = 0;
    while (pos < text.size() && names.size() < 6) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        if (line.starts_with('[')) {
            const size_t close = line.find(']');
            if (close != std::string_view::npos) {
                const std::string name(Trim(line.substr(1, close - 1)));
                const bool seen = std::any_of(names.begin(), names.end(),
                                              [&](const std::string& n) { return EqualFolded(n, name); });
                if (!seen) names.push_back(name);
            }
        }
        pos = end + 1;
    }
    return names;
}

// The readers agree: every key of readSection reads the same through
// readString and readInteger, and readList holds the values of File1..FileN.
Pairs CheckReaders(const SettingsStore& store, const std::string& section) {
    const Pairs pairs = store.readSection(section);
    const std::string absent = "\x01" "absent";
    for (size_t i = 0; i < pairs.size(); ++i) {
        const auto& [key, value] = pairs[i];
        FUZZ_CHECK(value.size() <= SettingsStore::kMaxValue);
        FUZZ_CHECK(Storable(value) && Storable(key));
        for (size_t j = 0; j < i; ++j) FUZZ_CHECK(!EqualFolded(pairs[j].first, key));
        if (i < 4) {
            FUZZ_CHECK(store.readString(section, key, absent) == value);
            const std::optional<int64_t> number = ParseProfileInteger(value);
            FUZZ_CHECK(store.readInteger(section, key, 7) == number.value_or(7));
            FUZZ_CHECK(store.readInteger(section, key, -9) == number.value_or(-9));
        }
    }
    FUZZ_CHECK(store.readString(section, "\x02no such key", absent) == absent);

    const std::vector<std::string> fallback = {"\x01" "fallback"};
    const std::vector<std::string> list = store.readList(section, fallback);
    const auto number = std::find_if(pairs.begin(), pairs.end(),
                                     [](const auto& kv) { return EqualFolded(kv.first, "Number"); });
    const std::optional<int64_t> count =
        number == pairs.end() ? std::nullopt : ParseProfileInteger(number->second);
    if (!count || *count < 0) {
        FUZZ_CHECK(list == fallback);
    } else if (*count <= 64) {
        // Item i is the value of the key "File<i>" (as readString would give
        // it: the section's first key of that name), empty items left out.
        std::vector<std::string> expected;
        for (int64_t i = 1; i <= *count; ++i) {
            const std::string key = "File" + std::to_string(i);
            const auto item = std::find_if(pairs.begin(), pairs.end(),
                                           [&](const auto& kv) { return EqualFolded(kv.first, key); });
            if (item != pairs.end() && !item->second.empty()) expected.push_back(item->second);
        }
        FUZZ_CHECK(list == expected);
    }
    return pairs;
}

// Every section but `section`, as read now.
std::vector<Pairs> OtherSections(const SettingsStore& store, const std::vector<std::string>& names,
                                 const std::string& section) {
    std::vector<Pairs> out;
    for (const std::string& name : names)
        if (!EqualFolded(name, section)) out.push_back(store.readSection(name));
    return out;
}

void CheckRoundTrip(SettingsStore& store, const std::vector<std::string>& names, const std::string& section,
                    const Pairs& pairs) {
    const std::vector<Pairs> others = OtherSections(store, names, section);
    const std::string before = fuzzsupport::ReadBack(g_file);

    // What was read is written back: nothing changes for a reader.
    const bool writable = Storable(section) && std::none_of(pairs.begin(), pairs.end(), [](const auto& kv) {
                              return Trim(kv.first).empty();
                          });
    try {
        store.writeKeys(section, pairs);
        FUZZ_CHECK(writable);
    } catch (const SettingsWriteError&) {
        FUZZ_CHECK(!writable);
        FUZZ_CHECK(fuzzsupport::ReadBack(g_file) == before);
        return;
    }
    FUZZ_CHECK(store.readSection(section) == pairs);
    FUZZ_CHECK(OtherSections(store, names, section) == others);

    // A new key and a list: read back as written.
    std::string value = pairs.empty() ? std::string("plain") : std::string(Trim(pairs.back().second));
    store.writeString(section, "QuillonFuzzKey", value);
    FUZZ_CHECK(store.readString(section, "QuillonFuzzKey", "\x01") == value);

    std::vector<std::string> list;
    for (const auto& [key, v] : pairs)
        if (!v.empty() && list.size() < 40) list.push_back(v);
    store.writeList(section, list);
    FUZZ_CHECK(store.readList(section, {"\x01"}) == list);
    FUZZ_CHECK(OtherSections(store, names, section) == others);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::ScratchConfigHome("settings");
    g_file = SettingsStore::Main().file();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    fuzzsupport::WriteInput(g_file, text);
    SettingsStore store = SettingsStore::Main();
    FUZZ_CHECK(store.file() == g_file.string());

    const std::vector<std::string> names = SectionNames(text);
    std::vector<Pairs> sections;
    for (const std::string& name : names) sections.push_back(CheckReaders(store, name));
    // One section written back per input: the first one the file names, or
    // the list section when it names none.
    const size_t chosen = names.size() > 2 ? 2 : 0;
    CheckRoundTrip(store, names, names[chosen], sections[chosen]);
    return 0;
}
