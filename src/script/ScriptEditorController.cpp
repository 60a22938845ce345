// The script processor window's state and commands.
#include "script/ScriptEditorController.h"

#include "engine/FileHeader.h"
#include "engine/Statement.h"
#include "script/OutputTable.h"
#include "script/ScriptLoader.h"
#include "support/Csv.h"
#include "support/Folders.h"
#include "support/Prompter.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QSaveFile>
#include <cstdio>
#include <sqlite3.h>

namespace sky {

namespace {

const QString kRunning = QStringLiteral("A Script is already running");
const QString kSqlFilter = QStringLiteral("SQL files (*.sql);;Text files (*.txt)");

// Plain text as a file: UTF-8 without byte-order mark, written aside and
// renamed.
bool WriteTextFileAtomic(const QString& file, const QString& text, QString* why = nullptr) {
    return WriteFileAtomic(file, text.toUtf8(), why);
}

QString CfgName(const QString& table) {
    return QStringLiteral("ScriptCfg") + table;
}

} // namespace

// --- settings

QString EncodeScriptCfgText(const QString& text) {
    return QuoteCSVValue(QLatin1Char('[') + text + QLatin1Char(']'), u',');
}

QString DecodeScriptCfgText(const QString& stored) {
    QStringList fields;
    SplitCSVLine(stored, fields, u',');
    QString t = fields.isEmpty() ? QString() : fields.first();
    t.remove(u'\r');
    t.remove(u'\n');
    t = TrimText(t);
    if (t.startsWith(u'[') && t.endsWith(u']') && t.size() >= 2) t = t.mid(1, t.size() - 2);
    return t;
}

ScriptSettings ScriptSettings::Read(const SettingList& l) {
    ScriptSettings s;
    s.paramFile = KVGet(l, QStringLiteral("ParamFile"), QString());
    s.outFile = KVGet(l, QStringLiteral("OutFile"), QString());
    s.shortQueries = KVGetBool(l, QStringLiteral("ShortenOutputQueries"), true);
    s.fullBlobs = KVGetBool(l, QStringLiteral("ShowFullBLOBs"), false);
    s.statMode = KVGetInt(l, QStringLiteral("ScriptLogKind"), 2, 0, 3);
    s.runMode = KVGetInt(l, QStringLiteral("ScriptRunMode"), 0, 0, 2);
    s.endMode = KVGetInt(l, QStringLiteral("ScriptEndMode"), 2, 0, 2);
    s.maxColWidth = KVGetInt(l, QStringLiteral("MaxColWidth"), 200, 10, 1024);
    s.padding = KVGetInt(l, QStringLiteral("ColPadding"), 2, 0, 64);
    s.bufferLines = KVGetInt(l, QStringLiteral("BufferLines"), 512, 16, 4096);
    const QString sep = KVGet(l, QStringLiteral("ResultSeparator"), QString());
    if (!sep.isEmpty()) s.separator = DecodeScriptCfgText(sep);
    const QString div = KVGet(l, QStringLiteral("ResultHeaderDivider"), QString());
    if (!div.isEmpty()) s.divider = DecodeScriptCfgText(div);
    return s;
}

void ScriptSettings::Write(SettingList& l) const {
    KVPutBool(l, QStringLiteral("ShortenOutputQueries"), shortQueries);
    KVPutBool(l, QStringLiteral("ShowFullBLOBs"), fullBlobs);
    KVPutNum(l, QStringLiteral("ScriptLogKind"), statMode);
    KVPutNum(l, QStringLiteral("ScriptRunMode"), runMode);
    KVPutNum(l, QStringLiteral("ScriptEndMode"), endMode);
    KVPutNum(l, QStringLiteral("MaxColWidth"), maxColWidth);
    KVPutNum(l, QStringLiteral("ColPadding"), padding);
    KVPutNum(l, QStringLiteral("BufferLines"), bufferLines);
    KVPut(l, QStringLiteral("ResultSeparator"), EncodeScriptCfgText(separator));
    KVPut(l, QStringLiteral("ResultHeaderDivider"), EncodeScriptCfgText(divider));
}

QString OutputTail(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    const qint64 size = f.size(), take = std::min<qint64>(size, 1 << 20);
    f.seek(size - take);
    QByteArray bytes = f.read(take);
    if (take < size) {
        const qsizetype lf = bytes.indexOf('\n');
        if (lf >= 0 && lf < bytes.size() / 2) bytes.remove(0, lf + 1);
    }
    return QString::fromUtf8(bytes) + QStringLiteral("\r\n");
}

// --- the run's state

struct ScriptEditorController::RunState {
    QList<qint64> ids;
    QList<int> logModes, rows;
    int cur = -1, next = 0, runTo = 0, runMode = 0, endMode = 2;
    ScriptRunOptions options;
    ScriptParamList params;
    QString outFile, partFile;
    QFile out;
    ProgressSink* progress = nullptr;
    NullProgress none;
    std::unique_ptr<ScriptRun> run;
    QDateTime started;
};

// --- construction and binding

ScriptEditorController::ScriptEditorController(ScriptView& view, Prompter& prompts,
                                               FileChooser& files, ClipboardPort& clipboard,
                                               DesktopOpener& opener, const QString& cacheFile)
    : FView(view), FPrompts(prompts), FFiles(files), FClipboard(clipboard), FOpener(opener),
      FCacheFile(cacheFile) {
    // The cache opens independently of the database: a missing or locked
    // database still loads and edits.
    QString error;
    FCacheOpen = FCache.Open(FCacheFile, error);
    if (!FCacheOpen) FError = QStringLiteral("Cache Error - ") + error;
    FExtEditor = CfgGet(QStringLiteral("ScriptEditor"), QString());
}

ScriptEditorController::~ScriptEditorController() {
    // A run still open rolls back with its run object.
    FRun.reset();
}

void ScriptEditorController::SetStatus(const QString& text, int kind) {
    FView.SetStatus(text, kind);
    if (FRun && FRun->run) FRun->run->Status(kind, text);
}

QString ScriptEditorController::Caption() const {
    return FScriptFile.isEmpty()
               ? kScriptCaption
               : QStringLiteral("Script Editor  [ ") + FScriptFile + QStringLiteral(" ]");
}

bool ScriptEditorController::Modified() const {
    return FModified || FView.EditorModified();
}

bool ScriptEditorController::RefuseWhileRunning() {
    if (!FRun) return false;
    SetStatus(kRunning, 3);
    return true;
}

bool ScriptEditorController::Init(const QString& dbFile) {
    if (FRun) {
        FError = kRunning;
        return false;
    }
    FError.clear();
    FDb.Close();
    FReady = false;
    const QString file = TrimText(dbFile);
    if (file.isEmpty()) {
        FError = QStringLiteral("Empty Filename");
    } else {
        TSQLite3FileHeader h;
        ReadDBFileHeader(file, h);
        switch (h.Status) {
        case 0:
            FDbFile = file;
            OpenConnections();
            break;
        case 1:
            FError = QStringLiteral("File-Path not found: ") + QFileInfo(file).absolutePath();
            break;
        case 2:
            FError = QStringLiteral("File not found: ") + file;
            break;
        case 3:
            FError = QStringLiteral("File is Locked: ") + file;
            break;
        case -1:
            FError = QStringLiteral("Not a valid SQLite3 file: ") + file;
            break;
        default:
            FError = QStringLiteral("Not a valid SQLite3 file: ") + file;
            break;
        }
    }
    if (FReady)
        SetStatus(QStringLiteral("Database Initialized - Ready."), 2);
    else
        SetStatus(QStringLiteral("Initialization failed: ") + FError, 3);
    FView.LabelsChanged();
    return FReady;
}

bool ScriptEditorController::OpenConnections() {
    if (!FDb.Open(FDbFile, 300000, false, true, false)) {
        FError = FDb.LastError();
        return false;
    }
    FFName = QFileInfo(FDbFile).completeBaseName();
    FReady = FDb.IsOpen() && FCacheOpen;
    if (!FCacheOpen) FError = QStringLiteral("Script Cache not Ready");
    return FReady;
}

void ScriptEditorController::EditScript(QString file, QString script) {
    file = TrimText(file);
    if (file.isEmpty() && TrimText(script).isEmpty())
        file = CfgGet(QStringLiteral("SP") + FFName + QStringLiteral("LastScript"), QString());
    if (TrimText(script).isEmpty())
        script = QStringLiteral(
            "SELECT * FROM Main.sqlite_master; SELECT * FROM \"sqlite_temp_master\" WHERE 1;");
    if (file.isEmpty()) {
        file = QDir(DocumentsDir()).filePath(kAutoScriptName);
        QString why;
        if (!WriteTextFileAtomic(file, script.split(QLatin1Char('\n')).join(QStringLiteral("\r\n")),
                                 &why))
            file = QStringLiteral("*FORCESELECT");
    }
    if (file == QLatin1String("*FORCESELECT"))
        Open();
    else
        Load(file);
}

// --- loading

bool ScriptEditorController::Load(const QString& file) {
    FError.clear();
    if (file.isEmpty()) {
        FError = QStringLiteral("Empty Filename");
    } else if (!QFileInfo(file).isFile()) {
        FError = QStringLiteral("File not found: ") + file;
    } else if (!FCacheOpen) {
        FError = QStringLiteral("Script Cache not Ready");
    }
    if (!FError.isEmpty()) {
        SetStatus(FError, 3);
        return false;
    }
    const QString path = QFileInfo(file).absoluteFilePath();
    const bool current = FCache.IsCurrent(path);
    if (!FScriptFile.isEmpty()) StoreSettings();
    FFileTime = FConfirmedTime = QFileInfo(path).lastModified();
    FScriptFile = path;
    FScrSize = QFileInfo(path).size();
    FCurItem = -1;
    LoadSettings();
    LoadParamFile();
    FView.LabelsChanged();
    bool ok = true;
    if (!current) ok = Parse(path) > 0;
    FSelRow = -1;
    RefreshGrid();
    FModified = false;
    FView.ShowPage(0);
    CollectParams();
    if (ok) CfgPut(QStringLiteral("SP") + FFName + QStringLiteral("LastScript"), path);
    RefreshOutput();
    return ok;
}

int ScriptEditorController::Parse(const QString& file) {
    FScrSize = QFileInfo(file).size();
    ProgressSink* p = FView.StartProgress(QStringLiteral("Loading Script"), false);
    if (p) p->Advance(QStringLiteral("Preparing DB..."), 0.01, 0);
    QString error;
    const int n = FCache.Parse(file, error);
    if (p) FView.EndProgress(p);
    if (n > 0) {
        SetStatus(QStringLiteral("Loaded %1 Script items.").arg(n), 2);
    } else {
        FError = error;
        SetStatus(QStringLiteral("Script Load Error: ") + FError, 3);
    }
    return n;
}

void ScriptEditorController::LoadSettings() {
    FCfgList = SettingList();
    ListLoad(FCfgList, CfgName(ScriptCache::TableName(FScriptFile)));
    FCfg = ScriptSettings::Read(FCfgList);
    FParamFile = FCfg.paramFile.isEmpty() ? ParamFileOf(FScriptFile) : FCfg.paramFile;
    FOutFile = FCfg.outFile.isEmpty() ? OutputFileOf(FScriptFile) : FCfg.outFile;
}

void ScriptEditorController::StoreSettings() {
    if (FScriptFile.isEmpty()) return;
    FCfg.Write(FCfgList);
    ListSave(FCfgList, CfgName(ScriptCache::TableName(FScriptFile)));
}

void ScriptEditorController::LoadParamFile() {
    QString text;
    if (QFileInfo(FParamFile).isFile() && ReadTextFile(FParamFile, text))
        FParams = ScriptParamList::FromLines(SplitListText(text));
    else
        FParams = ScriptParamList();
}

bool ScriptEditorController::WriteParamFile(const QString& file) {
    QString body;
    for (const QString& line : FParams.Lines())
        body += line + QStringLiteral("\r\n");
    return WriteTextFileAtomic(file, body);
}

void ScriptEditorController::CollectParams() {
    if (FRun || !FCacheOpen || FScriptFile.isEmpty()) return;
    ScriptParamList l;
    for (const CacheItem& i : FCache.Items(FScriptFile)) {
        l.AddMarkers(i.sql);
        if (i.sqlEdit != i.sql) l.AddMarkers(i.sqlEdit);
    }
    l.KeepValues(FParams);
    FParams = l;
    FView.LabelsChanged();
}

void ScriptEditorController::SetParamValue(const QString& name, const QString& value) {
    if (FParams.Contains(name)) FParams.Set(name, value);
}

// --- the grid and the editor

void ScriptEditorController::RefreshGrid() {
    FCurItem = -1;
    FRows.clear();
    FRowTexts.clear();
    if (!FCacheOpen || FScriptFile.isEmpty()) {
        SetStatus(QStringLiteral("Script Cache not Ready"), 3);
        FView.GridChanged();
        return;
    }
    std::unique_ptr<TSQLite3Statement> st = FCache.Db().Prepare(
        QStringLiteral("SELECT \"ID\", \"Srt\", \"Status\", \"LogMode\" FROM ") +
        QuoteIdent(ScriptCache::TableName(FScriptFile)) + QStringLiteral(" ORDER BY \"Srt\" ASC;"));
    if (!st) {
        SetStatus(QStringLiteral("Error loading Script Editor: ") + FCache.Db().LastError(), 3);
        FView.GridChanged();
        return;
    }
    while (st->Step() == SQLITE_ROW)
        FRows.append({st->ColumnInt64(0), st->ColumnInt(1), st->ColumnInt(2), st->ColumnInt(3)});
    FView.GridChanged();
    if (!FRows.isEmpty()) SelectRow(std::clamp(FSelRow, 0, int(FRows.size()) - 1));
}

QString ScriptEditorController::RowText(int row) {
    if (row < 0 || row >= FRows.size()) return QString();
    const qint64 id = FRows[row].id;
    auto it = FRowTexts.constFind(id);
    if (it != FRowTexts.constEnd()) return *it;
    // The texts are read as they are shown; the memory holds the visible
    // ones, not the script.
    if (FRowTexts.size() > 2048) FRowTexts.clear();
    std::unique_ptr<TSQLite3Statement> st = FCache.Db().Prepare(
        QStringLiteral("SELECT substr(\"SQLEdit\",1,256) FROM ") +
        QuoteIdent(ScriptCache::TableName(FScriptFile)) + QStringLiteral(" WHERE \"ID\"=?1;"));
    QString text;
    if (st) {
        st->BindInt64(1, id);
        if (st->Step() == SQLITE_ROW) text = st->ColumnText(0);
    }
    text = ShortenAtWord(CollapseWhitespace(text), 148);
    FRowTexts.insert(id, text);
    return text;
}

void ScriptEditorController::ShowItem(qint64 id) {
    QString text;
    std::unique_ptr<TSQLite3Statement> st = FCache.Db().Prepare(
        QStringLiteral("SELECT \"SQLEdit\" FROM ") +
        QuoteIdent(ScriptCache::TableName(FScriptFile)) + QStringLiteral(" WHERE \"ID\"=?1;"));
    if (st) {
        st->BindInt64(1, id);
        if (st->Step() == SQLITE_ROW) text = st->ColumnText(0);
    }
    FView.ShowEditorText(text);
    FCurItem = id;
}

void ScriptEditorController::SelectRow(int row) {
    if (row < 0 || row >= FRows.size()) return;
    if (FCurItem > 0 && row != FSelRow) StorePending();
    if (row >= FRows.size()) row = int(FRows.size()) - 1;
    FSelRow = row;
    if (FRows[row].id > 0) ShowItem(FRows[row].id);
    FView.GridChanged();
}

void ScriptEditorController::StorePending(int newSrt) {
    if (FCurItem <= 0 || !FCacheOpen) return;
    const bool edited = FView.EditorModified();
    if (!edited && newSrt <= 0) return;
    const QString text = FView.EditorText();
    FView.ClearEditorModified();
    QString error;
    const qint64 id = FCurItem;
    bool ok = false;
    if (edited)
        ok = FCache.Store(FScriptFile, id, text, newSrt, error);
    else // only a move: the item keeps its text
        ok = FCache.Move(FScriptFile, id, newSrt, error);
    if (!ok) {
        SetStatus(QStringLiteral("Update Error: ") + error, 3);
        return;
    }
    FModified = true;
    const int keep = FSelRow;
    FRows.clear();
    FSelRow = keep;
    // The grid shows the stored state; the editor keeps what was typed.
    std::unique_ptr<TSQLite3Statement> st = FCache.Db().Prepare(
        QStringLiteral("SELECT \"ID\", \"Srt\", \"Status\", \"LogMode\" FROM ") +
        QuoteIdent(ScriptCache::TableName(FScriptFile)) + QStringLiteral(" ORDER BY \"Srt\" ASC;"));
    FRowTexts.clear();
    if (st)
        while (st->Step() == SQLITE_ROW)
            FRows.append(
                {st->ColumnInt64(0), st->ColumnInt(1), st->ColumnInt(2), st->ColumnInt(3)});
    FView.GridChanged();
}

// --- item commands

void ScriptEditorController::NewItem(bool paste) {
    if (!FCacheOpen || FScriptFile.isEmpty() || RefuseWhileRunning()) return;
    StorePending();
    QString text = paste ? TrimText(FClipboard.Text()) : QString();
    const int row = FRows.isEmpty() ? -1 : std::clamp(FSelRow, 0, int(FRows.size()) - 1);
    const int after = row < 0 ? 0 : FRows[row].srt;
    QString error;
    if (FCache.NewItem(FScriptFile, after, text, error)) {
        FModified = true;
    } else {
        SetStatus(QStringLiteral("Error adding a script item: ") + error, 0);
    }
    FSelRow = row + 1;
    RefreshGrid();
}

void ScriptEditorController::DeleteItem() {
    if (!FCacheOpen || FCurItem <= 0 || RefuseWhileRunning()) return;
    StorePending();
    const qint64 id = FCurItem;
    QString error;
    if (FCache.ToggleDeleted(FScriptFile, id, error))
        FModified = true;
    else
        SetStatus(QStringLiteral("Error changing a script item: ") + error, 0);
    RefreshGrid();
}

void ScriptEditorController::MoveItem(int direction) {
    if (!FCacheOpen || FCurItem <= 0 || FSelRow < 0 || RefuseWhileRunning()) return;
    const int target = std::clamp(FSelRow + direction, 0, int(FRows.size()) - 1);
    if (target == FSelRow) {
        StorePending();
        return;
    }
    if (direction > 0) {
        // Down: the item below moves above this one.
        StorePending();
        const int srt = FRows[FSelRow].srt;
        const qint64 other = FRows[target].id;
        QString error;
        if (!FCache.Move(FScriptFile, other, srt, error))
            SetStatus(QStringLiteral("Sort Error: ") + error, 3);
    } else {
        StorePending(FRows[target].srt);
    }
    FModified = true;
    FSelRow = target;
    RefreshGrid();
}

void ScriptEditorController::ResetItem(bool all) {
    if (!FCacheOpen || (!all && FCurItem <= 0) || RefuseWhileRunning()) return;
    // Reset discards the pending edit.
    FView.ClearEditorModified();
    QString error;
    if (!FCache.Reset(FScriptFile, all ? 0 : FCurItem, error))
        SetStatus(QStringLiteral("Error changing a script item: ") + error, 0);
    RefreshGrid();
}

void ScriptEditorController::SetLogMode(int tag) {
    if (!FCacheOpen || FCurItem <= 0 || FSelRow < 0 || RefuseWhileRunning()) return;
    StorePending();
    const int m = tag % 10;
    const bool every = tag >= 10;
    if (!every && FSelRow < FRows.size() && FRows[FSelRow].logMode == m) return;
    QString error;
    if (!FCache.SetLogMode(FScriptFile, every ? 0 : FCurItem, m, error))
        SetStatus(QStringLiteral("Error changing a script item: ") + error, 0);
    RefreshGrid();
}

void ScriptEditorController::CopyItem() {
    if (FCurItem <= 0) return;
    FClipboard.SetText(FView.EditorText());
}

ScriptRunPopup ScriptEditorController::RunPopup() const {
    ScriptRunPopup p;
    p.enabled = FCacheOpen && FCurItem > 0 && FSelRow >= 0 && FSelRow < FRows.size();
    const ScriptGridRow r = p.enabled ? FRows[FSelRow] : ScriptGridRow();
    p.executeCaption = r.logMode < 0 ? QStringLiteral("Include this Item")
                                     : QStringLiteral("Exclude / Ignore this Item");
    p.executeTag = r.logMode < 0 ? 1 : -1;
    p.discardCaption = r.status > 0 ? QStringLiteral("Undo / Discard changes for this Item")
                                    : QStringLiteral("Reinstate this Item  ( Un-delete )");
    p.discardEnabled = r.status != 1;
    p.pasteEnabled = !FClipboard.Text().isEmpty();
    return p;
}

// --- saving

bool ScriptEditorController::CommitItems() {
    QString error;
    if (!FCache.Commit(FScriptFile, error)) {
        SetStatus(QStringLiteral("Error committing script: ") + error, 0);
        return false;
    }
    return true;
}

bool ScriptEditorController::WriteScript(const QString& file, bool withParams, QString& error) {
    if (!FCacheOpen) {
        error = QStringLiteral("System not Ready");
        return false;
    }
    ProgressSink* p = FView.StartProgress(QStringLiteral("Save Script"), false);
    if (p) p->Advance(QStringLiteral("Reading Script list..."), 0.01, 0);
    const QStringList texts = FCache.SavedTexts(FScriptFile);
    bool ok = false;
    if (texts.isEmpty()) {
        error = QStringLiteral("Nothing to Save");
    } else {
        QByteArray bytes;
        if (ScriptFileText(texts, withParams ? &FParams : nullptr, bytes, &error)) {
            // Written aside and renamed: a failure leaves the old file whole.
            QSaveFile out(file);
            if (!out.open(QIODevice::WriteOnly)) {
                error = QStringLiteral("Could not create Script file: ") + out.errorString();
            } else if (out.write(bytes) != bytes.size() || !out.commit()) {
                error = QStringLiteral("Exception while saving Script: ") + out.errorString();
            } else {
                ok = true;
            }
        }
    }
    if (p) FView.EndProgress(p);
    if (ok)
        SetStatus(QStringLiteral("Success saving Script File."), 2);
    else
        SetStatus(error, 3);
    return ok;
}

bool ScriptEditorController::SaveScript() {
    if (!FCacheOpen || FScriptFile.isEmpty()) return false;
    QString error;
    if (!WriteScript(FScriptFile, false, error)) {
        FError = error;
        return false;
    }
    FModified = false;
    FFileTime = FConfirmedTime = QFileInfo(FScriptFile).lastModified();
    FCache.Touch(FScriptFile);
    if (!FParamFile.isEmpty()) WriteParamFile(FParamFile);
    return true;
}

void ScriptEditorController::Save() {
    if (!FCacheOpen || FScriptFile.isEmpty() || RefuseWhileRunning()) return;
    StorePending();
    FConfirmedTime = QDateTime();
    if (!CommitItems()) return;
    SaveScript();
    RefreshGrid();
}

void ScriptEditorController::SaveAs() {
    if (!FCacheOpen || FScriptFile.isEmpty() || RefuseWhileRunning()) return;
    StorePending();
    QString name = FFiles.SaveFile(QStringLiteral("Save Script As..."), kSqlFilter, FScriptFile,
                                   QStringLiteral("sql"));
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".sql");
    FConfirmedTime = QDateTime();
    if (!CommitItems()) return;
    if (!SaveScript()) {
        RefreshGrid();
        return;
    }
    // The saved script and its parameters under the new name, each written
    // aside and renamed.
    QString why;
    bool ok = QFileInfo(name).absoluteFilePath() == FScriptFile || WriteScript(name, false, why);
    ok = ok && WriteParamFile(ParamFileOf(name));
    if (ok) {
        Load(name);
    } else {
        FPrompts.ShowNotice(QStringLiteral("Save Script As..."),
                            QStringLiteral("Error writing file \"") + name +
                                QStringLiteral("\".\rPlease check folder access and try again..."),
                            9, false);
        RefreshGrid();
    }
}

