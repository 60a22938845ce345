// The query pop-out window without its widgets: one SQL text and its result
// lines, detached from the workspace that opened it. It holds only a weak
// handle on the connection: after the workspace closed, a run reports that
// it is not connected. The copies and saves work on the result lines (CSV,
// the first line the headings). The editors' comment command is here too.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace sky {

class CompletionModel;
class TSQLite3Database;

// The workspace's connection as the pop-outs see it: it lives as long as
// the workspace and is gone (the weak handles expire) once it closes. The
// workspace's completion vocabulary goes with it to the windows it opens.
struct ConnectionHandle {
    TSQLite3Database* db = nullptr;
    const CompletionModel* completion = nullptr;
};
// The owner of a connection registers it and keeps the handle while the
// connection lives; windows opened on the connection find it by its address.
std::shared_ptr<ConnectionHandle> RegisterConnection(TSQLite3Database* db);
std::weak_ptr<ConnectionHandle> ConnectionOf(const TSQLite3Database* db);

inline const QString kPopOutOpened = QStringLiteral("SQL Query Opened.");
inline const QString kPopOutQuerying = QStringLiteral("Querying...");
inline const QString kPopOutSuccess = QStringLiteral("Query Success.");
inline const QString kPopOutNoQuery = QStringLiteral("No Query.");
inline const QString kPopOutNotConnected =
    QStringLiteral("Not connected: the database window of this query was closed.");
inline const QString kPopOutStatusHint = QStringLiteral("Execution Status result of last Query");
inline const QString kPopOutSaveTitle = QStringLiteral("Export data to...");

// The opening rule: a connection without an open transaction, and SQL.
bool PopOutOpens(const TSQLite3Database* db, const QString& sql);
// "SQL Query [" + the first 50 characters + "...]".
QString PopOutCaption(const QString& sql);

// The editor after a comment command on [selStart, selEnd): the whole text
// and the selection. Without a selection the current line is taken; up to
// two trailing line-break characters are left out of a selection. Line
// comments put "--" before every non-blank line; a block puts a line "/*"
// before and a line "*/" after; removal takes those marks away.
struct CommentEdit {
    QString text;
    qsizetype selStart = 0, selEnd = 0;
    bool keepSelection = false;
};
CommentEdit CommentSelection(const QString& text, qsizetype selStart, qsizetype selEnd, bool block,
                             bool add);

enum class PopOutCopy { Csv, Excel, Xml, Json };
enum class PopOutSave { Csv, Xml, Json };

class QueryPopOut {
public:
    QueryPopOut(std::weak_ptr<ConnectionHandle> db, const QString& sql, QStringList lines);
    // No result lines were given: the window runs the query itself.
    bool RunsFirst() const { return FRunFirst; }
    const QString& Sql() const { return FSql; }
    // The workspace's connection while it lives, else null.
    const TSQLite3Database* Database() const {
        const auto h = FDb.lock();
        return h ? h->db : nullptr;
    }
    void SetSql(const QString& sql) { FSql = sql; }
    const QStringList& Lines() const { return FLines; }
    const QString& Status() const { return FStatus; }
    // "  Query": the lines emptied, the query run through the connection.
    // False with the reason in the status.
    bool Run();
    // The copy text of a kind; empty (and the status says why) without rows.
    QString CopyText(PopOutCopy kind);
    // The save dialog's filter and default extension.
    static QString SaveFilter(PopOutSave kind);
    static QString SaveSuffix(PopOutSave kind);
    // The lines saved as UTF-8 (with a byte-order mark), all or nothing;
    // a CSV save needs a data line. False with the reason in the status.
    bool Save(PopOutSave kind, const QString& file);

private:
    std::weak_ptr<ConnectionHandle> FDb;
    QString FSql;
    QStringList FLines;
    QString FStatus = kPopOutOpened;
    bool FRunFirst = false;
};

} // namespace sky
