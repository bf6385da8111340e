#include "shell/settings.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <unordered_set>

namespace quillon {

SettingsWriteError::SettingsWriteError(const std::string& file)
    : std::runtime_error("Unable to write to " + file) {}

namespace {

bool sameName(std::string_view a, std::string_view b) { return EqualFolded(a, b); }

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// One line of the file as the reader sees it.
struct Line {
    enum Kind { Other, Section, Key } kind = Other;
    std::string_view name; // section or key name
    std::string_view value;
    size_t begin = 0; // byte range of the line in the file, without its line end
    size_t end = 0;
    size_t next = 0; // start of the following line
};

Line classify(std::string_view text, size_t begin) {
    Line line;
    line.begin = begin;
    // LF, CR LF and a lone CR all end a line: no name or value read holds a
    // line end, so whatever is read can be written back.
    size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string_view::npos) end = text.size();
    line.end = end;
    line.next = end == text.size() ? end
                : text.substr(end, 2) == "\r\n" ? end + 2
                                                  : end + 1;
    const std::string_view body = trim(text.substr(begin, end - begin));
    if (!body.empty() && body.front() == '[') {
        const size_t close = body.find(']');
        if (close != std::string_view::npos) {
            line.kind = Line::Section;
            line.name = trim(body.substr(1, close - 1));
            return line;
        }
        // A header without ']' starts no section; it is read like any other line.
    }
    if (!body.empty() && body.front() == ';') return line; // comment
    const size_t eq = body.find('=');
    if (eq == std::string_view::npos) return line;
    line.kind = Line::Key;
    line.name = trim(body.substr(0, eq));
    line.value = trim(body.substr(eq + 1));
    return line;
}

template <typename Visit> void forEachLine(std::string_view text, Visit visit) {
    size_t pos = 0;
    while (pos < text.size()) {
        const Line line = classify(text, pos);
        if (!visit(line)) return;
        pos = line.next;
    }
}

// Cuts a value to the readable length without splitting a UTF-8 sequence.
std::string cutValue(std::string_view value) {
    if (value.size() <= SettingsStore::kMaxValue) return std::string(value);
    size_t cut = SettingsStore::kMaxValue;
    while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
    return std::string(value.substr(0, cut));
}

std::string readFile(const std::string& file) {
    std::string text;
    if (!ReadWholeFile(file, text)) text.clear(); // unreadable reads as empty
    return text;
}

std::optional<std::string> findValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
    std::optional<std::string> found;
    bool inSection = false;
    forEachLine(text, [&](const Line& line) {
        if (line.kind == Line::Section) {
            // Only the first section of a name counts.
            if (inSection) return false;
            inSection = sameName(line.name, section);
        } else if (inSection && line.kind == Line::Key && sameName(line.name, key)) {
            found = cutValue(line.value);
            return false;
        }
        return true;
    });
    return found;
}

// Sets keys of one section in the text: a key present is replaced where it
// stands, a missing key is added after the section's last key, a missing
// section is appended at the end.
std::string setKeys(std::string_view text, std::string_view section,
                    const std::vector<std::pair<std::string, std::string>>& values) {
    std::vector<bool> done(values.size(), false);
    std::string out;
    out.reserve(text.size() + 64);
    bool inSection = false, seenSection = false, finished = false;
    size_t insertAt = std::string::npos; // in `out`, after the section's last key
    auto flushMissing = [&]() {
        std::string add;
        for (size_t i = 0; i < values.size(); ++i)
            if (!done[i]) {
                add += values[i].first + "=" + values[i].second + "\n";
                done[i] = true;
            }
        if (!add.empty()) out.insert(insertAt, add);
    };
    size_t pos = 0;
    while (pos < text.size()) {
        const Line line = classify(text, pos);
        std::string_view raw = text.substr(line.begin, line.next - line.begin);
        if (!finished && line.kind == Line::Section) {
            if (inSection) {
                flushMissing();
                inSection = false;
                finished = true;
            } else if (!seenSection && sameName(line.name, section)) {
                inSection = seenSection = true;
                out.append(raw);
                if (raw.empty() || raw.back() != '\n') out += '\n';
                insertAt = out.size();
                pos = line.next;
                continue;
            }
        }
        if (!finished && inSection && line.kind == Line::Key) {
            bool replaced = false;
            for (size_t i = 0; i < values.size(); ++i) {
                if (!done[i] && sameName(line.name, values[i].first)) {
                    out += values[i].first + "=" + values[i].second + "\n";
                    done[i] = true;
                    replaced = true;
                    break;
                }
            }
            if (!replaced) {
                out.append(raw);
                if (raw.empty() || raw.back() != '\n') out += '\n';
            }
            insertAt = out.size();
            pos = line.next;
            continue;
        }
        out.append(raw);
        pos = line.next;
    }
    if (inSection) {
        if (!out.empty() && out.back() != '\n') out += '\n';
        flushMissing();
    }
    if (!seenSection) {
        if (!out.empty() && out.back() != '\n') out += '\n';
        if (!out.empty()) out += '\n';
        out += "[" + std::string(section) + "]\n";
        insertAt = out.size();
        flushMissing();
    }
    return out;
}

