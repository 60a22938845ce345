// Table restructure (set the old table aside, recreate, copy back), the CSV
// upsert and the one-record writers.
#include "engine/Restructure.h"

#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

#include <memory>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kBusy = QStringLiteral("Database Busy");
const QString kNoTable = QStringLiteral("No table given to restructure");
const QString kNoColumns = QStringLiteral("No column structure given for ");
const QString kTransactionOpen = QStringLiteral("Transaction is already opened.");
const QString kNoSuchTable = QStringLiteral("No such table: ");
const QString kNotATable = QStringLiteral(" is not a table: it cannot be restructured");
const QString kVirtualTable =
    QStringLiteral(" is a virtual table or part of one: it cannot be restructured");
const QString kNoDataKept = QStringLiteral(": no data would be kept");
const QString kNoColumnExists = QStringLiteral("No column of the new structure exists in ");
const QString kBadType = QStringLiteral("Column %1: the type %2 is not a column type (%3)");
const QString kLossStart = QStringLiteral("Restructuring %1 would lose: ");
const QString kLossEnd =
    QStringLiteral(". Nothing was changed: the loss must be allowed explicitly");
const QString kNotOneStatement =
    QStringLiteral("Restructure step holds more than one statement: not run");
const QString kEmptyStep = QStringLiteral("Restructure step compiled to nothing");
const QString kUnterminated = QStringLiteral("Column list: ");
const QString kIndexUnterminated = QStringLiteral("Index list: ");
const QString kForeignKeyFailed = QStringLiteral("FOREIGN KEY constraint failed: row %1 of %2 has "
                                                 "no parent in %3");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");

// Type-text reasons.
const QString kTypeWordStart = QStringLiteral("a word must start with a letter");
const QString kTypeConstraint = QStringLiteral("%1 starts a constraint, not a type");
const QString kTypeCharacter = QStringLiteral("%1 cannot appear in a type");
const QString kTypeNoWord = QStringLiteral("the size list must follow a type name");
const QString kTypeNumber = QStringLiteral("the size list holds one or two signed numbers");
const QString kTypeTrailing = QStringLiteral("nothing may follow the size list");
const QString kTypeOpen = QStringLiteral("the size list is not closed");
const QString kTypeControl = QStringLiteral("a control character");
const QString kTypeLineBreak = QStringLiteral("a line break");

// Losses.
const QString kLossWithoutRowid = QStringLiteral("WITHOUT ROWID");
const QString kLossStrict = QStringLiteral("STRICT");
const QString kLossAutoinc = QStringLiteral("AUTOINCREMENT of %1");
const QString kLossAutoincSeq = QStringLiteral("AUTOINCREMENT of %1 (its counter, now %2)");
const QString kLossGenerated = QStringLiteral("the generated column %1");
const QString kLossNotNull = QStringLiteral("NOT NULL of %1");
const QString kLossDefault = QStringLiteral("DEFAULT %2 of %1");
const QString kLossCollate = QStringLiteral("COLLATE %2 of %1");
const QString kLossCheck = QStringLiteral("CHECK of %1");
const QString kLossTableCheck = QStringLiteral("a table CHECK constraint");
const QString kLossUnique = QStringLiteral("UNIQUE (%1)");
const QString kLossForeignKey = QStringLiteral("FOREIGN KEY (%1) REFERENCES %2");
const QString kLossPrimaryKey = QStringLiteral("PRIMARY KEY (%1)");
const QString kLossIndex = QStringLiteral("the index %1");
const QString kLossIndexPartial = QStringLiteral("the partial index %1");
const QString kLossIndexExpr = QStringLiteral("the index %1 on an expression");
const QString kLossIndexOrder = QStringLiteral("the index %1 with descending or collated columns");
const QString kLossRenumber = QStringLiteral("the rowids (they would be renumbered 1..n)");
const QString kLossRowidValues = QStringLiteral("the rowids (they would become the values of %1)");
const QString kLossRowidUnread =
    QStringLiteral("the rowids (they cannot be read: rowid, _rowid_ and oid are all columns)");

// Names in messages: in double-quote characters, long ones shortened.
QString InQuotes(const QString& name) {
    return QLatin1Char('"') + ShortenText(name, 200) + QLatin1Char('"');
}

QString InQuotes(const QStringList& names) {
    QStringList q;
    for (const QString& n : names)
        q.append(InQuotes(n));
    return q.join(QStringLiteral(", "));
}

// Column and table names compare as the engine compares them: ASCII
// letters without regard to case, everything else exactly.
bool SameName(QStringView a, QStringView b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'A' && x <= 'Z') x = char16_t(x + 32);
        if (y >= 'A' && y <= 'Z') y = char16_t(y + 32);
        if (x != y) return false;
    }
    return true;
}

qsizetype IndexOfSame(const QString& name, const QStringList& list) {
    for (qsizetype i = 0; i < list.size(); ++i)
        if (SameName(name, list[i])) return i;
    return -1;
}

bool SameNames(const QStringList& a, const QStringList& b) {
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (!SameName(a[i], b[i])) return false;
    return true;
}

bool SameNameSets(const QStringList& a, const QStringList& b) {
    if (a.size() != b.size()) return false;
    for (const QString& n : a)
        if (IndexOfSame(n, b) < 0) return false;
    return true;
}

