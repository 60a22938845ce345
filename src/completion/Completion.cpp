// The completion items and their answer.
#include "completion/Completion.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

#include <QSet>

namespace sky {

namespace {

QString Csv(const QString& v) {
    return QuoteCSVValue(v, u',');
}

// A line from values: each field quoted as the CSV reader wants it.
QString Line(const char* kind, const QString& name, const QString& detail, const QString& desc) {
    return QLatin1String(kind) + u',' + Csv(name) + u',' + Csv(detail) + u',' + Csv(desc);
}

// The pragma templates: "= b" -> " = 1", "= ms" -> " = 1000", ...
QString PragmaInsert(const QString& name, const QString& detail) {
    const QString d = TrimText(detail);
    if (d.isEmpty() || d.contains(u'(')) return name;
    QString t = d;
    const struct {
        const char *from, *to;
    } steps[] = {{"b", "1"}, {"ms", "1000"}, {"id", ""}, {"n", ""},
                 {"m", ""},  {"v", ""},      {"i", "0"}, {"u", "\"UTF-8\""}};
    for (const auto& s : steps)
        t.replace(QLatin1String(s.from), QLatin1String(s.to));
    return name + u' ' + t;
}

} // namespace

int CompletionKindOf(const QString& kindField) {
    QString k;
    for (QChar c : kindField)
        if (c.unicode() < 128 && c.isLetterOrNumber()) k += c.toUpper();
    k = k.left(3);
    static const struct {
        const char* code;
        int kind;
    } kinds[] = {{"KEY", kcKeyword}, {"TYP", kcType},    {"FUN", kcFunction}, {"OPE", kcOperator},
                 {"PRA", kcPragma},  {"DB", kcDatabase}, {"TAB", kcTable},    {"COL", kcColumn},
                 {"IND", kcIndex},   {"TRI", kcTrigger}, {"XFN", kcExtended}, {"TVW", kcView}};
    for (const auto& e : kinds)
        if (k == QLatin1String(e.code)) return e.kind;
    return kcOther;
}

bool CompletionItemOf(const QStringList& f, CompletionItem& i) {
    if (f.size() < 4) return false;
    static const char* const words[] = {"",        " SQL",     "type",  "function", "operator",
                                        "pragma",  "db",       "table", "column",   "index",
                                        "trigger", "extended", "view"};
    i.kind = CompletionKindOf(f[0]);
    i.kindWord = QLatin1String(words[i.kind]);
    QString name = f[1];
    while (name.startsWith(u' '))
        name.remove(0, 1);
    i.name = name;
    i.shownName = name.size() > 24 ? name.left(3) + QStringLiteral("...") + name.right(19) : name;
    i.detail = f[2];
    i.description = i.kind == kcDatabase ? name + QStringLiteral(" Database") : f[3];
    switch (i.kind) {
    case kcFunction:
    case kcColumn:
    case kcIndex:
    case kcTrigger:
    case kcDatabase:
        i.insert = name;
        break;
    case kcPragma:
        i.insert = PragmaInsert(name, i.detail);
        break;
    case kcTable:
    case kcExtended:
    case kcView:
        i.insert = name + u' ';
        break;
    default:
        i.insert = name.toUpper();
    }
    return true;
}

QStringList ObjectCompletionLines(TSQLite3Database* db) {
    QStringList out;
    if (db && db->IsOpen()) {
        QList<QStringList> dbs;
        db->QueryTextRows(QStringLiteral("SELECT name FROM pragma_database_list;"), dbs);
        for (const QStringList& d : dbs) {
            const QString schema = TrimText(d.value(0));
            if (schema.isEmpty()) continue;
            out << Line("db", schema, QString(), QString());
            // The schema's own catalogue, its name quoted.
            const bool temp = schema.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0;
            const QString master =
                temp ? QStringLiteral("sqlite_temp_master")
                     : QuoteIdent(schema, false, true) + QStringLiteral(".sqlite_master");
            QList<QStringList> objects;
            if (!db->QueryTextRows(QStringLiteral("SELECT type, name, tbl_name FROM ") + master +
                                       QStringLiteral(" ORDER BY rowid;"),
                                   objects))
                continue;
            for (const QStringList& o : objects) {
                const QString type = o.value(0).toUpper(), name = o.value(1), table = o.value(2);
                if (type == QLatin1String("TABLE") || type == QLatin1String("VIEW")) {
                    out << Line(type == QLatin1String("TABLE") ? "tab  " : "tvw  ", table,
                                QString(), QStringLiteral("on ") + schema);
                    // Its columns, from its own schema; a broken view hides nothing else.
                    QList<QStringList> cols;
                    if (!db->QueryTextRows(QStringLiteral("SELECT name, type, pk FROM "
                                                          "pragma_table_info(") +
                                               QuoteSqlString(table) + u',' +
                                               QuoteSqlString(schema) + QStringLiteral(");"),
                                           cols))
                        continue;
                    for (const QStringList& c : cols)
                        out << Line("col", c.value(0),
                                    c.value(2).toInt() > 0 ? QStringLiteral(".     primary key")
                                                           : QString(),
                                    QStringLiteral("on ") + schema + QStringLiteral(" . ") + table +
                                        QStringLiteral("  - ") + c.value(1));
                } else if (type == QLatin1String("INDEX") || type == QLatin1String("TRIGGER")) {
                    out << Line(type == QLatin1String("INDEX") ? "ind" : "tri", name, QString(),
                                QStringLiteral("on ") + schema + QStringLiteral(" . ") + table);
                }
            }
        }
    }
    out << QStringLiteral("tab  ,SQLITE_MASTER,,\"Schema Master-Table\"")
        << QStringLiteral("tab  ,SQLITE_TEMP_MASTER,,\"Schema Master-Table on Temp db\"");
    return out;
}

void CompletionModel::Build(TSQLite3Database* db, bool objects, bool pragmas) {
    FItems.clear();
    FTableNames.clear();
    QStringList lines = objects ? ObjectCompletionLines(db) : ObjectCompletionLines(nullptr);
    lines << BuiltinCompletionLines(pragmas);
    QSet<QString> seen;
    QStringList fields;
    for (const QString& l : lines) {
        SplitCSVLine(l, fields, u',');
        CompletionItem item;
        if (!CompletionItemOf(fields, item)) continue;
        if (item.kind == kcDatabase || item.kind == kcTable || item.kind == kcView) {
            const QString n = TrimText(item.name).remove(u' ');
            if (!seen.contains(n.toUpper())) {
                seen.insert(n.toUpper());
                FTableNames << n;
            }
        }
        FItems << item;
    }
}

QList<int> CompletionModel::Answer(const QString& token) const {
    QList<int> out;
    for (int k = 0; k < FItems.size(); ++k)
        if (FItems[k].insert.startsWith(token, Qt::CaseInsensitive)) out << k;
    return out;
}

qsizetype CompletionModel::TokenStart(const QString& text, qsizetype caret) {
    qsizetype k = std::clamp<qsizetype>(caret, 0, text.size());
    while (k > 0 && IsSqlWordChar(text[k - 1]))
        --k;
    return k;
}

} // namespace sky
