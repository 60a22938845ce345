// The overview window (component frmSKYOview), the system's home window: the
// projects and their database files with their status, and the pages for
// searching, the system log, the settings, the file information and the
// SQL documentation. Its state and commands are OverviewController's; this
// class renders them. Its deferred start runs the start-up steps.
#pragma once

#include "shell/Overview.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QSplitter;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;

namespace sky::ui {

class TfrmSKYApp;
class ThemeViewerLauncher;
class QtFileChooser;
class EntryDelegate;

struct StartOptions {
    QStringList params;           // file parameters of the command line
    QString currentDir;           // against which they are made absolute
    bool quitAfterStart = false;  // close again once the window is shown
    QString screenshot;           // when set: the shown window saved as a PNG, then closed
    FileChooser* files = nullptr; // the file dialogs; nullptr: the platform's
};

class TfrmSKYOview : public QMainWindow {
    Q_OBJECT
public:
    TfrmSKYOview(TfrmSKYApp* frame, StartOptions options);
    ~TfrmSKYOview() override;

    QStringList Files() const { return FCtl->Files(); }
    // The file of the workspace opened last while it is open.
    QString OpenedFile() const;
    QString VersionInfo() const { return FVersionInfo; }
    bool Started() const { return FStarted; }
    QComboBox* ThemeBox() const { return FTheme; }
    QPushButton* ThemeViewerButton() const { return FViewer; }
    QListWidget* FileList() const { return lbDBFiles; }
    QTabWidget* Pages() const { return FPages; }
    OverviewController& Controller() { return *FCtl; }
    void ChooseTheme(const QString& name);
    void RestartNow();
    // Redraws the file list from the controller (status words and colours).
    void RefreshFiles();
    // The line shown for an entry ("name.db - ✓", expanded "/folder/name.db --- ✓ Ready").
    QString EntryText(const QString& entry) const;
    // File pane mode: -1 toggle, 0 keep, positive expand, other negative collapse.
    void LayoutFilePane(int mode);
    bool Expanded() const { return FExpanded; }
    QWidget* FilePane() const { return FPane; }
    const QList<QPushButton*>& HeaderButtons() const { return FHeaderButtons; }
    QListWidget* SearchResults() const { return lbSearchResult; }
    // The menus of the file list and of the header "Menu" button.
    void BuildEntryMenu(QMenu& m, const QString& entry);
    void BuildWindowMenu(QMenu& m);
    // Searches of the search page.
    void FindFiles();
    void FindTables(bool inDefinitions);

Q_SIGNALS:
    void StartFinished();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildFilePane(QWidget* pane);
    QWidget* BuildSearchPage();
    QWidget* BuildLogPage();
    QWidget* BuildSettingsPage();
    QWidget* BuildInfoPage();
    QWidget* BuildDocsPage();
    void DeferredStart();
    void ShowInfo(const QString& entry);
    void RefreshLog();
    void StoreSettings();
    WorkspaceHandle* CreateWorkspace();
    QString SelectedEntry() const;
    void OpenSelected(const QString& entry);
    void ShowInFolder(const QString& file);
    void AddProjectDatabases(QMenu& menu);
    void CascadeWindows();
    void SetPaneWidth(int w);
    void RefreshProjects();
    void AddSearchLines(const QStringList& lines);
    void AddSearchLines(const QString& line);
    void RefreshSearchResults();
    void ShowSearchLocation();
    void ShowSearchHelp();
    QStringList SearchLines() const;

    TfrmSKYApp* FFrame;
    StartOptions FOptions;
    std::unique_ptr<FileChooser> FOwnChooser;
    FileChooser* FChooser;
    std::unique_ptr<OverviewController> FCtl;
    QPointer<QWidget> FLastWorkspace;
    QSplitter* FSplit;
    QWidget* FPane;
    QList<QPushButton*> FHeaderButtons;
    QPushButton *btnExpand, *btnProjectDelete, *btnSearchExpand;
    EntryDelegate *FFileDrawing, *FSearchDrawing;
    bool FExpanded = false;
    int FCollapsedWidth = kCollapsedPaneWidth;
    QString FVersionInfo;
    bool FStarted = false;
    QComboBox* cbProjectName;
    QListWidget* lbDBFiles;
    QTabWidget* FPages;
    QComboBox *edtSearchDBText, *edtSearchTableSearch, *edtSearchFieldSearch;
    QLineEdit* edtSearchDBFolder;
    QCheckBox *chkSearchDBInSpecified, *chkSearchDBSubFolders;
    QTabWidget* pgcSearch;
    QPushButton *btnSearchDBGo, *btnSearchTableGo, *btnSearchFieldGo, *btnSearchDBBrowse;
    QComboBox *rgSearchLookIn1, *rgSearchLookIn2;
    QLabel *lblSearchLocation, *lblSearchProjectFolders, *lblSearchH1;
    bool FSearchHelpOpen = false;
    QListWidget* lbSearchResult = nullptr;
    QPlainTextEdit* memLog;
    QComboBox* rgLogKind;
    QLineEdit *edtCfgQryLimit, *edtCfgEdtLimit, *edtCfgNULLVal;
    QSpinBox *seMaxHist, *seMaxExpVals;
    QCheckBox *cbCfgHints, *chkCfgLastDBatTop;
    QComboBox* FTheme;
    QPushButton* FViewer;
    QLabel* FInfo;
    QComboBox* cbDocsSQLItem;
    QLineEdit* edtDocsSearch;
    QLabel* FStatus;
    QTimer* FLogTimer;
    ThemeViewerLauncher* FLauncher;
};

} // namespace sky::ui
