#include "design/ui/IndexDialog.h"

#include "design/ui/SchemaDialogParts.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace sky::ui {

TfrmSKYIdx::TfrmSKYIdx(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYIdx"));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtName = new QLineEdit(this);
    edtComment = new QLineEdit(this);
    edtWhere = new QLineEdit(this);
    cbUnique = new QCheckBox(QStringLiteral("Unique Index"), this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QStringLiteral("Comment"), edtComment);
    form->addRow(QString(), cbUnique);
    v->addLayout(form);
    FGrid = new ColumnGrid(this);
    v->addWidget(FGrid, 1);
    v->addWidget(
        new QLabel(QStringLiteral("Partial Index   -   Only include records where:"), this));
    v->addWidget(edtWhere);
    memQry = PreviewBox(this);
    v->addWidget(memQry);
    v->addLayout(DialogButtons(this, QStringLiteral("\"CREATE INDEX\"\rDocumentation"),
                               "https://www.sqlite.org/lang_createindex.html"));
    for (QLineEdit* e : {edtName, edtComment, edtWhere})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(cbUnique, &QCheckBox::toggled, this, [this] { Rebuild(); });
    connect(FGrid, &ColumnGrid::Changed, this, [this] { Rebuild(); });
}

void TfrmSKYIdx::Load(const TIndexLayout& ix, const QStringList& columns) {
    FLoading = true;
    curIdx = ix;
    setWindowTitle(QStringLiteral("Index on ") + ix.IdxTable);
    edtName->setText(ix.IdxName);
    edtComment->setText(ix.Comment);
    edtWhere->setText(ix.IdxWhere);
    cbUnique->setChecked(ix.IdxUnique);
    FGrid->SetRows(IndexRows(ix, columns));
    FLoading = false;
    Rebuild();
}

void TfrmSKYIdx::Rebuild() {
    if (FLoading) return;
    curIdx.IdxUnique = cbUnique->isChecked();
    curIdx.IdxName = edtName->text().trimmed();
    curIdx.Comment = edtComment->text().trimmed();
    curIdx.IdxWhere = edtWhere->text().trimmed();
    IndexFromRows(curIdx, FGrid->Rows());
    memQry->setPlainText(IndexPreview(curIdx));
}

QString TfrmSKYIdx::Preview() const {
    return IndexPreview(curIdx);
}

bool TfrmSKYIdx::editIndex(TIndexLayout& ix, const QStringList& columns) {
    Load(ix, columns);
    if (exec() != QDialog::Accepted) return false;
    ix = curIdx;
    return true;
}

TfrmSKYIdx& frmSKYIdx() {
    static auto* d = new TfrmSKYIdx; // lives for the whole run
    return *d;
}

} // namespace sky::ui
