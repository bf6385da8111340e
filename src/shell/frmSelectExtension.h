#pragma once
// The pattern picker: one extension typed in, or several picked from the
// registered file types. The type list editors (temporary files, statistics
// types) open it modally and read its answer after OK.
#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillon {

class TfrmSelectExtension : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSelectExtension(QWidget* parent = nullptr);

    // The answer after OK. With multiSelect the answer is selectedRows() (each
    // "pattern<tab>description"); otherwise selPattern and selDescription,
    // both empty when nothing usable was typed ("*.*", a blank edit).
    QString selPattern;
    QString selDescription;
    bool multiSelect = false;
    QStringList selectedRows() const;
    // The rows the answer adds to a type list: the rows picked, or the one
    // pattern typed with its description (read after OK).
    QStringList pickedRows() const;

    void FormShow();
    void lBoxClick(int row);
    void BitBtn1Click();
    void lBoxDblClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillWildcardList();
    // Takes the answer; false when the typed text was refused (window stays open).
    bool takeAnswer();

    QLabel* lbPrompt;
    QLineEdit* Edit1;
    QListWidget* lBox;
    QLabel* lbHint;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    // The patterns in the order of lBox's rows.
    QStringList cbWildCard;
    bool shown_ = false;
};

// The type list editors' questions: deleting more than one row (one goes
// without asking) and clearing the whole list. True to go ahead.
bool ConfirmDeleteRows(int count);
bool ConfirmClearRows();

} // namespace quillon
