#include "design/ui/CheckDialog.h"

#include "design/ui/SchemaDialogParts.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace sky::ui {

TfrmSKYChk::TfrmSKYChk(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYChk"));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtName = new QLineEdit(this);
    edtComment = new QLineEdit(this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QStringLiteral("Comment"), edtComment);
    v->addLayout(form);
    memCheck = new QPlainTextEdit(this);
    memCheck->setObjectName(QStringLiteral("memCheck"));
    v->addWidget(memCheck, 1);
    memQry = PreviewBox(this);
    v->addWidget(memQry);
    v->addLayout(DialogButtons(this, QStringLiteral("\"SQL Expression\"\rDocumentation"),
                               "https://www.sqlite.org/lang_expr.html"));
    for (QLineEdit* e : {edtName, edtComment})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(memCheck, &QPlainTextEdit::textChanged, this, [this] { Rebuild(); });
}

void TfrmSKYChk::Load(const TFKeyLayout& k) {
    FLoading = true;
    curIdx = k;
    setWindowTitle(QStringLiteral("CHECK Constraint on ") + k.TableSelf);
    edtName->setText(k.ConstrName);
    edtComment->setText(k.Comment);
    memCheck->setPlainText(CheckExpression(k.FKFields));
    FLoading = false;
    Rebuild();
}

void TfrmSKYChk::Rebuild() {
    if (FLoading) return;
    curIdx.iKeyKind = KeyKind::Check;
    curIdx.ConstrName = edtName->text().trimmed();
    curIdx.Comment = edtComment->text().trimmed();
    curIdx.FKFields = CheckExpression(memCheck->toPlainText());
    memQry->setPlainText(CheckPreview(curIdx));
}

QString TfrmSKYChk::Preview() const {
    return CheckPreview(curIdx);
}

bool TfrmSKYChk::editKey(TFKeyLayout& k, const QStringList&) {
    Load(k);
    if (exec() != QDialog::Accepted) return false;
    k = curIdx;
    return true;
}

TfrmSKYChk& frmSKYChk() {
    static auto* d = new TfrmSKYChk; // lives for the whole run
    return *d;
}

} // namespace sky::ui
