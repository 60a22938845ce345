#include "workspace/ui/TablePage.h"

#include "workspace/ui/NotYet.h"
#include "workspace/ui/TableGridDelegates.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

// Field grid geometry: heading and data row heights, the fixed column
// widths, and the least width of the last column.
constexpr int kHeadingHeight = 22, kFieldRowHeight = 75;
constexpr int kColWidths[] = {24, 180, 120, 180, 180};
constexpr int kLastColMin = 120;
constexpr int kTypeColWidth = 16;

const QString kHeaderSheet = QStringLiteral(
    "QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FFFFFF, "
    "stop:1 #E0E0E4); color: #000040; font-weight: bold; border: 1px solid #D0D0D0; "
    "padding: 1px 2px; }");
const QString kGridSheet = QStringLiteral("QTableWidget { background: white; color: black; }");

QTableWidget* Grid(QWidget* parent, const QString& name) {
    auto* g = new QTableWidget(parent);
    g->setObjectName(name);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setShowGrid(false);
    g->setWordWrap(false);
    g->verticalHeader()->hide();
    g->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    g->horizontalHeader()->setFixedHeight(kHeadingHeight);
    g->horizontalHeader()->setMinimumSectionSize(kTypeColWidth);
    g->horizontalHeader()->setStyleSheet(kHeaderSheet);
    g->setStyleSheet(kGridSheet);
    return g;
}

// The rows as plain items: the delegates draw them from the state, the
// items carry the texts for copying and tooltips.
void Fill(QTableWidget* g, const QStringList& headings, const QList<QStringList>& rows) {
    g->clear();
    g->setColumnCount(int(headings.size()));
    g->setHorizontalHeaderLabels(headings);
    g->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size() && c < headings.size(); ++c)
            g->setItem(r, c, new QTableWidgetItem(rows[r][c]));
}

} // namespace

TTablePage::TTablePage(WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsTable"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    BuildLabels(v);
    auto* split = new QSplitter(Qt::Horizontal, this);
    sgFields = Grid(split, QStringLiteral("sgFields"));
    sgFields->setItemDelegate(new FieldGridDelegate(c.table, sgFields));
    sgFields->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sgFields->verticalHeader()->setDefaultSectionSize(kFieldRowHeight);
    sgFields->installEventFilter(this);
    sgIndices = Grid(split, QStringLiteral("sgIndices"));
    sgIndices->setItemDelegate(new ObjectGridDelegate(c.table, sgIndices));
    sgIndices->horizontalHeader()->setStretchLastSection(true);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);
    BuildButtons(v);
    Fill(sgFields, kFieldHeadings, {});
    Fill(sgIndices, kObjectHeadings, {});
    RenderButtons();
    // A row chosen by the user (not by rendering) goes to the controller.
    connect(sgFields, &QTableWidget::currentCellChanged, this, [this](int row, int, int before) {
        if (!FRendering && row != before) FCtl.ChooseFieldRow(row);
    });
    connect(sgIndices, &QTableWidget::currentCellChanged, this, [this](int row, int, int before) {
        if (!FRendering && row != before) FCtl.ChooseObjectRow(row);
    });
    connect(sgFields, &QTableWidget::cellDoubleClicked, this,
            [this] { EditorCommand(&WorkspaceController::ShowColumnMetadata); });
}

// Name, primary key, column and row counts, the count button and the help image.
void TTablePage::BuildLabels(QVBoxLayout* v) {
    auto* labels = new QHBoxLayout;
    lblTableName = new QLabel(QStringLiteral("(None)"), this);
    lblTableName->setObjectName(QStringLiteral("lblTableName"));
    QFont f = lblTableName->font();
    f.setBold(true);
    lblTableName->setFont(f);
    lblTablePriKey = new QLabel(this);
    lblTablePriKey->setObjectName(QStringLiteral("lblTablePriKey"));
    lblTableSizeCC = new QLabel(QStringLiteral("---"), this);
    lblTableSizeCC->setObjectName(QStringLiteral("lblTableSizeCC"));
    lblTableSizeRC = new QLabel(QStringLiteral("---"), this);
    lblTableSizeRC->setObjectName(QStringLiteral("lblTableSizeRC"));
    lblTableSizeRC->setCursor(Qt::PointingHandCursor);
    lblTableSizeRC->installEventFilter(this);
    btnTableSizeCC = new QToolButton(this);
    btnTableSizeCC->setObjectName(QStringLiteral("btnTableSizeCC"));
    btnTableSizeCC->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    btnTableSizeCC->setAutoRaise(true);
    connect(btnTableSizeCC, &QToolButton::clicked, this,
            [this] { FCtl.TableCommand(TableCommandKind::CountRows); });
    imgHelpTableView = new QLabel(QStringLiteral(" ? "), this);
    imgHelpTableView->setObjectName(QStringLiteral("imgHelpTableView"));
    labels->addWidget(lblTableName);
    labels->addSpacing(16);
    labels->addWidget(new QLabel(QStringLiteral("Primary Key:"), this));
    labels->addWidget(lblTablePriKey);
    labels->addStretch(1);
    labels->addWidget(new QLabel(QStringLiteral("Cols: "), this));
    labels->addWidget(lblTableSizeCC);
    labels->addSpacing(12);
    lblRowsCaption = new QLabel(QStringLiteral("Rows: "), this);
    lblRowsCaption->setCursor(Qt::PointingHandCursor);
    lblRowsCaption->installEventFilter(this);
    labels->addWidget(lblRowsCaption);
    labels->addWidget(lblTableSizeRC);
    labels->addWidget(btnTableSizeCC);
    labels->addSpacing(8);
    labels->addWidget(imgHelpTableView);
    v->addLayout(labels);
}

