#pragma once
// The shared please-wait window: shown (not modal) by long loops, with a bar.
#include <QDialog>

class QLabel;
class QProgressBar;

namespace quillon {

class TfrmStandBy : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStandBy(QWidget* parent = nullptr);

    QLabel* lbWait;
    QProgressBar* ProgressBar1;

    // Sets the bar's range 0..maximum, shows the window and paints it at once.
    void start(int maximum);
    void setPosition(int position);
    void finish();
};

// The one please-wait window, created at start-up (nullptr before).
TfrmStandBy* frmStandBy();
void SetStandByWindow(TfrmStandBy* window);

} // namespace quillon
