#include "design/ui/ForeignKeyDialog.h"

#include "design/ui/SchemaDialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QVBoxLayout>

namespace sky::ui {

TfrmSKYFKey::TfrmSKYFKey(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYFKey"));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtName = new QLineEdit(this);
    edtComment = new QLineEdit(this);
    edtParent = new QComboBox(this);
    edtParent->setObjectName(QStringLiteral("edtParent"));
    edtParent->setEditable(true);
    cbParentKey = new QComboBox(this);
    cbParentKey->setObjectName(QStringLiteral("cbParentKey"));
    cbActionUpdate = new QComboBox(this);
    cbActionUpdate->addItems({QStringLiteral("Do Nothing  ( implicitly )"),
                              QStringLiteral("Do Nothing  ( explicitly )"),
                              QStringLiteral("Fail to prevent the update ( Restrict )"),
                              QStringLiteral("Set child key values to NULL"),
                              QStringLiteral("Set child keys to their DEFAULT values"),
                              QStringLiteral("Update all matching child keys  ( Cascade )")});
    cbActionDelete = new QComboBox(this);
    cbActionDelete->addItems({QStringLiteral("Do Nothing  ( implicitly )"),
                              QStringLiteral("Do Nothing  ( explicitly )"),
                              QStringLiteral("Fail to prevent the deletion ( Restrict )"),
                              QStringLiteral("Set child key values to NULL"),
                              QStringLiteral("Set child keys to their DEFAULT values"),
                              QStringLiteral("Delete all matching child keys  ( Cascade )")});
    cbDeferMode = new QComboBox(this);
    cbDeferMode->addItems({QStringLiteral("Not-deferrable (implicit)"),
                           QStringLiteral("Not deferrable (explicit)"),
                           QStringLiteral("Deferrable")});
    cbDeferInitially = new QCheckBox(QStringLiteral("Defer initially"), this);
    cbIsTableConstraint = new QCheckBox(QStringLiteral("Table Constraint"), this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QStringLiteral("Parent table"), edtParent);
    form->addRow(QStringLiteral("Parent key"), cbParentKey);
    form->addRow(QStringLiteral("On update"), cbActionUpdate);
    form->addRow(QStringLiteral("On delete"), cbActionDelete);
    form->addRow(QStringLiteral("Defer mode"), cbDeferMode);
    form->addRow(QString(), cbDeferInitially);
    form->addRow(QString(), cbIsTableConstraint);
    form->addRow(QStringLiteral("Comment"), edtComment);
    v->addLayout(form);
    FTable = new QTableWidget(0, 3, this);
    FTable->setHorizontalHeaderLabels(
        {QStringLiteral("Column"), QStringLiteral("References"), QStringLiteral("Status")});
    FTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    FTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->addWidget(FTable, 1);
    cbUse = new QCheckBox(QStringLiteral("Use this Column"), this);
    v->addWidget(cbUse);
    memQry = PreviewBox(this);
    v->addWidget(memQry);
    v->addLayout(DialogButtons(this, QStringLiteral("\"Foreign Key\"\rDocumentation"),
                               "https://www.sqlite.org/foreignkeys.html"));
    for (QLineEdit* e : {edtName, edtComment})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    for (QComboBox* c : {cbActionUpdate, cbActionDelete, cbDeferMode})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { Rebuild(); });
    for (QCheckBox* c : {cbDeferInitially, cbIsTableConstraint})
        connect(c, &QCheckBox::toggled, this, [this] { Rebuild(); });
    connect(edtParent, &QComboBox::currentTextChanged, this, [this](const QString& p) {
        if (FLoading) return;
        LoadParentColumns(p);
        Rebuild();
    });
    connect(cbParentKey, &QComboBox::activated, this, [this](int i) {
        if (FTable->currentRow() >= 0) UseRow(FTable->currentRow(), cbParentKey->itemText(i));
    });
    connect(cbUse, &QCheckBox::clicked, this, [this](bool on) {
        const int r = FTable->currentRow();
        if (r < 0) return;
        if (on) {
            UseRow(r, QString());
        } else {
            UnuseFKeyRow(FRows, r);
            ShowRows();
            Rebuild();
        }
    });
}

void TfrmSKYFKey::LoadParentColumns(const QString& parent) {
    if (!FKeyParentChanged(parent, FLastParent)) return;
    cbParentKey->clear();
    if (FDb) cbParentKey->addItems(FKeyParentColumns(*FDb, parent));
}

void TfrmSKYFKey::ShowRows() {
    FTable->setRowCount(int(FRows.size()));
    for (int r = 0; r < FRows.size(); ++r) {
        const QStringList cells{FRows[r].column, FRows[r].references,
                                FRows[r].used ? kUseMark : QString()};
        for (int c = 0; c < 3; ++c) {
            auto* item = FTable->item(r, c);
            if (!item) FTable->setItem(r, c, item = new QTableWidgetItem);
            item->setText(cells[c]);
        }
    }
}

void TfrmSKYFKey::UseRow(int r, const QString& parentColumn) {
    if (r < 0 || r >= FRows.size()) return;
    UseFKeyRow(FRows, r, parentColumn);
    ShowRows();
    Rebuild();
}

void TfrmSKYFKey::Load(const TFKeyLayout& k, TSQLite3Database* db, const QStringList& columns,
                       const QString& ownTable) {
    FLoading = true;
    FDb = db;
    curFKey = k;
    const QString self = FKeyOwnTable(k, ownTable);
    setWindowTitle(QStringLiteral("Foreign Key constraint in ") + self);
    const QStringList own = FKeyOwnColumns(db, columns, self);
    const FKeyChoices c = FKeyChoicesOf(k);
    edtParent->clear();
    if (db) edtParent->addItems(FKeyParentTables(*db));
    edtParent->setCurrentText(c.parent);
    FLastParent.clear();
    LoadParentColumns(c.parent);
    edtName->setText(c.name);
    edtComment->setText(c.comment);
    cbDeferInitially->setChecked(c.deferInitially);
    cbActionUpdate->setCurrentIndex(c.updAction);
    cbActionDelete->setCurrentIndex(c.delAction);
    cbDeferMode->setCurrentIndex(int(c.deferMode));
    cbIsTableConstraint->setChecked(c.tableConstraint);
    FRows = FKeyRows(k, own);
    ShowRows();
    FLoading = false;
    Rebuild();
}

FKeyChoices TfrmSKYFKey::Choices() const {
    FKeyChoices c;
    c.name = edtName->text();
    c.comment = edtComment->text();
    c.parent = edtParent->currentText();
    c.updAction = cbActionUpdate->currentIndex();
    c.delAction = cbActionDelete->currentIndex();
    c.deferMode = sky::DeferMode(cbDeferMode->currentIndex());
    c.deferInitially = cbDeferInitially->isChecked();
    c.tableConstraint = cbIsTableConstraint->isChecked();
    return c;
}

void TfrmSKYFKey::Rebuild() {
    if (FLoading) return;
    FKeyFromChoices(curFKey, Choices(), FRows);
    memQry->setPlainText(FKeyPreview(curFKey));
}

QString TfrmSKYFKey::Preview() const {
    return FKeyPreview(curFKey);
}

bool TfrmSKYFKey::editFKey(TFKeyLayout& k, TSQLite3Database* db, const QStringList& columns,
                           const QString& ownTable) {
    Load(k, db, columns, ownTable);
    if (exec() != QDialog::Accepted) return false;
    k = curFKey;
    return true;
}

TfrmSKYFKey& frmSKYFKey() {
    static auto* d = new TfrmSKYFKey; // lives for the whole run
    return *d;
}

} // namespace sky::ui
