// The table designer's constraints, indexes and triggers, templates,
// dependants fix, schema test, Accept and pop-up menu, and the callers'
// entry points.
#include "design/TableDesigner.h"

#include "design/DesignerPort.h"
#include "design/Reassign.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/ScriptSplitter.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <exception>

namespace sky {
namespace {

const QString kRemoveConstraintTitle = QStringLiteral("Remove Table Constraint...");
const QString kRemoveIndexTitle = QStringLiteral("Remove Index...");
const QString kRemoveTriggerTitle = QStringLiteral("Remove Trigger...");
const QString kTemplateTitle = QStringLiteral("Load from Template...");
const QString kFixTitle = QStringLiteral("Fix Table Dependencies");
const QString kFixQuestion =
    QStringLiteral("This will make irreversible changes to table and column names within "
                   "Indices and Triggers.\rFix now?");
const QString kFixedTitle = QStringLiteral("Table Dependencies Fixed");
const QString kFixedText =
    QStringLiteral("Conversion success - Please check the Indices and Triggers to be sure.");
const QString kFixFailedTitle = QStringLiteral("Table Dependencies Conversion Failed");
const QString kFixFailedText =
    QStringLiteral("Conversion failed - some Indices or Triggers may point to columns which are "
                   "no longer available. Please check them manually.");
const QString kRollbackFailed =
    QStringLiteral("WARNING: Transaction did not roll back, possible corruption might set "
                   "in.\rBack-up and check this database.");
const QString kStartFailed = QStringLiteral("Error starting Transaction: ");
const QString kTestErrorTitle = QStringLiteral("Table-Creation Error");
const QString kTestPassedTitle = QStringLiteral("Table-Creation test PASSED");
const QString kTestPassed =
    QStringLiteral("Test passed SQLite Engine verification without errors.");
const QString kConfirmTitle = QStringLiteral("Confirm");
const QString kNo = QStringLiteral("No");
const QString kYes = QStringLiteral("Yes");

} // namespace

// --- constraints, indexes, triggers ----------------------------------------------

bool TableDesignerController::AddConstraint(KeyKind kind) {
    const TFieldLayout* col = Column();
    if (!col) return false;
    TFKeyLayout k;
    k.iKeyKind = kind;
    k.TableSelf = curTbl.tblName;
    k.OwnFields = col->fName;
    if (kind == KeyKind::Check) {
        const QString t = col->fType.left(3).toUpper();
        QString cond = QStringLiteral(" > 0");
        if (t == QLatin1String("BLO"))
            cond = QStringLiteral(" != NULL");
        else if (t == QLatin1String("DAT"))
            cond = QStringLiteral(" > '200-01-01 00:00:00'");
        else if (t == QLatin1String("NUM") || t == QLatin1String("TEX"))
            cond = QStringLiteral(" <> ''");
        k.FKFields = col->fName + cond;
    } else if (kind == KeyKind::ForeignKey && !TrimText(col->fForeignKey).isEmpty()) {
        parseFKey(QStringLiteral("REFERENCES ") + col->fForeignKey, k);
        k.iKeyKind = KeyKind::ForeignKey;
        k.TableSelf = curTbl.tblName;
        k.OwnFields = col->fName;
    }
    const QString column = col->fName;
    bool ok = false;
    switch (kind) {
    case KeyKind::PrimaryKey:
    case KeyKind::Unique:
        ok = FDialogs.EditKey(k, ColumnNames());
        break;
    case KeyKind::Check:
        ok = FDialogs.EditCheck(k, ColumnNames());
        break;
    case KeyKind::ForeignKey:
        ok = FDialogs.EditFKey(k, fSQL, ColumnNames(), curTbl.tblName);
        break;
    }
    if (!ok) return false;
    curTbl.FKeys << k;
    if (kind == KeyKind::ForeignKey && ListHoldsColumn(k.OwnFields, column))
        if (TFieldLayout* f = Selected()) f->fForeignKey.clear();
    Refresh();
    return true;
}

bool TableDesignerController::EditConstraint(int item) {
    if (item < 0 || item >= curTbl.FKeys.size()) return false;
    TFKeyLayout k = curTbl.FKeys[item];
    bool ok = false;
    switch (k.iKeyKind) {
    case KeyKind::PrimaryKey:
    case KeyKind::Unique:
        ok = FDialogs.EditKey(k, ColumnNames());
        break;
    case KeyKind::Check:
        ok = FDialogs.EditCheck(k, ColumnNames());
        break;
    case KeyKind::ForeignKey:
        ok = FDialogs.EditFKey(k, fSQL, ColumnNames(), curTbl.tblName);
        break;
    }
    if (!ok) return false;
    curTbl.FKeys[item] = k;
    Refresh();
    return true;
}

QString TableDesignerController::ConstraintDescription(const TFKeyLayout& k) const {
    switch (k.iKeyKind) {
    case KeyKind::PrimaryKey:
        return QStringLiteral("Primary Key on \"") + k.OwnFields + u'"';
    case KeyKind::Unique:
        return QStringLiteral("Unique Index on \"") + k.OwnFields + u'"';
    case KeyKind::Check:
        return QStringLiteral("the ") + k.FKFields + QStringLiteral(" Check");
    case KeyKind::ForeignKey:
        return QStringLiteral("Foreign Key relation to \"") + k.TableParent + u'"';
    }
    return QString();
}

bool TableDesignerController::RemoveConstraint(int item) {
    if (item < 0 || item >= curTbl.FKeys.size()) return false;
    if (!FPrompter.AskYesNo(kRemoveConstraintTitle,
                            QStringLiteral("Remove ") + ConstraintDescription(curTbl.FKeys[item]) +
                                QStringLiteral(" now?"),
                            15, kNo, kYes))
        return false;
    curTbl.FKeys.removeAt(item);
    Refresh();
    return true;
}

bool TableDesignerController::AddIndex() {
    const TFieldLayout* col = Column();
    if (!col) return false;
    TIndexLayout ix = DefaultIndexFor(curTbl.tblName, col->fName);
    if (!FDialogs.EditIndex(ix, ColumnNames())) return false;
    curTbl.Idxs << ix;
    Refresh();
    return true;
}

bool TableDesignerController::EditIndex(int item) {
    if (item < 0 || item >= curTbl.Idxs.size()) return false;
    TIndexLayout ix = curTbl.Idxs[item];
    if (!FDialogs.EditIndex(ix, ColumnNames())) return false;
    curTbl.Idxs[item] = ix;
    Refresh();
    return true;
}

bool TableDesignerController::RemoveIndex(int item) {
    if (item < 0 || item >= curTbl.Idxs.size()) return false;
    if (!FPrompter.AskYesNo(kRemoveIndexTitle,
                            QStringLiteral("Remove Index \"") + curTbl.Idxs[item].IdxName +
                                QStringLiteral("\" now?"),
                            15, kNo, kYes))
        return false;
    curTbl.Idxs.removeAt(item);
    Refresh();
    return true;
}

bool TableDesignerController::AddTrigger(bool fromMenu) {
    const TFieldLayout* col = Column();
    if (!col) return false;
    TTriggerLayout tr = DefaultTriggerFor(curTbl.tblName, col->fName, fromMenu);
    if (!FDialogs.EditTrigger(tr, ColumnNames())) return false;
    curTbl.Trigs << tr;
    Refresh();
    return true;
}

bool TableDesignerController::EditTrigger(int item) {
    if (item < 0 || item >= curTbl.Trigs.size()) return false;
    TTriggerLayout tr = curTbl.Trigs[item];
    if (!FDialogs.EditTrigger(tr, ColumnNames())) return false;
    curTbl.Trigs[item] = tr;
    Refresh();
    return true;
}

bool TableDesignerController::RemoveTrigger(int item) {
    if (item < 0 || item >= curTbl.Trigs.size()) return false;
    if (!FPrompter.AskYesNo(kRemoveTriggerTitle,
                            QStringLiteral("Remove Trigger \"") + curTbl.Trigs[item].trigName +
                                QStringLiteral("\" now?\r\n(You cannot Undo this)."),
                            15, kNo, kYes))
        return false;
    curTbl.Trigs.removeAt(item);
    Refresh();
    return true;
}

bool TableDesignerController::EditSelectedEntry() {
    const SheetEntry e = SelectedEntry();
    switch (e.kind) {
    case EntryKind::Constraint:
        return EditConstraint(e.item);
    case EntryKind::Index:
        return EditIndex(e.item);
    case EntryKind::Trigger:
        return EditTrigger(e.item);
    case EntryKind::None:
        break;
    }
    return false;
}

bool TableDesignerController::RemoveSelectedEntry() {
    const SheetEntry e = SelectedEntry();
    switch (e.kind) {
    case EntryKind::Constraint:
        return RemoveConstraint(e.item);
    case EntryKind::Index:
        return RemoveIndex(e.item);
    case EntryKind::Trigger:
        return RemoveTrigger(e.item);
    case EntryKind::None:
        break;
    }
    return false;
}

// --- templates, dependants, test ---------------------------------------------------

bool TableDesignerController::ImportTemplate(const QString& entry) {
    const QString e = TrimText(entry);
    if (e.isEmpty() || !fSQL) return false;
    QString schema, table = e;
    const qsizetype dot = e.indexOf(u'.');
    if (dot >= 0) {
        schema = e.left(dot);
        table = e.mid(dot + 1, 250);
    }
    if (!FPrompter.AskYesNo(kTemplateTitle,
                            QStringLiteral("Discard all changes and re-load using ") + e +
                                QStringLiteral(" as a template?"),
                            15, kNo, kYes))
        return false;
    clrTableLayout(curTbl);
    curTbl.FKeys.clear();
    TTableLayout t;
    if (convDBTableToLayout(*fSQL, schema, t, table))
        curTbl = t;
    else
        clrTableLayout(curTbl);
    Display();
    return true;
}

bool TableDesignerController::FixDependants() {
    if (!FPrompter.AskYesNo(kFixTitle, kFixQuestion, 30, QStringLiteral("Later"), kYes))
        return false;
    bool ok = false;
    try {
        ok = convTableDependants(curTbl);
    } catch (const std::exception&) {
        ok = false;
    }
    if (ok)
        FPrompter.ShowNotice(kFixedTitle, kFixedText, 9, true);
    else
        FPrompter.ShowNotice(kFixFailedTitle, kFixFailedText, 9, true);
    Refresh();
    return ok;
}

QString TestTableScript(TSQLite3Database& db, const QStringList& lines) {
    QString error;
    // Foreign keys are suspended around the transaction (the setting cannot
    // change inside one), so dropping a parent with child rows can be tested.
    bool fkOn = false;
    const bool fkKnown = db.CheckForeignKeys(fkOn);
    if (fkKnown && fkOn) db.SetForeignKeys(false);
    try {
        if (!db.BeginTransaction()) {
            error = kStartFailed + db.LastError();
        } else {
            if (!db.ExecuteList(lines)) error = db.LastError();
            if (!db.Rollback()) error = kRollbackFailed;
        }
    } catch (const std::exception& e) {
        error = QStringLiteral("Exception while processing SQL (") + ExceptionClassName(e) +
                QStringLiteral("): ") + QString::fromUtf8(e.what());
        if (db.TransactionOpen() && !db.Rollback()) error = kRollbackFailed;
    }
    if (fkKnown && fkOn) db.SetForeignKeys(true);
    return error;
}

QStringList TableTestLines(const QString& script, QString schema, QString table) {
    QStringList lines = script.split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    if (!lines.isEmpty() && lines.front().toUpper().contains(QLatin1String("DROP TABLE")))
        return lines;
    if (TrimText(table).isEmpty()) {
        for (const QString& s : SplitSqlScript(script, false).statements) {
            TTableLayout t;
            if (parseTable(s, {}, t)) {
                schema = t.dbName;
                table = t.tblName;
                break;
            }
        }
    }
    schema = TrimText(schema);
    table = TrimText(table);
    if (table.isEmpty()) table = QStringLiteral("NewTable");
    lines.prepend(QStringLiteral("DROP TABLE IF EXISTS ") +
                  (schema.isEmpty() ? QString() : QuoteIdent(schema) + u'.') + QuoteIdent(table) +
                  u';');
    return lines;
}

bool TableDesignerController::TestSchema() {
    if (!fSQL) return false;
    const QStringList lines = TableTestLines(fScript, curTbl.dbName, curTbl.tblName);
    const QString error = TestTableScript(*fSQL, lines);
    if (!error.isEmpty()) {
        FPrompter.ShowWarning(error, kTestErrorTitle);
        return false;
    }
    FPrompter.ShowNotice(kTestPassedTitle, kTestPassed, 60, true);
    return true;
}

void TableDesignerController::CopySql() {
    if (FClipboard) FClipboard->SetText(fScript);
}

void TableDesignerController::OpenDocumentation() {
    if (FOpener) FOpener->Open(kCreateTableDocUrl);
}

// --- accept -------------------------------------------------------------------------

bool TableDesignerController::Accept() {
    const QString typed = TrimText(curTbl.tblName);
    QString clean = typed, unique = typed;
    if (fSQL && typed.compare(fEditedTable, Qt::CaseInsensitive) != 0) {
        clean = fSQL->makeValidTableName(typed, curTbl.dbName, true);
        unique = fSQL->makeValidTableName(clean, curTbl.dbName, false);
    }
    QString result = clean;
    if (clean != unique) {
        // An existing table is never taken over: only Yes goes on.
        bool cancelled = false;
        const bool yes = FPrompter.AskYesNoCancel(
            kConfirmTitle,
            QStringLiteral("This table (") + typed +
                QStringLiteral(") already exists in the database. Adjust the name to \"") + unique +
                QStringLiteral("\"?"),
            cancelled, kNo, kYes, 30);
        if (!yes || cancelled) return false;
        result = unique;
    }
    curTbl.tblName = result;
    Refresh();
    if (result != typed &&
        !FPrompter.AskYesNo(kConfirmTitle,
                            QStringLiteral("The requested table name (") + typed +
                                QStringLiteral(") is not allowed. Accept changing it to \"") +
                                result + QStringLiteral("\"?"),
                            30, kNo, kYes))
        return false;
    return true;
}

// --- the pop-up menu ------------------------------------------------------------------

namespace {

DesignerMenuItem Item(const QString& caption, DesignCommand cmd, int arg = -1,
                      const QString& text = QString(), bool enabled = true) {
    DesignerMenuItem m;
    m.caption = caption;
    m.command = cmd;
    m.arg = arg;
    m.text = text;
    m.enabled = enabled;
    return m;
}

DesignerMenuItem Sub(const QString& caption, QList<DesignerMenuItem> children) {
    DesignerMenuItem m;
    m.caption = caption;
    m.children = std::move(children);
    return m;
}

DesignerMenuItem Separator() {
    return Item(QStringLiteral("-"), DesignCommand::None);
}

} // namespace

void TableDesignerController::BuildMenu() {
    fMenu.clear();
    // Columns
    QList<DesignerMenuItem> types;
    for (const QString& t : DesignerTypeChoices()) {
        DesignerMenuItem m = Item(t, DesignCommand::AddColumnOfType, -1, t);
        m.checked = t == QLatin1String("TEXT");
        types << m;
    }
    QList<DesignerMenuItem> columns{Sub(QStringLiteral("Add column"), types), Separator()};
    for (int c = 0; c < curTbl.Cols.size(); ++c) {
        const TFieldLayout& f = curTbl.Cols[c];
        QString caption =
            f.fName + QStringLiteral("  (") + f.fType + f.fVarSpec + QStringLiteral(") ");
        if (f.isPK) caption += QStringLiteral(" [PK]");
        if (f.isUnique) caption += QStringLiteral(" [U]");
        columns << Sub(
            caption, {Item(QStringLiteral("Select"), DesignCommand::SelectColumn, c),
                      Item(QStringLiteral("Insert here"), DesignCommand::InsertColumnAt, c),
                      Item(QStringLiteral("Duplicate"), DesignCommand::DuplicateColumn, c),
                      Item(QStringLiteral("Remove"), DesignCommand::RemoveColumn, c, QString(),
                           CanRemoveColumn()),
                      Item(QStringLiteral("Use in a new Index"), DesignCommand::IndexOnColumn, c),
                      Item(QStringLiteral("Add as a Trigger"), DesignCommand::TriggerOnColumn, c)});
    }
    fMenu << Sub(QStringLiteral("Columns"), columns);
    // Keys / Constraints
    QList<DesignerMenuItem> keys{
        Item(QStringLiteral("Add Primary Key"), DesignCommand::AddConstraint, 0),
        Item(QStringLiteral("Add Unique Index"), DesignCommand::AddConstraint, 1),
        Item(QStringLiteral("Add Foreign Key"), DesignCommand::AddConstraint, 3),
        Item(QStringLiteral("Add Check Constraint"), DesignCommand::AddConstraint, 2)};
    if (!curTbl.FKeys.isEmpty()) keys << Separator();
    for (int i = 0; i < curTbl.FKeys.size(); ++i) {
        const TFKeyLayout& k = curTbl.FKeys[i];
        QString caption;
        switch (k.iKeyKind) {
        case KeyKind::PrimaryKey:
            caption = QStringLiteral("Primary Key ") + k.ConstrName;
            break;
        case KeyKind::Unique:
            caption = QStringLiteral("Unique Key ") + k.ConstrName;
            break;
        case KeyKind::ForeignKey:
            caption = QStringLiteral("Foreign Key ") + k.ConstrName;
            break;
        case KeyKind::Check:
            caption = QStringLiteral("Check Constraint (") + k.FKFields + u')';
            break;
        }
        keys << Sub(caption, {Item(QStringLiteral("Edit..."), DesignCommand::EditConstraint, i),
                              Item(QStringLiteral("Remove"), DesignCommand::RemoveConstraint, i)});
    }
    fMenu << Sub(QStringLiteral("Keys / Constraints"), keys);
    // Indices
    QList<DesignerMenuItem> idxs{Item(QStringLiteral("Add Index"), DesignCommand::AddIndex)};
    if (!curTbl.Idxs.isEmpty()) idxs << Separator();
    for (int i = 0; i < curTbl.Idxs.size(); ++i)
        idxs << Sub(curTbl.Idxs[i].IdxName + QStringLiteral(" on ") + curTbl.Idxs[i].IdxFields,
                    {Item(QStringLiteral("Edit..."), DesignCommand::EditIndex, i),
                     Item(QStringLiteral("Remove"), DesignCommand::RemoveIndex, i)});
    fMenu << Sub(QStringLiteral("Indices"), idxs);
    // Triggers
    QList<DesignerMenuItem> trigs{Item(QStringLiteral("Add Trigger"), DesignCommand::AddTrigger)};
    if (!curTbl.Trigs.isEmpty()) trigs << Separator();
    for (int i = 0; i < curTbl.Trigs.size(); ++i)
        trigs << Sub(curTbl.Trigs[i].trigName,
                     {Item(QStringLiteral("Edit..."), DesignCommand::EditTrigger, i),
                      Item(QStringLiteral("Remove"), DesignCommand::RemoveTrigger, i)});
    fMenu << Sub(QStringLiteral("Triggers"), trigs);
    // Table
    QList<DesignerMenuItem> models;
    if (TemplatesAllowed()) {
        for (const QString& t : fTemplates)
            models << Item(t, DesignCommand::ImportTemplate, -1, t);
    } else if (fTemplateIndex >= 0) {
        models << Item(fTemplates[fTemplateIndex], DesignCommand::ImportTemplate, -1,
                       fTemplates[fTemplateIndex]);
    }
    DesignerMenuItem import =
        Sub(QStringLiteral("Import Table layout using model table: "), models);
    import.enabled = !models.isEmpty();
    fMenu << Sub(QStringLiteral("Table"),
                 {Item(QStringLiteral("Add a Column"), DesignCommand::AddColumn),
                  Item(QStringLiteral("Insert a Column"), DesignCommand::InsertColumn), Separator(),
                  import, Separator(),
                  Item(QStringLiteral("Copy Table schema SQL"), DesignCommand::CopySql),
                  Item(QStringLiteral("Check / Debug the Table schema SQL"), DesignCommand::TestSql,
                       -1, QString(), fSQL != nullptr),
                  Item(QStringLiteral("View SQL documentation for \"CREATE TABLE\" "),
                       DesignCommand::Documentation)});
}

void TableDesignerController::Run(const DesignerMenuItem& item) {
    if (!item.enabled) return;
    auto select = [&] {
        if (item.arg >= 0 && item.arg < curTbl.Cols.size()) fSelCol = item.arg;
    };
    switch (item.command) {
    case DesignCommand::None:
        break;
    case DesignCommand::AddColumnOfType:
        AddColumn(item.text);
        break;
    case DesignCommand::AddColumn:
        AddColumn();
        break;
    case DesignCommand::InsertColumn:
        InsertColumn();
        break;
    case DesignCommand::SelectColumn:
        select();
        Refresh();
        break;
    case DesignCommand::InsertColumnAt:
        select();
        InsertColumn();
        break;
    case DesignCommand::DuplicateColumn:
        select();
        DuplicateColumn();
        break;
    case DesignCommand::RemoveColumn:
        select();
        RemoveColumn();
        break;
    case DesignCommand::IndexOnColumn:
        select();
        AddIndex();
        break;
    case DesignCommand::TriggerOnColumn:
        select();
        AddTrigger(true);
        break;
    case DesignCommand::AddConstraint:
        AddConstraint(KeyKind(item.arg));
        break;
    case DesignCommand::EditConstraint:
        EditConstraint(item.arg);
        break;
    case DesignCommand::RemoveConstraint:
        RemoveConstraint(item.arg);
        break;
    case DesignCommand::AddIndex:
        AddIndex();
        break;
    case DesignCommand::EditIndex:
        EditIndex(item.arg);
        break;
    case DesignCommand::RemoveIndex:
        RemoveIndex(item.arg);
        break;
    case DesignCommand::AddTrigger:
        AddTrigger(true);
        break;
    case DesignCommand::EditTrigger:
        EditTrigger(item.arg);
        break;
    case DesignCommand::RemoveTrigger:
        RemoveTrigger(item.arg);
        break;
    case DesignCommand::ImportTemplate:
        ImportTemplate(item.text);
        break;
    case DesignCommand::CopySql:
        CopySql();
        break;
    case DesignCommand::TestSql:
        TestSchema();
        break;
    case DesignCommand::Documentation:
        OpenDocumentation();
        break;
    }
}

// --- the callers' entry points ----------------------------------------------------------

bool GetDesignerSQL(TableDesignerPort& port, TSQLite3Database* db, QString& name,
                    const QString& schema, bool allowTemplates, const QString& sourceTable,
                    QString& columnMap, QString& script) {
    QString n = TrimText(name);
    if (n.isEmpty()) n = TrimText(sourceTable);
    n.remove(u' ');
    TTableLayout t;
    t.dbName = schema;
    t.tblName = n;
    t.OldName = sourceTable;
    if (!port.GetDesignerTableLayout(t, db, allowTemplates)) return false;
    script = convTableLayoutToSQL(t);
    columnMap = convTableAlteredCols(t);
    name = t.tblName;
    return !script.isEmpty() && script.contains(QLatin1String("CREATE "));
}

bool GetAlteredSQL(TableDesignerPort& port, TSQLite3Database* db, QString& name,
                   const QString& schema, const QString& sourceTable, QString& columnMap,
                   QString& script) {
    return GetDesignerSQL(port, db, name, schema, false, sourceTable, columnMap, script);
}

} // namespace sky
