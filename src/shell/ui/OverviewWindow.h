// The overview window (component frmSKYOview), the first visible window.
// Until its file lists and pages are built it shows the caption, the files
// taken at start, the theme choice and the system log, and an Exit button;
// its deferred start runs the start-up steps whose parts exist.
#pragma once

#include <QMainWindow>
#include <QStringList>

class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace sky::ui {

class TfrmSKYApp;
class ThemeViewerLauncher;

struct StartOptions {
    QStringList params;          // file parameters of the command line
    QString currentDir;          // against which they are made absolute
    bool quitAfterStart = false; // close again once the window is shown
};

class TfrmSKYOview : public QMainWindow {
    Q_OBJECT
public:
    TfrmSKYOview(TfrmSKYApp* frame, StartOptions options);

    QStringList Files() const { return FFiles; }
    QString OpenedFile() const { return FOpened; }
    QString VersionInfo() const { return FVersionInfo; }
    bool Started() const { return FStarted; }
    QComboBox* ThemeBox() const { return FTheme; }
    QPushButton* ThemeViewerButton() const { return FViewer; }
    // Chooses a theme as the theme list does: a new name is stored and the
    // restart notice shown.
    void ChooseTheme(const QString& name);
    // The restart: settings stored, the window closes, the program starts again.
    void RestartNow();

Q_SIGNALS:
    void StartFinished();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void DeferredStart();
    void AddFile(const QString& file);
    void OpenEntry(const QString& file);
    void RefreshLog();

    TfrmSKYApp* FFrame;
    StartOptions FOptions;
    QStringList FFiles;
    QString FOpened;
    QString FVersionInfo;
    bool FStarted = false;
    QListWidget* FFileList;
    QPlainTextEdit* FLog;
    QComboBox* FTheme;
    QPushButton* FViewer;
    QLabel* FStatus;
    QTimer* FLogTimer;
    ThemeViewerLauncher* FLauncher;
};

} // namespace sky::ui
