#include "shell/InfoPages.h"

#include <QFileInfo>
#include <QUrl>

namespace sky {
namespace {

const char* const kDocs[][2] = {
    {"ALTER TABLE", "lang_altertable.html"},
    {"ANALYZE", "lang_analyze.html"},
    {"ATTACH DATABASE", "lang_attach.html"},
    {"BEGIN TRANSACTION", "lang_transaction.html"},
    {"COMMIT TRANSACTION", "lang_transaction.html"},
    {"END TRANSACTION", "lang_transaction.html"},
    {"ROLLBACK TRANSACTION", "lang_transaction.html"},
    {"COMMENT", "lang_comment.html"},
    {"CREATE INDEX", "lang_createindex.html"},
    {"CREATE TABLE", "lang_createtable.html"},
    {"CREATE TRIGGER", "lang_createtrigger.html"},
    {"CREATE VIEW", "lang_createview.html"},
    {"CREATE VIRTUAL TABLE", "lang_createvtab.html"},
    {"DELETE", "lang_delete.html"},
    {"DETACH DATABASE", "lang_detach.html"},
    {"DROP INDEX", "lang_dropindex.html"},
    {"DROP TABLE", "lang_droptable.html"},
    {"DROP TRIGGER", "lang_droptrigger.html"},
    {"DROP VIEW", "lang_dropview.html"},
    {"EXPLAIN", "lang_explain.html"},
    {"INDEXED BY", "lang_indexedby.html"},
    {"INSERT", "lang_insert.html"},
    {"ON CONFLICT", "lang_conflict.html"},
    {"PRAGMA", "pragma.html#syntax"},
    {"REINDEX", "lang_reindex.html"},
    {"RELEASE SAVEPOINT", "lang_savepoint.html"},
    {"SAVEPOINT", "lang_savepoint.html"},
    {"REPLACE", "lang_replace.html"},
    {"SELECT", "lang_select.html"},
    {"UPDATE", "lang_update.html"},
    {"UPSERT", "lang_UPSERT.html"},
    {"VACUUM", "lang_vacuum.html"},
    {"WITH", "lang_with.html"},
};

QString OrDashes(qint64 v) {
    return v == 0 ? QStringLiteral("---") : GroupedNumber(v);
}

} // namespace

QString GroupedNumber(qint64 n) {
    QString digits = QString::number(n < 0 ? -n : n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(' '));
    return n < 0 ? QLatin1Char('-') + digits : digits;
}

QList<QPair<QString, QString>> DatabaseInfoLines(const QString& file, const TSQLite3FileHeader& h) {
    QList<QPair<QString, QString>> r;
    const bool ok = h.Status == 0;
    auto add = [&](const char* caption, const QString& value) {
        r.append({QLatin1String(caption), value});
    };
    add("File Name: ", QFileInfo(file).fileName());
    add("Status: ", FileStatusText(h.Status));
    add("Last Modified: ", h.Modified.isValid()
                               ? h.Modified.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                               : QString());
    add("Application ID: ", !ok ? QString()
                            : h.ApplicationID == 0
                                ? QStringLiteral("[ Unset ]")
                                : QStringLiteral("[ ") + GroupedNumber(h.ApplicationID) +
                                      QStringLiteral(" ]   0x") +
                                      QString::number(h.ApplicationID, 16).toUpper());
    add("User Version No: ", GroupedNumber(h.UserVersion));
    add("Last Update by: ",
        ok ? QStringLiteral("SQLite ver:   ") + QString::number(h.SQLiteVersionNo) : QString());
    add("Text Encoding: ", h.DBTextEncoding == 1   ? QStringLiteral("UTF-8")
                           : h.DBTextEncoding == 2 ? QStringLiteral("UTF-16le")
                           : h.DBTextEncoding == 3 ? QStringLiteral("UTF-16be")
                                                   : QStringLiteral("---"));
    auto mode = [&](quint8 v) {
        return !ok      ? QString()
               : v <= 1 ? QStringLiteral("Legacy Mode")
                        : QStringLiteral("WAL Mode");
    };
    add("Write-Mode: ", mode(h.FileFormatWriteVer));
    add("Read-Mode: ", mode(h.FileFormatReadVer));
    add("Vacuum Mode: ", !ok                            ? QString()
                         : h.IncrementalVacuumMode != 0 ? QStringLiteral("Incremental Vacuum")
                                                        : QStringLiteral("Normal"));
    if (ok && h.IncrementalVacuumMode != 0)
        add("Largest Root B-Tree on: ", GroupedNumber(h.LargestRootBTree));
    add("Total Freelist Pages: ", GroupedNumber(h.TotalFreelistPages));
    add("First Freelist Page: ", GroupedNumber(h.FirstFreelistTrunkPage));
    add("Schema Cookie: ",
        !ok ? QString()
        : h.SchemaCookie == 0
            ? QStringLiteral("-")
            : QStringLiteral("0x") + QString::number(h.SchemaCookie, 16).toUpper());
    add("Schema Format: ", GroupedNumber(h.SchemaFormat));
    add("Total Schema Changes: ", GroupedNumber(h.FileChangeCounter));
    add("Changes for this Version: ", GroupedNumber(h.VersionValidForNo));
    // 64-bit figures: a stored page size of 1 means 65536.
    const qint64 page = h.PageSize == 1 ? 65536 : qint64(h.PageSize);
    add("DB Page-Size: ", OrDashes(page));
    add("Total Pages: ", OrDashes(h.PagesInDB));
    add("Implied DB Size: ", OrDashes(page * qint64(h.PagesInDB)));
    add("Actual File-Size: ", OrDashes(h.FileSize));
    add("Default Page-cache: ", OrDashes(h.DefaultPageCache));
    return r;
}

QStringList DocStatements() {
    QStringList names;
    for (const auto& d : kDocs)
        names << QLatin1String(d[0]);
    names.sort();
    return names;
}

QString DocPage(const QString& statement) {
    for (const auto& d : kDocs)
        if (statement == QLatin1String(d[0])) return QLatin1String(d[1]);
    return QString();
}

QString DocSearchText(const QString& text, bool lettersOnly) {
    QString keep;
    for (QChar c : text.trimmed())
        if (!lettersOnly || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') ||
            (c >= u'a' && c <= u'z') || c == u' ')
            keep += c;
    while (keep.contains(QStringLiteral("  ")))
        keep.replace(QStringLiteral("  "), QStringLiteral(" "));
    return keep;
}

QString DocSearchUrl(const QString& text, bool lettersOnly) {
    const QString t = DocSearchText(text, lettersOnly);
    QString q;
    for (const QString& w : t.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        q += (q.isEmpty() ? QString() : QStringLiteral("+")) +
             QString::fromLatin1(QUrl::toPercentEncoding(w));
    return kSqliteDocsBase + QStringLiteral("search?s=d&q=") + q;
}

QList<DocLink> DocLinks() {
    return {
        {QStringLiteral("btnDocsLangRef"), QStringLiteral("SQL as Understood by SQLite"),
         kSqliteDocsBase + QStringLiteral("lang.html")},
        {QStringLiteral("btnDocsOnlineDocs"), QStringLiteral(" on-line Documentation"),
         kSqliteDocsBase + QStringLiteral("docs.html")},
        {QStringLiteral("btnDocsCoreFuncs"), QStringLiteral("SQL Core Functions"),
         kSqliteDocsBase + QStringLiteral("lang_corefunc.html")},
        {QStringLiteral("btnDocsDateTime"), QStringLiteral("SQL Date and Time Functions"),
         kSqliteDocsBase + QStringLiteral("lang_datefunc.html")},
        {QStringLiteral("btnDocsAggrFuncs"), QStringLiteral("SQL Aggregate Functions"),
         kSqliteDocsBase + QStringLiteral("lang_aggfunc.html")},
        {QStringLiteral("btnDocsSQLiteWeb"), QStringLiteral("SQLite Home Page"), kSqliteDocsBase},
        {QStringLiteral("btnDocsW3SchoolsSQL"), QStringLiteral("SQL Tutorial"),
         QStringLiteral("https://en.wikibooks.org/wiki/Structured_Query_Language")},
        {QStringLiteral("btnDocsTarnWeb"), QStringLiteral("Skylark on the Web"),
         QStringLiteral("https://skylark-updates.example.net/")},
        {QStringLiteral("btnDocsBugReport"), QStringLiteral("  Bug Report / Suggestions"),
         QStringLiteral("mailto:bugs@skylark-updates.example.net")},
    };
}

} // namespace sky
