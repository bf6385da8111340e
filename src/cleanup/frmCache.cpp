#include "cleanup/frmCache.h"
#include "cleanup/cachefolders.h"
#include "platform/browsers.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "scan/hooks.h"
#include "shell/dialogs.h"
#include "shell/handlers.h"
#include "shell/placements.h"
#include "shell/settings.h"
#include "shell/widgets.h"
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>

namespace quillon {

namespace {

constexpr int kPathRole = Qt::UserRole;

const char* const kNothingFound =
    "Could not find any internet cache folders on your machine.  You may add them in manually "
    "if you know where they are located.  Typically they will exist under your browser folder "
    "with the folder name of \"cache\".";

} // namespace

TfrmCache::TfrmCache(QWidget* parent) : QDialog(parent) {
    setObjectName("frmCache");
    setWindowTitle("Internet Browser Cache Folders");
    // Wide enough for a browser profile's cache path.
    resize(780, 420);

    lbTitle = new QLabel("Internet Browser Cache Folders", this);
    lbTitle->setObjectName("lbTitle");
    QFont bold = lbTitle->font();
    bold.setBold(true);
    lbTitle->setFont(bold);
    lbNote = new QLabel(
        "As you use the internet, temporary files are saved in a disk cache which can grow "
        "quite large.  To reclaim disk space you can decrease the amount of space that the cache "
        "uses (see your internet browser documentation) or you can periodically clear it out.",
        this);
    lbNote->setObjectName("lbNote");
    lbNote->setWordWrap(true);

    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName("ListBox1");
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);

    btAdd = MakeButton("btAdd", "&Add a folder", nullptr, this);
    btDel = MakeButton("btDel", "&Delete a folder", nullptr, this);
    btInit = MakeButton("btInit", "&Initialize", nullptr, this);
    btClear = MakeButton("btClear", "&Clear internet cache", nullptr, this);
    btClear->setDefault(true);
    btClose = MakeButton("btClose", "Close", "Close window", this);

    lbDays1 = new QLabel("Clear all files that have not been accessed in", this);
    lbDays1->setObjectName("lbDays1");
    nDays = new QDoubleSpinBox(this);
    nDays->setObjectName("nDays");
    // A whole number of up to ten digits.
    nDays->setDecimals(0);
    nDays->setRange(0, 9999999999.0);
    nDays->setSingleStep(1);
    nDays->setMinimumWidth(110);
    lbDays2 = new QLabel("days", this);
    lbDays2->setObjectName("lbDays2");

    auto* listButtons = new QVBoxLayout;
    for (QPushButton* b : {btAdd, btDel, btInit}) listButtons->addWidget(b);
    listButtons->addStretch();
    auto* middle = new QHBoxLayout;
    middle->addWidget(ListBox1, 1);
    middle->addLayout(listButtons);

    auto* age = new QHBoxLayout;
    age->addWidget(lbDays1);
    age->addWidget(nDays);
    age->addWidget(lbDays2);
    age->addStretch();

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btClear);
    bottom->addWidget(btClose);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lbTitle);
    layout->addWidget(lbNote);
    layout->addLayout(middle, 1);
    layout->addLayout(age);
    layout->addLayout(bottom);

    OnClick(btAdd, this, &TfrmCache::btAddClick);
    OnClick(btDel, this, &TfrmCache::btDelClick);
    OnClick(btInit, this, &TfrmCache::btInitClick);
    OnClick(btClear, this, &TfrmCache::btClearClick);
    connect(btClose, &QPushButton::clicked, this, &QDialog::accept);
}

void TfrmCache::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!shown_) {
        shown_ = true;
        KeepOnScreen(this);
        GuardedCall([this] { ReadInFromDisk(); });
    }
}

std::vector<std::string> TfrmCache::folders() const {
    std::vector<std::string> out;
    for (int i = 0; i < ListBox1->count(); ++i) {
        const QByteArray bytes = ListBox1->item(i)->data(kPathRole).toByteArray();
        out.emplace_back(bytes.constData(), static_cast<size_t>(bytes.size()));
    }
    return out;
}

