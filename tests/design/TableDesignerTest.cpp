// The table designer's controller against real databases: the default key
// column, column edits (types and lengths, the single primary key,
// duplicates, removal), the sheet's marks, the dependants fix, the
// rolled-back schema test with foreign keys on, Accept's name questions and
// the script view's line map.
#include "design/TableDesigner.h"
#include "common/FaultInject.h"
#include "common/ScriptedPrompter.h"
#include "common/TempDb.h"

#include <functional>
#include <gtest/gtest.h>

namespace sky::test {
namespace {

// Dialogs that accept (or refuse) what they are given, counting the calls.
class ScriptedDialogs : public DesignerDialogs {
public:
    bool accept = true;
    int calls = 0;
    TFKeyLayout lastKey;
    std::function<void(TFKeyLayout&)> onKey; // what the user changes in a key dialog
    bool EditIndex(TIndexLayout&, const QStringList&) override { return Answer(); }
    bool EditTrigger(TTriggerLayout&, const QStringList&) override { return Answer(); }
    bool EditKey(TFKeyLayout& k, const QStringList&) override {
        lastKey = k;
        return Answer();
    }
    bool EditCheck(TFKeyLayout& k, const QStringList&) override {
        lastKey = k;
        return Answer();
    }
    bool EditFKey(TFKeyLayout& k, TSQLite3Database*, const QStringList&, const QString&) override {
        lastKey = k;
        if (onKey) onKey(k);
        return Answer();
    }

private:
    bool Answer() {
        ++calls;
        return accept;
    }
};

class TableDesignerDb : public TempDbTest {
protected:
    // Designs the existing table (altering it) or a new one.
    void Alter(const QString& table) {
        TTableLayout t;
        t.tblName = table;
        t.OldName = table;
        ctl.Load(t, &db, false);
    }
    void New(const QString& name) {
        TTableLayout t;
        t.tblName = name;
        ctl.Load(t, &db, true);
    }
    QString Cell(SheetRow row, int column) const { return ctl.Sheet().cells[int(row)][column]; }

