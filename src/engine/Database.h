// TSQLite3Database: the one object through which the system talks to an
// SQLite database file. It wraps one engine connection and adds a busy flag
// that refuses re-entrant use, LastError/last-query texts, explicit
// transactions, single- and multi-statement execution, single-result
// queries, statistics with a progress callback, update notifications and the
// script splitter. Operations never throw: they return a Boolean, a count or
// a value and leave the reason in LastError().
//
// Re-entrance: SQLite must not be re-entered from its own progress handler.
// IsBusy() is true while a locking operation runs or while any call into the
// engine is in progress; everything that would touch the engine refuses then.
// A Close() requested while busy interrupts the running statement and is
// carried out when the operation returns.
#pragma once

#include "engine/Identifiers.h"
#include "support/HeldFiles.h"

#include <QIODevice>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

struct sqlite3;

namespace sky {

// Date-times are day counts with fraction (as the platform date-time type).
using TDateTime = double;
TDateTime NowDateTime();

struct TSQliteSysStats {
    bool statsCompleted = false;
    qint64 memUsed = 0;
    qint64 memAllocations = 0;
    qint64 memCacheUsed = 0;
    qint64 memSchemas = 0;
    qint64 memStatement = 0;
    qint64 totRowModsToDate = 0;
    qint64 totSessionQueries = 0;
    qint64 totQueriesSinceReset = 0;
    qint64 cacheCommits = 0;
    TDateTime timeSessionStart = 0;
    TDateTime timeElapsed = 0;
};

struct TSQLiteSubQStats {
    TDateTime timeQueryStart = 0;
    TDateTime timeElapsedTot = 0;
    TDateTime timeElapsedPrepare = 0;
    TDateTime timeElapsedQry = 0;
};

class TSQLite3Statement;
class TSQLite3BlobHandler;
class TextFileReader;
class ExportOut;
class TSQLite3Database;

struct TSQliteQueryStats {
    TSQLite3Statement* SQLStateMent = nullptr;
    bool statsCompleted = false;
    quint8 allowingProgress = 0;
    qint32 QryLevel = 0;
    qint64 totRowModsThisQuery = 0;
    qint64 totResultRows = 0;
    qint64 totResultCols = 0;
    qint32 totTableScanSteps = 0;
    qint32 totSortOps = 0;
    qint32 totAutoAssistIndexRows = 0;
    qint32 totVMWorkDoneSteps = 0;
    TSQLiteSubQStats tMain;
    TSQLiteSubQStats tSub;
};

using TBackupProgressCallback =
    std::function<void(TSQLite3Database* Sender, qint64 iDone, qint64 iTotal, bool& cancelled)>;

struct TSQliteProgStats {
    quint8 AllowProgress = 0;
    quint8 ProgressActive = 0; // 0 idle, 1 starting, 2 running, 3 finishing
    qint64 VMStepInterval = 64;
    qint64 VMCurSteps = 0;
    qint64 VMNextTarg = 0;
    qint64 OpCurrent = 0;
    qint64 OpTarget = 0;
    qint64 PError = 0; // 1 handler raised, 4 handler cancelled
    TBackupProgressCallback PHandler;
};

struct TSQlite3CallbackClass;
using TSQLiteUpdateCallback = std::function<void(TSQlite3CallbackClass* Sender)>;

// One update-notification registration.
struct TSQlite3CallbackClass {
    qint32 UpdCount = 0;
    qint32 UpdKind = 0;
    qint64 rowID = 0;
    QString DB;
    QString Table;
    TSQLite3Database* SQLDB = nullptr;
    TSQLiteUpdateCallback Callback;
    const void* Owner = nullptr; // identifies the registrant for UnhookDBUpdates
};

enum TSQLiteExportOperation { seoINSERT, seoREPLACE, seoUPDATE, seoTABLE };
enum TSQLiteExportLanguage { selSQLite, selMySQL, selPostGres, selOracle, selMSSQL };

struct TSQLiteColumnMetaData {
    bool isValidTable = false;
    bool isValidColumn = false;
    bool isNotNull = false;
    bool isPrimaryKey = false;
    bool isAutoInc = false;
    QString sDataType;
    QString sCollation;
};

// Statement texts produced by the splitter.
using TSQLiteStatementArray = QStringList;

// Engine virtual-machine instructions between two progress callbacks.
constexpr int ProgressStepInterval = 64;
// Default memory limit of result readers (memLimit < 0).
constexpr qint64 kDefaultMemLimit = 16777216;

// The list form of an exporter's text: one entry per CR LF line.
QStringList SplitExportLines(const QString& text);

// The process-wide NULL display text ("NULL" unless the settings change it).
QString NullDisplayText();
void SetNullDisplayText(const QString& text);

class TResultTable;
class RowSink;
enum class SizeStop;

class TSQLite3Database {
public:
    TSQLite3Database();
    ~TSQLite3Database();
    TSQLite3Database(const TSQLite3Database&) = delete;
    TSQLite3Database& operator=(const TSQLite3Database&) = delete;

