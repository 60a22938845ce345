#include "workspace/ui/QuickSqlPage.h"

#include "workspace/WorkspaceController.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QVBoxLayout>

namespace sky::ui {

TQuickSqlPage::TQuickSqlPage(WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsDBQuickSQL"));
    auto row = [this](const char* name) {
        auto* w = new QWidget(this);
        w->setObjectName(QLatin1String(name));
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        return w;
    };
    // The column panel.
    pnlColumn = row("pnlSQLField");
    auto* caption = new QLabel(QStringLiteral(" Select Column: "), pnlColumn);
    cbSQLField = new QComboBox(pnlColumn);
    cbSQLField->setObjectName(QStringLiteral("cbSQLField"));
    cbSQLField->setToolTip(
        QStringLiteral("Choose a field to use with the other SQL buttons in this block"));
    btnSQLField = Button(pnlColumn, "btnSQLField", QStringLiteral("+"),
                         QStringLiteral("Add the selected Colum (Field) to the SQL at the current "
                                        "cursor position"));
    pnlColumn->layout()->addWidget(caption);
    static_cast<QHBoxLayout*>(pnlColumn->layout())->addWidget(cbSQLField, 1);
    pnlColumn->layout()->addWidget(btnSQLField);
    connect(btnSQLField, &QPushButton::clicked, this,
            [this] { Run([this] { FCtl.QuickInsertColumn(cbSQLField->currentText()); }); });
    // "Add & Compare: " and the comparison buttons: each inserts its hint.
    // The caption above its buttons, which share the full width.
    pnlCompare = new QWidget(this);
    pnlCompare->setObjectName(QStringLiteral("pnlSQLCompare"));
    auto* cv = new QVBoxLayout(pnlCompare);
    cv->setContentsMargins(0, 0, 0, 0);
    cv->setSpacing(1);
    cv->addWidget(new QLabel(QStringLiteral("Add & Compare: "), pnlCompare));
    auto* compares = new QWidget(pnlCompare);
    auto* ch = new QHBoxLayout(compares);
    ch->setContentsMargins(0, 0, 0, 0);
    ch->setSpacing(2);
    cv->addWidget(compares);
    for (const QuickCompare& q : kQuickCompares) {
        auto* b = new QPushButton(QLatin1String(q.caption), compares);
        b->setObjectName(QStringLiteral("btnSQLCompare") + QLatin1String(q.caption));
        // The hint is the text inserted, not shown as a tooltip.
        b->setProperty("hint", QLatin1String(q.hint));
        b->setMinimumWidth(8);
        ch->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, b] {
            Run([this, b] {
                FCtl.QuickCompare(cbSQLField->currentText(), b->property("hint").toString());
            });
        });
    }
    // The statements of the table.
    pnlMiddle = row("pnlSQLMiddle");
    btnSQLDelete = Button(pnlMiddle, "btnSQLDelete", QStringLiteral("DELETE"),
                          QStringLiteral("Show general DELETE SQL for this Table"));
    btnSQLInsert = Button(pnlMiddle, "btnSQLInsert", QStringLiteral("INSERT"),
                          QStringLiteral("Show general INSERT SQL for this Table"));
    btnSQLUpdate = Button(pnlMiddle, "btnSQLUpdate", QStringLiteral("UPDATE"),
                          QStringLiteral("Show general UPDATE SQL for this Table"));
    btnSQLUpsert = Button(pnlMiddle, "btnSQLUpsert", QStringLiteral("UPSERT"),
                          QStringLiteral("Show general INSERT SQL for this Table"));
    pnlTable = row("pnlSQLTable");
    btnCreateTable = Button(pnlTable, "btnCreateTable", QStringLiteral("CREATE"),
                            QStringLiteral("Show full CREATE TABLE SQL for this Table"));
    btnDropTable = Button(pnlTable, "btnDropTable", QStringLiteral("DROP"),
                          QStringLiteral("Show DROP TABLE SQL for this Table"));
    btnSQLNewTable = Button(pnlTable, "btnSQLNewTable", QStringLiteral("New"),
                            QStringLiteral("Get SQL from Table Designer"));
    btnSQLSelect = Button(pnlTable, "btnSQLSelect", QStringLiteral("SELECT"),
                          QStringLiteral("Show a general SELECT SQL for this Table"));
    btnSQLSelStar = Button(pnlTable, "btnSQLSelStar", QStringLiteral("*"),
                           QStringLiteral("Show SELECT ALL SQL for this Table"));
    const struct {
        QPushButton* button;
        QuickKind kind;
    } kinds[] = {{btnSQLDelete, QuickKind::Delete},   {btnSQLInsert, QuickKind::Insert},
                 {btnSQLUpdate, QuickKind::Update},   {btnSQLUpsert, QuickKind::Upsert},
                 {btnCreateTable, QuickKind::Create}, {btnDropTable, QuickKind::Drop},
                 {btnSQLSelect, QuickKind::Select},   {btnSQLSelStar, QuickKind::SelectAll}};
    for (const auto& k : kinds) {
        k.button->setProperty("kind", int(k.kind));
        connect(k.button, &QPushButton::clicked, this,
                [this, kind = k.kind] { Run([this, kind] { FCtl.QuickSql(kind); }); });
    }
    connect(btnSQLNewTable, &QPushButton::clicked, this,
            [this] { Run([this] { FCtl.QuickNewTable(); }); });
    Render();
}

