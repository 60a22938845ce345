// The workspace window under the offscreen platform: the example database
// opened, tables selected through the tree, options restored on reopening,
// and closing while a long query runs.
#include "workspace/ui/WorkspaceWindow.h"
#include "common/ExampleDb.h"
#include "common/Process.h"
#include "common/UiAnswer.h"
#include "design/ui/ViewDialog.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"
#include "shell/ui/Themes.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "support/TextFile.h"
#include "workspace/ui/QueryArea.h"
#include "workspace/ui/ResultsView.h"
#include "workspace/ui/SchemaTreeModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeView>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace sky::ui {
namespace {

class WorkspaceWindowTest : public test::ExampleDbTest {
protected:
    QModelIndex Node(TfrmSKYMain& w, const QString& name) {
        QAbstractItemModel* m = w.Tree()->model();
        const QModelIndex main = m->index(0, 0, {});
        for (int i = 0; i < m->rowCount(main); ++i) {
            const QModelIndex n = m->index(i, 0, main);
            if (static_cast<SchemaTreeModel*>(m)->Record(n)->sName == name) return n;
        }
        return {};
    }
};

TEST_F(WorkspaceWindowTest, OpensSelectsAndRestores) {
    {
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QStringLiteral("customer"));
        w->show();
        EXPECT_TRUE(
            w->windowTitle().startsWith(QStringLiteral("Database: ExampleData.Tarndb  in  [ ")));
        EXPECT_EQ(w->Controller().table.name, QStringLiteral("customer"));
        EXPECT_GT(w->Results()->Model()->rowCount({}), 0);
        EXPECT_EQ(w->Editor()->text(),
                  QStringLiteral("SELECT * FROM customer WHERE 1 LIMIT 1000;"));
        EXPECT_EQ(w->Editor()->selectedText(), QStringLiteral("1"));
        EXPECT_EQ(w->Pages()->tabText(0), QStringLiteral("Table Structure"));
        // Selecting another table through the tree.
        const QModelIndex staff = Node(*w, QStringLiteral("staff"));
        ASSERT_TRUE(staff.isValid());
        w->Tree()->setCurrentIndex(staff);
        EXPECT_EQ(w->Controller().table.name, QStringLiteral("staff"));
        EXPECT_EQ(w->Fields()->rowCount(), w->Controller().table.columns.size());
        // A view selected: its page caption.
        QAbstractItemModel* m = w->Tree()->model();
        const QModelIndex main = m->index(0, 0, {});
        const QModelIndex last = m->index(m->rowCount(main) - 1, 0, main);
        w->Tree()->setCurrentIndex(last);
        EXPECT_EQ(w->Pages()->tabText(0), QStringLiteral("View Layout"));
        // Double-click on a column node puts its name into the editor.
        w->Tree()->setCurrentIndex(staff);
        w->Editor()->setText(QStringLiteral("SELECT "));
        w->Editor()->setCursorPosition(0, 7);
        Q_EMIT w->Tree()->doubleClicked(m->index(0, 0, staff));
        EXPECT_TRUE(w->Editor()->text().startsWith(QStringLiteral("SELECT ")));
        EXPECT_GT(w->Editor()->text().size(), 7);
        // The node's menu carries the title item and the commands.
        QMenu menu;
        w->BuildNodeMenu(menu, main);
        ASSERT_FALSE(menu.actions().isEmpty());
        EXPECT_EQ(menu.actions().first()->text(),
                  QStringLiteral("[ Main Schema in ExampleData.Tarndb ]"));
        // Alphabetical order from the menu, stored when the window closes.
        for (QAction* a : w->findChildren<QAction*>())
            if (a->objectName() == QLatin1String("mmnuDatabaseSortTablesByAlpha")) a->trigger();
        EXPECT_EQ(w->Controller().opts.tableDesignSorted, 1);
        w->close();
        ASSERT_TRUE(WaitFor([&] { return w.isNull(); }));
    }
    TfrmSKYMain again;
    again.Init(file, QString());
    EXPECT_EQ(again.Controller().opts.tableDesignSorted, 1);
    EXPECT_EQ(again.Controller().table.name, QStringLiteral("staff")); // the last table
    QStringList names;
    QAbstractItemModel* m = again.Tree()->model();
    const QModelIndex main = m->index(0, 0, {});
    for (int i = 0; i < m->rowCount(main); ++i) {
        const TDBObjRec* r = static_cast<SchemaTreeModel*>(m)->Record(m->index(i, 0, main));
        if (r->dbObjKind == okTable) names << r->sName;
    }
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(names, sorted);
}

