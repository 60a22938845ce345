#include "design/ui/KeyDialog.h"

#include "design/ui/SchemaDialogParts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace sky::ui {

TfrmSKYPKey::TfrmSKYPKey(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYPKey"));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtName = new QLineEdit(this);
    edtComment = new QLineEdit(this);
    cbIsPrimary = new QCheckBox(QStringLiteral("Primary Key"), this);
    cbConflictClause = ConflictChoices(this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QStringLiteral("Comment"), edtComment);
    form->addRow(QString(), cbIsPrimary);
    form->addRow(QStringLiteral("On conflict"), cbConflictClause);
    v->addLayout(form);
    FGrid = new ColumnGrid(this);
    v->addWidget(FGrid, 1);
    memQry = PreviewBox(this);
    v->addWidget(memQry);
    v->addLayout(DialogButtons(this, QStringLiteral("\"Table Constraint\"\rDocumentation"),
                               "https://www.sqlite.org/lang_createtable.html#tablecoldef"));
    for (QLineEdit* e : {edtName, edtComment})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(cbIsPrimary, &QCheckBox::toggled, this, [this] { Rebuild(); });
    connect(cbConflictClause, &QComboBox::currentIndexChanged, this, [this] { Rebuild(); });
    connect(FGrid, &ColumnGrid::Changed, this, [this] { Rebuild(); });
}

void TfrmSKYPKey::Load(const TFKeyLayout& k, const QStringList& columns) {
    FLoading = true;
    curIdx = k;
    setWindowTitle(QStringLiteral("Unique Key on ") + k.TableSelf);
    edtName->setText(k.ConstrName);
    edtComment->setText(k.Comment);
    cbIsPrimary->setChecked(k.iKeyKind == KeyKind::PrimaryKey);
    cbConflictClause->setCurrentIndex(k.iConflictClause);
    FGrid->SetRows(KeyRows(k, columns));
    FLoading = false;
    Rebuild();
}

void TfrmSKYPKey::Rebuild() {
    if (FLoading) return;
    curIdx.iConflictClause = cbConflictClause->currentIndex();
    curIdx.Comment = edtComment->text().trimmed();
    curIdx.ConstrName = edtName->text().trimmed();
    KeyFromRows(curIdx, FGrid->Rows(), cbIsPrimary->isChecked());
    memQry->setPlainText(KeyPreview(curIdx));
}

QString TfrmSKYPKey::Preview() const {
    return KeyPreview(curIdx);
}

bool TfrmSKYPKey::editKey(TFKeyLayout& k, const QStringList& columns) {
    Load(k, columns);
    if (exec() != QDialog::Accepted) return false;
    k = curIdx;
    return true;
}

TfrmSKYPKey& frmSKYPKey() {
    static auto* d = new TfrmSKYPKey; // lives for the whole run
    return *d;
}

} // namespace sky::ui
