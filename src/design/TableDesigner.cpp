#include "design/TableDesigner.h"

#include "design/DialogModels.h"
#include "design/Reassign.h"
#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/ScriptSplitter.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <exception>

namespace sky {
namespace {

// Sheet labels of the fixed rows.
const char* const kRowLabels[kFixedSheetRows] = {
    "Column No:",      "Column Name:",      "Old Name:",         "Data Type:",
    "Key Constraint:", "Check Constraint:", "Other Constraint:", "Collation:",
    "Default Value:",  "Foreign Key:",      "Comment:"};
const char* const kKindLabels[] = {"Primary Key ", "Unique Index ", "Check constraint ",
                                   "Foreign Key "};
const char* const kKindNames[] = {"Primary Key", "Unique Index", "Check constraint", "Foreign Key"};

const QString kDefaultColumn = QStringLiteral("ID");
const QString kDefaultType = QStringLiteral("INTEGER");

// Names compared as the designer compares column names.
QString NameKey(const QString& s) {
    return QString(s).remove(QLatin1Char(' ')).toUpper();
}

// A comma list's entries, unquoted and upper-cased.
QStringList ListKeys(const QString& list) {
    QStringList f, keys;
    if (TrimText(list).isEmpty()) return keys;
    SplitCSVFields(list, f, QLatin1Char(','));
    for (const QString& e : f) {
        // An entry may carry COLLATE or an order after the name.
        QString n = TrimText(e);
        if (!n.isEmpty() && n.front() != u'"' && n.front() != u'[' && n.front() != u'`')
            n = n.section(QLatin1Char(' '), 0, 0);
        else if (!n.isEmpty()) {
            const QChar close = n.front() == u'[' ? u']' : n.front();
            const qsizetype end = n.indexOf(close, 1);
            if (end > 0) n = n.left(end + 1);
        }
        keys << NameKey(UnquoteIdent(n));
    }
    return keys;
}

// 1-based position of the column in the list, 0 when absent.
int PositionIn(const QStringList& keys, const QString& name) {
    return int(keys.indexOf(NameKey(name))) + 1;
}

TFieldLayout NewColumn(const QString& type) {
    TFieldLayout f;
    f.fType = type;
    f.isAscend = false; // made a key later, it is written DESC unless ticked ascending
    return f;
}

QString KeyCell(const TFieldLayout& f) {
    if (!f.isPK) return QString();
    QString s = QStringLiteral("PK");
    if (!f.isAscend) s += QStringLiteral(" Desc.");
    if (f.isAutoInc) s += QStringLiteral(" AutoInc.");
    if (f.fPrimConflict > 0) s += QStringLiteral(" (") + ConflictWord(f.fPrimConflict) + u')';
    return s == QLatin1String("PK") ? QStringLiteral("Primary Key") : s;
}

QString OtherCell(const TFieldLayout& f) {
    QStringList p;
    if (f.isUnique || f.isPK) p << QStringLiteral("Unique");
    if (!f.allowNull) p << QStringLiteral("Not Null");
    return p.join(QStringLiteral("; "));
}

QString ForeignKeyCell(const QString& fk) {
    const qsizetype close = fk.indexOf(u')');
    return close < 0 ? fk : fk.left(close + 1);
}

// The trigger's action text, upper-cased, for the "a" mark.
QString TriggerAction(const TTriggerLayout& t) {
    return t.trigExecCode.toUpper();
}

} // namespace

bool ListHoldsColumn(const QString& list, const QString& column) {
    return PositionIn(ListKeys(list), column) > 0;
}

QStringList DesignerTypeChoices() {
    return {"BOOLEAN", "INT",      "INTEGER", "FLOAT",   "DOUBLE", "REAL", "NUMERIC",
            "DATE",    "DATETIME", "CHAR",    "VARCHAR", "TEXT",   "CLOB", "BLOB"};
}
QStringList DesignerLengthChoices() {
    return {"",   "3",  "5",  "8",   "12",  "16",  "24",  "32",
            "48", "64", "80", "128", "256", "512", "1024"};
}
QStringList DesignerCollationChoices() {
    return {"", "BINARY", "NOCASE", "RTRIM"};
}
QStringList DesignerDefaultChoices() {
    return {"", "NULL", "0", "1", "*", "NEW"};
}
QStringList DesignerConflictChoices() {
    return {"Abort  ( Implicitly )",
            "Abort and Roll back all statements",
            "Abort, but keep previous statements",
            "Fail here, but keep other updates",
            "Ignore and skip to next update",
            "Replace data if possible, else abort"};
}
QStringList DesignerModuleChoices() {
    return {"csv", "fts3", "fts5"};
}

bool IsEditableSheetRow(int row) {
    switch (SheetRow(row)) {
    case SheetRow::Name:
    case SheetRow::Type:
    case SheetRow::Check:
    case SheetRow::Collation:
    case SheetRow::Default:
    case SheetRow::Comment:
        return true;
    default:
        return false;
    }
}

void SplitTypeSpec(const QString& text, QString& type, QString& varSpec) {
    QString t = text;
    t.remove(QLatin1Char(' '));
    t = t.toUpper();
    const qsizetype open = t.indexOf(u'(');
    type = open < 0 ? t : t.left(open);
    varSpec.clear();
    if (open < 0) return;
    // Precision and scale stay together: the engine keeps them as written.
    QString inner = t.mid(open + 1);
    if (inner.endsWith(u')')) inner.chop(1);
    const qsizetype comma = inner.indexOf(u',');
    if (comma > 0 && comma < inner.size() - 1) {
        bool p = false, s = false;
        const qint64 pv = inner.left(comma).toLongLong(&p);
        const qint64 sv = inner.mid(comma + 1).toLongLong(&s);
        if (p && s && pv >= 1 && sv >= 0) {
            varSpec = u'(' + QString::number(pv) + u',' + QString::number(sv) + u')';
            return;
        }
    }
    // The length: letters, digits and spaces of at most 20 characters.
    QString kept;
    for (QChar c : t.mid(open, 20))
        if (c.isLetterOrNumber() || c == u' ') kept += c;
    bool ok = false;
    const qint64 n = TrimText(kept).toLongLong(&ok);
    if (ok && n >= 1) varSpec = u'(' + QString::number(n) + u')';
}

QString LengthText(const QString& varSpec) {
    QString s = TrimText(varSpec);
    if (s.startsWith(u'(')) s.remove(0, 1);
    if (s.endsWith(u')')) s.chop(1);
    return TrimText(s);
}

QString HelpTitle(HelpTopic topic) {
    switch (topic) {
    case HelpTopic::TableDesign:
        return QStringLiteral("Table Design");
    case HelpTopic::ColumnProperties:
        return QStringLiteral("Column Properties");
    case HelpTopic::VirtualTable:
        return QStringLiteral("VIRTUAL Table Support");
    case HelpTopic::Legend:
        return QStringLiteral("Table Layout Legend");
    case HelpTopic::Dependants:
        return QStringLiteral("Dependants Warning");
    }
    return QString();
}

QString HelpHeader(HelpTopic topic) {
    return QStringLiteral("- ") + HelpTitle(topic) + QStringLiteral(" -");
}

QString HelpText(HelpTopic topic) {
    switch (topic) {
    case HelpTopic::TableDesign:
        return QStringLiteral(
            "Each grid column is one column of the table. Click a cell to edit that column in "
            "the panel below, or type into the Name, Data Type, Check, Collation, Default and "
            "Comment rows directly. The rows under the column properties list the table's "
            "constraints, indices and triggers; click one to edit or remove it. The script on "
            "the right is what Accept hands back; nothing is written to the database here.");
    case HelpTopic::ColumnProperties:
        return QStringLiteral(
            "Name, type and length, collation, default value, check expression and comment "
            "belong to the selected column. Only one column can be the Primary Key; ticking it "
            "on another column moves the key. Auto Increment makes the key an INTEGER. The "
            "conflict clause applies to the column's NOT NULL, UNIQUE and PRIMARY KEY parts.");
    case HelpTopic::VirtualTable:
        return QStringLiteral(
            "A VIRTUAL table is served by a module (csv, fts3, fts5) instead of the database "
            "file. Its columns carry no types or constraints; the module must be available to "
            "the program that opens the database.");
    case HelpTopic::Legend:
        return QStringLiteral(
            "Column No: .p primary key column, .k used by a table constraint, .i used by an "
            "index, .t named in a trigger's column list.\nConstraint and index rows: the "
            "column's position in the key or index.\nTrigger rows: e - the position in the "
            "trigger's UPDATE OF list; a - the column is named in the trigger's action.");
    case HelpTopic::Dependants:
        return QStringLiteral(
            "A column or the table was renamed, but some indices or triggers still use the "
            "old name. The table cannot be rebuilt until they use the new names. Click the "
            "warning to rewrite them now, or edit them one by one.");
    }
    return QString();
}

// ---------------------------------------------------------------------------

TableDesignerController::TableDesignerController(Prompter& prompter, DesignerDialogs& dialogs,
                                                 ClipboardPort* clipboard, DesktopOpener* opener)
    : FPrompter(prompter), FDialogs(dialogs), FClipboard(clipboard), FOpener(opener) {}

void TableDesignerController::Load(TTableLayout layout, TSQLite3Database* db, bool allowTemplates) {
    layout.dbName = TrimText(layout.dbName);
    layout.tblName = TrimText(layout.tblName);
    layout.OldName = TrimText(layout.OldName);
    bool read = false;
    if (!layout.OldName.isEmpty() && db) {
        const QString requested = layout.tblName;
        TTableLayout t;
        if (convDBTableToLayout(*db, layout.dbName, t, layout.OldName)) {
            t.dbName = layout.dbName;
            t.tblName = requested;
            layout = t;
            read = true;
        }
    }
    if (!read) {
        const QString schema = layout.dbName, name = layout.tblName, old = layout.OldName;
        const bool drop = layout.dropExisting;
        layout = TTableLayout();
        layout.dropExisting = drop;
        layout.dbName = schema;
        layout.tblName = name.isEmpty() ? old : name;
        layout.isTemp = schema.toUpper().startsWith(QLatin1String("TEMP"));
        layout.ifNotEx = false;
    }
    if (layout.tblName.isEmpty()) layout.tblName = kNewTableName;
    fSQL = db;
    curTbl = layout;
    fEditedTable = allowTemplates ? kNoEditedTable : curTbl.tblName;
    Display();
}

TTableLayout TableDesignerController::Result() {
    convTableAlteredCols(curTbl);
    return curTbl;
}

void TableDesignerController::Display() {
    if (curTbl.Cols.isEmpty()) {
        TFieldLayout id;
        id.fName = kDefaultColumn;
        id.fType = kDefaultType;
        id.isPK = true;
        id.isAscend = true;
        curTbl.Cols << id;
    }
    BuildTemplates();
    fSelCol = 0;
    fSelRow = 1;
    Refresh();
}

void TableDesignerController::Refresh() {
    if (curTbl.Cols.isEmpty())
        fSelCol = -1;
    else if (fSelCol < 0 || fSelCol >= curTbl.Cols.size())
        fSelCol = int(curTbl.Cols.size()) - 1;
    if (!WithoutRowIdEnabled()) curTbl.noRowID = false;
    BuildSheet();
    if (fSelRow >= fSheet.labels.size()) fSelRow = 1;
    fScript = convTableLayoutToSQL(curTbl);
    BuildMenu();
}

void TableDesignerController::BuildTemplates() {
    fTemplates.clear();
    fTemplateIndex = -1;
    if (!fSQL) return;
    QStringList names;
    if (fSQL->QuerySingleColumn(
            names,
            QStringLiteral("SELECT \"tbl_name\" FROM main.sqlite_master WHERE \"type\"='table';"),
            -1, false))
        for (const QString& n : names)
            fTemplates << QStringLiteral("main.") + n;
    const QString schema = TrimText(curTbl.dbName), up = schema.toUpper();
    if (!schema.isEmpty() && up != QLatin1String("TEMP") && up != QLatin1String("MAIN")) {
        names.clear();
        if (fSQL->QuerySingleColumn(names,
                                    QStringLiteral("SELECT \"tbl_name\" FROM ") +
                                        QuoteIdent(schema) +
                                        QStringLiteral(".sqlite_master WHERE \"type\"='table';"),
                                    -1, false))
            for (const QString& n : names)
                fTemplates << schema + u'.' + n;
    }
    for (qsizetype i = 0; i < fTemplates.size(); ++i)
        if (fTemplates[i].section(u'.', 1).compare(curTbl.OldName, Qt::CaseInsensitive) == 0) {
            fTemplateIndex = int(i);
            break;
        }
    if (fTemplateIndex < 0 && !fTemplates.isEmpty()) fTemplateIndex = 0;
}

void TableDesignerController::BuildSheet() {
    const TTableLayout& t = curTbl;
    const int n = int(t.Cols.size());
    fSheet = DesignerSheet();
    QList<QStringList> fkKeys, ixKeys, trKeys;
    for (const TFKeyLayout& k : t.FKeys)
        fkKeys << ListKeys(k.OwnFields);
    const QStringList names = ColumnNames();
    for (const TIndexLayout& ix : t.Idxs) {
        QStringList keys;
        for (const ColumnRow& r : IndexRows(ix, names))
            if (r.used) keys << NameKey(r.column);
        ixKeys << keys;
    }
    for (const TTriggerLayout& tr : t.Trigs)
        trKeys << ListKeys(tr.trigFields);

    for (int r = 0; r < kFixedSheetRows; ++r) {
        fSheet.labels << QString::fromLatin1(kRowLabels[r]);
        fSheet.entries << SheetEntry();
        QStringList cells;
        for (int c = 0; c < n; ++c) {
            const TFieldLayout& f = t.Cols[c];
            switch (SheetRow(r)) {
            case SheetRow::Number: {
                QString s = QString::number(c + 1);
                if (f.isPK) s += QStringLiteral(" .p");
                auto used = [&](const QList<QStringList>& lists) {
                    for (const QStringList& l : lists)
                        if (PositionIn(l, f.fName) > 0) return true;
                    return false;
                };
                if (used(fkKeys)) s += QStringLiteral(" .k");
                if (used(ixKeys)) s += QStringLiteral(" .i");
                if (used(trKeys)) s += QStringLiteral(" .t");
                cells << s;
                break;
            }
            case SheetRow::Name:
                cells << f.fName;
                break;
            case SheetRow::OldName:
                cells << f.OldName;
                break;
            case SheetRow::Type:
                cells << f.fType + f.fVarSpec;
                break;
            case SheetRow::Key:
                cells << KeyCell(f);
                break;
            case SheetRow::Check:
                cells << f.fCheckFunc;
                break;
            case SheetRow::Other:
                cells << OtherCell(f);
                break;
            case SheetRow::Collation:
                cells << f.fCollation;
                break;
            case SheetRow::Default:
                cells << f.fDefVal;
                break;
            case SheetRow::ForeignKey:
                cells << ForeignKeyCell(f.fForeignKey);
                break;
            case SheetRow::Comment:
                cells << f.fComment;
                break;
            }
        }
        fSheet.cells << cells;
    }
    auto positions = [&](const QStringList& keys) {
        QStringList cells;
        for (const TFieldLayout& f : t.Cols) {
            const int p = PositionIn(keys, f.fName);
            cells << (p > 0 ? QString::number(p) : QString());
        }
        return cells;
    };
    for (int i = 0; i < t.FKeys.size(); ++i) {
        const TFKeyLayout& k = t.FKeys[i];
        const QString name =
            TrimText(k.ConstrName).isEmpty() ? QString::number(i + 1) : TrimText(k.ConstrName);
        fSheet.labels << QString::fromLatin1(kKindLabels[int(k.iKeyKind) & 3]) + name + u':';
        fSheet.entries << SheetEntry{EntryKind::Constraint, i};
        fSheet.cells << positions(fkKeys[i]);
    }
    for (int i = 0; i < t.Idxs.size(); ++i) {
        const TIndexLayout& ix = t.Idxs[i];
        fSheet.labels << (ix.IdxUnique ? QStringLiteral("Unique ") : QString()) + ix.IdxName + u':';
        fSheet.entries << SheetEntry{EntryKind::Index, i};
        fSheet.cells << positions(ixKeys[i]);
    }
    for (int i = 0; i < t.Trigs.size(); ++i) {
        const TTriggerLayout& tr = t.Trigs[i];
        fSheet.labels << (tr.isTemp ? QStringLiteral("Temp Trigger ")
                                    : QStringLiteral("Trigger ")) +
                             tr.trigName + u':';
        fSheet.entries << SheetEntry{EntryKind::Trigger, i};
        const QString action = TriggerAction(tr);
        QStringList cells;
        for (const TFieldLayout& f : t.Cols) {
            const int p = PositionIn(trKeys[i], f.fName);
            QString s = p > 0 ? QString::number(p) + u'e' : QString();
            auto named = [&](const QString& name) {
                const QString u = TrimText(name).toUpper();
                return !u.isEmpty() && action.contains(u);
            };
            if (named(f.fName) || named(f.OldName)) s += u'a';
            cells << s;
        }
        fSheet.cells << cells;
    }
}

QStringList TableDesignerController::ColumnNames() const {
    QStringList names;
    for (const TFieldLayout& f : curTbl.Cols)
        names << f.fName;
    return names;
}

const TFieldLayout* TableDesignerController::Column() const {
    return fSelCol >= 0 && fSelCol < curTbl.Cols.size() ? &curTbl.Cols[fSelCol] : nullptr;
}

TFieldLayout* TableDesignerController::Selected() {
    return fSelCol >= 0 && fSelCol < curTbl.Cols.size() ? &curTbl.Cols[fSelCol] : nullptr;
}

bool TableDesignerController::DuplicateName() const {
    const TFieldLayout* f = Column();
    if (!f) return false;
    const QString key = NameKey(f->fName);
    for (int i = 0; i < curTbl.Cols.size(); ++i)
        if (i != fSelCol && NameKey(curTbl.Cols[i].fName) == key) return true;
    return false;
}

bool TableDesignerController::DependantsWarning() const {
    return checkTableDependantsDiffer(curTbl);
}

NameState TableDesignerController::TableNameState() const {
    const QString typed = TrimText(curTbl.tblName);
    if (!fSQL || typed.compare(fEditedTable, Qt::CaseInsensitive) == 0) return NameState::Valid;
    const QString clean = fSQL->makeValidTableName(typed, curTbl.dbName, true);
    if (clean != typed) return NameState::Rejected;
    const QString unique = fSQL->makeValidTableName(clean, curTbl.dbName, false);
    return unique != clean ? NameState::Taken : NameState::Valid;
}

QString TableDesignerController::TableNameHint() const {
    switch (TableNameState()) {
    case NameState::Taken:
        return kNameHintTaken;
    case NameState::Rejected:
        return kNameHintRejected;
    case NameState::Valid:
        break;
    }
    return kNameHintNew;
}

QString TableDesignerController::FixedTableName() const {
    const QString typed = TrimText(curTbl.tblName);
    if (!fSQL) return typed;
    return fSQL->makeValidTableName(fSQL->makeValidTableName(typed, curTbl.dbName, true),
                                    curTbl.dbName, false);
}

SheetEntry TableDesignerController::SelectedEntry() const {
    return fSelRow >= 0 && fSelRow < fSheet.entries.size() ? fSheet.entries[fSelRow] : SheetEntry();
}

QString TableDesignerController::EntryDescription(const SheetEntry& e) const {
    switch (e.kind) {
    case EntryKind::Constraint: {
        const TFKeyLayout& k = curTbl.FKeys[e.item];
        return QString::fromLatin1(kKindNames[int(k.iKeyKind) & 3]) + u' ' + k.ConstrName;
    }
    case EntryKind::Index:
        return QStringLiteral("Index ") + curTbl.Idxs[e.item].IdxName;
    case EntryKind::Trigger:
        return QStringLiteral("Trigger ") + curTbl.Trigs[e.item].trigName;
    case EntryKind::None:
        break;
    }
    return QString();
}

QString TableDesignerController::EditHint() const {
    const SheetEntry e = SelectedEntry();
    return e.kind == EntryKind::None ? QString() : QStringLiteral("Alter ") + EntryDescription(e);
}

QString TableDesignerController::RemoveHint() const {
    const SheetEntry e = SelectedEntry();
    return e.kind == EntryKind::None ? QString() : QStringLiteral("Remove ") + EntryDescription(e);
}

QString TableDesignerController::AddHint(int which) const {
    const QString col = Column() ? Column()->fName : QString();
    switch (which) {
    case 0:
        return QStringLiteral("Add a Primary Key on ") + col;
    case 1:
        return QStringLiteral("Add a Unique Index on ") + col;
    case 2:
        return QStringLiteral("Add a Check constraint");
    case 3:
        return QStringLiteral("Add a Foreign Key using ") + col;
    case 4:
        return QStringLiteral("Add an Index on ") + col;
    case 5:
        return QStringLiteral("Add a Trigger on ") + col;
    default:
        return QString();
    }
}

void TableDesignerController::SelectCell(int row, int column) {
    if (column >= 0 && column < curTbl.Cols.size()) fSelCol = column;
    if (row >= 0 && row < fSheet.labels.size()) fSelRow = row;
}

SheetTarget TableDesignerController::TargetOfScriptLine(int line) const {
    SheetTarget target;
    const QStringList lines = fScript.split(QStringLiteral("\r\n"));
    int create = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].startsWith(QLatin1String("CREATE "))) {
            create = i;
            break;
        }
    if (create < 0 || line <= create) return target;
    const int n = int(curTbl.Cols.size());
    if (line <= create + n) return {int(SheetRow::Name), line - create - 1};
    // The table constraints, each as many lines as its text has.
    int at = create + n + 1;
    for (int i = 0; i < curTbl.FKeys.size(); ++i) {
        const int count = int(ConstraintText(curTbl.FKeys[i], true).count(u'\n')) + 1;
        if (line < at + count) return {kFixedSheetRows + i, -1};
        at += count;
    }
    if (line == at) { // ");": the primary key column
        for (int c = 0; c < n; ++c)
            if (curTbl.Cols[c].isPK) return {int(SheetRow::Key), c};
        return target;
    }
    ++at;
    int row = kFixedSheetRows + int(curTbl.FKeys.size());
    for (const TIndexLayout& ix : curTbl.Idxs) {
        at += 1 + int(sqlFrom(ix).count(u'\n')) + 1;
        if (line < at) return {row, -1};
        ++row;
    }
    for (const TTriggerLayout& tr : curTbl.Trigs) {
        at += 2 + int(sqlFrom(tr).count(u'\n')) + 1;
        if (line < at) return {row, -1};
        ++row;
    }
    return target;
}

