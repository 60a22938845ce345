// The script processor window (TfrmSKYScript): one database, one script
// file whose items live in the script cache; the "Script" page with the item
// grid and the statement editor, the "Run" page with the parameters, run
// options and statistics, and the "Output" page. The state and the commands
// are ScriptEditorController's.
#pragma once

#include "script/ScriptEditorController.h"

#include <QWidget>
#include <memory>

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;
class QsciScintilla;

namespace sky::ui {

class ScriptItemModel;
class TKProgress;
class TScriptRunPage;

class TfrmSKYScript : public QWidget, public ScriptView {
    Q_OBJECT
public:
    // prompts and files: the dialogs (nullptr: the platform's).
    explicit TfrmSKYScript(Prompter* prompts = nullptr, FileChooser* files = nullptr);
    ~TfrmSKYScript() override;

    bool init(const QString& dbFile) { return FCtl->Init(dbFile); }
    void editScript(const QString& scriptFile, const QString& script);
    QString LastError() const { return FCtl->LastError(); }
    ScriptEditorController& Controller() { return *FCtl; }

    // Parts the tests reach.
    QTableView* Grid() const { return sgRun; }
    QsciScintilla* Editor() const { return memSQL; }
    QLabel* Status() const { return lblStatus; }
    QTabWidget* Pages() const { return FPages; }
    QMenu* RunMenu() const { return puRun; }
    QMenu* EditMenu() const { return puEdit; }
    TScriptRunPage* RunPage() const { return FRunPage; }
    QPlainTextEdit* OutputView() const { return memResult; }
    // The popups as they open (their items enabled for the current state).
    void PrepareRunMenu();
    void PrepareEditMenu();

    // ScriptView
    void SetStatus(const QString& text, int kind) override;
    void GridChanged() override;
    void ShowEditorText(const QString& text) override;
    QString EditorText() const override;
    bool EditorModified() const override;
    void ClearEditorModified() override;
    void LabelsChanged() override;
    void OutputChanged(const QString& text) override;
    void ShowPage(int page) override;
    void RunChanged() override;
    ProgressSink* StartProgress(const QString& title, bool cancel) override;
    void EndProgress(ProgressSink* p) override;
    void CloseWhenIdle() override;

protected:
    void closeEvent(QCloseEvent* e) override;
    void changeEvent(QEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QWidget* BuildHeader();
    QWidget* BuildScriptPage();
    QWidget* BuildOutputPage();
    void BuildMenus();

    std::unique_ptr<FileChooser> FOwnFiles;
    std::unique_ptr<ScriptEditorController> FCtl;
    ScriptItemModel* FModel = nullptr;
    bool FShowing = false, FCloseNow = false;
    QTabWidget* FPages = nullptr;
    QLabel *lblDBFile = nullptr, *lblScriptFile = nullptr, *lblOutputFile = nullptr,
           *lblParamsFile = nullptr, *lblStatus = nullptr, *lblRunMode = nullptr,
           *lblEndMode = nullptr;
    QPushButton *btnScriptRun2 = nullptr, *btnRunToEnd2 = nullptr;
    TScriptRunPage* FRunPage = nullptr;
    QTableView* sgRun = nullptr;
    QsciScintilla* memSQL = nullptr;
    QPlainTextEdit* memResult = nullptr;
    QMenu *puRun = nullptr, *puEdit = nullptr;
    QAction *FExecuteAction = nullptr, *FDiscardAction = nullptr, *FPasteAction = nullptr;
};

// Opens a script window on the database with the script file or text (both
// empty: the database's last script). A failed start shows the window with
// the error rather than leaving it hidden.
TfrmSKYScript* OpenScriptWindow(const QString& dbFile, const QString& scriptFile,
                                const QString& script);

} // namespace sky::ui
