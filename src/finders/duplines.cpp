#include "finders/duplines.h"
#include "platform/hugepages.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include "shell/routines.h"
#include <QLocale>
#include <algorithm>
#include <array>
#include <future>
#include <cmath>

namespace quillon {

const char* const kMatchModeTexts[kMatchModeCount] = {
    "Filename only",
    "Filename and size",
    "Filename, size and modify date/time",
    "Size only",
    "Size and modify date/time",
    "Size and type",
    "Type and modify date/time",
    "Same contents",
};

MatchMode MatchModeAt(int comboIndex) {
    return comboIndex >= 0 && comboIndex < kMatchModeCount ? static_cast<MatchMode>(comboIndex)
                                                           : MatchMode::Name;
}

namespace {

enum Field : uint8_t { fName, fSize, fDate, fTime, fAccess, fFolder, fType };

struct FieldOrder {
    std::vector<Field> fields;
    size_t keyFields; // the first keyFields fields make the match key
};

// Comparison order per mode: the key fields first, then the rest of the line.
// With the key in front, files with equal keys can never be separated by a
// file of the same size that differs only further along.
FieldOrder orderFor(MatchMode matchMode) {
    switch (matchMode) {
    case MatchMode::Name: return {{fName, fSize, fDate, fTime, fAccess, fFolder, fType}, 1};
    case MatchMode::NameSize: return {{fName, fSize, fDate, fTime, fAccess, fFolder, fType}, 2};
    case MatchMode::NameSizeTime: return {{fName, fSize, fDate, fTime, fAccess, fFolder, fType}, 4};
    case MatchMode::Size:
    case MatchMode::Content: return {{fSize, fName, fDate, fTime, fAccess, fFolder, fType}, 1};
    case MatchMode::SizeTime: return {{fSize, fDate, fTime, fName, fAccess, fFolder, fType}, 3};
    case MatchMode::SizeType: return {{fSize, fType, fName, fDate, fTime, fAccess, fFolder}, 2};
    case MatchMode::TypeTime: return {{fType, fDate, fTime, fName, fSize, fAccess, fFolder}, 3};
    }
    return {{fName, fSize, fDate, fTime, fAccess, fFolder, fType}, 1};
}

// The grid shows whole days and whole seconds; equal texts mean equal values here.
int64_t secondOfDay(DateTime value) {
    const double fraction = value - std::floor(value);
    return std::llround(fraction * 86400000.0) / 1000;
}

int64_t accessDay(DateTime value) {
    return value == kNoDate ? INT64_MIN : DayNumber(value);
}

template <typename T> int compareValues(T a, T b) { return a < b ? -1 : (b < a ? 1 : 0); }

QString shortDate(DateTime value) {
    return value == kNoDate ? QString() : QLocale().toString(ToQDateTime(value).date(), QLocale::ShortFormat);
}

QString longTime(DateTime value) {
    return QLocale().toString(ToQDateTime(value), QLocale().timeFormat(QLocale::LongFormat));
}

} // namespace

// The comparison of working-list lines, field by field in a mode's order.
class LineComparer {
public:
    LineComparer(const FileStore& store, FieldOrder order)
        : store_(store), order_(std::move(order)), typeRank_(TypeRanks(store.types())) {}

    int compareField(Field f, uint32_t a, uint32_t b) const {
        const FileRow& x = store_.row(a);
        const FileRow& y = store_.row(b);
        switch (f) {
        case fName: return CompareFolded(store_.name(a), store_.name(b));
        case fSize: return compareValues(x.size, y.size);
        case fDate: return compareValues(DayNumber(x.modified), DayNumber(y.modified));
        case fTime: return compareValues(secondOfDay(x.modified), secondOfDay(y.modified));
        case fAccess: return compareValues(accessDay(x.accessed), accessDay(y.accessed));
        case fFolder: return CompareFolded(store_.folder(a), store_.folder(b));
        case fType: return compareValues(typeRank_[x.type], typeRank_[y.type]);
        }
        return 0;
    }