    // --- life cycle
    bool Open(const QString& sFileName, int msTimeOut = 0, bool bReadOnly = false,
              bool bFailIfNotExist = false, bool bSharedCache = false);
    void Close();
    bool IsOpen() const { return FHandle != nullptr && !FCloseRequested; }
    bool IsBusy() const { return FLocked || FEngineDepth > 0; }

    QString LastError() const { return FLastErr; }
    QString LastQuery() const { return FLastQry; }
    qint64 LastInsertRowID();
    QString SQLiteVersion() const;
    QString SQLiteSoftwVersion() const;

    // The figures after the last operation; the schema's memory is measured
    // here, when asked (measuring walks the whole schema).
    const TSQliteSysStats& StatsSystem() const;
    const TSQliteQueryStats& StatsQuery() const { return FStats; }
    const TSQliteProgStats& ProgressState() const { return FProgress; }
    QString FileName() const { return FFile; }
    sqlite3* Handle() const { return FHandle; }
    bool TransactionOpen() const { return FTransactionOpen; }
    // True (and the transaction counted as ended) when the engine itself has
    // rolled back the open transaction, as an interrupted statement makes it.
    bool EndAbandonedTransaction();
    bool IntFuncsOk() const { return FIntFuncsOk; }

    // --- execution
    bool Execute(const QString& SQL);
    bool ExecuteBonded(const QString& SQL, const QStringList* csvLinesReplacingQuestionmarks);
    bool ExecuteList(const QString& SQLScript);
    bool ExecuteList(const QStringList& SQLScript);
    // The script read from the file piece by piece as it runs, so memory
    // does not grow with its size. A failed read stops it with the reason.
    bool ExecuteList(TextFileReader& Script);
    bool ExecuteTransacted(const QString& SQLScript, bool bSuppressForeignKeys);
    bool ExecuteTransacted(const QStringList& SQLScript, bool bSuppressForeignKeys);
    // Returns nullptr when the engine produced no statement (empty text,
    // comment only, or an error, which is then in LastError()).
    std::unique_ptr<TSQLite3Statement> Prepare(const QString& SQL);
    bool BeginTransaction();
    bool Commit();
    bool Rollback();
    bool SetForeignKeys(bool bNewState);
    bool CheckForeignKeys(bool& bFKeyState);

    // --- single-result queries
    // Every row of SQL with its columns as text (NULL as empty). No busy
    // test: for readers of the catalogue that run between operations.
    bool QueryTextRows(const QString& SQL, QList<QStringList>& Rows);
    bool QuerySingleColumn(QStringList& ColValues, const QString& SQL, int memLimit,
                           bool bConvertBlobs);
    bool QuerySingleColumn(QStringList& ColValues, const QString& refTable,
                           const QString& refColumn, const QString& whereClause, int memLimit,
                           bool bConvertBlobs);
    bool QuerySingleValue(QString& SingleValueResult, const QString& SQL);
    bool QuerySingleRecord(QStringList& RowValues, const QString& SQL, bool bConvertBlobs);
    bool QuerySingleRecProps(QStringList& Properties, const QString& SQL, bool UpCasePropertyNames,
                             bool bConvertBlobs);