QPushButton* TQuickSqlPage::Button(QWidget* parent, const char* name, const QString& caption,
                                   const QString& hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setToolTip(hint);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    parent->layout()->addWidget(b);
    return b;
}

void TQuickSqlPage::Run(const std::function<void()>& command) {
    Q_EMIT EditorWanted(true);
    command();
    Q_EMIT EditorWanted(false);
}

void TQuickSqlPage::Render() {
    const QString chosen = cbSQLField->currentText();
    const QStringList& columns = FCtl.table.columns;
    QStringList shown;
    for (int i = 0; i < cbSQLField->count(); ++i)
        shown << cbSQLField->itemText(i);
    if (shown != columns) {
        cbSQLField->clear();
        cbSQLField->addItems(columns);
        const int keep = columns.indexOf(chosen);
        cbSQLField->setCurrentIndex(keep >= 0 ? keep : (columns.isEmpty() ? -1 : 0));
    }
    for (QPushButton* b : findChildren<QPushButton*>()) {
        const QVariant kind = b->property("kind");
        if (kind.isValid()) b->setEnabled(FCtl.QuickOffered(QuickKind(kind.toInt())));
    }
    btnSQLField->setEnabled(!columns.isEmpty());
}

void TQuickSqlPage::ChooseColumn(const QString& column) {
    const int i = cbSQLField->findText(column);
    if (i >= 0) cbSQLField->setCurrentIndex(i);
}

void TQuickSqlPage::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    Layout();
}

// The column and compare panels on top; the middle and table rows get
// min(64, half of the height left) each, a gap of at most 32 pixels, and
// the block is centred vertically; every panel takes the width less 2.
void TQuickSqlPage::Layout() {
    const int w = std::max(0, width() - 2);
    const int top = pnlColumn->sizeHint().height();
    const int compare = pnlCompare->sizeHint().height();
    pnlColumn->setGeometry(1, 1, w, top);
    pnlCompare->setGeometry(1, 1 + top + 2, w, compare);
    const int below = 1 + top + 2 + compare;
    const int left = std::max(0, height() - below);
    const int rowH = std::min(64, left / 2);
    const int gap = std::min(32, std::max(0, (left - 2 * rowH) / 3));
    const int block = 2 * rowH + gap;
    const int y = below + std::max(0, (left - block) / 2);
    pnlMiddle->setGeometry(1, y, w, rowH);
    pnlTable->setGeometry(1, y + rowH + gap, w, rowH);
}

} // namespace sky::ui
