// The context menus of the schema tree as data, and the command texts their
// items carry. A Qt adapter builds QMenus from MenuModel; the workspace
// controller carries the commands out.
#pragma once

#include "workspace/SchemaTree.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class TSQLite3Database;

// What a command does, by its code. A command text is CODE=value (split at
// the first "="), or for an index or trigger of the table page the CSV line
// VERB,KIND,name,sql.
enum class TreeCommandCode {
    None, // no command: no "=", an empty code or value, or a code nobody knows
    // database commands (the first letter of any other code decides)
    Doc,
    Exc,
    Nav,
    Opn,
    Qry,
    Sql,
    Xsc,
    // view commands
    Act,
    Chg,
    Exe,
    Pop,
    Shw,
    // column commands: the value is the column's position in the column list
    Add,
    Del,
    Ren,
    Vwr,
    // index and trigger lines
    Alter,
    Remove,
    ShowSql,
};

// A command text taken apart once, when the menu item is made.
struct TreeCommand {
    TreeCommandCode code = TreeCommandCode::None;
    QString value;      // CODE=value: the value
    QString kind, name; // index and trigger lines: INDEX or TRIGGER, the name
    QString sql;        // index and trigger lines: the stored statement
    int column = -1;    // column commands: the position, -1 when not a number
    QString text;       // the command text as the item carries it
    bool IsNone() const { return code == TreeCommandCode::None; }
};
TreeCommand ParseTreeCommand(const QString& text);

// One menu item. An item carries either a command or a named window action
// (for the items whose work is a window's, e.g. "refresh", "attach",
// "designer"). Separators have the caption "-". Items of windows still to
// come are disabled.
struct MenuModel {
    QString caption;
    TreeCommand command; // none for actions, titles, submenus and separators
    QString action;      // named window action; empty when none
    bool enabled = true;
    bool isDefault = false;
    bool isSubmenu = false; // a submenu even when it has no items
    bool byState = false;   // disabled for the state it is in, not for a window to come
    QList<MenuModel> children;
    bool IsSeparator() const { return caption == QLatin1String("-"); }
};

// Builders of menu items: a command item, an action item, a separator, a
// submenu.
MenuModel MenuCommand(const QString& caption, const QString& command, bool enabled = true);
MenuModel MenuAction(const QString& caption, const QString& action, bool enabled = true);
MenuModel MenuSeparator();
MenuModel MenuSubmenu(const QString& caption, QList<MenuModel> children);

// Named window actions of the menus.
namespace act {
inline const QString kRefresh = QStringLiteral("refresh");          // RefreshSchema
inline const QString kAttach = QStringLiteral("attach");            // attach another database
inline const QString kDesignerSql = QStringLiteral("designer-sql"); // CREATE SQL from the designer
inline const QString kDesignNew = QStringLiteral("design-new");     // new table in the designer
inline const QString kDesignBased =
    QStringLiteral("design-based"); // new table based on the selected
inline const QString kImportClipboard = QStringLiteral("import-clipboard");
inline const QString kImportSmall = QStringLiteral("import-small");
inline const QString kImportLarge = QStringLiteral("import-large");
inline const QString kCreateView = QStringLiteral("create-view"); // view from the current query
inline const QString kCreateTempView = QStringLiteral("create-temp-view"); // the same, temporary
inline const QString kDesigner = QStringLiteral("designer"); // edit the table in the designer
inline const QString kEditData = QStringLiteral("edit-data");
inline const QString kCompare = QStringLiteral("compare");
inline const QString kPopOut = QStringLiteral("pop-out");
inline const QString kQuickSql =
    QStringLiteral("quick-sql:"); // + CREATE TABLE, INSERT records, ...
inline const QString kExportScript = QStringLiteral("export-script");
inline const QString kCopyTable = QStringLiteral("copy-table");
inline const QString kRenameTable = QStringLiteral("rename-table");
inline const QString kEmptyTable = QStringLiteral("empty-table");
inline const QString kDropTable = QStringLiteral("drop-table");
inline const QString kNewIndex = QStringLiteral("new-index");
inline const QString kNewTrigger = QStringLiteral("new-trigger");
inline const QString kTableStructure = QStringLiteral("table-structure"); // shows that page
} // namespace act

// What the menus need of the workspace besides the node.
struct TreeMenuContext {
    QString dbFile;   // the workspace's database file
    QString curTable; // the selected table or view
    QString curSchema;
    int curTableType = 4; // 0 table, 1 view, 4 nothing
    QStringList columns;  // the current table's or view's columns (the column list)
    struct Object {
        QString name, sql;
    };
    QList<Object> indexes;  // the table page's index rows
    QList<Object> triggers; // the table page's trigger rows
    // Which windows exist yet: items of the others are disabled.
    bool designerReady = false, tableOpsReady = false, quickSqlReady = false, popOutReady = false,
         importReady = false, docsReady = false, scriptReady = false, attachReady = false,
         viewEditorReady = false, exportReady = false, compareReady = false, editorReady = false,
         fileImportReady = false;
};

// "" for main (or an empty schema), else schema + ".".
QString SchemaPrefix(const QString& schema);
// The schema prefix + the table quoted as a qualified name.
QString QualifiedTable(const QString& schema, const QString& table);

MenuModel DatabaseNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c);
MenuModel TableNodeMenu(const TDBObjRec& node, const TreeMenuContext& c);
MenuModel ViewNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c);
MenuModel ColumnNodeMenu(const TDBObjRec& node, const TreeMenuContext& c);
MenuModel IndexNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c);
MenuModel TriggerNodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c);
// The menu of a node by its kind.
MenuModel NodeMenu(TSQLite3Database& db, const TDBObjRec& node, const TreeMenuContext& c);

// Splits a command text at its first "=": false when "=" is missing or
// first, or when code or value is empty.
bool SplitCommand(const QString& text, QString& code, QString& value);
// The value of a view command ACT/POP/SHW: outside literals, quoted names and
// comments every four spaces become two, then every two a line break (CR LF).
QString ViewCommandText(const QString& value);

} // namespace sky
