#pragma once
// The pair comparison: two neighbouring files of the duplicate list side by
// side, with their differences highlighted. One window for the whole run; the
// finder shows it with Pairs and it follows the finder's list.
#include <QDialog>
#include <QStringList>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quillon {

class TfrmDup;

class TfrmDupCompare : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDupCompare(QWidget* parent = nullptr);

    enum Side { Left = 0, Right = 1 };
    enum class Arrow { Hidden, Left, Right, Equal };
    enum DateRow { CreationRow = 0, ModifyRow, AccessRow };

    // Everything one half shows.
    struct Half {
        QGroupBox* box;
        QLabel* lblFolder;
        QLabel* lblSize;
        QLabel* lblType;
        QLabel* lblCreate;
        QLabel* lblModify;
        QLabel* lblAccess;
        QLabel* lblAttributes;
        QLabel* lblCRC;
        QLabel* lblNonDelete;
        QLabel* icon;
        QListWidget* profile;
        QPushButton* btOpen;
        QPushButton* btView;
        QPushButton* btMark;
        QPushButton* btBrowse;
        // The dates as numbers for the arrows; 0 = no such date.
        std::array<double, 3> dates{};
    };
    std::array<Half, 2> half;
    std::array<QLabel*, 3> arrows;
    QPushButton* btPrev;
    QPushButton* btNext;
    QPushButton* btPrint;
    QPushButton* btClose;
    QPushButton* btCRC;
    QCheckBox* cbAutoCRC;
    QWidget* pnlBottom;

    // Takes a fresh copy of the finder's list and shows the pair at its
    // selected row.
    void showFor(TfrmDup* finder);
    // The finder is going away: forget it and hide.
    void finderClosing(TfrmDup* finder);
    TfrmDup* owner() const { return owner_; }
    int currentRow() const { return r_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }

    void btNextClick();
    void btPrevClick();
    void btCRCClick();
    void btPrintClick();
    void markClick(Side side);
    void openClick(Side side);
    void viewClick(Side side);
    void browseClick(Side side);

    void computeCRCValues();
    void HighlightDifferences();
    bool qPairMatches(int k) const;
    Arrow arrow(DateRow row) const { return arrowState_[row]; }
    // True when a value label is drawn on the difference colour.
    static bool isHighlighted(const QWidget* label);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the window keeps of a grid row: enough to show the file and to
    // match it with its neighbour, without formatting every cell up front.
    struct Row {
        uint32_t folder; // into folders_
        std::string name;
        int64_t size;
        double modified;
        QString type;
    };
    const std::string& folderOf(const Row& row) const { return folders_[row.folder]; }
    std::string pathOf(Side side) const;
    void fillSide(Side side, int k);
    void clearSide(Side side);
    void adjustHeight();
    void placeArrows();
    void setBackgrounds(bool white);
    void afterMove();

    TfrmDup* owner_ = nullptr;
    int matchMode_ = 0;
    std::vector<std::string> folders_;
    std::vector<Row> rows_;
    int r_ = 0;
    std::array<int, 2> shownRow_{-1, -1};
    std::array<Arrow, 3> arrowState_{Arrow::Hidden, Arrow::Hidden, Arrow::Hidden};
};

// The program's one comparison window (created on first use, kept for the run).
TfrmDupCompare& DupCompareWindow();

} // namespace quillon