    int compare(uint32_t a, uint32_t b, size_t fieldCount) const {
        for (size_t i = 0; i < fieldCount; ++i)
            if (const int c = compareField(order_.fields[i], a, b)) return c;
        return 0;
    }
    bool less(uint32_t a, uint32_t b) const {
        const int c = compare(a, b, order_.fields.size());
        return c != 0 ? c < 0 : a < b;
    }
    bool sameKey(uint32_t a, uint32_t b) const { return compare(a, b, order_.keyFields) == 0; }

    // Numbers that order rows like their leading fields (ties allowed), for a
    // fast first pass that needs no look-ups into the store: each exact field
    // gives one number; a name gives two (its first sixteen folded bytes) and
    // ends the list, as does a field that has no number.
    static constexpr size_t kMaxKeys = 3;
    struct Keys {
        std::array<uint64_t, kMaxKeys> value{};
        uint32_t row = 0;
    };
    Keys keysOf(uint32_t a) const {
        Keys k;
        k.row = a;
        const FileRow& r = store_.row(a);
        // Signed numbers keep their order as unsigned ones with the sign bit flipped.
        const auto exact = [](int64_t v) { return static_cast<uint64_t>(v) ^ (uint64_t(1) << 63); };
        size_t used = 0;
        for (Field f : order_.fields) {
            if (used == kMaxKeys) break;
            switch (f) {
            case fSize: k.value[used++] = exact(r.size); continue;
            case fType: k.value[used++] = typeRank_[r.type]; continue;
            case fDate: k.value[used++] = exact(DayNumber(r.modified)); continue;
            case fTime: k.value[used++] = exact(secondOfDay(r.modified)); continue;
            case fName: {
                const std::string_view name = store_.name(a);
                for (size_t part = 0; part < 2 && used < kMaxKeys; ++part)
                    k.value[used++] = namePart(name, part * 8);
                break;
            }
            case fAccess:
            case fFolder: break;
            }
            break;
        }
        return k;
    }

private:
    // Eight bytes of a name's folded form from `from` (FoldedKeyNumber).
    static uint64_t namePart(std::string_view name, size_t from) {
        return FoldedKeyNumber(name, from, 8);
    }

