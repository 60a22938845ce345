#include "workspace/DatabaseMenu.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/HeldFiles.h"
#include "support/TextUtil.h"
#include "workspace/SqlTemplate.h"

#include <QFile>
#include <sqlite3.h>

#include <QFileInfo>
#include <QLocale>

namespace sky {

namespace {

constexpr qsizetype kRecentDatabases = 20;
constexpr qsizetype kRecentExtensions = 24;

QString AsciiLettersAndDigits(const QString& s) {
    QString out;
    for (QChar c : s)
        if (c.unicode() < 128 && c.isLetterOrNumber()) out += c;
    return out;
}

MenuModel Default(MenuModel m) {
    m.isDefault = true;
    return m;
}

// An item usable in some states only (a table selected, say).
MenuModel ByState(MenuModel m) {
    m.byState = true;
    return m;
}

} // namespace

bool AttachFile(TSQLite3Database& db, const QString& file, const QString& identifier,
                QString& error) {
    std::unique_ptr<TSQLite3Statement> st = db.Prepare(QStringLiteral("ATTACH DATABASE ? AS ") +
                                                       QuoteIdent(identifier) + QLatin1Char(';'));
    if (!st) {
        error = db.LastError();
        return false;
    }
    st->BindText(1, file);
    const int rc = st->Step();
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) return true;
    db.CheckResult(rc);
    error = db.LastError();
    return false;
}

QString TableCreateSql(TSQLite3Database& db, const QString& table) {
    QString create;
    if (!db.QuerySingleValue(create, QStringLiteral("SELECT \"sql\" FROM \"sqlite_master\" WHERE "
                                                    "\"type\"='table' AND \"name\"=") +
                                         QuoteSqlString(table) + QLatin1Char(';')))
        return {};
    return TrimText(create).isEmpty() ? QString() : create;
}

namespace {

QString Canonical(const QString& file) {
    const QFileInfo fi(file);
    const QString c = fi.canonicalFilePath();
    return c.isEmpty() ? fi.absoluteFilePath() : c;
}

const QString kFolderRights =
    QStringLiteral("Error Saving Database - Please check folder access rights.");

} // namespace

bool ClearNewDatabaseTarget(TSQLite3Database& db, const QString& dbFile, const QString& target,
                            QString& status) {
    QStringList used{Canonical(dbFile)};
    for (const AttachedDb& a : AttachedDatabases(db))
        if (!a.file.isEmpty()) used << Canonical(a.file);
    if (used.contains(Canonical(target))) {
        status =
            QStringLiteral("Error: the chosen file is this Database or attached to it: ") + target;
        return false;
    }
    if (IsHeldDatabaseFile(target)) {
        status = HeldFileError(target);
        return false;
    }
    for (const QString& f : {target, target + QStringLiteral("-journal"),
                             target + QStringLiteral("-wal"), target + QStringLiteral("-shm")})
        if (QFileInfo::exists(f) && !QFile::remove(f)) {
            status = kFolderRights;
            return false;
        }
    return true;
}

bool CopyTableFrom(TSQLite3Database& target, const QString& oldFile, const QString& table,
                   const QString& create, QString& status) {
    QString error;
    if (!AttachFile(target, oldFile, QStringLiteral("PrevUsedDatabase"), error)) {
        status = QStringLiteral("Error linking to Previous Database - Please check folder access "
                                "rights.");
        return false;
    }
    const QString shown = QLatin1Char('"') + table + QLatin1Char('"');
    const QString q = QuoteIdent(table, false, true);
    if (!target.BeginTransaction() || !target.ExecuteList(create)) {
        status = QStringLiteral("Error Creating Table ") + shown + QStringLiteral(": ") +
                 target.LastError();
        if (target.TransactionOpen()) target.Rollback();
        return false;
    }
    if (!target.ExecuteList(QStringLiteral("INSERT INTO ") + q +
                            QStringLiteral(" SELECT * FROM \"PrevUsedDatabase\".") + q +
                            QStringLiteral(" WHERE 1;")) ||
        !target.Commit()) {
        status = QStringLiteral("Error Importing Table ") + shown + QStringLiteral(": ") +
                 target.LastError();
        if (target.TransactionOpen()) target.Rollback();
        return false;
    }
    return true;
}