// Words that begin a column constraint: after them the text is no longer a type.
bool IsConstraintWord(QStringView w) {
    static const char* const words[] = {"CONSTRAINT", "PRIMARY",   "NOT",     "NULL",
                                        "UNIQUE",     "CHECK",     "DEFAULT", "COLLATE",
                                        "REFERENCES", "GENERATED", "AS"};
    for (const char* k : words)
        if (SqlWordIs(w, k)) return true;
    return false;
}

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A number as the engine reads one: decimal digits with an optional
// fraction and exponent, or a hexadecimal integer.
bool IsNumberText(QStringView s) {
    if (s.size() > 2 && s[0] == QLatin1Char('0') &&
        (s[1] == QLatin1Char('x') || s[1] == QLatin1Char('X'))) {
        for (qsizetype i = 2; i < s.size(); ++i)
            if (!IsDigit(s[i]) && !(s[i] >= QLatin1Char('a') && s[i] <= QLatin1Char('f')) &&
                !(s[i] >= QLatin1Char('A') && s[i] <= QLatin1Char('F')))
                return false;
        return true;
    }
    qsizetype i = 0, digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) ++i;
        const qsizetype exp = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        if (i == exp) return false;
    }
    return i == s.size();
}

// The rows of a catalogue query; false with the reason in LastError.
bool Rows(TSQLite3Database& db, const QString& sql, QList<QStringList>& rows) {
    rows.clear();
    db.ClearError();
    return db.QueryTextRows(sql, rows) && db.LastError().isEmpty();
}

// The arguments of a table-valued pragma for a table of a given schema.
QString PragmaArgs(const QString& name, const QString& schema) {
    return QLatin1Char('(') + QuoteSqlString(name) + QStringLiteral(", ") + QuoteSqlString(schema) +
           QLatin1Char(')');
}

// The table as the engine finds an unqualified name: temp, then main, then
// attached schemas.
struct TableInfo {
    QString schema;
    QString name; // as stored
    QString type; // table, view, virtual or shadow
    bool withoutRowid = false;
    bool strict = false;
    QString Qualified() const { return QuoteIdent(schema) + QLatin1Char('.') + QuoteIdent(name); }
};

// found is false when no such table exists. The name is first looked up as
// given, then trimmed and unquoted.
bool FindTable(TSQLite3Database& db, const QString& given, TableInfo& info, bool& found) {
    found = false;
    QStringList candidates{given};
    const QString unquoted = UnquoteIdent(TrimText(given));
    if (unquoted != given && !unquoted.isEmpty()) candidates.append(unquoted);
    for (const QString& name : candidates) {
        QList<QStringList> rows;
        if (!Rows(db,
                  QStringLiteral("SELECT \"schema\", \"name\", \"type\", \"wr\", \"strict\" FROM "
                                 "pragma_table_list(") +
                      QuoteSqlString(name) +
                      QStringLiteral(") ORDER BY \"schema\"='temp' DESC, \"schema\"='main' DESC "
                                     "LIMIT 1;"),
                  rows))
            return false;
        if (rows.isEmpty() || rows[0].size() < 5) continue;
        info.schema = rows[0][0];
        info.name = rows[0][1];
        info.type = rows[0][2];
        info.withoutRowid = rows[0][3] == QLatin1String("1");
        info.strict = rows[0][4] == QLatin1String("1");
        found = true;
        return true;
    }
    return true;
}

struct OldColumn {
    QString name;
    QString type;
    bool notNull = false;
    bool hasDefault = false;
    QString defaultText;
    int pk = 0;
    int hidden = 0; // 2, 3: generated
};

bool ReadColumns(TSQLite3Database& db, const TableInfo& t, QList<OldColumn>& cols) {
    cols.clear();
    QList<QStringList> rows;
    if (!Rows(db,
              QStringLiteral("SELECT \"name\", \"type\", \"notnull\", \"dflt_value\" IS NOT NULL, "
                             "\"dflt_value\", \"pk\", \"hidden\" FROM pragma_table_xinfo") +
                  PragmaArgs(t.name, t.schema) + QStringLiteral(" ORDER BY \"cid\";"),
              rows))
        return false;
    for (const QStringList& r : rows) {
        if (r.size() < 7) continue;
        OldColumn c;
        c.name = r[0];
        c.type = r[1];
        c.notNull = r[2] == QLatin1String("1");
        c.hasDefault = r[3] == QLatin1String("1");
        c.defaultText = r[4];
        c.pk = r[5].toInt();
        c.hidden = r[6].toInt();
        cols.append(c);
    }
    return true;
}

// Columns whose definition in the stored CREATE TABLE text holds a CHECK,
// and whether a table constraint does.
void ScanChecks(QStringView sql, QStringList& columnChecks, bool& tableCheck) {
    columnChecks.clear();
    tableCheck = false;
    SqlLexer lx(sql);
    SqlToken tok;
    int depth = 0;
    bool segStart = false, segTable = false, segCheck = false;
    QString segName;
    auto finish = [&] {
        if (segCheck) {
            if (segTable)
                tableCheck = true;
            else
                columnChecks.append(segName);
        }
        segStart = true;
        segTable = segCheck = false;
        segName.clear();
    };
    while (lx.Next(tok)) {
        if (tok.kind == SqlTokKind::Space || tok.kind == SqlTokKind::LineBreak ||
            tok.kind == SqlTokKind::LineComment || tok.kind == SqlTokKind::BlockComment)
            continue;
        const QStringView text = sql.mid(tok.pos, tok.len);
        if (tok.kind == SqlTokKind::Other && text == QLatin1String("(")) {
            if (depth++ == 0) segStart = true;
            continue;
        }
        if (tok.kind == SqlTokKind::Other && text == QLatin1String(")")) {
            if (--depth == 0) {
                finish();
                break;
            }
            continue;
        }
        if (depth != 1) continue;
        if (tok.kind == SqlTokKind::Other && text == QLatin1String(",")) {
            finish();
            continue;
        }
        if (segStart) {
            segStart = false;
            if (tok.kind == SqlTokKind::Word &&
                (SqlWordIs(text, "CONSTRAINT") || SqlWordIs(text, "PRIMARY") ||
                 SqlWordIs(text, "UNIQUE") || SqlWordIs(text, "CHECK") ||
                 SqlWordIs(text, "FOREIGN"))) {
                segTable = true;
                segCheck = SqlWordIs(text, "CHECK");
            } else {
                segName = tok.kind == SqlTokKind::Quoted ? UnquoteIdent(text.toString())
                                                         : text.toString();
            }
            continue;
        }
        if (tok.kind == SqlTokKind::Word && SqlWordIs(text, "CHECK")) segCheck = true;
    }
}