void ScriptEditorController::Export() {
    if (!FCacheOpen || FScriptFile.isEmpty() || RefuseWhileRunning()) return;
    StorePending();
    const QString name = FFiles.SaveFile(QStringLiteral("Export Script..."), kSqlFilter,
                                         FScriptFile, QStringLiteral("sql"));
    if (name.isEmpty()) return;
    if (!CommitItems()) return;
    QString error;
    if (!WriteScript(name, true, error)) {
        FError = error;
        FPrompts.ShowNotice(QStringLiteral("Export Script..."),
                            QStringLiteral("Error writing file \"") + name +
                                QStringLiteral("\":\r") + FError,
                            9, false);
    }
    RefreshGrid();
}

// --- file commands

bool ScriptEditorController::AskSaveFirst(const QString& next) {
    if (next == FScriptFile || FScriptFile.isEmpty() || !Modified()) return true;
    if (FPrompts.AskYesNo(QStringLiteral("Save Changes..."),
                          QStringLiteral("Save the current script file?\r") + FScriptFile, 30,
                          QStringLiteral("No"), QStringLiteral("Yes")))
        Save();
    return true;
}

void ScriptEditorController::Open() {
    if (RefuseWhileRunning()) return;
    const QString file =
        FFiles.OpenFile(QStringLiteral("Find SQL Script"),
                        QStringLiteral("SQL Text Files (*.sql *.txt);;All Files (*)"),
                        FScriptFile.isEmpty() ? DocumentsDir() : FScriptFile);
    if (!file.isEmpty()) OpenFile(file);
}