void TfrmCache::appendFolder(const std::string& folder) {
    auto* item = new QListWidgetItem(DisplayPath(folder), ListBox1);
    item->setToolTip(item->text());
    item->setData(kPathRole, QByteArray(folder.data(), static_cast<qsizetype>(folder.size())));
}

void TfrmCache::ReadInFromDisk() {
    lb1.clear();
    nDays->setValue(0);
    ListBox1->clear();
    const auto stored = ReadCacheFolders(SettingsStore::Main());
    // Never saved: the natively installed browsers' cache folders (Initialize
    // adds the Flatpak and Snap ones).
    for (const std::string& folder : stored ? *stored : DiscoverCacheFolders(BrowserInstalls::Native))
        appendFolder(folder);
    btInit->setVisible(ListBox1->count() == 0);
}

void TfrmCache::WriteOutToDisk() {
    SettingsStore store = SettingsStore::Main();
    WriteCacheFolders(store, folders());
}

void TfrmCache::done(int result) {
    // Close, Esc and the title bar all end here; a failed write is shown and
    // the window still closes.
    if (!written_) {
        written_ = true;
        GuardedCall([this] { WriteOutToDisk(); });
    }
    QDialog::done(result);
}

void TfrmCache::btAddClick() {
    const auto chosen = Dialogs().chooseFolder("Select an internet Cache folder", HomeFolder());
    if (!chosen || chosen->empty()) return;
    appendFolder(*chosen);
    btInit->setVisible(false);
}

void TfrmCache::btDelClick() {
    QListWidgetItem* item = ListBox1->currentItem();
    if (!item || !item->isSelected()) {
        ShowErrorMessage("Select a folder from the list above");
        return;
    }
    if (ConfirmOkCancel("Really delete " + item->text())) delete item;
    btInit->setVisible(ListBox1->count() == 0);
}

void TfrmCache::btInitClick() {
    btInit->hide();
    for (const std::string& folder : DiscoverCacheFolders(BrowserInstalls::Everywhere))
        appendFolder(folder);
    if (ListBox1->count() == 0) {
        btInit->show();
        ShowInfoMessage(kNothingFound);
    }
}

bool TfrmCache::goOnDespiteRunningBrowsers(const std::vector<std::string>& clearing) {
    const std::vector<std::string> running = RunningBrowsers();
    if (running.empty()) return true;
    QString inUse;
    for (const std::string& folder : clearing) {
        // As listed (Initialize lists the browsers' own paths), else as resolved.
        std::string named = BrowserOfCacheFolder(folder);
        if (named.empty()) named = BrowserOfCacheFolder(CanonicalPath(folder));
        if (std::find(running.begin(), running.end(), named) != running.end())
            inUse += "\n" + QString::fromStdString(named) + ": " + DisplayPath(folder);
    }
    if (inUse.isEmpty()) return true;
    return ConfirmYesNo("A browser that is running keeps its cache in use:\n" + inUse +
                            "\n\nClose the browser first to clear its cache safely.  Clear "
                            "these folders anyway?",
                        DialogButton::No);
}

void TfrmCache::btClearClick() {
    lb1.clear();
    const std::vector<std::string> listed = folders();
    CacheClear clear;
    {
        WaitCursor wait;
        clear = CollectCacheFiles(listed, static_cast<int64_t>(nDays->value()), Now());
    }
    if (!clear.unreadable.empty()) {
        QString names;
        for (const std::string& folder : clear.unreadable) names += "\n" + DisplayPath(folder);
        ShowWarningMessage("These cache folders could not be read:\n" + names);
    }
    if (clear.files.empty()) {
        ShowErrorMessage("No files found to clear");
        return;
    }
    if (!goOnDespiteRunningBrowsers(clear.foldersWithFiles)) return;
    lb1 = std::move(clear.files);
    if (FinderHooks::removal) FinderHooks::removal(this, lb1, "InternetCache");
    // Whatever the removal window did, this window stays open with its list.
    lb1.clear();
}

} // namespace quillon