// The type as the table gets it: trimmed, upper case, INT widened to INTEGER.
QString NewType(const QString& type) {
    QString t = TrimText(type).toUpper();
    if (t == QLatin1String("INT")) t = QStringLiteral("INTEGER");
    return t;
}

// The column that becomes the new table's rowid alias: the only primary-key
// column when its type is INTEGER.
int NewAlias(const QList<TStructColumn>& columns) {
    int alias = -1, keys = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (!columns[i].primaryKey) continue;
        ++keys;
        if (NewType(columns[i].type) == QLatin1String("INTEGER")) alias = int(i);
    }
    return keys == 1 ? alias : -1;
}

// A name for the rowid that no column hides, or empty.
QString RowidName(const QList<OldColumn>& cols) {
    for (const char* n : {"rowid", "_rowid_", "oid"}) {
        const QString name = QLatin1String(n);
        bool hidden = false;
        for (const OldColumn& c : cols)
            if (SameName(c.name, name)) hidden = true;
        if (!hidden) return name;
    }
    return QString();
}

// Runs one statement of the plan. A text that holds more than one statement
// is refused before anything runs.
bool RunStep(TSQLite3Database& db, const QString& sql) {
    db.ClearError();
    std::unique_ptr<TSQLite3Statement> stmt = db.Prepare(sql);
    if (!stmt) {
        if (db.LastError().isEmpty()) db.SetError(kEmptyStep);
        return false;
    }
    const char* used = sqlite3_sql(stmt->Handle());
    const QByteArray utf8 = sql.toUtf8();
    for (qsizetype i = used ? qsizetype(qstrlen(used)) : 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        if (c != ';' && c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            db.SetError(kNotOneStatement);
            return false;
        }
    }
    const int rc = stmt->Step();
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) return db.CheckResult(rc);
    return true;
}

// The index statements of a list, in list order.
QStringList IndexStatements(const QList<TStructIndex>& indexes, const TableInfo& t) {
    QStringList sql;
    for (const TStructIndex& ix : indexes) {
        if (ix.columns.isEmpty() ||
            ix.name.compare(QLatin1String("PRIMARY"), Qt::CaseInsensitive) == 0)
            continue;
        QStringList cols;
        for (const QString& c : ix.columns)
            cols.append(QuoteIdent(c));
        sql.append(QStringLiteral("CREATE ") + (ix.unique ? QStringLiteral("UNIQUE ") : QString()) +
                   QStringLiteral("INDEX ") + QuoteIdent(t.schema) + QLatin1Char('.') +
                   QuoteIdent(QStringLiteral("idx_") + t.name + QLatin1Char('_') + ix.name) +
                   QStringLiteral(" ON ") + QuoteIdent(t.name) + QStringLiteral(" (") +
                   cols.join(QLatin1Char(',')) + QStringLiteral(");"));
    }
    return sql;
}

// The passed indexes that the rebuild creates.
QList<const TStructIndex*> CreatedIndexes(const QList<TStructIndex>& indexes) {
    QList<const TStructIndex*> out;
    for (const TStructIndex& ix : indexes)
        if (!ix.columns.isEmpty() &&
            ix.name.compare(QLatin1String("PRIMARY"), Qt::CaseInsensitive) != 0)
            out.append(&ix);
    return out;
}

