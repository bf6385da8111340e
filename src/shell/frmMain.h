#pragma once
// The launcher: every tool is reached from one of its buttons.
#include <QLabel>
#include <QWidget>
#include <string>

class QPushButton;

namespace quillon {

class TfrmHelp;

// A big title with an extruded shadow.
class TitleLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A label that opens the About window when clicked.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class TfrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMain(QWidget* parent = nullptr);
    ~TfrmMain() override;

    TitleLabel* lbTitle;
    ClickLabel* lbPublisher;
    ClickLabel* lbWebAddress;
    QPushButton* btDuplicate;
    QPushButton* btFileHog;
    QPushButton* btFiles;
    QPushButton* btDirHogs;
    QPushButton* btClean;
    QPushButton* btStatistic;
    QPushButton* btBrowse;
    QPushButton* btClearCache;
    QPushButton* btZip;
    QPushButton* btBuild;
    QPushButton* btReach;
    QPushButton* btHelp;
    QPushButton* btClose;

    void FormShow();
    void btDuplicateClick();
    void btFileHogClick();
    void btFilesClick();
    void btDirHogsClick();
    void btCleanClick();
    void btStatisticClick();
    void btBrowseClick();
    void btClearCacheClick();
    void btZipClick();
    void btBuildClick();
    void btReachClick();
    void btHelpClick();
    void btCloseClick();

    // The folder that receives backup archives, read at show.
    const std::string& zipFolder() const { return zipFolder_; }
    bool usesGradient() const { return gradient_; }
    TfrmHelp* helpWindow() const { return help_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QPushButton* addToolButton(const char* name, const char* caption, const char* hint);
    // Opens a tool that deletes files, after the non-delete list check.
    void openGuarded(const char* name);

    std::string zipFolder_;
    bool gradient_ = false;
    TfrmHelp* help_ = nullptr;
    QPixmap tile_;
};

// The launcher created at start-up (nullptr before).
TfrmMain* frmMain();

} // namespace quillon
