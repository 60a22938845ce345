#include "workspace/ui/DataEditorPage.h"

#include "shell/ui/HelpPanel.h"
#include "shell/ui/Scintilla.h"
#include "support/Prompter.h"
#include "workspace/ui/QueryArea.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

// Columns are sized to their content up to this width.
constexpr int kMaxColumnWidth = 300;

} // namespace

// --- the grid's model

DataEditorGridModel::DataEditorGridModel(WorkspaceController& c, QObject* parent)
    : QAbstractTableModel(parent), FCtl(c) {}

int DataEditorGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FCtl.edit.model.RowCount();
}

int DataEditorGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FCtl.edit.model.ColumnCount();
}

QVariant DataEditorGridModel::data(const QModelIndex& index, int role) const {
    const DataEditorModel& m = FCtl.edit.model;
    if (!index.isValid() || index.row() >= m.RowCount() || index.column() >= m.ColumnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return m.CellText(index.row(), index.column());
    case Qt::FontRole: {
        const EditRowState state = m.RowState(index.row());
        const bool changed = m.CellChange(index.row(), index.column()) == kCellChanged;
        if (state == EditRowState::Unchanged && !changed) return {};
        QFont f;
        f.setBold(changed);
        f.setItalic(state == EditRowState::New);
        f.setStrikeOut(state == EditRowState::Deleted);
        return f;
    }
    case Qt::ToolTipRole: {
        const TEditFieldItem item = m.EditItem(index.column(), index.row());
        return item.iChange == kCellChanged ? item.oldValinDB : QVariant();
    }
    default:
        return {};
    }
}

QVariant DataEditorGridModel::headerData(int section, Qt::Orientation o, int role) const {
    const DataEditorModel& m = FCtl.edit.model;
    if (role == Qt::ToolTipRole && o == Qt::Horizontal && section < m.ColumnCount())
        return m.track.EditFields[section].VarType;
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal)
        return section < m.ColumnCount() ? m.track.EditFields[section].Name : QVariant();
    return section < m.RowCount() ? m.RowLabel(section) : QVariant();
}

Qt::ItemFlags DataEditorGridModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

bool DataEditorGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid()) return false;
    FCtl.EditorSetCell(index.row(), index.column(), value.toString());
    return true;
}

void DataEditorGridModel::Reset() {
    beginResetModel();
    endResetModel();
}

void DataEditorGridModel::Refresh() {
    const int rows = rowCount({}), cols = columnCount({});
    if (rows == 0 || cols == 0) return;
    Q_EMIT dataChanged(index(0, 0), index(rows - 1, cols - 1));
    Q_EMIT headerDataChanged(Qt::Vertical, 0, rows - 1);
}

// --- the page

TDataEditorPage::TDataEditorPage(WorkspaceController& c, QWidget* parent)
    : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsEdit"));
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(4, 4, 4, 4);
    v->addWidget(BuildHeader());
    pnlEditor = new QWidget(this);
    pnlEditor->setObjectName(QStringLiteral("pnlEditor"));
    auto* ev = new QVBoxLayout(pnlEditor);
    ev->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, pnlEditor);
    split->addWidget(BuildGrid());
    split->addWidget(BuildScript());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    ev->addWidget(split);
    v->addWidget(pnlEditor, 1);
    lblEditorLoading = new QLabel(kEditorLoading, this);
    lblEditorLoading->setObjectName(QStringLiteral("lblEditorLoading"));
    lblEditorLoading->setAlignment(Qt::AlignCenter);
    v->addWidget(lblEditorLoading, 1);
    lblEditorInvalid = new QLabel(
        QString(kEditorInvalid).replace(QStringLiteral("\r\n"), QStringLiteral("\n")), this);
    lblEditorInvalid->setObjectName(QStringLiteral("lblEditorInvalid"));
    lblEditorInvalid->setAlignment(Qt::AlignCenter);
    lblEditorInvalid->setWordWrap(true);
    v->addWidget(lblEditorInvalid, 1);
    Render();
}

