// The overview window (component frmSKYOview), the system's home window: the
// projects and their database files with their status, and the pages for
// searching, the system log, the settings, the file information and the
// SQL documentation. Its state and commands are OverviewController's; this
// class implements OverviewView, lays out the file pane (FilePane.cpp) and
// the pages (SearchPage.cpp, LogPage.cpp, OverviewSettingsPage.cpp) and
// renders what the controller says changed. Its deferred start runs the
// controller's start sequence.
#pragma once

#include "shell/Overview.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <memory>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QSplitter;
class QTabWidget;
class QTimer;

namespace sky::ui {

class TfrmSKYApp;
class QtFileChooser;
class TFilePane;
class TSearchPage;
class TLogPage;
class TOverviewSettingsPage;

struct StartOptions {
    QStringList params;               // file parameters of the command line
    QString currentDir;               // against which they are made absolute
    bool quitAfterStart = false;      // close again once the window is shown
    QString screenshot;               // when set: the shown window saved as a PNG, then closed
    FileChooser* files = nullptr;     // the file dialogs; nullptr: the platform's
    WorkspaceFactory workspaces = {}; // makes the workspace windows; none: files are not opened
    // Opens the script processor on a database file; none: its item is disabled.
    std::function<void(const QString& dbFile)> scripts = {};
    // Opens the documentation window on a database file; none: its item is disabled.
    std::function<void(const QString& dbFile)> docs = {};
};

class TfrmSKYOview : public QMainWindow, public OverviewView {
    Q_OBJECT
public:
    TfrmSKYOview(TfrmSKYApp* frame, StartOptions options);
    ~TfrmSKYOview() override;

    QStringList Files() const { return FCtl->Files(); }
    // The file of the workspace opened last while it is open.
    QString OpenedFile() const;
    QString VersionInfo() const { return FCtl->VersionInfo(); }
    bool Started() const { return FStarted; }
    QComboBox* ThemeBox() const;
    QPushButton* ThemeViewerButton() const;
    QListWidget* FileList() const;
    QTabWidget* Pages() const { return FPages; }
    OverviewController& Controller() { return *FCtl; }
    void ChooseTheme(const QString& name);
    void RestartNow();
    // Redraws the file list and the search results from the controller.
    void RefreshFiles();
    // The line shown for an entry ("name.db - ✓", expanded "/folder/name.db --- ✓ Ready").
    QString EntryText(const QString& entry) const;
    // File pane mode: -1 toggle, 0 keep, positive expand, other negative collapse.
    void LayoutFilePane(int mode);
    bool Expanded() const { return FExpanded; }
    QWidget* FilePane() const;
    const QList<QPushButton*>& HeaderButtons() const;
    QListWidget* SearchResults() const;
    // The menus of the file list and of the header "Menu" button.
    void BuildEntryMenu(QMenu& m, const QString& entry);
    void BuildWindowMenu(QMenu& m);
    // Searches of the search page.
    void FindFiles();
    void FindTables(bool inDefinitions);

    // OverviewView
    void ProjectsChanged() override;
    void FilesChanged() override;
    void BringToFront() override;
    void ShowInFolder(const QString& file) override;
    void ShowPopOuts(bool shown) override;
    void FreePopOuts() override;
    ProgressSink* StartProgress(const QString& title, bool canCancel) override;
    void EndProgress(ProgressSink* p) override;
    void ShowSettings(const OverviewSettings& s) override;
    void ApplyTooltips(bool on) override;
    void LetEventsRun() override;
    void ShowVersionInfo(const QString& info, const QString& sourceId) override;
    void ShowCaption(const QString& caption) override;
    void SearchForDatabases() override;

Q_SIGNALS:
    void StartFinished();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildPages();
    QWidget* BuildInfoPage();
    QWidget* BuildDocsPage();
    void ConnectFilePane();
    void DeferredStart();
    void FinishStart();
    void ShowInfo(const QString& entry);
    void StoreSettings();
    void CascadeWindows();
    void SetPaneWidth(int w);

    TfrmSKYApp* FFrame;
    StartOptions FOptions;
    std::unique_ptr<FileChooser> FOwnChooser;
    FileChooser* FChooser;
    std::unique_ptr<OverviewController> FCtl;
    QPointer<QWidget> FLastWorkspace;
    QSplitter* FSplit;
    TFilePane* FPane;
    QTabWidget* FPages;
    TSearchPage* FSearch;
    TLogPage* FLog;
    TOverviewSettingsPage* FSettings;
    QLabel *FInfoName, *FInfoFolder;
    QFormLayout* FInfoForm;
    QComboBox* cbDocsSQLItem;
    QLineEdit* edtDocsSearch;
    QLabel* FStatus;
    QTimer* FLogTimer;
    bool FExpanded = false;
    bool FStartExpanded = false; // the stored pane state, applied once the window is shown
    int FCollapsedWidth = kCollapsedPaneWidth;
    bool FStarted = false;
};

} // namespace sky::ui
