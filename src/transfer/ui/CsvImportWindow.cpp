#include "transfer/ui/CsvImportWindow.h"

#include "shell/ui/HelpPanel.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/Themes.h"
#include "support/Prompter.h"
#include "transfer/ui/CsvSheetModel.h"

#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <functional>

namespace sky::ui {
namespace {

const QColor kErrorText(0xC0, 0x00, 0x00);
constexpr int kFillDelayMs = 200;
constexpr int kMaxColumnWidth = 360;
// Data rows measured when the columns are sized to their content.
constexpr int kMeasuredRows = 200;

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    return NamedButton(parent, name, caption);
}

void SetComboItems(QComboBox* c, const QStringList& items, const QString& current) {
    const QSignalBlocker block(c);
    QStringList now;
    for (int i = 0; i < c->count(); ++i)
        now << c->itemText(i);
    if (now != items) {
        c->clear();
        c->addItems(items);
    }
    const int i = c->findText(current, Qt::MatchFixedString);
    if (c->isEditable())
        c->setEditText(current);
    else
        c->setCurrentIndex(std::max(0, i));
}

} // namespace

class TfrmSKYCSVImp::Ports {
public:
    QtClipboard clipboard;
};

TfrmSKYCSVImp::TfrmSKYCSVImp(QWidget* parent) : QDialog(parent), FPorts(std::make_unique<Ports>()) {
    setObjectName(QStringLiteral("frmSKYCSVImp"));
    setWindowTitle(kCsvImportCaption);
    resize(1100, 720);
    FHeadModel = new CsvSheetModel(true, this);
    FDataModel = new CsvSheetModel(false, this);
    auto* v = new QVBoxLayout(this);
    v->addWidget(BuildNameBar());
    auto* middle = new QHBoxLayout;
    middle->addWidget(BuildSheet(), 1);
    middle->addWidget(BuildEditors());
    v->addLayout(middle, 1);
    QWidget* buttons = BuildButtons();
    BuildHelp();
    v->addWidget(pnlHelp);
    v->addWidget(buttons);
    puGrid = new QMenu(this);
    puGrid->setObjectName(QStringLiteral("puGrid"));
    ConnectEditors();
}

TfrmSKYCSVImp::~TfrmSKYCSVImp() = default;

QWidget* TfrmSKYCSVImp::BuildNameBar() {
    auto* w = new QWidget(this);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    edtTableName = new QLineEdit(w);
    edtTableName->setObjectName(QStringLiteral("edtTableName"));
    edtTableName->setToolTip(kTableNameHint);
    edtTableName->setMinimumWidth(260);
    lblTableNameError = new QLabel(w);
    lblTableNameError->setObjectName(QStringLiteral("lblTableNameError"));
    lblTableNameError->setCursor(Qt::PointingHandCursor);
    imgHelpData = HelpMark(w, "imgHelpData");
    h->addWidget(new QLabel(QStringLiteral("New Table Name:"), w));
    h->addWidget(edtTableName);
    h->addWidget(lblTableNameError, 1);
    h->addWidget(imgHelpData);
    return w;
}

QWidget* TfrmSKYCSVImp::BuildSheet() {
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    // The header rows in a view of their own above the data: they stay in
    // place while the data scrolls, and both views share columns and widths.
    sgHead = new QTableView(w);
    sgHead->setObjectName(QStringLiteral("sgHead"));
    sgHead->setModel(FHeadModel);
    // Both views keep a vertical scroll bar (the header's one stays idle), so
    // their columns have the same room and scroll to the same ends.
    sgHead->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    sgHead->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sgHead->verticalScrollBar()->setEnabled(false);
    sgHead->setSelectionMode(QAbstractItemView::NoSelection);
    sgHead->setFocusPolicy(Qt::NoFocus);
    sgHead->horizontalHeader()->setSectionsMovable(true);
    sgHead->setContextMenuPolicy(Qt::CustomContextMenu);
    sgData = new QTableView(w);
    sgData->setObjectName(QStringLiteral("sgData"));
    sgData->setModel(FDataModel);
    sgData->horizontalHeader()->hide();
    sgData->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    sgData->setSelectionMode(QAbstractItemView::SingleSelection);
    sgData->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    sgData->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    sgHead->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    sgData->setContextMenuPolicy(Qt::CustomContextMenu);
    sgData->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    sgData->viewport()->installEventFilter(this);
    const int rowHeight = fontMetrics().height() + 6;
    for (QTableView* t : {sgHead, sgData}) {
        t->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        t->verticalHeader()->setDefaultSectionSize(rowHeight);
        t->setWordWrap(false);
    }
    FitHeadHeight();
    v->addWidget(sgHead);
    v->addWidget(sgData, 1);
    return w;
}

