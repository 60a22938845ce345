#include "design/DialogModels.h"

#include "engine/CsvFields.h"
#include "engine/Identifiers.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

namespace sky {
namespace {

QStringList Fields(const QString& list) {
    QStringList f;
    if (!TrimText(list).isEmpty()) SplitCSVFields(list, f, QLatin1Char(','));
    for (QString& s : f)
        s = TrimText(s);
    return f;
}

qsizetype IndexOfUpper(const QList<ColumnRow>& rows, const QString& name) {
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (rows[i].column.toUpper() == TrimText(name).toUpper()) return i;
    return -1;
}

QList<ColumnRow> OrderedRows(const QStringList& columns, const QStringList& used,
                             const QStringList& collations, const QStringList& orders) {
    QList<ColumnRow> rows;
    for (qsizetype i = 0; i < used.size(); ++i) {
        ColumnRow r;
        r.column = used[i];
        r.used = true;
        r.collation = i < collations.size() ? collations[i] : QString();
        r.descending = i < orders.size() && orders[i].toUpper().startsWith(QLatin1String("DESC"));
        rows << r;
    }
    for (const QString& c : columns) {
        if (IndexOfUpper(rows, c) >= 0) continue;
        ColumnRow r;
        r.column = c;
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
    k.iKeyKind = primary ? 0 : 1;
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
    k.iKeyKind = 3;
    k.iConflictClause = 0;
    k.OwnFields = JoinCSVLine(own, QLatin1Char(','));
    k.FKFields = JoinCSVLine(parent, QLatin1Char(','));
    k.RawText.clear();
}

QString FKeyPreview(const TFKeyLayout& k) {
    return TrimText(k.OwnFields).isEmpty() ? kNoSelectedColumns : ConstraintText(k, true);
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

QString TriggerRowKind(int event) {
    if (event == 1) return QStringLiteral("deleted row");
    if (event == 2) return QStringLiteral("inserted row");
    return QStringLiteral("updated row");
}

} // namespace sky
