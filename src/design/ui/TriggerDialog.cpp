#include "design/ui/TriggerDialog.h"

#include "design/QueryPopOut.h"
#include "design/ui/SchemaDialogParts.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

const QString kEachRowLabel = QStringLiteral("Execute the following SQL statements for each ");

} // namespace

TfrmSKYTrig::TfrmSKYTrig(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYTrig"));
    auto* v = new QVBoxLayout(this);
    form = new QFormLayout;
    edtName = new QLineEdit(this);
    cbTemp = new QCheckBox(QStringLiteral("Temporary"), this);
    cbTrigTiming = new QComboBox(this);
    cbTrigTiming->addItems({QString(), QStringLiteral("Before"), QStringLiteral("After"),
                            QStringLiteral("Instead of")});
    cbTrigSensor = new QComboBox(this);
    cbTrigSensor->addItems({QString(), QStringLiteral("Delete"), QStringLiteral("Insert"),
                            QStringLiteral("Update"), QStringLiteral("Update of")});
    clbFields = new QListWidget(this);
    edtTrigActionWhen = new QLineEdit(this);
    edtComment = new QLineEdit(this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QString(), cbTemp);
    form->addRow(QStringLiteral("Timing"), cbTrigTiming);
    form->addRow(QStringLiteral("Event"), cbTrigSensor);
    form->addRow(QStringLiteral("Columns"), clbFields);
    form->addRow(QStringLiteral("When"), edtTrigActionWhen);
    form->addRow(QStringLiteral("Comment"), edtComment);
    v->addLayout(form);
    lblEachRowKind = new QLabel(this);
    v->addWidget(lblEachRowKind);
    memTrigStmt = new QsciScintilla(this);
    memTrigStmt->setObjectName(QStringLiteral("memTrigStmt"));
    SetupSqlEditor(memTrigStmt);
    AttachCompletion(
        memTrigStmt, [this] { return Database(); }, 12);
    v->addWidget(memTrigStmt, 1);
    memQry = PreviewBox(this);
    v->addWidget(memQry);
    v->addLayout(DialogButtons(this, QStringLiteral("\"CREATE TRIGGER\"\rDocumentation"),
                               "https://www.sqlite.org/lang_createtrigger.html"));
    for (QLineEdit* e : {edtName, edtComment, edtTrigActionWhen})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(cbTemp, &QCheckBox::toggled, this, [this] { Rebuild(); });
    for (QComboBox* c : {cbTrigTiming, cbTrigSensor})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { Rebuild(); });
    connect(clbFields, &QListWidget::itemChanged, this, [this] { Rebuild(); });
    connect(memTrigStmt, &QsciScintilla::textChanged, this, [this] { Rebuild(); });
}

void TfrmSKYTrig::SetDatabase(const TSQLite3Database* db) {
    FConnection = db ? ConnectionOf(db) : std::weak_ptr<ConnectionHandle>();
}

const TSQLite3Database* TfrmSKYTrig::Database() const {
    const auto h = FConnection.lock();
    return h ? h->db : nullptr;
}

void TfrmSKYTrig::Load(const TTriggerLayout& t, const QStringList& columns) {
    FLoading = true;
    curTrig = t;
    setWindowTitle(QStringLiteral("Trigger on ") + t.trigTable);
    edtName->setText(t.trigName);
    cbTemp->setChecked(t.isTemp);
    cbTrigTiming->setCurrentIndex(int(t.trigExecTiming) % 4);
    cbTrigSensor->setCurrentIndex(int(t.trigEvent) % 5);
    clbFields->clear();
    const QList<bool> used = TriggerColumnsUsed(t, columns);
    for (qsizetype i = 0; i < columns.size(); ++i) {
        auto* item = new QListWidgetItem(columns[i], clbFields);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(used[i] ? Qt::Checked : Qt::Unchecked);
    }
    edtTrigActionWhen->setText(t.trigWhen);
    edtComment->setText(t.Comment);
    memTrigStmt->setText(t.trigExecCode);
    ShowCompletionTableNames(memTrigStmt, Database());
    FLoading = false;
    Rebuild();
}

void TfrmSKYTrig::Rebuild() {
    if (FLoading) return;
    TriggerChoices c;
    c.temporary = cbTemp->isChecked();
    c.name = edtName->text();
    c.when = edtTrigActionWhen->text();
    c.comment = edtComment->text();
    c.timing = TrigTiming(cbTrigTiming->currentIndex());
    c.event = TrigEvent(cbTrigSensor->currentIndex());
    c.statements = memTrigStmt->text();
    for (int i = 0; i < clbFields->count(); ++i)
        if (clbFields->item(i)->checkState() == Qt::Checked)
            c.columns << clbFields->item(i)->text();
    TriggerFromChoices(curTrig, c);
    form->setRowVisible(clbFields, TriggerShowsColumns(curTrig.trigEvent));
    lblEachRowKind->setText(kEachRowLabel + TriggerRowKind(curTrig.trigEvent));
    memQry->setPlainText(sqlFrom(curTrig));
}

QString TfrmSKYTrig::Preview() const {
    return sqlFrom(curTrig);
}

bool TfrmSKYTrig::editTrigger(TTriggerLayout& t, const QStringList& columns) {
    Load(t, columns);
    if (exec() != QDialog::Accepted) return false;
    t = curTrig;
    return true;
}

TfrmSKYTrig& frmSKYTrig() {
    static auto* d = new TfrmSKYTrig; // lives for the whole run
    return *d;
}

} // namespace sky::ui
