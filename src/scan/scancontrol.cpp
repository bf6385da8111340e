#include "scan/scancontrol.h"
#include "shell/settings.h"
#include "platform/drives.h"
#include "platform/eventpump.h"
#include "platform/paths.h"
#include "platform/scopeguard.h"
#include "scan/filestore.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include <QAction>
#include <QMenu>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace quillon {

const char* const kAbortedWarning = "LIST INCOMPLETE ... ABORTED BY USER";
const char* const kFullListWarning =
    "Due to system resource limitations ... cannot process any more files.\n\n"
    "Try increasing the file size limits or file match and re-scan.";

namespace {
constexpr int kLetterRole = Qt::UserRole;
constexpr qint64 kStatusIntervalMs = 20;
} // namespace

ScanControl::ScanControl(QListWidget* pckDrive, QPushButton* btScan, QPushButton* btAbort,
                         QLabel* status, QObject* parent)
    : QObject(parent), pckDrive_(pckDrive), btScan_(btScan), btAbort_(btAbort), status_(status) {
    connect(pckDrive_, &QListWidget::itemChanged, this, [this] { updateStartButton(); });
}

void ScanControl::FillDriveList() {
    const QSignalBlocker block(pckDrive_);
    pckDrive_->clear();
    const char current = DriveTable::CurrentLetter();
    bool found = false;
    for (const Drive& drive : DriveTable::All()) {
        auto* item = new QListWidgetItem(DriveRowText(drive), pckDrive_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setData(kLetterRole, QChar(drive.letter));
        const bool isCurrent = drive.letter == current;
        item->setCheckState(isCurrent ? Qt::Checked : Qt::Unchecked);
        found = found || isCurrent;
        if (isCurrent) pckDrive_->setCurrentItem(item);
    }
    if (!found) {
        for (int i = 0; i < pckDrive_->count(); ++i) {
            QListWidgetItem* item = pckDrive_->item(i);
            if (item->text().startsWith('C', Qt::CaseInsensitive)) {
                item->setCheckState(Qt::Checked);
                pckDrive_->setCurrentItem(item);
            }
        }
    }
    updateStartButton();
}

bool ScanControl::anyDriveChecked() const {
    for (int i = 0; i < pckDrive_->count(); ++i)
        if (pckDrive_->item(i)->checkState() == Qt::Checked) return true;
    return false;
}

void ScanControl::updateStartButton() { btScan_->setEnabled(anyDriveChecked()); }

QString ScanControl::checkedLetters() const {
    QString letters;
    for (int i = 0; i < pckDrive_->count(); ++i)
        if (pckDrive_->item(i)->checkState() == Qt::Checked)
            letters += pckDrive_->item(i)->text().left(1);
    return letters;
}

bool ScanControl::checkLetters(const QString& letters) {
    bool any = false;
    for (int i = 0; i < pckDrive_->count(); ++i)
        any = any || letters.contains(pckDrive_->item(i)->data(kLetterRole).toChar());
    if (!any) return false;
    for (int i = 0; i < pckDrive_->count(); ++i) {
        QListWidgetItem* item = pckDrive_->item(i);
        item->setCheckState(letters.contains(item->data(kLetterRole).toChar()) ? Qt::Checked
                                                                                : Qt::Unchecked);
    }
    updateStartButton();
    return true;
}

void ScanControl::showFolder(const ParallelWalk& walk) {
    // Setting a label per folder would cost more than reading the folder; the
    // line only has to keep up with what a person can see.
    if (statusTimer_.isValid() && statusTimer_.elapsed() < kStatusIntervalMs) return;
    statusTimer_.start();
    status_->setText(DisplayPath(walk.currentFolder()));
}

std::vector<std::pair<const Drive*, QString>> ScanControl::drivesToWalk() const {
    std::vector<std::pair<const Drive*, QString>> drives;
    for (int i = 0; i < pckDrive_->count(); ++i) {
        const QListWidgetItem* item = pckDrive_->item(i);
        if (item->checkState() != Qt::Checked) continue;
        const Drive* drive = DriveTable::ByLetter(item->text().at(0).toUpper().toLatin1());
        if (drive && DriveIsReady(drive->root)) drives.emplace_back(drive, item->text());
    }
    return drives;
}

namespace {
constexpr const char* kOptionsSection = "Options";
constexpr const char* kSearchHiddenKey = "SearchHidden";
} // namespace

WalkOptions WithUserSettings(WalkOptions options) {
    options.hiddenFolders = options.hiddenFolders || SearchHiddenFolders();
    return options;
}

QAction* AddSearchHiddenItem(QMenu* menu) {
    QAction* item = menu->addAction("Search hidden folders");
    item->setObjectName("mnuHidden");
    item->setCheckable(true);
    // The setting is the program's, not the window's: show it as it stands.
    QObject::connect(menu, &QMenu::aboutToShow, item,
                     [item] { item->setChecked(SearchHiddenFolders()); });
    QObject::connect(item, &QAction::toggled, item, [](bool on) {
        GuardedCall([on] { SetSearchHiddenFolders(on); });
    });
    return item;
}

bool SearchHiddenFolders() {
    return SettingsStore::Main().readInteger(kOptionsSection, kSearchHiddenKey, 0) != 0;
}

void SetSearchHiddenFolders(bool on) {
    // Showing the setting checks its box: only a change is written.
    if (on != SearchHiddenFolders())
        SettingsStore::Main().writeInteger(kOptionsSection, kSearchHiddenKey, on ? 1 : 0);
}

void ScanControl::ScanAllDrives(const WalkOptions& givenOptions, FileTest test) {
    const WalkOptions options = WithUserSettings(givenOptions);
    statusTimer_.invalidate();
    for (const auto& [drive, itemText] : drivesToWalk()) {
        // After an abort the remaining drives have nothing left to do.
        if (ScanAborted) continue;
        ParallelWalk walk(options, walkThreads);
        if (!walk.start(drive->root)) {
            ShowErrorMessage("Can't open drive " + itemText);
            continue;
        }
        walk_ = &walk;
        const ScopeExit forget([this] { walk_ = nullptr; });
        mergeWalk(walk, test);
    }
}

void ScanControl::TallyAllDrives(const WalkOptions& givenOptions, const TallyWalk& tallies) {
    const WalkOptions options = WithUserSettings(givenOptions);
    statusTimer_.invalidate();
    for (const auto& [drive, itemText] : drivesToWalk()) {
        if (ScanAborted) continue;
        ParallelWalk walk(options, walkThreads, tallies.begin(*drive), false);
        if (!walk.start(drive->root)) {
            ShowErrorMessage("Can't open drive " + itemText);
            continue;
        }
        walk_ = &walk;
        const ScopeExit forget([this] { walk_ = nullptr; });
        WalkStep step;
        for (;;) {
            // Repaints, and Abort, which reaches the walkers through walk.abort().
            EventPump::Serve();
            showFolder(walk);
            if (tallies.full && tallies.full()) fullList(walk, tallies.fullWarning);
            if (walk.next(step, std::chrono::milliseconds(10)) == ParallelWalk::Wait::Finished)
                break;
        }
        // A walk that ended as its list filled up was cut short all the same.
        if (tallies.full && tallies.full()) fullList(walk, tallies.fullWarning);
        tallies.end(*drive, walk.mergedTally());
    }
}

void ScanControl::mergeWalk(ParallelWalk& walk, const FileTest& test) {
    // Files merged between two turns of the event loop inside a large folder.
    constexpr size_t kFilesPerTurn = 4096;
    constexpr std::chrono::milliseconds kWait(10);
    WalkStep step;
    for (;;) {
        // Repaints, and Abort, which reaches the walkers through walk.abort().
        EventPump::Serve();
        showFolder(walk);
        const ParallelWalk::Wait got = walk.next(step, kWait);
        if (got == ParallelWalk::Wait::Finished) return;
        if (got == ParallelWalk::Wait::TimedOut || step.kind != WalkStep::Kind::Files) continue;
        const WalkBatch& batch = *step.batch;
        size_t merged = 0;
        for (const WalkFile& file : batch.files) {
            try {
                test(batch.folder, batch.name(file), file.facts);
            } catch (const FullListError&) {
                fullList(walk, kFullListWarning);
                return;
            }
            if (++merged % kFilesPerTurn == 0) EventPump::Serve();
        }
    }
}

void ScanControl::fullList(ParallelWalk& walk, const QString& warning) {
    walk.abort();
    // After Abort the steps already due are still merged; a list that fills
    // up then ends them without a second warning.
    if (ScanAborted) return;
    ScanAborted = true;
    btAbort_->hide();
    ShowWarningMessage(warning);
}

void ScanControl::btAbortClick() {
    ScanAborted = true;
    if (walk_) walk_->abort();
    btAbort_->hide();
    ShowWarningMessage(kAbortedWarning);
}

} // namespace quillon