void ScriptEditorController::OpenFile(QString file) {
    if (RefuseWhileRunning()) return;
    StorePending();
    // A companion file opens its script.
    const QFileInfo fi(file);
    const QString upper = fi.suffix().toUpper();
    QString candidate;
    if (upper == QLatin1String("TXT")) {
        QString base = file.left(file.size() - 4);
        const QFileInfo b(base);
        candidate = b.suffix().isEmpty()
                        ? base + QStringLiteral(".sql")
                        : base.left(base.size() - b.suffix().size()) + QStringLiteral("sql");
    } else if (upper == QLatin1String("OUTPUT") || upper == QLatin1String("PARAM")) {
        candidate = file.left(file.size() - upper.size()) + QStringLiteral("sql");
    }
    if (!candidate.isEmpty() && QFileInfo(candidate).isFile()) file = candidate;
    const QString path = QFileInfo(file).absoluteFilePath();
    AskSaveFirst(path);
    Load(path);
}

void ScriptEditorController::Reload() {
    if (RefuseWhileRunning() || FScriptFile.isEmpty()) return;
    if (!FPrompts.AskYesNo(QStringLiteral("Reset Script"),
                           QStringLiteral("This will discard all changes since the last Save, Are "
                                          "you sure?"),
                           30, QStringLiteral("No"), QStringLiteral("Yes")))
        return;
    FView.ClearEditorModified();
    FCache.Forget(FScriptFile);
    Load(FScriptFile);
}