QWidget* TfrmSKYCSVImp::BuildEditors() {
    auto* w = new QFrame(this);
    w->setFrameShape(QFrame::StyledPanel);
    w->setMinimumWidth(260);
    w->setMaximumWidth(320);
    auto* g = new QGridLayout(w);
    lblColumn = new QLabel(w);
    lblColumn->setObjectName(QStringLiteral("lblColumn"));
    QFont bold = lblColumn->font();
    bold.setBold(true);
    lblColumn->setFont(bold);
    edtColName = new QLineEdit(w);
    edtColName->setObjectName(QStringLiteral("edtColName"));
    cbType = new QComboBox(w);
    cbType->setObjectName(QStringLiteral("cbType"));
    cbType->addItems(SheetTypeChoices());
    cbConstraint = new QComboBox(w);
    cbConstraint->setObjectName(QStringLiteral("cbConstraint"));
    lblColProps = new QLabel(w);
    lblColProps->setObjectName(QStringLiteral("lblColProps"));
    lblColProps->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    btnRefreshConstraints = Button(w, "btnRefreshConstraints", QStringLiteral("Re-Analyze"));
    btnRefreshConstraints->setToolTip(kReanalyseHint);
    imgHelpColumn = HelpMark(w, "imgHelpColumn");
    imgHelpLegend = HelpMark(w, "imgHelpLegend");
    int r = 0;
    auto* head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("Column:"), w));
    head->addWidget(lblColumn, 1);
    head->addWidget(imgHelpColumn);
    g->addLayout(head, r++, 0, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Name:"), w), r, 0);
    g->addWidget(edtColName, r++, 1);
    g->addWidget(new QLabel(QStringLiteral("Type:"), w), r, 0);
    g->addWidget(cbType, r++, 1);
    g->addWidget(new QLabel(QStringLiteral("Constraint:"), w), r, 0);
    g->addWidget(cbConstraint, r++, 1);
    auto* props = new QHBoxLayout;
    props->addWidget(new QLabel(QStringLiteral("Data found:"), w));
    props->addStretch(1);
    props->addWidget(imgHelpLegend);
    g->addLayout(props, r++, 0, 1, 2);
    g->addWidget(lblColProps, r++, 0, 1, 2);
    g->addWidget(btnRefreshConstraints, r++, 0, 1, 2);
    g->setRowStretch(r, 1);
    return w;
}

QWidget* TfrmSKYCSVImp::BuildButtons() {
    auto* w = new QWidget(this);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    lblError = new QLabel(w);
    lblError->setObjectName(QStringLiteral("lblError"));
    btnResetData = Button(w, "btnResetData", QStringLiteral("Reset"));
    btnResetData->setToolTip(kResetHint);
    FAcceptArea = new QWidget(w);
    auto* a = new QHBoxLayout(FAcceptArea);
    a->setContentsMargins(0, 0, 0, 0);
    btnAccept = Button(FAcceptArea, "btnAccept", QStringLiteral("  Accept and Import"));
    a->addWidget(btnAccept);
    btnCancel = Button(w, "btnCancel", QStringLiteral("  Cancel"));
    imgHelpCreate = HelpMark(w, "imgHelpCreate");
    h->addWidget(lblError, 1);
    h->addWidget(btnResetData);
    h->addSpacing(24);
    h->addWidget(imgHelpCreate);
    h->addWidget(FAcceptArea);
    h->addWidget(btnCancel);
    return w;
}

void TfrmSKYCSVImp::BuildHelp() {
    const HelpPanel help = MakeHelpPanel(this);
    pnlHelp = help.frame;
    lblHelpHeader = help.header;
    lblHelpText = help.text;
    // Hovering these shows their help; leaving hides it.
    FHelpWidgets = {imgHelpData, imgHelpColumn,     imgHelpLegend, imgHelpCreate,
                    FAcceptArea, lblTableNameError, lblError};
    FHelpOf = {CsvHelp::TableData,   CsvHelp::ColumnSettings, CsvHelp::HeaderLegend,
               CsvHelp::CreateTable, CsvHelp::ImportError,    CsvHelp::TableError,
               CsvHelp::ImportError};
    for (QWidget* w : FHelpWidgets)
        w->installEventFilter(this);
}