bool FindLosses(TSQLite3Database& db, const TableInfo& t, const QList<OldColumn>& old,
                const QList<TStructColumn>& columns, const QList<TStructIndex>& indexes,
                QStringList& losses) {
    losses.clear();
    QStringList newNames, newKeys;
    for (const TStructColumn& c : columns) {
        newNames.append(c.name);
        if (c.primaryKey) newKeys.append(c.name);
    }
    auto kept = [&](const QString& name) { return IndexOfSame(name, newNames) >= 0; };
    const int alias = NewAlias(columns);
    const QString tableLit = QuoteSqlString(t.name);

    if (t.withoutRowid) losses.append(kLossWithoutRowid);
    if (t.strict) losses.append(kLossStrict);

    // Columns: generated ones are never in the list; the constraints of the
    // others cannot be written in it.
    QStringList checks;
    bool tableCheck = false;
    QList<QStringList> rows;
    if (!Rows(db,
              QStringLiteral("SELECT \"sql\" FROM ") + MasterTableOf(t.schema) +
                  QStringLiteral(" WHERE \"type\"='table' AND \"name\"=") + tableLit +
                  QLatin1Char(';'),
              rows))
        return false;
    if (!rows.isEmpty() && !rows[0].isEmpty()) ScanChecks(rows[0][0], checks, tableCheck);
    QStringList oldKeys;
    for (const OldColumn& c : old) {
        if (c.hidden == 2 || c.hidden == 3) {
            losses.append(kLossGenerated.arg(InQuotes(c.name)));
            continue;
        }
        if (c.pk > 0) oldKeys.append(c.name);
        if (!kept(c.name)) continue;
        db.ClearError();
        const TSQLiteColumnMetaData md = db.ColMetaData(t.name, c.name, t.schema);
        if (!md.isValidColumn) {
            if (db.LastError().isEmpty()) db.SetError(kBusy);
            return false;
        }
        if (md.isAutoInc) {
            QString seq;
            if (!Rows(db,
                      QStringLiteral("SELECT \"seq\" FROM ") + QuoteIdent(t.schema) +
                          QStringLiteral(".\"sqlite_sequence\" WHERE \"name\"=") + tableLit +
                          QLatin1Char(';'),
                      rows))
                return false;
            if (!rows.isEmpty() && !rows[0].isEmpty()) seq = rows[0][0];
            losses.append(seq.isEmpty() ? kLossAutoinc.arg(InQuotes(c.name))
                                        : kLossAutoincSeq.arg(InQuotes(c.name), seq));
        }
        const bool isAlias = alias >= 0 && SameName(columns[alias].name, c.name);
        if (c.notNull && !isAlias) losses.append(kLossNotNull.arg(InQuotes(c.name)));
        if (c.hasDefault)
            losses.append(kLossDefault.arg(InQuotes(c.name), ShortenText(c.defaultText, 60)));
        if (!md.sCollation.isEmpty() &&
            md.sCollation.compare(QLatin1String("BINARY"), Qt::CaseInsensitive) != 0)
            losses.append(kLossCollate.arg(InQuotes(c.name), md.sCollation));
        if (IndexOfSame(c.name, checks) >= 0) losses.append(kLossCheck.arg(InQuotes(c.name)));
    }
    if (tableCheck) losses.append(kLossTableCheck);

    // The primary key, when all its columns stay but it changes.
    bool allKeysKept = !oldKeys.isEmpty();
    for (const QString& k : oldKeys)
        if (!kept(k)) allKeysKept = false;
    if (allKeysKept && !SameNameSets(oldKeys, newKeys))
        losses.append(kLossPrimaryKey.arg(InQuotes(oldKeys)));

    // Foreign keys of the table whose columns stay.
    if (!Rows(db,
              QStringLiteral("SELECT \"id\", \"from\", \"table\" FROM pragma_foreign_key_list") +
                  PragmaArgs(t.name, t.schema) + QStringLiteral(" ORDER BY \"id\", \"seq\";"),
              rows))
        return false;
    for (qsizetype i = 0; i < rows.size();) {
        const QString id = rows[i][0];
        QStringList from;
        bool anyKept = false;
        const QString parent = rows[i][2];
        for (; i < rows.size() && rows[i][0] == id; ++i) {
            from.append(rows[i][1]);
            if (kept(rows[i][1])) anyKept = true;
        }
        if (anyKept) losses.append(kLossForeignKey.arg(InQuotes(from), InQuotes(parent)));
    }

    // Indexes: UNIQUE constraints and explicit indexes survive only as passed
    // indexes with the same columns.
    const QList<const TStructIndex*> created = CreatedIndexes(indexes);
    QList<QStringList> list;
    if (!Rows(db,
              QStringLiteral("SELECT \"name\", \"unique\", \"origin\", \"partial\" FROM "
                             "pragma_index_list") +
                  PragmaArgs(t.name, t.schema) + QStringLiteral(" ORDER BY \"seq\" DESC;"),
              list))
        return false;
    for (const QStringList& ix : list) {
        if (ix.size() < 4 || ix[2] == QLatin1String("pk")) continue;
        const bool unique = ix[1] == QLatin1String("1");
        if (!Rows(db,
                  QStringLiteral("SELECT \"cid\", \"name\", \"desc\", \"coll\" FROM "
                                 "pragma_index_xinfo") +
                      PragmaArgs(ix[0], t.schema) +
                      QStringLiteral(" WHERE \"key\" ORDER BY \"seqno\";"),
                  rows))
            return false;
        QStringList cols;
        bool expression = false, ordered = false, allKept = true;
        for (const QStringList& r : rows) {
            if (r.size() < 4) continue;
            if (r[0].toInt() < 0) expression = true;
            if (r[2] == QLatin1String("1") ||
                r[3].compare(QLatin1String("BINARY"), Qt::CaseInsensitive) != 0)
                ordered = true;
            cols.append(r[1]);
            if (!kept(r[1])) allKept = false;
        }
        if (ix[2] == QLatin1String("u")) {
            bool carried = newKeys.size() == 1 && SameNameSets(cols, newKeys);
            for (const TStructIndex* p : created)
                if (p->unique && SameNameSets(p->columns, cols)) carried = true;
            if (allKept && !carried) losses.append(kLossUnique.arg(InQuotes(cols)));
            continue;
        }
        const bool partial = ix[3] == QLatin1String("1");
        if (partial) {
            losses.append(kLossIndexPartial.arg(InQuotes(ix[0])));
        } else if (expression) {
            losses.append(kLossIndexExpr.arg(InQuotes(ix[0])));
        } else if (ordered) {
            losses.append(kLossIndexOrder.arg(InQuotes(ix[0])));
        } else {
            bool carried = false;
            for (const TStructIndex* p : created)
                if (p->unique == unique && SameNames(p->columns, cols)) carried = true;
            // An index on a column the list drops goes with that column.
            if (!carried && allKept) losses.append(kLossIndex.arg(InQuotes(ix[0])));
        }
    }

    // Rowids: the copy gives the new table rowids 1..n in the old order, or
    // the values of its rowid alias.
    if (!t.withoutRowid) {
        const QString rowid = RowidName(old);
        if (rowid.isEmpty()) {
            losses.append(kLossRowidUnread);
        } else if (alias >= 0 && kept(columns[alias].name)) {
            if (!Rows(db,
                      QStringLiteral("SELECT count(*) FROM ") + t.Qualified() +
                          QStringLiteral(" WHERE ") + rowid + QStringLiteral(" IS NOT ") +
                          QuoteIdent(columns[alias].name, false, true) + QLatin1Char(';'),
                      rows))
                return false;
            if (rows.isEmpty() || rows[0].isEmpty() || rows[0][0] != QLatin1String("0"))
                losses.append(kLossRowidValues.arg(InQuotes(columns[alias].name)));
        } else {
            if (!Rows(db,
                      QStringLiteral("SELECT count(*)=0 OR (min(r)=1 AND max(r)=count(*)) FROM "
                                     "(SELECT ") +
                          rowid + QStringLiteral(" AS r FROM ") + t.Qualified() +
                          QStringLiteral(");"),
                      rows))
                return false;
            if (rows.isEmpty() || rows[0].isEmpty() || rows[0][0] != QLatin1String("1"))
                losses.append(kLossRenumber);
        }
    }
    return true;
}