TEST_F(WorkspaceWindowTest, ClosingDuringALongQueryWaitsForIt) {
    QPointer<TfrmSKYMain> w = new TfrmSKYMain;
    w->Init(file, QString());
    w->show();
    int closedEvents = 0;
    w->fSysCallback = [&](WorkspaceHandle*, int kind, const QString&, const QString&, int, int) {
        closedEvents += kind == kWsClosed;
        return 0;
    };
    bool returned = false, ok = true;
    QTimer::singleShot(0, w, [&] {
        ok = w->Controller().ShowQueryRows(
            QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) "
                           "SELECT count(*) FROM c;"),
            true, false);
        returned = true;
    });
    QTimer::singleShot(400, w, [&] { w->close(); });
    ASSERT_TRUE(WaitFor([&] { return w.isNull(); }, 15000));
    EXPECT_TRUE(returned);
    EXPECT_FALSE(ok); // interrupted
    EXPECT_EQ(closedEvents, 1);
}

// For a look by eye in each theme (SKYLARK_SHOT_DIR=folder, under Xvfb):
// SQL of every kind in the editor, results, the statistics page, a menu
// with a disabled item, and the table page.
TEST_F(WorkspaceWindowTest, ScreenshotsInThemes) {
    const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White"),
                                 QStringLiteral("Midnight Blue")}) {
        ASSERT_TRUE(ApplyTheme(*app, theme));
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QString());
        w->resize(1280, 800);
        w->ShowAndRaise();
        w->Editor()->setText(
            QStringLiteral("-- customers with a label\r\nSELECT c.*, 'text' || 1.5 AS \"label\"\r\n"
                           "  FROM customer c /* block */ WHERE c.rowid > 2;"));
        w->RunQuery(RunMode::Plain);
        for (QTabWidget* tabs : w->findChildren<QTabWidget*>())
            for (int i = 0; i < tabs->count(); ++i)
                if (tabs->tabText(i).trimmed() == QLatin1String("Stats")) tabs->setCurrentIndex(i);
        RunEventsFor(300);
        const QString name = QString(theme).remove(u' ');
        EXPECT_TRUE(w->grab().save(shots + QStringLiteral("/workspace-") + name + ".png", "PNG"));
        // The editor's own pop-up menu: disabled items among enabled ones.
        auto* menu = w->findChild<QMenu*>(QStringLiteral("puQry"));
        ASSERT_NE(menu, nullptr);
        menu->popup(w->mapToGlobal(QPoint(100, 100)));
        RunEventsFor(200);
        EXPECT_TRUE(menu->grab().save(shots + QStringLiteral("/menu-") + name + ".png", "PNG"));
        menu->close();
        // The table page: a table with indexes and a trigger, a column chosen.
        w->Controller().SelectTable(QStringLiteral("customer"), QString());
        w->Pages()->setCurrentIndex(kPageTable);
        w->Fields()->setCurrentCell(1, 1);
        RunEventsFor(200);
        EXPECT_TRUE(w->grab().save(shots + QStringLiteral("/table-") + name + ".png", "PNG"));
        w->close();
        RunEventsFor(200);
    }
    ApplyTheme(*app, kDefaultTheme);
}