void TfrmSKYCSVImp::ShowHelp(CsvHelp topic) {
    if (!FCtl) return;
    lblHelpHeader->setText(CsvImportController::HelpTitle(topic));
    lblHelpText->setText(FCtl->HelpText(topic));
    pnlHelp->show();
}

void TfrmSKYCSVImp::ConnectEditors() {
    auto edit = [this](auto f) {
        return [this, f](auto&&... args) {
            if (!FCtl || fEditMode) return;
            f(*FCtl, args...);
            Render();
        };
    };
    connect(edtTableName, &QLineEdit::textEdited, this,
            edit([](CsvImportController& c, const QString& s) { c.SetTableName(s); }));
    connect(edtColName, &QLineEdit::textEdited, this,
            edit([](CsvImportController& c, const QString& s) { c.SetColumnName(s); }));
    connect(cbType, &QComboBox::currentTextChanged, this,
            edit([](CsvImportController& c, const QString& s) { c.SetColumnType(s); }));
    connect(cbConstraint, &QComboBox::currentTextChanged, this,
            edit([](CsvImportController& c, const QString& s) { c.SetConstraint(s); }));
    connect(btnRefreshConstraints, &QPushButton::clicked, this, [this] {
        if (!FCtl) return;
        FCtl->Reanalyse();
        FDataModel->Refresh();
        Render();
    });
    connect(btnResetData, &QPushButton::clicked, this, [this] {
        if (FCtl && FCtl->ResetData()) Fill();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnAccept, &QPushButton::clicked, this, [this] {
        if (!FCtl) return;
        const bool ok = FCtl->Accept();
        Render();
        if (ok) accept();
    });
    auto select = [this](const QModelIndex& index) {
        if (!FCtl || !index.isValid()) return;
        FCtl->SelectCell(index.column(), index.row());
        RenderEditors();
        FHeadModel->Refresh();
        sgData->viewport()->update();
    };
    connect(sgData->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [select](const QModelIndex& now, const QModelIndex&) { select(now); });
    connect(sgData, &QTableView::clicked, this, select);
    connect(FDataModel, &CsvSheetModel::CellEdited, this, [this] { Render(); });
    connect(sgData, &QWidget::customContextMenuRequested, this, &TfrmSKYCSVImp::SheetMenu);
    // Shared columns: the header view scrolls and sizes with the data.
    connect(sgData->horizontalScrollBar(), &QScrollBar::valueChanged, sgHead->horizontalScrollBar(),
            &QScrollBar::setValue);
    connect(sgHead->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int col, int, int size) {
                if (sgData->columnWidth(col) != size) sgData->setColumnWidth(col, size);
            });
    // A column moved: the sheet's order changes (and with it the parameters).
    connect(sgHead->horizontalHeader(), &QHeaderView::sectionMoved, this,
            [this](int, int from, int to) {
                QTimer::singleShot(0, this, [this, from, to] {
                    if (!FCtl) return;
                    // The sheet takes the new order; the view's sections stay in place.
                    QHeaderView* h = sgHead->horizontalHeader();
                    const QSignalBlocker block(h);
                    h->moveSection(to, from);
                    FCtl->MoveColumn(from, to);
                    FHeadModel->Reload();
                    FDataModel->Reload();
                    SizeColumns();
                    Render();
                });
            });
}

bool TfrmSKYCSVImp::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (sgData && watched == sgData->viewport() && type == QEvent::Wheel) return Wheel(event);
    if (watched == lblTableNameError && type == QEvent::MouseButtonRelease && FCtl &&
        !FCtl->TableNameError().isEmpty()) {
        FCtl->FixTableName();
        Render();
        return true;
    }
    const qsizetype h = FHelpWidgets.indexOf(qobject_cast<QWidget*>(watched));
    if (h >= 0 && type == QEvent::Enter) {
        const bool errorHelp = FHelpOf[h] == CsvHelp::ImportError;
        const bool shows = watched == lblTableNameError ? !lblTableNameError->text().isEmpty()
                           : watched == FAcceptArea     ? !btnAccept->isEnabled()
                           : errorHelp                  ? !lblError->text().isEmpty()
                                                        : true;
        if (shows) ShowHelp(FHelpOf[h]);
    }
    if (h >= 0 && type == QEvent::Leave) pnlHelp->hide();
    return QDialog::eventFilter(watched, event);
}

