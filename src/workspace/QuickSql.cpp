// The quick-SQL buttons' texts.
#include "workspace/QuickSql.h"

#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/TextUtil.h"
#include "workspace/SchemaTree.h"

namespace sky {

const QuickCompare kQuickCompares[7] = {
    {"=", " = |"}, {"=>", " >= |"},    {"<=", " <= |"},           {">", " > |"},
    {"<", " < |"}, {"Not =", " != |"}, {"LIKE", " LIKE \"%|%\""},
};

namespace {
const QString kCrLf = QStringLiteral("\r\n");

QString Lit(const QString& s) {
    return TemplateLiteral(s);
}

// A sample value of a column for the row statements (SQL text).
QString SampleValue(const TFieldLayout& f) {
    const QString raw = TrimText(f.fDefRaw.isEmpty() ? f.fDefVal : f.fDefRaw);
    if (f.allowNull && raw.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("NULL");
    if (raw.isEmpty()) {
        const QString a = ColumnAffinity(f.fTypeRaw.isEmpty() ? f.fType : f.fTypeRaw);
        if (a == QLatin1String("INTEGER") || a == QLatin1String("REAL")) return QStringLiteral("0");
        if (a == QLatin1String("BLOB")) return QStringLiteral("0x00");
        return QStringLiteral("''");
    }
    // Written as it stands in the table's text: '007' stays a string,
    // CURRENT_TIMESTAMP and (expressions) stay bare.
    if (!f.fDefRaw.isEmpty()) return raw;
    if (raw.startsWith(QLatin1Char('(')) || IsStrictNumericLiteral(raw)) return raw;
    return QuoteSqlString(raw);
}

// The rowid alias of a rowid table: its only key column, declared exactly
// INTEGER (ignoring case and spaces) or AUTOINCREMENT.
bool IsRowidKey(const TTableLayout& t, const TFieldLayout& f, int keyCount) {
    if (t.noRowID || keyCount != 1 || !f.isPK) return false;
    QString type = f.fTypeRaw.isEmpty() ? f.fType + f.fVarSpec : f.fTypeRaw;
    type.remove(QLatin1Char(' '));
    return f.isAutoInc || type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
}

struct RowColumns {
    QStringList names, values;        // every written column, table order
    QStringList keyNames, keyValues;  // key columns (the rowid first)
    QStringList valueNames, valueSql; // the others
};

RowColumns ReadRowColumns(const TTableLayout& t, const QStringList& primaryKey) {
    auto isKey = [&](const TFieldLayout& f) {
        return primaryKey.contains(f.fName, Qt::CaseInsensitive);
    };
    int keyCount = 0;
    for (const TFieldLayout& f : t.Cols)
        if (isKey(f)) ++keyCount;
    RowColumns r;
    for (const TFieldLayout& f : t.Cols) {
        if (!TrimText(f.fGenerated).isEmpty()) continue; // generated: not written
        TFieldLayout g = f;
        g.isPK = isKey(f);
        const QString name = QuoteIdent(f.fName);
        const bool rowid = IsRowidKey(t, g, keyCount);
        const QString value = rowid ? QStringLiteral("NULL") : SampleValue(f);
        r.names << name;
        r.values << value;
        if (rowid) {
            r.keyNames.prepend(name);
            r.keyValues.prepend(value);
        } else if (g.isPK) {
            r.keyNames << name;
            r.keyValues << value;
        } else {
            r.valueNames << name;
            r.valueSql << value;
        }
    }
    return r;
}

QString Joined(const QStringList& items) {
    QStringList lits;
    lits.reserve(items.size());
    for (const QString& s : items)
        lits << Lit(s);
    return lits.join(QStringLiteral(", "));
}

// The values with the marker: the first "0" selected, else the caret
// inside the first "''", else before the first value.
QString MarkedValues(const QStringList& values) {
    QStringList v;
    for (const QString& s : values)
        v << Lit(s);
    qsizetype i = values.indexOf(QStringLiteral("0"));
    if (i >= 0) {
        v[i] = QStringLiteral("|0|");
    } else if ((i = values.indexOf(QStringLiteral("''"))) >= 0) {
        v[i] = QStringLiteral("'|'");
    } else if (!v.isEmpty()) {
        v[0].prepend(QLatin1Char('|'));
    }
    return v.join(QStringLiteral(", "));
}

QString TablePrefix(const TTableLayout& t, const QString& schema) {
    const QString s = TrimText(schema);
    QString prefix = IsMainSchema(s) ? QString() : Lit(QuoteIdent(s)) + QLatin1Char('.');
    return prefix + Lit(QuoteIdent(t.tblName));
}

bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}
} // namespace

bool QuickKindFromName(const QString& name, QuickKind& kind) {
    static const struct {
        const char* name;
        QuickKind kind;
    } kinds[] = {{"select", QuickKind::Select}, {"select-all", QuickKind::SelectAll},
                 {"insert", QuickKind::Insert}, {"upsert", QuickKind::Upsert},
                 {"update", QuickKind::Update}, {"delete", QuickKind::Delete},
                 {"create", QuickKind::Create}, {"drop", QuickKind::Drop}};
    for (const auto& k : kinds)
        if (name == QLatin1String(k.name)) {
            kind = k.kind;
            return true;
        }
    return false;
}

QString QuickSelectTemplate() {
    return QStringLiteral("SELECT #FDS#\r\n  FROM #TBL# \r\n WHERE |1|\r\n #LIM#;");
}
QString QuickSelectAllTemplate() {
    return QStringLiteral("SELECT * FROM #TBL# WHERE |1| #LIM#;");
}
QString QuickDeleteTemplate() {
    return QStringLiteral("DELETE FROM #TBL# WHERE #PKI# = |;");
}
QString QuickDropTemplate(bool isView) {
    return QStringLiteral("DROP ") + (isView ? QStringLiteral("VIEW") : QStringLiteral("TABLE")) +
           QStringLiteral(" IF EXISTS |#TBL#|;");
}

QString RowStatementTemplate(const TTableLayout& t, const QStringList& primaryKey,
                             const QString& schema, int tag) {
    const RowColumns r = ReadRowColumns(t, primaryKey);
    const QString table = TablePrefix(t, schema);
    QString s;
    if (tag == 2) {
        // With no value columns the key columns are set (so that the
        // statement stays valid SQL).
        const bool none = r.valueNames.isEmpty();
        s = QStringLiteral("UPDATE ") + table + kCrLf + QStringLiteral("   SET (") +
            Joined(none ? r.keyNames : r.valueNames) + QLatin1Char(')') + kCrLf +
            QStringLiteral("     = (") + Joined(none ? r.keyValues : r.valueSql) +
            QLatin1Char(')') + kCrLf + QStringLiteral(" WHERE ");
        QStringList conds;
        bool marked = false;
        for (int k = 0; k < r.keyNames.size(); ++k) {
            const QString& v = r.keyValues[k];
            QString lit = Lit(v);
            if (!marked && (v == QLatin1String("0") || v == QLatin1String("NULL"))) {
                lit = QLatin1Char('|') + v + QLatin1Char('|');
                marked = true;
            } else if (!marked && v == QLatin1String("''")) {
                lit = QStringLiteral("'|'");
                marked = true;
            }
            conds << Lit(r.keyNames[k]) + QStringLiteral(" = ") + lit;
        }
        s += conds.join(QStringLiteral(" AND "));
        if (!marked) s += QLatin1Char('|');
        return s + kCrLf + QLatin1Char(';');
    }
    const QString plain = r.values.join(QStringLiteral(", "));
    const QString plainLit = Joined(r.values);
    const bool upsert = tag == 1;
    s = QStringLiteral("INSERT INTO ") + table + QLatin1Char('(') + Joined(r.names) +
        QStringLiteral(") VALUES ") + kCrLf +
        (upsert ? QStringLiteral("  (") : QStringLiteral(" (")) + MarkedValues(r.values) +
        QLatin1Char(')') + kCrLf;
    const QString more = upsert ? QStringLiteral(" ,(") : QStringLiteral(",(");
    if (plain.size() < (upsert ? 128 : 256)) s += more + plainLit + QLatin1Char(')') + kCrLf;
    if (plain.size() < (upsert ? 64 : 96)) s += more + plainLit + QLatin1Char(')') + kCrLf;
    if (upsert) {
        s += QStringLiteral("  ON CONFLICT");
        s += r.keyNames.isEmpty()
                 ? QStringLiteral(" ")
                 : QStringLiteral(" (") + Joined(r.keyNames) + QStringLiteral(") ");
        s += QStringLiteral("DO ");
        if (r.valueNames.isEmpty()) {
            s += QStringLiteral("NOTHING") + kCrLf;
        } else {
            QStringList excluded;
            for (const QString& n : r.valueNames)
                excluded << QStringLiteral("excluded.") + n;
            s += QStringLiteral("UPDATE") + kCrLf + QStringLiteral("  SET (") +
                 Joined(r.valueNames) + QLatin1Char(')') + kCrLf + QStringLiteral("    = (") +
                 Joined(excluded) + QLatin1Char(')') + kCrLf;
        }
    }
    return s + QLatin1Char(';');
}

QString MarkNameTemplate(const QString& sql, const QString& name, qsizetype from, bool withEnd) {
    const QString text = withEnd ? sql + QLatin1Char(';') : sql;
    qsizetype at = std::max<qsizetype>(0, from);
    while (!name.isEmpty() && (at = text.indexOf(name, at, Qt::CaseInsensitive)) >= 0) {
        const qsizetype end = at + name.size();
        const bool before = at == 0 || !IsWordChar(text[at - 1]);
        const bool after = end >= text.size() || !IsWordChar(text[end]);
        if (before && after)
            return Lit(text.left(at)) + QLatin1Char('|') + Lit(text.mid(at, name.size())) +
                   QLatin1Char('|') + Lit(text.mid(end));
        ++at;
    }
    return Lit(text);
}

TemplateResult CompareInsert(const QString& editor, qsizetype selStart, qsizetype selEnd,
                             const QString& column, const QString& hint) {
    const qsizetype start = std::clamp<qsizetype>(std::min(selStart, selEnd), 0, editor.size());
    const qsizetype end = std::clamp<qsizetype>(std::max(selStart, selEnd), 0, editor.size());
    QString insert;
    if (!column.isEmpty()) {
        // The column stands already just before the caret: not again.
        const qsizetype from = std::max<qsizetype>(0, start - column.size() - 3);
        const qsizetype at = editor.indexOf(column, from, Qt::CaseInsensitive);
        if (at < 0 || at > start) insert = column;
    }
    QString h = hint;
    const qsizetype bar = h.indexOf(QLatin1Char('|'));
    if (bar >= 0) h.remove(bar, 1);
    const qsizetype caret = start + insert.size() + (bar >= 0 ? bar : h.size());
    insert += h;
    TemplateResult r;
    r.text = editor.left(start) + insert + editor.mid(end);
    r.selStart = r.selEnd = caret;
    return r;
}

bool QuickSqlTemplate(TSQLite3Database& db, const QuickTarget& target, QuickKind kind,
                      QString& tmpl, QString& why) {
    if (TrimText(target.table).isEmpty()) {
        why = QStringLiteral("No table or view is selected");
        return false;
    }
    const bool rowKind =
        kind == QuickKind::Insert || kind == QuickKind::Upsert || kind == QuickKind::Update;
    if (target.isView && (rowKind || kind == QuickKind::Delete)) {
        why = QStringLiteral("Not offered for a view: ") + target.table +
              QStringLiteral(" is a view");
        return false;
    }
    switch (kind) {
    case QuickKind::Select:
        tmpl = QuickSelectTemplate();
        return true;
    case QuickKind::SelectAll:
        tmpl = QuickSelectAllTemplate();
        return true;
    case QuickKind::Delete:
        tmpl = QuickDeleteTemplate();
        return true;
    case QuickKind::Drop:
        tmpl = QuickDropTemplate(target.isView);
        return true;
    case QuickKind::Create: {
        QString sql;
        const QString type = target.isView ? QStringLiteral("view") : QStringLiteral("table");
        if (!db.QuerySingleValue(
                sql, QStringLiteral("SELECT \"sql\" FROM ") + MasterTableOf(target.schema) +
                         QStringLiteral(" WHERE \"type\"=") + QuoteSqlString(type) +
                         QStringLiteral(" AND name=") + QuoteSqlString(target.table)) ||
            TrimText(sql).isEmpty()) {
            why = db.LastError().isEmpty() ? QStringLiteral("The statement of ") + target.table +
                                                 QStringLiteral(" cannot be read")
                                           : db.LastError();
            return false;
        }
        tmpl = MarkNameTemplate(sql, target.table, 9);
        return true;
    }
    default:
        break;
    }
    TTableLayout t;
    if (!convDBTableToLayout(db, target.schema, t, target.table, &why)) {
        if (why.isEmpty())
            why =
                QStringLiteral("The layout of ") + target.table + QStringLiteral(" cannot be read");
        return false;
    }
    if (t.Cols.isEmpty()) {
        why = target.table + QStringLiteral(" has no columns");
        return false;
    }
    tmpl = RowStatementTemplate(t, db.PrimaryKeyColumns(target.table, target.schema), target.schema,
                                kind == QuickKind::Insert   ? 0
                                : kind == QuickKind::Upsert ? 1
                                                            : 2);
    return true;
}

bool QuickSqlText(TSQLite3Database& db, const QuickTarget& target, QuickKind kind,
                  const TemplateContext& context, TemplateResult& out, QString& why) {
    QString tmpl;
    if (!QuickSqlTemplate(db, target, kind, tmpl, why)) return false;
    if (!ApplyTemplate(tmpl, context, out)) {
        why = QStringLiteral("No SQL for ") + target.table;
        return false;
    }
    return true;
}

} // namespace sky