// Parsed column, type and index lists, checked against the table.
struct Prepared {
    TableInfo table;
    QList<OldColumn> old;
    QStringList defs; // column definitions of the new table
    QStringList keep; // quoted names of the columns whose rows are copied
};

// The definitions of the new columns. Every type text is checked before
// anything is read or run.
bool ColumnDefinitions(TSQLite3Database& db, const QList<TStructColumn>& columns,
                       const QString& tableName, QStringList& defs) {
    if (TrimText(tableName).isEmpty()) {
        db.SetError(kNoTable);
        return false;
    }
    if (columns.isEmpty()) {
        db.SetError(kNoColumns + InQuotes(tableName));
        return false;
    }
    for (const TStructColumn& c : columns) {
        const QString type = NewType(c.type);
        const QString why = ColumnTypeError(type);
        if (!why.isEmpty()) {
            db.SetError(kBadType.arg(InQuotes(c.name), InQuotes(type), why));
            return false;
        }
        defs.append(TrimText(QuoteIdent(c.name) + QLatin1Char(' ') + type +
                             (c.primaryKey ? QStringLiteral(" PRIMARY KEY") : QString())));
    }
    return true;
}

// The table, its columns and the columns whose rows stay.
bool ReadTable(TSQLite3Database& db, const QList<TStructColumn>& columns, const QString& tableName,
               Prepared& p) {
    bool found = false;
    if (!FindTable(db, tableName, p.table, found)) return false;
    if (!found) {
        db.SetError(kNoSuchTable + InQuotes(tableName));
        return false;
    }
    if (p.table.type == QLatin1String("view")) {
        db.SetError(InQuotes(p.table.name) + kNotATable);
        return false;
    }
    if (p.table.type != QLatin1String("table")) {
        db.SetError(InQuotes(p.table.name) + kVirtualTable);
        return false;
    }
    if (!ReadColumns(db, p.table, p.old)) return false;
    for (const TStructColumn& c : columns) {
        for (const OldColumn& o : p.old) {
            if (o.hidden == 0 && SameName(o.name, c.name)) {
                p.keep.append(QuoteIdent(c.name, false, true));
                break;
            }
        }
    }
    if (p.keep.isEmpty()) {
        db.SetError(kNoColumnExists + InQuotes(p.table.name) + kNoDataKept);
        return false;
    }
    return true;
}

// Inside the transaction: what is read cannot change before it is used.
bool Rebuild(TSQLite3Database& db, const QList<TStructColumn>& columns,
             const QList<TStructIndex>& indexes, const QString& tableName, bool allowLoss,
             bool checkForeignKeys, Prepared& p) {
    if (!ReadTable(db, columns, tableName, p)) return false;
    const TableInfo& t = p.table;
    if (!allowLoss) {
        QStringList losses;
        if (!FindLosses(db, t, p.old, columns, indexes, losses)) return false;
        if (!losses.isEmpty()) {
            db.SetError(kLossStart.arg(InQuotes(t.name)) + losses.join(QStringLiteral("; ")) +
                        kLossEnd);
            return false;
        }
    }

    // The table's triggers go with DROP TABLE: they are made again.
    QList<QStringList> triggers;
    if (!Rows(db,
              QStringLiteral("SELECT \"sql\" FROM ") + MasterTableOf(t.schema) +
                  QStringLiteral(" WHERE \"type\"='trigger' AND \"tbl_name\"=") +
                  QuoteSqlString(t.name) + QStringLiteral(" AND trim(\"sql\")!='';"),
              triggers))
        return false;

    // The old table is renamed aside rather than copied to a temporary
    // table: the rows are copied once. Legacy renaming leaves views,
    // triggers and other tables' foreign keys naming the table alone.
    QString aside = QStringLiteral("tOld_") + t.name;
    for (int k = 2;; ++k) {
        QList<QStringList> taken;
        if (!Rows(db,
                  QStringLiteral("SELECT 1 FROM ") + MasterTableOf(t.schema) +
                      QStringLiteral(" WHERE \"name\"=") + QuoteSqlString(aside) +
                      QStringLiteral(" COLLATE NOCASE;"),
                  taken))
            return false;
        if (taken.isEmpty()) break;
        aside = QStringLiteral("tOld_") + t.name + QLatin1Char('_') + QString::number(k);
    }
    const QString qTable = t.Qualified();
    const QString qAside = QuoteIdent(t.schema) + QLatin1Char('.') + QuoteIdent(aside);
    const QString kept = p.keep.join(QLatin1Char(','));
    // Rows keep their order: new rowids follow the old ones.
    const QString rowid = t.withoutRowid ? QString() : RowidName(p.old);
    QStringList plan;
    plan << QStringLiteral("ALTER TABLE ") + qTable + QStringLiteral(" RENAME TO ") +
                QuoteIdent(aside) + QLatin1Char(';')
         << QStringLiteral("CREATE TABLE ") + qTable + QLatin1Char('(') +
                p.defs.join(QLatin1Char(',')) + QStringLiteral(");")
         // A plain INSERT: duplicate keys fail the whole change instead of
         // silently replacing rows.
         << QStringLiteral("INSERT INTO ") + qTable + QStringLiteral(" (") + kept +
                QStringLiteral(") SELECT ") + kept + QStringLiteral(" FROM ") + qAside +
                (rowid.isEmpty() ? QString() : QStringLiteral(" ORDER BY ") + rowid) +
                QLatin1Char(';')
         << QStringLiteral("DROP TABLE ") + qAside + QLatin1Char(';');
    plan << IndexStatements(indexes, t);
    for (const QStringList& tr : triggers)
        plan << tr[0] + QLatin1Char(';');
    for (const QString& step : plan)
        if (!RunStep(db, step)) return false;

    if (!checkForeignKeys) return true;
    QList<QStringList> bad;
    if (!Rows(db,
              QStringLiteral("SELECT k.\"table\", k.\"rowid\", k.\"parent\" FROM ") +
                  MasterTableOf(t.schema) +
                  QStringLiteral(" AS m, pragma_foreign_key_check(m.\"name\", ") +
                  QuoteSqlString(t.schema) +
                  QStringLiteral(") AS k WHERE m.\"type\"='table' AND (m.\"name\"=") +
                  QuoteSqlString(t.name) + QStringLiteral(" OR k.\"parent\"=") +
                  QuoteSqlString(t.name) + QStringLiteral(" COLLATE NOCASE) LIMIT 1;"),
              bad))
        return false;
    if (!bad.isEmpty() && bad[0].size() >= 3) {
        db.SetError(kForeignKeyFailed.arg(bad[0][1], InQuotes(bad[0][0]), InQuotes(bad[0][2])));
        return false;
    }
    return true;
}

