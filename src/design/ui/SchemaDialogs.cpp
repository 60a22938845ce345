#include "design/ui/SchemaDialogs.h"

#include "engine/Database.h"
#include "shell/ui/QtPrompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

QPlainTextEdit* Preview(QWidget* parent) {
    auto* p = new QPlainTextEdit(parent);
    p->setObjectName(QStringLiteral("memQry"));
    p->setReadOnly(true);
    p->setMaximumHeight(120);
    return p;
}

// Accept and Cancel, and a documentation button opening a page of the
// engine's documentation.
QHBoxLayout* Buttons(QDialog* d, const QString& docCaption, const char* url) {
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

QComboBox* Conflicts(QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->addItems({QString(), QStringLiteral("ROLLBACK"), QStringLiteral("ABORT"),
                 QStringLiteral("FAIL"), QStringLiteral("IGNORE"), QStringLiteral("REPLACE")});
    return c;
}

} // namespace

// --- column grid ---------------------------------------------------------

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

// --- index ---------------------------------------------------------------

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
    memQry = sky::ui::Preview(this);
    v->addWidget(memQry);
    v->addLayout(Buttons(this, QStringLiteral("\"CREATE INDEX\"\rDocumentation"),
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

// --- primary / unique key ------------------------------------------------

TfrmSKYPKey::TfrmSKYPKey(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYPKey"));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    edtName = new QLineEdit(this);
    edtComment = new QLineEdit(this);
    cbIsPrimary = new QCheckBox(QStringLiteral("Primary Key"), this);
    cbConflictClause = Conflicts(this);
    form->addRow(QStringLiteral("Name"), edtName);
    form->addRow(QStringLiteral("Comment"), edtComment);
    form->addRow(QString(), cbIsPrimary);
    form->addRow(QStringLiteral("On conflict"), cbConflictClause);
    v->addLayout(form);
    FGrid = new ColumnGrid(this);
    v->addWidget(FGrid, 1);
    memQry = sky::ui::Preview(this);
    v->addWidget(memQry);
    v->addLayout(Buttons(this, QStringLiteral("\"Table Constraint\"\rDocumentation"),
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
    cbIsPrimary->setChecked(k.iKeyKind == 0);
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

// --- check ---------------------------------------------------------------

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
    memQry = sky::ui::Preview(this);
    v->addWidget(memQry);
    v->addLayout(Buttons(this, QStringLiteral("\"SQL Expression\"\rDocumentation"),
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
    curIdx.iKeyKind = 2;
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

// --- foreign key ---------------------------------------------------------

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
    memQry = sky::ui::Preview(this);
    v->addWidget(memQry);
    v->addLayout(Buttons(this, QStringLiteral("\"Foreign Key\"\rDocumentation"),
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
        if (on)
            UseRow(r, QString());
        else {
            FRows[r].references.clear();
            FRows[r].used = false;
            ShowRows();
            Rebuild();
        }
    });
}

void TfrmSKYFKey::LoadParentColumns(const QString& parent) {
    const QString p = parent.trimmed();
    if (p.toUpper() == FLastParent.toUpper()) return;
    FLastParent = p;
    cbParentKey->clear();
    if (!FDb || p.isEmpty() || !FDb->TableExists(p, QString())) return;
    QStringList cols;
    FDb->EnumColNames(cols, p);
    cbParentKey->addItems(cols);
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
    FRows[r].used = true;
    FRows[r].references =
        parentColumn.isEmpty()
            ? (FRows[r].references.isEmpty() ? FRows[r].column : FRows[r].references)
            : parentColumn;
    ShowRows();
    Rebuild();
}

void TfrmSKYFKey::Load(const TFKeyLayout& k, TSQLite3Database* db, const QStringList& columns,
                       const QString& ownTable) {
    FLoading = true;
    FDb = db;
    curFKey = k;
    const QString self = ownTable.isEmpty() ? k.TableSelf : ownTable;
    setWindowTitle(QStringLiteral("Foreign Key constraint in ") + self);
    QStringList own = columns;
    if (own.isEmpty() && db) db->EnumColNames(own, self);
    edtParent->clear();
    if (db) {
        QStringList tables;
        db->QuerySingleColumn(
            tables,
            QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"), 0,
            false);
        edtParent->addItems(tables);
    }
    edtParent->setCurrentText(k.TableParent);
    FLastParent.clear();
    LoadParentColumns(k.TableParent);
    edtName->setText(k.ConstrName);
    edtComment->setText(k.Comment);
    cbDeferInitially->setChecked(k.bDeferred);
    cbActionUpdate->setCurrentIndex(k.iUpdAction);
    cbActionDelete->setCurrentIndex(k.iDelAction);
    cbDeferMode->setCurrentIndex(k.iDeferrable);
    cbIsTableConstraint->setChecked(k.bIsTableConstraint);
    FRows = FKeyRows(k, own);
    ShowRows();
    FLoading = false;
    Rebuild();
}

void TfrmSKYFKey::Rebuild() {
    if (FLoading) return;
    curFKey.bDeferred = cbDeferInitially->isChecked();
    curFKey.iInitially = curFKey.bDeferred ? 2 : 0;
    curFKey.bIsTableConstraint = cbIsTableConstraint->isChecked();
    curFKey.iDeferrable = cbDeferMode->currentIndex();
    curFKey.iUpdAction = cbActionUpdate->currentIndex();
    curFKey.iDelAction = cbActionDelete->currentIndex();
    curFKey.ConstrName = edtName->text().trimmed();
    curFKey.Comment = edtComment->text().trimmed();
    curFKey.TableParent = edtParent->currentText().trimmed();
    FKeyFromRows(curFKey, FRows);
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

// --- trigger -------------------------------------------------------------

TfrmSKYTrig::TfrmSKYTrig(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSKYTrig"));
    auto* v = new QVBoxLayout(this);
    auto* form = new QFormLayout;
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
    memTrigStmt = new QPlainTextEdit(this);
    memTrigStmt->setObjectName(QStringLiteral("memTrigStmt"));
    v->addWidget(memTrigStmt, 1);
    memQry = sky::ui::Preview(this);
    v->addWidget(memQry);
    v->addLayout(Buttons(this, QStringLiteral("\"CREATE TRIGGER\"\rDocumentation"),
                         "https://www.sqlite.org/lang_createtrigger.html"));
    for (QLineEdit* e : {edtName, edtComment, edtTrigActionWhen})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(cbTemp, &QCheckBox::toggled, this, [this] { Rebuild(); });
    for (QComboBox* c : {cbTrigTiming, cbTrigSensor})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { Rebuild(); });
    connect(clbFields, &QListWidget::itemChanged, this, [this] { Rebuild(); });
    connect(memTrigStmt, &QPlainTextEdit::textChanged, this, [this] { Rebuild(); });
}

void TfrmSKYTrig::Load(const TTriggerLayout& t, const QStringList& columns) {
    FLoading = true;
    curTrig = t;
    setWindowTitle(QStringLiteral("Trigger on ") + t.trigTable);
    edtName->setText(t.trigName);
    cbTemp->setChecked(t.isTemp);
    cbTrigTiming->setCurrentIndex(t.trigExecTiming % 4);
    cbTrigSensor->setCurrentIndex(t.trigEvent % 5);
    clbFields->clear();
    QStringList used;
    for (const QString& f : t.trigFields.split(QLatin1Char(',')))
        used << f.trimmed().toUpper();
    for (const QString& c : columns) {
        auto* item = new QListWidgetItem(c, clbFields);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(used.contains(c.toUpper()) ? Qt::Checked : Qt::Unchecked);
    }
    edtTrigActionWhen->setText(t.trigWhen);
    edtComment->setText(t.Comment);
    memTrigStmt->setPlainText(t.trigExecCode);
    FLoading = false;
    Rebuild();
}

void TfrmSKYTrig::Rebuild() {
    if (FLoading) return;
    curTrig.isTemp = cbTemp->isChecked();
    curTrig.trigName = edtName->text().trimmed();
    curTrig.trigWhen = edtTrigActionWhen->text().trimmed();
    curTrig.Comment = edtComment->text().trimmed();
    curTrig.trigExecTiming = quint8(cbTrigTiming->currentIndex());
    curTrig.trigEvent = quint8(cbTrigSensor->currentIndex());
    curTrig.trigExecCode = TriggerStatements(memTrigStmt->toPlainText());
    QStringList fields;
    for (int i = 0; i < clbFields->count(); ++i)
        if (clbFields->item(i)->checkState() == Qt::Checked) fields << clbFields->item(i)->text();
    curTrig.trigFields = fields.join(QStringLiteral(", "));
    curTrig.RawText.clear();
    clbFields->setVisible(curTrig.trigEvent == 4);
    lblEachRowKind->setText(QStringLiteral("Execute the following SQL statements for each ") +
                            TriggerRowKind(curTrig.trigEvent));
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

// --- view ----------------------------------------------------------------

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
    memQry = sky::ui::Preview(this);
    v->addWidget(memQry);
    auto* test = new QPushButton(QStringLiteral("  Test View"), this);
    test->setObjectName(QStringLiteral("btnTestViewQuery"));
    v->addWidget(test);
    v->addLayout(Buttons(this, QStringLiteral("\"CREATE VIEW\"\rDocumentation"),
                         "https://www.sqlite.org/lang_createview.html"));
    for (QLineEdit* e : {edtName, edtComment})
        connect(e, &QLineEdit::textChanged, this, [this] { Rebuild(); });
    connect(cbIsTemp, &QCheckBox::toggled, this, [this] { Rebuild(); });
    connect(memSelect, &QPlainTextEdit::textChanged, this, [this] { Rebuild(); });
    connect(test, &QPushButton::clicked, this, [this] {
        QString message;
        const bool created = TestView(message);
        if (!created && !message.isEmpty()) {
            QString shown = message;
            const qsizetype at = shown.indexOf(QStringLiteral(": "));
            if (at >= 0) shown.replace(at, 2, QStringLiteral("\r"));
            Prompts().ShowWarning(shown, QStringLiteral("View-CREATE Test Failed"));
        }
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
    const QString s = sqlFrom(Current());
    memQry->setPlainText(s.isEmpty() ? kNoValidStatement : s);
}

QString TfrmSKYView::Preview() const {
    const QString s = sqlFrom(Current());
    return s.isEmpty() ? kNoValidStatement : s;
}

bool TfrmSKYView::TestView(QString& message) {
    message.clear();
    const TViewLayout v = Current();
    if (!fDB || !fDB->IsOpen() || fDB->IsBusy() || v.vName.isEmpty()) return false;
    if (!testViewSQL(*fDB, v, message)) return false;
    if (Prompts().AskYesNo(QStringLiteral("View-CREATE Test"),
                           QStringLiteral("Success\rWould you like to test the View Query?"), 10,
                           QStringLiteral("No"), QStringLiteral("Yes"))) {
        QString selectMessage;
        if (!testViewSelect(*fDB, v, true, selectMessage))
            Prompts().ShowWarning(selectMessage, QStringLiteral("View-SELECT Test Failed"));
    }
    return true;
}

bool TfrmSKYView::editView(TSQLite3Database* db, TViewLayout& v) {
    Load(db, v);
    if (exec() != QDialog::Accepted) return false;
    v = Current();
    return true;
}

TfrmSKYIdx& frmSKYIdx() {
    static auto* d = new TfrmSKYIdx; // lives for the whole run
    return *d;
}
TfrmSKYPKey& frmSKYPKey() {
    static auto* d = new TfrmSKYPKey; // lives for the whole run
    return *d;
}
TfrmSKYChk& frmSKYChk() {
    static auto* d = new TfrmSKYChk; // lives for the whole run
    return *d;
}
TfrmSKYFKey& frmSKYFKey() {
    static auto* d = new TfrmSKYFKey; // lives for the whole run
    return *d;
}
TfrmSKYTrig& frmSKYTrig() {
    static auto* d = new TfrmSKYTrig; // lives for the whole run
    return *d;
}
TfrmSKYView& frmSKYView() {
    static auto* d = new TfrmSKYView; // lives for the whole run
    return *d;
}

} // namespace sky::ui
