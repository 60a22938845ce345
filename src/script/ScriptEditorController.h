// The script processor window without its widgets: the database it runs
// against, the script file and its cached items (the grid and the editor's
// item), the item and file commands, the parameters, the per-script
// settings, the output file and its view, the external change check, and
// the run commands (Run, Step, Run to, Run to End, Stop) over the cache.
//
// Every command that refreshes the grid or replaces the script first stores
// the editor's pending edit; only Reload and Reset discard it.
#pragma once

#include "engine/Database.h"
#include "script/ScriptCache.h"
#include "script/ScriptParams.h"
#include "script/ScriptRunner.h"
#include "support/Settings.h"

#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace sky {

class ClipboardPort;
class DesktopOpener;
class FileChooser;
class ProgressSink;
class Prompter;

inline const QString kScriptCaption = QStringLiteral("Script Editor - Skylark");
inline const QString kAutoScriptName = QStringLiteral("SQLiteAutoScript.sql");
inline const QStringList kResultSeparators = {QStringLiteral("   "),   QStringLiteral(" : "),
                                              QStringLiteral(" | "),   QStringLiteral("  :  "),
                                              QStringLiteral("  .  "), QStringLiteral("   |   "),
                                              QStringLiteral(", "),    QStringLiteral("TAB")};
inline const QStringList kHeaderDividers = {
    QStringLiteral("..."), QStringLiteral("---"), QStringLiteral("___"),
    QStringLiteral("==="), QStringLiteral("***"), QStringLiteral("xxx"),
    QStringLiteral("+++"), QStringLiteral("///"), QStringLiteral("\\\\\\")};

// The help panel of the parameters.
inline const QString kScriptParamsHelpHeader = QStringLiteral("Script Parameters");
inline const QString kScriptParamsHelp = QStringLiteral(
    "Define a script parameter by adding:\n"
    "<@ parName [ DEFAULT parDef ] @>\n"
    "anywhere inside the script text.\n"
    "\"parName\" is reduced to a camel-capped name devoid of whitespace or punctuation.\n"
    "(i.e. \"First name - 23!#\" evaluates to \"FirstName23\")\n"
    "The optional DEFAULT phrase may be added with \"parDef\" indicating the default value.\n"
    "Nesting parameters and not closing <@ with @> is not specifically disallowed (since it may "
    "appear in import text) but may result in undefined behaviour or errors.");

// The per-script settings ("ScriptCfg" + the item table's name).
struct ScriptSettings {
    bool shortQueries = true, fullBlobs = false;
    int statMode = 2, runMode = 0, endMode = 2;
    int maxColWidth = 200, padding = 2, bufferLines = 512;
    QString separator = QStringLiteral("  "), divider = QStringLiteral("---");
    QString paramFile, outFile; // read only; empty: the companions

    static ScriptSettings Read(const SettingList& list);
    void Write(SettingList& list) const;
};
// A text setting as stored: "[" + text + "]" as one CSV field, so outer
// spaces survive; and back.
QString EncodeScriptCfgText(const QString& text);
QString DecodeScriptCfgText(const QString& stored);

// The output view: the last 1 MiB of the file (a first part-line dropped).
QString OutputTail(const QString& file);

struct ScriptGridRow {
    qint64 id = 0;
    int srt = 0, status = 1, logMode = 1;
};

// The grid popup's variable items.
struct ScriptRunPopup {
    bool enabled = false;        // a current item and no run
    QString executeCaption;      // "Exclude / Ignore this Item" or "Include this Item"
    int executeTag = -1;         // -1 or 1
    QString discardCaption;      // for this item
    bool discardEnabled = false; // status other than 1
    bool pasteEnabled = false;   // the clipboard holds text
};

// The statistics panel of the "Run" page.
struct ScriptRunStats {
    QString curItem, result, itemTime, completed, items, size, outSize, started, runTime, queryTime,
        updates, vm, scans, sorts, mods;
};

class ScriptView {
public:
    virtual ~ScriptView() = default;
    // kind 1 information, 2 success, 3 error, other note.
    virtual void SetStatus(const QString& text, int kind) = 0;
    virtual void GridChanged() = 0;                       // rows, selection
    virtual void ShowEditorText(const QString& text) = 0; // modified mark cleared
    virtual QString EditorText() const = 0;
    virtual bool EditorModified() const = 0;
    virtual void ClearEditorModified() = 0;
    virtual void LabelsChanged() = 0; // files, caption, parameters, settings
    virtual void OutputChanged(const QString& text) = 0;
    virtual void ShowPage(int page) = 0; // 0 Script, 1 Run, 2 Output
    virtual void RunChanged() = 0;       // run state and statistics
    // The progress dialog of loads, saves and runs (nullptr: none).
    virtual ProgressSink* StartProgress(const QString& title, bool cancel) = 0;
    virtual void EndProgress(ProgressSink* p) = 0;
    // The window closes once the run it waited for has ended.
    virtual void CloseWhenIdle() = 0;
};

