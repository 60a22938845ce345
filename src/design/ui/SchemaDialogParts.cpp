#include "design/ui/SchemaDialogParts.h"

#include "completion/ui/CompletionPopup.h"
#include "design/QueryPopOut.h"
#include "shell/ui/SqlEditorTheme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace sky::ui {

const CompletionModel* CompletionOf(const TSQLite3Database* db) {
    if (db)
        if (const auto h = ConnectionOf(db).lock(); h && h->completion) return h->completion;
    return TCompletionPopup::Builtin();
}

void AttachCompletion(QsciScintilla* editor, std::function<const TSQLite3Database*()> db,
                      int rows) {
    auto* popup = new TCompletionPopup(
        editor, [db = std::move(db)] { return CompletionOf(db ? db() : nullptr); }, rows);
    popup->ShowTableNames(true); // the workspace's names while it lives, then the built-in ones
}

void ShowCompletionTableNames(QsciScintilla* editor, const TSQLite3Database* db) {
    SetEditorTableNames(editor, CompletionOf(db)->TableNames());
}

QPlainTextEdit* PreviewBox(QWidget* parent) {
    auto* p = new QPlainTextEdit(parent);
    p->setObjectName(QStringLiteral("memQry"));
    p->setReadOnly(true);
    p->setMaximumHeight(120);
    return p;
}

QHBoxLayout* DialogButtons(QDialog* d, const QString& docCaption, const char* url) {
    auto* row = new QHBoxLayout;
    auto* doc = new QPushButton(docCaption, d);
    QObject::connect(doc, &QPushButton::clicked, d,
                     [url] { QDesktopServices::openUrl(QUrl(QLatin1String(url))); });
    row->addWidget(doc);
    row->addStretch(1);
    auto* accept = new QPushButton(QStringLiteral("Accept"), d);
    accept->setObjectName(QStringLiteral("btnAccept"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), d);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    row->addWidget(accept);
    row->addWidget(cancel);
    QObject::connect(accept, &QPushButton::clicked, d, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, d, &QDialog::reject);
    return row;
}

QComboBox* ConflictChoices(QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->addItems({QString(), QStringLiteral("ROLLBACK"), QStringLiteral("ABORT"),
                 QStringLiteral("FAIL"), QStringLiteral("IGNORE"), QStringLiteral("REPLACE")});
    return c;
}

ColumnGrid::ColumnGrid(QWidget* parent) : QWidget(parent) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    FTable = new QTableWidget(0, 4, this);
    FTable->setObjectName(QStringLiteral("sgIdxCols"));
    FTable->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("Status"),
                                       QStringLiteral("Collation"), QStringLiteral("Order")});
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setSelectionMode(QAbstractItemView::SingleSelection);
    FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FTable->horizontalHeader()->setStretchLastSection(true);
    v->addWidget(FTable);
    auto* row = new QHBoxLayout;
    FColName = new QLabel(this);
    FColName->setObjectName(QStringLiteral("lblColName"));
    FCollate = new QComboBox(this);
    FCollate->setObjectName(QStringLiteral("cbCollate"));
    FCollate->addItems(
        {QString(), QStringLiteral("NOCASE"), QStringLiteral("RTRIM"), QStringLiteral("BINARY")});
    FAsc = new QPushButton(QStringLiteral("    Ascending"), this);
    FDesc = new QPushButton(QStringLiteral(" Descending"), this);
    FUse = new QCheckBox(QStringLiteral(" Use this Column"), this);
    FUse->setObjectName(QStringLiteral("rgIdxIncl"));
    auto* up = new QPushButton(QStringLiteral("Up"), this);
    auto* down = new QPushButton(QStringLiteral("Down"), this);
    for (QWidget* w :
         std::initializer_list<QWidget*>{FColName, FCollate, FAsc, FDesc, FUse, up, down})
        row->addWidget(w);
    v->addLayout(row);
    connect(FTable, &QTableWidget::currentCellChanged, this, [this] { LoadSelected(); });
    connect(FTable, &QTableWidget::cellDoubleClicked, this, [this](int r) {
        FRows[r].used = !FRows[r].used;
        Show();
        Q_EMIT Changed();
    });
    auto edit = [this](auto fn) {
        const int r = Current();
        if (FLoading || r < 0) return;
        fn(FRows[r]);
        Show();
        Q_EMIT Changed();
    };
    connect(FCollate, &QComboBox::currentTextChanged, this,
            [edit](const QString& c) { edit([&](ColumnRow& row) { row.collation = c; }); });
    connect(FAsc, &QPushButton::clicked, this,
            [edit] { edit([](ColumnRow& row) { row.descending = false; }); });
    connect(FDesc, &QPushButton::clicked, this,
            [edit] { edit([](ColumnRow& row) { row.descending = true; }); });
    connect(FUse, &QCheckBox::toggled, this,
            [edit](bool on) { edit([on](ColumnRow& row) { row.used = on; }); });
    connect(up, &QPushButton::clicked, this, [this] { MoveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { MoveSelected(1); });
}

int ColumnGrid::Current() const {
    const int r = FTable->currentRow();
    return r >= 0 && r < FRows.size() ? r : -1;
}

void ColumnGrid::SetRows(const QList<ColumnRow>& rows) {
    FRows = rows;
    Show();
    if (!FRows.isEmpty()) FTable->setCurrentCell(0, 0);
    LoadSelected();
}

void ColumnGrid::Show() {
    const int keep = FTable->currentRow();
    FTable->setRowCount(int(FRows.size()));
    for (int r = 0; r < FRows.size(); ++r) {
        const ColumnRow& row = FRows[r];
        const QStringList cells{row.column, row.used ? kUseMark : QString(), row.collation,
                                row.descending ? QStringLiteral("Descending") : QString()};
        for (int c = 0; c < 4; ++c) {
            auto* item = FTable->item(r, c);
            if (!item) FTable->setItem(r, c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
    }
    if (keep >= 0 && keep < FRows.size()) FTable->setCurrentCell(keep, 0);
}

void ColumnGrid::LoadSelected() {
    const int r = Current();
    FLoading = true;
    FColName->setText(r < 0 ? QString() : FRows[r].column);
    FCollate->setCurrentText(r < 0 ? QString() : FRows[r].collation);
    FUse->setChecked(r >= 0 && FRows[r].used);
    FLoading = false;
}

void ColumnGrid::MoveSelected(int delta) {
    const int r = Current(), to = r + delta;
    if (r < 0 || to < 0 || to >= FRows.size()) return;
    FRows.move(r, to);
    Show();
    FTable->setCurrentCell(to, 0);
    Q_EMIT Changed();
}

} // namespace sky::ui
