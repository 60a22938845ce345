#include "design/DialogModels.h"

#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <QSet>

namespace sky {
namespace {

const QString kParentTablesSql =
    QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
const QString kViewCreateTestTitle = QStringLiteral("View-CREATE Test");
const QString kViewCreateTestQuestion =
    QStringLiteral("Success\rWould you like to test the View Query?");
const QString kViewCreateTestFailed = QStringLiteral("View-CREATE Test Failed");
const QString kViewSelectTestFailed = QStringLiteral("View-SELECT Test Failed");

QStringList Fields(const QString& list) {
    QStringList f;
    if (!TrimText(list).isEmpty()) SplitCSVFields(list, f, QLatin1Char(','));
    for (QString& s : f)
        s = TrimText(s);
    return f;
}

QList<ColumnRow> OrderedRows(const QStringList& columns, const QStringList& used,
                             const QStringList& collations, const QStringList& orders) {
    QList<ColumnRow> rows;
    rows.reserve(used.size() + columns.size());
    // The upper-case names already listed: each column is listed once.
    QSet<QString> listed;
    for (qsizetype i = 0; i < used.size(); ++i) {
        ColumnRow r;
        r.column = used[i];
        r.used = true;
        r.collation = i < collations.size() ? collations[i] : QString();
        r.descending = i < orders.size() && orders[i].toUpper().startsWith(QLatin1String("DESC"));
        listed.insert(r.column.toUpper());
        rows << r;
    }
    for (const QString& c : columns) {
        const QString key = TrimText(c).toUpper();
        if (listed.contains(key)) continue;
        ColumnRow r;
        r.column = c;
        listed.insert(c.toUpper());
        rows << r;
    }
    return rows;
}

} // namespace

QList<ColumnRow> IndexRows(const TIndexLayout& ix, const QStringList& columns) {
    // Split the record's fields by its entries so expressions stay whole.
    const QStringList f = ix.Entries.isEmpty() ? Fields(ix.IdxFields) : QStringList();
    const QStringList c = Fields(ix.IdxCollates), o = Fields(ix.IdxSorts);
    QStringList names;
    if (!ix.Entries.isEmpty()) {
        // Expressions may hold commas: the names come from the entries.
        for (qsizetype i = 0; i < ix.Entries.size(); ++i) {
            QString name = ix.Entries[i];
            TIndexLayout probe;
            if (parseIndex(QStringLiteral("CREATE INDEX x ON t (") + ix.Entries[i] +
                               QLatin1Char(')'),
                           probe) &&
                !probe.IdxFields.contains(QLatin1Char('(')))
                name = probe.IdxFields;
            names << name;
        }
    } else {
        names = f;
    }
    return OrderedRows(columns, names, c, o);
}

void IndexFromRows(TIndexLayout& ix, const QList<ColumnRow>& rows) {
    QStringList fields, colls, sorts, entries;
    for (const ColumnRow& r : rows) {
        if (!r.used) continue;
        const bool expression = r.column.contains(QLatin1Char('('));
        QString e = expression ? r.column : QuoteIdent(r.column);
        if (!r.collation.isEmpty()) e += QStringLiteral(" COLLATE ") + r.collation;
        if (r.descending) e += QStringLiteral(" DESC");
        entries << e;
        fields << r.column;
        colls << r.collation;
        sorts << (r.descending ? QStringLiteral("DESC") : QString());
    }
    ix.Entries = entries;
    ix.IdxFields = fields.join(QStringLiteral(", "));
    ix.IdxCollates = colls.join(QStringLiteral(", "));
    ix.IdxSorts = sorts.join(QStringLiteral(", "));
    ix.RawText.clear();
}

QString IndexPreview(const TIndexLayout& ix) {
    const QString s = sqlFrom(ix);
    return s.isEmpty() ? kNoSelectedColumns : s;
}

QList<ColumnRow> KeyRows(const TFKeyLayout& k, const QStringList& columns) {
    return OrderedRows(columns, Fields(k.OwnFields), Fields(k.TableParent), Fields(k.FKFields));
}

void KeyFromRows(TFKeyLayout& k, const QList<ColumnRow>& rows, bool primary) {
    QStringList own, colls, orders;
    for (const ColumnRow& r : rows) {
        if (!r.used) continue;
        own << r.column;
        colls << r.collation;
        orders << (r.descending ? QStringLiteral("DESC") : QString());
    }
    k.iKeyKind = primary ? KeyKind::PrimaryKey : KeyKind::Unique;
    k.OwnFields = JoinCSVLine(own, QLatin1Char(','));
    k.TableParent = JoinCSVLine(colls, QLatin1Char(','));
    k.FKFields = JoinCSVLine(orders, QLatin1Char(','));
}

QString KeyPreview(const TFKeyLayout& k) {
    return TrimText(k.OwnFields).isEmpty() ? kNoSelectedColumns : KeyText(k);
}

QList<ColumnRow> FKeyRows(const TFKeyLayout& k, const QStringList& ownColumns) {
    const QStringList own = Fields(k.OwnFields), parent = Fields(k.FKFields);
    QList<ColumnRow> rows;
    for (const QString& c : ownColumns) {
        ColumnRow r;
        r.column = c;
        for (qsizetype i = 0; i < own.size(); ++i)
            if (own[i].toUpper() == c.toUpper()) {
                r.used = true;
                r.references = i < parent.size() ? parent[i] : c;
            }
        rows << r;
    }
    return rows;
}

void FKeyFromRows(TFKeyLayout& k, const QList<ColumnRow>& rows) {
    QStringList own, parent;
    for (const ColumnRow& r : rows) {
        if (TrimText(r.references).isEmpty()) continue;
        own << r.column;
        parent << TrimText(r.references);
    }
    k.iKeyKind = KeyKind::ForeignKey;
    k.iConflictClause = 0;
    k.OwnFields = JoinCSVLine(own, QLatin1Char(','));
    k.FKFields = JoinCSVLine(parent, QLatin1Char(','));
    k.RawText.clear();
}

QString FKeyPreview(const TFKeyLayout& k) {
    return TrimText(k.OwnFields).isEmpty() ? kNoSelectedColumns : ConstraintText(k, true);
}

void UseFKeyRow(QList<ColumnRow>& rows, int r, const QString& parentColumn) {
    if (r < 0 || r >= rows.size()) return;
    ColumnRow& row = rows[r];
    row.used = true;
    row.references = parentColumn.isEmpty()
                         ? (row.references.isEmpty() ? row.column : row.references)
                         : parentColumn;
}

void UnuseFKeyRow(QList<ColumnRow>& rows, int r) {
    if (r < 0 || r >= rows.size()) return;
    rows[r].references.clear();
    rows[r].used = false;
}

FKeyChoices FKeyChoicesOf(const TFKeyLayout& k) {
    FKeyChoices c;
    c.name = k.ConstrName;
    c.comment = k.Comment;
    c.parent = k.TableParent;
    c.updAction = k.iUpdAction;
    c.delAction = k.iDelAction;
    c.deferMode = k.iDeferrable;
    c.deferInitially = k.bDeferred;
    c.tableConstraint = k.bIsTableConstraint;
    return c;
}

void FKeyFromChoices(TFKeyLayout& k, const FKeyChoices& c, const QList<ColumnRow>& rows) {
    k.bDeferred = c.deferInitially;
    k.iInitially = k.bDeferred ? InitialMode::Deferred : InitialMode::NotStated;
    k.bIsTableConstraint = c.tableConstraint;
    k.iDeferrable = c.deferMode;
    k.iUpdAction = c.updAction;
    k.iDelAction = c.delAction;
    k.ConstrName = c.name.trimmed();
    k.Comment = c.comment.trimmed();
    k.TableParent = c.parent.trimmed();
    FKeyFromRows(k, rows);
}

QString FKeyOwnTable(const TFKeyLayout& k, const QString& ownTable) {
    return ownTable.isEmpty() ? k.TableSelf : ownTable;
}

QStringList FKeyParentTables(TSQLite3Database& db) {
    QStringList tables;
    db.QuerySingleColumn(tables, kParentTablesSql, 0, false);
    return tables;
}

QStringList FKeyParentColumns(TSQLite3Database& db, const QString& parent) {
    const QString p = parent.trimmed();
    QStringList cols;
    if (p.isEmpty() || !db.TableExists(p, QString())) return cols;
    db.EnumColNames(cols, p);
    return cols;
}

QStringList FKeyOwnColumns(TSQLite3Database* db, const QStringList& given, const QString& table) {
    QStringList own = given;
    if (own.isEmpty() && db) db->EnumColNames(own, table);
    return own;
}

bool FKeyParentChanged(const QString& typed, QString& last) {
    const QString p = typed.trimmed();
    if (p.toUpper() == last.toUpper()) return false;
    last = p;
    return true;
}

QString CheckExpression(const QString& text) {
    return text.simplified();
}

QString CheckPreview(const TFKeyLayout& k) {
    return TrimText(k.FKFields).isEmpty() ? kNoCheckExpression : CheckText(k);
}

QString TriggerStatements(const QString& text) {
    const QString t = TrimText(text);
    if (t.isEmpty() || t.endsWith(QLatin1Char(';')) || t.endsWith(QLatin1Char('/'))) return t;
    return t + QLatin1Char(';');
}

QString TriggerRowKind(TrigEvent event) {
    if (event == TrigEvent::Delete) return QStringLiteral("deleted row");
    if (event == TrigEvent::Insert) return QStringLiteral("inserted row");
    return QStringLiteral("updated row");
}

QList<bool> TriggerColumnsUsed(const TTriggerLayout& t, const QStringList& columns) {
    QStringList used;
    for (const QString& f : t.trigFields.split(QLatin1Char(',')))
        used << f.trimmed().toUpper();
    QList<bool> marks;
    for (const QString& c : columns)
        marks << used.contains(c.toUpper());
    return marks;
}

void TriggerFromChoices(TTriggerLayout& t, const TriggerChoices& c) {
    t.isTemp = c.temporary;
    t.trigName = c.name.trimmed();
    t.trigWhen = c.when.trimmed();
    t.Comment = c.comment.trimmed();
    t.trigExecTiming = c.timing;
    t.trigEvent = c.event;
    t.trigExecCode = TriggerStatements(c.statements);
    t.trigFields = c.columns.join(QStringLiteral(", "));
    t.RawText.clear();
}

QString ViewPreview(const TViewLayout& v) {
    const QString s = sqlFrom(v);
    return s.isEmpty() ? kNoValidStatement : s;
}

QString ViewTestFailureText(const QString& message) {
    QString shown = message;
    const qsizetype at = shown.indexOf(QStringLiteral(": "));
    if (at >= 0) shown.replace(at, 2, QStringLiteral("\r"));
    return shown;
}

bool RunViewTest(TSQLite3Database* db, const TViewLayout& v, Prompter& prompter, QString& message,
                 QStringList* lines, QString* query) {
    message.clear();
    if (!db || !db->IsOpen() || db->IsBusy() || v.vName.isEmpty()) return false;
    if (!testViewSQL(*db, v, message)) {
        if (!message.isEmpty())
            prompter.ShowWarning(ViewTestFailureText(message), kViewCreateTestFailed);
        return false;
    }
    if (prompter.AskYesNo(kViewCreateTestTitle, kViewCreateTestQuestion, 10, QStringLiteral("No"),
                          QStringLiteral("Yes"))) {
        QString selectMessage;
        if (!testViewSelect(*db, v, true, selectMessage, lines))
            prompter.ShowWarning(selectMessage, kViewSelectTestFailed);
        else if (query)
            *query = LimitedSelect(v.vSelect, 50);
    }
    return true;
}

} // namespace sky
