// The results grid's copy, save and cell-action menus: the parts of the
// context menu (and of the "Results" menu) that copy the grid, a row, a
// column or the headings, save the results, and act on the value, the row
// and the table behind a cell. The texts and decisions are the
// controller's (ResultsExport, ResultsActions); this builds the items.
#include "workspace/ui/ResultsView.h"

#include "shell/ui/HelpPanel.h"
#include "shell/ui/QtFileChooser.h"
#include "support/TextUtil.h"

#include <QMenu>
#include <QTableView>

namespace sky::ui {
namespace {

QAction* Item(QMenu* m, const QString& caption, const char* name) {
    QString c = caption;
    c.replace(QLatin1Char('&'), QStringLiteral("&&"));
    QAction* a = m->addAction(c);
    a->setObjectName(QLatin1String(name));
    return a;
}

// A disabled first line showing what the submenu acts on.
void Label(QMenu* m, const QString& text, const char* name) {
    Item(m, text, name)->setEnabled(false);
    m->addSeparator();
}

} // namespace

void TResultsPage::AddCopyMenus(QMenu& m, int row, int col) {
    const TResultTable& t = FCtl.results.rows;
    const bool cell = row >= 0 && row < t.RowCount() && col >= 0 && col < t.ColumnCount();
    const QString value = cell ? t.Text(row, col) : QString();
    // The whole grid.
    const struct {
        const char* caption;
        const char* name;
        GridCopy shape;
    } grid[] = {{"Copy full result set as CSV", "mnuCopyResultsCSV1", GridCopy::Csv},
                {"Copy full result set tab-separated", "mnuCopyResultsExcel1", GridCopy::Tab},
                {"Copy full result set as XML", "mnuCopyResultsXML1", GridCopy::Xml},
                {"Copy full result set as JSON", "mnuCopyResultsJSON1", GridCopy::Json}};
    QMenu* full = m.addMenu(QStringLiteral("Copy full Result-set"));
    full->setEnabled(t.ColumnCount() > 0 && t.RowCount() > 0);
    for (const auto& g : grid)
        connect(Item(full, QLatin1String(g.caption), g.name), &QAction::triggered, this,
                [this, shape = g.shape] {
                    FCtl.CopyResults(shape, Clipboard(),
                                     [this](int r) { return FProxy->RowShown(r); });
                });
    // The value.
    const QString shown = TrimText(value).isEmpty() ? QStringLiteral("- Empty Value -")
                                                    : QStringLiteral("Copy [") +
                                                          ShortenText(value, 58) + QLatin1Char(']');
    QAction* copyValue =
        Item(&m, cell ? shown : QStringLiteral("[No Selection]"), "mnuCopythisValue1");
    copyValue->setEnabled(cell && !TrimText(value).isEmpty());
    connect(copyValue, &QAction::triggered, this,
            [this, row, col] { FCtl.CopyResultValue(row, col, Clipboard()); });
    // The row.
    const struct {
        const char* caption;
        const char* name;
        RowCopy shape;
    } rows[] = {
        {"as Comma-separated (CSV)", "mnuCopyLineCommaSeparated1", RowCopy::Csv},
        {"as Comma-data (CSV without Header)", "mnuCopyLineCommaSeparated2", RowCopy::CsvData},
        {"as Tab separated  (Spreadsheet format)", "mnuCopyLineTabSeparated2", RowCopy::Tab},
        {"as Tab separated  (without Header)", "mnuCopyLineTabSeparated1", RowCopy::TabData},
        {"as Value List", "mnuCopyLineList1", RowCopy::List},
        {"as Property-Value pairs", "mnuCopyLinePropList1", RowCopy::Props},
        {"as Structured XML", "mnuCopyLineXML1", RowCopy::Xml},
        {"as Structured JSON object", "mnuCopyLineJSON1", RowCopy::Json},
        {"as SQL VALUES(...) clause", "mnuCopyLineSQL1", RowCopy::Sql},
        {"as SQL VALUES  (without Field-names)", "mnuCopyLineSQL2", RowCopy::SqlValues}};
    QMenu* rowMenu = m.addMenu(QStringLiteral("Copy this Row"));
    rowMenu->setEnabled(cell);
    for (const auto& r : rows)
        connect(Item(rowMenu, QLatin1String(r.caption), r.name), &QAction::triggered, this,
                [this, row, shape = r.shape] { FCtl.CopyResultRow(row, shape, Clipboard()); });
    // The column.
    const struct {
        const char* caption;
        const char* name;
        ColumnCopy shape;
    } cols[] = {
        {"as List", "mnuResultsCopyColWithHeader1", ColumnCopy::List},
        {"as List - without Header", "mnuResultsCopyColWithoutHeader1", ColumnCopy::ListData},
        {"as Unique List - no duplicates", "mnuResultsCopyColUnique1", ColumnCopy::Unique},
        {"without Quotes", "mnuResultsCopyColDBNoQuotes1", ColumnCopy::Plain},
        {"with single Quotes     ( ' ... ' )", "mnuResultsCopyColDBQuoteSingle1",
         ColumnCopy::Single},
        {"with double Quotes   ( \" ... \" )", "mnuResultsCopyColDBQuoteDouble1",
         ColumnCopy::Double},
        {"with Back-ticks           ( ` ... ` )", "mnuResultsCopyColDBQuoteBackTick1",
         ColumnCopy::Backtick},
        {"with Brackets              ( [ ... ] )", "mnuResultsCopyColDBQuoteBrackets1",
         ColumnCopy::Brackets}};
    bool anyText = false;
    for (int r = 0; cell && r < t.RowCount() && !anyText; ++r)
        anyText = !TrimText(t.Text(r, col)).isEmpty();
    QMenu* colMenu = m.addMenu(QStringLiteral("Copy this Column"));
    colMenu->setEnabled(anyText);
    for (int i = 0; i < int(std::size(cols)); ++i) {
        if (i == 3) colMenu->addSeparator();
        connect(
            Item(colMenu, QLatin1String(cols[i].caption), cols[i].name), &QAction::triggered, this,
            [this, col, shape = cols[i].shape] { FCtl.CopyResultColumn(col, shape, Clipboard()); });
    }
    // The headings.
    QMenu* head = m.addMenu(QStringLiteral("Copy the Header"));
    head->setEnabled(t.ColumnCount() > 0);
    connect(Item(head, QStringLiteral("as List"), "mnuResultsCopyHeaderList1"), &QAction::triggered,
            this, [this] { FCtl.CopyResultHeadings(HeaderCopy::List, Clipboard()); });
    QAction* one = Item(head, QStringLiteral("of this Column only"), "mnuResultsCopyHeaderSingle1");
    one->setEnabled(col >= 0 && col < t.ColumnCount());
    connect(one, &QAction::triggered, this,
            [this, col] { FCtl.CopyResultHeading(col, Clipboard()); });
    head->addSeparator();
    const struct {
        const char* caption;
        const char* name;
        HeaderCopy shape;
    } heads[] = {{"without Quotes", "mnuResultsCopyHeaderDataUnQuoted1", HeaderCopy::Plain},
                 {"with single Quotes     ( ' ... ' )", "mnuResultsCopyHeaderDataQuoteSingle1",
                  HeaderCopy::Single},
                 {"with double Quotes   ( \" ... \" )", "mnuResultsCopyHeaderDataQuoteDouble1",
                  HeaderCopy::Double},
                 {"with Back-ticks           ( ` ... ` )", "mnuResultsCopyHeaderDataQuoteTick1",
                  HeaderCopy::Backtick},
                 {"with Brackets              ( [ ... ] )", "mnuResultsCopyHeaderDataBracketed1",
                  HeaderCopy::Brackets}};
    for (const auto& h : heads)
        connect(Item(head, QLatin1String(h.caption), h.name), &QAction::triggered, this,
                [this, shape = h.shape] { FCtl.CopyResultHeadings(shape, Clipboard()); });
    QAction* colHeader = Item(&m, QStringLiteral("Column Header only"), "mnuResultsCopyColHeader1");
    colHeader->setEnabled(col >= 0 && col < t.ColumnCount());
    connect(colHeader, &QAction::triggered, this,
            [this, col] { FCtl.CopyResultHeading(col, Clipboard()); });
}

void TResultsPage::AddSaveMenu(QMenu& m, const QString& caption, const char* name) {
    QMenu* save = m.addMenu(caption);
    save->menuAction()->setObjectName(QLatin1String(name));
    const TResultTable& t = FCtl.results.rows;
    save->setEnabled(t.ColumnCount() > 0 && t.RowCount() > 0 && !FCtl.Busy());
    const struct {
        const char* caption;
        SaveKind kind;
    } saves[] = {{"to CSV file...", SaveKind::Csv},
                 {"to XML file...", SaveKind::Xml},
                 {"to JSON file...", SaveKind::Json}};
    for (const auto& s : saves)
        save->addAction(QLatin1String(s.caption), this, [this, kind = s.kind] {
            QtFileChooser files;
            FCtl.SaveResults(kind, files, Opener());
        });
    save->addSeparator();
    save->addAction(QStringLiteral("to New Table..."), this,
                    [this] { FCtl.ResultsToNewTable(false); })
        ->setObjectName(QStringLiteral("mnuSaveAsNewTable1"));
}

void TResultsPage::AddCellActions(QMenu& m, int row, int col) {
    const CellActionState s = FCtl.CellActionsAt(row, col);
    const TResultTable& t = FCtl.results.rows;
    const bool cell = row >= 0 && row < t.RowCount() && col >= 0 && col < t.ColumnCount();
    auto add = [this, row, col](QMenu* menu, const char* caption, const char* name, CellAction a,
                                const QString& why) {
        QAction* item = Item(menu, QLatin1String(caption), name);
        item->setEnabled(why.isEmpty());
        // A disabled item says why in its tooltip.
        if (!why.isEmpty()) item->setToolTip(why);
        connect(item, &QAction::triggered, this, [this, a, row, col] {
            Q_EMIT EditorWanted(true);
            FCtl.RunCellAction(a, row, col);
            Q_EMIT EditorWanted(false);
        });
        return item;
    };
    // The value.
    QMenu* value = m.addMenu(QStringLiteral("Cell-value actions"));
    value->setToolTipsVisible(true);
    value->setEnabled(cell);
    value->setToolTip(s.valueWhy);
    const QString v = cell ? t.Text(row, col) : QString();
    Label(value,
          TrimText(v).isEmpty() ? QStringLiteral("- Empty Value -")
                                : QLatin1Char('[') + ShortenText(v, 64) + QLatin1Char(']'),
          "mnuFuncValueData1");
    add(value, "Edit Value", "mnuFuncValueChange1", CellAction::EditValue, s.valueWhy);
    add(value, "Show SQL to Edit this Value", "mnuFuncValueShowSQLEdit1", CellAction::ShowEdit,
        s.valueWhy);
    add(value, "Show SELECT SQL", "mnuFuncValueShowSelSQL1", CellAction::ShowSelect, s.valueWhy);
    add(value, "Show UPDATE SQL", "mnuFuncValueShowUpdSQL1", CellAction::ShowUpdate, s.valueWhy);
    value->addSeparator();
    add(value, "Show Unique column values SQL", "mnuFuncValueShowUniqueSQL1",
        CellAction::ShowUnique, s.valueWhy);
    add(value, "List Unique column values", "mnuFuncValueShoqUnique1", CellAction::ListUnique,
        s.valueWhy);
    value->addSeparator();
    QAction* copy = Item(value, QStringLiteral("Copy this Value"), "mnuFuncValueCopy1");
    copy->setEnabled(cell && !TrimText(v).isEmpty());
    connect(copy, &QAction::triggered, this,
            [this, row, col] { FCtl.CopyResultValue(row, col, Clipboard()); });
    // The row.
    QMenu* line = m.addMenu(QStringLiteral("Row actions"));
    line->setToolTipsVisible(true);
    line->setEnabled(cell);
    QStringList cells;
    for (int c = 0; cell && c < t.ColumnCount(); ++c)
        cells << t.Text(row, c);
    Label(line, QLatin1Char('[') + ShortenText(cells.join(QLatin1Char(',')), 30) + QLatin1Char(']'),
          "mnuFuncLineData1");
    add(line, "Show in Value Editor", "mnuFuncLineEdit1", CellAction::ShowInEditor, s.rowWhy);
    add(line, "Duplicate this Row", "mnuFuncLineCopy1", CellAction::Duplicate, s.rowWhy);
    add(line, "Remove this Row", "mnuFuncLineRemove1", CellAction::Remove, s.rowWhy);
    line->addSeparator();
    add(line, "Show UPDATE SQL for this Row", "mnuFuncLineShowUpdSQL1", CellAction::RowShowUpdate,
        s.rowWhy);
    add(line, "Show INSERT SQL to Copy Row", "mnuFuncLineShowCopySQL1", CellAction::RowShowInsert,
        s.rowWhy);
    add(line, "Show DELETE SQL to Remove Row", "mnuFuncLineShowDelSQL1", CellAction::RowShowDelete,
        s.rowWhy);
    // The table.
    QMenu* table = m.addMenu(QStringLiteral("Table actions"));
    table->setEnabled(s.table);
    Label(table, QLatin1Char('[') + ShortenText(FCtl.table.name, 30) + QLatin1Char(']'),
          "mnuFuncTableData1");
    const QString noTable = s.table ? QString() : QStringLiteral("No table is selected");
    add(table, "Show CREATE SQL for this Table", "mnuFuncTableShowCreateSQL1",
        CellAction::TableShowCreate, noTable);
    add(table, "Show RENAME SQL for this Table", "mnuFuncTableShowRenameSQL1",
        CellAction::TableShowRename, noTable);
    add(table, "Show DROP SQL for this Table", "mnuFuncTableShowDropSQL1",
        CellAction::TableShowDrop, noTable);
    table->addSeparator();
    const struct {
        const char* caption;
        const char* name;
        TableCommandKind kind;
    } ops[] = {{"Copy this Table...", "mnuFuncTableCopy1", TableCommandKind::Copy},
               {"Rename this Table...", "mnuFuncTableRename1", TableCommandKind::Rename},
               {"Empty Table Data...", "mnuFuncTableEmpty", TableCommandKind::Empty},
               {"Remove this Table...", "mnuFuncTableDrop1", TableCommandKind::Drop}};
    for (const auto& o : ops)
        connect(Item(table, QLatin1String(o.caption), o.name), &QAction::triggered, this,
                [this, kind = o.kind] { FCtl.TableCommand(kind); });
    table->addSeparator();
    connect(Item(table, QStringLiteral("Show full Table-Menu"), "mnuFuncTableShowFullTableMenu1"),
            &QAction::triggered, this, [this] { Q_EMIT TableMenuWanted(); });
}

// Enter and double-click edit the value; Delete removes the row after its
// two questions. Nothing happens where the value actions are not allowed.
void TResultsPage::CellCommand(CellAction action) {
    const QModelIndex i = sgResults->currentIndex();
    if (!i.isValid()) return;
    const int row = FProxy->mapToSource(i).row(), col = i.column();
    const CellActionState s = FCtl.CellActionsAt(row, col);
    const QString& why = action == CellAction::RemoveKey ? s.rowWhy : s.valueWhy;
    if (!why.isEmpty()) {
        FCtl.SetStatus(why);
        return;
    }
    Q_EMIT EditorWanted(true);
    FCtl.RunCellAction(action, row, col);
    Q_EMIT EditorWanted(false);
}

} // namespace sky::ui