    // --- result exporters
    bool QueryToCSVStream(QIODevice* Results, const QString& SQL, bool NoLineBreaks, bool NoHeaders,
                          int memLimit, int addLineNos, bool bConvertBlobs);
    bool QueryToCSV(QString& Results, const QString& SQL, bool NoLineBreaks, bool NoHeaders,
                    int memLimit, int addLineNos, bool bConvertBlobs);
    bool QueryToCSV(QStringList& Results, const QString& SQL, bool NoLineBreaks, bool NoHeaders,
                    int memLimit, int addLineNos, bool bConvertBlobs);
    bool QueryToJSONStream(QIODevice* Results, const QString& SQL, int memLimit,
                           bool bConvertBlobs);
    bool QueryToJSON(QString& Results, const QString& SQL, int memLimit, bool bConvertBlobs);
    bool QueryToJSON(QStringList& Results, const QString& SQL, int memLimit, bool bConvertBlobs);
    bool QueryToXMLStream(QIODevice* Results, const QString& SQL, int memLimit, bool bConvertBlobs);
    bool QueryToXML(QString& Results, const QString& SQL, int memLimit, bool bConvertBlobs);
    bool QueryToXML(QStringList& Results, const QString& SQL, int memLimit, bool bConvertBlobs);
    bool QueryToSQLStream(QIODevice* Results, const QString& SQL,
                          TSQLiteExportOperation exportOperation, TSQLiteExportLanguage exportLang,
                          const QString& exportTableName, int valueRowsPerInsert, int memLimit);
    bool QueryToSQL(QString& Results, const QString& SQL, TSQLiteExportOperation exportOperation,
                    TSQLiteExportLanguage exportLang, const QString& exportTableName,
                    int valueRowsPerInsert, int memLimit);
    bool QueryToSQL(QStringList& Results, const QString& SQL,
                    TSQLiteExportOperation exportOperation, TSQLiteExportLanguage exportLang,
                    const QString& exportTableName, int valueRowsPerInsert, int memLimit);

    // --- schema introspection
    int EnumTableNames(QStringList& Results);
    int EnumColumns(QStringList& Results, const QString& TableName, bool InclHeader);
    int EnumColNames(QStringList& Results, const QString& TableName);
    QString GetPrimaryKeyFields(const QString& TableName, const QString& DBName);
    // The unquoted primary-key columns in key order.
    QStringList PrimaryKeyColumns(const QString& TableName, const QString& DBName);
    bool TableExists(const QString& TableName, const QString& Database);
    bool ViewExists(const QString& ViewName, const QString& Database);
    TSQLiteColumnMetaData ColMetaData(const QString& sTableName, const QString& sColName,
                                      const QString& sDBName);
    bool QueryTypeAffinities(QStringList& FieldAffinities, const QString& SQL);
    // The rows of a query as typed cells with the CSV export's texts, up to
    // the CSV size limit (memLimit < 0: the default); addLineNos >= 0 adds
    // the line-number column starting there.
    bool QueryToResults(TResultTable& Results, const QString& SQL, int memLimit, int addLineNos);
    QString QualifiedTableName(const QString& fullName) const;
    QString makeValidTableName(const QString& suggestedName, const QString& dbSchema,
                               bool bAllowExistingName);