    const FileStore& store_;
    FieldOrder order_;
    std::vector<uint32_t> typeRank_;
};

int64_t ShownSecond(DateTime value) {
    if (value == kNoDate) return INT64_MIN;
    return DayNumber(value) * 86400 + secondOfDay(value);
}

QString FileEntry(const FileStore& store, uint32_t row, FinderMode finder, MatchMode matchMode) {
    const FileRow& r = store.row(row);
    const QString name = DisplayPath(store.name(row));
    const QString size = FormatThousands(r.size);
    const QString date = shortDate(r.modified);
    const QString time = longTime(r.modified);
    const QString access = shortDate(r.accessed);
    const QString folder = DisplayPath(store.folder(row));
    const QString type = store.typeName(row);
    if (finder == FinderMode::FileHogs)
        return QStringList{size, date, time, access, DisplayPath(store.path(row)), type}.join('\t');
    switch (matchMode) {
    case MatchMode::Name:
    case MatchMode::NameSize:
    case MatchMode::NameSizeTime:
        return QStringList{name, size, date, time, access, folder, type}.join('\t');
    case MatchMode::Size:
    case MatchMode::SizeTime:
    case MatchMode::SizeType:
    case MatchMode::Content:
        return QStringList{size, name, date, time, access, folder, type}.join('\t');
    case MatchMode::TypeTime: break;
    }
    return QStringList{type, date, time, name, size, access, folder}.join('\t');
}

namespace {

// Runs work(from, mid) on a second thread and work(mid, to) on this one.
template <typename Work> void InTwo(const Work& work, size_t from, size_t mid, size_t to) {
    auto first = std::async(std::launch::async, [&] { work(from, mid); });
    work(mid, to);
    first.get();
}

} // namespace

void SortWorkingList(const FileStore& store, std::vector<uint32_t>& rows, FinderMode finder,
                     MatchMode matchMode, size_t twoThreadsFrom) {
    if (finder == FinderMode::FileHogs) {
        // The file-hog list is shown by size, and rows of equal size have no
        // fixed order there: the size alone orders the working list.
        std::stable_sort(rows.begin(), rows.end(), [&](uint32_t a, uint32_t b) {
            return store.row(a).size < store.row(b).size;
        });
        return;
    }
    const LineComparer cmp(store, orderFor(matchMode));
    // First by numbers taken from the leading fields, then the full comparison
    // only where those numbers tie.
    using Keys = LineComparer::Keys;
    std::vector<Keys, LargeAllocator<Keys>> keyed(rows.size());
    const auto byNumbers = [](const Keys& a, const Keys& b) {
        for (size_t i = 0; i < LineComparer::kMaxKeys; ++i)
            if (a.value[i] != b.value[i]) return a.value[i] < b.value[i];
        return a.row < b.row;
    };
    const auto at = [&](size_t i) { return keyed.begin() + static_cast<std::ptrdiff_t>(i); };
    const auto breakTies = [&](size_t from, size_t to) {
        while (from < to) {
            size_t end = from + 1;
            while (end < to && keyed[end].value == keyed[from].value) ++end;
            if (end - from > 1)
                std::sort(at(from), at(end),
                          [&](const Keys& a, const Keys& b) { return cmp.less(a.row, b.row); });
            from = end;
        }
    };
    if (rows.size() < std::max<size_t>(twoThreadsFrom, 2)) {
        for (size_t i = 0; i < rows.size(); ++i) keyed[i] = cmp.keysOf(rows[i]);
        std::sort(keyed.begin(), keyed.end(), byNumbers);
        breakTies(0, keyed.size());
    } else {
        // Two threads: each keys half the rows; the list is split at its
        // median, each side sorted; then the ties on each side are broken,
        // the split moved to the end of a run of equal numbers.
        const size_t n = rows.size();
        size_t mid = n / 2;
        InTwo([&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i) keyed[i] = cmp.keysOf(rows[i]);
        }, 0, mid, n);
        std::nth_element(keyed.begin(), at(mid), keyed.end(), byNumbers);
        InTwo([&](size_t from, size_t to) { std::sort(at(from), at(to), byNumbers); }, 0, mid, n);
        while (mid < n && keyed[mid].value == keyed[mid - 1].value) ++mid;
        InTwo(breakTies, 0, mid, n);
    }
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].row;
}

MatchKey::MatchKey(const FileStore& store, MatchMode mode)
    : comparer_(std::make_unique<LineComparer>(store, orderFor(mode))) {}
MatchKey::~MatchKey() = default;
MatchKey::MatchKey(MatchKey&&) noexcept = default;
MatchKey& MatchKey::operator=(MatchKey&&) noexcept = default;

bool MatchKey::same(uint32_t a, uint32_t b) const { return comparer_->sameKey(a, b); }

bool SameMatchKey(const FileStore& store, uint32_t a, uint32_t b, MatchMode matchMode) {
    return MatchKey(store, matchMode).same(a, b);
}

std::vector<uint32_t> addDups(const FileStore& store, const std::vector<uint32_t>& sorted,
                              MatchMode matchMode) {
    const MatchKey key(store, matchMode);
    std::vector<uint32_t> listed;
    const size_t n = sorted.size();
    size_t i = 0;
    while (i + 1 < n) {
        size_t j = i + 1;
        while (j < n && key.same(sorted[i], sorted[j])) {
            if (j == i + 1) listed.push_back(sorted[i]);
            listed.push_back(sorted[j]);
            ++j;
        }
        i = j;
    }
    return listed;
}

} // namespace quillon
