// View statements: read from their text, written back, checked against the
// database.
#include "design/Views.h"

#include "design/Constraints.h"
#include "design/DefTokens.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <QRegularExpression>
#include <sqlite3.h>

namespace sky {
namespace {

// The text split into lines at line breaks outside literals and comments.
QStringList CodeLines(const QString& text) {
    QStringList lines;
    SqlLexer lex(text);
    SqlToken t;
    qsizetype start = 0;
    while (lex.Next(t)) {
        if (t.kind != SqlTokKind::LineBreak) continue;
        lines << text.mid(start, t.pos - start);
        start = t.end();
    }
    lines << text.mid(start);
    return lines;
}

QString ViewName(const TViewLayout& v) {
    const QString s = TrimText(v.vSchema);
    QString r;
    if (!s.isEmpty() && s.compare(QLatin1String("main"), Qt::CaseInsensitive) != 0 &&
        s.compare(QLatin1String("temp"), Qt::CaseInsensitive) != 0)
        r = QuoteIdent(s) + QLatin1Char('.');
    return r + QuoteIdent(TrimText(v.vName));
}

bool InTransactionRolledBack(TSQLite3Database& db) {
    return db.Handle() && sqlite3_get_autocommit(db.Handle()) != 0;
}

} // namespace

QString sqlFrom(const TViewLayout& v) {
    if (TrimText(v.vName).isEmpty() || TrimText(v.vSelect).isEmpty()) return QString();
    QString r = v.isTemp || v.vSchema.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0
                    ? QStringLiteral("CREATE TEMPORARY VIEW ")
                    : QStringLiteral("CREATE VIEW ");
    r += ViewName(v);
    const QString columns = TrimText(v.vColumns);
    if (!columns.isEmpty())
        r += QLatin1Char('(') + columns + StatementTail(columns) + QLatin1Char(')');
    r += CommentClause(v.Comment);
    r += QStringLiteral(" AS \r\n");
    bool first = true;
    for (const QString& raw : CodeLines(v.vSelect)) {
        const QString line = TrimText(raw);
        if (line.isEmpty()) continue;
        QString indent;
        if (!first) {
            const QString head = UpperAscii(line.left(6));
            if (head == QLatin1String("WHERE ") || head == QLatin1String("ORDER ") ||
                head == QLatin1String("GROUP ") || head == QLatin1String("LIMIT "))
                indent = QStringLiteral(" ");
            else if (head.startsWith(QLatin1String("HAVING")) ||
                     head.startsWith(QLatin1String("UNION")))
                indent.clear();
            else
                indent = QStringLiteral("  ");
        }
        r += indent + line + QStringLiteral("\r\n");
        first = false;
    }
    // A block comment left open at the end would swallow whatever follows.
    const QString tail = StatementTail(v.vSelect);
    if (tail.startsWith(QLatin1Char('*'))) r.insert(r.size() - 2, tail);
    return r;
}

bool readView(const QString& text, TViewLayout& v) {
    v = TViewLayout();
    if (TrimText(text).size() < 7) {
        v.Comment = QStringLiteral("View Statement invalid (") + text + QLatin1Char(')');
        return false;
    }
    const QList<DefToken> all = DefTokenize(text);
    QString lineComment, blockComment;
    QList<DefToken> t;
    for (const DefToken& d : all) {
        if (d.kind == DefKind::Comment) {
            const bool block = text.mid(d.pos, 2) == QLatin1String("/*");
            if (block && blockComment.isEmpty()) blockComment = d.Text();
            if (!block) lineComment = d.Text();
        } else {
            t << d;
        }
    }
    qsizetype i = 0;
    if (i < t.size() && t[i].Is("CREATE")) ++i;
    if (i < t.size() && (t[i].Is("TEMP") || t[i].Is("TEMPORARY"))) {
        v.isTemp = true;
        ++i;
    }
    if (i >= t.size() || !t[i].Is("VIEW") || !t[0].Is("CREATE")) {
        v.Comment = QStringLiteral("Missing CREATE statement");
        return false;
    }
    ++i;
    if (i + 2 < t.size() && t[i].Is("IF") && t[i + 1].Is("NOT") && t[i + 2].Is("EXISTS")) {
        v.IfNotExists = true;
        i += 3;
    }
    if (i >= t.size() || t[i].Is("AS")) {
        v.Comment = QStringLiteral("Invalid statement Name");
        return false;
    }
    v.vName = t[i++].Text();
    if (i + 1 < t.size() && t[i].kind == DefKind::Other && t[i].value == u".") {
        v.vSchema = v.vName;
        v.vName = t[i + 1].Text();
        i += 2;
    }
    if (i < t.size() && t[i].kind == DefKind::Group) v.vColumns = t[i++].Text();
    if (i >= t.size() || !t[i].Is("AS")) {
        v.Comment = QStringLiteral("Missing \"AS SELECT...\" directive");
        return false;
    }
    QString select = text.mid(t[i].end()).trimmed();
    if (select.endsWith(QLatin1Char(';'))) select.chop(1);
    QStringList lines;
    for (const QString& l : CodeLines(select))
        if (!TrimText(l).isEmpty()) lines << l;
    v.vSelect = lines.join(QStringLiteral("\r\n"));
    v.Comment = !blockComment.isEmpty() ? blockComment : lineComment;
    // The tables and views named after FROM and JOIN.
    const QList<DefToken> sel = DefTokenize(v.vSelect);
    for (qsizetype k = 0; k + 1 < sel.size(); ++k) {
        if (!(sel[k].Is("FROM") || sel[k].Is("JOIN") ||
              (sel[k].kind == DefKind::Comma && !v.vRefs.isEmpty())))
            continue;
        const DefToken& n = sel[k + 1];
        if (!n.IsName() || n.Is("SELECT")) continue;
        QString name = n.Text();
        if (k + 3 < sel.size() && sel[k + 2].kind == DefKind::Other && sel[k + 2].value == u".")
            name = sel[k + 3].Text();
        if (!v.vRefs.contains(name)) v.vRefs << name;
    }
    v.vRefs.sort();
    return true;
}

bool readView(TSQLite3Database& db, const QString& viewName, TViewLayout& v,
              const QString& schema) {
    const QString name = UnquoteIdent(TrimText(viewName)), s = UnquoteIdent(TrimText(schema));
    v = TViewLayout();
    if (name.isEmpty()) return false;
    QString master = QStringLiteral("sqlite_master");
    if (s.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0)
        master = QStringLiteral("sqlite_temp_master");
    else if (!s.isEmpty() && s.compare(QLatin1String("main"), Qt::CaseInsensitive) != 0)
        master = QuoteIdent(s) + QStringLiteral(".sqlite_master");
    std::unique_ptr<TSQLite3Statement> st = db.Prepare(
        QStringLiteral("SELECT sql FROM ") + master +
        QStringLiteral(" WHERE type='view' AND name=") + QuoteSqlString(name) + QLatin1Char(';'));
    if (!st) {
        v.Comment = QStringLiteral("Error reading View SQL: ") + db.LastError();
        return false;
    }
    const int rc = st->Step();
    const QString text = rc == SQLITE_ROW ? st->ColumnText(0) : QString();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        db.CheckResult(rc);
        v.Comment = QStringLiteral("Error reading View SQL: ") + db.LastError();
        return false;
    }
    if (TrimText(text).size() < 7) {
        v.Comment = QStringLiteral("View not found (") + name + QLatin1Char(')');
        return false;
    }
    const bool ok = readView(text, v);
    v.vSchema = s;
    if (s.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0) v.isTemp = true;
    return ok;
}