bool RestructureImpl(TSQLite3Database& db, const QList<TStructColumn>& columns,
                     const QList<TStructIndex>& indexes, const QString& tableName, bool allowLoss) {
    if (!db.CheckConnected()) return false;
    if (db.TransactionOpen()) {
        db.SetError(kTransactionOpen);
        return false;
    }
    if (db.IsBusy()) {
        db.SetError(kBusy);
        return false;
    }
    Prepared p;
    if (!ColumnDefinitions(db, columns, tableName, p.defs)) return false;

    QString legacy;
    if (!db.QuerySingleValue(legacy, QStringLiteral("PRAGMA legacy_alter_table;"))) return false;
    if (legacy != QLatin1String("1") && !db.Execute(QStringLiteral("PRAGMA legacy_alter_table=1;")))
        return false;
    struct RestoreLegacy {
        TSQLite3Database& db;
        bool restore;
        ~RestoreLegacy() {
            if (restore) db.ExecSQL(QStringLiteral("PRAGMA legacy_alter_table=0;"));
        }
    } restoreLegacy{db, legacy != QLatin1String("1")};

    // Enforcement cannot change inside a transaction: it is switched off
    // around it, and the keys are checked before the commit instead.
    bool fkOn = false;
    if (!db.CheckForeignKeys(fkOn)) return false;
    if (fkOn && !db.SetForeignKeys(false)) return false;
    bool ok = db.BeginTransaction();
    if (ok) {
        ok = Rebuild(db, columns, indexes, tableName, allowLoss, fkOn, p);
        if (ok) {
            ok = db.Commit();
        } else {
            const QString keptErr = db.LastError();
            db.Rollback();
            db.SetError(keptErr);
        }
    }
    if (fkOn) {
        const QString keptErr = db.LastError();
        const bool restored = db.SetForeignKeys(true);
        if (ok && !restored)
            ok = false;
        else if (!ok)
            db.SetError(keptErr);
    }
    return ok;
}

} // namespace

QString ColumnTypeError(QStringView type) {
    SqlLexer lx(type);
    SqlToken tok;
    enum { Words, ListNumber, ListNext, Closed } state = Words;
    int words = 0, numbers = 0;
    while (lx.Next(tok)) {
        const QStringView text = type.mid(tok.pos, tok.len);
        if (tok.kind == SqlTokKind::Space) {
            for (QChar c : text)
                if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
                    return kTypeCharacter.arg(kTypeControl);
            continue;
        }
        if (tok.kind == SqlTokKind::LineBreak) return kTypeCharacter.arg(kTypeLineBreak);
        switch (state) {
        case Words:
            if (tok.kind == SqlTokKind::Word) {
                if (IsDigit(text[0]) || text[0] == QLatin1Char('$')) return kTypeWordStart;
                if (IsConstraintWord(text)) return kTypeConstraint.arg(text.toString().toUpper());
                ++words;
                continue;
            }
            if (tok.kind == SqlTokKind::Other && text == QLatin1String("(")) {
                if (words == 0) return kTypeNoWord;
                state = ListNumber;
                continue;
            }
            break;
        case ListNumber: {
            // A sign, then the number's pieces up to the next blank, comma
            // or closing parenthesis ("1e-5" arrives as "1e", "-", "5").
            QString number;
            if (tok.kind == SqlTokKind::Other &&
                (text == QLatin1String("+") || text == QLatin1String("-"))) {
                if (!lx.Next(tok)) return kTypeOpen;
            }
            for (;;) {
                const QStringView piece = type.mid(tok.pos, tok.len);
                if (tok.kind != SqlTokKind::Word &&
                    !(tok.kind == SqlTokKind::Other &&
                      (piece == QLatin1String(".") ||
                       ((piece == QLatin1String("+") || piece == QLatin1String("-")) &&
                        (number.endsWith(QLatin1Char('e')) || number.endsWith(QLatin1Char('E')))))))
                    return kTypeNumber;
                number += piece;
                const qsizetype at = lx.Pos();
                if (at >= type.size() || type[at] == QLatin1Char(' ') ||
                    type[at] == QLatin1Char('\t') || type[at] == QLatin1Char(',') ||
                    type[at] == QLatin1Char(')'))
                    break;
                if (!lx.Next(tok)) break;
            }
            if (!IsNumberText(number)) return kTypeNumber;
            ++numbers;
            state = ListNext;
            continue;
        }
        case ListNext:
            if (tok.kind == SqlTokKind::Other && text == QLatin1String(",") && numbers == 1) {
                state = ListNumber;
                continue;
            }
            if (tok.kind == SqlTokKind::Other && text == QLatin1String(")")) {
                state = Closed;
                continue;
            }
            return kTypeNumber;
        case Closed:
            return kTypeTrailing;
        }
        return kTypeCharacter.arg(InQuotes(ShortenText(text.toString(), 40)));
    }
    if (state == ListNumber || state == ListNext) return kTypeOpen;
    return QString();
}

