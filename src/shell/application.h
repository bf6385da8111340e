#pragma once
// Start-up: the application object, the long-lived windows and the drive table.
#include <QApplication>

namespace quillon {

class TfrmMain;

// Shows an exception that reached the event loop in the general error box
// (for example "Unable to write to ..." from the settings file) instead of
// letting it end the program.
class QuillonApplication : public QApplication {
    Q_OBJECT
public:
    QuillonApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Makes the compiled-in pictures and help available (the shell is a static library).
void InitResources();

// Hints shown after 1000 ms on a pale yellow background.
void ApplyHintSettings();

// Builds the drive table: QUILLON_DRIVES when set, otherwise the mounted disks
// with the letters kept in the settings file's Drives section.
void LoadDriveTable();

// Sets the title, loads the drives, creates the long-lived windows (launcher
// first) and returns the launcher, not yet shown.
TfrmMain* CreateLongLivedWindows();

} // namespace quillon
