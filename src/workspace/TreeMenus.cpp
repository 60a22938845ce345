// The context menus of the schema tree as data: captions, the command texts
// of the items, and which items are usable while some windows do not exist.
//
// Column commands (ADD=, REN=, DEL=, VWR=) carry the column's position in the
// column list (from 0), because the dispatcher moves the field grid's
// selection to that row before it runs the column operation. The column SQL=
// items carry the SQL template itself: they only put it into the editor.
#include "workspace/TreeMenus.h"

#include "design/TableLayout.h"
#include "design/Views.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "support/Csv.h"
#include "support/TextUtil.h"
#include "workspace/SqlTemplate.h"

#include <QFileInfo>
#include <utility>

namespace sky {

MenuModel MenuCommand(const QString& caption, const QString& command, bool enabled) {
    MenuModel m;
    m.caption = caption;
    m.command = ParseTreeCommand(command);
    m.enabled = enabled;
    return m;
}

MenuModel MenuAction(const QString& caption, const QString& action, bool enabled) {
    MenuModel m;
    m.caption = caption;
    m.action = action;
    m.enabled = enabled;
    return m;
}

MenuModel MenuSeparator() {
    MenuModel m;
    m.caption = QStringLiteral("-");
    return m;
}

MenuModel MenuSubmenu(const QString& caption, QList<MenuModel> children) {
    MenuModel m;
    m.caption = caption;
    m.isSubmenu = true;
    m.children = std::move(children);
    return m;
}

namespace {

// Column submenus shown at most; the others are reached through the designer.
constexpr qsizetype kMaxColumnMenus = 42;

// Command codes.
const QString kCodeAct = QStringLiteral("ACT=");
const QString kCodeAdd = QStringLiteral("ADD=");
const QString kCodeChg = QStringLiteral("CHG=");
const QString kCodeDel = QStringLiteral("DEL=");
const QString kCodeDoc = QStringLiteral("DOC=");
const QString kCodeExc = QStringLiteral("EXC=");
const QString kCodeExe = QStringLiteral("EXE=");
const QString kCodeNav = QStringLiteral("NAV=");
const QString kCodeOpn = QStringLiteral("OPN=");
const QString kCodePop = QStringLiteral("POP=");
const QString kCodeQry = QStringLiteral("QRY=");
const QString kCodeRen = QStringLiteral("REN=");
const QString kCodeShw = QStringLiteral("SHW=");
const QString kCodeSql = QStringLiteral("SQL=");
const QString kCodeVwr = QStringLiteral("VWR=");
const QString kCodeXsc = QStringLiteral("XSC=");

// Database node menu.
const QString kTitleTemp = QStringLiteral("TEMP Schema in ");
const QString kTitleMain = QStringLiteral("Main Schema in ");
const QString kTitleIn = QStringLiteral(" in ");
const QString kReOpen = QStringLiteral("Re-Open (Refresh Schema)");
const QString kCreateNewTable = QStringLiteral("Create new Table");
const QString kUsingDesignerSql = QStringLiteral("using Designer (Show SQL only)...");
const QString kUsingDesigner = QStringLiteral("using Table-Designer...");
const QString kBasedOn = QStringLiteral("based on ");
const QString kFromClipboard = QStringLiteral("from Clipboard...");
const QString kFromSmallFile = QStringLiteral("from data in small file ( < 5MB )...");
const QString kFromLargeFile = QStringLiteral("from data in large file...");
const QString kDesignerSqlAttached = QStringLiteral("Show Create Table SQL from Designer...");
const QString kCreateViewFromQuery = QStringLiteral("Create View  (from current Query)...");
const QString kDetachDatabase = QStringLiteral("Detach Database ");
const QString kShowSchemaFor = QStringLiteral("Show Schema for ");
const QString kOpenInFolder = QStringLiteral("Open in folder");
const QString kOpenOwnWindow = QStringLiteral("Open Database in its own Window");
const QString kOpenScriptEditor = QStringLiteral("Open Database Script Editor");
const QString kShowDocumentation = QStringLiteral("Show Schema Documentation");
const QString kAttachAnother = QStringLiteral("Attach another Database...");
const QString kShowAttachSql = QStringLiteral("Show SQL to Attach this Database");
const QString kShowDetachSql = QStringLiteral("Show SQL to Detach this Database");
const QString kShowSchemaSql = QStringLiteral("Show SQL to view this Schema");

// Table node menu.
const QString kEditTableLayout = QStringLiteral("Edit Table Layout...");
const QString kEditTableData = QStringLiteral("Edit Table Data");
const QString kDesignBasedOnThis = QStringLiteral("Design New Table (based on this)...");
const QString kCompareTo = QStringLiteral("Compare to another Table...");
const QString kShowInPopOut = QStringLiteral("Show in Pop-Out");
const QString kShowSqlQuery = QStringLiteral("Show SQL Query");
const QStringList kQuickSqlItems = {
    QStringLiteral("CREATE TABLE"),   QStringLiteral("INSERT records"),
    QStringLiteral("UPSERT records"), QStringLiteral("UPDATE values"),
    QStringLiteral("DELETE records"), QStringLiteral("DROP TABLE")};
const QString kExportTableScript = QStringLiteral("Export Table to Script...");
const QString kCopyTable = QStringLiteral("Copy...               (Duplicate)");
const QString kRenameTable = QStringLiteral("Rename...");
const QString kClearTable = QStringLiteral("Clear...               (Empty Table)");
const QString kDeleteTable = QStringLiteral("Delete...             (Drop Table)");
const QString kColumnFunctions = QStringLiteral("Column Functions");
const QString kIndexFunctions = QStringLiteral("Index Functions");
const QString kTriggerFunctions = QStringLiteral("Trigger Functions");
const QString kDesignEdit = QStringLiteral("Design / Edit");
const QString kViewTableStructure = QStringLiteral("View Table Structure      [ Ctrl + T ]");
const QString kAddColumnAfterThis = QStringLiteral("Add a New Column after this one...");
const QString kRenameColumn = QStringLiteral("Rename Column...   ");
const QString kRemoveColumn = QStringLiteral("Remove Column...   ");
const QString kViewReferences = QStringLiteral("View references    ");
const QString kShowSelectColumn = QStringLiteral("Show SQL to SELECT this Column");
const QString kShowSelectFiltered = QStringLiteral("Show SELECT filtered on ");
const QString kShowUpdateColumn = QStringLiteral("Show SQL to UPDATE Column ");
const QString kShowUpdateClipboard = QStringLiteral("Show SQL to UPDATE from Clipboard");
const QString kViewEditAll = QStringLiteral("View / Edit All    (Some columns were omitted here)");
const QString kCreateNewIndex = QStringLiteral("Create new Index...");
const QString kCreateNewTrigger = QStringLiteral("Create new Trigger...");
const QString kEditIndex = QStringLiteral("Edit Index... ");
const QString kDropIndex = QStringLiteral("Drop Index... ");
const QString kEditTrigger = QStringLiteral("Edit Trigger... ");
const QString kDropTrigger = QStringLiteral("Drop Trigger... ");
const QString kShowSql = QStringLiteral("Show SQL ");

// View node menu.
const QString kEditView = QStringLiteral("Edit View...        ");
const QString kShowViewResult = QStringLiteral("Show View Result-set");
const QString kOpenViewPopOut = QStringLiteral("Open View in Pop-Out");
const QString kShowSelectFromView = QStringLiteral("Show SELECT from View");
const QString kRemoveView = QStringLiteral("Remove View (Drop)...");
const QString kShowSelectSql = QStringLiteral("Show SELECT SQL");
const QString kShowCreateViewSql = QStringLiteral("Show CREATE VIEW SQL");
const QString kShowSqlToSelect = QStringLiteral("Show SQL to SELECT ");
const QString kShowSelectOrdered = QStringLiteral("Show SELECT ordered by ");
const QString kViewDesignEdit = QStringLiteral("Design / Edit...  (Some columns omitted here)");
const QString kViewStructure = QStringLiteral("View Structure   [ Ctrl + T ]");

// Column node menu.
const QString kAddColumnAfter = QStringLiteral("Add a New Column after ");
const QString kRenameColumnNamed = QStringLiteral("Rename Column ");
const QString kRemoveColumnNamed = QStringLiteral("Remove Column ");
const QString kColumnNamedTail = QStringLiteral("...   ");
const QString kShowUpdateValueClipboard = QStringLiteral("Show UPDATE for value from Clipboard");
const QString kShowReferencesTo = QStringLiteral("Show references to ");
const QString kEditInDesigner = QStringLiteral("Edit / Alter in designer");

// Index and trigger node menus.
const QString kCreateNewIndexNode = QStringLiteral("Create New Index...");
const QString kCreateTrigger = QStringLiteral("Create Trigger...");
const QString kShowSqlToCreate = QStringLiteral("Show SQL to create ");
const QString kShowSqlFor = QStringLiteral("Show SQL for ");

const QString kKindIndex = QStringLiteral("INDEX");
const QString kKindTrigger = QStringLiteral("TRIGGER");

MenuModel Command(const QString& caption, const QString& command, bool enabled = true) {
    return MenuCommand(caption, command, enabled);
}
MenuModel Action(const QString& caption, const QString& action, bool enabled) {
    return MenuAction(caption, action, enabled);
}
MenuModel Title(const QString& caption, bool isDefault) {
    MenuModel m;
    m.caption = caption;
    m.isDefault = isDefault;
    return m;
}
MenuModel Separator() {
    return MenuSeparator();
}
MenuModel Submenu(const QString& caption, QList<MenuModel> children) {
    return MenuSubmenu(caption, std::move(children));
}

QString InDoubleQuotes(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

bool IsTempSchema(const QString& schema) {
    return TrimText(schema).compare(QLatin1String("temp"), Qt::CaseInsensitive) == 0;
}

// The quote around a value typed into a filter: text and numeric affinities
// get single quotes.
QString ValueQuote(const QString& typeOrAffinity) {
    const QString affinity = ColumnAffinity(typeOrAffinity);
    return affinity.startsWith(QLatin1Char('N')) || affinity.startsWith(QLatin1Char('T'))
               ? QStringLiteral("'")
               : QString();
}

// An index or trigger command line: verb, kind, name and SQL as CSV fields.
QString ObjectCommand(const char* verb, const QString& kind, const QString& name,
                      const QString& sql) {
    return JoinCSVLine({QString::fromLatin1(verb), kind, name, sql}, QLatin1Char(','));
}

// The stored SQL of a schema object (empty when it has none); false when
// the query fails.
bool StoredSql(TSQLite3Database& db, const QString& schema, const char* type, const QString& name,
               QString& sql) {
    return db.QuerySingleValue(sql, QStringLiteral("SELECT sql FROM ") + MasterTableOf(schema) +
                                        QStringLiteral(" WHERE type='") + QLatin1String(type) +
                                        QStringLiteral("' AND name = ") + QuoteSqlString(name) +
                                        QLatin1Char(';'));
}

// The submenu of one index or trigger row of the table page. Indexes without
// SQL (the automatic ones) cannot be edited.
MenuModel ObjectSubmenu(const TreeMenuContext::Object& o, const QString& kind,
                        const QString& editCaption, const QString& dropCaption, bool editNeedsSql,
                        const TreeMenuContext& c) {
    const bool hasSql = !TrimText(o.sql).isEmpty();
    QList<MenuModel> items;
    if (hasSql || !editNeedsSql)
        items << Command(editCaption, ObjectCommand("ALTER", kind, o.name, o.sql), c.tableOpsReady);
    items << Command(dropCaption, ObjectCommand("REMOVE", kind, o.name, o.sql), c.tableOpsReady);
    if (hasSql) items << Command(kShowSql, ObjectCommand("SHOWSQL", kind, o.name, o.sql));
    return Submenu(InDoubleQuotes(o.name), items);
}

// One submenu per column of the current table (at most kMaxColumnMenus).
QList<MenuModel> TableColumnMenus(const QString& tableName, const TreeMenuContext& c) {
    QList<MenuModel> menus;
    const QString table = TemplateLiteral(tableName);
    const qsizetype shown = qMin(c.columns.size(), kMaxColumnMenus);
    for (qsizetype i = 0; i < shown; ++i) {
        const QString& name = c.columns[i];
        const QString col = TemplateLiteral(QuoteIdent(name));
        const QString pos = QString::number(i);
        const QString selectColumn = QStringLiteral("SELECT ") + col + QStringLiteral(" FROM ") +
                                     table + QStringLiteral(" WHERE #PKI# = |;");
        const QString selectFiltered = QStringLiteral("SELECT * FROM ") + table +
                                       QStringLiteral(" WHERE ") + col + QStringLiteral(" = |;");
        const QString update = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + col +
                               QStringLiteral(" = | WHERE ") + col + QStringLiteral(" = ;");
        const QString updateClipboard =
            QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + col +
            QStringLiteral(" = #CPB# WHERE ") + col + QStringLiteral(" = |;");
        QList<MenuModel> items;
        items << Command(kAddColumnAfterThis, kCodeAdd + pos, c.tableOpsReady)
              << Command(kRenameColumn, kCodeRen + pos, c.tableOpsReady)
              << Command(kRemoveColumn, kCodeDel + pos, c.tableOpsReady)
              << Command(kViewReferences, kCodeVwr + pos, c.tableOpsReady) << Separator()
              << Command(kShowSelectColumn, kCodeSql + selectColumn)
              << Command(kShowSelectFiltered + name, kCodeSql + selectFiltered)
              << Command(kShowUpdateColumn + name, kCodeSql + update)
              << Command(kShowUpdateClipboard, kCodeSql + updateClipboard);
        menus << Submenu(name, items);
    }
    if (c.columns.size() > kMaxColumnMenus)
        menus << Action(kViewEditAll, act::kDesigner, c.designerReady);
    return menus;
}

// One submenu per view column (at most kMaxColumnMenus).
QList<MenuModel> ViewColumnMenus(const QString& viewName, const TViewLayout& v,
                                 const TreeMenuContext& c) {
    QList<MenuModel> menus;
    const QString view = TemplateLiteral(viewName);
    const qsizetype shown = qMin(v.vCols.size(), kMaxColumnMenus);
    for (qsizetype i = 0; i < shown; ++i) {
        const QString& name = v.vCols[i];
        const QString col = TemplateLiteral(QuoteIdent(name));
        const QString q = ValueQuote(i < v.vTypes.size() ? v.vTypes[i] : QString());
        const QString select = QStringLiteral("SELECT ") + col + QStringLiteral(" FROM ") + view +
                               QStringLiteral(" WHERE |;");
        const QString filtered = QStringLiteral("SELECT * FROM ") + view +
                                 QStringLiteral(" WHERE ") + col + QStringLiteral(" = ") + q +
                                 QLatin1Char('|') + q + QLatin1Char(';');
        const QString ordered = QStringLiteral("SELECT * FROM ") + view +
                                QStringLiteral("\r\n WHERE |\r\n ORDER BY ") + col +
                                QStringLiteral("\r\n;");
        QList<MenuModel> items;
        items << Command(kShowSqlToSelect + name, kCodeShw + select)
              << Command(kShowSelectFiltered + name, kCodeShw + filtered)
              << Command(kShowSelectOrdered + InDoubleQuotes(name), kCodeShw + ordered);
        menus << Submenu(name, items);
    }
    if (v.vCols.size() > kMaxColumnMenus)
        menus << Action(kViewDesignEdit, act::kDesigner, c.designerReady);
    return menus;
}

} // namespace

QString SchemaPrefix(const QString& schema) {
    if (IsMainSchema(schema)) return QString();
    if (IsTempSchema(schema)) return QStringLiteral("temp.");
    return QuoteIdent(TrimText(schema)) + QLatin1Char('.');
}

QString QualifiedTable(const QString& schema, const QString& table) {
    return SchemaPrefix(schema) + QuoteIdent(table);
}

MenuModel DatabaseNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c) {
    const QString schema = TrimText(node.sName).toLower();
    const bool isMain = IsMainSchema(schema), isTemp = IsTempSchema(schema);
    const bool attached = !isMain && !isTemp;
    QString file = c.dbFile;
    // The node carries the name as the engine lists it, so the lookup uses
    // that spelling.
    const QString lookup = QStringLiteral("SELECT file FROM pragma_database_list WHERE name = ") +
                           QuoteSqlString(TrimText(node.sName)) + QLatin1Char(';');
    if (attached && !db.QuerySingleValue(file, lookup)) file.clear();
    const bool known = !file.isEmpty();
    const QString quoted = QuoteIdent(schema);
    const QString master = MasterTableOf(schema);
    const QString detach = QStringLiteral("DETACH DATABASE ") + quoted + QLatin1Char(';');

    MenuModel m;
    QString title = isTemp ? kTitleTemp : isMain ? kTitleMain : schema + kTitleIn;
    title += QFileInfo(file).fileName();
    m.children << Title(QStringLiteral("[ ") + title + QStringLiteral(" ]"), false)
               << Action(kReOpen, act::kRefresh, true);
    if (isMain) {
        QList<MenuModel> create;
        create << Action(kUsingDesignerSql, act::kDesignerSql, c.designerReady)
               << Action(kUsingDesigner, act::kDesignNew, c.designerReady);
        if (c.curTableType == 0 && !c.curTable.isEmpty())
            create << Action(kBasedOn + InDoubleQuotes(c.curTable) + QStringLiteral("..."),
                             act::kDesignBased, c.designerReady);
        create << Action(kFromClipboard, act::kImportClipboard, c.importReady)
               << Action(kFromSmallFile, act::kImportSmall, c.importReady)
               << Action(kFromLargeFile, act::kImportLarge, c.fileImportReady);
        m.children << Submenu(kCreateNewTable, create);
    } else if (attached) {
        m.children << Action(kDesignerSqlAttached, act::kDesignerSql, c.designerReady);
    }
    if (!attached)
        m.children << Action(kCreateViewFromQuery, isTemp ? act::kCreateTempView : act::kCreateView,
                             c.viewEditorReady);
    m.children << Separator();
    if (attached && known) m.children << Command(kDetachDatabase + schema, kCodeExc + detach);
    m.children << Command(kShowSchemaFor + schema,
                          kCodeQry + QStringLiteral("SELECT * FROM ") + master + QLatin1Char(';'));
    if (!isTemp && known) m.children << Command(kOpenInFolder, kCodeNav + file);
    if (attached && known) m.children << Command(kOpenOwnWindow, kCodeOpn + file);
    if (!isTemp && known)
        m.children << Command(kOpenScriptEditor, kCodeXsc + file, c.scriptReady)
                   << Command(kShowDocumentation, kCodeDoc + file, c.docsReady);
    m.children << Action(kAttachAnother, act::kAttach, c.attachReady) << Separator();
    const QString quotedText = TemplateLiteral(quoted);
    const QString attachSql = QStringLiteral("ATTACH DATABASE ") +
                              TemplateLiteral(QuoteSqlString(file)) + QStringLiteral(" AS |") +
                              quotedText + QStringLiteral("|;");
    const QString detachSql =
        QStringLiteral("DETACH DATABASE |") + quotedText + QStringLiteral("|;");
    if (attached && known) m.children << Command(kShowAttachSql, kCodeSql + attachSql);
    if (attached) m.children << Command(kShowDetachSql, kCodeSql + detachSql);
    const QString listing =
        attached
            ? QStringLiteral("SELECT * FROM |") + quotedText + QStringLiteral("|.sqlite_master;")
            : QStringLiteral("SELECT * FROM ") + TemplateLiteral(master) + QStringLiteral("|;");
    m.children << Command(kShowSchemaSql, kCodeSql + listing);
    return m;
}

MenuModel TableNodeMenu(const TDBObjRec& node, const TreeMenuContext& c) {
    const QString& table = node.sName;
    const QString qualified = QualifiedTable(node.sDataBase, table);

    QList<MenuModel> quickSql;
    for (const QString& item : kQuickSqlItems)
        quickSql << Action(item, act::kQuickSql + item, c.quickSqlReady);

    MenuModel newIndex = Action(kCreateNewIndex, act::kNewIndex, c.tableOpsReady);
    newIndex.isDefault = true;
    QList<MenuModel> indexes{newIndex};
    for (const TreeMenuContext::Object& o : c.indexes)
        indexes << ObjectSubmenu(o, kKindIndex, kEditIndex, kDropIndex, true, c);

    QList<MenuModel> triggers;
    triggers << Action(kCreateNewTrigger, act::kNewTrigger, c.tableOpsReady);
    for (const TreeMenuContext::Object& o : c.triggers)
        triggers << ObjectSubmenu(o, kKindTrigger, kEditTrigger, kDropTrigger, false, c);

    MenuModel m;
    m.children << Title(QLatin1Char('[') +
                            (IsMainSchema(node.sDataBase) ? QString()
                                                          : node.sDataBase + QLatin1Char('.')) +
                            table + QLatin1Char(']'),
                        true)
               << Action(kEditTableLayout, act::kDesigner, c.designerReady)
               << Action(kEditTableData, act::kEditData, c.editorReady)
               << Action(kDesignBasedOnThis, act::kDesignBased, c.designerReady)
               << Action(kCompareTo, act::kCompare, c.compareReady)
               << Action(kShowInPopOut, act::kPopOut, c.popOutReady)
               << Submenu(kShowSqlQuery, quickSql)
               << Action(kExportTableScript, act::kExportScript, c.exportReady)
               << Action(kCopyTable, act::kCopyTable, c.tableOpsReady)
               << Action(kRenameTable, act::kRenameTable, c.tableOpsReady)
               << Action(kClearTable, act::kEmptyTable, c.tableOpsReady)
               << Action(kDeleteTable, act::kDropTable, c.tableOpsReady)
               << Submenu(kColumnFunctions, TableColumnMenus(qualified, c))
               << Submenu(kIndexFunctions, indexes) << Submenu(kTriggerFunctions, triggers)
               << Action(kDesignEdit, act::kDesigner, c.designerReady)
               << Action(kViewTableStructure, act::kTableStructure, true);
    return m;
}

MenuModel ViewNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c) {
    const QString& view = node.sName;
    const QString schema = TrimText(node.sDataBase);
    MenuModel m;
    m.children << Title(QStringLiteral("[ ") + view + QStringLiteral(" ]"), false);

    QString text;
    TViewLayout v;
    if (StoredSql(db, schema, "view", view, text) && readView(text, v)) {
        v.vSchema = schema;
        if (IsTempSchema(schema)) v.isTemp = true;
        const QString qualified = QualifiedTable(schema, view);
        const QString selectAll = QStringLiteral("SELECT * FROM ") + qualified;
        const QString drop = QStringLiteral("DROP VIEW IF EXISTS ") + qualified + QLatin1Char(';');
        MenuModel popOut =
            Command(kOpenViewPopOut, kCodePop + selectAll + QLatin1Char(';'), c.popOutReady);
        popOut.isDefault = true;
        m.children << Command(kEditView, kCodeChg + view, c.viewEditorReady) << Separator()
                   << Command(kShowViewResult, kCodeAct + selectAll + QLatin1Char(';')) << popOut
                   << Command(kShowSelectFromView, kCodeAct + v.vSelect + QLatin1Char(';'))
                   << Command(kRemoveView, kCodeExe + drop) << Separator()
                   << Command(kShowSelectSql,
                              kCodeShw + TemplateLiteral(selectAll) + QStringLiteral("|;"))
                   << Command(kShowCreateViewSql, kCodeShw + TemplateLiteral(sqlFrom(v)));
        if (readViewFields(db, v))
            m.children << Submenu(kColumnFunctions, ViewColumnMenus(qualified, v, c));
        m.children << Separator();
    }
    m.children << Action(kViewStructure, act::kTableStructure, true);
    return m;
}

