// The column, alter and index/trigger operations of the table page: their
// rebuilds, questions and status texts.
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

using namespace detail;

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
    QualifyCreatedName(sql, c.schema);
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
    QualifyCreatedName(edited, c.schema);
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

} // namespace sky::tableops