bool readViewFields(TSQLite3Database& db, TViewLayout& v) {
    v.vCols.clear();
    v.vTypes.clear();
    v.vError.clear();
    QString name = QuoteIdent(TrimText(v.vName));
    if (!TrimText(v.vSchema).isEmpty())
        name = QuoteIdent(TrimText(v.vSchema)) + QLatin1Char('.') + name;
    QStringList pairs;
    if (!db.QueryTypeAffinities(pairs,
                                QStringLiteral("SELECT * FROM ") + name + QLatin1Char(';'))) {
        v.vError = db.LastError();
        if (v.vError.isEmpty()) v.vError = QStringLiteral("No column headers in View");
        return false;
    }
    QStringList fields;
    for (const QString& p : pairs) {
        const qsizetype eq = p.lastIndexOf(QLatin1Char('='));
        QString col = p.left(eq);
        if (col.startsWith(QLatin1Char('"')) && col.endsWith(QLatin1Char('"')) && col.size() >= 2)
            col = col.mid(1, col.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
        v.vCols << col;
        v.vTypes << p.mid(eq + 1);
    }
    if (v.vCols.isEmpty()) {
        v.vError = QStringLiteral("No column headers in View");
        return false;
    }
    return true;
}

bool testViewSQL(TSQLite3Database& db, const TViewLayout& v, QString& message) {
    message = QStringLiteral("Database inaccessible or busy");
    if (!db.IsOpen() || db.IsBusy()) return false;
    if (TrimText(v.vName).isEmpty()) {
        message = QStringLiteral("Invalid View Name");
        return false;
    }
    if (TrimText(v.vSelect).isEmpty()) {
        message = QStringLiteral("Missing SELECT statement for this View");
        return false;
    }
    try {
        if (!db.BeginTransaction()) {
            message = QStringLiteral("Failed to start transaction: ") + db.LastError();
            return false;
        }
        bool ok = false;
        if (!db.Execute(QStringLiteral("DROP VIEW IF EXISTS ") + ViewName(v) + QLatin1Char(';'))) {
            message = QStringLiteral("Failed to DROP previous instance: ") + db.LastError();
        } else if (db.Execute(sqlFrom(v))) {
            message = QStringLiteral("View creation test success - SQL is valid.");
            ok = true;
        } else {
            message = QStringLiteral("Failed to create VIEW: ") + db.LastError();
        }
        const bool rolled = db.Rollback();
        if (!rolled || !InTransactionRolledBack(db)) {
            message = QStringLiteral("WARNING: the test transaction did not roll back: ") +
                      db.LastError();
            return false;
        }
        return ok;
    } catch (const std::exception& e) {
        if (db.TransactionOpen()) db.Rollback();
        message = QStringLiteral("Exception testing View SQL ") + ExceptionText(e);
        return false;
    }
}

QString LimitedSelect(const QString& select, int limit) {
    QString s = TrimText(select);
    // A LIMIT already there (as a word, past the start) is left alone.
    const QList<DefToken> t = DefTokenize(s);
    for (const DefToken& d : t)
        if (d.Is("LIMIT") && d.pos > 5) return s;
    const QString clause = QStringLiteral(" LIMIT ") + QString::number(limit);
    if (!t.isEmpty() && t.last().kind == DefKind::Other && t.last().value == u";") {
        s.insert(t.last().pos, clause);
        return s;
    }
    return s + clause + QLatin1Char(';');
}

bool testViewSelect(TSQLite3Database& db, const TViewLayout& v, bool showResults, QString& message,
                    QStringList* lines) {
    if (!db.IsOpen() || db.IsBusy()) {
        message = QStringLiteral("Database is inaccessible or busy.");
        return false;
    }
    if (TrimText(v.vSelect).isEmpty()) {
        message = QStringLiteral("Missing SELECT statement");
        return false;
    }
    QStringList result;
    const QString sql = LimitedSelect(v.vSelect, showResults ? 50 : 1);
    if (!db.QueryToCSV(result, sql, false, false, 0, -1, false)) {
        message = QStringLiteral("SELECT query failed: ") + db.LastError();
        return false;
    }
    while (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    if (lines) *lines = result;
    message = QStringLiteral("SELECT query is valid SQL");
    if (result.size() < 2) {
        message += QStringLiteral(", but produces no results.");
        return false;
    }
    message = QStringLiteral("Success - ") + message + QLatin1Char('.');
    return true;
}

} // namespace sky
