#pragma once
// The file viewer window: one file as text or hex, with search, go to line,
// selection and clipboard, font and tab options, printing and a peek at the
// readable strings of the file. Files dropped on the window are opened in it.
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QLabel;
class QMenu;
class QMenuBar;
class QPrinter;
class QPushButton;
class QRadioButton;
class QWidget;

namespace quillon {

class FileViewer;

class TfrmView : public QDialog {
    Q_OBJECT
public:
    explicit TfrmView(QWidget* parent = nullptr);
    ~TfrmView() override;

    // The file to show; set before the window is shown.
    std::string FileName;

    // Chooses the viewer's font; nullopt when cancelled. Unset, a font dialog
    // limited to fixed-pitch fonts is shown. Tests pick a font with it.
    static inline std::function<std::optional<QFont>(const QFont& current)> fontChooser;

    FileViewer* Viewer1;
    QWidget* Header1;
    QLabel* Header1Fields[4];
    QWidget* pnlBottom;
    QRadioButton* rbAscii;
    QRadioButton* rbHex;
    QPushButton* btFont;
    QPushButton* btPrint;
    QPushButton* BitBtn1;
    QPushButton* btStrings;
    QPushButton* btClose;

    QMenuBar* MainMenu1;
    QMenu* mnuFile;
    QAction* mnuOpen;
    QAction* mnuPrint;
    QAction* mnuPrintSetup;
    QAction* mnuExit;
    QMenu* mnuClipboard;
    QAction* mnuCopy;
    QAction* mnuSelectAll;
    QMenu* mnuSearch;
    QAction* mnuFind;
    QAction* mnuFindNext;
    QAction* mnuGoToLine;
    QMenu* mnuOptions;
    QAction* mnuHexMode;
    QAction* mnuTabExpansion;
    QAction* mnuTabSize;
    QAction* mnuFont;

    void FormShow();
    void FormResize();
    void mnuOpenClick();
    void mnuHexModeClick();
    void rbAsciiClick();
    void rbHexClick();
    void mnuTabExpansionClick();
    void mnuTabSizeClick();
    void btFontClick();
    void mnuFindClick();
    void mnuFindNextClick();
    void mnuGoToLineClick();
    void Viewer1ShowStatus();
    void BitBtn1Click(); // print
    void btPrintClick(); // printer setup
    void mnuSelectAllClick();
    void mnuCopyClick();
    void btStringsClick();
    // The files of a drop, as byte paths: the first one is opened.
    void FormDropFiles(const std::vector<std::string>& paths);

    // Opens a file in the viewer and shows its name in the caption.
    void openInViewer(const std::string& path);
    // The strings view: no strings button, no mode choice.
    // The window shows the strings extracted from `madeFrom` (its file is a
    // temporary one): no strings button, no hex mode, the caption names madeFrom.
    void setStringsView(const std::string& madeFrom);
    // Recomputes the enabled states of the menus' items.
    void refreshMenus();
    void refreshFileMenu();
    void refreshClipboardMenu();
    void refreshSearchMenu();

    // The lines printing would print: every line, or the selection with the
    // text before its start column blanked and its last line cut at the end column.
    QStringList PrintViewerLines(bool selectionOnly);
    // The same, one line at a time, until `each` answers false.
    void forEachPrintLine(bool selectionOnly, const std::function<bool(const QString&)>& each);
    // The status line's four fields.
    QString statusField(int index) const;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void fitMinimumWidth();
    void runFind(bool global);
    void printViewer();

    QPrinter& printer(); // kept from print setup to printing
    std::unique_ptr<QPrinter> printer_;
    bool shown_ = false;
    std::string stringsOf_; // the file a strings window was made from
};

// Shows a file in a new viewer window, modally, and destroys the window.
void ShowViewer(QWidget* owner, const std::string& path);

} // namespace quillon