    ScriptedPrompter prompter;
    ScriptedDialogs dialogs;
    TableDesignerController ctl{prompter, dialogs};
};

TEST_F(TableDesignerDb, AnEmptyLayoutShowsTheDefaultIdKeyColumn) {
    ctl.Load(TTableLayout(), nullptr, true);
    ASSERT_EQ(ctl.Layout().Cols.size(), 1);
    EXPECT_EQ(ctl.Layout().tblName, QStringLiteral("new_table_1"));
    EXPECT_TRUE(ctl.Script().contains(QStringLiteral("\"ID\" INTEGER PRIMARY KEY\r\n")))
        << ctl.Script().toStdString();
    EXPECT_EQ(Cell(SheetRow::Number, 0), QStringLiteral("1 .p"));
    EXPECT_EQ(Cell(SheetRow::Key, 0), QStringLiteral("Primary Key"));
    EXPECT_EQ(Cell(SheetRow::Other, 0), QStringLiteral("Unique"));
    EXPECT_FALSE(ctl.CanRemoveColumn());
    EXPECT_EQ(ctl.Sheet().labels.size(), kFixedSheetRows);
}

TEST(TableDesignerTypes, TypeAndLengthSplit) {
    struct Case {
        const char* type;
        const char* length;
        const char* wantType;
        const char* wantLength;
    } cases[] = {
        {"VARCHAR", "40", "VARCHAR", "(40)"},
        {"VARCHAR", "0", "VARCHAR", ""},
        {"VARCHAR", "", "VARCHAR", ""},
        {"varchar", " 12 ", "VARCHAR", "(12)"},
        {"DECIMAL", "10,2", "DECIMAL", "(10,2)"},
        {"DECIMAL", "10, 2", "DECIMAL", "(10,2)"},
        {"INT", "abc", "INT", ""},
        {"unsigned big int", "", "UNSIGNEDBIGINT", ""},
    };
    for (const Case& c : cases) {
        QString type, varSpec;
        SplitTypeSpec(QString::fromLatin1(c.type) + u'(' + QString::fromLatin1(c.length) + u')',
                      type, varSpec);
        EXPECT_EQ(type, QLatin1String(c.wantType)) << c.type << " " << c.length;
        EXPECT_EQ(varSpec, QLatin1String(c.wantLength)) << c.type << " " << c.length;
    }
    EXPECT_EQ(LengthText(QStringLiteral("(10,2)")), QStringLiteral("10,2"));
    EXPECT_EQ(LengthText(QString()), QString());
}

TEST_F(TableDesignerDb, ADecimalKeepsItsScaleUntilItsLengthIsEdited) {
    Run(QStringLiteral("CREATE TABLE price(id INTEGER PRIMARY KEY, amount DECIMAL(10,2));"));
    Alter(QStringLiteral("price"));
    ctl.SelectCell(1, 1);
    // What the editors show, written back unchanged, and a rename.
    ctl.SetColumnType(ctl.Column()->fType, LengthText(ctl.Column()->fVarSpec));
    ctl.SetColumnName(QStringLiteral("total"));
    ctl.EditCell(int(SheetRow::Type), 1, QStringLiteral("decimal(10, 2)"));
    EXPECT_TRUE(ctl.Script().contains(QStringLiteral("\"total\" DECIMAL(10,2)")))
        << ctl.Script().toStdString();
    ctl.SetColumnType(QStringLiteral("DECIMAL"), QStringLiteral("12"));
    EXPECT_EQ(ctl.Column()->fVarSpec, QStringLiteral("(12)"));
    ctl.SetColumnType(QStringLiteral("VARCHAR"), QStringLiteral("0"));
    EXPECT_EQ(Cell(SheetRow::Type, 1), QStringLiteral("VARCHAR"));
    ctl.EditCell(int(SheetRow::Type), 1, QStringLiteral("char(8)"));
    EXPECT_EQ(Cell(SheetRow::Type, 1), QStringLiteral("CHAR(8)"));
    ctl.EditCell(int(SheetRow::Type), 1, QStringLiteral("char"));
    EXPECT_EQ(Cell(SheetRow::Type, 1), QStringLiteral("CHAR"));
}

TEST_F(TableDesignerDb, OnlyOneColumnIsThePrimaryKey) {
    New(QStringLiteral("t"));
    ctl.AddColumn();
    ctl.SelectCell(1, 1);
    ctl.SetPrimaryKey(true);
    EXPECT_FALSE(ctl.Layout().Cols[0].isPK);
    EXPECT_TRUE(ctl.Layout().Cols[1].isPK);
    EXPECT_EQ(Cell(SheetRow::Key, 0), QString());
    // A new column is not ascending until ticked: its key is written DESC.
    EXPECT_EQ(Cell(SheetRow::Key, 1), QStringLiteral("PK Desc."));
    EXPECT_EQ(ctl.Script().count(QStringLiteral("PRIMARY KEY")), 1);
    EXPECT_TRUE(ctl.Script().contains(QStringLiteral("\"Field_2\" TEXT PRIMARY KEY DESC")));
    ctl.SetAscending(true);
    ctl.SetConflict(5);
    EXPECT_EQ(Cell(SheetRow::Key, 1), QStringLiteral("PK (REPLACE)"));
    EXPECT_TRUE(ctl.WithoutRowIdEnabled());
    ctl.SetPrimaryKey(false);
    EXPECT_FALSE(ctl.WithoutRowIdEnabled());
}

TEST_F(TableDesignerDb, DuplicatesTakeTheFirstFreeNumberAndCopyTheOldValues) {
    Run(QStringLiteral("CREATE TABLE p(Name VARCHAR(20) NOT NULL DEFAULT 'x', Name_2 TEXT);"));
    Alter(QStringLiteral("p"));
    ctl.SelectCell(1, 0);
    ctl.DuplicateColumn();
    const TFieldLayout& d = ctl.Layout().Cols.last();
    EXPECT_EQ(d.fName, QStringLiteral("Name_3"));
    EXPECT_EQ(d.fType, QStringLiteral("VARCHAR"));
    EXPECT_EQ(d.fVarSpec, QString());
    EXPECT_FALSE(d.allowNull);
    EXPECT_EQ(d.OldName, QStringLiteral("Name"));
    EXPECT_EQ(ctl.SelectedColumn(), 2);
    EXPECT_FALSE(ctl.DuplicateName());
    EXPECT_TRUE(ctl.Result().colReassigns.contains(QStringLiteral("Name=Name_3")));
    ctl.SetColumnName(QStringLiteral("name _2")); // compared upper-case without spaces
    EXPECT_TRUE(ctl.DuplicateName());
}

TEST_F(TableDesignerDb, RemovalNeedsASecondColumn) {
    New(QStringLiteral("t"));
    EXPECT_FALSE(ctl.RemoveColumn());
    const DesignerMenuItem& columns = ctl.Menu().front();
    const DesignerMenuItem& first = columns.children[2];
    EXPECT_EQ(first.caption, QStringLiteral("ID  (INTEGER)  [PK]"));
    EXPECT_EQ(first.children[3].caption, QStringLiteral("Remove"));
    EXPECT_FALSE(first.children[3].enabled);
    ctl.AddColumn(QStringLiteral("BLOB"));
    EXPECT_TRUE(ctl.RemoveColumn());
    EXPECT_EQ(ctl.Layout().Cols.size(), 1);
}

// The item of a menu path, by captions.
const DesignerMenuItem* MenuItem(const QList<DesignerMenuItem>& menu, const QStringList& path) {
    const QList<DesignerMenuItem>* level = &menu;
    const DesignerMenuItem* found = nullptr;
    for (const QString& caption : path) {
        found = nullptr;
        for (const DesignerMenuItem& m : *level)
            if (m.caption == caption) found = &m;
        if (!found) return nullptr;
        level = &found->children;
    }
    return found;
}

TEST_F(TableDesignerDb, PopupMenuItemsRunTheirCommands) {
    Run(QStringLiteral("CREATE TABLE a(x INTEGER PRIMARY KEY, y TEXT UNIQUE); CREATE TABLE b(z);"));
    Alter(QStringLiteral("a"));
    // Altering: the template entry is the table itself only.
    const DesignerMenuItem* import =
        MenuItem(ctl.Menu(), {"Table", "Import Table layout using model table: "});
    ASSERT_NE(import, nullptr);
    ASSERT_EQ(import->children.size(), 1);
    EXPECT_EQ(import->children[0].text, QStringLiteral("main.a"));
    const DesignerMenuItem* added = MenuItem(ctl.Menu(), {"Columns", "Add column", "DATETIME"});
    ASSERT_NE(added, nullptr);
    ctl.Run(*added);
    EXPECT_EQ(ctl.Layout().Cols.last().fType, QStringLiteral("DATETIME"));
    const DesignerMenuItem* dup = MenuItem(ctl.Menu(), {"Columns", "y  (TEXT)  [U]", "Duplicate"});
    ASSERT_NE(dup, nullptr);
    ctl.Run(*dup);
    EXPECT_EQ(ctl.Layout().Cols.last().fName, QStringLiteral("y_2"));
    const DesignerMenuItem* trig =
        MenuItem(ctl.Menu(), {"Columns", "y  (TEXT)  [U]", "Add as a Trigger"});
    ASSERT_NE(trig, nullptr);
    ctl.Run(*trig);
    ASSERT_EQ(ctl.Layout().Trigs.size(), 1);
    EXPECT_EQ(ctl.Layout().Trigs[0].trigEvent, TrigEvent::UpdateOf);
    EXPECT_EQ(ctl.Layout().Trigs[0].trigFields, QStringLiteral("y"));
    EXPECT_NE(MenuItem(ctl.Menu(), {"Triggers", "Trig_a_y", "Edit..."}), nullptr);
}

TEST_F(TableDesignerDb, SheetMarksShowKeysIndexesAndTriggers) {
    Run(QStringLiteral(
        "CREATE TABLE m(a INTEGER PRIMARY KEY, b TEXT, c TEXT, CONSTRAINT uq UNIQUE (b, a));"
        "CREATE UNIQUE INDEX ix_c ON m(c, b);"
        "CREATE TRIGGER tr AFTER UPDATE OF b ON m BEGIN UPDATE m SET a = a WHERE 0; END;"));
    Alter(QStringLiteral("m"));
    const DesignerSheet& s = ctl.Sheet();
    ASSERT_EQ(s.labels.size(), kFixedSheetRows + 3);
    EXPECT_EQ(s.labels[kFixedSheetRows], QStringLiteral("Unique Index uq:"));
    EXPECT_EQ(s.labels[kFixedSheetRows + 1], QStringLiteral("Unique ix_c:"));
    EXPECT_EQ(s.labels[kFixedSheetRows + 2], QStringLiteral("Trigger tr:"));
    EXPECT_EQ(s.cells[0], (QStringList{"1 .p .k", "2 .k .i .t", "3 .i"}));
    EXPECT_EQ(s.cells[kFixedSheetRows], (QStringList{"2", "1", ""}));
    EXPECT_EQ(s.cells[kFixedSheetRows + 1], (QStringList{"", "2", "1"}));
    EXPECT_EQ(s.cells[kFixedSheetRows + 2], (QStringList{"a", "1e", ""}));
    ctl.SelectCell(kFixedSheetRows + 1, 2);
    EXPECT_EQ(ctl.EditHint(), QStringLiteral("Alter Index ix_c"));
    EXPECT_EQ(ctl.RemoveHint(), QStringLiteral("Remove Index ix_c"));
    EXPECT_EQ(ctl.AddHint(4), QStringLiteral("Add an Index on c"));
    // Removal asks first; No keeps the index.
    prompter.replies = {ScriptedPrompter::Reply::No, ScriptedPrompter::Reply::Yes};
    EXPECT_FALSE(ctl.RemoveSelectedEntry());
    EXPECT_TRUE(ctl.RemoveSelectedEntry());
    EXPECT_EQ(prompter.questions.front(),
              QStringLiteral("Remove Index...: Remove Index \"ix_c\" now?"));
    EXPECT_TRUE(ctl.Layout().Idxs.isEmpty());
}

TEST_F(TableDesignerDb, RenamingAnIndexedColumnWarnsAndTheFixRewritesTheIndex) {
    Run(QStringLiteral("CREATE TABLE t(a INTEGER PRIMARY KEY, b TEXT);"
                       "CREATE INDEX ix_b ON t(b);"));
    Alter(QStringLiteral("t"));
    EXPECT_FALSE(ctl.DependantsWarning());
    ctl.SelectCell(1, 1);
    ctl.SetColumnName(QStringLiteral("c"));
    EXPECT_TRUE(ctl.DependantsWarning());
    prompter.replies = {ScriptedPrompter::Reply::No};
    EXPECT_FALSE(ctl.FixDependants()); // "Later"
    prompter.replies = {ScriptedPrompter::Reply::Yes};
    EXPECT_TRUE(ctl.FixDependants());
    EXPECT_FALSE(ctl.DependantsWarning());
    EXPECT_TRUE(ctl.Layout().Idxs[0].IdxFields.contains(QStringLiteral("c")));
    EXPECT_TRUE(ctl.Script().contains(QStringLiteral("\r\nCREATE INDEX ix_b ON t (c);")))
        << ctl.Script().toStdString();
    EXPECT_EQ(prompter.notices.last(),
              QStringLiteral("Table Dependencies Fixed: Conversion success - Please check the "
                             "Indices and Triggers to be sure."));
}

TEST_F(TableDesignerDb, TheSchemaTestOfAParentWithChildRowsRollsBack) {
    Run(QStringLiteral("PRAGMA foreign_keys=1;"
                       "CREATE TABLE parent(id INTEGER PRIMARY KEY, name TEXT);"
                       "CREATE TABLE child(id INTEGER PRIMARY KEY, pid REFERENCES parent(id));"
                       "INSERT INTO parent VALUES (1,'one'),(2,'two');"
                       "INSERT INTO child VALUES (10,1),(11,2);"));
    const QString before = Value(QStringLiteral("SELECT group_concat(id||name) FROM parent"));
    Alter(QStringLiteral("parent"));
    ctl.AddColumn(QStringLiteral("INTEGER"));
    EXPECT_TRUE(ctl.TestSchema()) << prompter.warnings.join(u'\n').toStdString();
    EXPECT_EQ(prompter.notices.last(),
              QStringLiteral("Table-Creation test PASSED: Test passed SQLite Engine "
                             "verification without errors."));
    EXPECT_EQ(Value(QStringLiteral("SELECT group_concat(id||name) FROM parent")), before);
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM pragma_table_info('parent')")),
              QStringLiteral("2"));
    EXPECT_EQ(Value(QStringLiteral("PRAGMA foreign_keys")), QStringLiteral("1"));
    EXPECT_FALSE(db.TransactionOpen());
    // A script that starts with its own drop runs as it is.
    ctl.SetDropFirst(true);
    EXPECT_TRUE(ctl.Script().startsWith(QStringLiteral("DROP TABLE IF EXISTS")));
    EXPECT_TRUE(ctl.TestSchema());
    // A failing script is reported and leaves nothing behind either.
    ctl.SelectCell(1, 1);
    ctl.SetColumnDefault(QStringLiteral("(1 +"));
    EXPECT_FALSE(ctl.TestSchema());
    ASSERT_FALSE(prompter.warnings.isEmpty());
    EXPECT_TRUE(prompter.warnings.last().startsWith(QStringLiteral("Table-Creation Error: ")));
    EXPECT_EQ(Value(QStringLiteral("SELECT count(*) FROM child")), QStringLiteral("2"));
    db.Close();
    EXPECT_INTEGRITY_OK(path);
}

TEST_F(TableDesignerDb, AcceptNeverTakesAnotherExistingTableName) {
    Run(QStringLiteral("CREATE TABLE Orders(id INTEGER PRIMARY KEY);"));
    using R = ScriptedPrompter::Reply;
    struct Case {
        QList<R> replies;
        bool accepted;
        const char* name;
    } cases[] = {
        {{R::Yes, R::Yes}, true, "Orders2"}, // adjusted, and the change confirmed
        {{R::Yes, R::No}, false, "Orders2"}, // adjusted, change declined: stays open
        {{R::No}, false, "Orders"},          // declined: an existing name is never accepted
        {{R::Cancel}, false, "Orders"},
    };
    for (const Case& c : cases) {
        New(QStringLiteral("Orders"));
        EXPECT_EQ(ctl.TableNameState(), NameState::Taken);
        EXPECT_EQ(ctl.TableNameHint(), kNameHintTaken);
        prompter.replies = c.replies;
        prompter.questions.clear();
        EXPECT_EQ(ctl.Accept(), c.accepted) << c.name;
        EXPECT_EQ(ctl.TableName(), QLatin1String(c.name));
        EXPECT_EQ(prompter.questions.front(),
                  QStringLiteral("Confirm: This table (Orders) already exists in the database. "
                                 "Adjust the name to \"Orders2\"?"));
    }
    // The question's countdown answers as Cancel does.
    CountdownPrompter countdown;
    TableDesignerController timed(countdown, dialogs);
    TTableLayout t;
    t.tblName = QStringLiteral("orders");
    timed.Load(t, &db, true);
    EXPECT_FALSE(timed.Accept());
    // The table being altered keeps its name without a question.
    prompter.questions.clear();
    Alter(QStringLiteral("Orders"));
    EXPECT_EQ(ctl.TableNameState(), NameState::Valid);
    EXPECT_TRUE(ctl.Accept());
    EXPECT_TRUE(prompter.questions.isEmpty());
    // A name with characters that are not allowed is offered cleaned.
    New(QStringLiteral("my.table"));
    EXPECT_EQ(ctl.TableNameState(), NameState::Rejected);
    prompter.replies = {R::Yes};
    EXPECT_TRUE(ctl.Accept());
    EXPECT_EQ(ctl.TableName(), QStringLiteral("mytable"));
}

TEST_F(TableDesignerDb, ScriptLinesSelectTheirSheetEntries) {
    Run(QStringLiteral("CREATE TABLE s(a INTEGER PRIMARY KEY, b TEXT, CHECK (b <> ''));"
                       "CREATE INDEX ix_b ON s(b);"
                       "CREATE TRIGGER tr AFTER INSERT ON s BEGIN SELECT 1; END;"));
    Alter(QStringLiteral("s"));
    // CREATE, a, b, CHECK, ");", DROP INDEX, CREATE INDEX, "", DROP TRIGGER, CREATE TRIGGER...
    struct Case {
        int line, row, column;
    } cases[] = {
        {0, -1, -1},
        {1, 1, 0},
        {2, 1, 1},
        {3, kFixedSheetRows, -1},
        {4, int(SheetRow::Key), 0},
        {5, kFixedSheetRows + 1, -1},
        {6, kFixedSheetRows + 1, -1},
        {7, kFixedSheetRows + 2, -1},
        {9, kFixedSheetRows + 2, -1},
    };
    for (const Case& c : cases) {
        const SheetTarget t = ctl.TargetOfScriptLine(c.line);
        EXPECT_EQ(t.row, c.row) << "line " << c.line << "\n" << ctl.Script().toStdString();
        EXPECT_EQ(t.column, c.column) << "line " << c.line;
    }
}

TEST_F(TableDesignerDb, ConstraintsAndTemplatesGoThroughTheirDialogsAndQuestions) {
    Run(QStringLiteral("CREATE TABLE base(k DATE, v TEXT);"));
    New(QStringLiteral("fresh"));
    EXPECT_EQ(ctl.Templates(), QStringList{QStringLiteral("main.base")});
    prompter.replies = {ScriptedPrompter::Reply::Yes};
    EXPECT_TRUE(ctl.ImportTemplate(QStringLiteral("main.base")));
    EXPECT_EQ(prompter.questions.last(),
              QStringLiteral("Load from Template...: Discard all changes and re-load using "
                             "main.base as a template?"));
    ASSERT_EQ(ctl.Layout().Cols.size(), 2);
    EXPECT_TRUE(ctl.AddConstraint(KeyKind::Check));
    EXPECT_EQ(dialogs.lastKey.FKFields, QStringLiteral("k > '200-01-01 00:00:00'"));
    dialogs.accept = false;
    EXPECT_FALSE(ctl.AddConstraint(KeyKind::Unique));
    EXPECT_EQ(ctl.Layout().FKeys.size(), 1);
    dialogs.accept = true;
    EXPECT_TRUE(ctl.AddTrigger(false));
    EXPECT_EQ(ctl.Layout().Trigs[0].trigName, QStringLiteral("Trig_base_k"));
    EXPECT_EQ(ctl.Layout().Trigs[0].trigExecCode,
              QStringLiteral("UPDATE base SET \"< col >\" = '< new-val >' WHERE ID = NEW.ID;"));
    EXPECT_TRUE(ctl.AddIndex());
    EXPECT_EQ(ctl.Layout().Idxs[0].IdxName, QStringLiteral("Idx_base_k"));
    EXPECT_TRUE(ctl.Script().contains(QStringLiteral("CHECK (k > '200-01-01 00:00:00')")));
}

TEST_F(TableDesignerDb, ColumnForeignKeysGoThroughTheDialog) {
    Run(QStringLiteral("CREATE TABLE P(id INTEGER PRIMARY KEY);"
                       "CREATE TABLE c(id INTEGER PRIMARY KEY, pid INTEGER REFERENCES P(id));"));
    Alter(QStringLiteral("c"));
    ctl.SelectCell(1, 1);
    EXPECT_EQ(Cell(SheetRow::ForeignKey, 1), QStringLiteral("P(id)"));
    // The column's own clause, edited: an action added.
    dialogs.onKey = [](TFKeyLayout& k) { k.iDelAction = 5; };
    EXPECT_TRUE(ctl.EditColumnForeignKey());
    EXPECT_EQ(dialogs.lastKey.TableParent, QStringLiteral("P"));
    EXPECT_EQ(ctl.Column()->fForeignKey, QStringLiteral("\"P\"(id) ON DELETE CASCADE"));
    EXPECT_EQ(Cell(SheetRow::ForeignKey, 1), QStringLiteral("\"P\"(id)"));
    // A table foreign key on the column takes the place of its own clause.
    dialogs.onKey = nullptr;
    EXPECT_TRUE(ctl.AddConstraint(KeyKind::ForeignKey));
    EXPECT_EQ(dialogs.lastKey.OwnFields, QStringLiteral("pid"));
    EXPECT_TRUE(ctl.Column()->fForeignKey.isEmpty());
    EXPECT_EQ(ctl.Sheet().labels.last(), QStringLiteral("Foreign Key 1:"));
    EXPECT_EQ(ctl.Sheet().cells.last(), (QStringList{"", "1"}));
    EXPECT_EQ(ctl.Sheet().cells[0][1], QStringLiteral("2 .k"));
    prompter.replies = {ScriptedPrompter::Reply::Yes};
    EXPECT_TRUE(ctl.RemoveConstraint(0));
    EXPECT_EQ(prompter.questions.last(),
              QStringLiteral("Remove Table Constraint...: Remove Foreign Key relation to \"P\" "
                             "now?"));
}

TEST_F(TableDesignerDb, NewDesignsAndTableOptions) {
    TTableLayout t;
    t.dbName = QStringLiteral("temp");
    t.tblName = QStringLiteral("scratch");
    ctl.Load(t, &db, true);
    EXPECT_TRUE(ctl.Layout().isTemp);
    EXPECT_FALSE(ctl.Layout().ifNotEx);
    EXPECT_TRUE(ctl.TemplatesAllowed());
    ctl.SetVirtual(true);
    EXPECT_EQ(ctl.Layout().virtualType, QStringLiteral("fts5"));
    ctl.SetVirtual(false);
    ctl.SetWithoutRowId(true);
    EXPECT_TRUE(ctl.Script().contains(QStringLiteral(") WITHOUT ROWID;")));
    ctl.SetPrimaryKey(false); // no key: WITHOUT ROWID cannot stay
    EXPECT_FALSE(ctl.Layout().noRowID);
    ctl.SetIfNotExists(true);
    EXPECT_TRUE(ctl.Script().startsWith(
        QStringLiteral("CREATE TEMPORARY TABLE IF NOT EXISTS \"temp\".\"scratch\" (")));
    // A table that cannot be read leaves the default column.
    t.OldName = QStringLiteral("missing");
    ctl.Load(t, &db, false);
    ASSERT_EQ(ctl.Layout().Cols.size(), 1);
    EXPECT_EQ(ctl.Layout().Cols[0].fName, QStringLiteral("ID"));
}

TEST_F(TableDesignerDb, AFailedRollbackIsReportedAsSuch) {
    Run(QStringLiteral("CREATE TABLE r(id INTEGER PRIMARY KEY, v TEXT);"
                       "INSERT INTO r VALUES (1, 'x');"));
    db.Close();
    {
        // The first journal write fails: the engine abandons the whole
        // transaction, so the designer's own roll-back has nothing to undo.
        ScopedFault fault(FaultOp::Write, 1, SQLITE_OPEN_MAIN_JOURNAL, SQLITE_IOERR_WRITE, false);
        TSQLite3Database faulty;
        ASSERT_TRUE(faulty.Open(path));
        TableDesignerController c(prompter, dialogs);
        TTableLayout t;
        t.tblName = t.OldName = QStringLiteral("r");
        c.Load(t, &faulty, false);
        EXPECT_FALSE(c.TestSchema());
        EXPECT_TRUE(fault.Fired());
        ASSERT_FALSE(prompter.warnings.isEmpty());
        EXPECT_EQ(prompter.warnings.last(),
                  QStringLiteral("Table-Creation Error: WARNING: Transaction did not roll back, "
                                 "possible corruption might set in.\rBack-up and check this "
                                 "database."));
        EXPECT_FALSE(faulty.TransactionOpen());
    }
    EXPECT_INTEGRITY_OK(path);
}

// A port that accepts what it is given, as the window would on Accept.
class AcceptingPort : public TableDesignerPort {
public:
    explicit AcceptingPort(TableDesignerController& c) : FCtl(c) {}
    bool GetDesignerTableLayout(TTableLayout& layout, TSQLite3Database* db,
                                bool allowTemplates) override {
        FCtl.Load(layout, db, allowTemplates);
        if (!FCtl.Accept()) return false;
        layout = FCtl.Result();
        return true;
    }

private:
    TableDesignerController& FCtl;
};

TEST_F(TableDesignerDb, AlteredSqlCarriesTheColumnMap) {
    Run(QStringLiteral("CREATE TABLE src(a INTEGER PRIMARY KEY, b TEXT);"));
    AcceptingPort port(ctl);
    QString name, map, script;
    ASSERT_TRUE(GetAlteredSQL(port, &db, name, QString(), QStringLiteral("src"), map, script));
    EXPECT_EQ(name, QStringLiteral("src"));
    EXPECT_EQ(map, QStringLiteral("a=a\r\nb=b"));
    EXPECT_TRUE(script.startsWith(QStringLiteral("CREATE TABLE \"src\" (")));
    name = QStringLiteral(" new table ");
    ASSERT_TRUE(GetDesignerSQL(port, &db, name, QString(), true, QString(), map, script));
    EXPECT_EQ(name, QStringLiteral("newtable"));
    EXPECT_TRUE(map.isEmpty());
}

} // namespace
} // namespace sky::test
