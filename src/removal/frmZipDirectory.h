#pragma once
// Choosing where an archive is restored to. Archives store paths relative to
// the drive root their name names, so that root is proposed first; any other
// folder is allowed after a warning.
#include <QDialog>
#include <QListWidget>
#include <optional>
#include <string>

class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace quillon {

// A folder list as the archive windows use it: the path from the drive root
// down to the open folder, then that folder's sub-folders. Activating a row
// (double click, Enter) opens its folder. Rows keep their byte paths.
class FolderListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FolderListBox(QWidget* parent = nullptr);

    // The open folder, normalised ("/" stays "/").
    const std::string& folder() const { return folder_; }
    void setFolder(const std::string& folder);
    // Lists the open folder again (after a folder was made in it).
    void refresh();

    static std::string PathOf(const QListWidgetItem* item);
    QListWidgetItem* itemFor(const std::string& path) const;

signals:
    void folderChanged();

protected:
    // Enter opens the current row's folder and goes no further: it must not
    // also press the dialog's default button, which would act on a folder
    // the user has not seen named yet.
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::string folder_;
};

// Fills a drive selector from the drive table and keeps it and a folder list
// together: picking a drive opens its root, opening a folder shows its drive.
void LinkDriveSelector(QComboBox* drives, FolderListBox* folders);

class TfrmZipDirectory : public QDialog {
    Q_OBJECT
public:
    explicit TfrmZipDirectory(QWidget* parent = nullptr);

    // The archive to be restored (shown in lblZip; its name gives the original root).
    void setArchive(const std::string& archivePath);
    // The folder chosen for the restore: the open folder of the list, the
    // one DirLabel names.
    const std::string& folder() const;
    // The root of the drive the archive came from; nullopt when its name names
    // no drive of the drive table.
    const std::optional<std::string>& originalRoot() const { return originalRoot_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void Button1Click();
    void Button3Click();

    QLabel* lblZip;
    QLabel* DirLabel;
    QComboBox* DriveComboBox1;
    FolderListBox* DLB;
    QPushButton* Button1; // OK
    QPushButton* Button2; // Cancel
    QPushButton* Button3; // "&Create sub-folder..."

    std::string archive_;
    std::optional<std::string> originalRoot_;
    bool shown_ = false;
};

} // namespace quillon