void ScriptEditorController::NewScript(bool fromClipboard) {
    if (RefuseWhileRunning()) return;
    StorePending();
    const QString file = QDir(DocumentsDir()).filePath(kAutoScriptName);
    const QString def = QStringLiteral(
        "\r\nSELECT * FROM sqlite_master;\r\nSELECT * FROM \"sqlite_temp_master\" WHERE 1;");
    QString text;
    if (!fromClipboard)
        text = QStringLiteral(" -- New Script - ") +
               QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")) +
               QStringLiteral(" \r\n\r\n") + def;
    else if (!FClipboard.Text().isEmpty())
        text = FClipboard.Text();
    else
        text = QStringLiteral(" -- No Clipboard text found... \r\n") + def;
    const QString path = QFileInfo(file).absoluteFilePath();
    if (path == FScriptFile && Modified()) {
        // Replacing the current, modified automatic script loses its edits
        // unless they are saved first.
        if (!FPrompts.AskYesNo(QStringLiteral("Replace Script..."),
                               QStringLiteral("Replace the current, changed script?\r") + path, 30,
                               QStringLiteral("No"), QStringLiteral("Yes")))
            return;
    } else {
        AskSaveFirst(path);
    }
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(u'\r', u'\n');
    QString why;
    if (!WriteTextFileAtomic(path, lines.split(u'\n').join(QStringLiteral("\r\n")), &why)) {
        SetStatus(why, 3);
        return;
    }
    FView.ClearEditorModified();
    FCache.Forget(path);
    Load(path);
}