TEST_F(WorkspaceWindowTest, TypeRunAskAndKeepHistory) {
    {
        QPointer<TfrmSKYMain> w = new TfrmSKYMain;
        w->Init(file, QString());
        w->ShowAndRaise();
        // The editor has the focus: type and press F5.
        EXPECT_TRUE(WaitFor([&] { return w->Editor()->hasFocus() || !w->isActiveWindow(); }));
        w->Editor()->setText(QStringLiteral("SELECT code, name FROM category ORDER BY code"));
        QKeyEvent f5(QEvent::KeyPress, Qt::Key_F5, Qt::NoModifier);
        QCoreApplication::sendEvent(w->Editor(), &f5);
        QCoreApplication::processEvents();
        if (w->Controller().status != QStringLiteral("Query Success.")) w->RunQuery(RunMode::Plain);
        EXPECT_EQ(w->Controller().status, QStringLiteral("Query Success."));
        EXPECT_EQ(w->Results()->Model()->columnCount({}), 2);
        EXPECT_GT(w->Results()->Model()->rowCount({}), 0);
        EXPECT_TRUE(w->History()->text().startsWith(
            QStringLiteral("SELECT code, name FROM category ORDER BY code")));
        // For a look by eye: SKYLARK_SHOT_DIR=folder saves the window with a
        // query holding NULLs and a highlighted value.
        if (const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR"); !shots.isEmpty()) {
            w->resize(1280, 800);
            w->Editor()->setText(QStringLiteral("SELECT * FROM customer"));
            w->Controller().opts.custHiLite[0] = QStringLiteral("a");
            w->RunQuery(RunMode::Plain);
            RunEventsFor(300);
            w->grab().save(shots + QStringLiteral("/results.png"), "PNG");
            w->Controller().opts.custHiLite[0].clear();
            w->Editor()->setText(QStringLiteral("SELECT code, name FROM category ORDER BY code"));
            w->RunQuery(RunMode::Plain);
        }
        // Ctrl+T in the editor belongs to the window: the text stays as typed.
        w->Editor()->setText(QStringLiteral("a\r\nb"));
        w->Editor()->setCursorPosition(1, 0);
        QKeyEvent ctrlT(QEvent::KeyPress, Qt::Key_T, Qt::ControlModifier);
        QCoreApplication::sendEvent(w->Editor(), &ctrlT);
        EXPECT_EQ(w->Editor()->text(), QStringLiteral("a\r\nb"));
        // A destructive statement asks first; No runs nothing.
        w->Editor()->setText(QStringLiteral("DELETE FROM category"));
        AnswerNext(How::No, QString(), true);
        w->RunQuery(RunMode::Plain);
        EXPECT_EQ(w->Controller().status, QStringLiteral("No Query."));
        w->Editor()->setText(QStringLiteral("SELECT count(*) FROM category"));
        w->RunQuery(RunMode::Plain);
        EXPECT_NE(w->Results()->Model()->index(0, 0).data().toString(), QStringLiteral("0"));
        // A failing statement colours the status line.
        w->Editor()->setText(QStringLiteral("SELECT * FROM nowhere"));
        w->RunQuery(RunMode::Plain);
        EXPECT_TRUE(w->Status()->text().startsWith(QStringLiteral("Error: ")));
        EXPECT_EQ(w->Status()->palette().color(QPalette::Window), QColor(255, 206, 206))
            << w->Status()->text().toStdString() << " kind " << StatusKind(w->Status()->text());
        w->close();
        ASSERT_TRUE(WaitFor([&] { return w.isNull(); }));
    }
    // The history is there again after reopening.
    TfrmSKYMain again;
    again.Init(file, QString());
    EXPECT_TRUE(again.History()->text().contains(
        QStringLiteral("SELECT code, name FROM category ORDER BY code")));
    EXPECT_TRUE(again.History()->text().contains(QStringLiteral("SELECT count(*) FROM category")));
    EXPECT_FALSE(again.History()->text().contains(QStringLiteral("DELETE FROM category")));
}

TEST_F(WorkspaceWindowTest, TheTreeShowsATableOfAScriptThatFailedLater) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.show();
    ASSERT_FALSE(Node(w, QStringLiteral("x")).isValid());
    w.Editor()->setText(QStringLiteral("CREATE TABLE x(a); SELECT * FROM nosuch;"));
    w.RunQuery(RunMode::Plain);
    EXPECT_TRUE(w.Status()->text().startsWith(QStringLiteral("Error: ")))
        << w.Status()->text().toStdString();
    EXPECT_TRUE(Node(w, QStringLiteral("x")).isValid());
}

// The filter's condition added to a query with GROUP BY, ORDER BY and LIMIT
// runs and returns the rows the filter showed.
TEST_F(WorkspaceWindowTest, AddAsSqlGivesAQueryOfTheFilteredRows) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.show();
    w.Editor()->setText(QStringLiteral(
        "SELECT name, count(*) AS n FROM category GROUP BY name ORDER BY name LIMIT 100;"));
    w.RunQuery(RunMode::Plain);
    ASSERT_EQ(w.Controller().status, QStringLiteral("Query Success."));
    TResultsPage* r = w.Results();
    r->SetFilterOpen(true);
    r->SetFilterSpec(QStringLiteral("a"));
    r->SetFilterSwitch(true);
    r->RunFilter();
    RunEventsFor(50);
    const int shown = r->Proxy()->rowCount({});
    ASSERT_GT(shown, 0);
    ASSERT_LT(shown, r->Model()->rowCount({}));
    ASSERT_TRUE(r->FilterSqlButton()->isVisible());
    r->FilterSqlButton()->click();
    const QString merged = w.Editor()->text();
    EXPECT_LT(merged.indexOf(QStringLiteral("WHERE")), merged.indexOf(QStringLiteral("GROUP BY")))
        << merged.toStdString();
    w.RunQuery(RunMode::Plain);
    EXPECT_EQ(w.Controller().status, QStringLiteral("Query Success.")) << merged.toStdString();
    EXPECT_EQ(r->Model()->rowCount({}), shown) << merged.toStdString();
}

