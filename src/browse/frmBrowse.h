#pragma once
// The folder browser: the folder tree of a drive, the files of one folder
// with their dates, sizes and types, marks handed to the removal window, and
// the removal of a whole folder tree.
#include "scan/filestore.h"
#include "scan/resultgrid.h"
#include <QDialog>
#include <QString>
#include <memory>
#include <string>

class QComboBox;
class QLabel;
class QModelIndex;
class QPushButton;
class QSplitter;
class QTreeView;

namespace quillon {

class ClickLabel;
class FolderTreeModel;

// The browser's sort directions: they live for the whole run of the program.
SortDirections& BrowseSortDirections();

class TfrmBrowse : public QDialog {
    Q_OBJECT
public:
    explicit TfrmBrowse(QWidget* parent = nullptr);
    ~TfrmBrowse() override;

    // Before showing. The folder to browse (bytes; unset: the current folder,
    // or the current drive's root when that lies on no drive), a file in it
    // to select, and the file mask (unset: "*.*").
    void setFolder(const std::string& folder);
    void setFileName(const std::string& name);
    void setMask(const QString& mask);

    // What the browser shows now.
    const std::string& folder() const { return folder_; }
    const QString& mask() const { return mask_; }
    char driveLetter() const { return letter_; }

    // The handlers, as their controls call them.
    void FormShow();
    void DriveComboBox1Change();
    void DirectoryListBox1Change();
    void btMarkClick();
    void btDeleteFilesClick();
    void btDeleteDirectoryClick();
    void btDetailsClick();
    void btLaunchClick();
    void btViewClick();
    void pnlWildClick();
    // Whether the window may close (asks when files are marked).
    bool FormCloseQuery();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Makes a folder the browsed one: the tree shows it, the grid lists it.
    void changeFolder(const std::string& folder);
    void showDrive(char letter);
    void FillGrid();
    void selectFile(const std::string& name);
    void updateMarkState();
    void showFileCount(size_t files, int64_t bytes);
    void showFolderLabel();
    void arrangeSortMenu();

    QComboBox* DriveComboBox1;
    QTreeView* DirectoryListBox1;
    QLabel* Label1;
    ResultGrid* grid;
    QSplitter* splitter;
    QPushButton* btMenu;
    QPushButton* btDeleteDirectory;
    QPushButton* btDetails;
    QPushButton* btLaunch;
    QPushButton* btView;
    QPushButton* btMark;
    QPushButton* btDeleteFiles;
    QPushButton* btClose;
    QLabel* pnlScan;
    ClickLabel* pnlWild;
    QLabel* pnlSize;

    FolderTreeModel* tree_;
    FileStore store_;
    std::string folder_;
    std::string fileToSelect_;
    QString mask_ = "*.*";
    char letter_ = 0;
    bool folderSet_ = false;
    bool shown_ = false;
    bool filling_ = false; // the marks' signal must not overwrite the file count
};

} // namespace quillon
