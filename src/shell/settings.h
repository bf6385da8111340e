#pragma once
// quillon.ini: the classic profile format ([Section], key=value), read and
// written through SettingsStore. Every call opens the file, does one read or
// one write and closes it again; nothing is cached, so a value written by one
// window is seen by the next read anywhere. Values are bytes (paths need not
// be UTF-8). LF, CR LF and a lone CR end a line.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillon {

// "Unable to write to <file>": raised when a write cannot be made. Callers let
// it go to the application's general error box unless they say otherwise.
class SettingsWriteError : public std::runtime_error {
public:
    explicit SettingsWriteError(const std::string& file);
};

class SettingsStore {
public:
    // The longest value a read returns; longer values are cut.
    static constexpr size_t kMaxValue = 1023;

    explicit SettingsStore(std::string file);
    // $XDG_CONFIG_HOME/quillon/quillon.ini
    static SettingsStore Main();

    const std::string& file() const { return file_; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    void writeString(std::string_view section, std::string_view key, std::string_view value);

    // Decimal, or hexadecimal after "0x"; anything else (junk, a value beyond
    // 64 bits) gives the default.
    int64_t readInteger(std::string_view section, std::string_view key,
                        int64_t defaultValue) const;
    void writeInteger(std::string_view section, std::string_view key, int64_t value);

    // Number + File1..FileN. Only items up to Number are read; empty items are
    // skipped; no Number gives the default list. Item N is the key "FileN"
    // exactly ("File01" is another key).
    std::vector<std::string> readList(std::string_view section,
                                      const std::vector<std::string>& defaultList) const;
    // Writes Number and items 1..N in one write; higher items of an older,
    // longer list stay in the file unread.
    void writeList(std::string_view section, const std::vector<std::string>& items);

    // Every key of a section, in file order (first occurrence of each key).
    std::vector<std::pair<std::string, std::string>> readSection(std::string_view section) const;

    // Sets several keys of one section in one write.
    void writeKeys(std::string_view section,
                   const std::vector<std::pair<std::string, std::string>>& values);

private:
    std::string file_;
};

// Parses a stored integer as the profile reader does; nullopt for junk.
std::optional<int64_t> ParseProfileInteger(std::string_view text);

} // namespace quillon
