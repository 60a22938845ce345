#include "design/ui/ViewDialog.h"

#include "design/ui/QueryPopOutWindow.h"

#include "design/ui/SchemaDialogParts.h"
#include "shell/ui/QtPrompter.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace sky::ui {

TfrmSKYView::TfrmSKYView(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYView"));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtName = new QLineEdit(this);
    edtComment = new QLineEdit(this);
    cbIsTemp = new QCheckBox(QStringLiteral("Temporary View:"), this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QStringLiteral("Comment"), edtComment);
    form->addRow(QString(), cbIsTemp);
    v->addLayout(form);
    memSelect = new QPlainTextEdit(this);
    memSelect->setObjectName(QStringLiteral("memSelect"));
    v->addWidget(memSelect, 1);
    memQry = PreviewBox(this);
    v->addWidget(memQry);
    auto* test = new QPushButton(QStringLiteral("  Test View"), this);
    test->setObjectName(QStringLiteral("btnTestViewQuery"));
    v->addWidget(test);
    v->addLayout(DialogButtons(this, QStringLiteral("\"CREATE VIEW\"\rDocumentation"),
                               "https://www.sqlite.org/lang_createview.html"));
    for (QLineEdit* e : {edtName, edtComment})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(cbIsTemp, &QCheckBox::toggled, this, [this] { Rebuild(); });
    connect(memSelect, &QPlainTextEdit::textChanged, this, [this] { Rebuild(); });
    connect(test, &QPushButton::clicked, this, [this] {
        QString message;
        TestView(message);
    });
}

TViewLayout TfrmSKYView::Current() const {
    TViewLayout v = curView;
    v.vName = edtName->text().trimmed();
    v.Comment = edtComment->text().trimmed();
    v.isTemp = cbIsTemp->isChecked();
    v.vSelect = memSelect->toPlainText().trimmed();
    return v;
}

void TfrmSKYView::Load(TSQLite3Database* db, const TViewLayout& v) {
    fDB = db;
    curView = v;
    setWindowTitle(QStringLiteral("SQL View: ") + v.vName);
    edtName->setText(v.vName);
    edtComment->setText(v.Comment);
    cbIsTemp->setChecked(v.isTemp);
    memSelect->setPlainText(
        QString(v.vSelect).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    Rebuild();
}

void TfrmSKYView::Rebuild() {
    memQry->setPlainText(ViewPreview(Current()));
}

QString TfrmSKYView::Preview() const {
    return ViewPreview(Current());
}

bool TfrmSKYView::TestView(QString& message) {
    QStringList lines;
    QString query;
    const bool ok = RunViewTest(fDB, Current(), Prompts(), message, &lines, &query);
    // The rows in the result window, 500 pixels to the dialog's left.
    if (!query.isEmpty() && lines.size() >= 2) {
        const QScreen* s = screen();
        const int top = s ? s->geometry().top() + 12 : 12;
        TfrmSKYQryData::Open(std::clamp(x() - 500, 0, 9000), top, fDB, true, lines, query);
    }
    return ok;
}

bool TfrmSKYView::editView(TSQLite3Database* db, TViewLayout& v) {
    Load(db, v);
    if (exec() != QDialog::Accepted) return false;
    v = Current();
    return true;
}

TfrmSKYView& frmSKYView() {
    static auto* d = new TfrmSKYView; // lives for the whole run
    return *d;
}

} // namespace sky::ui
