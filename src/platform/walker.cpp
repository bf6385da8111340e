#include "platform/walker.h"
#include "platform/textcase.h"

namespace quillon {

namespace {

std::function<bool(const std::string&)>& OpenFailureHook() {
    static std::function<bool(const std::string&)> hook;
    return hook;
}

// Where the character that starts at name[i] ends. '?' stands for one
// character, and a UTF-8 character is several bytes; bytes that are not valid
// UTF-8 count one each.
size_t CharacterEnd(std::string_view name, size_t i) {
    const auto lead = static_cast<unsigned char>(name[i++]);
    if (lead >= 0xC0)
        while (i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80)
            ++i;
    return i;
}

// '*' and '?' only. Two pointers; on a mismatch the last star takes one more
// character and matching resumes after it, so the cost stays near
// name length x mask length in the worst case and linear in the usual one.
bool WildcardMatch(std::string_view name, std::string_view mask) {
    constexpr size_t kNone = std::string_view::npos;
    size_t n = 0;
    size_t m = 0;
    size_t starMask = kNone; // mask position just after the last star
    size_t starName = 0;     // where the text taken by that star ends
    while (n < name.size()) {
        if (m < mask.size()) {
            const char c = mask[m];
            if (c == '*') {
                starMask = ++m;
                starName = n;
                continue;
            }
            if (c == '?') {
                n = CharacterEnd(name, n);
                ++m;
                continue;
            }
            if (FoldAscii(c) == FoldAscii(name[n])) {
                ++n;
                ++m;
                continue;
            }
        }
        if (starMask == kNone) return false;
        starName = CharacterEnd(name, starName);
        n = starName;
        m = starMask;
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

} // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask == "*.*") return true;
    if (WildcardMatch(name, mask)) return true;
    // As on Windows, a pattern ending in ".*" also takes names without an
    // extension ("a*.*" matches "abc"), and one ending in "." takes only names
    // without a dot ("*." matches "README", not "a.txt").
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*")
        return WildcardMatch(name, mask.substr(0, mask.size() - 2));
    if (!mask.empty() && mask.back() == '.' && name.find('.') == std::string_view::npos)
        return WildcardMatch(name, mask.substr(0, mask.size() - 1));
    return false;
}

void SetWalkOpenFailureForTesting(std::function<bool(const std::string& folder)> fails) {
    OpenFailureHook() = std::move(fails);
}

bool WalkOpenHookSet() { return static_cast<bool>(OpenFailureHook()); }

bool WalkOpenFailsForTesting(const std::string& folder) {
    const auto& hook = OpenFailureHook();
    return hook && hook(folder);
}

} // namespace quillon