// --- column edits -----------------------------------------------------------

void TableDesignerController::SetColumnName(const QString& name) {
    if (TFieldLayout* f = Selected()) f->fName = name;
    Refresh();
}

void TableDesignerController::SetColumnType(const QString& type, const QString& length) {
    // A type typed with its length ("VARCHAR(40)") carries its own.
    if (TFieldLayout* f = Selected())
        SplitTypeSpec(type.contains(u'(') ? type : type + u'(' + length + u')', f->fType,
                      f->fVarSpec);
    Refresh();
}

void TableDesignerController::SetColumnCheck(const QString& text) {
    if (TFieldLayout* f = Selected()) f->fCheckFunc = text;
    Refresh();
}

void TableDesignerController::SetColumnCollation(const QString& text) {
    if (TFieldLayout* f = Selected()) f->fCollation = text;
    Refresh();
}

void TableDesignerController::SetColumnDefault(const QString& text) {
    if (TFieldLayout* f = Selected()) f->fDefVal = text;
    Refresh();
}

void TableDesignerController::SetColumnComment(const QString& text) {
    if (TFieldLayout* f = Selected()) f->fComment = text;
    Refresh();
}

void TableDesignerController::SetAllowNull(bool on) {
    if (TFieldLayout* f = Selected()) f->allowNull = on;
    Refresh();
}