namespace {

// The records of a comma-separated list read by the CSV reader, blanks and
// quotes kept; -1 (with error = prefix + the reader's reason) on a broken
// list. field(col, row) is empty past a record's end.
struct CsvRecords {
    TCSVTableRec table;
    QString Field(int col, int row) const {
        return col < table.Col.size() ? table.Col[col].Row.at(row) : QString();
    }
    int Read(const QString& text, const QString& errorPrefix, QString& error) {
        CSVConfigure(table, false, false, true, false, false, QLatin1Char(','));
        QString copy = text;
        const int rows = CSVRead(copy, table);
        if (table.Cfg.ErrorDescr.isEmpty()) return rows;
        error = errorPrefix + table.Cfg.ErrorDescr;
        return -1;
    }
};

} // namespace

bool ParseStructureCsv(const QString& text, QList<TStructColumn>& columns, QString& error) {
    columns.clear();
    error.clear();
    if (text.isEmpty()) return true;
    CsvRecords csv;
    const int rows = csv.Read(text, kUnterminated, error);
    if (rows < 0) return false;
    const auto field = [&csv](int col, int row) { return csv.Field(col, row); };
    for (int r = 0; r < rows; ++r) {
        TStructColumn c;
        c.name = field(0, r);
        if (c.name.isEmpty()) continue;
        c.type = field(1, r);
        c.primaryKey = TrimText(field(2, r)).toUpper().startsWith(QLatin1String("PRI"));
        columns.append(c);
    }
    return true;
}

namespace {

// Index records into indexes: consecutive records form one index until a
// record with position "1" starts the next.
void AddIndexRecord(QList<TStructIndex>& indexes, const QString& unique, const QString& name,
                    const QString& position, const QString& column) {
    if (indexes.isEmpty() || TrimText(position) == QLatin1String("1")) {
        TStructIndex ix;
        ix.unique = TrimText(unique) == QLatin1String("0");
        ix.name = TrimText(name);
        indexes.append(ix);
    }
    if (!column.isEmpty()) indexes.last().columns.append(column);
}

} // namespace

bool ParseIndexCsv(const QString& text, QList<TStructIndex>& indexes, QString& error) {
    indexes.clear();
    error.clear();
    if (text.isEmpty()) return true;
    CsvRecords csv;
    const int rows = csv.Read(text, kIndexUnterminated, error);
    if (rows < 0) return false;
    const auto field = [&csv](int col, int row) { return csv.Field(col, row); };
    for (int r = 0; r < rows; ++r)
        AddIndexRecord(indexes, field(1, r), field(2, r), field(3, r), field(4, r));
    return true;
}

QList<TStructColumn> StructColumnsFromLines(const QStringList& lines) {
    QList<TStructColumn> columns;
    QStringList fields;
    for (const QString& line : lines) {
        if (SplitCSVFields(line, fields, QLatin1Char(',')) < 3 || fields[0].isEmpty()) continue;
        TStructColumn c;
        c.name = fields[0];
        c.type = fields[1];
        c.primaryKey = TrimText(fields[2]).toUpper().startsWith(QLatin1String("PRI"));
        columns.append(c);
    }
    return columns;
}

QList<TStructIndex> StructIndexesFromLines(const QStringList& lines) {
    QList<TStructIndex> indexes;
    QStringList fields;
    for (const QString& line : lines) {
        if (SplitCSVFields(line, fields, QLatin1Char(',')) < 10) continue;
        AddIndexRecord(indexes, fields[1], fields[2], fields[3], fields[4]);
    }
    return indexes;
}

bool RestructureLosses(TSQLite3Database& db, const QList<TStructColumn>& columns,
                       const QList<TStructIndex>& indexes, const QString& tableName,
                       QStringList& losses) {
    losses.clear();
    if (!db.CheckConnected()) return false;
    if (db.IsBusy()) {
        db.SetError(kBusy);
        return false;
    }
    Prepared p;
    if (!ColumnDefinitions(db, columns, tableName, p.defs) || !ReadTable(db, columns, tableName, p))
        return false;
    return FindLosses(db, p.table, p.old, columns, indexes, losses);
}

bool RestructureTable(TSQLite3Database& db, const QList<TStructColumn>& columns,
                      const QList<TStructIndex>& indexes, const QString& tableName,
                      bool allowLoss) {
    db.DispatchUpdates();
    bool ok = false;
    try {
        ok = RestructureImpl(db, columns, indexes, tableName, allowLoss);
    } catch (const std::exception& e) {
        if (db.TransactionOpen()) db.Rollback();
        db.SetError(kExceptionExecuting + ExceptionText(e));
        ok = false;
    }
    db.DispatchUpdates();
    return ok;
}