QPushButton* TTablePage::AddButton(QLayout* row, const char* name, const QString& caption,
                                   TableCommandKind kind) {
    auto* b = new QPushButton(caption, this);
    b->setObjectName(QLatin1String(name));
    row->addWidget(b);
    FButtons.append({b, kind});
    connect(b, &QPushButton::clicked, this, [this, kind] {
        // Commands that may put SQL into the editor read it first.
        Q_EMIT EditorWanted(true);
        FCtl.TableCommand(kind);
        Q_EMIT EditorWanted(false);
    });
    return b;
}

// The table and column operations below the field grid, the object
// operations below the object grid.
void TTablePage::BuildButtons(QVBoxLayout* v) {
    using K = TableCommandKind;
    auto* rows = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    auto* tableRow = new QHBoxLayout;
    AddButton(tableRow, "btnTableDrop", QStringLiteral("Drop Table..."), K::Drop);
    AddButton(tableRow, "btnTableEmpty", QStringLiteral("Empty Table..."), K::Empty);
    AddButton(tableRow, "btnTableCopy", QStringLiteral("Copy Table..."), K::Copy);
    AddButton(tableRow, "btnTableRename", QStringLiteral("Rename Table..."), K::Rename);
    AddButton(tableRow, "btnTableCompare", QStringLiteral("Compare..."), K::Compare);
    AddButton(tableRow, "btnTableAlter", QStringLiteral("Edit Layout..."), K::Alter);
    tableRow->addStretch(1);
    auto* columnRow = new QHBoxLayout;
    AddButton(columnRow, "btnTableIndAdd", QStringLiteral("Add Index..."), K::AddIndex);
    AddButton(columnRow, "btnTableTrigAdd", QStringLiteral("Add Trigger..."), K::AddTrigger);
    AddButton(columnRow, "btnTableSQLAddIndex", QStringLiteral("Show \"Create Index\" SQL"),
              K::ShowIndexSql);
    AddButton(columnRow, "btnTableSQLAddTrigger", QStringLiteral("Show \"Create Trigger\" SQL"),
              K::ShowTriggerSql);
    columnRow->addStretch(1);
    left->addLayout(tableRow);
    left->addLayout(columnRow);
    rows->addLayout(left, 3);
    auto* right = new QVBoxLayout;
    auto* objectRow = new QHBoxLayout;
    btnTableIndAlter =
        AddButton(objectRow, "btnTableIndAlter", QStringLiteral("Edit Index"), K::EditObject);
    btnTableIndRemove = AddButton(objectRow, "btnTableIndRemove",
                                  QStringLiteral("Remove Index from Table..."), K::RemoveObject);
    right->addLayout(objectRow);
    btnTableShowSchemaSQL = new QPushButton(QStringLiteral("Show selected SQL"), this);
    btnTableShowSchemaSQL->setObjectName(QStringLiteral("btnTableShowSchemaSQL"));
    connect(btnTableShowSchemaSQL, &QPushButton::clicked, this,
            [this] { EditorCommand(&WorkspaceController::ShowObjectSql); });
    right->addWidget(btnTableShowSchemaSQL);
    rows->addLayout(right, 1);
    v->addLayout(rows);
}

QPushButton* TTablePage::Button(const QString& name) const {
    if (name == btnTableShowSchemaSQL->objectName()) return btnTableShowSchemaSQL;
    for (const auto& b : FButtons)
        if (b.first->objectName() == name) return b.first;
    return nullptr;
}

void TTablePage::EditorCommand(void (WorkspaceController::*command)()) {
    Q_EMIT EditorWanted(true);
    (FCtl.*command)();
    Q_EMIT EditorWanted(false);
}

