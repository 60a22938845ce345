// The completion items and their answer.
#include "completion/Completion.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

#include <QSet>

namespace sky {

namespace {

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

namespace {

// Each channel (1 - f) x own + f x target.
quint32 Blend(quint32 own, quint32 target, double f) {
    quint32 out = 0;
    for (int shift : {16, 8, 0}) {
        const double a = (own >> shift) & 0xFF, b = (target >> shift) & 0xFF;
        out |= quint32((1 - f) * a + f * b + 0.5) << shift;
    }
    return out;
}

} // namespace

quint32 CompletionKindColour(int kind, const HighlighterColours& c) {
    switch (kind) {
    case kcKeyword:
        return c.keyword;
    case kcType:
        return c.dataType;
    case kcFunction:
        return c.function;
    case kcOperator:
        return c.symbol;
    case kcPragma:
        return c.plsql;
    case kcDatabase:
        return 0x606060;
    case kcTable:
        return c.tableName;
    case kcColumn:
        return c.delimited;
    case kcIndex:
        return Blend(c.delimited, 0x000000, 0.2);
    case kcTrigger:
        return Blend(c.delimited, 0x000000, 0.4);
    case kcExtended:
        return Blend(c.function, 0x000000, 0.2);
    case kcView:
        return Blend(c.tableName, 0xFFFFFF, 0.2);
    default:
        return 0x808080;
    }
}

namespace {

// A name past 24 characters as its first 3, "..." and its last 19, never
// cutting a character in two (UTF-16 surrogate pairs).
QString ShortName(const QString& name) {
    if (name.size() <= 24) return name;
    qsizetype head = 3, tail = name.size() - 19;
    if (name[head - 1].isHighSurrogate()) ++head;
    if (name[tail].isLowSurrogate()) ++tail;
    return name.left(head) + QStringLiteral("...") + name.mid(tail);
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
    i.shownName = ShortName(name);
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

QStringList MasterTableLines() {
    return {QStringLiteral("tab  ,SQLITE_MASTER,,\"Schema Master-Table\""),
            QStringLiteral("tab  ,SQLITE_TEMP_MASTER,,\"Schema Master-Table on Temp db\"")};
}

namespace {

// The kind words, shared by all items of a kind.
const QString& KindWord(int kind) {
    static const QString words[] = {QString(),
                                    QStringLiteral(" SQL"),
                                    QStringLiteral("type"),
                                    QStringLiteral("function"),
                                    QStringLiteral("operator"),
                                    QStringLiteral("pragma"),
                                    QStringLiteral("db"),
                                    QStringLiteral("table"),
                                    QStringLiteral("column"),
                                    QStringLiteral("index"),
                                    QStringLiteral("trigger"),
                                    QStringLiteral("extended"),
                                    QStringLiteral("view")};
    return words[kind];
}

void AddItem(QList<CompletionItem>& items, int kind, const QString& name, const QString& detail,
             const QString& description) {
    CompletionItem i;
    i.kind = kind;
    i.kindWord = KindWord(kind);
    i.name = name;
    i.shownName = ShortName(name);
    i.detail = detail;
    i.description = description;
    i.insert = kind == kcTable || kind == kcView ? name + u' ' : name;
    items << std::move(i);
}

// The objects of every schema of db as items, straight from the catalogue
// rows (names are values, never re-parsed).
void AddObjectItems(TSQLite3Database* db, QList<CompletionItem>& items) {
    if (!db || !db->IsOpen()) return;
    QList<QStringList> dbs;
    db->QueryTextRows(QStringLiteral("SELECT name FROM pragma_database_list;"), dbs);
    const QString pk = QStringLiteral(".     primary key");
    for (const QStringList& d : dbs) {
        const QString schema = TrimText(d.value(0));
        if (schema.isEmpty()) continue;
        AddItem(items, kcDatabase, schema, QString(), schema + QStringLiteral(" Database"));
        const bool temp = schema.compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0;
        const QString master =
            temp ? QStringLiteral("sqlite_temp_master")
                 : QuoteIdent(schema, false, true) + QStringLiteral(".sqlite_master");
        const QString on = QStringLiteral("on ") + schema;
        const QString quoted = QuoteSqlString(schema);
        auto columns = [&](std::unique_ptr<TSQLite3Statement>& st, int first,
                           const QString& prefix) {
            const QString name = st->ColumnText(first);
            if (name.isEmpty()) return;
            AddItem(items, kcColumn, name, st->ColumnInt(first + 2) > 0 ? pk : QString(),
                    prefix + st->ColumnText(first + 1));
        };
        // One statement for the schema; when it fails (a view over a dropped
        // table), the objects one by one.
        std::unique_ptr<TSQLite3Statement> st = db->Prepare(
            QStringLiteral(
                "SELECT m.type, m.name, m.tbl_name, m.rowid, p.name, p.type, p.pk FROM ") +
            master + QStringLiteral(" AS m LEFT JOIN pragma_table_info(m.name, ") + quoted +
            QStringLiteral(") AS p ON m.type IN ('table','view') ORDER BY m.rowid, p.cid;"));
        const qsizetype mark = items.size();
        bool ok = false;
        if (st) {
            qint64 last = -1;
            QString prefix;
            int rc;
            while ((rc = st->Step()) == 100) {
                const qint64 rowid = st->ColumnInt64(3);
                const QString type = st->ColumnText(0).toUpper();
                const bool tv = type == QLatin1String("TABLE") || type == QLatin1String("VIEW");
                if (rowid != last) {
                    last = rowid;
                    const QString table = st->ColumnText(2);
                    if (tv)
                        AddItem(items, type == QLatin1String("TABLE") ? kcTable : kcView, table,
                                QString(), on);
                    else if (type == QLatin1String("INDEX") || type == QLatin1String("TRIGGER"))
                        AddItem(items, type == QLatin1String("INDEX") ? kcIndex : kcTrigger,
                                st->ColumnText(1), QString(), on + QStringLiteral(" . ") + table);
                    prefix = on + QStringLiteral(" . ") + table + QStringLiteral("  - ");
                }
                if (tv) columns(st, 4, prefix);
            }
            ok = rc == 101;
        }
        if (ok) continue;
        items.resize(mark);
        QList<QStringList> objects;
        if (!db->QueryTextRows(QStringLiteral("SELECT type, name, tbl_name FROM ") + master +
                                   QStringLiteral(" ORDER BY rowid;"),
                               objects))
            continue;
        for (const QStringList& o : objects) {
            const QString type = o.value(0).toUpper(), table = o.value(2);
            const bool tv = type == QLatin1String("TABLE") || type == QLatin1String("VIEW");
            if (tv)
                AddItem(items, type == QLatin1String("TABLE") ? kcTable : kcView, table, QString(),
                        on);
            else if (type == QLatin1String("INDEX") || type == QLatin1String("TRIGGER"))
                AddItem(items, type == QLatin1String("INDEX") ? kcIndex : kcTrigger, o.value(1),
                        QString(), on + QStringLiteral(" . ") + table);
            if (!tv) continue;
            std::unique_ptr<TSQLite3Statement> c =
                db->Prepare(QStringLiteral("SELECT name, type, pk FROM pragma_table_info(") +
                            QuoteSqlString(table) + u',' + quoted + QStringLiteral(");"));
            const QString prefix = on + QStringLiteral(" . ") + table + QStringLiteral("  - ");
            while (c && c->Step() == 100)
                columns(c, 0, prefix);
        }
    }
}

} // namespace

void CompletionModel::Build(TSQLite3Database* db, bool objects, bool pragmas) {
    FItems.clear();
    FTableNames.clear();
    if (objects) AddObjectItems(db, FItems);
    QStringList lines = MasterTableLines();
    lines << BuiltinCompletionLines(pragmas);
    QStringList fields;
    for (const QString& l : lines) {
        SplitCSVLine(l, fields, u',');
        CompletionItem item;
        if (CompletionItemOf(fields, item)) FItems << item;
    }
    QSet<QString> seen;
    for (const CompletionItem& item : FItems)
        if (item.kind == kcDatabase || item.kind == kcTable || item.kind == kcView) {
            const QString n = TrimText(item.name).remove(u' ');
            // A keyword stays a keyword in the highlighting.
            if (n.isEmpty() || IsSQLWord(n, 0)) continue;
            if (!seen.contains(n.toUpper())) {
                seen.insert(n.toUpper());
                FTableNames << n;
            }
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
