// What a table rebuild from a column and index list would lose.
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/RestructureRead.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "support/TextUtil.h"

namespace sky::restructure {
namespace {

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

} // namespace

namespace {

// One loss check: the table, its old columns and the lists, and the losses
// found so far, part by part.
struct LossCheck {
    LossCheck(TSQLite3Database& d, const TableInfo& table, const QList<TCatalogueColumn>& o,
              const QList<TStructColumn>& c, QStringList& l)
        : db(d), t(table), old(o), columns(c), losses(l) {}

    TSQLite3Database& db;
    const TableInfo& t;
    const QList<TCatalogueColumn>& old;
    const QList<TStructColumn>& columns;
    QStringList& losses;
    QStringList newNames, newKeys, oldKeys;
    int alias = -1;
    QList<QStringList> rows;

    bool Kept(const QString& name) const { return IndexOfSame(name, newNames) >= 0; }

    // Columns: generated ones are never in the list; the constraints of the
    // others cannot be written in it.
    bool Columns() {
        const QString tableLit = QuoteSqlString(t.name);
        QStringList checks;
        bool tableCheck = false;
        if (!Rows(db,
                  QStringLiteral("SELECT \"sql\" FROM ") + MasterTableOf(t.schema) +
                      QStringLiteral(" WHERE \"type\"='table' AND \"name\"=") + tableLit +
                      QLatin1Char(';'),
                  rows))
            return false;
        if (!rows.isEmpty() && !rows[0].isEmpty()) ScanChecks(rows[0][0], checks, tableCheck);
        for (const TCatalogueColumn& c : old) {
            if (c.hidden == 2 || c.hidden == 3) {
                losses.append(kLossGenerated.arg(InQuotes(c.name)));
                continue;
            }
            if (c.pk > 0) oldKeys.append(c.name);
            if (!Kept(c.name)) continue;
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
        return true;
    }

    // The primary key, when all its columns stay but it changes.
    void PrimaryKey() {
        bool allKeysKept = !oldKeys.isEmpty();
        for (const QString& k : oldKeys)
            if (!Kept(k)) allKeysKept = false;
        if (allKeysKept && !SameNameSets(oldKeys, newKeys))
            losses.append(kLossPrimaryKey.arg(InQuotes(oldKeys)));
    }

    // Foreign keys of the table whose columns stay.
    bool ForeignKeys() {
        if (!Rows(
                db,
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
                if (Kept(rows[i][1])) anyKept = true;
            }
            if (anyKept) losses.append(kLossForeignKey.arg(InQuotes(from), InQuotes(parent)));
        }
        return true;
    }

    // Indexes: UNIQUE constraints and explicit indexes survive only as passed
    // indexes with the same columns.
    bool Indexes(const QList<TStructIndex>& indexes) {
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
                if (!Kept(r[1])) allKept = false;
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
        return true;
    }

    // Rowids: the copy gives the new table rowids 1..n in the old order, or
    // the values of its rowid alias.
    bool Rowids() {
        if (t.withoutRowid) return true;
        const QString rowid = RowidName(old);
        if (rowid.isEmpty()) {
            losses.append(kLossRowidUnread);
        } else if (alias >= 0 && Kept(columns[alias].name)) {
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
        return true;
    }
};

} // namespace

bool FindLosses(TSQLite3Database& db, const TableInfo& t, const QList<TCatalogueColumn>& old,
                const QList<TStructColumn>& columns, const QList<TStructIndex>& indexes,
                QStringList& losses) {
    losses.clear();
    LossCheck check(db, t, old, columns, losses);
    for (const TStructColumn& c : columns) {
        check.newNames.append(c.name);
        if (c.primaryKey) check.newKeys.append(c.name);
    }
    check.alias = NewAlias(columns);
    if (t.withoutRowid) losses.append(kLossWithoutRowid);
    if (t.strict) losses.append(kLossStrict);
    if (!check.Columns()) return false;
    check.PrimaryKey();
    return check.ForeignKeys() && check.Indexes(indexes) && check.Rowids();
}

} // namespace sky::restructure