    // --- database and table scripts, backup
    // A script that recreates the main database (schema, rows, views,
    // triggers, sequence counters, pragmas); INSERTs hold rows until their
    // text reaches QuerySize characters. The file form replaces DestFile.
    bool ExportDBScript(QIODevice* DestStream, int QuerySize, bool InclData);
    bool ExportDBScript(const QString& DestFile, int QuerySize, bool InclData);
    bool ExportTableScript(const QString& TableName, QIODevice* DestStream, int QuerySize,
                           bool InclData);
    // Copies schema SourceDBName (default main) into TargetDBName (default
    // main) of DestFile with the engine's online backup, 512 pages a step.
    bool BackupDB(const QString& DestFile, TBackupProgressCallback onProgressCallback,
                  const QString& SourceDBName, const QString& TargetDBName);

    // --- table restructure and record writers
    // Rebuilds TableName from "name,type,key" lines (key PRI... marks the
    // primary key) keeping the rows of the columns that stay; Indices lines
    // describe the indexes to create. One transaction; ChgCount stays 0.
    bool UpdateStructure(const QStringList& StructData, const QStringList& Indices,
                         const QString& TableName, int& ChgCount, bool AllowRemoveFields);
    // Header line plus data lines into TableName through one INSERT OR
    // <conflict word>; blank lines are removed from CSVData.
    bool UpdateFromCSV(QStringList& CSVData, const QString& TableName, int& ChgCount,
                       TConflictHandler onKeyFieldExists, QChar sDelim);
    bool InsertRecFromPropList(const QStringList& Properties_NameValuePair_List,
                               const QString& TableName);
    bool ReplaceRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                const QString& TableName);
    bool UpdateRecFromPropList(const QStringList& Properties_NameValuePair_List,
                               const QString& TableName, const QString& WhereClause);

    // --- progress, notifications, extensions, memory
    void SetProgressHandler(TBackupProgressCallback ProgressHandler);
    // The engine's progress checks (every few steps of a statement) off for
    // work nobody watches or cancels, and on again; SetProgressHandler turns
    // them on.
    void SetProgressChecks(bool on);
    // The SQL function load_extension() on for a statement the user runs
    // himself, and off again (LoadExtension keeps the C interface on).
    void SetExtensionSql(bool on);
    // Registrations are identified by `owner` (any non-null address).
    bool HookDBUpdates(const void* owner, TSQLiteUpdateCallback HookProc, const QString& TableName,
                       const QString& DBName);
    bool UnhookDBUpdates(const void* owner);
    bool LoadExtension(const QString& sFileName, const QString& wEntryPoint);
    bool ReleaseMem();
    void StatResetSysCounts() { FSysStats.totQueriesSinceReset = 0; }

    // --- script splitter
    // Number of statements stored in SL. The unfinished tail of the script
    // (an open quote, comment, bracket or trigger body at its end), which is
    // not stored, is handed back through discardedTail when given, and
    // LastError then says the script is incomplete.
    int SQLReduceToStatements(const QString& sql, TSQLiteStatementArray& SL, bool bRemWhSpc,
                              QString* discardedTail = nullptr);
    QString SQLReduceStatementToStr(const QString& sql);
    int SQLReduceToLines(const QString& sql, QStringList& ResultLines, bool bClearFirst);

    // --- blobs
    std::unique_ptr<TSQLite3BlobHandler> BlobOpen(const QString& DB, const QString& Table,
                                                  const QString& Column, qint64 RowID,
                                                  bool WriteAccess);
    bool BlobRead(const QString& DB, const QString& Table, const QString& BlobField,
                  const QString& IDField, const QString& RecIDVal, QIODevice* BlobStream);
    bool BlobWrite(const QString& DB, const QString& Table, const QString& BlobField,
                   const QString& IDField, const QString& RecIDVal, QIODevice* BlobStream);