// The header: the table button, "SELECT * FROM" table "WHERE" box, Refresh
// and the help image.
QWidget* TDataEditorPage::BuildHeader() {
    pnlEditHdr = new QWidget(this);
    pnlEditHdr->setObjectName(QStringLiteral("pnlEditHdr"));
    auto* h = new QHBoxLayout(pnlEditHdr);
    h->setContentsMargins(0, 0, 0, 0);
    btnEditorSelectTable = new QPushButton(kEditorTableButton, pnlEditHdr);
    btnEditorSelectTable->setObjectName(QStringLiteral("btnEditorSelectTable"));
    btnEditorSelectTable->setToolTip(kEditorTableHint);
    connect(btnEditorSelectTable, &QPushButton::clicked, this, [this] {
        ReadScript();
        FCtl.EditorSelectTable();
    });
    lblEditorTableName = new QLabel(pnlEditHdr);
    lblEditorTableName->setObjectName(QStringLiteral("lblEditorTableName"));
    QFont bold = lblEditorTableName->font();
    bold.setBold(true);
    lblEditorTableName->setFont(bold);
    edtEditorWhere = new QComboBox(pnlEditHdr);
    edtEditorWhere->setObjectName(QStringLiteral("edtEditorWhere"));
    edtEditorWhere->setEditable(true);
    edtEditorWhere->setInsertPolicy(QComboBox::NoInsert);
    edtEditorWhere->setMinimumContentsLength(30);
    edtEditorWhere->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    connect(edtEditorWhere, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!FRendering) FCtl.edit.where = text;
    });
    connect(edtEditorWhere->lineEdit(), &QLineEdit::returnPressed, this, [this] {
        ReadScript();
        FCtl.RefreshEditor();
    });
    btnEditorRefresh = new QPushButton(kEditorRefresh, pnlEditHdr);
    btnEditorRefresh->setObjectName(QStringLiteral("btnEditorRefresh"));
    btnEditorRefresh->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    connect(btnEditorRefresh, &QPushButton::clicked, this, [this] {
        ReadScript();
        FCtl.RefreshEditor();
    });
    imgHelpValueEditor = new QLabel(QStringLiteral(" ? "), pnlEditHdr);
    imgHelpValueEditor->setObjectName(QStringLiteral("imgHelpValueEditor"));
    h->addWidget(btnEditorSelectTable);
    h->addSpacing(8);
    h->addWidget(new QLabel(QStringLiteral("SELECT * FROM"), pnlEditHdr));
    h->addWidget(lblEditorTableName);
    h->addWidget(new QLabel(QStringLiteral("WHERE"), pnlEditHdr));
    h->addWidget(edtEditorWhere, 1);
    h->addWidget(btnEditorRefresh);
    h->addWidget(imgHelpValueEditor);
    return pnlEditHdr;
}

// The row buttons above the grid.
QWidget* TDataEditorPage::BuildGrid() {
    auto* panel = new QWidget(this);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    auto* row = new QHBoxLayout;
    auto button = [&](const char* name, QStyle::StandardPixmap icon, const QString& hint) {
        auto* b = new QToolButton(panel);
        b->setObjectName(QLatin1String(name));
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(hint);
        b->setAccessibleName(hint);
        b->setAutoRaise(true);
        row->addWidget(b);
        return b;
    };
    btnEditorAddRecord =
        button("btnEditorAddRecord", QStyle::SP_FileDialogNewFolder, kEditorAddRecord);
    btnEditorDeleteLine = button("btnEditorDeleteLine", QStyle::SP_TrashIcon, kEditorDeleteLine);
    btnEditorResetLine =
        button("btnEditorResetLine", QStyle::SP_DialogResetButton, kEditorResetLine);
    btnEditorCopyGrid =
        button("btnEditorCopyGrid", QStyle::SP_FileDialogDetailedView, kEditorCopyGrid);
    row->addStretch(1);
    v->addLayout(row);
    connect(btnEditorAddRecord, &QToolButton::clicked, this, [this] { FCtl.EditorAddRecord(); });
    connect(btnEditorDeleteLine, &QToolButton::clicked, this, [this] { FCtl.EditorDeleteLine(); });
    connect(btnEditorResetLine, &QToolButton::clicked, this, [this] { FCtl.EditorResetLine(); });
    connect(btnEditorCopyGrid, &QToolButton::clicked, this,
            [this] { FCtl.EditorCopyGrid(Clipboard()); });

    sgEditor = new QTableView(panel);
    sgEditor->setObjectName(QStringLiteral("sgEditor"));
    FModel = new DataEditorGridModel(FCtl, sgEditor);
    sgEditor->setModel(FModel);
    sgEditor->setSelectionMode(QAbstractItemView::SingleSelection);
    sgEditor->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::AnyKeyPressed);
    sgEditor->setWordWrap(false);
    sgEditor->verticalHeader()->setDefaultSectionSize(sgEditor->fontMetrics().height() + 6);
    sgEditor->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sgEditor->horizontalHeader()->setResizeContentsPrecision(200);
    v->addWidget(sgEditor, 1);
    connect(sgEditor->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& i) {
                if (!FRendering) FCtl.ChooseEditorCell(i.row(), i.column());
            });
    return panel;
}