MenuModel ColumnNodeMenu(const TDBObjRec& node, const TreeMenuContext& c) {
    const QString& name = node.sName;
    MenuModel m;
    m.children << Title(QStringLiteral("[ ") + name + QStringLiteral("  ") + node.sType +
                            QStringLiteral(" ]"),
                        true)
               << Separator();
    // The column belongs to the current table: schema and name must both agree.
    const bool current = node.sTableName == c.curTable && SameSchema(node.sDataBase, c.curSchema);
    const qsizetype position = current ? c.columns.indexOf(name) : -1;
    if (position >= 0 && (c.curTableType == 0 || c.curTableType == 1)) {
        const bool isTable = c.curTableType == 0;
        const QString table = TemplateLiteral(QualifiedTable(node.sDataBase, node.sTableName));
        const QString col = TemplateLiteral(QuoteIdent(name));
        const QString pos = QString::number(position);
        const QString q = ValueQuote(node.sAffinity.isEmpty() ? node.sType : node.sAffinity);
        if (isTable)
            m.children << Command(kAddColumnAfter + InDoubleQuotes(name) + QStringLiteral("..."),
                                  kCodeAdd + pos, c.tableOpsReady)
                       << Command(kRenameColumnNamed + InDoubleQuotes(name) + kColumnNamedTail,
                                  kCodeRen + pos, c.tableOpsReady)
                       << Command(kRemoveColumnNamed + InDoubleQuotes(name) + kColumnNamedTail,
                                  kCodeDel + pos, c.tableOpsReady)
                       << Separator();
        const QString selectColumn = QStringLiteral("SELECT ") + col + QStringLiteral(" FROM ") +
                                     table + QStringLiteral(" WHERE #PKI# = |;");
        const QString filtered = QStringLiteral("SELECT * FROM ") + table +
                                 QStringLiteral(" WHERE ") + col + QStringLiteral(" = ") + q +
                                 QLatin1Char('|') + q + QLatin1Char(';');
        m.children << Command(kShowSelectColumn, kCodeSql + selectColumn)
                   << Command(kShowSelectFiltered + name, kCodeSql + filtered);
        if (isTable) {
            // The default value is selected, so typing replaces it.
            const QString update = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") +
                                   col + QStringLiteral(" = ") + q + QLatin1Char('|') +
                                   TemplateLiteral(node.sDefault) + QLatin1Char('|') + q +
                                   QStringLiteral(" WHERE ") + col + QStringLiteral(" = ") + q + q +
                                   QLatin1Char(';');
            const QString updateClipboard =
                QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + col +
                QStringLiteral(" = #CPB# WHERE ") + col + QStringLiteral(" = ") + q +
                QLatin1Char('|') + q + QLatin1Char(';');
            m.children << Command(kShowUpdateColumn + name, kCodeSql + update)
                       << Command(kShowUpdateValueClipboard, kCodeSql + updateClipboard)
                       << Separator()
                       << Command(kShowReferencesTo + InDoubleQuotes(name), kCodeVwr + pos,
                                  c.tableOpsReady);
        }
    }
    m.children << Action(kEditInDesigner, act::kDesigner, c.designerReady);
    return m;
}