bool TfrmSKYCSVImp::Wheel(QEvent* event) {
    auto* w = static_cast<QWheelEvent*>(event);
    const QPoint delta = w->angleDelta();
    const int notches = (delta.y() != 0 ? delta.y() : delta.x()) / 120;
    if (notches == 0) return true;
    int rows = 5;
    if (w->modifiers() & Qt::ShiftModifier) rows = 1;
    if (w->modifiers() & Qt::ControlModifier)
        rows = std::max(1, sgData->viewport()->height() /
                               sgData->verticalHeader()->defaultSectionSize());
    QScrollBar* bar = sgData->verticalScrollBar();
    bar->setValue(bar->value() - notches * rows);
    return true;
}

void TfrmSKYCSVImp::SheetMenu(const QPoint& at) {
    if (!FCtl || !FCtl->Filled()) return;
    const QModelIndex index = sgData->indexAt(at);
    if (!index.isValid()) return;
    FCtl->SelectCell(index.column(), index.row());
    RenderEditors();
    sgData->viewport()->update();
    FHeadModel->Refresh();
    puGrid->clear();
    std::function<void(QMenu*, const QList<GridMenuItem>&)> fill =
        [&](QMenu* menu, const QList<GridMenuItem>& items) {
            for (const GridMenuItem& item : items) {
                if (item.caption == QLatin1String("-")) {
                    menu->addSeparator();
                } else if (!item.items.isEmpty()) {
                    fill(menu->addMenu(item.caption), item.items);
                } else {
                    QAction* a = menu->addAction(item.caption);
                    connect(a, &QAction::triggered, this,
                            [this, item] { RunCommand(item.command, item.arg); });
                }
            }
        };
    fill(puGrid, GridMenu());
    puGrid->popup(sgData->viewport()->mapToGlobal(at));
}

void TfrmSKYCSVImp::RunCommand(GridCommand command, int arg) {
    if (!FCtl) return;
    FCtl->Run(command, arg);
    if (FCtl->CloseRequested()) {
        reject();
        return;
    }
    const bool reshaped = command != GridCommand::CopyCsv && command != GridCommand::CopyExcel;
    if (reshaped) {
        FHeadModel->Reload();
        FDataModel->Reload();
        SizeColumns();
    }
    Render();
}

// --- the sheet ------------------------------------------------------------------

void TfrmSKYCSVImp::Fill() {
    if (!FCtl) return;
    if (!FCtl->Filled()) FCtl->FillSheet();
    FHeadModel->Reload();
    FDataModel->Reload();
    SizeColumns();
    Render();
}

void TfrmSKYCSVImp::SizeColumns() {
    if (!FCtl || !FCtl->Filled()) return;
    const CsvImportSheet& sheet = FCtl->Sheet();
    const QFontMetrics fm(font());
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics fb(bold);
    const QFontMetrics ff(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const qsizetype rows = std::min<qsizetype>(sheet.RowCount(), kMeasuredRows);
    for (int c = 0; c < sheet.ColumnCount(); ++c) {
        int width = 0;
        for (int r = 0; r < headCount; ++r)
            width = std::max(width, (r == int(HeadRow::Name)    ? fb
                                     : r == int(HeadRow::Flags) ? ff
                                                                : fm)
                                        .horizontalAdvance(sheet.Head(c, HeadRow(r))));
        for (qsizetype r = 0; r < rows; ++r)
            width = std::max(width, fm.horizontalAdvance(sheet.Cell(r, c)));
        width = std::clamp(width + 16, 48, kMaxColumnWidth);
        sgHead->setColumnWidth(c, width);
        sgData->setColumnWidth(c, width);
    }
    FitHeadHeight();
    // Both row headers as wide as the widest of their labels.
    const int labels = std::max(fm.horizontalAdvance(QStringLiteral("Line 5")),
                                fm.horizontalAdvance(QString::number(sheet.RowCount()))) +
                       14;
    sgHead->verticalHeader()->setFixedWidth(labels);
    sgData->verticalHeader()->setFixedWidth(labels);
}

void TfrmSKYCSVImp::FitHeadHeight() {
    const int header =
        std::max(sgHead->horizontalHeader()->sizeHint().height(), fontMetrics().height() + 8);
    sgHead->setFixedHeight(header + sgHead->verticalHeader()->defaultSectionSize() * headCount +
                           2 * sgHead->frameWidth());
}

// --- rendering ----------------------------------------------------------------

void TfrmSKYCSVImp::Render() {
    if (!FCtl) return;
    fEditMode = true;
    if (edtTableName->text() != FCtl->TableName()) edtTableName->setText(FCtl->TableName());
    const QColor back = palette().color(QPalette::Window);
    for (QLabel* l : {lblTableNameError, lblError}) {
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, ReadableOn(kErrorText, back));
        l->setPalette(p);
    }
    lblTableNameError->setText(FCtl->TableNameError());
    lblTableNameError->setToolTip(FCtl->TableNameError().isEmpty() ? QString() : kNameFixHint);
    lblError->setText(FCtl->Error());
    btnAccept->setEnabled(FCtl->AcceptEnabled());
    btnResetData->setEnabled(FCtl->Filled());
    btnRefreshConstraints->setEnabled(FCtl->Filled());
    fEditMode = false;
    RenderEditors();
    FHeadModel->Refresh();
}

