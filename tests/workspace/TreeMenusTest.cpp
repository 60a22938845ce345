// Context menus of the schema tree: captions, command texts and readiness,
// read against real database files.
#include "workspace/TreeMenus.h"
#include "common/TempDb.h"
#include "engine/SqlLiteral.h"
#include "support/Csv.h"

namespace sky {
namespace {

QStringList Captions(const MenuModel& m) {
    QStringList r;
    for (const MenuModel& i : m.children)
        r << i.caption;
    return r;
}

const MenuModel& Item(const MenuModel& m, const QString& caption) {
    static const MenuModel none;
    for (const MenuModel& i : m.children)
        if (i.caption == caption) return i;
    ADD_FAILURE() << "no item " << caption.toStdString();
    return none;
}

TDBObjRec Node(int kind, TDBObjKind objKind, const QString& name, const QString& schema,
               const QString& table = QString()) {
    TDBObjRec r;
    r.NodeKind = TreeNodeKind(kind);
    r.dbObjKind = objKind;
    r.sName = name;
    r.sDataBase = schema;
    r.sTableName = table;
    return r;
}

class TreeMenusTest : public test::TempDbTest {};

TEST_F(TreeMenusTest, DatabaseMenusOfMainTempAndAttachedSchemas) {
    const QString auxFile = dir.filePath(QStringLiteral("aux's.db"));
    Run(QStringLiteral("CREATE TABLE t(a); ATTACH DATABASE ") + QuoteSqlString(auxFile) +
        QStringLiteral(" AS aux; ATTACH DATABASE ") +
        QuoteSqlString(dir.filePath(QStringLiteral("my.db"))) +
        QStringLiteral(" AS \"My Db\"; ATTACH ':memory:' AS mem;"));
    const QString auxPath = Value(QStringLiteral("SELECT file FROM pragma_database_list "
                                                 "WHERE name = 'aux';"));
    ASSERT_TRUE(auxPath.endsWith(QStringLiteral("aux's.db")));
    TreeMenuContext c;
    c.dbFile = path;
    c.curTable = QStringLiteral("t");
    c.curTableType = 0;

    const MenuModel mainMenu =
        DatabaseNodeMenu(db, Node(0, okTable, QStringLiteral("main"), {}), c);
    EXPECT_EQ(
        Captions(mainMenu),
        (QStringList{"[ Main Schema in test.db ]", "Re-Open (Refresh Schema)", "Create new Table",
                     "Create View  (from current Query)...", "-", "Show Schema for main",
                     "Open in folder", "Open Database Script Editor", "Show Schema Documentation",
                     "Attach another Database...", "-", "Show SQL to view this Schema"}));
    EXPECT_EQ(Captions(Item(mainMenu, QStringLiteral("Create new Table"))),
              (QStringList{"using Designer (Show SQL only)...", "using Table-Designer...",
                           "based on \"t\"...", "from Clipboard...",
                           "from data in small file ( < 5MB )...", "from data in large file..."}));
    EXPECT_EQ(Item(mainMenu, QStringLiteral("Show Schema for main")).command.text,
              QStringLiteral("QRY=SELECT * FROM sqlite_master;"));
    EXPECT_EQ(Item(mainMenu, QStringLiteral("Open in folder")).command.text, "NAV=" + path);
    EXPECT_EQ(Item(mainMenu, QStringLiteral("Show SQL to view this Schema")).command.text,
              QStringLiteral("SQL=SELECT * FROM sqlite_master|;"));
    // Without the windows the items open, those items are disabled.
    for (const char* off : {"Create View  (from current Query)...", "Open Database Script Editor",
                            "Show Schema Documentation", "Attach another Database..."})
        EXPECT_FALSE(Item(mainMenu, QString::fromUtf8(off)).enabled) << off;
    for (const MenuModel& i : Item(mainMenu, QStringLiteral("Create new Table")).children)
        EXPECT_FALSE(i.enabled) << i.caption.toStdString();
    EXPECT_TRUE(Item(mainMenu, QStringLiteral("Open in folder")).enabled);

    const MenuModel temp = DatabaseNodeMenu(db, Node(0, okTable, QStringLiteral("temp"), {}), c);
    EXPECT_EQ(Captions(temp),
              (QStringList{"[ TEMP Schema in test.db ]", "Re-Open (Refresh Schema)",
                           "Create View  (from current Query)...", "-", "Show Schema for temp",
                           "Attach another Database...", "-", "Show SQL to view this Schema"}));
    EXPECT_EQ(Item(temp, QStringLiteral("Create View  (from current Query)...")).action,
              act::kCreateTempView);
    EXPECT_EQ(Item(temp, QStringLiteral("Show Schema for temp")).command.text,
              QStringLiteral("QRY=SELECT * FROM sqlite_temp_master;"));
    EXPECT_EQ(Item(temp, QStringLiteral("Show SQL to view this Schema")).command.text,
              QStringLiteral("SQL=SELECT * FROM sqlite_temp_master|;"));

    const MenuModel aux = DatabaseNodeMenu(db, Node(0, okTable, QStringLiteral("aux"), {}), c);
    EXPECT_EQ(
        Captions(aux),
        (QStringList{"[ aux in aux's.db ]", "Re-Open (Refresh Schema)",
                     "Show Create Table SQL from Designer...", "-", "Detach Database aux",
                     "Show Schema for aux", "Open in folder", "Open Database in its own Window",
                     "Open Database Script Editor", "Show Schema Documentation",
                     "Attach another Database...", "-", "Show SQL to Attach this Database",
                     "Show SQL to Detach this Database", "Show SQL to view this Schema"}));
    const QString quotedPath = QString(auxPath).replace(QStringLiteral("'"), QStringLiteral("''"));
    const struct {
        const char* caption;
        QString command;
    } auxCommands[] = {
        {"Detach Database aux", "EXC=DETACH DATABASE aux;"},
        {"Show Schema for aux", "QRY=SELECT * FROM aux.sqlite_master;"},
        {"Open Database in its own Window", "OPN=" + auxPath},
        {"Show SQL to Attach this Database", "SQL=ATTACH DATABASE '" + quotedPath + "' AS |aux|;"},
        {"Show SQL to Detach this Database", "SQL=DETACH DATABASE |aux|;"},
        {"Show SQL to view this Schema", "SQL=SELECT * FROM |aux|.sqlite_master;"},
    };
    for (const auto& e : auxCommands)
        EXPECT_EQ(Item(aux, QString::fromUtf8(e.caption)).command.text, e.command) << e.caption;

    // A schema name that needs quotes is quoted wherever it is written into SQL.
    const MenuModel my = DatabaseNodeMenu(db, Node(0, okTable, QStringLiteral("My Db"), {}), c);
    EXPECT_EQ(Item(my, QStringLiteral("Detach Database my db")).command.text,
              QStringLiteral("EXC=DETACH DATABASE \"my db\";"));
    EXPECT_EQ(Item(my, QStringLiteral("Show SQL to view this Schema")).command.text,
              QStringLiteral("SQL=SELECT * FROM |\"my db\"|.sqlite_master;"));

    // Without a file the file-dependent items are left out.
    EXPECT_EQ(Captions(DatabaseNodeMenu(db, Node(0, okTable, QStringLiteral("mem"), {}), c)),
              (QStringList{"[ mem in  ]", "Re-Open (Refresh Schema)",
                           "Show Create Table SQL from Designer...", "-", "Show Schema for mem",
                           "Attach another Database...", "-", "Show SQL to Detach this Database",
                           "Show SQL to view this Schema"}));
}

TEST(TreeMenus, TableMenuColumnFunctionsStopAt42) {
    QStringList all;
    for (int i = 0; i < 50; ++i)
        all << (i == 1 ? QStringLiteral("my col") : QStringLiteral("c%1").arg(i));
    TreeMenuContext c;
    c.columns = all;
    const TDBObjRec node = Node(1, okTable, QStringLiteral("t"), QStringLiteral("aux"));
    const MenuModel m = TableNodeMenu(node, c);
    EXPECT_EQ(
        Captions(m),
        (QStringList{"[aux.t]", "Edit Table Layout...", "Edit Table Data",
                     "Design New Table (based on this)...", "Compare to another Table...",
                     "Show in Pop-Out", "Show SQL Query", "Export Table to Script...",
                     "Copy...               (Duplicate)", "Rename...",
                     "Clear...               (Empty Table)", "Delete...             (Drop Table)",
                     "Column Functions", "Index Functions", "Trigger Functions", "Design / Edit",
                     "View Table Structure      [ Ctrl + T ]"}));
    EXPECT_TRUE(m.children.first().isDefault);
    EXPECT_TRUE(Item(m, QStringLiteral("View Table Structure      [ Ctrl + T ]")).enabled);
    EXPECT_FALSE(Item(m, QStringLiteral("Copy...               (Duplicate)")).enabled);

    const MenuModel& columns = Item(m, QStringLiteral("Column Functions"));
    ASSERT_EQ(columns.children.size(), 43);
    EXPECT_EQ(columns.children.last().caption,
              QStringLiteral("View / Edit All    (Some columns were omitted here)"));
    EXPECT_EQ(columns.children.last().action, act::kDesigner);
    EXPECT_EQ(columns.children[41].caption, QStringLiteral("c41"));
    const MenuModel& col = columns.children[1];
    EXPECT_EQ(
        Captions(col),
        (QStringList{"Add a New Column after this one...", "Rename Column...   ",
                     "Remove Column...   ", "View references    ", "-",
                     "Show SQL to SELECT this Column", "Show SELECT filtered on my col",
                     "Show SQL to UPDATE Column my col", "Show SQL to UPDATE from Clipboard"}));
    const QStringList commands{"ADD=1",
                               "REN=1",
                               "DEL=1",
                               "VWR=1",
                               "",
                               "SQL=SELECT \"my col\" FROM aux.t WHERE #PKI# = |;",
                               "SQL=SELECT * FROM aux.t WHERE \"my col\" = |;",
                               "SQL=UPDATE aux.t SET \"my col\" = | WHERE \"my col\" = ;",
                               "SQL=UPDATE aux.t SET \"my col\" = #CPB# WHERE \"my col\" = |;"};
    for (qsizetype i = 0; i < commands.size(); ++i)
        EXPECT_EQ(col.children[i].command.text, commands[i]) << i;
    EXPECT_FALSE(col.children[0].enabled);
    EXPECT_TRUE(col.children[5].enabled);

    const struct { int columns, items; } bounds[] = {{0, 0}, {41, 41}, {42, 42}, {43, 43}};
    for (const auto& b : bounds) {
        c.columns = all.mid(0, b.columns);
        const MenuModel t = TableNodeMenu(node, c);
        EXPECT_EQ(Item(t, QStringLiteral("Column Functions")).children.size(), b.items)
            << b.columns;
    }
}

TEST(TreeMenus, TableMenuIndexAndTriggerRowsAsCsvLines) {
    TreeMenuContext c;
    c.tableOpsReady = true;
    const QString sql = QStringLiteral("CREATE INDEX ix ON t(a, \"b\")");
    c.indexes = {{QStringLiteral("ix"), sql}, {QStringLiteral("sqlite_autoindex_t_1"), {}}};
    c.triggers = {{QStringLiteral("tr"), {}}};
    const MenuModel m = TableNodeMenu(Node(1, okTable, QStringLiteral("t"), {}), c);
    const MenuModel& idx = Item(m, QStringLiteral("Index Functions"));
    EXPECT_EQ(Captions(idx),
              (QStringList{"Create new Index...", "\"ix\"", "\"sqlite_autoindex_t_1\""}));
    EXPECT_TRUE(idx.children[0].isDefault);
    const MenuModel& ix = idx.children[1];
    EXPECT_EQ(Captions(ix), (QStringList{"Edit Index... ", "Drop Index... ", "Show SQL "}));
    EXPECT_EQ(ix.children[0].command.text,
              QStringLiteral("ALTER,INDEX,ix,\"CREATE INDEX ix ON t(a, \"\"b\"\")\""));
    QStringList fields;
    SplitCSVLine(ix.children[2].command.text, fields, QLatin1Char(','));
    EXPECT_EQ(fields, (QStringList{"SHOWSQL", "INDEX", "ix", sql}));
    // An index without SQL (automatic) can only be dropped; a trigger row
    // without SQL can be edited and dropped.
    EXPECT_EQ(Captions(idx.children[2]), QStringList{"Drop Index... "});
    EXPECT_EQ(idx.children[2].children[0].command.text,
              QStringLiteral("REMOVE,INDEX,sqlite_autoindex_t_1,"));
    EXPECT_EQ(Captions(Item(m, QStringLiteral("Trigger Functions")).children[1]),
              (QStringList{"Edit Trigger... ", "Drop Trigger... "}));
}

TEST_F(TreeMenusTest, IndexAndTriggerNodeMenusReadTheStoredSql) {
    Run(QStringLiteral("CREATE TABLE t(a, b UNIQUE); CREATE INDEX ix ON t(a, \"b\");"));
    Run(QStringLiteral(
        "CREATE TRIGGER tr AFTER INSERT ON t BEGIN UPDATE t SET b = 'x,\"y\"'; END;"));
    Run(QStringLiteral("CREATE TEMP TRIGGER tt AFTER DELETE ON main.t BEGIN SELECT 1; END;"));
    TreeMenuContext c;
    const MenuModel ix = IndexNodeMenu(db, Node(3, okIndex, QStringLiteral("ix"), {}), c);
    EXPECT_EQ(Captions(ix), (QStringList{"[ ix ]", "-", "Create New Index...", "Edit Index... ",
                                         "Drop Index... ", "Show SQL to create ix"}));
    EXPECT_TRUE(ix.children[0].isDefault);
    EXPECT_EQ(ix.children[4].command.text,
              QStringLiteral("REMOVE,INDEX,ix,\"CREATE INDEX ix ON t(a, \"\"b\"\")\""));
    const MenuModel autoIdx =
        NodeMenu(db, Node(3, okIndex, QStringLiteral("sqlite_autoindex_t_1"), {}), c);
    EXPECT_EQ(Captions(autoIdx).mid(3), (QStringList{"Edit Index... ", "Drop Index... "}));
    EXPECT_EQ(autoIdx.children[3].command.text,
              QStringLiteral("ALTER,INDEX,sqlite_autoindex_t_1,"));
    // A failing lookup leaves out the items that need the SQL.
    EXPECT_EQ(Captions(IndexNodeMenu(db, Node(3, okIndex, "ix", QStringLiteral("nosuch")), c)),
              (QStringList{"[ ix ]", "-", "Create New Index..."}));

    const MenuModel tr = NodeMenu(db, Node(3, okTrigger, QStringLiteral("tr"), {}), c);
    EXPECT_EQ(Captions(tr), (QStringList{"[ tr ]", "-", "Create Trigger...", "Edit Trigger... ",
                                         "Drop Trigger... ", "Show SQL for \"tr\""}));
    EXPECT_EQ(tr.children[5].command.text,
              QStringLiteral("SHOWSQL,TRIGGER,tr,\"CREATE TRIGGER tr AFTER INSERT ON t BEGIN "
                             "UPDATE t SET b = 'x,\"\"y\"\"'; END\""));
    // A temporary trigger lives in the temp schema although its table is in main.
    TDBObjRec tt = Node(3, okTrigger, QStringLiteral("tt"), QStringLiteral("main"));
    tt.bNULL = true;
    EXPECT_TRUE(TriggerNodeMenu(db, tt, c).children[3].command.text.startsWith(
        QStringLiteral("ALTER,TRIGGER,tt,")));
    EXPECT_EQ(TriggerNodeMenu(db, Node(3, okTrigger, "gone", {}), c).children.size(), 3);
}

TEST_F(TreeMenusTest, ViewMenuCommandsAndFilterQuotes) {
    QString wide = QStringLiteral("CREATE VIEW wide AS SELECT 0 AS c0");
    for (int i = 1; i < 43; ++i)
        wide += QStringLiteral(", %1 AS c%1").arg(i);
    Run(QStringLiteral("CREATE TABLE t(n INTEGER, s TEXT, r REAL); INSERT INTO t VALUES (1, 'a', "
                       "2.5); CREATE VIEW \"v w\" AS SELECT n, s, r FROM t WHERE n > 0; "
                       "CREATE TEMP VIEW tv AS SELECT 1 AS x; ") +
        wide + QLatin1Char(';'));
    TreeMenuContext c;
    const MenuModel v = NodeMenu(db, Node(1, okView, QStringLiteral("v w"), "main"), c);
    EXPECT_EQ(Captions(v),
              (QStringList{"[ v w ]", "Edit View...        ", "-", "Show View Result-set",
                           "Open View in Pop-Out", "Show SELECT from View", "Remove View (Drop)...",
                           "-", "Show SELECT SQL", "Show CREATE VIEW SQL", "Column Functions", "-",
                           "View Structure   [ Ctrl + T ]"}));
    const QStringList commands{"CHG=v w",
                               "",
                               "ACT=SELECT * FROM \"v w\";",
                               "POP=SELECT * FROM \"v w\";",
                               "ACT=SELECT n, s, r FROM t WHERE n > 0;",
                               "EXE=DROP VIEW IF EXISTS \"v w\";",
                               "",
                               "SHW=SELECT * FROM \"v w\"|;"};
    for (qsizetype i = 0; i < commands.size(); ++i)
        EXPECT_EQ(v.children[i + 1].command.text, commands[i]) << i;
    EXPECT_TRUE(v.children[4].isDefault);
    EXPECT_FALSE(v.children[4].enabled); // pop-out window not there yet
    EXPECT_TRUE(
        v.children[9].command.text.startsWith(QStringLiteral("SHW=CREATE VIEW \"v w\" AS")));

    const MenuModel& cols = Item(v, QStringLiteral("Column Functions"));
    ASSERT_EQ(Captions(cols), (QStringList{"n", "s", "r"}));
    // Text (and numeric) affinities quote the filter value.
    EXPECT_EQ(cols.children[0].children[1].command.text,
              QStringLiteral("SHW=SELECT * FROM \"v w\" WHERE n = |;"));
    EXPECT_EQ(cols.children[1].children[1].command.text,
              QStringLiteral("SHW=SELECT * FROM \"v w\" WHERE s = '|';"));
    EXPECT_EQ(cols.children[2].children[1].command.text,
              QStringLiteral("SHW=SELECT * FROM \"v w\" WHERE r = |;"));
    EXPECT_EQ(Captions(cols.children[1]),
              (QStringList{"Show SQL to SELECT s", "Show SELECT filtered on s",
                           "Show SELECT ordered by \"s\""}));
    EXPECT_EQ(cols.children[1].children[2].command.text,
              QStringLiteral("SHW=SELECT * FROM \"v w\"\r\n WHERE |\r\n ORDER BY s\r\n;"));

    const MenuModel tv = ViewNodeMenu(db, Node(1, okView, QStringLiteral("tv"), "temp"), c);
    EXPECT_EQ(tv.children[3].command.text, QStringLiteral("ACT=SELECT * FROM temp.tv;"));
    EXPECT_TRUE(
        tv.children[9].command.text.startsWith(QStringLiteral("SHW=CREATE TEMPORARY VIEW tv AS")));
    const MenuModel w = ViewNodeMenu(db, Node(1, okView, QStringLiteral("wide"), {}), c);
    const MenuModel& wideCols = Item(w, QStringLiteral("Column Functions"));
    ASSERT_EQ(wideCols.children.size(), 43);
    EXPECT_EQ(wideCols.children.last().caption,
              QStringLiteral("Design / Edit...  (Some columns omitted here)"));
    EXPECT_EQ(Captions(ViewNodeMenu(db, Node(1, okView, QStringLiteral("nope"), {}), c)),
              (QStringList{"[ nope ]", "View Structure   [ Ctrl + T ]"}));
}

TEST(TreeMenus, ColumnNodeMenuOfTableAndViewColumns) {
    TreeMenuContext c;
    c.curTable = QStringLiteral("t");
    c.curTableType = 0;
    c.columns = QStringList{"id", "qty", "label"};
    TDBObjRec qty = Node(2, okColumn, QStringLiteral("qty"), "main", QStringLiteral("t"));
    qty.sType = qty.sAffinity = QStringLiteral("INTEGER");
    qty.sDefault = QStringLiteral("0");
    const MenuModel m = ColumnNodeMenu(qty, c);
    EXPECT_EQ(Captions(m),
              (QStringList{"[ qty  INTEGER ]", "-", "Add a New Column after \"qty\"...",
                           "Rename Column \"qty\"...   ", "Remove Column \"qty\"...   ", "-",
                           "Show SQL to SELECT this Column", "Show SELECT filtered on qty",
                           "Show SQL to UPDATE Column qty", "Show UPDATE for value from Clipboard",
                           "-", "Show references to \"qty\"", "Edit / Alter in designer"}));
    EXPECT_TRUE(m.children[0].isDefault);
    const QStringList commands{"ADD=1",
                               "REN=1",
                               "DEL=1",
                               "",
                               "SQL=SELECT qty FROM t WHERE #PKI# = |;",
                               "SQL=SELECT * FROM t WHERE qty = |;",
                               "SQL=UPDATE t SET qty = |0| WHERE qty = ;",
                               "SQL=UPDATE t SET qty = #CPB# WHERE qty = |;",
                               "",
                               "VWR=1"};
    for (qsizetype i = 0; i < commands.size(); ++i)
        EXPECT_EQ(m.children[i + 2].command.text, commands[i]) << i;

    // The filter and update values are quoted for text and numeric affinities.
    TDBObjRec label = Node(2, okColumn, QStringLiteral("label"), {}, QStringLiteral("t"));
    label.sDefault = QStringLiteral("x");
    const struct {
        const char* affinity;
        QString filter, update;
    } quotes[] = {
        {"TEXT", "SQL=SELECT * FROM t WHERE label = '|';",
         "SQL=UPDATE t SET label = '|x|' WHERE label = '';"},
        {"NUMERIC", "SQL=SELECT * FROM t WHERE label = '|';",
         "SQL=UPDATE t SET label = '|x|' WHERE label = '';"},
        {"REAL", "SQL=SELECT * FROM t WHERE label = |;",
         "SQL=UPDATE t SET label = |x| WHERE label = ;"},
        {"BLOB", "SQL=SELECT * FROM t WHERE label = |;",
         "SQL=UPDATE t SET label = |x| WHERE label = ;"},
    };
    for (const auto& e : quotes) {
        label.sType = label.sAffinity = QString::fromUtf8(e.affinity);
        const MenuModel lm = ColumnNodeMenu(label, c);
        EXPECT_EQ(Item(lm, QStringLiteral("Show SELECT filtered on label")).command.text, e.filter)
            << e.affinity;
        EXPECT_EQ(Item(lm, QStringLiteral("Show SQL to UPDATE Column label")).command.text,
                  e.update)
            << e.affinity;
    }

    // A column of another table gets only its title and the designer item.
    qty.sTableName = QStringLiteral("other");
    EXPECT_EQ(Captions(ColumnNodeMenu(qty, c)),
              (QStringList{"[ qty  INTEGER ]", "-", "Edit / Alter in designer"}));
    // A view column offers the SELECT items only.
    c.curTable = QStringLiteral("v");
    c.curTableType = 1;
    c.columns = QStringList{"x"};
    TDBObjRec x = Node(2, okColumn, QStringLiteral("x"), {}, QStringLiteral("v"));
    x.sType = x.sAffinity = QStringLiteral("TEXT");
    EXPECT_EQ(Captions(ColumnNodeMenu(x, c)),
              (QStringList{"[ x  TEXT ]", "-", "Show SQL to SELECT this Column",
                           "Show SELECT filtered on x", "Edit / Alter in designer"}));
}

TEST(TreeMenus, SplitCommandAtTheFirstEquals) {
    const struct {
        const char* text;
        bool ok;
        const char *code, *value;
    } cases[] = {
        {"=x", false, "", ""},       {"A=", false, "A", ""},
        {"noequals", false, "", ""}, {"", false, "", ""},
        {"A=b=c", true, "A", "b=c"}, {"QRY=SELECT 1;", true, "QRY", "SELECT 1;"},
    };
    for (const auto& e : cases) {
        QString code, value;
        EXPECT_EQ(SplitCommand(QString::fromUtf8(e.text), code, value), e.ok) << e.text;
        if (e.ok) {
            EXPECT_EQ(code, QString::fromUtf8(e.code)) << e.text;
            EXPECT_EQ(value, QString::fromUtf8(e.value)) << e.text;
        }
    }
}

TEST(TreeMenus, CommandTextsAreTakenApartOnce) {
    using Code = TreeCommandCode;
    const struct {
        const char* text;
        Code code;
        const char* value;
        int column;
    } cases[] = {
        {"QRY=SELECT 1;", Code::Qry, "SELECT 1;", -1},
        {"SQL=a=b", Code::Sql, "a=b", -1},
        {"EXC=DETACH x;", Code::Exc, "DETACH x;", -1},
        {"NAV=/x.db", Code::Nav, "/x.db", -1},
        {"OPN=/x.db", Code::Opn, "/x.db", -1},
        {"DOC=/x.db", Code::Doc, "/x.db", -1},
        {"XSC=/x.db", Code::Xsc, "/x.db", -1},
        {"QUERY=SELECT 2;", Code::Qry, "SELECT 2;", -1}, // the first letter decides
        {"ACT=SELECT 1;", Code::Act, "SELECT 1;", -1},
        {"CHG=v", Code::Chg, "v", -1},
        {"EXE=DROP VIEW v;", Code::Exe, "DROP VIEW v;", -1},
        {"POP=SELECT 1;", Code::Pop, "SELECT 1;", -1},
        {"SHW=SELECT 1|;", Code::Shw, "SELECT 1|;", -1},
        {"ADD=3", Code::Add, "3", 3},
        {"DEL=0", Code::Del, "0", 0},
        {"REN=x", Code::Ren, "x", -1},
        {"VWR=-2", Code::Vwr, "-2", -1},
        {"ZZZ=1", Code::None, "1", -1},
        {"=x", Code::None, "", -1},
        {"SQL=", Code::None, "", -1},
        {"noequals", Code::None, "", -1},
    };
    for (const auto& e : cases) {
        const TreeCommand c = ParseTreeCommand(QString::fromUtf8(e.text));
        EXPECT_EQ(c.code, e.code) << e.text;
        EXPECT_EQ(c.text, QString::fromUtf8(e.text));
        if (e.code != Code::None) {
            EXPECT_EQ(c.value, QString::fromUtf8(e.value)) << e.text;
        }
        EXPECT_EQ(c.column, e.column) << e.text;
    }
    // Index and trigger lines: verb, kind, name and the statement as CSV fields.
    const QString sql = QStringLiteral("CREATE INDEX \"i,x\" ON t(a, \"b\")");
    const TreeCommand show = ParseTreeCommand(JoinCSVLine(
        {QStringLiteral("SHOWSQL"), QStringLiteral("INDEX"), "i,x", sql}, QLatin1Char(',')));
    EXPECT_EQ(show.code, Code::ShowSql);
    EXPECT_EQ(show.kind, "INDEX");
    EXPECT_EQ(show.name, "i,x");
    EXPECT_EQ(show.sql, sql);
    EXPECT_EQ(ParseTreeCommand("ALTER,TRIGGER,tr,").code, Code::Alter);
    EXPECT_EQ(ParseTreeCommand("REMOVE,INDEX,ix,").code, Code::Remove);
}

TEST(TreeMenus, ViewCommandTextBreaksLinesOutsideLiterals) {
    const struct {
        const char *value, *expected;
    } cases[] = {
        {"SELECT a,  b", "SELECT a,\r\nb"},
        {"SELECT *    FROM t", "SELECT *\r\nFROM t"},
        {"a   b", "a\r\n b"},
        {"a      b", "a\r\n\r\nb"},
        {"SELECT 'a  b', \"x  y\", [p  q], `r  s`  FROM t",
         "SELECT 'a  b', \"x  y\", [p  q], `r  s`\r\nFROM t"},
        {"WHERE s = 'open  end", "WHERE s = 'open  end"},
        {"SELECT 1  -- a  b", "SELECT 1\r\n-- a  b"},
        {"SELECT 1 ", "SELECT 1 "},
    };
    for (const auto& e : cases)
        EXPECT_EQ(ViewCommandText(QString::fromUtf8(e.value)), QString::fromUtf8(e.expected))
            << e.value;
}

TEST(TreeMenus, SchemaPrefixAndQualifiedTable) {
    const struct {
        const char *schema, *table, *expected;
    } cases[] = {
        {"", "t", "t"},
        {"main", "t", "t"},
        {" MAIN ", "t", "t"},
        {"temp", "t", "temp.t"},
        {"TEMP", "t", "temp.t"},
        {"aux", "my t", "aux.\"my t\""},
        {"my db", "t", "\"my db\".t"},
        {"aux", " t", "aux.\" t\""},
    };
    for (const auto& e : cases)
        EXPECT_EQ(QualifiedTable(QString::fromUtf8(e.schema), QString::fromUtf8(e.table)),
                  QString::fromUtf8(e.expected))
            << e.schema << "/" << e.table;
}

} // namespace
} // namespace sky