void TTablePage::Render() {
    const TablePageState& t = FCtl.table;
    RenderGrids();
    lblTableName->setText(t.nameLabel);
    lblTablePriKey->setText(t.keyLabel);
    lblTableSizeCC->setText(t.columnCount);
    lblTableSizeRC->setText(t.rowCount);
    lblTableSizeRC->setToolTip(t.rowCountHint);
    lblRowsCaption->setToolTip(t.rowCountHint);
    btnTableSizeCC->setToolTip(t.countButtonHint);
    RenderButtons();
}

// The grids are filled again only when their rows changed; the chosen rows
// follow the state.
void TTablePage::RenderGrids() {
    const TablePageState& t = FCtl.table;
    FRendering = true;
    QList<QStringList> fields;
    for (const FieldInfo& f : t.fields)
        fields << f.cells;
    bool same = sgFields->rowCount() == fields.size();
    for (int r = 0; same && r < fields.size(); ++r)
        for (int c = 0; same && c < fields[r].size(); ++c)
            same = sgFields->item(r, c) && sgFields->item(r, c)->text() == fields[r][c];
    if (!same) Fill(sgFields, kFieldHeadings, fields);
    QList<QStringList> objects;
    for (const ObjectRow& o : t.objects)
        objects << QStringList{o.type, o.name, o.sql};
    same = sgIndices->rowCount() == objects.size();
    for (int r = 0; same && r < objects.size(); ++r)
        same = sgIndices->item(r, 1) && sgIndices->item(r, 1)->text() == objects[r][1] &&
               sgIndices->item(r, 2)->text() == objects[r][2];
    if (!same) {
        Fill(sgIndices, kObjectHeadings, objects);
        for (int r = 0; r < objects.size(); ++r) {
            sgIndices->item(r, 0)->setToolTip(objects[r][0]);
            sgIndices->item(r, 1)->setToolTip(objects[r][2]);
        }
        sgIndices->setColumnWidth(0, kTypeColWidth);
        sgIndices->setColumnHidden(2, true);
    }
    if (sgFields->currentRow() != t.fieldRow) sgFields->setCurrentCell(t.fieldRow, 1);
    if (sgIndices->currentRow() != t.objectRow) sgIndices->setCurrentCell(t.objectRow, 1);
    LayoutFieldColumns();
    sgFields->viewport()->update();
    sgIndices->viewport()->update();
    FRendering = false;
}

// Fixed widths for the first columns; "Comments and Defaults" hidden for
// views, "Other Constraints" unless a column has text there; the last
// column takes the rest.
void TTablePage::LayoutFieldColumns() {
    const TablePageState& t = FCtl.table;
    const bool view = t.type == 1;
    bool other = false;
    for (const FieldInfo& f : t.fields)
        other = other || !CellParts(f.cells.value(4)).join(QString()).isEmpty();
    int used = 0;
    for (int c = 0; c < 5; ++c) {
        const bool hidden = (c == 3 && view) || (c == 4 && (view || !other));
        sgFields->setColumnHidden(c, hidden);
        if (hidden) continue;
        sgFields->setColumnWidth(c, kColWidths[c]);
        used += kColWidths[c];
    }
    sgFields->setColumnWidth(5, std::max(kLastColMin, sgFields->viewport()->width() - used - 8));
}

void TTablePage::RenderButtons() {
    const TablePageState& t = FCtl.table;
    using K = TableCommandKind;
    for (const auto& [button, kind] : FButtons) {
        bool on = t.tableButtons;
        if (kind == K::Drop) on = t.objectButtons;
        if (kind == K::Compare && !FCtl.CompareReady()) {
            // No compare window in this window: the button says so.
            on = false;
            button->setToolTip(kNotYetItem);
        }
        button->setEnabled(on);
    }
    btnTableSizeCC->setEnabled(t.objectButtons);
    const ObjectButtons& o = t.objectChoice;
    btnTableIndRemove->setText(o.removeCaption);
    btnTableIndRemove->setToolTip(o.removeHint);
    btnTableIndRemove->setEnabled(o.removeEnabled);
    btnTableIndAlter->setText(o.editCaption);
    btnTableIndAlter->setToolTip(o.editHint);
    btnTableIndAlter->setEnabled(o.editEnabled);
    btnTableShowSchemaSQL->setEnabled(t.objectButtons && o.showSqlEnabled);
}

bool TTablePage::eventFilter(QObject* o, QEvent* e) {
    if (o == sgFields && e->type() == QEvent::Resize) LayoutFieldColumns();
    if ((o == lblTableSizeRC || o == lblRowsCaption) && e->type() == QEvent::MouseButtonRelease &&
        FCtl.table.objectButtons)
        FCtl.TableCommand(TableCommandKind::CountRows);
    return QWidget::eventFilter(o, e);
}

} // namespace sky::ui