void TableDesignerController::SetUnique(bool on) {
    if (TFieldLayout* f = Selected()) f->isUnique = on;
    Refresh();
}

void TableDesignerController::SetPrimaryKey(bool on) {
    if (TFieldLayout* f = Selected()) {
        if (on)
            for (TFieldLayout& o : curTbl.Cols)
                o.isPK = false;
        f->isPK = on;
    }
    Refresh();
}

void TableDesignerController::SetAscending(bool on) {
    if (TFieldLayout* f = Selected()) f->isAscend = on;
    Refresh();
}

void TableDesignerController::SetAutoIncrement(bool on) {
    if (TFieldLayout* f = Selected()) f->isAutoInc = on;
    Refresh();
}

void TableDesignerController::SetConflict(int index) {
    if (index < 0 || index > 5) index = 0;
    if (TFieldLayout* f = Selected())
        f->fNotNullConflict = f->fUniqueConflict = f->fPrimConflict = index;
    Refresh();
}

void TableDesignerController::EditCell(int row, int column, const QString& text) {
    if (!IsEditableSheetRow(row) || column < 0 || column >= curTbl.Cols.size()) return;
    fSelCol = column;
    TFieldLayout& f = curTbl.Cols[column];
    switch (SheetRow(row)) {
    case SheetRow::Name:
        f.fName = text;
        break;
    case SheetRow::Type:
        // The cell shows type and length together; a scale typed with it stays.
        SplitTypeSpec(text, f.fType, f.fVarSpec);
        break;
    case SheetRow::Check:
        f.fCheckFunc = text;
        break;
    case SheetRow::Collation:
        f.fCollation = text;
        break;
    case SheetRow::Default:
        f.fDefVal = text;
        break;
    case SheetRow::Comment:
        f.fComment = text;
        break;
    default:
        break;
    }
    Refresh();
}