MenuModel IndexNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c) {
    const QString& name = node.sName;
    MenuModel m;
    m.children << Title(QStringLiteral("[ ") + name + QStringLiteral(" ]"), true) << Separator()
               << Action(kCreateNewIndexNode, act::kNewIndex, c.tableOpsReady);
    QString sql;
    if (StoredSql(db, node.sDataBase, "index", name, sql)) {
        m.children << Command(kEditIndex, ObjectCommand("ALTER", kKindIndex, name, sql),
                              c.tableOpsReady)
                   << Command(kDropIndex, ObjectCommand("REMOVE", kKindIndex, name, sql),
                              c.tableOpsReady);
        if (!sql.isEmpty())
            m.children << Command(kShowSqlToCreate + name,
                                  ObjectCommand("SHOWSQL", kKindIndex, name, sql));
    }
    return m;
}

MenuModel TriggerNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c) {
    const QString& name = node.sName;
    MenuModel m;
    m.children << Title(QStringLiteral("[ ") + name + QStringLiteral(" ]"), true) << Separator()
               << Action(kCreateTrigger, act::kNewTrigger, c.tableOpsReady);
    // A temporary trigger is stored in the temp schema whatever its table's schema.
    const QString schema = node.bNULL ? QStringLiteral("temp") : node.sDataBase;
    QString sql;
    if (StoredSql(db, schema, "trigger", name, sql) && !sql.isEmpty())
        m.children << Command(kEditTrigger, ObjectCommand("ALTER", kKindTrigger, name, sql),
                              c.tableOpsReady)
                   << Command(kDropTrigger, ObjectCommand("REMOVE", kKindTrigger, name, sql),
                              c.tableOpsReady)
                   << Command(kShowSqlFor + InDoubleQuotes(name),
                              ObjectCommand("SHOWSQL", kKindTrigger, name, sql));
    return m;
}

