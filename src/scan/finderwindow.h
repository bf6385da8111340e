#pragma once
// What every finder window shares around its search: while it searches Close
// and Esc do nothing and no hints pop up over it, and Enter in its list never
// presses the default button (a new search would throw the list and its marks
// away).
#include "shell/widgets.h"
#include <QDialog>
#include <QString>

class QAction;
class QComboBox;

namespace quillon {

class FinderWindow : public QDialog {
    Q_OBJECT
public:
    using QDialog::QDialog;

    bool searching() const { return searching_; }

protected:
    // The list whose Enter key is kept from the window's default button.
    void guardListKeys(QWidget* list);
    // The window's three stacked parts: the criteria on top, the list taking
    // what height is left, the status line.
    void stackParts(QWidget* top, QWidget* list, QWidget* status);
    // "Shrink top panel" folds the panel away; "Restore top panel" gives it
    // back the height it had. Each item is enabled while it can act.
    void connectTopPanel(QWidget* panel, QAction* shrink, QAction* restore);

    // Held for the length of a search: no hints over the window.
    class HintsOff {
    public:
        explicit HintsOff(FinderWindow* window);
        ~HintsOff();
        HintsOff(const HintsOff&) = delete;
        HintsOff& operator=(const HintsOff&) = delete;

    private:
        FinderWindow* window_;
    };

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

    bool searching_ = false;

private:
    QWidget* list_ = nullptr;
};

// A finder's pattern box: "*.*" first, then every registered type's pattern,
// "*.*" chosen; no change is signalled.
void FillPatternBox(QComboBox* box);
// The text beside it: "All files", or the type name of the pattern's extension.
QString PatternBoxLabel(const QString& pattern);

} // namespace quillon
