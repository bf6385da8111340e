#pragma once
// The figures of a statistics collection: every tally a file is counted in,
// and the rules that put one file into its classes. Counts and byte totals are
// 64-bit; the tallies are fixed-size arrays, plus one row per short file
// extension, so nothing is kept per file however many files a drive holds.
//
// During a walk every walker thread fills a tally of its own (StatTally, a
// WalkTally); they are merged on the window's thread when the drive is done.
#include "platform/clock.h"
#include "platform/filefacts.h"
#include "platform/parallelwalk.h"
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quillon {

// Size classes 1..12 (index 0 unused), age classes 0..9, half-hour slots 0..47.
constexpr int kSizeClasses = 12;
constexpr int kAgeClasses = 10;
constexpr int kHourSlots = 48;
// The hypothetical cluster sizes of the overhang page, smallest first.
constexpr std::array<int64_t, 5> kOverhangClusters{4096, 8192, 16384, 32768, 65536};

// Which files a run counts.
enum class TypeChoice { AllFiles, IncludeTypes, ExcludeTypes };

// The type filter of a run: all files, only the listed types, or all but the
// listed types. The list holds type rows ("*.doc<tab>description").
class TypeSelection {
public:
    TypeSelection() = default; // every file
    TypeSelection(TypeChoice choice, const QStringList& rows);

    TypeChoice choice() const { return choice_; }
    bool allFiles() const { return choice_ == TypeChoice::AllFiles; }
    // Whether a file of this name is counted. Extensions compare without
    // regard to case; a listed family ("*.~*") matches as a wildcard.
    bool isThisSelected(std::string_view name) const;
    // The extensions of the listed single types (".doc"), in list order;
    // families are left out.
    std::vector<std::string> listedExtensions() const;

private:
    TypeChoice choice_ = TypeChoice::AllFiles;
    std::vector<std::string> extensions_; // ".doc", ".~*": lower case, dot included
};

// The extension a type row names, dot included, in lower case ("*.DOC\tWord"
// gives ".doc"); empty for a row that names no usable pattern.
QString extractExtension(const QString& row);

// Size class 1..12: up to 16 KiB is 1, each further class doubles the bound,
// above 16 MiB is 12.
int SizeClass(int64_t size);
// Age class 0..9 of an age in whole days; a negative age (not recorded) is 0.
int ageToIndex(int64_t days);
// Whole days between today and the date, counted either way; -1 when the date
// was not recorded.
int64_t DaysSince(DateTime date, DateTime today);
// The half-hour of the day a time falls in, 0..47; -1 when the time was not
// recorded or is exactly midnight (a date stored without its time).
int HourSlot(DateTime time);

struct TypeTotals {
    int64_t count = 0;
    int64_t bytes = 0;
};

// What a run applies to each file it sees.
struct CollectRules {
    TypeSelection selection;
    DateTime today = kNoDate; // the ages are measured from this moment
    bool overhang = false;    // one drive chosen: the overhang sums are kept
};

struct StatTallies {
    std::array<int64_t, kSizeClasses + 1> sizeCount{};
    std::array<int64_t, kSizeClasses + 1> sizeBytes{};
    std::array<int64_t, kAgeClasses> ageAccessCount{};
    std::array<int64_t, kAgeClasses> ageAccessBytes{};
    std::array<int64_t, kAgeClasses> ageCreateCount{};
    std::array<int64_t, kAgeClasses> ageCreateBytes{};
    std::array<int64_t, kAgeClasses> ageModifyCount{};
    std::array<int64_t, kAgeClasses> ageModifyBytes{};
    std::array<int64_t, kHourSlots> hourModified{};
    std::array<int64_t, kHourSlots> hourCreated{};
    std::array<int64_t, kHourSlots> hourAccessed{};
    int64_t nReadOnly = 0, nHidden = 0, nSystem = 0, nArchive = 0;
    int64_t szReadOnly = 0, szHidden = 0, szSystem = 0, szArchive = 0;
    // Bytes lost under the clusters of kOverhangClusters, in that order.
    std::array<int64_t, kOverhangClusters.size()> overhang{};
    int64_t filesProcessed = 0; // every file entry seen
    int64_t filesSelected = 0;  // those that passed the type filter
    // The type table: upper-case extension with its dot ("" for none) -> totals.
    // Only extensions of a dot and at most four characters get a row.
    std::map<std::string, TypeTotals> types;

    // Empties every tally.
    void clearVariables() { *this = StatTallies{}; }
    // Classifies and counts one file.
    void crunchNumbers(std::string_view name, const FileFacts& facts, const CollectRules& rules);
    // Adds a file to its type row (extensions of six characters and more get
    // none). With onlyAdd the row is made when missing and nothing is counted.
    void insertType(std::string_view extension, int64_t size, bool onlyAdd);
    void merge(const StatTallies& other);

    // Bytes of every counted file.
    int64_t fileBytes() const;

private:
    void collectFileAttr(uint32_t attributes, int64_t size);
    void DropIntoHourSlot(const FileFacts& facts);
};

// One walker thread's tallies.
class StatTally : public WalkTally {
public:
    explicit StatTally(const CollectRules& rules) : rules_(rules) {}
    void add(const WalkBatch& batch) override;
    void merge(const WalkTally& other) override;
    const StatTallies& tallies() const { return tallies_; }

private:
    const CollectRules& rules_;
    StatTallies tallies_;
};

} // namespace quillon
