#pragma once
// The pair comparison: two neighbouring files of the duplicate list side by
// side, with their differences highlighted. One window for the whole run; the
// finder shows it with Pairs and it follows the finder's list.
#include "finders/duplines.h"
#include "scan/filestore.h"
#include <QDialog>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
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

    // What one half shows, as values: "identical" and the highlight are
    // decided from these, never from the label texts. Times are to the
    // second and the access date to the day, as the labels show them.
    struct Shown {
        std::string folder;
        std::string name;
        int64_t size = 0;
        QString type;
        int64_t created = 0;  // ShownSecond
        int64_t modified = 0; // ShownSecond
        int64_t accessDay = 0;
        uint32_t attributes = 0;
    };

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
        // Empty while the side shows no file.
        std::optional<Shown> shown;
        // Set by computeCRCValues, cleared whenever the side is filled.
        std::optional<uint32_t> checksum;
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
    std::string pathOf(Side side) const;
    // Whether both sides show the same value of a field (or both show none).
    template <typename Field> bool sameOnBothSides(Field field) const;
    void fillSide(Side side, int k);
    void clearSide(Side side);
    void adjustHeight();
    void placeArrows();
    void setBackgrounds(bool white);
    void afterMove();

    TfrmDup* owner_ = nullptr;
    // The finder's result list as it was at the last show: its store (kept
    // alive here while the finder searches again) and its grid order.
    std::shared_ptr<const FileStore> store_;
    std::vector<uint32_t> rows_;
    std::optional<MatchKey> matchKey_; // over store_; declared after it
    // Beside rows_ after a search by contents: each row's group; a pair
    // matches when both rows are of one group.
    std::vector<uint32_t> groups_;
    int r_ = 0;
    std::array<int, 2> shownRow_{-1, -1};
    std::array<Arrow, 3> arrowState_{Arrow::Hidden, Arrow::Hidden, Arrow::Hidden};
};

// The program's one comparison window (created on first use, kept for the run).
TfrmDupCompare& DupCompareWindow();

} // namespace quillon