TEST_F(WorkspaceWindowTest, ALongQueryIsCancelledFromTheProgressDialog) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.show();
    w.Editor()->setText(QStringLiteral(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c"));
    bool cancelled = false;
    auto* poll = new QTimer(&w);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TKProgress*>(top); p && p->isVisible() && !cancelled) {
                p->CancelButton()->click();
                cancelled = true;
            }
    });
    poll->start();
    // Should no dialog come, the statement is stopped after 10 s instead of running forever.
    QTimer::singleShot(10000, &w, [&] { sqlite3_interrupt(w.Controller().sql.Handle()); });
    w.RunQuery(RunMode::Plain);
    poll->stop();
    EXPECT_TRUE(cancelled);
    EXPECT_TRUE(w.Status()->text().startsWith(QStringLiteral("Error: ")))
        << w.Status()->text().toStdString();
    EXPECT_FALSE(w.Controller().sql.IsBusy());
}

// The column-statistics pop-up: its markers coloured when they apply and pale
// otherwise, inside the window and the monitor, hidden by a page change.
TEST_F(WorkspaceWindowTest, ColumnPopUpMarkersPlacementAndPageChange) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.resize(900, 700);
    w.show();
    w.Editor()->setText(QStringLiteral("SELECT 5 AS same, code FROM category"));
    w.RunQuery(RunMode::Plain);
    ASSERT_EQ(w.Controller().status, QStringLiteral("Query Success."));
    TResultsPage* r = w.Results();
    r->ShowColumnPopUp(0);
    QFrame* pop = r->ColumnPopUp();
    ASSERT_TRUE(pop->isVisible());
    const QLabel* text = pop->findChild<QLabel*>();
    ASSERT_NE(text, nullptr);
    const QString html = text->text();
    // "same": one value in every row, not empty, not unique (more than one row).
    EXPECT_TRUE(html.contains(QStringLiteral("color: #dce2ef\">Empty"))) << html.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("color: #dce2ef\">Unique")));
    EXPECT_TRUE(html.contains(QStringLiteral("color: #000080\">Singular")));
    QRect room = w.frameGeometry();
    if (w.screen()) room = room.intersected(w.screen()->availableGeometry());
    EXPECT_TRUE(room.contains(pop->geometry()))
        << pop->geometry().x() << "," << pop->geometry().y();
    w.ShowPage(kPageHistory);
    EXPECT_FALSE(pop->isVisible());
}

// The gutter numbers line 1 and every fifth line; a click on it sets bookmark 5.
TEST_F(WorkspaceWindowTest, GutterLabelsAndBookmark) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.show();
    w.Query()->ShowGutter(true);
    w.Editor()->setText(QStringLiteral("a\nb\nc\nd\ne\nf"));
    auto margin = [&](int line) {
        QByteArray buf(16, '\0');
        w.Editor()->SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, (unsigned long)line,
                                  static_cast<void*>(buf.data()));
        return QString::fromUtf8(buf.constData());
    };
    EXPECT_EQ(margin(0), QStringLiteral("1"));
    EXPECT_EQ(margin(1), QStringLiteral("."));
    EXPECT_EQ(margin(4), QStringLiteral("5"));
    Q_EMIT w.Editor()->marginClicked(0, 3, Qt::NoModifier);
    EXPECT_EQ(w.Editor()->markersAtLine(3) & (1u << 5), 1u << 5);
    Q_EMIT w.Editor()->marginClicked(0, 1, Qt::NoModifier);
    EXPECT_EQ(w.Editor()->markersAtLine(3) & (1u << 5), 0u);
    EXPECT_EQ(w.Editor()->markersAtLine(1) & (1u << 5), 1u << 5);
}