QString ScriptEditorController::TextFromFile() {
    const QString file =
        FFiles.OpenFile(QStringLiteral("Add text from file..."),
                        QStringLiteral("SQL Text Files (*.txt *.sql)"), FScriptFile);
    if (file.isEmpty()) return QString();
    const qint64 size = QFileInfo(file).size();
    if (size > 262144) {
        QLocale c(QLocale::C);
        QString kib = QString::number(size / 1024.0, 'f', 1);
        // Digit groups of three separated by a space.
        const qsizetype dot = kib.indexOf(u'.');
        for (qsizetype i = dot - 3; i > 0; i -= 3)
            kib.insert(i, u' ');
        if (!FPrompts.AskYesNo(QStringLiteral("Adding very large Query text..."),
                               QStringLiteral("This file is huge ( ") + kib +
                                   QStringLiteral("KB ), are you sure you want to add it?"),
                               30, QStringLiteral("No"), QStringLiteral("Yes")))
            return QString();
    }
    QString text, why;
    if (!ReadTextFile(file, text, &why)) {
        FPrompts.ShowNotice(QStringLiteral("Could not Add file..."),
                            QStringLiteral("Failed to read File: ") + why, 9, false);
        return QString();
    }
    return text;
}

void ScriptEditorController::OpenInEditor() {
    if (!QFileInfo(FScriptFile).isFile()) return;
    StorePending();
    if (!FExtEditor.isEmpty() && QFileInfo(FExtEditor).isExecutable())
        QProcess::startDetached(FExtEditor, {FScriptFile});
    else
        FOpener.Open(FScriptFile);
}