MenuModel NodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c) {
    switch (node.NodeKind) {
    case TreeNodeKind::Database:
        return DatabaseNodeMenu(db, node, c);
    case TreeNodeKind::TableOrView:
        return node.dbObjKind == okView ? ViewNodeMenu(db, node, c) : TableNodeMenu(node, c);
    case TreeNodeKind::Column:
        return ColumnNodeMenu(node, c);
    case TreeNodeKind::IndexOrTrigger:
        return node.dbObjKind == okTrigger ? TriggerNodeMenu(db, node, c)
                                           : IndexNodeMenu(db, node, c);
    }
    return MenuModel();
}

bool SplitCommand(const QString& text, QString& code, QString& value) {
    const qsizetype eq = text.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        code.clear();
        value.clear();
        return false;
    }
    code = text.left(eq);
    value = text.mid(eq + 1);
    return !value.isEmpty();
}

TreeCommand ParseTreeCommand(const QString& text) {
    TreeCommand c;
    c.text = text;
    using Code = TreeCommandCode;
    static const struct {
        const char* verb;
        Code code;
    } lines[] = {{"ALTER,", Code::Alter}, {"REMOVE,", Code::Remove}, {"SHOWSQL,", Code::ShowSql}};
    for (const auto& l : lines)
        if (text.startsWith(QLatin1String(l.verb))) {
            QStringList parts;
            SplitCSVLine(text, parts, QLatin1Char(','));
            c.code = l.code;
            c.kind = parts.value(1);
            c.name = parts.value(2);
            c.sql = parts.value(3);
            return c;
        }
    QString code;
    if (!SplitCommand(text, code, c.value)) return c;
    // The view and column codes by name; any other code by its first letter.
    static const struct {
        const char* name;
        Code code;
    } named[] = {{"ACT", Code::Act}, {"CHG", Code::Chg}, {"EXE", Code::Exe},
                 {"POP", Code::Pop}, {"SHW", Code::Shw}, {"ADD", Code::Add},
                 {"DEL", Code::Del}, {"REN", Code::Ren}, {"VWR", Code::Vwr}};
    for (const auto& n : named)
        if (code == QLatin1String(n.name)) c.code = n.code;
    if (c.code == Code::None) switch (code.at(0).unicode()) {
        case 'D':
            c.code = Code::Doc;
            break;
        case 'E':
            c.code = Code::Exc;
            break;
        case 'N':
            c.code = Code::Nav;
            break;
        case 'O':
            c.code = Code::Opn;
            break;
        case 'Q':
            c.code = Code::Qry;
            break;
        case 'S':
            c.code = Code::Sql;
            break;
        case 'X':
            c.code = Code::Xsc;
            break;
        default:
            break;
        }
    if (c.code == Code::Add || c.code == Code::Del || c.code == Code::Ren || c.code == Code::Vwr) {
        bool ok = false;
        const int at = c.value.toInt(&ok);
        c.column = ok && at >= 0 ? at : -1;
    }
    return c;
}

QString ViewCommandText(const QString& value) {
    QString out;
    out.reserve(value.size() + 16);
    qsizetype codeStart = 0;
    const auto appendCode = [&](qsizetype end) {
        QString code = value.mid(codeStart, end - codeStart);
        code.replace(QStringLiteral("    "), QStringLiteral("  "));
        code.replace(QStringLiteral("  "), QStringLiteral("\r\n"));
        out += code;
    };
    // Literals, quoted names and comments are copied as they are: a line break
    // inside a line comment would turn the rest of it into code.
    SqlLexer lex(value);
    SqlToken t;
    while (lex.Next(t)) {
        if (t.kind != SqlTokKind::Quoted && t.kind != SqlTokKind::LineComment &&
            t.kind != SqlTokKind::BlockComment)
            continue;
        appendCode(t.pos);
        out += QStringView(value).mid(t.pos, t.len);
        codeStart = t.end();
    }
    appendCode(value.size());
    return out;
}

} // namespace sky
