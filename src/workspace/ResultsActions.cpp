// The view made from the results: its SELECT and its proposed name.
#include "workspace/ResultsActions.h"

#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"
#include "workspace/DataEditor.h"
#include "workspace/QueryRun.h"
#include "workspace/SchemaTree.h"
#include "workspace/SqlTemplate.h"

#include <sqlite3.h>

#include <algorithm>
#include <functional>

namespace sky {
namespace {

// The text before its first statement end; the whole text without one.
QString FirstStatementText(const QString& text) {
    SqlLexer lex(text);
    SqlToken t;
    while (lex.Next(t))
        if (t.kind == SqlTokKind::Other && text[t.pos] == u';') return text.left(t.pos);
    return text;
}

} // namespace

QString ResultsViewSelect(const QString& lastQuery, const QStringList& columns,
                          const QString& table) {
    QString select = TrimText(lastQuery);
    if (select.isEmpty() || !ContainsWholeWord(select, u"SELECT")) {
        QStringList quoted;
        quoted.reserve(columns.size());
        for (const QString& c : columns)
            quoted << QuoteIdent(c);
        select = QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) +
                 QStringLiteral("\r\n  FROM ") + QuoteIdent(table) + QStringLiteral("\r\n WHERE 1");
    }
    return FirstStatementText(select);
}

QString CleanViewName(const QString& name) {
    QString r = name.startsWith(QLatin1Char('.')) ? name.mid(1) : name;
    const qsizetype firstDot = r.indexOf(QLatin1Char('.'));
    if (firstDot >= 0)
        for (qsizetype i = firstDot + 1; i < r.size(); ++i)
            if (r[i] == u'.') r[i] = u'_';
    while (r.contains(QStringLiteral("__")))
        r.replace(QStringLiteral("__"), QStringLiteral("_"));
    return r;
}

QString NextNumberedName(const QString& name) {
    qsizetype digits = name.size();
    while (digits > 0 && name[digits - 1].isDigit() && name[digits - 1].unicode() < 128)
        --digits;
    if (digits == name.size()) return name + QLatin1Char('2');
    bool ok = false;
    const qulonglong n = name.mid(digits).toULongLong(&ok);
    if (!ok) return name + QLatin1Char('2');
    return name.left(digits) + QString::number(n + 1);
}

} // namespace sky

// --- the cell, row and table actions