// The history editor takes the query editor's comment keys.
TEST_F(WorkspaceWindowTest, HistoryEditorCommentKeys) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.show();
    QsciScintilla* h = w.History();
    h->setText(QStringLiteral("SELECT 1;\r\nSELECT 2;"));
    h->setSelection(0, 0, 0, 9);
    QKeyEvent add(QEvent::KeyRelease, Qt::Key_Minus, Qt::ControlModifier);
    QCoreApplication::sendEvent(h, &add);
    EXPECT_TRUE(h->text().startsWith(QStringLiteral("--"))) << h->text().toStdString();
    EXPECT_TRUE(h->text().contains(QStringLiteral("\r\nSELECT 2;")));
    h->setSelection(0, 0, 0, h->text(0).size() - 2);
    QKeyEvent remove(QEvent::KeyRelease, Qt::Key_Minus, Qt::ControlModifier | Qt::ShiftModifier);
    QCoreApplication::sendEvent(h, &remove);
    EXPECT_EQ(h->text(), QStringLiteral("SELECT 1;\r\nSELECT 2;"));
}

// The Pragma and Analysis pages sit at their tags.
TEST_F(WorkspaceWindowTest, ThePragmaAndAnalysisPages) {
    TfrmSKYMain w;
    w.Init(file, QString());
    auto* pages = w.findChild<QTabWidget*>(QStringLiteral("PageControl1"));
    ASSERT_NE(pages, nullptr);
    EXPECT_EQ(pages->widget(kPagePragma)->objectName(), QStringLiteral("tsPragma"));
    EXPECT_EQ(pages->widget(kPageAnalysis)->objectName(), QStringLiteral("tsAnal"));
}

// Escape on the progress dialog cancels the run; the dialog does not just go.
TEST_F(WorkspaceWindowTest, EscapeOnTheProgressDialogCancelsTheRun) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.show();
    w.Editor()->setText(QStringLiteral(
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM c) SELECT count(*) FROM c"));
    bool pressed = false, visibleAfter = false;
    auto* poll = new QTimer(&w);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* p = qobject_cast<TKProgress*>(top); p && p->isVisible() && !pressed) {
                QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(p, &esc);
                pressed = true;
                visibleAfter = p->isVisible();
            }
    });
    poll->start();
    // Should Escape not cancel, the statement is stopped after 10 s instead of running forever.
    QTimer::singleShot(10000, &w, [&] { sqlite3_interrupt(w.Controller().sql.Handle()); });
    w.RunQuery(RunMode::Plain);
    poll->stop();
    EXPECT_TRUE(pressed);
    EXPECT_TRUE(visibleAfter);
    EXPECT_TRUE(w.Status()->text().startsWith(QStringLiteral("Error: ")))
        << w.Status()->text().toStdString();
    EXPECT_FALSE(w.Controller().sql.IsBusy());
}

