#include "statistics/tallies.h"
#include "platform/filetypes.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include "platform/walker.h"
#include "shell/typepatterns.h"
#include <cmath>
#include <cstdlib>

namespace quillon {

namespace {

// The type table keeps extensions of a dot and at most four characters.
constexpr size_t kLongestTypeExtension = 5;

bool HasWildcard(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

std::string UpperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
    return upper;
}

void AddAge(std::array<int64_t, kAgeClasses>& counts, std::array<int64_t, kAgeClasses>& bytes,
            DateTime date, DateTime today, int64_t size) {
    const int age = ageToIndex(DaysSince(date, today));
    counts[static_cast<size_t>(age)] += 1;
    bytes[static_cast<size_t>(age)] += size;
}

template <size_t N> void AddArray(std::array<int64_t, N>& to, const std::array<int64_t, N>& from) {
    for (size_t i = 0; i < N; ++i) to[i] += from[i];
}

} // namespace

QString extractExtension(const QString& row) {
    const QString pattern = RowPattern(row);
    if (!IsExtensionPattern(pattern)) return {};
    return PatternExtension(pattern).toLower();
}

TypeSelection::TypeSelection(TypeChoice choice, const QStringList& rows) : choice_(choice) {
    if (choice_ == TypeChoice::AllFiles) return;
    for (const QString& row : rows) {
        const QString extension = extractExtension(row);
        if (!extension.isEmpty()) extensions_.push_back(PathFromQt(extension));
    }
}

bool TypeSelection::isThisSelected(std::string_view name) const {
    if (choice_ == TypeChoice::AllFiles) return true;
    const std::string_view extension = FileExtension(name);
    for (const std::string& listed : extensions_) {
        const bool same = HasWildcard(listed) ? !extension.empty() && MatchesMask(extension, listed)
                                              : EqualFolded(extension, listed);
        if (same) return choice_ == TypeChoice::IncludeTypes;
    }
    return choice_ == TypeChoice::ExcludeTypes;
}

std::vector<std::string> TypeSelection::listedExtensions() const {
    std::vector<std::string> single;
    for (const std::string& extension : extensions_)
        if (!HasWildcard(extension)) single.push_back(extension);
    return single;
}

int SizeClass(int64_t size) {
    int k = 1;
    for (int64_t bound = 16384; k < kSizeClasses && size > bound; bound *= 2) ++k;
    return k;
}

int ageToIndex(int64_t days) {
    if (days < 0) return 0;
    // Upper bounds of classes 1..8; anything older is class 9.
    static constexpr int64_t kBounds[] = {7, 30, 60, 120, 365, 730, 1095, 1460};
    int index = 1;
    for (const int64_t bound : kBounds) {
        if (days <= bound) return index;
        ++index;
    }
    return index;
}

int64_t DaysSince(DateTime date, DateTime today) {
    if (date == kNoDate || !std::isfinite(date)) return -1;
    return std::llabs(DayNumber(today) - DayNumber(date));
}

int HourSlot(DateTime time) {
    if (time == kNoDate || !std::isfinite(time)) return -1;
    const double fraction = time - std::floor(time);
    int64_t ms = std::llround(fraction * 86400000.0);
    if (ms >= 86400000) ms = 86399999;
    // A time of day of exactly 00:00:00 is what a date stored without its time
    // looks like; it says nothing about when in the day the file was written.
    if (ms < 1000) return -1;
    const int64_t minuteOfDay = ms / 60000;
    return static_cast<int>(minuteOfDay / 60 * 2 + (minuteOfDay % 60 >= 30 ? 1 : 0));
}

void StatTallies::collectFileAttr(uint32_t attributes, int64_t size) {
    if (attributes & faReadOnly) {
        ++nReadOnly;
        szReadOnly += size;
    }
    if (attributes & faHidden) {
        ++nHidden;
        szHidden += size;
    }
    if (attributes & faSysFile) {
        ++nSystem;
        szSystem += size;
    }
    // Never set on Linux; counted all the same should a file system report it.
    if (attributes & faArchive) {
        ++nArchive;
        szArchive += size;
    }
}

void StatTallies::DropIntoHourSlot(const FileFacts& facts) {
    const auto drop = [](std::array<int64_t, kHourSlots>& tally, DateTime time) {
        const int slot = HourSlot(time);
        if (slot >= 0) ++tally[static_cast<size_t>(slot)];
    };
    drop(hourCreated, facts.created);
    drop(hourModified, facts.modified);
    drop(hourAccessed, facts.accessed);
}

void StatTallies::insertType(std::string_view extension, int64_t size, bool onlyAdd) {
    if (extension.size() > kLongestTypeExtension) return;
    TypeTotals& row = types[UpperAscii(extension)];
    if (onlyAdd) return;
    row.count += 1;
    row.bytes += size;
}

void StatTallies::crunchNumbers(std::string_view name, const FileFacts& facts,
                                const CollectRules& rules) {
    ++filesProcessed;
    if (!rules.selection.isThisSelected(name)) return;
    ++filesSelected;
    const int64_t size = facts.size;
    collectFileAttr(facts.attributes, size);
    DropIntoHourSlot(facts);
    AddAge(ageAccessCount, ageAccessBytes, facts.accessed, rules.today, size);
    AddAge(ageCreateCount, ageCreateBytes, facts.created, rules.today, size);
    AddAge(ageModifyCount, ageModifyBytes, facts.modified, rules.today, size);
    insertType(FileExtension(name), size, false);
    const auto k = static_cast<size_t>(SizeClass(size));
    sizeCount[k] += 1;
    sizeBytes[k] += size;
    if (rules.overhang) {
        for (size_t i = 0; i < kOverhangClusters.size(); ++i) {
            const int64_t rest = size % kOverhangClusters[i];
            if (rest != 0) overhang[i] += kOverhangClusters[i] - rest;
        }
    }
}

void StatTallies::merge(const StatTallies& other) {
    AddArray(sizeCount, other.sizeCount);
    AddArray(sizeBytes, other.sizeBytes);
    AddArray(ageAccessCount, other.ageAccessCount);
    AddArray(ageAccessBytes, other.ageAccessBytes);
    AddArray(ageCreateCount, other.ageCreateCount);
    AddArray(ageCreateBytes, other.ageCreateBytes);
    AddArray(ageModifyCount, other.ageModifyCount);
    AddArray(ageModifyBytes, other.ageModifyBytes);
    AddArray(hourModified, other.hourModified);
    AddArray(hourCreated, other.hourCreated);
    AddArray(hourAccessed, other.hourAccessed);
    AddArray(overhang, other.overhang);
    nReadOnly += other.nReadOnly;
    nHidden += other.nHidden;
    nSystem += other.nSystem;
    nArchive += other.nArchive;
    szReadOnly += other.szReadOnly;
    szHidden += other.szHidden;
    szSystem += other.szSystem;
    szArchive += other.szArchive;
    filesProcessed += other.filesProcessed;
    filesSelected += other.filesSelected;
    for (const auto& [extension, totals] : other.types) {
        TypeTotals& row = types[extension];
        row.count += totals.count;
        row.bytes += totals.bytes;
    }
}

int64_t StatTallies::fileBytes() const {
    int64_t total = 0;
    for (int k = 1; k <= kSizeClasses; ++k) total += sizeBytes[static_cast<size_t>(k)];
    return total;
}

void StatTally::add(const WalkBatch& batch) {
    for (const WalkFile& file : batch.files)
        tallies_.crunchNumbers(batch.name(file), file.facts, rules_);
}

void StatTally::merge(const WalkTally& other) {
    tallies_.merge(static_cast<const StatTally&>(other).tallies_);
}

} // namespace quillon