namespace sky {
namespace {
const QString kCrLf = QStringLiteral("\r\n");

QString Lit(const QString& s) {
    return TemplateLiteral(s);
}

// The grid column's origin when it is a plain column of the table.
bool FromTable(const ActionTable& t, const TResultTable& rows, int col, TColumnOrigin& o) {
    if (rows.LineNumbers() && col == 0) return false;
    o = rows.Origin(col);
    return o.IsColumn() && SameSchema(o.schema, TrimText(t.schema)) &&
           o.table.compare(t.table, Qt::CaseInsensitive) == 0;
}

bool IsRowidName(const QString& n) {
    return n.compare(QLatin1String("rowid"), Qt::CaseInsensitive) == 0 ||
           n.compare(QLatin1String("_rowid_"), Qt::CaseInsensitive) == 0 ||
           n.compare(QLatin1String("oid"), Qt::CaseInsensitive) == 0;
}

// The literal with the markers around it (inside the quotes of a string).
QString MarkedLiteral(const CellValue& v) {
    const QString lit = ValueLiteral(v);
    // Inside the quotes only for one plain quoted string (not a char() join).
    const QString inner = lit.mid(1, lit.size() - 2);
    if (v.type == CellType::Text && lit.size() >= 2 && lit.startsWith(QLatin1Char('\'')) &&
        lit.endsWith(QLatin1Char('\'')) &&
        !QString(inner).remove(QStringLiteral("''")).contains(u'\''))
        return QStringLiteral("'|") + Lit(inner) + QStringLiteral("|'");
    return QLatin1Char('|') + Lit(lit) + QLatin1Char('|');
}

QString ConditionTemplate(const RowTarget& r, bool markFirst) {
    QStringList parts;
    for (size_t k = 0; k < r.keyValues.size(); ++k) {
        const QString value =
            markFirst && k == 0 ? MarkedLiteral(r.keyValues[k]) : Lit(ValueLiteral(r.keyValues[k]));
        parts << Lit(QuoteIdent(r.keyNames[int(k)])) + QLatin1Char('=') + value;
    }
    return parts.join(QStringLiteral(" AND "));
}

// Runs one statement that must change exactly one row, in its own
// transaction; false with the error.
bool ChangeOneRow(TSQLite3Database& db, const QString& sql,
                  const std::function<void(TSQLite3Statement&)>& bind, QString& error) {
    if (db.IsBusy()) {
        error = QStringLiteral("Busy executing a prior Query...");
        return false;
    }
    if (!db.BeginTransaction()) {
        error = db.LastError();
        return false;
    }
    db.ClearError();
    {
        std::unique_ptr<TSQLite3Statement> st = db.Prepare(sql);
        if (st) {
            bind(*st);
            int rc;
            while ((rc = st->Step()) == SQLITE_ROW) {
            }
            if (rc != SQLITE_DONE) {
                db.CheckResult(rc);
                error = db.LastError();
            } else {
                const qint64 n = sqlite3_changes64(db.Handle());
                if (n != 1) error = n == 0 ? kNoRowChanged : kRowsChanged.arg(n);
            }
        } else {
            error = db.LastError();
        }
    }
    if (!error.isEmpty()) {
        if (db.TransactionOpen()) db.Rollback();
        return false;
    }
    if (!db.Commit()) {
        error = db.LastError();
        return false;
    }
    return true;
}
} // namespace

CellValue CellValueOf(const TResultTable& t, int row, int col) {
    CellValue v;
    if (t.LineNumbers() && col == 0) return TextValue(t.Text(row, col));
    v.type = t.Type(row, col);
    switch (v.type) {
    case CellType::Integer:
        v.integer = t.Integer(row, col);
        break;
    case CellType::Real:
        v.real = t.Real(row, col);
        break;
    case CellType::Text:
    case CellType::Blob:
        v.bytes = t.Bytes(row, col);
        break;
    case CellType::Null:
        break;
    }
    return v;
}

CellValue TextValue(const QString& text) {
    CellValue v;
    v.type = CellType::Text;
    v.bytes = text.toUtf8();
    return v;
}

QString ValueLiteral(const CellValue& v) {
    switch (v.type) {
    case CellType::Null:
        return QStringLiteral("NULL");
    case CellType::Integer:
        return QString::number(v.integer);
    case CellType::Real:
        return SqlRealLiteral(v.real);
    case CellType::Blob:
        return SqlBlobLiteral(v.bytes.constData(), v.bytes.size());
    case CellType::Text:
        break;
    }
    // Every byte survives: NUL and CR as char(), invalid UTF-8 as a CAST.
    std::string out;
    AppendSqlText(out, v.bytes.constData(), v.bytes.size());
    return QString::fromUtf8(out.data(), qsizetype(out.size()));
}

void BindValue(TSQLite3Statement& st, int index, const CellValue& v) {
    switch (v.type) {
    case CellType::Null:
        st.BindNull(index);
        break;
    case CellType::Integer:
        st.BindInt64(index, v.integer);
        break;
    case CellType::Real:
        st.BindDouble(index, v.real);
        break;
    case CellType::Text:
        // The bytes as stored, even where they are not valid UTF-8.
        sqlite3_bind_text(st.Handle(), index, v.bytes.constData(), int(v.bytes.size()),
                          SQLITE_TRANSIENT);
        break;
    case CellType::Blob:
        st.BindBlob(index, v.bytes.constData(), int(v.bytes.size()));
        break;
    }
}

CellValue TypedAnswer(const QString& answer, const QString& affinity) {
    CellValue v;
    if (TrimText(answer).compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) return v;
    if (affinity == QLatin1String("TEXT") || TrimText(answer).isEmpty()) return TextValue(answer);
    const QString bare = QString(answer).remove(QLatin1Char(' '));
    bool ok = false;
    const qint64 i = bare.toLongLong(&ok);
    if (ok && !bare.contains(QLatin1Char('.'))) {
        v.type = CellType::Integer;
        v.integer = i;
        return v;
    }
    if (IsStrictNumericLiteral(bare) &&
        !bare.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const double d = bare.toDouble(&ok);
        if (ok) {
            v.type = CellType::Real;
            v.real = d;
            return v;
        }
    }
    return TextValue(answer);
}

QString ActionTable::Reference() const {
    const QString s = TrimText(schema);
    QString prefix;
    if (s.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0)
        prefix = QStringLiteral("temp.");
    else if (!IsMainSchema(s))
        prefix = QuoteIdent(s) + QLatin1Char('.');
    return prefix + QuoteIdent(table);
}

ActionTable ReadActionTable(TSQLite3Database& db, const QString& schema, const QString& table) {
    ActionTable t;
    t.schema = schema;
    t.table = table;
    if (TrimText(table).isEmpty() || !db.TableExists(table, schema)) return t;
    QList<QStringList> rows;
    if (!db.QueryTextRows(QStringLiteral("SELECT name, type, pk, hidden FROM pragma_table_xinfo") +
                              PragmaArguments(QuoteSqlString(table), schema) +
                              QStringLiteral(" ORDER BY cid"),
                          rows))
        return t;
    QList<QPair<int, QString>> keys;
    QString keyType;
    for (const QStringList& r : rows) {
        const QString up = r.value(0).toUpper();
        t.names.insert(up, r.value(0));
        t.affinity.insert(up, ColumnAffinity(r.value(1)));
        const int hidden = r.value(3).toInt();
        if (hidden == 2 || hidden == 3) t.generated << up;
        if (r.value(2).toInt() > 0) {
            keys.append({r.value(2).toInt(), r.value(0)});
            keyType = r.value(1);
        }
    }
    std::sort(keys.begin(), keys.end());
    for (const auto& k : keys)
        t.keys << k.second;
    // A WITHOUT ROWID table has no rowid to read.
    t.withoutRowid = !db.Prepare(QStringLiteral("SELECT rowid FROM ") + t.Reference() +
                                 QStringLiteral(" LIMIT 0")) ||
                     (t.HasColumn(QStringLiteral("rowid")) &&
                      t.HasColumn(QStringLiteral("_rowid_")) && t.HasColumn(QStringLiteral("oid")));
    db.ClearError();
    if (!t.withoutRowid && t.keys.size() == 1 &&
        QString(keyType)
                .remove(QLatin1Char(' '))
                .compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
        t.rowidAlias = t.keys.first();
    t.exists = true;
    return t;
}

QString RowTarget::Condition() const {
    QStringList parts;
    for (size_t k = 0; k < keyValues.size(); ++k)
        parts << QuoteIdent(keyNames[int(k)]) + QLatin1Char('=') + ValueLiteral(keyValues[k]);
    return parts.join(QStringLiteral(" AND "));
}

QString RowTarget::BoundCondition(int first) const {
    QStringList parts;
    for (int k = 0; k < keyNames.size(); ++k)
        parts << QuoteIdent(keyNames[k]) + QStringLiteral(" = ?") + QString::number(first + k);
    return parts.join(QStringLiteral(" AND "));
}

RowTarget ResolveRow(const ActionTable& t, const TResultTable& rows, int row) {
    RowTarget r;
    if (!t.exists) {
        r.why = QStringLiteral("No table is selected: the row cannot be identified");
        return r;
    }
    if (row < 0 || row >= rows.RowCount()) {
        r.why = QStringLiteral("No row is chosen");
        return r;
    }
    // The table's columns in the result, each at its first grid column.
    QHash<QString, int> at;
    int rowidCol = -1;
    for (int c = 0; c < rows.ColumnCount(); ++c) {
        TColumnOrigin o;
        if (!FromTable(t, rows, c, o)) continue;
        const QString up = o.column.toUpper();
        if (!t.HasColumn(up)) {
            if (IsRowidName(up) && !t.withoutRowid && rowidCol < 0) rowidCol = c;
            continue;
        }
        if (at.contains(up)) continue;
        at.insert(up, c);
        if (!t.generated.contains(up)) r.columns.append({c, t.names.value(up)});
    }
    if (at.isEmpty() && rowidCol < 0) {
        r.why = QStringLiteral("The result is not from ") + t.table;
        r.columns.clear();
        return r;
    }
    QList<int> keyCols;
    bool all = !t.keys.isEmpty();
    for (const QString& k : t.keys) {
        const int c = at.value(k.toUpper(), -1);
        if (c < 0) all = false;
        keyCols << c;
    }
    if (all) {
        r.keyNames = t.keys;
    } else if (rowidCol >= 0) {
        r.byRowid = true;
        r.keyNames = QStringList{QStringLiteral("rowid")};
        keyCols = {rowidCol};
    } else {
        r.why = QStringLiteral("No primary key or rowid of ") + t.table +
                QStringLiteral(" in the result");
        r.columns.clear();
        return r;
    }
    for (int c : keyCols) {
        const CellValue v = CellValueOf(rows, row, c);
        if (v.type == CellType::Null) {
            r.why = QStringLiteral("A key value is NULL: the row cannot be identified");
            r.keyNames.clear();
            r.keyValues.clear();
            r.columns.clear();
            return r;
        }
        r.keyValues.push_back(v);
    }
    return r;
}

QString ValueColumn(const ActionTable& t, const TResultTable& rows, int col, QString& why) {
    TColumnOrigin o;
    if (!t.exists) {
        why = QStringLiteral("No table is selected");
        return QString();
    }
    if (!FromTable(t, rows, col, o)) {
        why = rows.Origin(col).IsColumn()
                  ? QStringLiteral("Not a column of ") + t.table
                  : QStringLiteral("A computed value is not a column of ") + t.table;
        return QString();
    }
    const QString up = o.column.toUpper();
    if (!t.HasColumn(up)) {
        why = QStringLiteral("The rowid is not an editable column");
        return QString();
    }
    if (t.generated.contains(up)) {
        why = t.names.value(up) + QStringLiteral(" is a generated column");
        return QString();
    }
    if (t.names.value(up).isEmpty()) {
        why = QStringLiteral("A column without a name cannot be edited");
        return QString();
    }
    return t.names.value(up);
}

QString ShowEditSql(const ActionTable& t, const RowTarget& r, const QString& column,
                    const CellValue& value) {
    return QStringLiteral("UPDATE ") + Lit(t.Reference()) + QStringLiteral(" SET ") +
           Lit(QuoteIdent(column)) + QStringLiteral(" = ") + MarkedLiteral(value) +
           QStringLiteral(" WHERE ") + ConditionTemplate(r, false) + QLatin1Char(';');
}

QString ShowSelectSql(const ActionTable& t, const RowTarget& r, const QString& column) {
    QStringList keys;
    for (const QString& k : r.keyNames)
        keys << Lit(QuoteIdent(k));
    return QStringLiteral("SELECT ") + keys.join(QStringLiteral(", ")) + QStringLiteral(",|") +
           Lit(QuoteIdent(column)) + QLatin1Char('|') + kCrLf + QStringLiteral("  FROM ") +
           Lit(t.Reference()) + QLatin1Char(' ') + kCrLf + QStringLiteral(" WHERE ") +
           ConditionTemplate(r, false) + QLatin1Char(';');
}

QString ShowUpdateSql(const ActionTable& t, const RowTarget& r, const QString& column,
                      const CellValue& value) {
    return QStringLiteral("UPDATE ") + Lit(t.Reference()) + kCrLf + QStringLiteral("   SET ") +
           Lit(QuoteIdent(column)) + QStringLiteral(" = |") + Lit(ValueLiteral(value)) +
           QStringLiteral("| ") + kCrLf + QStringLiteral(" WHERE ") + ConditionTemplate(r, false) +
           QLatin1Char(';');
}

QString UniqueValuesSql(const ActionTable& t, const QString& column, int queryLimit) {
    const QString h = Lit(QuoteIdent(column));
    return QStringLiteral("SELECT ") + h + QStringLiteral(", count(") + h +
           QStringLiteral(") AS 'Count' ") + kCrLf + QStringLiteral("  FROM ") +
           Lit(t.Reference()) + QLatin1Char(' ') + kCrLf + QStringLiteral(" WHERE |1|") + kCrLf +
           QStringLiteral(" GROUP BY ") + h + kCrLf + QStringLiteral(" ORDER BY ") + h +
           QStringLiteral(" ASC") + kCrLf + QLatin1Char(' ') + TrimText(LimitClause(queryLimit)) +
           QLatin1Char(';');
}

QString RowUpdateSql(const ActionTable& t, const RowTarget& r, const TResultTable& rows, int row) {
    QString s = QStringLiteral("UPDATE ") + Lit(t.Reference()) + QStringLiteral(" SET ") + kCrLf;
    for (int i = 0; i < r.columns.size(); ++i) {
        const CellValue v = CellValueOf(rows, row, r.columns[i].first);
        s += (i == 0 ? QStringLiteral("  ") : QStringLiteral(", ")) +
             Lit(QuoteIdent(r.columns[i].second)) + QStringLiteral(" = ") +
             (i == 0 ? MarkedLiteral(v) : Lit(ValueLiteral(v))) + kCrLf;
    }
    return s + QStringLiteral(" WHERE ") + ConditionTemplate(r, false) + kCrLf + QLatin1Char(';');
}

QString RowInsertSql(const ActionTable& t, const RowTarget& r, const TResultTable& rows, int row) {
    QStringList names, values;
    for (int i = 0; i < r.columns.size(); ++i) {
        const QString& name = r.columns[i].second;
        // Only a rowid alias gets a new key from the engine.
        const CellValue v = name.compare(t.rowidAlias, Qt::CaseInsensitive) == 0
                                ? CellValue()
                                : CellValueOf(rows, row, r.columns[i].first);
        names << Lit(QuoteIdent(name));
        values << (i == 0 ? MarkedLiteral(v) : Lit(ValueLiteral(v)));
    }
    return QStringLiteral("INSERT INTO ") + Lit(t.Reference()) + QLatin1Char(' ') + kCrLf +
           QStringLiteral(" (") + names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES ") +
           kCrLf + QStringLiteral(" (") + values.join(QStringLiteral(", ")) + QLatin1Char(')') +
           kCrLf + QLatin1Char(';');
}

QString RowDeleteSql(const ActionTable& t, const RowTarget& r) {
    return QStringLiteral("DELETE FROM ") + Lit(t.Reference()) + QStringLiteral(" WHERE ") +
           ConditionTemplate(r, true) + QLatin1Char(';');
}

QString TableRenameSql(const ActionTable& t) {
    return QStringLiteral("ALTER TABLE ") + Lit(t.Reference()) + QStringLiteral(" RENAME TO ") +
           Lit(QuoteIdent(t.table)) + QLatin1Char(';');
}

QString TableDropSql(const ActionTable& t) {
    return QStringLiteral("DROP TABLE ") + Lit(t.Reference()) + QLatin1Char(';');
}

QString RemoveRowQuestion(const RowTarget& r) {
    return QStringLiteral("Permanently remove Row with key values \"") + r.Condition() +
           QStringLiteral("\" now?");
}

bool ExecuteValueEdit(TSQLite3Database& db, const ActionTable& t, const RowTarget& r,
                      const QString& column, const QString& heading, const CellValue& value,
                      QString& status) {
    QString error;
    const QString sql = QStringLiteral("UPDATE ") + t.Reference() + QStringLiteral(" SET ") +
                        QuoteIdent(column) + QStringLiteral(" = ?1 WHERE ") + r.BoundCondition(2);
    const bool ok = ChangeOneRow(
        db, sql,
        [&](TSQLite3Statement& st) {
            BindValue(st, 1, value);
            for (size_t k = 0; k < r.keyValues.size(); ++k)
                BindValue(st, int(k) + 2, r.keyValues[k]);
        },
        error);
    status = ok ? QStringLiteral("Value for \"") + heading + QStringLiteral("\" Updated to: ") +
                      ValueLiteral(value)
                : QStringLiteral("Error: ") + error;
    return ok;
}

bool ExecuteDuplicate(TSQLite3Database& db, const ActionTable& t, const RowTarget& r,
                      const TResultTable& rows, int row, QString& status) {
    QStringList names, params;
    std::vector<CellValue> values;
    for (const auto& [col, name] : r.columns) {
        if (name.compare(t.rowidAlias, Qt::CaseInsensitive) == 0) continue; // a new key
        names << QuoteIdent(name);
        values.push_back(CellValueOf(rows, row, col));
        params << QStringLiteral("?") + QString::number(values.size());
    }
    const QString sql =
        names.isEmpty()
            ? QStringLiteral("INSERT INTO ") + t.Reference() + QStringLiteral(" DEFAULT VALUES")
            : QStringLiteral("INSERT INTO ") + t.Reference() + QStringLiteral(" (") +
                  names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                  params.join(QStringLiteral(", ")) + QLatin1Char(')');
    QString error;
    const bool ok = ChangeOneRow(
        db, sql,
        [&](TSQLite3Statement& st) {
            for (size_t k = 0; k < values.size(); ++k)
                BindValue(st, int(k) + 1, values[k]);
        },
        error);
    status = ok ? QStringLiteral("Row duplicated.") : error;
    return ok;
}

bool ExecuteRemove(TSQLite3Database& db, const ActionTable& t, const RowTarget& r,
                   QString& status) {
    QString error;
    const bool ok = ChangeOneRow(
        db,
        QStringLiteral("DELETE FROM ") + t.Reference() + QStringLiteral(" WHERE ") +
            r.BoundCondition(1),
        [&](TSQLite3Statement& st) {
            for (size_t k = 0; k < r.keyValues.size(); ++k)
                BindValue(st, int(k) + 1, r.keyValues[k]);
        },
        error);
    status = ok ? QStringLiteral("Row removed.") : error;
    return ok;
}

QString AskNewValue(Prompter& p, const QString& heading, const QString& current,
                    const QStringList& choices) {
    return p.AskText(QStringLiteral("Update Field Value"),
                     QStringLiteral("New Value for \"") + heading + QStringLiteral("\": "), current,
                     choices, false, 0, current);
}

} // namespace sky