bool TableDesignerController::EditColumnForeignKey() {
    TFieldLayout* f = Selected();
    if (!f) return false;
    TFKeyLayout k;
    if (!TrimText(f->fForeignKey).isEmpty())
        parseFKey(QStringLiteral("REFERENCES ") + f->fForeignKey, k);
    k.iKeyKind = KeyKind::ForeignKey;
    k.bIsTableConstraint = false;
    k.OwnFields = f->fName;
    k.TableSelf = curTbl.tblName;
    if (!FDialogs.EditFKey(k, fSQL, ColumnNames(), curTbl.tblName)) return false;
    const QString text = ConstraintText(k, false);
    const qsizetype at = text.indexOf(QLatin1String("REFERENCES"), 0, Qt::CaseInsensitive);
    Selected()->fForeignKey = at < 0 ? QString() : TrimText(text.mid(at + 10));
    Refresh();
    return true;
}

// --- table options ------------------------------------------------------------

void TableDesignerController::SetTableName(const QString& name) {
    curTbl.tblName = TrimText(name);
    Refresh();
}

void TableDesignerController::SetTemp(bool on) {
    curTbl.isTemp = on;
    Refresh();
}

void TableDesignerController::SetIfNotExists(bool on) {
    curTbl.ifNotEx = on;
    Refresh();
}

