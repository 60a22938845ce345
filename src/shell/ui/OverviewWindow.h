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

struct StartOptions {
    QStringList params;          // file parameters of the command line
    QString currentDir;          // against which they are made absolute
    bool quitAfterStart = false; // close again once the window is shown
    QString screenshot;          // when set: the shown window saved as a PNG, then closed
};

class TfrmSKYOview : public QMainWindow {
    Q_OBJECT
public:
    TfrmSKYOview(TfrmSKYApp* frame, StartOptions options);
    ~TfrmSKYOview() override;

    QStringList Files() const { return FCtl->Files(); }
    QString OpenedFile() const { return FOpened; }
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
    // The line shown for an entry ("name.db --- ✓ Ready" ...).
    QString EntryText(const QString& entry) const;
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
    bool OpenWorkspace(const QString& file, const QString& table);
    QString SelectedEntry() const;

    TfrmSKYApp* FFrame;
    StartOptions FOptions;
    std::unique_ptr<QtFileChooser> FChooser;
    std::unique_ptr<OverviewController> FCtl;
    QString FOpened;
    QString FVersionInfo;
    bool FStarted = false;
    QComboBox* cbProjectName;
    QListWidget* lbDBFiles;
    QTabWidget* FPages;
    QComboBox *edtSearchDBText, *edtSearchTableSearch, *edtSearchFieldSearch;
    QLineEdit* edtSearchDBFolder;
    QCheckBox *chkSearchDBInSpecified, *chkSearchDBSubFolders;
    QListWidget* lbSearchResult;
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
    QList<QPointer<QWidget>> FWorkspaces;
};

} // namespace sky::ui
