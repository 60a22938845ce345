// The table compare.
#include "analysis/TableCompare.h"

#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <algorithm>
#include <cmath>
#include <sqlite3.h>

namespace sky {

namespace {

QStringList BlockValues(const TFieldLayout& f) {
    QString cons;
    if (f.isPK) cons += QStringLiteral("P/K  ");
    if (!f.allowNull) cons += QStringLiteral("Not Null  ");
    if (f.isUnique) cons += QStringLiteral("Unique  ");
    return {f.fName,   f.fType + f.fVarSpec, cons.trimmed(), f.fCollation,
            f.fDefVal, f.fComment,           f.fCheckFunc,   f.fForeignKey};
}

const char* const kBlockLabels[8] = {
    "", "Type:", "Constraints:", "Collation:", "Default:", "Comment:", "Check:", "Foreign-Key:"};

// One block: the left values, the right values (either may be empty).
void AddBlock(LayoutComparison& c, const QStringList& left, const QStringList& right) {
    const qsizetype first = c.rows.size();
    bool any = false;
    for (int r = 0; r < 8; ++r) {
        LayoutRow row;
        row.item = r == 0 ? QStringLiteral("Column") : QString();
        row.property = QLatin1String(kBlockLabels[r]);
        row.left = left.value(r);
        row.right = right.value(r);
        row.mark = row.left != row.right;
        any = any || row.mark;
        c.rows << row;
    }
    if (any) c.rows[first + 1].item = QStringLiteral("  !  ");
}

QString ColumnRef(const QString& alias, const QString& column) {
    return alias + u'.' + QuoteIdent(column, false, true);
}

bool BinaryCollation(const QString& c) {
    const QString t = TrimText(c);
    return t.isEmpty() || t.compare(QLatin1String("BINARY"), Qt::CaseInsensitive) == 0;
}

} // namespace

LayoutComparison CompareLayouts(const TTableLayout& a, const TTableLayout& b, const QString& table1,
                                const QString& table2) {
    LayoutComparison c;
    c.caption = QStringLiteral("DB Comparison:   [ ") + table1 + QStringLiteral(" ]   vs.  [ ") +
                table2 + QStringLiteral(" ]");
    // The second table's columns sorted ignoring case, each with its position.
    QList<qsizetype> rest;
    for (qsizetype k = 0; k < b.Cols.size(); ++k)
        rest << k;
    std::stable_sort(rest.begin(), rest.end(), [&b](qsizetype x, qsizetype y) {
        return b.Cols[x].fName.compare(b.Cols[y].fName, Qt::CaseInsensitive) < 0;
    });
    for (const TFieldLayout& f : a.Cols) {
        const auto it = std::find_if(rest.begin(), rest.end(), [&](qsizetype k) {
            return b.Cols[k].fName.compare(f.fName, Qt::CaseInsensitive) == 0;
        });
        if (it != rest.end()) {
            AddBlock(c, BlockValues(f), BlockValues(b.Cols[*it]));
            rest.erase(it);
            ++c.similar;
        } else {
            AddBlock(c, BlockValues(f), {});
            ++c.missing;
        }
    }
    for (qsizetype k : rest) {
        AddBlock(c, {}, BlockValues(b.Cols[k]));
        ++c.missing;
    }
    int marked = 0;
    bool anyMark = false;
    for (qsizetype r = 0; r < c.rows.size(); ++r) {
        if (r % 8 == 1 && TrimText(c.rows[r].item) == QLatin1String("!")) ++marked;
        anyMark = anyMark || c.rows[r].mark;
    }
    c.discrepancies = marked - c.missing;
    c.headers = {QStringLiteral("Item"), QStringLiteral("Property"),
                 a.tblName + QStringLiteral(" properties"),
                 b.tblName + QStringLiteral(" properties"),
                 anyMark ? QStringLiteral(" ! ") : QString()};
    if (c.similar == 0)
        c.banner = kNothingBanner;
    else if (c.missing == 0 && c.discrepancies == 0)
        c.banner = kSameBanner;
    c.dataEnabled = c.similar > 0;
    return c;
}

// --- values

CmpValue CmpValue::From(const TSQLite3Statement& s, int column) {
    CmpValue v;
    v.type = s.ColumnType(column);
    int len = 0;
    switch (v.type) {
    case SQLITE_INTEGER:
        v.i = s.ColumnInt64(column);
        v.shown = QString::number(v.i);
        break;
    case SQLITE_FLOAT: {
        v.d = s.ColumnDouble(column);
        const char* p = s.ColumnTextNative(column, len);
        v.shown = QString::fromUtf8(p, len);
        break;
    }
    case SQLITE_TEXT: {
        const char* p = s.ColumnTextNative(column, len);
        v.bytes = QByteArray(p, len);
        std::string field;
        AppendCsvField(field, p, len, true);
        v.shown = QString::fromUtf8(field.data(), qsizetype(field.size()));
        break;
    }
    case SQLITE_BLOB: {
        const void* p = s.ColumnBlob(column);
        v.bytes = QByteArray(static_cast<const char*>(p), s.ColumnBytes(column));
        v.shown = QString::fromUtf8(s.ColumnBlobText(column, false));
        break;
    }
    default:
        v.type = SQLITE_NULL;
        v.shown = NullDisplayText();
        break;
    }
    return v;
}

bool CmpValue::Same(const CmpValue& o) const {
    const bool num = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
    const bool onum = o.type == SQLITE_INTEGER || o.type == SQLITE_FLOAT;
    if (num && onum) {
        if (type == SQLITE_INTEGER && o.type == SQLITE_INTEGER) return i == o.i;
        if (type == SQLITE_FLOAT && o.type == SQLITE_FLOAT) return d == o.d; // -0.0 = 0.0
        // An integer against a real: equal only when the real is that whole number.
        const qint64 n = type == SQLITE_INTEGER ? i : o.i;
        const double r = type == SQLITE_FLOAT ? d : o.d;
        if (!std::isfinite(r) || r != std::floor(r) || r < -9.2233720368547758e18 ||
            r >= 9.2233720368547758e18)
            return false;
        return qint64(r) == n;
    }
    if (type != o.type) return false;
    if (type == SQLITE_NULL) return true;
    return bytes == o.bytes;
}

QString CmpValue::Literal() const {
    switch (type) {
    case SQLITE_INTEGER:
        return QString::number(i);
    case SQLITE_FLOAT:
        return SqlRealLiteral(d);
    case SQLITE_TEXT:
        return QuoteSqlString(QString::fromUtf8(bytes));
    case SQLITE_BLOB:
        return SqlBlobLiteral(bytes.constData(), bytes.size());
    default:
        return QStringLiteral("NULL");
    }
}

QString CmpRow::KeyText() const {
    QStringList parts;
    for (const CmpValue& v : key)
        parts << v.shown;
    return parts.join(QStringLiteral(", "));
}

QStringList DataComparison::GridHeaders() const {
    QStringList h{sharedKey ? QStringLiteral("PK") : QStringLiteral("rowid"),
                  QStringLiteral("TableB")};
    for (const QString& c : compared)
        h << c << c;
    return h;
}

QStringList SharedPrimaryKey(TSQLite3Database& db, const QString& t1, const QString& t2) {
    auto keyOf = [&db](const QString& t) {
        QList<QStringList> rows;
        db.QueryTextRows(QStringLiteral("SELECT name FROM pragma_table_info(") + QuoteSqlString(t) +
                             QStringLiteral(") WHERE pk > 0 ORDER BY pk;"),
                         rows);
        QStringList key;
        for (const QStringList& r : rows)
            key << r.value(0);
        return key;
    };
    const QStringList a = keyOf(t1), b = keyOf(t2);
    if (a.isEmpty() || a.size() != b.size()) return {};
    for (qsizetype k = 0; k < a.size(); ++k)
        if (a[k].compare(b[k], Qt::CaseInsensitive) != 0) return {};
    return a;
}

// --- the comparison

bool TableCompare::compare(TSQLite3Database* database, const QString& tbl1, const QString& tbl2) {
    lastError.clear();
    layout = LayoutComparison();
    if (!database || !database->IsOpen()) {
        lastError = kNullDbReference;
        return false;
    }
    if (tbl1.compare(tbl2, Qt::CaseInsensitive) == 0) {
        lastError = kCompareSelf;
        return false;
    }
    if (!database->TableExists(tbl1, QStringLiteral("main")) ||
        !database->TableExists(tbl2, QStringLiteral("main"))) {
        lastError = kTableNotFound;
        return false;
    }
    db = database;
    stbl1 = tbl1;
    stbl2 = tbl2;
    ftbl1 = TTableLayout();
    ftbl2 = TTableLayout();
    if (!convDBTableToLayout(*db, QStringLiteral("main"), ftbl1, tbl1) ||
        !convDBTableToLayout(*db, QStringLiteral("main"), ftbl2, tbl2)) {
        lastError = QStringLiteral("Could not read Table Layouts");
        return false;
    }
    layout = CompareLayouts(ftbl1, ftbl2, stbl1, stbl2);
    return true;
}

bool TableCompare::PrepareData(DataComparison& d, int limit) {
    d = DataComparison();
    d.header = QStringLiteral("Data discrepancies between \"") + stbl1 +
               QStringLiteral("\" and \"") + stbl2 + u'"';
    if (!db || !db->IsOpen()) {
        d.error = kNullDbReference;
        return false;
    }
    // The shared columns in the first table's order.
    QStringList shared;
    for (const TFieldLayout& f : ftbl1.Cols)
        for (const TFieldLayout& g : ftbl2.Cols)
            if (!f.fName.isEmpty() && f.fName.compare(g.fName, Qt::CaseInsensitive) == 0) {
                shared << f.fName;
                break;
            }
    if (shared.isEmpty()) {
        d.error = kNothingInCommon;
        return false;
    }
    d.keyColumns = SharedPrimaryKey(*db, stbl1, stbl2);
    d.sharedKey = !d.keyColumns.isEmpty();
    if (!d.sharedKey) {
        if (ftbl1.noRowID || ftbl2.noRowID) {
            d.error = kNoPairing;
            return false;
        }
        d.keyColumns = {QStringLiteral("rowid")};
    }
    for (const QString& c : shared)
        if (!d.keyColumns.contains(c, Qt::CaseInsensitive)) d.compared << c;
    // Text compared byte for byte whatever the column's collation.
    QStringList binary;
    for (const QString& c : d.compared) {
        QString collation;
        for (const TFieldLayout& f : ftbl1.Cols)
            if (f.fName.compare(c, Qt::CaseInsensitive) == 0) collation = f.fCollation;
        binary << (BinaryCollation(collation) ? QString() : QStringLiteral(" COLLATE BINARY"));
    }
    const QString t1 = QuoteIdent(stbl1), t2 = QuoteIdent(stbl2);
    QString select = QStringLiteral("SELECT ");
    for (const QString& k : d.keyColumns)
        select += ColumnRef(QStringLiteral("A"), k) + QStringLiteral(", ");
    select += QStringLiteral("ifNull(") + ColumnRef(QStringLiteral("B"), d.keyColumns[0]) +
              QStringLiteral(",'<#NULLROW>') AS TableB");
    for (const QString& c : d.compared)
        select += QStringLiteral(", ") + ColumnRef(QStringLiteral("A"), c) + u',' +
                  ColumnRef(QStringLiteral("B"), c);
    QString on;
    for (const QString& k : d.keyColumns)
        on += (on.isEmpty() ? QString() : QStringLiteral(" AND ")) +
              ColumnRef(QStringLiteral("A"), k) + u'=' + ColumnRef(QStringLiteral("B"), k);
    QString where = QStringLiteral("WHERE (") + ColumnRef(QStringLiteral("B"), d.keyColumns[0]) +
                    QStringLiteral(" IS NULL)");
    for (const QString& k : d.keyColumns)
        where += QStringLiteral(" OR (") + ColumnRef(QStringLiteral("A"), k) +
                 QStringLiteral("<>") + ColumnRef(QStringLiteral("B"), k) + u')';
    for (qsizetype k = 0; k < d.compared.size(); ++k)
        where += QStringLiteral(" OR (") + ColumnRef(QStringLiteral("A"), d.compared[k]) +
                 QStringLiteral(" IS NOT ") + ColumnRef(QStringLiteral("B"), d.compared[k]) +
                 binary[k] + u')';
    d.query = select + QStringLiteral("\r\nFROM ") + t1 + QStringLiteral(" AS A LEFT JOIN ") + t2 +
              QStringLiteral(" AS B ON ") + on + QStringLiteral("\r\n") + where +
              (limit > 0 ? QStringLiteral("\r\nLIMIT %1;").arg(limit) : QStringLiteral(";"));
    return true;
}

bool TableCompare::StreamData(DataComparison& d, const std::function<bool(const CmpRow&)>& sink,
                              int limit) {
    if (!PrepareData(d, limit)) return false;
    std::unique_ptr<TSQLite3Statement> s = db->Prepare(d.query);
    if (!s) {
        d.error = QStringLiteral("Compare Query Error: ") + db->LastError();
        return false;
    }
    const int keys = int(d.keyColumns.size());
    const int n = int(d.compared.size());
    CmpRow row;
    int rc;
    while ((rc = s->Step()) == SQLITE_ROW) {
        row.key.clear();
        row.values.clear();
        row.differs.clear();
        for (int k = 0; k < keys; ++k)
            row.key << CmpValue::From(*s, k);
        row.partner = CmpValue::From(*s, keys);
        row.missing = row.partner.type == SQLITE_TEXT && row.partner.bytes == "<#NULLROW>";
        for (int c = 0; c < n; ++c) {
            row.values << CmpValue::From(*s, keys + 1 + 2 * c)
                       << CmpValue::From(*s, keys + 2 + 2 * c);
            const bool differs = !row.missing && !row.values[2 * c].Same(row.values[2 * c + 1]);
            row.differs << differs;
            if (differs) ++d.discrepancies;
        }
        if (row.missing) ++d.missingRows;
        if (!sink(row)) {
            d.limited = true;
            break;
        }
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        d.error = QStringLiteral("Compare Query Error: ") +
                  QString::fromUtf8(sqlite3_errmsg(db->Handle()));
        return false;
    }
    return true;
}

bool TableCompare::CompareData(DataComparison& d, int limit) {
    qint64 bytes = 0;
    QList<CmpRow> rows;
    const bool ok = StreamData(
        d,
        [&](const CmpRow& r) {
            rows << r;
            for (const CmpValue& v : r.values)
                bytes += v.bytes.size() + v.shown.size() * 2 + 48;
            return bytes < kCompareMemoryLimit;
        },
        limit);
    d.rows = std::move(rows);
    if (!ok) return false;
    if (limit > 0 && d.rows.size() >= limit) d.limited = true;
    d.note = d.limited ? QStringLiteral("  (Showing first %1) ").arg(d.rows.size())
                       : QStringLiteral("  (Showing All) ");
    if (d.rows.isEmpty()) {
        d.error = kNoDiscrepancy;
        return false;
    }
    return true;
}

QString TableCompare::FixStatement(const DataComparison& d, const CmpRow& row, int tag,
                                   int column) const {
    QString where;
    for (qsizetype k = 0; k < d.keyColumns.size() && k < row.key.size(); ++k)
        where += (where.isEmpty() ? QString() : QStringLiteral(" AND ")) +
                 QuoteIdent(d.keyColumns[k], false, true) + u'=' + row.key[k].Literal();
    if (where.isEmpty()) return QString();
    if (tag == 3) {
        if (!row.missing) return QString();
        QStringList names;
        for (const QString& k : d.keyColumns)
            names << QuoteIdent(k);
        for (const QString& c : d.compared)
            names << QuoteIdent(c);
        const QString l = names.join(QStringLiteral(", "));
        return QStringLiteral("INSERT INTO ") + QuoteIdent(stbl2) + QStringLiteral(" (") + l +
               QStringLiteral(") SELECT ") + l + QStringLiteral(" FROM ") + QuoteIdent(stbl1) +
               QStringLiteral(" WHERE ") + where + u';';
    }
    if ((tag != 1 && tag != 2) || row.missing || column < 0 || column >= d.compared.size() ||
        !row.differs.value(column))
        return QString();
    const QString target = tag == 1 ? stbl2 : stbl1, source = tag == 1 ? stbl1 : stbl2;
    const QString c = QuoteIdent(d.compared[column], false, true);
    return QStringLiteral("UPDATE ") + QuoteIdent(target, false, true) + QStringLiteral(" SET ") +
           c + QStringLiteral("=(SELECT ") + c + QStringLiteral(" FROM ") + QuoteIdent(source) +
           QStringLiteral(" WHERE ") + where + QStringLiteral(") WHERE ") + where + u';';
}

// --- help

QString CompareHelpTitle(int which) {
    static const char* const titles[] = {
        "Table Differences",     "Data Differences",      "Row Information",  "Missing Data Rows",
        "Fix a differing Value", "Fix a differing Value", "Add a Missing Row"};
    return QLatin1String(titles[std::clamp(which, 0, 6)]);
}

QString CompareHelpText(int which, const QString& t1, const QString& t2, bool dataEnabled) {
    const QString cr = QStringLiteral("\r");
    const QString closing =
        QStringLiteral("Once added, Click [View requested Fixes] to see the complete list from "
                       "where you may choose to Apply or Remove them as needed. ");
    const QString left =
        QStringLiteral("currently active table  (") + t1 + QStringLiteral(" - on the LEFT)");
    const QString right =
        QStringLiteral("compared table (") + t2 + QStringLiteral(" - on the RIGHT)");
    switch (which) {
    case 0:
        return QStringLiteral(
                   "The display on the left shows the columns found in the selected Tables, "
                   "marking differing items in shades of red as shown in the legend to the "
                   "right.\r\rThis view's only function is to point out differences. To change "
                   "the Schema, click the [Alter] button from the main interface's \"Table "
                   "Structure\" page. (This view may remain open as a reference).\r\r") +
               (dataEnabled ? QStringLiteral("Click [Data Comparison] to view differences in "
                                             "Data-values between these Tables.")
                            : QStringLiteral("Data can only be compared for Tables with "
                                             "relatively similar structures."));
    case 1:
        return QStringLiteral(
            "This display lists the rows in the selected Tables with the same Primary Key or "
            "RowID (whichever is available) where any shared fields have differing "
            "values.\r\rSelect rows in the bottom section to see the details (middle section). "
            "\rOnce some requests are added, the list will become available for actioning.");
    case 2:
        return QStringLiteral(
            "This section shows the currently selected Row (from the discrepancy list at the "
            "bottom).\r\rThe list to the right contains the field-values for it, which can be "
            "selected and requested to fix using the buttons on the far right (if they are "
            "different).\r\rClick [View requested Fixes] to see the complete list (if any were "
            "added) from where you may choose to Apply or Remove them as needed. ");
    case 3:
        return QStringLiteral("Note that the indicated \"Missing Rows\" are specifically rows in "
                              "the active table (") +
               t1 + QStringLiteral(") which are not present in the compared table (") + t2 +
               QStringLiteral("). ") + cr + cr +
               QStringLiteral("There may well be Rows in the compared table which do not exist in "
                              "the active table, but they are not shown.") +
               cr +
               QStringLiteral("To see those, swap the active and compared tables by changing which "
                              "table is active in the main interface (by simply selecting it) and "
                              "then choosing the opposing table to compare against.");
    case 4:
    case 5:
        return QStringLiteral("Click this button to request updating the selected field in the ") +
               (which == 4 ? left : right) +
               QStringLiteral(" within the selected Row, using the Value from the corresponding "
                              "Row in the ") +
               (which == 4 ? right : left) + QStringLiteral(".") + cr + cr + closing;
    default:
        return QStringLiteral("Click this button to request adding the currently selected Row, "
                              "which is present in the active table (") +
               t1 +
               QStringLiteral(") but, according to the Primary Key or Rowid (whichever is "
                              "available), is NOT present in the compared table (") +
               t2 + QStringLiteral(").") + cr + cr + closing;
    }
}

// --- fixes

bool FixList::Add(const QString& statement) {
    const QString line = QStringLiteral("  ") + statement;
    if (statement.isEmpty() || FLines.contains(line)) return false;
    FLines << line;
    return true;
}

void FixList::Remove(int index) {
    if (index >= 0 && index < FLines.size()) FLines.removeAt(index);
}

QStringList FixList::Statements() const {
    QStringList s;
    for (const QString& l : FLines)
        if (!TrimText(l).isEmpty()) s << TrimText(l);
    return s;
}

QString FixList::Script() const {
    if (Statements().isEmpty()) return QString();
    return QStringLiteral("BEGIN TRANSACTION;\r\n\r\n") + FLines.join(QStringLiteral("\r\n")) +
           QStringLiteral("\r\n\r\nEND TRANSACTION;");
}

bool ApplyFixes(TSQLite3Database& db, const QStringList& statements, QString& message) {
    const QString prefix = QStringLiteral("DB Error while loading transaction: ");
    bool fkOn = false;
    if (!db.CheckForeignKeys(fkOn) || (fkOn && !db.SetForeignKeys(false)) ||
        !db.BeginTransaction()) {
        message = prefix + db.LastError();
        return false;
    }
    bool ok = true;
    for (const QString& s : statements) {
        if (!db.Execute(s)) {
            message = prefix + db.LastError();
            ok = false;
            break;
        }
        // Each fix is meant for one row: more or none means the tables are
        // not as compared.
        if (sqlite3_changes(db.Handle()) != 1) {
            message = prefix + QStringLiteral("Fix did not change exactly one row: ") + s;
            ok = false;
            break;
        }
    }
    if (ok && !db.Commit()) {
        message = prefix + db.LastError();
        ok = false;
    } else if (!ok) {
        db.Rollback();
    }
    if (fkOn) db.SetForeignKeys(true);
    if (ok) message = kFixesApplied;
    return ok;
}

} // namespace sky