class ScriptEditorController {
public:
    ScriptEditorController(ScriptView& view, Prompter& prompts, FileChooser& files,
                           ClipboardPort& clipboard, DesktopOpener& opener,
                           const QString& cacheFile = ScriptCache::DefaultFile());
    ~ScriptEditorController();

    // --- binding and loading
    bool Init(const QString& dbFile);
    void EditScript(QString file, QString script);
    bool Load(const QString& file);
    QString LastError() const { return FError; }
    bool Ready() const { return FReady; }
    bool CacheReady() const { return FCacheOpen; }
    QString DbFile() const { return FDbFile; }
    QString ScriptFile() const { return FScriptFile; }
    QString OutFile() const { return FOutFile; }
    QString ParamFile() const { return FParamFile; }
    QString Caption() const;
    bool Modified() const;

    // --- the grid and the editor
    const QList<ScriptGridRow>& Rows() const { return FRows; }
    // The row's "Script Items" text (whitespace collapsed, 148 characters).
    QString RowText(int row);
    int SelectedRow() const { return FSelRow; }
    qint64 CurrentItem() const { return FCurItem; }
    void SelectRow(int row);
    // The editor's pending edit into the current item (newSrt > 0 moves it).
    void StorePending(int newSrt = 0);

    // --- item commands
    void NewItem(bool paste);
    void DeleteItem();
    void MoveItem(int direction);
    void ResetItem(bool all);
    void SetLogMode(int tag);
    void CopyItem();
    ScriptRunPopup RunPopup() const;

    // --- file commands
    void Save();
    void SaveAs();
    void Export();
    void Open();
    void OpenFile(QString file);
    void Reload();
    void NewScript(bool fromClipboard);
    // The text of a file for the editor's selection (empty: nothing).
    QString TextFromFile();
    void OpenInEditor();
    void SelectEditor();
    QString ExternalEditor() const { return FExtEditor; }
    void ChooseOutput(const QString& outputText);
    void OpenOutput();
    void CheckExternalChange();
    // Closing: false keeps the window open (cancelled, or waiting for a run).
    bool Close();

    // --- parameters
    const ScriptParamList& Params() const { return FParams; }
    void SetParamValue(const QString& name, const QString& value);
    void CollectParams();

    // --- settings and the run
    ScriptSettings& Settings() { return FCfg; }
    void Run();
    void RunToEnd();
    void Stop();
    bool Running() const { return FRun != nullptr; }
    bool Executing() const { return FExecuting; }
    ScriptRunStats RunStats() const;
    QString RunModeText() const;
    QString EndModeText() const;
    QString RunButtonCaption() const;
    QString RunToEndHint() const;
    // The settings were changed from outside: the window renders them.
    void SettingsChanged() { FView.LabelsChanged(); }
    void CycleRunMode();
    void CycleEndMode();

    // The cache (tests look into it).
    ScriptCache& Cache() { return FCache; }
    TSQLite3Database& Db() { return FDb; }

private:
    void SetStatus(const QString& text, int kind);
    bool OpenConnections();
    int Parse(const QString& file);
    void RefreshGrid();
    void ShowItem(qint64 id);
    bool CommitItems();
    bool SaveScript();
    bool WriteScript(const QString& file, bool withParams, QString& error);
    bool AskSaveFirst(const QString& next);
    void LoadSettings();
    void StoreSettings();
    void LoadParamFile();
    bool WriteParamFile(const QString& file);
    void RefreshOutput();
    bool RefuseWhileRunning();
    void StartRun();
    void RunLoop();
    void EndRun();
    int RunIndexOfSelection() const;

    ScriptView& FView;
    Prompter& FPrompts;
    FileChooser& FFiles;
    ClipboardPort& FClipboard;
    DesktopOpener& FOpener;
    QString FCacheFile;
    ScriptCache FCache;
    TSQLite3Database FDb;
    bool FCacheOpen = false, FReady = false, FModified = false, FExecuting = false,
         FLooping = false, FCloseAfterRun = false;
    QString FDbFile, FFName, FScriptFile, FOutFile, FParamFile, FExtEditor, FError;
    QDateTime FFileTime, FConfirmedTime;
    qint64 FScrSize = 0, FCurItem = -1;
    int FSelRow = -1;
    QList<ScriptGridRow> FRows;
    QHash<qint64, QString> FRowTexts;
    ScriptParamList FParams;
    ScriptSettings FCfg;
    SettingList FCfgList;

    // The run: the items taken (IDs in order), the output written beside
    // the output file until the run ends.
    struct RunState;
    std::unique_ptr<RunState> FRun;
    ScriptRunStats FLastStats;
};

} // namespace sky