QList<AttachedDb> AttachedDatabases(TSQLite3Database& db) {
    QList<AttachedDb> out;
    QList<QStringList> rows;
    if (!db.QueryTextRows(QStringLiteral("SELECT name, file FROM pragma_database_list WHERE name "
                                         "NOT IN ('main','temp') ORDER BY seq;"),
                          rows))
        return out;
    for (const QStringList& r : rows)
        if (r.size() >= 2) out << AttachedDb{r[0], r[1]};
    return out;
}

QStringList SchemaNames(TSQLite3Database& db) {
    QStringList names;
    QList<QStringList> rows;
    if (db.QueryTextRows(QStringLiteral("SELECT name FROM pragma_database_list ORDER BY seq;"),
                         rows))
        for (const QStringList& r : rows)
            if (!r.isEmpty()) names << r[0];
    return names;
}

bool SchemaNameTaken(const QStringList& schemaNames, const QString& name) {
    for (const QString& n : schemaNames)
        if (n.compare(name, Qt::CaseInsensitive) == 0) return true;
    return false;
}

QString ProposeAttachIdentifier(const QStringList& schemaNames, const QString& from) {
    // "DB" and a number, counted up from 2 (or from the number of `from`).
    int n = 2;
    if (from.startsWith(QLatin1String("DB"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int k = from.mid(2).toInt(&ok);
        if (ok && k >= 2) n = k;
    }
    while (SchemaNameTaken(schemaNames, QStringLiteral("DB") + QString::number(n)))
        ++n;
    return QStringLiteral("DB") + QString::number(n);
}

QString ProposeListedAttachName(const QString& file, const QStringList& schemaNames) {
    const QString base = AsciiLettersAndDigits(QFileInfo(file).completeBaseName().trimmed());
    if (base.isEmpty()) return ProposeAttachIdentifier(schemaNames);
    QString name = base;
    for (int n = 1; SchemaNameTaken(schemaNames, name); ++n)
        name = base + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    return name;
}

QString AttachShowSql(const QString& file, const QString& identifier) {
    // A "|" in the file or the name is text, not the template's marker.
    return QStringLiteral("ATTACH DATABASE ") + TemplateLiteral(QuoteSqlString(file)) +
           QStringLiteral(" AS |") + TemplateLiteral(QuoteIdent(identifier)) + QStringLiteral("|;");
}

QString LoadExtensionSql(const QString& library, qsizetype* caret) {
    const QString head = QStringLiteral("SELECT load_extension('") +
                         QString(library).replace(QLatin1Char('\''), QStringLiteral("''"));
    if (caret) *caret = head.size();
    return head + QStringLiteral("');");
}

ImportRoute RouteImport(qint64 size, int tag) {
    return tag == 0 && size <= kCsvImportLimit ? ImportRoute::Csv : ImportRoute::File;
}

QString ProposedImportTableName(const QString& file) {
    return AsciiLettersAndDigits(QFileInfo(file).completeBaseName()).toLower();
}

QString NewScriptText(const QDateTime& now, int variant) {
    const QString crlf = QStringLiteral("\r\n");
    return (variant == 0 ? QStringLiteral(" --  New Script - ")
                         : QStringLiteral(" -- New Script - ")) +
           QLocale::c().toString(now, QStringLiteral("yyyy-MM-dd hh:mm:ss")) + crlf + crlf +
           QStringLiteral("SELECT * FROM \"sqlite_master\"") + crlf + QStringLiteral("UNION ALL") +
           crlf + QStringLiteral("SELECT * FROM \"sqlite_temp_master\"") + crlf +
           QStringLiteral(";");
}

MenuModel RecentDatabasesMenu(const QStringList& files, const TreeMenuContext& c) {
    QList<MenuModel> items;
    const QString open = QFileInfo(c.dbFile).absoluteFilePath();
    for (qsizetype i = 0; i < files.size() && i < kRecentDatabases; ++i) {
        const QString& f = files[i];
        QList<MenuModel> sub;
        if (QFileInfo(f).absoluteFilePath() != open)
            sub << Default(MenuAction(QStringLiteral("Attach to the current Database..."),
                                      act::kAttachListed + f, c.attachReady));
        sub << MenuCommand(QStringLiteral("Show SQL to Attach Database"),
                           QStringLiteral("SQL=") + AttachShowSql(f, QStringLiteral("DB2")))
            << MenuSeparator()
            << MenuCommand(QStringLiteral("Open in Folder"), QStringLiteral("NAV=") + f)
            << MenuCommand(QStringLiteral("Open Database in its own Window"),
                           QStringLiteral("OPE=") + f)
            << MenuCommand(QStringLiteral("Open Database Script Editor"),
                           QStringLiteral("XSC=") + f, c.scriptReady)
            << MenuCommand(QStringLiteral("Show Schema Documentation"), QStringLiteral("DOC=") + f,
                           c.docsReady);
        MenuModel item = MenuSubmenu(f, sub);
        item.isDefault = i == 0;
        items << item;
    }
    MenuModel m = MenuSubmenu(QStringLiteral("Recent Databases"), items);
    m.enabled = !items.isEmpty();
    return m;
}

MenuModel AttachedDatabasesMenu(const QList<AttachedDb>& attached, const TreeMenuContext& c) {
    QList<MenuModel> items;
    for (const AttachedDb& a : attached) {
        const QString name = QuoteIdent(a.name);
        const QString shown = QFileInfo(a.file).fileName();
        QList<MenuModel> sub;
        sub << Default(
                   MenuCommand(QStringLiteral("Detach Database ") + a.name,
                               QStringLiteral("EXC=DETACH DATABASE ") + name + QLatin1Char(';')))
            << MenuCommand(QStringLiteral("Show Schema for ") + a.name,
                           QStringLiteral("QRY=SELECT * FROM ") + name +
                               QStringLiteral(".sqlite_master;"));
        // A temporary or in-memory database has no file to go to.
        const bool file = !a.file.isEmpty();
        sub << MenuCommand(QStringLiteral("Open in folder"), QStringLiteral("NAV=") + a.file, file)
            << MenuCommand(QStringLiteral("Open Database in its own Window"),
                           QStringLiteral("OPN=") + a.file, file)
            << MenuCommand(QStringLiteral("Open Database Script Editor"),
                           QStringLiteral("XSC=") + a.file, file && c.scriptReady)
            << MenuCommand(QStringLiteral("Show Schema Documentation"),
                           QStringLiteral("DOC=") + a.file, file && c.docsReady)
            << MenuSeparator()
            << MenuCommand(QStringLiteral("Show SQL to Attach this Database"),
                           QStringLiteral("SQL=") + AttachShowSql(a.file, a.name))
            << MenuCommand(QStringLiteral("Show SQL to Detach this Database"),
                           QStringLiteral("SQL=DETACH DATABASE |") + TemplateLiteral(name) +
                               QStringLiteral("|;"))
            << MenuCommand(QStringLiteral("Show SQL to view Schema"),
                           QStringLiteral("SQL=SELECT * FROM |") + TemplateLiteral(name) +
                               QStringLiteral("|.sqlite_master;"));
        items << MenuSubmenu(QStringLiteral("Database ") + a.name + QStringLiteral(" in ") + shown,
                             sub);
    }
    MenuModel m = MenuSubmenu(QStringLiteral("Attached Databases"), items);
    m.enabled = !items.isEmpty();
    return m;
}

MenuModel RecentExtensionsMenu(const QStringList& extensions) {
    QList<MenuModel> items;
    for (qsizetype i = 0; i < extensions.size() && i < kRecentExtensions; ++i) {
        const QString& lib = extensions[i];
        QList<MenuModel> sub;
        sub << MenuAction(QStringLiteral("Load this Extension now"),
                          act::kLoadListedExtension + lib)
            << Default(MenuAction(QStringLiteral("Show SQL to Load this Extension"),
                                  act::kListedExtensionSql + lib))
            << MenuSeparator()
            << MenuCommand(QStringLiteral("Open in Folder"), QStringLiteral("NAV=") + lib);
        MenuModel item = MenuSubmenu(lib, sub);
        item.isDefault = i == 0;
        item.action = act::kLoadListedExtension + lib; // a click on the item loads it
        items << item;
    }
    return MenuSubmenu(QStringLiteral("Recent Extensions"), items);
}

MenuModel DatabaseMenu(const TreeMenuContext& c, const DatabaseMenuLists& lists) {
    // A table of main: the copies and exports read main's catalogue.
    const bool table = c.curTableType == 0 && !c.curTable.isEmpty() && IsMainSchema(c.curSchema);
    QList<MenuModel> extensions{
        MenuAction(QStringLiteral("Load an external Extension..."), act::kLoadExtension),
        MenuAction(QStringLiteral("Show Load Extension SQL"), act::kShowExtensionSql)};
    if (!lists.extensions.isEmpty()) extensions << RecentExtensionsMenu(lists.extensions);
    QList<MenuModel> items{
        MenuAction(QStringLiteral("Re-Open (Refresh Schema)"), act::kRefresh),
        MenuAction(QStringLiteral("Open another Database..."), act::kOpenAnother),
        RecentDatabasesMenu(lists.files, c),
        MenuSubmenu(QStringLiteral("Attach"),
                    {MenuAction(QStringLiteral("Attach from Database File..."), act::kAttachFile,
                                c.attachReady),
                     MenuAction(QStringLiteral("Attach In-Memory Database"), act::kAttachMemory,
                                c.attachReady),
                     MenuAction(QStringLiteral("Attach Temporary Database"), act::kAttachTemporary,
                                c.attachReady)}),
        AttachedDatabasesMenu(lists.attached, c),
        MenuSubmenu(QStringLiteral("Loadable Extensions"), extensions),
        MenuAction(QStringLiteral("Save Database As..."), act::kSaveAs),
        MenuAction(QStringLiteral("Export Database to Script..."), act::kExportDatabase,
                   c.exportReady),
        MenuSubmenu(
            QStringLiteral("Script Editor"),
            {MenuAction(QStringLiteral("Open  Previous"), act::kScriptPrevious, c.scriptReady),
             MenuAction(QStringLiteral("New empty Script"), act::kScriptNew, c.scriptReady),
             MenuAction(QStringLiteral("from Clipboard  ( Copied text )"), act::kScriptClipboard,
                        c.scriptReady),
             MenuAction(QStringLiteral("Open from File..."), act::kScriptFile, c.scriptReady)}),
        MenuAction(QStringLiteral("Database Schema"), act::kSchemaListing),
        MenuAction(QStringLiteral("Check Schema"), act::kCheckSchema, c.docsReady),
        MenuAction(QStringLiteral("Schema Documentation"), act::kSchemaDocumentation, c.docsReady),
        MenuSeparator(),
        MenuAction(QStringLiteral("Analyze All Tables..."), act::kAnalyzeAll),
        MenuAction(QStringLiteral("Re-shape All Indices..."), act::kReindexAll),
        MenuAction(QStringLiteral("Rebuild Database File..."), act::kVacuum),
        MenuAction(QStringLiteral("Release non-essential Memory"), act::kReleaseMemory),
        MenuSeparator(),
        MenuSubmenu(
            QStringLiteral("Add New Table"),
            {MenuAction(QStringLiteral("Empty Table ( Show SQL from Table-Designer )"),
                        act::kDesignerSql, c.designerReady),
             ByState(MenuAction(QStringLiteral("from the current Table ( using it as a Template )"),
                                act::kDesignBased, c.designerReady && table)),
             MenuAction(QStringLiteral("from Clipboard ( Auto Layout / Custom constraints / "
                                       "Pasted data )"),
                        act::kImportClipboard, c.importReady),
             MenuAction(
                 QStringLiteral("from small file ( Auto Layout / Custom constraints / <5MB )"),
                 act::kImportSmall, c.importReady),
             MenuAction(
                 QStringLiteral("from large file ( Manual columns / Unconstrained / Any Size )"),
                 act::kImportLarge, c.fileImportReady)}),
        MenuSubmenu(
            QStringLiteral("Create New Database"),
            {MenuAction(QStringLiteral("as new Empty Database"), act::kNewEmptyDatabase),
             MenuAction(QStringLiteral("containing the selected Table"), act::kNewFromTable, table),
             MenuAction(QStringLiteral("as a Copy of this Database"), act::kSaveAs)}),
        MenuSubmenu(
            QStringLiteral("Database Backup & Restore"),
            {MenuAction(QStringLiteral("Quick Backup"), act::kQuickBackup),
             MenuAction(QStringLiteral("Full Backup (to specific file)..."), act::kFullBackup),
             MenuAction(QStringLiteral("Quick Restore (from last Quick Backup)"),
                        act::kQuickRestore),
             MenuAction(QStringLiteral("Full Restore (from specific file)..."),
                        act::kFullRestore)}),
        MenuSeparator(),
        MenuAction(QStringLiteral("Sort Tables by"), act::kSortTables),
        MenuSeparator(),
        MenuAction(QStringLiteral("Show Main Project Databases      [ Ctrl + L ]"),
                   act::kShowOverview),
        MenuAction(QStringLiteral("Open in folder"), act::kOpenInFolder),
        MenuSeparator(),
        MenuAction(QStringLiteral("Close"), act::kClose)};
    return MenuSubmenu(QStringLiteral("Database      "), items);
}

} // namespace sky
