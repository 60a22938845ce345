// The table operations: their statements, questions and status texts.
#include "workspace/TableOps.h"

#include "design/DesignerPort.h"
#include "design/IndexTrigger.h"
#include "design/Reassign.h"
#include "design/TableDesigner.h"
#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/ScriptSplitter.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "engine/TableRebuild.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"
#include "workspace/QueryRun.h"

#include <cmath>

namespace sky::tableops {
namespace {

const QString kCancel = QStringLiteral("#CANCEL!#");
const QString kExecuting = QStringLiteral("Executing...");
const QString kExecSuccess = QStringLiteral("Execution Success.");
const QString kLayoutNotRead = QStringLiteral("Failed to read Table Layout for: ");

QString InQuotes(const QString& s) {
    return QLatin1Char('"') + s + QLatin1Char('"');
}

// The table as a qualified name, every part in double quotes: the schema
// only when one is set.
QString Qualified(const QString& schema, const QString& table) {
    const QString s = TrimText(schema);
    return (s.isEmpty() ? QString() : QuoteIdent(s, false, true) + QLatin1Char('.')) +
           QuoteIdent(table, false, true);
}

QString Qualified(const TableOpContext& c) {
    return Qualified(c.schema, c.table);
}

TableOpOutcome Fail(const QString& status) {
    TableOpOutcome o;
    o.status = status;
    return o;
}

// Runs one statement; the outcome says "Execution Success." or the error.
TableOpOutcome ExecuteOne(TableOpContext& c, const QString& sql) {
    TableOpOutcome o;
    o.status = kExecuting;
    if (!c.db.Execute(sql)) return Fail(c.db.LastError());
    o.ok = o.changed = true;
    o.status = kExecSuccess;
    return o;
}

// The names of the layout's columns.
QStringList ColumnNames(const TTableLayout& t) {
    QStringList names;
    for (const TFieldLayout& f : t.Cols)
        names << f.fName;
    return names;
}

qsizetype FindColumn(const TTableLayout& t, const QString& name) {
    for (qsizetype i = 0; i < t.Cols.size(); ++i)
        if (t.Cols[i].fName.compare(TrimText(name), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

bool ReadLayout(TableOpContext& c, TTableLayout& t, TableOpOutcome& o) {
    QString why;
    if (!convDBTableToLayout(c.db, c.schema, t, c.table, &why)) {
        o = Fail(kLayoutNotRead + c.table);
        return false;
    }
    return true;
}

// Asks until the answer is accepted unchanged: each answer is adjusted, and
// an adjusted one is proposed again with the confirmation prompt.
QString AskAdjusted(TableOpContext& c, const QString& title, const QString& prompt,
                    const QString& confirmPrompt, QString proposal, const QStringList& choices,
                    const QStringList& existing, bool numbering) {
    QString ask = prompt;
    for (int round = 0; round < 100; ++round) {
        const QString answer =
            TrimText(c.prompts.AskText(title, ask, proposal, choices, false, 60, kCancel));
        if (answer == kCancel || answer.isEmpty()) return QString();
        const QString adjusted = AdjustColumnName(answer, existing, numbering);
        if (adjusted == answer) return answer;
        proposal = adjusted;
        ask = confirmPrompt;
    }
    return QString();
}

// True when the text holds nothing but blanks and comments.
bool OnlyComments(const QString& text) {
    SqlLexer lex(text);
    SqlToken t;
    while (lex.Next(t))
        if (t.kind != SqlTokKind::Space && t.kind != SqlTokKind::LineBreak &&
            t.kind != SqlTokKind::LineComment && t.kind != SqlTokKind::BlockComment &&
            !(t.kind == SqlTokKind::Other && text.mid(t.pos, t.len) == QLatin1String(";")))
            return false;
    return true;
}

// The create script of a layout split for the rebuild: the CREATE TABLE
// statement, and the indexes and triggers (the script's DROP lines left out).
bool SplitCreateScript(const QString& script, QString& createTable, QStringList& after) {
    for (const QString& s : SplitSqlScript(script, false).statements) {
        QString text = TrimText(s);
        if (OnlyComments(text)) continue;
        if (!text.endsWith(QLatin1Char(';'))) text += QLatin1Char(';');
        const QString head = UpperAscii(text.left(40)).simplified();
        if (head.startsWith(QLatin1String("DROP "))) continue;
        if (createTable.isEmpty() && head.startsWith(QLatin1String("CREATE ")) &&
            head.contains(QLatin1String(" TABLE ")))
            createTable = text;
        else
            after << text;
    }
    return !createTable.isEmpty();
}

// Rebuild outcome texts.
TableOpOutcome Rebuilt(TableOpContext& c, bool ok, const QString& script, const QString& success,
                       const QString& failure) {
    TableOpOutcome o;
    if (c.scriptOnly) {
        o.ok = ok;
        o.script = script;
        o.status = ok ? QString() : failure + c.db.LastError();
        return o;
    }
    o.ok = o.changed = ok;
    o.refreshSchema = ok;
    o.status = ok ? success : failure + c.db.LastError();
    return o;
}

// The name in CREATE [TEMP] TABLE [IF NOT EXISTS] name replaced, the rest of
// the stored text kept exactly. False when the text has no such name.
bool ReplaceCreatedName(QString& sql, const QString& newName) {
    SqlLexer lex(sql);
    SqlToken t;
    int words = 0;
    qsizetype start = -1, end = -1;
    while (lex.Next(t)) {
        if (t.kind == SqlTokKind::Space || t.kind == SqlTokKind::LineBreak ||
            t.kind == SqlTokKind::LineComment || t.kind == SqlTokKind::BlockComment)
            continue;
        const QString w = sql.mid(t.pos, t.len).toUpper();
        if (start < 0) {
            if (t.kind == SqlTokKind::Word && words < 6 &&
                (w == QLatin1String("CREATE") || w == QLatin1String("TEMP") ||
                 w == QLatin1String("TEMPORARY") || w == QLatin1String("TABLE") ||
                 w == QLatin1String("IF") || w == QLatin1String("NOT") ||
                 w == QLatin1String("EXISTS"))) {
                ++words;
                continue;
            }
            if (t.kind != SqlTokKind::Word && t.kind != SqlTokKind::Quoted) return false;
            start = t.pos;
            end = t.end();
            continue;
        }
        // schema.name: the whole dotted name is replaced.
        if (t.kind == SqlTokKind::Other && sql.mid(t.pos, t.len) == QLatin1String(".")) {
            if (!lex.Next(t)) return false;
            end = t.end();
            continue;
        }
        break;
    }
    if (start < 0) return false;
    sql.replace(start, end - start, newName);
    return true;
}

} // namespace

QString GroupedCount(qint64 count) {
    QString digits = QString::number(count < 0 ? -count : count);
    for (qsizetype at = digits.size() - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(' '));
    return count < 0 ? QLatin1Char('-') + digits : digits;
}

QString RowCountText(qint64 count) {
    if (count < 0) return QStringLiteral("Broken");
    if (count == 0) return QStringLiteral("Empty");
    if (count == 1) return QStringLiteral("One");
    return GroupedCount(count);
}

QString RowCountStatus(const QString& table, qint64 count) {
    QString how;
    if (count < 0)
        how = QStringLiteral("is broken.");
    else if (count == 0)
        how = QStringLiteral("is Empty.");
    else if (count == 1)
        how = QStringLiteral("has a single row.");
    else
        how = QStringLiteral("has ") + GroupedCount(count) + QStringLiteral(" rows.");
    return QStringLiteral("Success - Table ") + InQuotes(table) + QLatin1Char(' ') + how;
}

QString AdjustColumnName(const QString& typed, const QStringList& existing, bool numbering) {
    QString name = TrimText(typed);
    name.replace(QLatin1Char(' '), QLatin1Char('_'))
        .replace(QLatin1Char('.'), QLatin1Char('_'))
        .replace(QLatin1Char(','), QLatin1Char('_'));
    while (name.contains(QLatin1String("__")))
        name.replace(QLatin1String("__"), QLatin1String("_"));
    if (!numbering || name.isEmpty()) return name;
    auto taken = [&](const QString& n) {
        for (const QString& e : existing)
            if (e.compare(n, Qt::CaseInsensitive) == 0) return true;
        return false;
    };
    while (taken(name)) {
        // A two-digit running number appended, or the one there increased.
        qsizetype digits = 0;
        while (digits < 2 && digits < name.size() && name[name.size() - 1 - digits].isDigit() &&
               name[name.size() - 1 - digits].unicode() < 128)
            ++digits;
        if (digits == 2) {
            const int n = name.right(2).toInt() + 1;
            name =
                name.left(name.size() - 2) + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
        } else {
            name += QStringLiteral("01");
        }
    }
    return name;
}

QString DefaultSource(const QString& defaultValue) {
    const QString v = TrimText(defaultValue);
    if (v.isEmpty()) return QStringLiteral("''");
    if (v.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0) return v;
    // The time keywords stay keywords: each copied row gets their value.
    for (const char* k : {"CURRENT_TIMESTAMP", "CURRENT_DATE", "CURRENT_TIME"})
        if (v.compare(QLatin1String(k), Qt::CaseInsensitive) == 0) return v.toUpper();
    const QChar first = v.front();
    if (first == u'"' || first == u'\'' || first == u'(' || first == u'[' || first == u'`')
        return v;
    if (IsStrictNumericLiteral(v)) return v;
    return QuoteSqlString(v);
}

TableOpOutcome CountRows(TableOpContext& c) {
    QString value;
    if (!c.db.QuerySingleValue(value, QStringLiteral("SELECT count(*) FROM ") + Qualified(c) +
                                          QLatin1Char(';')))
        return Fail(QStringLiteral("Error counting rows: ") + c.db.LastError());
    bool number = false;
    const qint64 count = value.toLongLong(&number);
    TableOpOutcome o;
    o.ok = true;
    o.status = RowCountStatus(c.table, number ? count : -1);
    o.rowCountText = RowCountText(number ? count : -1);
    return o;
}

TableOpOutcome DropTable(TableOpContext& c) {
    if (!c.prompts.AskYesNo(QStringLiteral("WARNING: Deleting Table"),
                            QStringLiteral("Do you really want to Drop Table ") + c.table +
                                QLatin1Char('?'),
                            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return TableOpOutcome();
    TableOpOutcome o =
        ExecuteOne(c, QStringLiteral("DROP TABLE IF EXISTS ") + Qualified(c) + QLatin1Char(';'));
    o.refreshSchema = o.ok;
    return o;
}

TableOpOutcome EmptyTable(TableOpContext& c) {
    if (!c.prompts.AskYesNo(QStringLiteral("WARNING: Deleting Data"),
                            QStringLiteral("Clear the contents of Table ") + c.table +
                                QStringLiteral(" now?"),
                            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return TableOpOutcome();
    TableOpOutcome o =
        ExecuteOne(c, QStringLiteral("DELETE FROM ") + Qualified(c) + QLatin1Char(';'));
    if (o.ok) o.selectTable = c.table;
    return o;
}

TableOpOutcome RenameTable(TableOpContext& c) {
    const QString title = QStringLiteral("Rename Table ") + InQuotes(c.table);
    QString prompt = QStringLiteral("New Table Name: ");
    QString proposal = c.table;
    QString answer;
    for (int round = 0; round < 100; ++round) {
        answer = TrimText(c.prompts.AskText(title, prompt, proposal, {}, false, 60, QString()));
        if (answer.isEmpty() || answer == c.table) break;
        const QString valid = c.db.makeValidTableName(answer, c.schema, true);
        const QString unique = c.db.makeValidTableName(valid, c.schema, false);
        if (valid != answer) {
            prompt = QStringLiteral("This table-name is not allowed - Please accept or edit the "
                                    "correction: ");
            proposal = valid;
        } else if (unique != answer &&
                   answer.compare(c.table, Qt::CaseInsensitive) != 0) { // a case change is free
            prompt = QStringLiteral(
                "This table already exists - Please accept or edit the correction: ");
            proposal = unique;
        } else {
            break;
        }
    }
    if (answer.isEmpty() || answer == c.table)
        return Fail(QStringLiteral("Table Rename for ") + c.table + QStringLiteral(" cancelled."));
    const QString step = QStringLiteral("Renaming Table to ") + InQuotes(answer);
    if (!c.db.Execute(QStringLiteral("ALTER TABLE ") + Qualified(c) +
                      QStringLiteral(" RENAME TO ") + QuoteIdent(answer, false, true) +
                      QLatin1Char(';')))
        return Fail(QStringLiteral("Error while ") + step + QStringLiteral(":  ") +
                    c.db.LastError());
    TableOpOutcome o;
    o.ok = o.changed = o.refreshSchema = true;
    o.selectTable = answer;
    o.status = QStringLiteral("Success Renaming Table ") + InQuotes(c.table) +
               QStringLiteral(" to ") + InQuotes(answer) + QLatin1Char('.');
    return o;
}

TableOpOutcome CopyTable(TableOpContext& c) {
    QString create;
    if (!c.db.QuerySingleValue(create, QStringLiteral("SELECT \"sql\" FROM ") +
                                           MasterTableOf(TrimText(c.schema)) +
                                           QStringLiteral(" WHERE \"type\"='table' AND \"name\"=") +
                                           QuoteSqlString(c.table) + QLatin1Char(';')) ||
        TrimText(create).isEmpty())
        return TableOpOutcome();
    TTableLayout t;
    TableOpOutcome o;
    if (!ReadLayout(c, t, o)) return o;
    QStringList cols;
    for (const TFieldLayout& f : t.Cols)
        if (f.fGenerated.isEmpty()) cols << QuoteIdent(f.fName, false, true);
    const QString list = cols.join(QLatin1Char(','));
    const QString name = TrimText(c.prompts.AskText(
        QStringLiteral("Copy Table ") + InQuotes(c.table), QStringLiteral("New Table Name:"),
        QStringLiteral("CopyOf") + c.table, {}, false, 60, QString()));
    if (name.isEmpty() || name == c.table) return TableOpOutcome();
    const QString qNew = Qualified(c.schema, name);
    if (!c.db.BeginTransaction()) return Fail(c.db.LastError());
    QString step = QStringLiteral("Creating Table ") + InQuotes(name) + QStringLiteral("...");
    bool ok =
        ReplaceCreatedName(create, IsMainSchema(c.schema) ? QuoteIdent(name, false, true) : qNew);
    if (!ok) c.db.SetError(QStringLiteral("the table name was not found in its CREATE text"));
    ok = ok && c.db.Execute(create);
    if (ok) {
        step = QStringLiteral("Copying Table Data...");
        ok = c.db.Execute(QStringLiteral("INSERT INTO ") + qNew + QStringLiteral(" (") + list +
                          QStringLiteral(") SELECT ") + list + QStringLiteral(" FROM ") +
                          Qualified(c) + QLatin1Char(';'));
    }
    if (!ok) {
        const QString err = c.db.LastError();
        c.db.Rollback();
        return Fail(QStringLiteral("Error while ") + step + QStringLiteral(":  ") + err +
                    QStringLiteral(" - Changes rolled back."));
    }
    o.refreshSchema = true;
    o.selectTable = name;
    if (!c.db.Commit()) {
        const QString err = c.db.LastError();
        if (c.db.TransactionOpen()) c.db.Rollback();
        o.status = QStringLiteral("Could not commit copied Table: ") + err;
        return o;
    }
    o.ok = o.changed = true;
    o.status = QStringLiteral("Success Copying Table ") + InQuotes(c.table) +
               QStringLiteral(" to ") + InQuotes(name) + QLatin1Char('.');
    return o;
}

bool RebuildFromLayout(TableOpContext& c, const TTableLayout& old, const TTableLayout& edited,
                       const QString& header, const QString& asideBase, const QStringList& targets,
                       const QStringList& sources, QString& script) {
    TRebuildSpec spec;
    spec.schema = IsMainSchema(c.schema) ? QStringLiteral("main") : TrimText(c.schema);
    spec.table = c.table;
    spec.header = header;
    spec.asideBase = asideBase;
    const QString prefix = QuoteIdent(spec.schema, false, true) + QLatin1Char('.');
    for (const TTriggerLayout& tr : old.Trigs)
        spec.dropFirst << QStringLiteral("DROP TRIGGER IF EXISTS ") + prefix +
                              QuoteIdent(tr.trigName, false, true) + QLatin1Char(';');
    for (const TIndexLayout& ix : old.Idxs)
        spec.dropFirst << QStringLiteral("DROP INDEX IF EXISTS ") + prefix +
                              QuoteIdent(ix.IdxName, false, true) + QLatin1Char(';');
    TTableLayout t = edited;
    t.dropExisting = false;
    t.ifNotEx = false;
    t.dbName = IsMainSchema(c.schema) ? QString() : spec.schema;
    if (!SplitCreateScript(convTableLayoutToSQL(t), spec.createTable, spec.afterCopy)) {
        c.db.SetError(QStringLiteral("The new layout gives no CREATE TABLE statement"));
        return false;
    }
    spec.newHasRowid = !t.noRowID;
    spec.targets = targets;
    spec.sources = sources;
    if (c.scriptOnly) {
        TRebuildPlan plan;
        if (!BuildTableRebuild(c.db, spec, plan)) return false;
        script = plan.Script();
        return true;
    }
    return RunRebuild(c.db,
                      [&](TRebuildPlan& plan) { return BuildTableRebuild(c.db, spec, plan); });
}

TableOpOutcome AddColumn(TableOpContext& c) {
    TTableLayout t;
    TableOpOutcome o;
    if (!ReadLayout(c, t, o)) return o;
    const TTableLayout old = t;
    static const QStringList kTypes = [] {
        QStringList types{"BOOLEAN", "INT",      "INTEGER", "FLOAT",   "DOUBLE", "REAL", "NUMERIC",
                          "DATE",    "DATETIME", "CHAR",    "VARCHAR", "TEXT",   "CLOB", "BLOB"};
        types.sort();
        return types;
    }();
    const QString type = TrimText(c.prompts.AskText(
        QStringLiteral("Add Column to ") + c.table, QStringLiteral("New column type: "),
        QStringLiteral("TEXT"), kTypes, false, 60, kCancel));
    if (type.isEmpty() || type == kCancel) return TableOpOutcome();
    const QStringList existing = ColumnNames(t);
    const QString name = AskAdjusted(
        c, QStringLiteral("Add ") + type + QStringLiteral(" Column to ") + c.table,
        QStringLiteral("New Column Name:"),
        QStringLiteral("Please confirm/change the adjusted Column Name:"), QString(),
        QStringList{QStringLiteral("ID"), QStringLiteral("Name"), QStringLiteral("UpdateTime")} +
            existing,
        existing, true);
    if (name.isEmpty()) return TableOpOutcome();
    if (FindColumn(t, name) >= 0)
        return Fail(QStringLiteral("The collumn ") + InQuotes(name) +
                    QStringLiteral(" already exists in ") + c.table);
    const QString shortName = name.size() >= 31 ? name.left(28) + QStringLiteral("...") : name;
    QString def = TrimText(c.prompts.AskText(
        QStringLiteral("Adding Column ") + shortName + QStringLiteral(" to ") + c.table,
        QStringLiteral("Default value for ") + type + QStringLiteral(" column ") + name +
            QLatin1Char('?'),
        QString(),
        {QString(), QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("*"),
         QStringLiteral("New"), QStringLiteral("NULL"), QStringLiteral("CURRENT_TIMESTAMP")},
        false, 60, QString()));
    if (def.compare(QLatin1String("CURRENT_TIMESTAMP"), Qt::CaseInsensitive) == 0)
        def = QStringLiteral("(datetime('Now','localtime'))");
    const QString comment = c.prompts.AskText(
        QStringLiteral("Confirm Adding ") + type + QStringLiteral(" Column ") + shortName +
            QStringLiteral(": "),
        QStringLiteral("Supply a comment if needed, then click [ Accept ] to add column ") +
            InQuotes(name) + QStringLiteral(" to table ") + InQuotes(c.table) + QLatin1Char('.'),
        QString(), {}, false, 60, kCancel);
    if (comment == kCancel) return TableOpOutcome();

    TFieldLayout f;
    f.fName = name;
    f.fType = type;
    f.fDefVal = def;
    f.fComment = TrimText(comment);
    f.allowNull = def.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0;
    f.isAscend = true;
    const qsizetype after = FindColumn(t, c.curCol);
    t.Cols.insert(after < 0 ? t.Cols.size() : after + 1, f);
    QStringList targets, sources;
    for (const TFieldLayout& col : t.Cols) {
        if (!col.fGenerated.isEmpty()) continue;
        targets << QuoteIdent(col.fName, false, true);
        sources << (col.OldName.isEmpty() ? DefaultSource(def)
                                          : QuoteIdent(col.OldName, false, true));
    }
    QString script;
    const bool ok =
        RebuildFromLayout(c, old, t,
                          QStringLiteral("-- SQL script to add new column ") + name +
                              QStringLiteral(" to table: ") + c.table + QLatin1Char('.'),
                          QStringLiteral("TempColAdderTable"), targets, sources, script);
    return Rebuilt(c, ok, script, QStringLiteral("Success adding Column ") + name,
                   QStringLiteral("Failed to add column: "));
}

TableOpOutcome RenameColumn(TableOpContext& c) {
    TTableLayout t;
    TableOpOutcome o;
    if (!ReadLayout(c, t, o)) return o;
    const QString col = c.curCol;
    const QString name =
        AskAdjusted(c, QStringLiteral("Rename Column ") + col,
                    QStringLiteral("Rename column ") + col + QStringLiteral(" to: "),
                    QStringLiteral("Please confirm/change the adjusted name:"), col, {}, {}, false);
    if (name.isEmpty() || name == col) return TableOpOutcome();
    const qsizetype at = FindColumn(t, col);
    if (at < 0)
        return Fail(QStringLiteral("Error locating/renaming column ") + InQuotes(col) +
                    QStringLiteral(" - Please report as a bug!"));
    const qsizetype other = FindColumn(t, name);
    if (other >= 0 && other != at)
        return Fail(QStringLiteral("The column ") + InQuotes(name) +
                    QStringLiteral(" already exists in ") + c.table);
    // The engine renames the column everywhere it is named: the table, its
    // indexes and triggers, views, other tables' triggers and the foreign
    // keys of child tables; literals stay as they are.
    const QString sql = QStringLiteral("ALTER TABLE ") + Qualified(c) +
                        QStringLiteral(" RENAME COLUMN ") +
                        QuoteIdent(t.Cols[at].fName, false, true) + QStringLiteral(" TO ") +
                        QuoteIdent(name) + QLatin1Char(';');
    const QString script = QStringLiteral("-- SQL script to rename column ") + col +
                           QStringLiteral(" to ") + name + QStringLiteral(" in table: ") + c.table +
                           QStringLiteral(".\r\n") + sql;
    bool ok = true;
    if (!c.scriptOnly) {
        ok = c.db.BeginTransaction();
        if (ok) ok = c.db.Execute(sql);
        if (ok) {
            ok = c.db.Commit();
        }
        if (!ok && c.db.TransactionOpen()) {
            const QString err = c.db.LastError();
            c.db.Rollback();
            c.db.SetError(err);
        }
    }
    return Rebuilt(c, ok, script, QStringLiteral("Success renaming Column ") + name,
                   QStringLiteral("Failed to rename column: "));
}

TableOpOutcome RemoveColumn(TableOpContext& c) {
    TTableLayout t;
    TableOpOutcome o;
    if (!ReadLayout(c, t, o)) return o;
    const QString col = c.curCol;
    const qsizetype at = FindColumn(t, col);
    if (at < 0)
        return Fail(QStringLiteral("Error locating/deleting column ") + InQuotes(col) +
                    QStringLiteral(" - Please report as a bug!"));
    const QString refs = ColumnReferences(c);
    if (!refs.isEmpty())
        c.prompts.ShowWarning(refs + QStringLiteral(".\r\rPlease drop any external references "
                                                    "before deleting a column."),
                              QStringLiteral("Column has external references..."));
    if (t.Cols.size() == 1) {
        if (!c.prompts.AskYesNo(QStringLiteral("WARNING: Deleting Table"),
                                QStringLiteral("This is the only column left in Table ") +
                                    InQuotes(c.table) +
                                    QStringLiteral(".\rDrop the Table entirely?"),
                                30, QStringLiteral("No"), QStringLiteral("Yes")))
            return TableOpOutcome();
        if (c.scriptOnly) {
            o.ok = true;
            o.script = QStringLiteral("DROP TABLE IF EXISTS ") + Qualified(c) + QLatin1Char(';');
            return o;
        }
        o = ExecuteOne(c,
                       QStringLiteral("DROP TABLE IF EXISTS ") + Qualified(c) + QLatin1Char(';'));
        o.refreshSchema = o.ok;
        return o;
    }
    if (!c.prompts.AskYesNo(QStringLiteral("Confirm Remove Column"),
                            QStringLiteral("Remove column ") + InQuotes(col) +
                                QStringLiteral(" from table ") + InQuotes(c.table) +
                                QStringLiteral(" now?"),
                            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return TableOpOutcome();
    const TTableLayout old = t;
    const QString gone = t.Cols[at].fName;
    t.Cols.removeAt(at);
    // What names the column goes with it: indexes on it, table constraints
    // over it; an UPDATE OF list loses the name (a trigger left without
    // columns goes).
    for (qsizetype i = t.Idxs.size() - 1; i >= 0; --i)
        if (ContainsWholeWord(t.Idxs[i].IdxFields, gone) ||
            ContainsWholeWord(t.Idxs[i].IdxWhere, gone))
            t.Idxs.removeAt(i);
    for (qsizetype i = t.FKeys.size() - 1; i >= 0; --i)
        if (t.FKeys[i].bIsTableConstraint && (ContainsWholeWord(t.FKeys[i].OwnFields, gone) ||
                                              (t.FKeys[i].iKeyKind == KeyKind::Check &&
                                               ContainsWholeWord(t.FKeys[i].FKFields, gone))))
            t.FKeys.removeAt(i);
    for (qsizetype i = t.Trigs.size() - 1; i >= 0; --i) {
        TTriggerLayout& tr = t.Trigs[i];
        if (!ContainsWholeWord(tr.trigFields, gone)) continue;
        QStringList kept;
        for (const QString& f : tr.trigFields.split(QLatin1Char(',')))
            if (UnquoteIdent(TrimText(f)).compare(gone, Qt::CaseInsensitive) != 0)
                kept << TrimText(f);
        if (kept.isEmpty()) {
            t.Trigs.removeAt(i);
        } else {
            tr.trigFields = kept.join(QStringLiteral(", "));
            tr.RawText.clear();
        }
    }
    QStringList targets, sources;
    for (const TFieldLayout& f : t.Cols) {
        if (!f.fGenerated.isEmpty()) continue;
        targets << QuoteIdent(f.fName, false, true);
        sources << QuoteIdent(f.OldName.isEmpty() ? f.fName : f.OldName, false, true);
    }
    QString script;
    const bool ok =
        RebuildFromLayout(c, old, t,
                          QStringLiteral("-- SQL script to remove column ") + gone +
                              QStringLiteral(" from table: ") + c.table + QLatin1Char('.'),
                          QStringLiteral("TempColDeleterTable"), targets, sources, script);
    return Rebuilt(c, ok, script, QStringLiteral("Success deleting Column ") + gone,
                   QStringLiteral("Failed to delete column: "));
}

QString ColumnReferencesText(const QString& column, const QString& referencesCell) {
    const QStringList lists = referencesCell.split(QLatin1Char(';'));
    const char* const kinds[3][3] = {{"' forms part of ", "Index", "Indices"},
                                     {"' is an initiator for ", "Trigger", "Triggers"},
                                     {"' is referenced by ", "Trigger", "Triggers"}};
    QStringList sentences;
    for (int k = 0; k < 3 && k < lists.size(); ++k) {
        QStringList names;
        for (const QString& n : lists[k].split(QLatin1Char(',')))
            if (!TrimText(n).isEmpty()) names << InQuotes(TrimText(n));
        if (names.isEmpty()) continue;
        sentences << QLatin1Char('\'') + column + QLatin1String(kinds[k][0]) +
                         QLatin1String(names.size() == 1 ? kinds[k][1] : kinds[k][2]) +
                         QLatin1Char(' ') + names.join(QStringLiteral("'\rand '"));
    }
    return sentences.join(QStringLiteral(".\r\r"));
}

QString ColumnReferencesCell(const TTableLayout& t, const QString& column) {
    QStringList idx, upd, men;
    for (const TIndexLayout& i : t.Idxs)
        if (ContainsWholeWord(i.IdxFields, column) || ContainsWholeWord(i.IdxWhere, column))
            idx << i.IdxName;
    for (const TTriggerLayout& tr : t.Trigs) {
        if (ContainsWholeWord(tr.trigFields, column)) upd << tr.trigName;
        if (ContainsWholeWord(tr.trigWhen, column) || ContainsWholeWord(tr.trigExecCode, column))
            men << tr.trigName;
    }
    QStringList lists;
    for (const QStringList* l : {&idx, &upd, &men}) {
        QString list;
        for (const QString& name : *l)
            list += name + QStringLiteral(", ");
        lists << list;
    }
    return lists.join(QStringLiteral("; "));
}

QString ColumnReferences(TableOpContext& c) {
    TTableLayout t;
    QString why;
    if (!convDBTableToLayout(c.db, c.schema, t, c.table, &why)) return QString();
    QStringList sentences;
    const QString own = ColumnReferencesText(c.curCol, ColumnReferencesCell(t, c.curCol));
    if (!own.isEmpty()) sentences << own;
    // Outside the table: views and other tables' triggers whose text names
    // both the table and the column, and child keys on the column.
    const QString master = MasterTableOf(TrimText(c.schema));
    QStringList views, triggers, children;
    QStringList names;
    if (c.db.QuerySingleColumn(
            names,
            QStringLiteral("SELECT type || ' ' || name || char(1) || ifnull(sql, '') FROM ") +
                master + QStringLiteral(" WHERE (type='view' OR (type='trigger' AND tbl_name<>") +
                QuoteSqlString(c.table) + QStringLiteral(" COLLATE NOCASE));"),
            0, false)) {
        for (const QString& row : names) {
            const qsizetype sep = row.indexOf(QChar(1));
            const QString sql = row.mid(sep + 1);
            if (!ContainsWholeWord(sql, c.curCol) || !ContainsWholeWord(sql, c.table)) continue;
            const QString head = row.left(sep);
            (head.startsWith(QLatin1String("view ")) ? views : triggers)
                << InQuotes(head.mid(head.indexOf(QLatin1Char(' ')) + 1));
        }
    }
    if (c.db.QuerySingleColumn(
            names,
            QStringLiteral("SELECT DISTINCT m.name FROM ") + master +
                QStringLiteral(" AS m, pragma_foreign_key_list(m.name") +
                (IsMainSchema(c.schema)
                     ? QString()
                     : QStringLiteral(", ") + QuoteSqlString(TrimText(c.schema))) +
                QStringLiteral(") AS k WHERE m.type='table' AND k.\"table\"=") +
                QuoteSqlString(c.table) + QStringLiteral(" COLLATE NOCASE AND k.\"to\"=") +
                QuoteSqlString(c.curCol) + QStringLiteral(" COLLATE NOCASE ORDER BY m.name;"),
            0, false))
        for (const QString& n : names)
            children << InQuotes(n);
    const struct {
        const QStringList* names;
        const char *one, *many;
    } outside[] = {{&views, "View", "Views"},
                   {&triggers, "Trigger", "Triggers"},
                   {&children, "the foreign key of Table", "the foreign keys of Tables"}};
    for (const auto& o : outside)
        if (!o.names->isEmpty())
            sentences << QLatin1Char('\'') + c.curCol + QStringLiteral("' is named by ") +
                             QLatin1String(o.names->size() == 1 ? o.one : o.many) +
                             QLatin1Char(' ') + o.names->join(QStringLiteral("'\rand '"));
    return sentences.join(QStringLiteral(".\r\r"));
}

TableOpOutcome ShowColumnReferences(TableOpContext& c) {
    const QString text = ColumnReferences(c);
    const QString title = QStringLiteral("Column ") + c.curCol + QStringLiteral(" References: ");
    if (text.isEmpty())
        c.prompts.ShowNotice(title,
                             QStringLiteral("No other table objects refer to Column ") + c.curCol +
                                 QStringLiteral("..."),
                             9, false);
    else
        c.prompts.ShowNotice(title, text, 60, false);
    TableOpOutcome o;
    o.ok = true;
    o.status = text.isEmpty() ? QStringLiteral("No other table objects refer to Column ") +
                                    c.curCol + QStringLiteral("...")
                              : text;
    return o;
}

bool ReadDesignerScript(const QString& script, const QStringList& renames, const TTableLayout& old,
                        TTableLayout& edited, QString& why) {
    edited = TTableLayout();
    const SplitResult split = SplitSqlScript(script, false);
    const QStringList& statements = split.statements;
    if (!TrimText(split.tail).isEmpty() && !OnlyComments(split.tail)) {
        why = QStringLiteral("The script ends inside a statement");
        return false;
    }
    bool table = false;
    for (const QString& s : statements) {
        const QString text = TrimText(s);
        if (OnlyComments(text)) continue;
        const QString head = UpperAscii(text.left(60)).simplified();
        if (head.startsWith(QLatin1String("DROP "))) continue;
        if (!table) {
            if (!parseTable(text, {}, edited, &why)) return false;
            table = true;
            continue;
        }
        TIndexLayout ix;
        TTriggerLayout tr;
        if (head.contains(QLatin1String(" INDEX ")) && parseIndex(text, ix)) {
            edited.Idxs << ix;
        } else if (head.contains(QLatin1String(" TRIGGER ")) && parseTrigger(text, tr)) {
            edited.Trigs << tr;
        } else {
            why = QStringLiteral("Not an index or trigger statement: ") + text.left(60);
            return false;
        }
    }
    if (!table) {
        why = QStringLiteral("The script has no CREATE TABLE statement");
        return false;
    }
    for (TFieldLayout& f : edited.Cols) {
        f.OldName.clear();
        for (const QString& r : renames) {
            const qsizetype eq = r.indexOf(QLatin1Char('='));
            if (eq > 0 && TrimText(r.mid(eq + 1)).compare(f.fName, Qt::CaseInsensitive) == 0)
                f.OldName = TrimText(r.left(eq));
        }
        if (f.OldName.isEmpty() && FindColumn(old, f.fName) >= 0) f.OldName = f.fName;
        if (!f.OldName.isEmpty()) {
            const qsizetype at = FindColumn(old, f.OldName);
            if (at < 0) {
                why = QStringLiteral("No column ") + InQuotes(f.OldName) +
                      QStringLiteral(" to rename in ") + old.tblName;
                return false;
            }
            f.OldName = old.Cols[at].fName;
        }
    }
    edited.OldName = old.tblName;
    return true;
}

TableOpOutcome AlterTable(TableOpContext& c) {
    TTableLayout t;
    QString why;
    if (!convDBTableToLayout(c.db, c.schema, t, c.table, &why))
        return Fail(QStringLiteral("Failed to read table layout for: ") + c.table);
    const TTableLayout old = t;
    t.OldName = c.table;
    if (!c.designer || !c.designer->GetDesignerTableLayout(t, &c.db, false))
        return TableOpOutcome();
    QStringList targets, sources;
    int mapped = 0;
    for (const TFieldLayout& f : t.Cols) {
        if (!f.fGenerated.isEmpty()) continue;
        targets << QuoteIdent(f.fName, false, true);
        if (!f.OldName.isEmpty() && FindColumn(old, f.OldName) >= 0) {
            sources << QuoteIdent(old.Cols[FindColumn(old, f.OldName)].fName, false, true);
            ++mapped;
        } else {
            sources << DefaultSource(f.fDefVal);
        }
    }
    int oldCount = 0;
    for (const TFieldLayout& f : old.Cols)
        if (f.fGenerated.isEmpty()) ++oldCount;
    if (mapped < oldCount &&
        !c.prompts.AskYesNo(
            QStringLiteral("WARNING: Lost Data"),
            QStringLiteral("Only ") + QString::number(mapped) + QStringLiteral(" of the ") +
                QString::number(oldCount) +
                QStringLiteral(" previous data columns are mapped to new columns.") +
                QStringLiteral("\rData loss is imminent - Continue regardless?"),
            60, QStringLiteral("No"), QStringLiteral("Yes")))
        return TableOpOutcome();
    // Created under the old name unless the new one differs only in case;
    // another name is given afterwards, when the engine also renames what
    // refers to the table.
    const QString newName = TrimText(t.tblName);
    const bool renamed = newName.compare(c.table, Qt::CaseInsensitive) != 0;
    if (renamed) t.tblName = c.table;
    QString script;
    const bool ok = RebuildFromLayout(
        c, old, t, QStringLiteral("-- SQL script to alter table : ") + c.table + QLatin1Char('.'),
        QStringLiteral("TempAlteringTable"), targets, sources, script);
    const QString renameSql = QStringLiteral("ALTER TABLE ") + Qualified(c) +
                              QStringLiteral(" RENAME TO ") + QuoteIdent(newName) +
                              QLatin1Char(';');
    if (c.scriptOnly) {
        TableOpOutcome o =
            Rebuilt(c, ok, script, QString(), QStringLiteral("Error altering table: "));
        if (ok && renamed) o.script += QStringLiteral("\r\n") + renameSql;
        return o;
    }
    if (!ok) return Fail(QStringLiteral("Error altering table: ") + c.db.LastError());
    TableOpOutcome o;
    o.ok = o.changed = o.refreshSchema = true;
    o.selectTable = c.table;
    o.status =
        QStringLiteral("Table ") + InQuotes(c.table) + QStringLiteral(" altered successfully.");
    if (renamed) {
        if (c.db.Execute(renameSql)) {
            o.selectTable = newName;
            o.status = QStringLiteral("Table ") + InQuotes(c.table) +
                       QStringLiteral(" altered and re-named to ") + InQuotes(newName) +
                       QStringLiteral(" successfully.");
        } else {
            o.status = QStringLiteral("Error changing table ") + InQuotes(c.table) +
                       QStringLiteral(" to ") + InQuotes(newName) + QStringLiteral(": ") +
                       c.db.LastError();
        }
    }
    return o;
}

TableOpOutcome AddIndexOrTrigger(TableOpContext& c, bool trigger, bool showOnly) {
    if (c.curCol.isEmpty() || !c.dialogs) return TableOpOutcome();
    TTableLayout t;
    QString why;
    QStringList columns;
    if (convDBTableToLayout(c.db, c.schema, t, c.table, &why)) columns = ColumnNames(t);
    QString sql, name;
    if (trigger) {
        TTriggerLayout tr = DefaultTriggerFor(c.table, c.curCol, true);
        if (!c.dialogs->EditTrigger(tr, columns)) return TableOpOutcome();
        sql = sqlFrom(tr);
        name = tr.trigName;
    } else {
        TIndexLayout ix = DefaultIndexFor(c.table, c.curCol);
        if (!c.dialogs->EditIndex(ix, columns)) return TableOpOutcome();
        sql = sqlFrom(ix);
        name = ix.IdxName;
    }
    if (TrimText(sql).isEmpty()) return TableOpOutcome();
    TableOpOutcome o;
    if (showOnly) {
        o.ok = true;
        o.editorText = sql;
        return o;
    }
    const QString step = QStringLiteral("Adding ") +
                         (trigger ? QStringLiteral("Trigger ") : QStringLiteral("Index ")) + name;
    if (!c.db.Execute(sql))
        return Fail(QStringLiteral("Error while ") + step + QStringLiteral("...:  ") +
                    c.db.LastError());
    o.ok = o.changed = true;
    o.status = QStringLiteral("Success adding ") +
               (trigger ? QStringLiteral("Trigger ") : QStringLiteral("Index ")) + name +
               QLatin1Char('.');
    o.selectTable = c.table;
    return o;
}

namespace {
// "INDEX" or "TRIGGER" from a kind in any case; empty for anything else.
QString ObjectKind(const QString& kind) {
    const QString k = TrimText(kind).toUpper();
    return k == QLatin1String("INDEX") || k == QLatin1String("TRIGGER") ? k : QString();
}
} // namespace

TableOpOutcome RemoveObject(TableOpContext& c, const QString& kind, const QString& name) {
    const QString k = ObjectKind(kind);
    if (k.isEmpty() || c.db.TransactionOpen()) return TableOpOutcome();
    if (!c.prompts.AskYesNo(QStringLiteral("WARNING: Deleting ") + k,
                            QStringLiteral("Remove ") + k + QLatin1Char(' ') + InQuotes(name) +
                                QStringLiteral(" on Table ") + c.table + QStringLiteral(" now?"),
                            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return TableOpOutcome();
    // Qualified with the table's schema: an index of another schema that
    // bears the name is never dropped.
    if (!c.db.Execute(QStringLiteral("DROP ") + k + QStringLiteral(" IF EXISTS ") +
                      Qualified(IsMainSchema(c.schema) ? QStringLiteral("main") : c.schema, name) +
                      QLatin1Char(';')))
        return Fail(c.db.LastError());
    TableOpOutcome o;
    o.ok = o.changed = true;
    o.status = k + QStringLiteral(" Removed Success.");
    o.selectTable = c.table;
    return o;
}

TableOpOutcome EditObject(TableOpContext& c, const QString& kind, const QString& name,
                          const QString& sql) {
    const QString k = ObjectKind(kind);
    if (k.isEmpty() || c.db.TransactionOpen() || !c.dialogs) return TableOpOutcome();
    TTableLayout t;
    QString why;
    QStringList columns;
    if (convDBTableToLayout(c.db, c.schema, t, c.table, &why)) columns = ColumnNames(t);
    QString edited;
    if (k == QLatin1String("INDEX")) {
        TIndexLayout ix;
        if (!parseIndex(sql, ix) || !c.dialogs->EditIndex(ix, columns)) return TableOpOutcome();
        edited = sqlFrom(ix);
    } else {
        TTriggerLayout tr;
        if (!parseTrigger(sql, tr) || !c.dialogs->EditTrigger(tr, columns)) return TableOpOutcome();
        edited = sqlFrom(tr);
    }
    if (TrimText(edited).isEmpty()) return TableOpOutcome();
    if (!c.db.BeginTransaction())
        return Fail(QStringLiteral("Error while opening transaction:  ") + c.db.LastError());
    QString step =
        QStringLiteral("Dropping ") + k + QLatin1Char(' ') + name + QStringLiteral("...");
    bool ok =
        c.db.Execute(QStringLiteral("DROP ") + k + QStringLiteral(" IF EXISTS ") +
                     Qualified(IsMainSchema(c.schema) ? QStringLiteral("main") : c.schema, name) +
                     QLatin1Char(';'));
    if (ok) {
        step = QStringLiteral("Adding ") + k + QLatin1Char(' ') + name + QStringLiteral("...");
        ok = c.db.Execute(edited);
    }
    if (!ok) {
        const QString err = c.db.LastError();
        c.db.Rollback();
        return Fail(QStringLiteral("Error while ") + step + QStringLiteral(":  ") + err);
    }
    if (!c.db.Commit()) {
        const QString err = c.db.LastError();
        if (c.db.TransactionOpen()) c.db.Rollback();
        return Fail(QStringLiteral("Error trying to commit: ") + err);
    }
    TableOpOutcome o;
    o.ok = o.changed = true;
    o.status = QStringLiteral("Success adding ") + k + QLatin1Char(' ') + name + QLatin1Char('.');
    o.selectTable = c.table;
    return o;
}

double NameSimilarity(const QString& s0, const QString& t0) {
    auto clean = [](const QString& x) {
        QByteArray r;
        for (const QChar ch : TrimText(x)) {
            const char16_t u = ch.unicode();
            if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z')) r += char(u);
            if (u >= 'a' && u <= 'z') r += char(u - 32);
        }
        return r;
    };
    const QByteArray s = clean(s0), t = clean(t0);
    const qsizetype n = std::min(s.size(), t.size());
    if (n == 0) return 0;
    double sum = 0;
    int run = 0;
    for (qsizetype i = 1; i <= n; ++i) {
        bool near = false;
        for (qsizetype k = std::max<qsizetype>(i - 1, 1); k <= std::min(t.size(), i + 3); ++k) {
            if (t[k - 1] != s[i - 1]) continue;
            const qsizetype d = k > i ? k - i : i - k;
            sum += double((5 - d) * (5 - d));
            if (d < 2) near = true;
        }
        run = near ? run + 1 : 0;
    }
    const double share = double(run) / double(n);
    double score = sum / (double(n) / 5.0) * (share * share + 1.0);
    if (std::abs(s.size() - t.size()) < 6) score *= 1.5;
    if (s[0] == t[0]) score += 36;
    return score <= 0 ? 0 : 6.0 * std::sqrt(score);
}

QString CompareProposal(const QString& current, const QStringList& tables,
                        const QString& lastCompare) {
    QStringList others;
    for (const QString& t : tables)
        if (t.compare(current, Qt::CaseInsensitive) != 0) others << t;
    for (const QString& t : others)
        if (!lastCompare.isEmpty() && t.compare(lastCompare, Qt::CaseInsensitive) == 0) return t;
    QString best;
    double bestScore = 50;
    for (const QString& t : others) {
        const double score = NameSimilarity(current, t);
        if (score >= bestScore && (best.isEmpty() || score > bestScore)) {
            best = t;
            bestScore = score;
        }
    }
    return best;
}

TableOpOutcome NewTableFromDesigner(TableOpContext& c, bool fromTemplate) {
    if (!c.designer) return TableOpOutcome();
    QString name;
    const QString source = fromTemplate ? c.table : QString();
    if (fromTemplate) {
        // The template's name and the smallest free number from 2.
        for (int n = 2;; ++n) {
            name = c.table + u'_' + QString::number(n);
            QString taken;
            c.db.QuerySingleValue(taken, QStringLiteral("SELECT count(*) FROM main.sqlite_master "
                                                        "WHERE name=") +
                                             QuoteSqlString(name) +
                                             QStringLiteral(" COLLATE NOCASE;"));
            if (taken == QLatin1String("0")) break;
        }
    }
    QString columnMap, script;
    if (!GetDesignerSQL(*c.designer, &c.db, name, QString(), true, source, columnMap, script))
        return TableOpOutcome();
    TableOpOutcome o;
    const QString step = QStringLiteral("Creating Table ") + InQuotes(name) + QStringLiteral("...");
    if (!c.db.BeginTransaction())
        return Fail(QStringLiteral("Error while ") + step + QStringLiteral(":  ") +
                    c.db.LastError());
    if (!c.db.ExecuteList(script)) {
        const QString err = c.db.LastError();
        c.db.Rollback();
        // The script into the editor with the table's name marked, so the
        // user can correct it.
        QString marked = script;
        const qsizetype at = IndexOfWholeWord(marked, name, 11);
        if (at >= 0) {
            marked.insert(at + name.size(), QLatin1Char('|'));
            marked.insert(at, QLatin1Char('|'));
        }
        o.editorText = marked;
        o.editorTemplate = true;
        o.status =
            QStringLiteral("Error while Creating Table ") + name + QStringLiteral(":  ") + err;
        return o;
    }
    if (!c.db.Commit()) {
        const QString err = c.db.LastError();
        if (c.db.TransactionOpen()) c.db.Rollback();
        o.status = QStringLiteral("Could not commit Table: ") + err;
        o.editorText = script;
        o.editorTemplate = true;
        return o;
    }
    o.ok = o.changed = o.refreshSchema = true;
    o.selectTable = name;
    o.status = QStringLiteral("Success Creating Table.");
    return o;
}

} // namespace sky::tableops