void TfrmSKYCSVImp::RenderEditors() {
    if (!FCtl) return;
    fEditMode = true;
    const ColumnEditors e = FCtl->Editors();
    lblColumn->setText(e.column);
    if (edtColName->text() != e.name && !edtColName->hasFocus()) edtColName->setText(e.name);
    SetComboItems(cbType, SheetTypeChoices(), e.type);
    SetComboItems(cbConstraint, e.constraintChoices, e.constraint);
    lblColProps->setText(e.props);
    for (QWidget* w : std::initializer_list<QWidget*>{edtColName, cbType, cbConstraint})
        w->setEnabled(FCtl->Filled());
    fEditMode = false;
}

// --- the port -------------------------------------------------------------------

void TfrmSKYCSVImp::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (!FFillPending) return;
    QTimer::singleShot(kFillDelayMs, this, [this] {
        if (!FFillPending) return;
        FFillPending = false;
        Fill();
    });
}

bool TfrmSKYCSVImp::RunImportWindow(CsvImportController& ctl) {
    FCtl = &ctl;
    FFillPending = true;
    pnlHelp->hide();
    FHeadModel->SetController(&ctl);
    FDataModel->SetController(&ctl);
    Render();
    btnAccept->setEnabled(false);
    const bool accepted = exec() == QDialog::Accepted;
    FFillPending = false;
    FHeadModel->SetController(nullptr);
    FDataModel->SetController(nullptr);
    FCtl = nullptr;
    return accepted && !ctl.ImportedName().isEmpty();
}

ProgressSink* TfrmSKYCSVImp::StartProgress(const QString& title, bool canCancel) {
    SetBusy(true);
    return ProgressStart(title, false, canCancel, -1, -1, true, true, this);
}

void TfrmSKYCSVImp::EndProgress(ProgressSink* p) {
    static_cast<TKProgress*>(p)->EndProgress();
    SetBusy(false);
}

void TfrmSKYCSVImp::SetBusy(bool busy) {
    // While a long step runs (the progress dialog lets events through), the
    // sheet and everything that changes it wait.
    for (QWidget* w : std::initializer_list<QWidget*>{sgHead, sgData, edtTableName, edtColName,
                                                      cbType, cbConstraint, btnRefreshConstraints,
                                                      btnResetData, btnAccept})
        w->setEnabled(!busy);
    if (!busy && FCtl) btnAccept->setEnabled(FCtl->AcceptEnabled());
}

bool TfrmSKYCSVImp::EditCSVList(TSQLite3Database* db, const QString& csvText, QString& error,
                                QString& tableName, const QString& replaceTable) {
    return sky::EditCSVList(db, csvText, error, tableName, *this, Prompts(), &FPorts->clipboard,
                            replaceTable);
}

TfrmSKYCSVImp& frmSKYCSVImp() {
    static auto* w = new TfrmSKYCSVImp; // lives for the whole run
    return *w;
}

} // namespace sky::ui