void ScriptEditorController::SelectEditor() {
    const QString file = FFiles.OpenFile(QStringLiteral("Select the external Editor"),
                                         QStringLiteral("Programs (*)"), FExtEditor);
    if (!file.isEmpty() && QFileInfo(file).isFile()) {
        FExtEditor = file;
        CfgPut(QStringLiteral("ScriptEditor"), file);
    } else if (file.isEmpty() && !FExtEditor.isEmpty() &&
               FPrompts.AskYesNo(QStringLiteral("File search cancelled"),
                                 QStringLiteral("Would you like to remove the current script "
                                                "Editor?\r(") +
                                     FExtEditor + QLatin1Char(')'),
                                 30, QStringLiteral("No"), QStringLiteral("Yes"))) {
        FExtEditor.clear();
        CfgPut(QStringLiteral("ScriptEditor"), QString());
    }
    FView.LabelsChanged();
}

void ScriptEditorController::ChooseOutput(const QString& outputText) {
    const QString file = FFiles.SaveFile(QStringLiteral("Output File"),
                                         QStringLiteral("Text files (*.txt);;All Files (*)"),
                                         FOutFile, QStringLiteral("txt"));
    if (file.isEmpty()) return;
    QString why;
    if (!WriteTextFileAtomic(file, outputText, &why)) {
        FPrompts.ShowNotice(QStringLiteral("Output File Error"),
                            QStringLiteral("Could not write to selected output file: ") + why +
                                QStringLiteral("\rPlease check file name, path and access."),
                            9, false);
        return;
    }
    FOutFile = file;
    FView.LabelsChanged();
}

void ScriptEditorController::OpenOutput() {
    if (QFileInfo(FOutFile).isFile()) FOpener.Open(FOutFile);
}

void ScriptEditorController::RefreshOutput() {
    const QString file = FRun ? FRun->partFile : FOutFile;
    FView.OutputChanged(QFileInfo(file).isFile() ? OutputTail(file) : QString());
}

void ScriptEditorController::CheckExternalChange() {
    if (FScriptFile.isEmpty() || !FConfirmedTime.isValid()) return;
    const QDateTime t = QFileInfo(FScriptFile).lastModified();
    if (!t.isValid() || FFileTime.msecsTo(t) <= 2000) return;
    if (t == FConfirmedTime) return;
    FConfirmedTime = t;
    if (!FPrompts.AskYesNo(QStringLiteral("Script-File updated"),
                           QStringLiteral("This script was updated externally.\rReload?\r(This "
                                          "will discard any changes made here)"),
                           30, QStringLiteral("No"), QStringLiteral("Yes")))
        return;
    if (RefuseWhileRunning()) return;
    FView.ClearEditorModified();
    Load(FScriptFile);
}