// The edit-script editor and its buttons.
QWidget* TDataEditorPage::BuildScript() {
    auto* panel = new QWidget(this);
    auto* v = new QVBoxLayout(panel);
    v->setContentsMargins(0, 0, 0, 0);
    memEditScript = new QsciScintilla(panel);
    memEditScript->setObjectName(QStringLiteral("memEditScript"));
    SetupSqlEditor(memEditScript);
    connect(memEditScript, &QsciScintilla::textChanged, this, [this] {
        if (!FRendering) ReadScript();
    });
    v->addWidget(memEditScript, 1);
    auto* row = new QHBoxLayout;
    auto button = [&](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, panel);
        b->setObjectName(QLatin1String(name));
        row->addWidget(b);
        return b;
    };
    btnEditorClear = button("btnEditorClear", kEditorClear);
    btnEditorCopy = button("btnEditorCopy", kEditorCopySql);
    row->addStretch(1);
    btnEditorCommit = button("btnEditorCommit", kEditorCommit);
    v->addLayout(row);
    connect(btnEditorClear, &QPushButton::clicked, this, [this] { FCtl.RefreshEditor(); });
    connect(btnEditorCopy, &QPushButton::clicked, this, [this] {
        qsizetype from = 0, to = 0;
        EditorSelection(memEditScript, from, to);
        FCtl.EditorCopyScript(Clipboard(), from, to);
    });
    connect(btnEditorCommit, &QPushButton::clicked, this, [this] {
        ReadScript();
        FCtl.EditorCommit();
    });
    return panel;
}

void TDataEditorPage::ReadScript() {
    FCtl.EditorScriptTyped(memEditScript->text());
}

void TDataEditorPage::Render() {
    const DataEditorState& e = FCtl.edit;
    FRendering = true;
    RenderHeader();
    pnlEditor->setVisible(e.editorShown);
    lblEditorLoading->setVisible(e.loadingShown);
    lblEditorInvalid->setVisible(e.invalidShown);
    const int rows = e.model.RowCount();
    if (e.loads != FLoads) {
        FLoads = e.loads;
        FRows = rows;
        FModel->Reset();
        SizeColumns();
    } else if (rows != FRows) {
        FRows = rows;
        FModel->Reset();
    } else {
        FModel->Refresh();
    }
    const QModelIndex current = FModel->index(e.row, std::max(e.col, 0));
    if (e.row >= 0 && sgEditor->currentIndex() != current) sgEditor->setCurrentIndex(current);
    btnEditorAddRecord->setEnabled(e.buttons.add);
    btnEditorDeleteLine->setEnabled(e.buttons.remove);
    btnEditorResetLine->setEnabled(e.buttons.reset);
    btnEditorCopyGrid->setEnabled(e.buttons.copyGrid);
    RenderScript();
    FRendering = false;
}

void TDataEditorPage::RenderHeader() {
    const DataEditorState& e = FCtl.edit;
    pnlEditHdr->setVisible(e.headerShown);
    btnEditorSelectTable->setText(e.tableButton);
    lblEditorTableName->setText(e.tableLabel);
    QStringList items;
    for (int i = 0; i < edtEditorWhere->count(); ++i)
        items << edtEditorWhere->itemText(i);
    if (items != e.whereHistory) {
        edtEditorWhere->clear();
        edtEditorWhere->addItems(e.whereHistory);
    }
    if (edtEditorWhere->currentText() != e.where) edtEditorWhere->setEditText(e.where);
}

// The script follows the state; the caret stays where it was, clamped to
// the new length.
void TDataEditorPage::RenderScript() {
    const QString& script = FCtl.edit.model.Script();
    if (memEditScript->text() != script) {
        const long caret = memEditScript->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS);
        memEditScript->setText(script);
        const long length = memEditScript->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
        memEditScript->SendScintilla(QsciScintillaBase::SCI_GOTOPOS,
                                     (unsigned long)std::min(caret, length));
    }
    const bool commit = FCtl.edit.model.CanCommit();
    btnEditorCommit->setEnabled(commit);
    btnEditorClear->setEnabled(commit);
    btnEditorCopy->setEnabled(commit);
}

// Each column as wide as its content (the first rows), at most 300 pixels.
void TDataEditorPage::SizeColumns() {
    sgEditor->resizeColumnsToContents();
    for (int c = 0; c < FModel->columnCount({}); ++c)
        if (sgEditor->columnWidth(c) > kMaxColumnWidth)
            sgEditor->setColumnWidth(c, kMaxColumnWidth);
}

} // namespace sky::ui
