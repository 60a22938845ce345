#include "workspace/ui/TablePage.h"

#include "workspace/WorkspaceController.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

const QStringList kObjectHeadings = {QStringLiteral("-"),
                                     QStringLiteral("DB Object Name and Definition")};

QTableWidget* Grid(QWidget* parent, const QString& name) {
    auto* g = new QTableWidget(parent);
    g->setObjectName(name);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->verticalHeader()->hide();
    return g;
}

void Fill(QTableWidget* g, const QStringList& headings, const QList<QStringList>& rows) {
    g->setUpdatesEnabled(false);
    g->clear();
    g->setColumnCount(int(headings.size()));
    g->setHorizontalHeaderLabels(headings);
    g->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size() && c < headings.size(); ++c)
            g->setItem(r, c, new QTableWidgetItem(rows[r][c]));
    g->setUpdatesEnabled(true);
}

} // namespace

TTablePage::TTablePage(const WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsTable"));
    auto* v = new QVBoxLayout(this);
    auto* labels = new QHBoxLayout;
    lblTableName = new QLabel(QStringLiteral("(None)"), this);
    lblTableName->setObjectName(QStringLiteral("lblTableName"));
    QFont f = lblTableName->font();
    f.setBold(true);
    lblTableName->setFont(f);
    lblTablePriKey = new QLabel(this);
    lblTableSizeCC = new QLabel(QStringLiteral("---"), this);
    lblTableSizeRC = new QLabel(QStringLiteral("---"), this);
    labels->addWidget(lblTableName);
    labels->addSpacing(16);
    labels->addWidget(new QLabel(QStringLiteral("Primary Key:"), this));
    labels->addWidget(lblTablePriKey);
    labels->addStretch(1);
    labels->addWidget(new QLabel(QStringLiteral("Cols: "), this));
    labels->addWidget(lblTableSizeCC);
    labels->addSpacing(12);
    labels->addWidget(new QLabel(QStringLiteral("Rows: "), this));
    labels->addWidget(lblTableSizeRC);
    v->addLayout(labels);
    auto* split = new QSplitter(Qt::Horizontal, this);
    sgFields = Grid(split, QStringLiteral("sgFields"));
    sgIndices = Grid(split, QStringLiteral("sgIndices"));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    v->addWidget(split, 1);
    Fill(sgFields, kFieldHeadings, {});
}

void TTablePage::Render() {
    const TablePageState& t = FCtl.table;
    QList<QStringList> fields;
    for (const FieldInfo& f : t.fields)
        fields << f.cells;
    Fill(sgFields, kFieldHeadings, fields);
    sgFields->setColumnWidth(0, 40);
    sgFields->setColumnWidth(1, 180);
    sgFields->setColumnWidth(2, 120);
    sgFields->horizontalHeader()->setStretchLastSection(true);
    QList<QStringList> objects;
    for (const auto& i : t.indexes)
        objects << QStringList{QStringLiteral("index"), i.name};
    for (const auto& tr : t.triggers)
        objects << QStringList{QStringLiteral("trigger"), tr.name};
    Fill(sgIndices, kObjectHeadings, objects);
    sgIndices->horizontalHeader()->setStretchLastSection(true);
    lblTableName->setText(t.nameLabel);
    lblTablePriKey->setText(t.keyLabel);
    lblTableSizeCC->setText(t.columnCount);
    lblTableSizeRC->setText(t.rowCount);
}

} // namespace sky::ui