bool ScriptEditorController::Close() {
    if (FRun) {
        if (!FPrompts.AskYesNo(QStringLiteral("Script Running"),
                               QStringLiteral("A Script is running.\rStop it (rolling back) and "
                                              "close?"),
                               30, QStringLiteral("No"), QStringLiteral("Yes")))
            return false;
        Stop();
        if (FRun) {
            // An item is executing: the window closes when the run has ended.
            FCloseAfterRun = true;
            return false;
        }
    }
    StorePending();
    StoreSettings();
    if (!FScriptFile.isEmpty() && Modified()) {
        bool cancelled = false;
        const bool yes =
            FPrompts.AskYesNoCancel(QStringLiteral("Save Changes..."),
                                    QStringLiteral("Save the current script file?\r") + FScriptFile,
                                    cancelled, QStringLiteral("No"), QStringLiteral("Yes"), 30);
        if (cancelled) return false;
        if (yes) Save();
    }
    return true;
}

// --- the run

QString ScriptEditorController::RunModeText() const {
    static const QStringList t{"Run", "Step", "Run to"};
    return t.value(FCfg.runMode);
}
QString ScriptEditorController::EndModeText() const {
    static const QStringList t{"Active (Commit)", "Test (Rollback)", "User (Ask)"};
    return t.value(FCfg.endMode);
}
QString ScriptEditorController::RunButtonCaption() const {
    return FCfg.runMode == 0 ? QStringLiteral(" Run Script") : QStringLiteral("  Step");
}
QString ScriptEditorController::RunToEndHint() const {
    static const QStringList t{"Run Script", "Run to End",
                               "Run to next selected Item (if any), or to the end"};
    return t.value(FCfg.runMode);
}
void ScriptEditorController::CycleRunMode() {
    FCfg.runMode = (FCfg.runMode + 1) % 3;
    FView.LabelsChanged();
}
void ScriptEditorController::CycleEndMode() {
    FCfg.endMode = (FCfg.endMode + 1) % 3;
    FView.LabelsChanged();
}

int ScriptEditorController::RunIndexOfSelection() const {
    if (!FRun || FSelRow < 0 || FSelRow >= FRows.size()) return -1;
    return int(FRun->ids.indexOf(FRows[FSelRow].id));
}

void ScriptEditorController::Run() {
    if (FRun) {
        if (FExecuting || FLooping) {
            FPrompts.ShowNotice(QStringLiteral("Execution in Progress"),
                                FRun->cur < FRun->runTo
                                    ? QStringLiteral("Not at the break-point yet, please wait "
                                                     "while executing...")
                                    : QStringLiteral("Please wait for the previous step to "
                                                     "complete..."),
                                9, false);
            return;
        }
        RunLoop();
        RefreshOutput();
        return;
    }
    if (!FReady) {
        SetStatus(QStringLiteral("Script not Started: ") +
                      (FError.isEmpty() ? QStringLiteral("Database not Ready") : FError),
                  3);
        return;
    }
    StorePending();
    StartRun();
    if (FRun) RunLoop();
    RefreshOutput();
}

void ScriptEditorController::RunToEnd() {
    if (!FRun) {
        // No run yet: as Run, to the end.
        if (!FReady) return;
        const int mode = FCfg.runMode;
        FCfg.runMode = 0;
        Run();
        FCfg.runMode = mode;
        return;
    }
    const int y = RunIndexOfSelection();
    const int n = int(FRun->ids.size());
    FRun->runTo = (y > FRun->next && FRun->next >= 0 && y < n) ? y : n + 1;
    Run();
}

void ScriptEditorController::Stop() {
    if (!FRun) return;
    if (FRun->run) FRun->run->Stop();
    if (!FLooping && !FExecuting) {
        RunLoop();
        RefreshOutput();
    }
}

void ScriptEditorController::StartRun() {
    FError.clear();
    auto r = std::make_unique<RunState>();
    r->runMode = FCfg.runMode;
    r->endMode = FCfg.endMode;
    // The run list first: a failed start leaves the previous output alone.
    const int selected = FSelRow;
    for (int k = 0; k < FRows.size(); ++k) {
        const ScriptGridRow& row = FRows[k];
        const int mode = std::clamp(row.logMode, -1, 2);
        if (row.status > 0 && mode >= 0) {
            if (k == selected && r->runMode == 2) r->runTo = int(r->ids.size());
            r->ids << row.id;
            r->logModes << mode;
            r->rows << k;
        }
    }
    if (r->runMode == 1) r->runTo = 0;
    if (r->runMode == 0) r->runTo = int(r->ids.size()) + 1;
    if (r->ids.isEmpty()) {
        FError = QStringLiteral("No Script items to Execute...");
        SetStatus(QStringLiteral("Script not Started: ") + FError, 4);
        FPrompts.ShowNotice(QStringLiteral("Failed to Start"), FError, 9, false);
        return;
    }
    r->outFile = FOutFile;
    r->partFile = FOutFile + QStringLiteral(".part");
    r->out.setFileName(r->partFile);
    if (!r->out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        FError = QStringLiteral("Could not Create Output File: ") + r->out.errorString();
        SetStatus(QStringLiteral("Script not Started: ") + FError, 4);
        FPrompts.ShowNotice(QStringLiteral("Failed to Start"), FError, 9, false);
        return;
    }
    r->params = FParams;
    ScriptRunOptions& o = r->options;
    o.scriptFile = FScriptFile;
    o.endMode = r->endMode == 0 ? 0 : 1;
    o.statMode = FCfg.statMode;
    o.fullQueries = !FCfg.shortQueries;
    o.fullBlobs = FCfg.fullBlobs;
    o.table.maxWidth = FCfg.maxColWidth;
    o.table.padding = FCfg.padding;
    o.table.bufferRows = FCfg.bufferLines;
    o.table.separator = FCfg.separator;
    o.table.divider = FCfg.divider;
    o.programVersion = FileVersionText();
    r->progress = FView.StartProgress(
        QStringLiteral("Running Script \"") + QFileInfo(FScriptFile).fileName() + u'"', true);
    r->run = std::make_unique<ScriptRun>(FDb, r->params, r->out, r->options,
                                         r->progress ? *r->progress : r->none);
    r->started = QDateTime::currentDateTime();
    if (!r->run->Start(int(r->ids.size()))) {
        FError = r->run->Result().error;
        r->run.reset();
        r->out.close();
        QFile::remove(r->partFile);
        if (r->progress) FView.EndProgress(r->progress);
        SetStatus(QStringLiteral("Script not Started: ") + FError, 3);
        FPrompts.ShowNotice(QStringLiteral("Failed to Start"), FError, 9, false);
        return;
    }
    FRun = std::move(r);
    FView.ShowPage(FRun->runMode == 0 ? 2 : 1);
    FView.SetStatus(QStringLiteral("Script Initialized, Started executing..."), 1);
    FView.RunChanged();
}

