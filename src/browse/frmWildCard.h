#pragma once
// The small dialog that changes the folder browser's file mask.
#include <QDialog>
#include <QString>

class QComboBox;
class QLabel;
class QPushButton;

namespace quillon {

// The type descriptions shown under a mask: FileTypeName of each pattern's
// extension, joined by "; " ("" for "*.*" and for patterns naming no type).
QString MaskTypeText(const QString& mask);

class TfrmWildCard : public QDialog {
    Q_OBJECT
public:
    // The combo starts with the current mask.
    explicit TfrmWildCard(const QString& mask, QWidget* parent = nullptr);

    // The mask as the combo holds it (several patterns joined by ';').
    QString pattern() const;

    void FormShow();
    void cbWildCardChange();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FillWildcardList();

    QLabel* Label1;
    QComboBox* cbWildCard;
    QLabel* lblWild;
    QLabel* lblType;
    QPushButton* btOK;
    QPushButton* btCancel;
    QString initial_;
    bool shown_ = false;
};

} // namespace quillon
