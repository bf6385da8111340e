#include "finders/folderhogs.h"
#include "platform/paths.h"
#include "platform/textcase.h"
#include "scan/sortkeys.h"
#include "shell/routines.h"
#include <QLocale>
#include <algorithm>
#include <tuple>

namespace quillon {

namespace {

void raiseLatest(DateTime& latest, DateTime accessed) {
    if (accessed != kNoDate && (latest == kNoDate || accessed > latest)) latest = accessed;
}

} // namespace

WalkOptions FolderHogWalkOptions() {
    WalkOptions options;
    options.mask = "*.*";
    options.hiddenFiles = true;
    options.systemFiles = true;
    options.hiddenFolders = false;
    return options;
}

FolderHogTally::FolderHogTally(FolderHogMode mode, std::string root,
                               std::shared_ptr<FolderHogBudget> budget)
    : mode_(mode), root_(std::move(root)), budget_(std::move(budget)) {
    rootPrefix_ = root_;
    if (rootPrefix_.empty() || rootPrefix_.back() != '/') rootPrefix_.push_back('/');
}

uint32_t FolderHogTally::lineFor(const std::string& key) {
    const auto [it, added] = byFolder_.try_emplace(key, static_cast<uint32_t>(lines_.size()));
    if (added) {
        FolderTotals totals;
        totals.folder = key;
        lines_.push_back(std::move(totals));
        if (budget_) budget_->take();
    }
    return it->second;
}

void FolderHogTally::add(const WalkBatch& batch) {
    // A full list takes nothing more; the window ends the walk.
    if (budget_ && budget_->exhausted()) return;
    uint32_t line = 0;
    if (mode_ == FolderHogMode::All) {
        // Every folder has its line, empty ones too; a drive with nothing on
        // it lists nothing.
        if (batch.empty && batch.folder == root_) return;
        line = static_cast<uint32_t>(lines_.size());
        FolderTotals totals;
        totals.folder = batch.folder;
        totals.subfolders = batch.subfolders;
        totals.id = batch.id;
        lines_.push_back(std::move(totals));
        if (budget_) budget_->take();
    } else {
        // The files lying directly in the root belong to no top folder.
        if (batch.folder.size() <= rootPrefix_.size() || !batch.folder.starts_with(rootPrefix_))
            return;
        const size_t slash = batch.folder.find('/', rootPrefix_.size());
        line = lineFor(slash == std::string::npos ? batch.folder : batch.folder.substr(0, slash));
        if (slash == std::string::npos) lines_[line].id = batch.id; // the top folder itself
        // Each folder read counts; the top folder itself is taken off at the end.
        ++lines_[line].subfolders;
    }
    FolderTotals& totals = lines_[line];
    int64_t bytes = 0, files = 0;
    DateTime latest = totals.latestAccess;
    for (const WalkFile& file : batch.files) {
        const FileFacts& facts = file.facts;
        if (facts.links > 1) {
            linked_.push_back({facts.device, facts.inode, facts.size, facts.accessed, line});
            if (budget_) budget_->take();
            continue;
        }
        bytes += facts.size;
        ++files;
        raiseLatest(latest, facts.accessed);
    }
    totals.bytes += bytes;
    totals.files += files;
    totals.latestAccess = latest;
}

void FolderHogTally::merge(const WalkTally& other) {
    const auto& from = static_cast<const FolderHogTally&>(other);
    std::vector<uint32_t> lineOf(from.lines_.size());
    for (size_t i = 0; i < from.lines_.size(); ++i) {
        const FolderTotals& theirs = from.lines_[i];
        if (mode_ == FolderHogMode::All) {
            // Each folder is read by one walker only.
            lineOf[i] = static_cast<uint32_t>(lines_.size());
            lines_.push_back(theirs);
            continue;
        }
        const uint32_t mine = lineFor(theirs.folder);
        FolderTotals& totals = lines_[mine];
        totals.bytes += theirs.bytes;
        totals.files += theirs.files;
        totals.subfolders += theirs.subfolders;
        if (!totals.id) totals.id = theirs.id; // read by one walker only
        raiseLatest(totals.latestAccess, theirs.latestAccess);
        lineOf[i] = mine;
    }
    linked_.reserve(linked_.size() + from.linked_.size());
    for (Linked linked : from.linked_) {
        linked.line = lineOf[linked.line];
        linked_.push_back(linked);
    }
}

std::vector<FolderTotals> FolderHogTally::takeLines() {
    // One count per file: of all the names of one inode, the one whose line
    // comes first in byte order of the folder texts.
    std::sort(linked_.begin(), linked_.end(), [this](const Linked& a, const Linked& b) {
        if (a.device != b.device) return a.device < b.device;
        if (a.inode != b.inode) return a.inode < b.inode;
        return lines_[a.line].folder < lines_[b.line].folder;
    });
    for (size_t i = 0; i < linked_.size(); ++i) {
        const Linked& linked = linked_[i];
        if (i > 0 && linked_[i - 1].device == linked.device && linked_[i - 1].inode == linked.inode)
            continue;
        FolderTotals& totals = lines_[linked.line];
        totals.bytes += linked.size;
        ++totals.files;
        raiseLatest(totals.latestAccess, linked.accessed);
    }
    std::vector<Linked>().swap(linked_);
    if (mode_ == FolderHogMode::Main)
        for (FolderTotals& totals : lines_) totals.subfolders -= 1; // the top folder itself
    std::vector<FolderTotals> lines = std::move(lines_);
    lines_.clear();
    byFolder_.clear();
    std::sort(lines.begin(), lines.end(),
              [](const FolderTotals& a, const FolderTotals& b) { return a.folder < b.folder; });
    return lines;
}

WalkTallyFactory FolderHogTallies(FolderHogMode mode, const std::string& root,
                                  std::shared_ptr<FolderHogBudget> budget) {
    const std::string walkRoot = LexicalNormalise(root);
    return [mode, walkRoot, budget] {
        return std::make_unique<FolderHogTally>(mode, walkRoot, budget);
    };
}

QString PercentUsedText(int64_t bytes, double driveTotal) {
    if (!(static_cast<double>(bytes) < driveTotal)) return "???";
    return QLocale().toString(100.0 * static_cast<double>(bytes) / driveTotal, 'f', 2);
}

QString FolderLineField(const FolderTotals& totals, double driveTotal, int field) {
    switch (field) {
    case 0: return FormatThousands(totals.bytes);
    case 1: return PercentUsedText(totals.bytes, driveTotal);
    case 2: return QString::number(totals.files);
    case 3: return QString::number(totals.subfolders);
    case 4: return totals.latestAccess == kNoDate ? QString() : SafeDateText(totals.latestAccess);
    case 5: return DisplayPath(totals.folder);
    default: return {};
    }
}

QStringList FolderLineFields(const FolderTotals& totals, double driveTotal) {
    QStringList fields;
    for (int field = 0; field < kFolderLineFields; ++field)
        fields << FolderLineField(totals, driveTotal, field);
    return fields;
}

QString FolderLine(const FolderTotals& totals, double driveTotal) {
    return FolderLineFields(totals, driveTotal).join('\t');
}

std::vector<uint32_t> SortedFolderRows(const std::vector<FolderRow>& rows,
                                       std::vector<uint32_t> order, FolderSortItem item,
                                       bool descending) {
    const auto number = [&](uint32_t r) -> int64_t {
        const FolderRow& row = rows[r];
        switch (item) {
        case FolderSortSize: return row.state == FolderState::Listed ? row.totals.bytes : 0;
        case FolderSortFiles: return row.totals.files;
        case FolderSortSubfolders: return row.totals.subfolders;
        case FolderSortAccess:
            return DayKey(row.totals.latestAccess);
        default: return 0;
        }
    };
    if (item == FolderSortName) {
        std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
            const int c = CompareFolded(rows[a].totals.folder, rows[b].totals.folder);
            return descending ? c > 0 : c < 0;
        });
        return order;
    }
    std::vector<Keyed<int64_t>> keyed;
    keyed.reserve(order.size());
    for (uint32_t r : order) keyed.push_back({number(r), r});
    return SortedByKey(keyed, descending);
}

} // namespace quillon
