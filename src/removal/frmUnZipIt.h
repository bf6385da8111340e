#pragma once
// Browsing the backup archives in a folder and restoring one of them.
#include <QDialog>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace quillon {

class FolderListBox;
class ZipReader;
struct ExtractCounts;
struct ZipItem;

// The message after a restore: "Files were unzipped" only when every item
// of the archive was put in place, else how many files were and were not.
QString ExtractResultText(const ExtractCounts& counts);

class TfrmUnZipIt : public QDialog {
    Q_OBJECT
public:
    // `zipFolder`: where the archive list starts (the user's archive folder).
    explicit TfrmUnZipIt(std::string zipFolder, QWidget* parent = nullptr);
    ~TfrmUnZipIt() override;

    // The selected archive's full path; empty when none is selected.
    std::string selectedArchive() const;
    // The archive shown in the tree, nullptr before one was loaded.
    const ZipReader* loadedArchive() const { return zip_.get(); }

    // Esc and Close do nothing while an extraction runs.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void FileListBox1Change();
    void btViewClick();
    void btExtractClick();
    void btCloseClick();
    void Timer1Timer();

    void fillArchiveList();
    bool loadSelected(std::string* error);
    void fillOutline();
    void itemFailed(const ZipItem& item, const std::string& message);

    QComboBox* DriveComboBox1;
    FolderListBox* DirectoryListBox1;
    QListWidget* FileListBox1; // archive names as bytes in Qt::UserRole
    QLabel* lblZip;
    QTreeWidget* Outline; // stored names as bytes in Qt::UserRole
    QLabel* lblCount;
    QLabel* pnlComment;
    QPushButton* btView;
    QPushButton* btExtract;
    QPushButton* btClose;
    QProgressBar* Gauge1;
    QTimer* Timer1;

    std::string zipFolder_;
    std::unique_ptr<ZipReader> zip_;
    bool extracting_ = false;
    bool shown_ = false;
};

// The launcher's "Unzip archive files": shows the window modally and destroys it.
void OpenUnzipWindow(QWidget* launcher);

} // namespace quillon
