// The table operations: their statements, questions and status texts.
#include "workspace/TableOps.h"
#include "workspace/TableOpsShared.h"

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
namespace detail {

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
// Where the name of a CREATE statement stands: start and end of the whole
// (possibly dotted) name, and whether it is dotted. False when there is none.
bool CreatedNameRange(const QString& sql, qsizetype& start, qsizetype& end, bool& dotted) {
    SqlLexer lex(sql);
    SqlToken t;
    int words = 0;
    start = end = -1;
    dotted = false;
    while (lex.Next(t)) {
        if (t.kind == SqlTokKind::Space || t.kind == SqlTokKind::LineBreak ||
            t.kind == SqlTokKind::LineComment || t.kind == SqlTokKind::BlockComment)
            continue;
        const QString w = sql.mid(t.pos, t.len).toUpper();
        if (start < 0) {
            if (t.kind == SqlTokKind::Word && words < 7 &&
                (w == QLatin1String("CREATE") || w == QLatin1String("TEMP") ||
                 w == QLatin1String("TEMPORARY") || w == QLatin1String("TABLE") ||
                 w == QLatin1String("UNIQUE") || w == QLatin1String("INDEX") ||
                 w == QLatin1String("TRIGGER") || w == QLatin1String("IF") ||
                 w == QLatin1String("NOT") || w == QLatin1String("EXISTS"))) {
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
            dotted = true;
            continue;
        }
        break;
    }
    return start >= 0;
}

bool ReplaceCreatedName(QString& sql, const QString& newName) {
    qsizetype start, end;
    bool dotted;
    if (!CreatedNameRange(sql, start, end, dotted)) return false;
    sql.replace(start, end - start, newName);
    return true;
}

void QualifyCreatedName(QString& sql, const QString& schema) {
    qsizetype start, end;
    bool dotted;
    if (IsMainSchema(schema) || !CreatedNameRange(sql, start, end, dotted) || dotted) return;
    sql.insert(start, QuoteIdent(TrimText(schema), false, true) + QLatin1Char('.'));
}

} // namespace detail

using namespace detail;

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
    TRebuildRequest request;
    request.schema = IsMainSchema(c.schema) ? QStringLiteral("main") : TrimText(c.schema);
    request.table = c.table;
    request.header = header;
    request.asideBase = asideBase;
    const QString prefix = QuoteIdent(request.schema, false, true) + QLatin1Char('.');
    for (const TTriggerLayout& tr : old.Trigs)
        request.dropFirst << QStringLiteral("DROP TRIGGER IF EXISTS ") + prefix +
                                 QuoteIdent(tr.trigName, false, true) + QLatin1Char(';');
    for (const TIndexLayout& ix : old.Idxs)
        request.dropFirst << QStringLiteral("DROP INDEX IF EXISTS ") + prefix +
                                 QuoteIdent(ix.IdxName, false, true) + QLatin1Char(';');
    TTableLayout t = edited;
    t.dropExisting = false;
    t.ifNotEx = false;
    t.dbName = IsMainSchema(c.schema) ? QString() : request.schema;
    if (!SplitCreateScript(convTableLayoutToSQL(t), request.createTable, request.afterCopy)) {
        c.db.SetError(QStringLiteral("The new layout gives no CREATE TABLE statement"));
        return false;
    }
    for (QString& s : request.afterCopy)
        QualifyCreatedName(s, c.schema);
    request.newHasRowid = !t.noRowID;
    request.targets = targets;
    request.sources = sources;
    if (c.scriptOnly) {
        TRebuildPlan plan;
        if (!BuildTableRebuild(c.db, request, plan)) return false;
        script = plan.Script();
        return true;
    }
    return RunRebuild(c.db,
                      [&](TRebuildPlan& plan) { return BuildTableRebuild(c.db, request, plan); });
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

TableOpOutcome CompareTable(TableOpContext& c, const QStringList& tables, QString& lastCompare) {
    if (TrimText(c.table).isEmpty()) {
        c.prompts.ShowNotice(QStringLiteral("Compare Tables Error:"),
                             QStringLiteral("No selected Table"), 9, false);
        return Fail(QStringLiteral("No selected Table"));
    }
    if (!c.compare) return TableOpOutcome();
    QStringList others;
    for (const QString& t : tables)
        if (t.compare(c.table, Qt::CaseInsensitive) != 0) others << t;
    const QString answer = TrimText(c.prompts.AskText(
        QStringLiteral("Compare ") + InQuotes(c.table) + QStringLiteral(" to..."),
        QStringLiteral("Table to Compare with:\r\r(Format: [ attached-db-name . ] tablename )"),
        CompareProposal(c.table, tables, lastCompare), others, false, 30, QString()));
    if (answer.isEmpty()) return TableOpOutcome();
    if (answer.compare(TrimText(c.table), Qt::CaseInsensitive) == 0)
        return Fail(QStringLiteral("Comparing a table to itself yields very predictable results."));
    QString error;
    bool ok = false;
    try {
        ok = c.compare->CompareTables(c.table, answer, error);
    } catch (const std::exception& e) {
        return Fail(QStringLiteral("Error: Exception Opening Comparable Tables - ") +
                    QString::fromUtf8(e.what()));
    }
    if (!ok) {
        c.prompts.ShowNotice(QStringLiteral("Compare Tables Error:"),
                             QStringLiteral("Comparing ") + InQuotes(c.table) +
                                 QStringLiteral(" to ") + InQuotes(answer) + QStringLiteral(":\r") +
                                 error + QLatin1Char('.'),
                             9, false);
        return Fail(error);
    }
    lastCompare = answer;
    TableOpOutcome o;
    o.ok = true;
    return o;
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