void ScriptEditorController::RunLoop() {
    if (!FRun || FLooping || FExecuting) return;
    FLooping = true;
    for (;;) {
        RunState& r = *FRun;
        const int v = r.next;
        bool ok = v >= 0 && v < r.ids.size() && r.cur < v;
        if (ok) {
            r.cur = v;
            r.next = v + 1 < r.ids.size() ? v + 1 : -1;
            QString text;
            std::unique_ptr<TSQLite3Statement> st =
                FCache.Db().Prepare(QStringLiteral("SELECT \"SQLEdit\" FROM ") +
                                    QuoteIdent(ScriptCache::TableName(FScriptFile)) +
                                    QStringLiteral(" WHERE \"ID\"=?1;"));
            if (st) {
                st->BindInt64(1, r.ids[v]);
                if (st->Step() == SQLITE_ROW) text = st->ColumnText(0);
            }
            if (r.runMode != 0 || r.next < 0) {
                const int row = r.rows[v];
                if (row != FSelRow && row < FRows.size()) {
                    FSelRow = row;
                    ShowItem(FRows[row].id);
                    FView.GridChanged();
                }
            }
            FExecuting = true;
            ok = r.run->Execute(RunItemText{r.logModes[v], text});
            FExecuting = false;
            FView.RunChanged();
        } else if (r.run->Running() && r.next < 0 && r.cur >= 0) {
            ok = false; // after the last item: the run ends
        }
        if (!FRun) break;
        if (!ok) {
            EndRun();
            break;
        }
        const bool more = FRun->runMode == 0 || FRun->runTo > FRun->ids.size() ||
                          (FRun->next >= 0 && FRun->next < FRun->runTo);
        if (!more) break;
    }
    FLooping = false;
    if (FCloseAfterRun && !FRun) FView.CloseWhenIdle();
}

void ScriptEditorController::EndRun() {
    if (!FRun) return;
    RunState& r = *FRun;
    bool commit = r.endMode == 0;
    if (r.endMode == 2 && r.run->Succeeded() && !FCloseAfterRun)
        commit = FPrompts.AskYesNo(QStringLiteral("Script Success"),
                                   QStringLiteral("The Script completed successfully. Would you "
                                                  "like to commit the changes?"),
                                   30, QStringLiteral("No"), QStringLiteral("Yes"));
    const ScriptRunResult res = r.run->End(commit);
    FLastStats = RunStats();
    FLastStats.completed =
        QDateTime::currentDateTime().toString(QStringLiteral("MMM dd' at 'HH:mm:ss.zzz"));
    r.run.reset();
    r.out.close();
    // The output replaces the output file whatever the outcome.
    if (std::rename(QFile::encodeName(r.partFile).constData(),
                    QFile::encodeName(r.outFile).constData()) != 0)
        SetStatus(QStringLiteral("Could not write the Output File: ") + r.outFile, 3);
    FLastStats.outSize = QString::number(QFileInfo(r.outFile).size());
    if (r.progress) FView.EndProgress(r.progress);
    FRun.reset();
    FView.SetStatus(res.status, res.ok ? 2 : 3);
    if (!res.ok) FPrompts.ShowNotice(QStringLiteral("Failed to Complete"), res.error, 9, false);
    FView.RunChanged();
    RefreshOutput();
}

ScriptRunStats ScriptEditorController::RunStats() const {
    if (!FRun || !FRun->run) return FLastStats;
    const RunState& r = *FRun;
    const ScriptRun& run = *r.run;
    ScriptRunStats s;
    auto when = [](const QDateTime& t) {
        return t.isValid() ? t.toString(QStringLiteral("MMM dd' at 'HH:mm:ss.zzz"))
                           : QStringLiteral("---");
    };
    s.items = QString::number(r.ids.size());
    s.size = QString::number(FScrSize);
    s.outSize = QString::number(QFileInfo(r.partFile).size());
    s.updates = QString::number(run.RowMods());
    s.runTime = ElapsedText(run.ElapsedMs());
    s.queryTime = ElapsedText(run.QueryMs());
    s.started = when(r.started);
    s.completed = QStringLiteral("---");
    if (r.cur >= 0) {
        const ScriptItemStats& it = run.LastItem();
        s.curItem = QString::number(r.cur + 1);
        s.result = it.result == 0   ? QStringLiteral("Pending...")
                   : it.result == 1 ? QStringLiteral("Busy...")
                   : it.result == 2 ? QStringLiteral("Success.")
                                    : it.error + u'.';
        s.sorts = QString::number(it.sorts);
        s.scans = QString::number(it.scans);
        s.vm = QString::number(it.vm);
        s.mods = QString::number(it.mods);
        s.itemTime = ElapsedText(it.totMs);
    }
    return s;
}

} // namespace sky