// The editor's pop-up menu: its items with their captions, the paste that
// keeps the old text on the stack, the comment items; the Results menu's
// view item follows the run.
TEST_F(WorkspaceWindowTest, EditorPopUpMenuAndResultsMenu) {
    TfrmSKYMain w;
    w.Init(file, QString());
    w.show();
    auto* pu = w.findChild<QMenu*>(QStringLiteral("puQry"));
    ASSERT_NE(pu, nullptr);
    auto action = [&](const char* name) {
        for (QAction* a : pu->findChildren<QAction*>(QString(), Qt::FindDirectChildrenOnly))
            if (a->objectName() == QLatin1String(name)) return a;
        for (QAction* a : w.findChildren<QAction*>())
            if (a->objectName() == QLatin1String(name)) return a;
        return static_cast<QAction*>(nullptr);
    };
    const struct {
        const char* name;
        const char* caption;
        bool enabled;
    } items[] = {{"mnuQryHelpSel1", "Context Help", false},
                 {"mnuQryClear1", "Clear", true},
                 {"mnuQryPasteClear1", "Clear && Paste", true},
                 {"mnuQryUndo1", "Undo", true},
                 {"mnuQryOptShowGutter1", "Show line-numbers (Gutter)", true},
                 {"mnuQryOptWordWrap1", "Word-Wrap", true},
                 {"mnuQryOptHighlighter1", "SQL Code Highlighter", true},
                 {"mnuQryCommentAddBlockCmt1",
                  "Add C-style Block-Comments to selection ( /*... */ )      [Ctrl + / ]", true},
                 {"mnuQryCommentRemBlockCmt1",
                  "Remove C-style Block-Comments from selection         [Shift + Ctrl + / ]", true},
                 {"mnuQryCalc1", nullptr, true},
                 {"mnuQryCopyCode1", "Copy as code", true},
                 {"mnuQryExportFile1", nullptr, true},
                 {"mnuQryExportTable1", "into New Table...", true}};
    for (const auto& i : items) {
        QAction* a = action(i.name);
        ASSERT_NE(a, nullptr) << i.name;
        if (i.caption) {
            EXPECT_EQ(a->text(), QString::fromUtf8(i.caption)) << i.name;
        }
        EXPECT_EQ(a->isEnabled(), i.enabled) << i.name;
    }
    QAction* line = action("mnuQryCommentAddLineCmt1");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->text().startsWith(
        QStringLiteral("Add SQL Line-Comment prefixes to selection ( -- ... )")));
    // A right click in the editor opens it.
    Q_EMIT w.Editor()->customContextMenuRequested(QPoint(5, 5));
    EXPECT_TRUE(WaitFor([&] { return pu->isVisible(); }));
    pu->hide();

    // Paste replaces the selection; the old text goes onto the stack.
    w.Editor()->setText(QStringLiteral("SELECT 1 FROM category"));
    w.Editor()->setSelection(0, 7, 0, 8);
    QGuiApplication::clipboard()->setText(QStringLiteral("code"));
    action("mnuQryPaste1")->trigger();
    EXPECT_EQ(w.Editor()->text(), QStringLiteral("SELECT code FROM category"));
    EXPECT_TRUE(
        w.Controller().editor.stack.Entries().contains(QStringLiteral("SELECT 1 FROM category")));
    // A line comment on the selection, and off again.
    w.Editor()->setText(QStringLiteral("SELECT 1;"));
    w.Editor()->selectAll();
    line->trigger();
    EXPECT_TRUE(w.Editor()->text().startsWith(QStringLiteral("--")))
        << w.Editor()->text().toStdString();
    w.Editor()->selectAll();
    action("mnuQryCommentRemLineCmt1")->trigger();
    EXPECT_EQ(w.Editor()->text(), QStringLiteral("SELECT 1;"));
    action("mnuQryClear1")->trigger();
    EXPECT_TRUE(w.Editor()->text().isEmpty());
    // Undo is offered when the menu opens, and brings the text back.
    Q_EMIT pu->aboutToShow();
    action("mnuQryUndo1")->trigger();
    EXPECT_EQ(w.Editor()->text(), QStringLiteral("SELECT 1;"));

    // The Results menu's view item is enabled by a run that showed rows.
    QAction* makeView = action("mmnuResultsMakeView1");
    ASSERT_NE(makeView, nullptr);
    EXPECT_FALSE(makeView->isEnabled());
    w.Editor()->setText(QStringLiteral("SELECT code FROM category"));
    w.RunQuery(RunMode::Plain);
    EXPECT_TRUE(makeView->isEnabled());
    // It opens the view dialog on the results' query; accepted, the view is made.
    auto* poll = new QTimer(&w);
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<TfrmSKYView*>(top); d && d->isVisible()) {
                poll->stop();
                EXPECT_EQ(d->Current().vName, QStringLiteral("_View_1"));
                EXPECT_EQ(d->Current().vSelect, QStringLiteral("SELECT code FROM category"));
                d->accept();
            }
    });
    poll->start();
    makeView->trigger();
    poll->stop();
    EXPECT_EQ(w.Controller().status, QStringLiteral("Successfuly added View _View_1..."));
    w.Editor()->setText(QStringLiteral("SELECT * FROM nowhere"));
    w.RunQuery(RunMode::Plain);
    EXPECT_FALSE(makeView->isEnabled());
}

// A stored placement is applied again once the window is mapped, inside the
// screen: one from a larger monitor is pulled back onto this one.
TEST_F(WorkspaceWindowTest, StoredPlacementOnceMapped) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QRect stored;
    {
        TfrmSKYMain w;
        w.Init(file, QString());
        w.show();
        w.setGeometry(area.left() + 20, area.top() + 30, area.width() / 2, area.height() / 2);
        RunEventsFor(50);
        stored = w.geometry();
        w.close();
    }
    TfrmSKYMain again;
    again.Init(file, QString());
    again.show();
    RunEventsFor(100);
    EXPECT_EQ(again.geometry(), stored);
    // Moved off the screen, it comes back onto it (as far as its minimum size lets it).
    again.move(area.right() + 500, area.bottom() + 500);
    KeepOnScreen(&again);
    const QRect f = again.frameGeometry();
    EXPECT_TRUE(area.contains(f.topLeft())) << f.x() << "," << f.y();
    EXPECT_TRUE(f.width() > area.width() || f.right() <= area.right()) << f.x() << "," << f.width();
}

} // namespace
} // namespace sky::ui