void TableDesignerController::SetDropFirst(bool on) {
    curTbl.dropExisting = on;
    Refresh();
}

void TableDesignerController::SetWithoutRowId(bool on) {
    curTbl.noRowID = on && WithoutRowIdEnabled();
    Refresh();
}

void TableDesignerController::SetVirtual(bool on) {
    curTbl.isVirtual = on;
    if (on && TrimText(curTbl.virtualType).isEmpty()) curTbl.virtualType = QStringLiteral("fts5");
    Refresh();
}

void TableDesignerController::SetVirtualType(const QString& module) {
    curTbl.virtualType = TrimText(module);
    Refresh();
}

// --- columns --------------------------------------------------------------------

void TableDesignerController::AddColumn(const QString& type) {
    addCol(curTbl, NewColumn(type), -1);
    fSelCol = int(curTbl.Cols.size()) - 1;
    Refresh();
}

void TableDesignerController::InsertColumn() {
    const int at = fSelCol < 0 ? 0 : fSelCol;
    addCol(curTbl, NewColumn(QStringLiteral("TEXT")), at);
    fSelCol = at;
    Refresh();
}

void TableDesignerController::DuplicateColumn() {
    const TFieldLayout* src = Column();
    if (!src) return;
    TFieldLayout f;
    f.allowNull = src->allowNull;
    f.isUnique = src->isUnique;
    f.fType = src->fType;
    f.fCollation = src->fCollation;
    f.fDefVal = src->fDefVal;
    f.fDefRaw = src->fDefRaw;
    f.fCheckFunc = src->fCheckFunc;
    f.fComment = src->fComment;
    f.fForeignKey = src->fForeignKey;
    f.fConstraintOrder = src->fConstraintOrder;
    f.OldName = src->OldName;
    f.OldType = src->OldType;
    f.OldCollation = src->OldCollation;
    f.OldDefVal = src->OldDefVal;
    f.OldCheckFunc = src->OldCheckFunc;
    f.OldComment = src->OldComment;
    f.OldForeignKey = src->OldForeignKey;
    f.fName = src->fName + QStringLiteral("_2"); // addCol counts up while taken
    addCol(curTbl, f, -1);
    fSelCol = int(curTbl.Cols.size()) - 1;
    Refresh();
}

bool TableDesignerController::RemoveColumn() {
    if (!CanRemoveColumn() || !Column()) return false;
    curTbl.Cols.removeAt(fSelCol);
    Refresh();
    return true;
}

void TableDesignerController::MoveColumn(int from, int to) {
    const int n = int(curTbl.Cols.size());
    if (from < 0 || from >= n || to < 0 || to >= n || from == to) return;
    curTbl.Cols.move(from, to);
    fSelCol = to;
    Refresh();
}

} // namespace sky