    // --- shared with statements, blob handlers and the other engine modules
    bool CheckConnected();
    bool CheckResult(int rc);
    void SetError(const QString& msg);
    void ClearError() { FLastErr.clear(); }
    // Runs text with sqlite3_exec without touching the busy flag.
    bool ExecSQL(const QString& SQL);
    void SetLastQuery(const QString& SQL);
    // Delivers pending update notifications (after a statement, never inside).
    void DispatchUpdates();

private:
    friend class TSQLite3Statement;
    friend class TSQLite3BlobHandler;
    friend class EngineCall;
    friend int EngineProgressCallback(void*);
    friend void EngineUpdateHook(void*, int, const char*, const char*, long long);
    friend class OperationGuard;

    void Lock() { FLocked = true; }
    void Unlock();
    void DoClose();
    void FinishDeferredClose();
    void ResetStats();
    void StatsBegin();
    void StatsPrepared(TSQLite3Statement* stmt);
    void StatsEnd();
    void RefreshMemStats();
    // Runs the progress step; false means the running statement must stop.
    bool ProgressStep();
    bool ExecuteListGuarded(QStringView text, TextFileReader* reader);
    bool ExecuteListImpl(QStringView text, TextFileReader* reader);
    bool ExecuteTransactedImpl(const QString& SQLScript);
    // Tables by the bytes of their names, which need not be valid UTF-8.
    bool ExportTableScriptImpl(const QByteArray& TableName, ExportOut& out, int QuerySize,
                               bool InclData);
    bool ExportTableRows(const QByteArray& name, ExportOut& out, int QuerySize);
    bool RecordWrite(const QString& SQL);
    bool ObjectExists(const QString& Name, const QString& Database, const char* type);
    bool NameInUse(const QString& name, const QString& dbSchema);
    qint64 LookupBlobRowId(const QString& Table, const QString& IDField, const QString& RecIDVal);
    void RemoveStatement(TSQLite3Statement* s);
    void RemoveBlobHandler(TSQLite3BlobHandler* b);
    // Adds the counters of the statement the statistics follow, while it lives.
    void StatsHarvest(TSQLite3Statement* stmt);
    // The one row loop (Operation.h): prepares SQL (text, or UTF-8 bytes that
    // need not be valid UTF-8), steps it and hands the rows to the sink up to
    // the size limit (limit > 0, by the stop rule); keeps the progress figures
    // and the result statistics and flushes the sink. Runs inside an
    // operation's statistics bracket.
    bool ReadRows(const QString& SQL, qint64 limit, SizeStop stop, RowSink& sink);
    bool ReadRows(const QByteArray& SQLUtf8, qint64 limit, SizeStop stop, RowSink& sink);
    bool ReadPrepared(TSQLite3Statement* stmt, qint64 limit, SizeStop stop, RowSink& sink);

    bool FLocked = false;
    sqlite3* FHandle = nullptr;
    QString FFile;
    QString FLastErr;
    QString FLastQry;
    std::vector<TSQLite3Statement*> FStatementList;
    std::vector<TSQLite3BlobHandler*> FBlobHandlerList;
    bool FTransactionOpen = false;
    bool FIntFuncsOk = false;
    mutable TSQliteSysStats FSysStats;
    TSQliteQueryStats FStats;
    TSQliteProgStats FProgress;
    int FEngineDepth = 0;         // calls into the engine in progress
    bool FCloseRequested = false; // Close() arrived while busy

    // Tells the rest of the program which files this connection holds.
    class Holder : public FileHolder {
    public:
        explicit Holder(const TSQLite3Database* db) : FDb(db) {}
        QList<QByteArray> HeldFiles() const override;

    private:
        const TSQLite3Database* FDb;
    };
    Holder FHolder{this};
};

// Marks a call into the engine for the busy test; a deferred close is carried
// out when the outermost call returns outside a locking operation.
class EngineCall {
public:
    explicit EngineCall(TSQLite3Database* db) : FDb(db) { ++FDb->FEngineDepth; }
    ~EngineCall();
    EngineCall(const EngineCall&) = delete;
    EngineCall& operator=(const EngineCall&) = delete;

private:
    TSQLite3Database* FDb;
};

} // namespace sky