bool storable(std::string_view text) {
    return text.find('\n') == std::string_view::npos && text.find('\r') == std::string_view::npos;
}

} // namespace

std::optional<int64_t> ParseProfileInteger(std::string_view text) {
    text = trim(text);
    if (text.empty()) return std::nullopt;
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    bool negative = false;
    if (base == 10 && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text.front()))) return std::nullopt;
    uint64_t magnitude = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (ec != std::errc() || ptr != text.data() + text.size()) return std::nullopt;
    constexpr uint64_t kMax = static_cast<uint64_t>(INT64_MAX);
    if (negative) {
        if (magnitude > kMax + 1) return std::nullopt;
        return magnitude == kMax + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
    }
    if (magnitude > kMax) return std::nullopt;
    return static_cast<int64_t>(magnitude);
}

SettingsStore::SettingsStore(std::string file) : file_(std::move(file)) {}

SettingsStore SettingsStore::Main() { return SettingsStore(ConfigFolder() + "/quillon.ini"); }

std::string SettingsStore::readString(std::string_view section, std::string_view key,
                                      std::string_view defaultValue) const {
    const std::string text = readFile(file_);
    if (auto v = findValue(text, section, key)) return *v;
    return std::string(defaultValue);
}

void SettingsStore::writeString(std::string_view section, std::string_view key,
                                std::string_view value) {
    writeKeys(section, {{std::string(key), std::string(value)}});
}

int64_t SettingsStore::readInteger(std::string_view section, std::string_view key,
                                   int64_t defaultValue) const {
    const std::string text = readFile(file_);
    const auto v = findValue(text, section, key);
    if (!v) return defaultValue;
    return ParseProfileInteger(*v).value_or(defaultValue);
}

void SettingsStore::writeInteger(std::string_view section, std::string_view key, int64_t value) {
    writeString(section, key, std::to_string(value));
}

std::vector<std::string> SettingsStore::readList(std::string_view section,
                                                 const std::vector<std::string>& defaultList) const {
    const std::string text = readFile(file_);
    const auto number = findValue(text, section, "Number");
    if (!number) return defaultList;
    const auto count = ParseProfileInteger(*number);
    if (!count || *count < 0) return defaultList;
    // One pass over the section, keeping the first value of each key
    // "File<N>", N from 1 to Number written without leading zeros ("File01"
    // is another key). Only the items the file holds take room, however
    // large Number is.
    std::map<int64_t, std::string> items;
    bool inSection = false;
    forEachLine(text, [&](const Line& line) {
        if (line.kind == Line::Section) {
            if (inSection) return false;
            inSection = sameName(line.name, section);
        } else if (inSection && line.kind == Line::Key && line.name.size() > 4 &&
                   sameName(line.name.substr(0, 4), "File")) {
            const std::string_view digits = line.name.substr(4);
            if (digits.front() == '0' ||
                digits.find_first_not_of("0123456789") != std::string_view::npos)
                return true;
            const auto index = ParseProfileInteger(digits);
            if (index && *index <= *count) items.try_emplace(*index, cutValue(line.value));
        }
        return true;
    });
    std::vector<std::string> out;
    for (auto& [index, item] : items)
        if (!item.empty()) out.push_back(std::move(item));
    return out;
}

void SettingsStore::writeList(std::string_view section, const std::vector<std::string>& items) {
    std::vector<std::pair<std::string, std::string>> values;
    values.reserve(items.size() + 1);
    values.emplace_back("Number", std::to_string(items.size()));
    for (size_t i = 0; i < items.size(); ++i)
        values.emplace_back("File" + std::to_string(i + 1), items[i]);
    writeKeys(section, values);
}

std::vector<std::pair<std::string, std::string>>
SettingsStore::readSection(std::string_view section) const {
    const std::string text = readFile(file_);
    std::vector<std::pair<std::string, std::string>> out;
    bool inSection = false;
    forEachLine(text, [&](const Line& line) {
        if (line.kind == Line::Section) {
            if (inSection) return false;
            inSection = sameName(line.name, section);
        } else if (inSection && line.kind == Line::Key) {
            const bool seen = std::any_of(out.begin(), out.end(), [&](const auto& kv) {
                return sameName(kv.first, line.name);
            });
            if (!seen) out.emplace_back(std::string(line.name), cutValue(line.value));
        }
        return true;
    });
    return out;
}

void SettingsStore::writeKeys(std::string_view section,
                              const std::vector<std::pair<std::string, std::string>>& values) {
    if (!storable(section) || section.find(']') != std::string_view::npos)
        throw SettingsWriteError(file_);
    for (const auto& [key, value] : values)
        if (!storable(key) || !storable(value) || key.find('=') != std::string::npos ||
            trim(key).empty())
            throw SettingsWriteError(file_);
    std::string text;
    // A file that exists but cannot be read must not be replaced by a file
    // holding only the new keys.
    if (!ReadWholeFile(file_, text) && PathExists(file_)) throw SettingsWriteError(file_);
    if (!WriteFileAtomically(file_, setKeys(text, section, values)))
        throw SettingsWriteError(file_);
}

} // namespace quillon
