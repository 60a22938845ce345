// The restructure's shared readers and name rules.
#include "engine/RestructureRead.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "support/TextUtil.h"

namespace sky::restructure {

QString InQuotes(const QString& name) {
    return QLatin1Char('"') + ShortenText(name, 200) + QLatin1Char('"');
}

QString InQuotes(const QStringList& names) {
    QStringList q;
    for (const QString& n : names)
        q.append(InQuotes(n));
    return q.join(QStringLiteral(", "));
}

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

bool Rows(TSQLite3Database& db, const QString& sql, QList<QStringList>& rows) {
    rows.clear();
    db.ClearError();
    return db.QueryTextRows(sql, rows) && db.LastError().isEmpty();
}

QString PragmaArgs(const QString& name, const QString& schema) {
    return QLatin1Char('(') + QuoteSqlString(name) + QStringLiteral(", ") + QuoteSqlString(schema) +
           QLatin1Char(')');
}

QString TableInfo::Qualified() const {
    return QuoteIdent(schema) + QLatin1Char('.') + QuoteIdent(name);
}

bool FindTable(TSQLite3Database& db, const QString& given, TableInfo& info, bool& found,
               const QString& schema) {
    found = false;
    QStringList candidates{given};
    const QString unquoted = UnquoteIdent(TrimText(given));
    if (unquoted != given && !unquoted.isEmpty()) candidates.append(unquoted);
    for (const QString& name : candidates) {
        QList<QStringList> rows;
        if (!Rows(db,
                  QStringLiteral("SELECT \"schema\", \"name\", \"type\", \"wr\", \"strict\" FROM "
                                 "pragma_table_list(") +
                      QuoteSqlString(name) + QLatin1Char(')') +
                      (TrimText(schema).isEmpty() ? QString()
                                                  : QStringLiteral(" WHERE \"schema\"=") +
                                                        QuoteSqlString(TrimText(schema)) +
                                                        QStringLiteral(" COLLATE NOCASE")) +
                      QStringLiteral(" ORDER BY \"schema\"='temp' DESC, \"schema\"='main' DESC "
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

QString NewType(const QString& type) {
    QString t = TrimText(type).toUpper();
    if (t == QLatin1String("INT")) t = QStringLiteral("INTEGER");
    return t;
}

int NewAlias(const QList<TStructColumn>& columns) {
    int alias = -1, keys = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (!columns[i].primaryKey) continue;
        ++keys;
        if (NewType(columns[i].type) == QLatin1String("INTEGER")) alias = int(i);
    }
    return keys == 1 ? alias : -1;
}

QString RowidName(const QList<TCatalogueColumn>& cols) {
    for (const char* n : {"rowid", "_rowid_", "oid"}) {
        const QString name = QLatin1String(n);
        bool hidden = false;
        for (const TCatalogueColumn& c : cols)
            if (SameName(c.name, name)) hidden = true;
        if (!hidden) return name;
    }
    return QString();
}

QList<const TStructIndex*> CreatedIndexes(const QList<TStructIndex>& indexes) {
    QList<const TStructIndex*> out;
    for (const TStructIndex& ix : indexes)
        if (!ix.columns.isEmpty() &&
            ix.name.compare(QLatin1String("PRIMARY"), Qt::CaseInsensitive) != 0)
            out.append(&ix);
    return out;
}

} // namespace sky::restructure