bool TSQLite3Database::UpdateStructure(const QStringList& StructData, const QStringList& Indices,
                                       const QString& TableName, int& ChgCount,
                                       bool /*AllowRemoveFields*/) {
    ChgCount = 0;
    return RestructureTable(*this, StructColumnsFromLines(StructData),
                            StructIndexesFromLines(Indices), TableName, false);
}

bool TSQLite3Database::UpdateFromCSV(QStringList& CSVData, const QString& TableName, int& ChgCount,
                                     TConflictHandler onKeyFieldExists, QChar sDelim) {
    DispatchUpdates();
    ChgCount = 0;
    const QString table = TrimText(TableName);
    if (!CheckConnected()) return false;
    for (qsizetype i = CSVData.size() - 1; i >= 0; --i)
        if (TrimText(CSVData[i]).isEmpty()) CSVData.removeAt(i);
    const bool ownTransaction = !FTransactionOpen;
    if (ownTransaction) {
        if (!BeginTransaction()) return false;
    } else if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    auto fail = [&](const QString& why) {
        if (ownTransaction) Rollback();
        SetError(why);
        return false;
    };
    try {
        const QString shown = UnquoteIdent(table);
        if (CSVData.size() < 2)
            return fail(QStringLiteral(
                "A CSV Import must contain at least a Header row and 1 row of data"));
        const QStringList keys = PrimaryKeyColumns(table, QString());
        if (keys.isEmpty())
            return fail(QStringLiteral("Table ") + InQuotes(shown) +
                        QStringLiteral(" has no Primary Key Index"));
        QStringList columns;
        if (EnumColNames(columns, table) <= 0)
            return fail(QStringLiteral("Table ") + InQuotes(shown) +
                        QStringLiteral(" has no Columns"));
        QStringList header;
        if (SplitCSVFields(CSVData[0], header, sDelim) < 2)
            return fail(QStringLiteral("CSV Import data has no data Columns"));

        // Header field index and column name of every matched column.
        QList<int> fieldIndex;
        QStringList names;
        bool hasKey = false;
        for (qsizetype f = 0; f < header.size() && names.size() < 999; ++f) {
            const int c = IndexOfName(header[f], columns);
            if (c < 0) continue;
            fieldIndex.append(int(f));
            names.append(QuoteIdent(columns[c], false, true));
            if (IndexOfName(columns[c], keys) >= 0) hasKey = true;
        }
        if (names.size() < 2)
            return fail(QStringLiteral("CSV Import data does not contain columns referencing valid "
                                       "fields in ") +
                        InQuotes(shown));
        if (!hasKey)
            return fail(
                QStringLiteral("CSV Import does not contain a valid Primary-Key Field for ") +
                InQuotes(shown));

        QString params = QStringLiteral("?1");
        for (qsizetype k = 1; k < names.size(); ++k)
            params += QStringLiteral(",?") + QString::number(k + 1);
        const QString sql = QStringLiteral("INSERT OR ") + ConflictClauseWord(onKeyFieldExists) +
                            QStringLiteral(" INTO ") + QualifiedTableName(table) +
                            QStringLiteral(" (") + names.join(QLatin1Char(',')) +
                            QStringLiteral(") VALUES (") + params + QStringLiteral(");");
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(sql);
        if (!stmt) return fail(QStringLiteral("Import Prepare error - ") + FLastErr);
        QStringList fields;
        for (qsizetype line = 1; line < CSVData.size(); ++line) {
            const QString& text = CSVData[line];
            auto excerpt = [&] {
                return QStringLiteral("Line ") + QString::number(line + 1) + QStringLiteral(" (") +
                       text.left(30) + QStringLiteral("...)");
            };
            if (SplitCSVFields(text, fields, sDelim) < header.size())
                return fail(excerpt() + QStringLiteral(" contained a field-count mismatch"));
            for (qsizetype k = 0; k < fieldIndex.size(); ++k)
                stmt->BindText(int(k + 1), fields[fieldIndex[k]]);
            const int rc = stmt->Step();
            if (rc != SQLITE_DONE) {
                const QString engine = QString::fromUtf8(sqlite3_errmsg(FHandle));
                stmt.reset();
                return fail(excerpt() + QStringLiteral(" contained invalid data") +
                            QStringLiteral(" - ") + engine);
            }
            stmt->Reset();
            ++ChgCount;
        }
        stmt.reset();
        const bool ok = ownTransaction ? Commit() : true;
        DispatchUpdates();
        return ok;
    } catch (const std::exception& e) {
        return fail(QStringLiteral("Exception executing Query ") + ExceptionText(e));
    }
}

bool TSQLite3Database::RecordWrite(const QString& SQL) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    const bool ok = ExecSQL(SQL);
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::InsertRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                             const QString& TableName) {
    return RecordWrite(BuildInsertSQL(Properties_NameValuePair_List, QualifiedTableName(TableName),
                                      QStringLiteral("INSERT")));
}

bool TSQLite3Database::ReplaceRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                              const QString& TableName) {
    return RecordWrite(BuildInsertSQL(Properties_NameValuePair_List, QualifiedTableName(TableName),
                                      QStringLiteral("REPLACE")));
}

bool TSQLite3Database::UpdateRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                             const QString& TableName, const QString& WhereClause) {
    return RecordWrite(
        BuildUpdateSQL(Properties_NameValuePair_List, UnquoteIdent(TableName), WhereClause));
}

} // namespace sky
