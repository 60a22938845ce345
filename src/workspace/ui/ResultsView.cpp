#include "workspace/ui/ResultsView.h"

#include "engine/Database.h"
#include "shell/ui/KPanel.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/Themes.h"
#include "support/TextUtil.h"
#include "workspace/SqlTemplate.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace sky::ui {

const QString kCancelAnswer = QStringLiteral("#CANCEL!#");

QVariant ResultsModel::data(const QModelIndex& i, int role) const {
    if (!i.isValid()) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return FTable.Text(i.row(), i.column());
    return {};
}

QVariant ResultsModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Horizontal) return FTable.Heading(section);
    return section + 1;
}

GridView ResultsModel::View() const {
    GridView g;
    g.rows = FTable.RowCount();
    g.columns = FTable.ColumnCount();
    const TResultTable* t = &FTable;
    g.cell = [t](int row, int col) { return row == 0 ? t->Heading(col) : t->Text(row - 1, col); };
    return g;
}

// Draws the cells: the current row in the fixed colour, NULL and empty
// values dimmed, the find and highlighter marks, NULL text in silver
// italics, numbers and texts aligned by their settings.
class ResultsDelegate : public QStyledItemDelegate {
public:
    ResultsDelegate(TResultsPage* page, WorkspaceController& c)
        : QStyledItemDelegate(page), FPage(page), FCtl(c) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        const QString text = i.data(Qt::DisplayRole).toString();
        const QString null = NullDisplayText();
        // The grid keeps its own light colours in every theme; the text is
        // made readable on whatever lies under it.
        const QColor base(255, 255, 255);
        const QColor textColour(0, 0, 0);
        QColor back = base;
        const QModelIndex cur = FPage->Grid()->currentIndex();
        if ((o.state & QStyle::State_Selected) || (cur.isValid() && cur.row() == i.row()))
            back = QColor(224, 224, 228);
        if (FCtl.opts.showHighlights && (text.isEmpty() || text == QLatin1String("0") ||
                                         text == QLatin1String("0.0") || text == null))
            back = back.darker(111); // 10 % toward black
        p->fillRect(o.rect, back);
        const QString upper = text.toUpper();
        auto has = [&upper](const QString& t) {
            return !TrimText(t).isEmpty() && upper.contains(TrimText(t).toUpper());
        };
        QColor under = back;
        if (has(FPage->fFind)) {
            p->fillRect(o.rect, QBrush(QColor(255, 170, 170), Qt::DiagCrossPattern));
            under = Blend(back, QColor(255, 170, 170), 0.5);
        } else if (has(FCtl.opts.custHiLite[0])) {
            p->fillRect(o.rect, under = QColor(255, 255, 0));
        } else if (has(FCtl.opts.custHiLite[1])) {
            p->fillRect(o.rect, under = QColor(170, 255, 170));
        } else if (has(FCtl.opts.custHiLite[2])) {
            p->fillRect(o.rect, under = QColor(136, 255, 255));
        }
        p->setPen(QColor(208, 208, 208));
        p->drawRect(o.rect.adjusted(0, 0, -1, -1));
        QFont f = o.font;
        QColor colour = textColour;
        int align;
        if (text == null) {
            colour = QColor(192, 192, 192); // silver, made readable below
            f.setItalic(true);
            f.setPointSizeF(std::max(1.0, f.pointSizeF() - 1));
            align = 1;
        } else {
            align = LooksNumeric(text) ? FCtl.opts.alignVals : FCtl.opts.alignText;
        }
        colour = ReadableOn(colour, under);
        p->setFont(f);
        p->setPen(colour);
        const int x = QFontMetrics(f).horizontalAdvance(QLatin1Char('x'));
        QRect r = o.rect;
        Qt::Alignment a = Qt::AlignVCenter;
        if (align == 0) {
            r.setLeft(r.left() + x);
            a |= Qt::AlignLeft;
        } else if (align == 2) {
            r.setRight(r.right() - x);
            a |= Qt::AlignRight;
        } else {
            r.setLeft(r.left() + 2);
            a |= Qt::AlignHCenter;
        }
        p->drawText(r, int(a), QFontMetrics(f).elidedText(text, Qt::ElideRight, r.width()));
    }

private:
    TResultsPage* FPage;
    WorkspaceController& FCtl;
};

TResultsPage::TResultsPage(WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsResults"));
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    FModel = new ResultsModel(c.results.rows, this);
    FProxy = new FilterProxy(this);
    FProxy->setSourceModel(FModel);
    sgResults = new QTableView(this);
    sgResults->setObjectName(QStringLiteral("sgResults"));
    sgResults->setModel(FProxy);
    sgResults->setItemDelegate(new ResultsDelegate(this, c));
    sgResults->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(sgResults->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (FReloading) return;
                FCtl.results.currentRow =
                    current.isValid() ? FProxy->mapToSource(current).row() : -1;
            });
    sgResults->setSelectionMode(QAbstractItemView::SingleSelection);
    sgResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgResults->setContextMenuPolicy(Qt::CustomContextMenu);
    sgResults->setWordWrap(false);
    sgResults->verticalHeader()->setDefaultSectionSize(22);
    sgResults->verticalHeader()->hide();
    sgResults->horizontalHeader()->setSectionsMovable(true);
    sgResults->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, "
                       "stop:0 #FFFFD0, stop:1 #E0E0E4); color: #0000C0; font-weight: bold; "
                       "border: 1px solid #D0D0D0; padding: 2px 4px; }"));
    sgResults->setStyleSheet(QStringLiteral("QTableView { background: white; color: black; }"));
    sgResults->viewport()->installEventFilter(this);
    sgResults->installEventFilter(this);
    sgResults->horizontalHeader()->viewport()->installEventFilter(this);
    sgResults->horizontalHeader()->viewport()->setMouseTracking(true);
    sgResults->viewport()->setMouseTracking(true); // row 1 hover
    h->addWidget(sgResults, 1);

    BuildFilterPanel(h);
    BuildColumnPopUp();
    connect(sgResults, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex i = sgResults->indexAt(at);
        if (!i.isValid()) return;
        QMenu m(this);
        BuildMenu(m, FProxy->mapToSource(i).row() + 1, i.column());
        m.exec(sgResults->viewport()->mapToGlobal(at));
    });
    connect(sgResults, &QAbstractItemView::doubleClicked, this,
            [this] { CellCommand(CellAction::EditValue); });
}

// The filter panel, closed at first.
void TResultsPage::BuildFilterPanel(QHBoxLayout* h) {
    pnlResultsFilter = new QWidget(this);
    pnlResultsFilter->setObjectName(QStringLiteral("pnlResultsFilter"));
    auto* fv = new QHBoxLayout(pnlResultsFilter);
    fv->setContentsMargins(0, 0, 0, 0);
    btnFilterShowHide = new QPushButton(QStringLiteral("<\n<\n<"), pnlResultsFilter);
    btnFilterShowHide->setObjectName(QStringLiteral("btnFilterShowHide"));
    btnFilterShowHide->setToolTip(QStringLiteral("Show filtering functions..."));
    btnFilterShowHide->setFixedWidth(22);
    btnFilterShowHide->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    fv->addWidget(btnFilterShowHide);
    auto* body = new QWidget(pnlResultsFilter);
    body->setObjectName(QStringLiteral("pnlFilterBody"));
    auto* bv = new QVBoxLayout(body);
    lblFilterHeaderSQL = new QLabel(QStringLiteral("Results Filter"), body);
    edtFilterSpec = new QLineEdit(body);
    edtFilterSpec->setObjectName(QStringLiteral("edtFilterSpec"));
    chkFilterSwitch = new QCheckBox(QStringLiteral("Filter  [Off]"), body);
    chkFilterNOT = new QCheckBox(QStringLiteral("Invert  [Off]"), body);
    btnFilterSQL = new QPushButton(QStringLiteral("Add as SQL to the current Query"), body);
    btnFilterSQL->setObjectName(QStringLiteral("btnFilterSQL"));
    btnFilterSQL->hide();
    lblFilterExplain = new QLabel(
        QStringLiteral("Words separated by spaces or commas must all be found in a row.\n"
                       "Prefix a word with  |  for OR,  -  for NOT,  +  or  &  for AND;\n"
                       "then  =  for a whole cell,  [  for a cell start,  ]  for a cell end,  "
                       "~  for anywhere (the default)."),
        body);
    lblFilterExplain->setWordWrap(true);
    bv->addWidget(lblFilterHeaderSQL);
    bv->addWidget(edtFilterSpec);
    bv->addWidget(chkFilterSwitch);
    bv->addWidget(chkFilterNOT);
    bv->addWidget(btnFilterSQL);
    bv->addWidget(lblFilterExplain);
    bv->addStretch(1);
    body->setFixedWidth(250 - 26);
    body->hide();
    fv->addWidget(body);
    h->addWidget(pnlResultsFilter);
    connect(btnFilterShowHide, &QPushButton::clicked, this,
            [this] { SetFilterOpen(!FFilterOpen); });
    connect(chkFilterSwitch, &QCheckBox::toggled, this, [this](bool on) {
        chkFilterSwitch->setText(on ? QStringLiteral("Filter  [ ON ]")
                                    : QStringLiteral("Filter  [Off]"));
        chkFilterSwitch->setStyleSheet(
            on ? QStringLiteral("background: rgb(233,247,213); color: black;")
               : QStringLiteral("background: rgb(223,223,223); color: black;"));
        RunFilter();
    });
    connect(chkFilterNOT, &QCheckBox::toggled, this, [this](bool on) {
        chkFilterNOT->setText(on ? QStringLiteral("Invert  [ ON ]")
                                 : QStringLiteral("Invert  [Off]"));
        RunFilter();
    });
    connect(edtFilterSpec, &QLineEdit::textEdited, this, [this] {
        if (chkFilterSwitch->isChecked())
            RunFilter();
        else
            chkFilterSwitch->setChecked(true);
    });
    connect(btnFilterSQL, &QPushButton::clicked, this,
            [this] { Q_EMIT AddFilterAsSql(lblFilterHeaderSQL->toolTip()); });
    FFilterTimer = new QTimer(this);
    FFilterTimer->setSingleShot(true);
    connect(FFilterTimer, &QTimer::timeout, this, [this] {
        fFilterWaiting = 2;
        ApplyFilterNow();
        fFilterWaiting = 0;
    });
}

// The column-statistics pop-up.
void TResultsPage::BuildColumnPopUp() {
    pnlColPopUp = new QFrame(window(), Qt::ToolTip);
    pnlColPopUp->setObjectName(QStringLiteral("pnlColPopUp"));
    pnlColPopUp->setFrameShape(QFrame::Box);
    pnlColPopUp->setStyleSheet(QStringLiteral("QFrame { background: #FFFFF4; color: #202020; }"));
    auto* pv = new QVBoxLayout(pnlColPopUp);
    FPopUpText = new QLabel(pnlColPopUp);
    FPopUpText->setTextFormat(Qt::RichText);
    pv->addWidget(FPopUpText);
    pnlColPopUp->hide();
    pnlColPopUp->installEventFilter(this);
    tmrColPU = new QTimer(this);
    tmrColPU->setInterval(100);
    connect(tmrColPU, &QTimer::timeout, this, [this] {
        if (!fPUStayUpArea.contains(QCursor::pos())) {
            pnlColPopUp->hide();
            tmrColPU->stop();
            fPUHoverIdx = fPUPoppedIdx = -1;
            return;
        }
        if (pnlColPopUp->isVisible()) return;
        if (++fPUHoverCount > 4) ShowColumnPopUp(fPUHoverIdx);
    });
}

void TResultsPage::Loaded() {
    const int keep = FCtl.results.currentRow;
    FReloading = true;
    FModel->Reload();
    // A run closes the filter panel, which shows every row again.
    if (FFilterOpen) SetFilterOpen(false);
    FProxy->SetShown({});
    FReloading = false;
    FCtl.results.currentRow = keep;
    if (keep >= 0 && keep < FModel->rowCount({}))
        sgResults->selectRow(FProxy->mapFromSource(FModel->index(keep, 0)).row());
    AutoSize(DefaultSizeMode(FCtl.opts.showStretched));
    sgResults->horizontalHeader()->setMinimumHeight(
        int(std::lround(sgResults->verticalHeader()->defaultSectionSize() * 1.6)));
}

void TResultsPage::Repaint() {
    sgResults->viewport()->update();
}

void TResultsPage::AutoSize(const SizeMode& m) {
    const QFontMetricsF fm(sgResults->font());
    const double charWidth =
        fm.horizontalAdvance(QStringLiteral("ABCdefghijklmnopqrstuvwxyz56789")) / 31.0;
    const QList<int> widths =
        ColumnWidths(FModel->View(), m, charWidth, sgResults->viewport()->width());
    for (int c = 0; c < widths.size(); ++c) {
        sgResults->setColumnHidden(c, widths[c] == 0);
        if (widths[c] > 0) sgResults->setColumnWidth(c, widths[c]);
    }
}

void TResultsPage::Find() {
    const QString answer =
        Prompts().AskText(QStringLiteral("Find in Results..."), QStringLiteral("Text to Find: "),
                          fFind, {}, false, 0, kCancelAnswer);
    if (answer == kCancelAnswer) return;
    if (answer.isEmpty()) {
        ClearFind();
        return;
    }
    fFind = answer;
    if (!FindNext()) {
        Prompts().ShowNotice(
            QStringLiteral("Value not found"),
            QStringLiteral("No matches found for: \"") + answer + QStringLiteral("\"..."), 9, true);
        ClearFind();
    }
    Repaint();
}

bool TResultsPage::FindNext() {
    if (fFind.isEmpty()) return false;
    const QModelIndex cur = sgResults->currentIndex();
    const int from = cur.isValid() ? FProxy->mapToSource(cur).row() + 1 : 0;
    const int row =
        FindNextRow(FModel->View(), fFind, from, [this](int r) { return FProxy->RowShown(r - 1); });
    if (row < 1) return false;
    const QModelIndex at = FProxy->mapFromSource(FModel->index(row - 1, std::max(0, cur.column())));
    sgResults->setCurrentIndex(at);
    sgResults->scrollTo(at);
    return true;
}

void TResultsPage::ClearFind() {
    fFind.clear();
    Repaint();
}

void TResultsPage::SetHighlighter(int n) {
    if (n < 1 || n > 3) return;
    const QString answer =
        Prompts().AskText(QStringLiteral("Set Hi-lighter ") + QString::number(n),
                          QStringLiteral("Text to Hi-light: "), FCtl.opts.custHiLite[n - 1], {},
                          false, 0, kCancelAnswer);
    if (answer == kCancelAnswer) return;
    FCtl.opts.custHiLite[n - 1] = answer;
    Repaint();
}

void TResultsPage::ClearHighlighters() {
    for (QString& h : FCtl.opts.custHiLite)
        h.clear();
    Repaint();
}

void TResultsPage::Sort(int column, SortKind kind) {
    if (column < 0 || column >= FModel->columnCount({}) || FModel->rowCount({}) < 2 || FCtl.Busy())
        return;
    // The rows in their stored order first, so the new order maps stored rows.
    std::vector<int> current = FCtl.results.rows.Order();
    const QList<int> sorted = SortedRows(FModel->View(), column, kind);
    std::vector<int> order;
    order.reserve(size_t(sorted.size()));
    for (int r : sorted)
        order.push_back(current.empty() ? r - 1 : current[size_t(r - 1)]);
    FCtl.results.rows.SetOrder(order);
    FModel->Reload();
    if (FFilterOpen) RunFilter();
}

void TResultsPage::SetFilterOpen(bool open) {
    FFilterOpen = open;
    findChild<QWidget*>(QStringLiteral("pnlFilterBody"))->setVisible(open);
    btnFilterShowHide->setText(open ? QStringLiteral(">\n>\n>") : QStringLiteral("<\n<\n<"));
    btnFilterShowHide->setToolTip(open ? QStringLiteral("Close filtering")
                                       : QStringLiteral("Show filtering functions..."));
    if (open) {
        edtFilterSpec->setFocus();
        fFilterWaiting = 0;
    }
    RunFilter();
}

void TResultsPage::SetFilterSpec(const QString& filterText) {
    edtFilterSpec->setText(filterText);
}
void TResultsPage::SetFilterSwitch(bool on) {
    chkFilterSwitch->setChecked(on);
}
void TResultsPage::SetFilterInvert(bool on) {
    chkFilterNOT->setChecked(on);
}

void TResultsPage::RunFilter() {
    const int rows = FModel->rowCount({});
    const int delay = FilterDelayMs(rows);
    if (delay > 0 && FFilterOpen && chkFilterSwitch->isChecked()) {
        if (fFilterWaiting != 0) return; // one run is pending
        fFilterWaiting = 1;
        FFilterTimer->start(delay);
        return;
    }
    ApplyFilterNow();
}

void TResultsPage::ApplyFilterNow() {
    btnFilterSQL->hide();
    FFilterSql.clear();
    const ResultsFilter f = ParseFilter(edtFilterSpec->text());
    if (FModel->rowCount({}) < 2 || f.IsEmpty() || !FFilterOpen || !chkFilterSwitch->isChecked()) {
        if (FProxy->Filtered()) FProxy->SetShown({});
        return;
    }
    sgResults->setUpdatesEnabled(false);
    QString sql;
    FProxy->SetShown(ApplyFilter(f, FModel->View(), chkFilterNOT->isChecked(), sql));
    sgResults->setUpdatesEnabled(true);
    if (!TrimText(sql).isEmpty()) {
        FFilterSql = sql;
        lblFilterHeaderSQL->setToolTip(sql);
        btnFilterSQL->show();
    }
}

void TResultsPage::BuildMenu(QMenu& m, int row, int col) {
    const TablePageState& t = FCtl.table;
    fMenuRes = PrepareCellMenu(FModel->View(), col, row, FCtl.results.rows.LineNumbers(), t.schema,
                               t.name, t.type == 0 ? t.primaryKey : QStringList());
    const bool cell = row >= 1 && col >= 0;
    m.addAction(fFind.isEmpty() ? QStringLiteral("Find...             [ Ctrl + F ]")
                                : QStringLiteral("Finding \"") + fFind + QStringLiteral("\""),
                this, [this] { Find(); });
    m.addAction(QStringLiteral("Find Next"), this, [this] {
         FindNext();
     })->setEnabled(!fFind.isEmpty());
    m.addAction(QStringLiteral("Clear Search"), this, [this] {
         ClearFind();
     })->setEnabled(!fFind.isEmpty());
    QMenu* hl = m.addMenu(QStringLiteral("Hi-lighters"));
    for (int n = 1; n <= 3; ++n) {
        const QString t = FCtl.opts.custHiLite[n - 1];
        hl->addAction(t.isEmpty() ? QStringLiteral("Set Hi-lighter %1...").arg(n) : t, this,
                      [this, n] { SetHighlighter(n); });
    }
    hl->addAction(QStringLiteral("Clear all Hi-lighters"), this, [this] { ClearHighlighters(); });
    QMenu* sort = m.addMenu(cell ? QStringLiteral("Sort by \"") + fMenuRes.sField + QLatin1Char('"')
                                 : QStringLiteral("Sort Results by this Column"));
    sort->setEnabled(cell);
    const struct {
        const char* caption;
        SortKind kind;
    } sorts[] = {{"Alpha-numeric Ascending", SortKind::AlphaAsc},
                 {"Alpha-numeric Descending", SortKind::AlphaDesc},
                 {"Numeric Ascending", SortKind::NumAsc},
                 {"Numeric Descending", SortKind::NumDesc}};
    for (const auto& s : sorts)
        sort->addAction(QLatin1String(s.caption), this,
                        [this, col, kind = s.kind] { Sort(col, kind); });
    QMenu* size = m.addMenu(QStringLiteral("Column sizes"));
    size->addAction(QStringLiteral("Full-sized Data && Headers"), this,
                    [this] { AutoSize(FullDataAndHeadings()); });
    size->addAction(QStringLiteral("Full-sized Data only"), this,
                    [this] { AutoSize(FullDataOnly()); });
    size->addAction(QStringLiteral("Adaptive Size - Soft Limits"), this,
                    [this] { AutoSize(AdaptiveSize()); });
    size->addAction(QStringLiteral("Compact Size - Hard Limits"), this,
                    [this] { AutoSize(CompactSize()); });
    m.addSeparator();
    AddViewOptions(m);
    m.addSeparator();
    m.addAction(FFilterOpen ? QStringLiteral("Close Results filter")
                            : QStringLiteral("Show Results filter..."),
                this, [this] { SetFilterOpen(!FFilterOpen); });
    m.addSeparator();
    const int dataRow = row - 1;
    AddCopyMenus(m, dataRow, col);
    AddSaveMenu(m, QStringLiteral("Save these Results"), "mnuSaveResultsAs1");
    AddCreateFromResults(m);
    m.addSeparator();
    AddCellActions(m, dataRow, col);
    m.addSeparator();
    QAction* pop =
        m.addAction(QStringLiteral("Open in Pop-Out"), this, [this] { Q_EMIT PopOutWanted(); });
    pop->setObjectName(QStringLiteral("mnuResultsPopOut1"));
    pop->setEnabled(FCtl.results.rows.ColumnCount() > 0 && !FCtl.Busy());
}

int TResultsPage::CurrentRow() const {
    const QModelIndex i = sgResults->currentIndex();
    return i.isValid() ? FProxy->mapToSource(i).row() : -1;
}

int TResultsPage::CurrentColumn() const {
    const QModelIndex i = sgResults->currentIndex();
    return i.isValid() ? i.column() : -1;
}

// "Create from these Results": a new table (with the import window) or a view.
void TResultsPage::AddCreateFromResults(QMenu& m) {
    QMenu* make = m.addMenu(QStringLiteral("Create from these Results"));
    make->menuAction()->setObjectName(QStringLiteral("mnuResultsMakeView1"));
    make->setEnabled(FCtl.results.createFromResults && !FCtl.Busy());
    make->addAction(QStringLiteral("New Table..."), this, [this] { FCtl.ResultsToNewTable(true); })
        ->setObjectName(QStringLiteral("mnuResultsMakeTable1"));
    make->addSeparator();
    make->addAction(QStringLiteral("Normal  (Persistant) View..."), this,
                    [this] { FCtl.MakeViewFromResults(false); })
        ->setObjectName(QStringLiteral("mnuResultsMakeViewPersist1"));
    make->addAction(QStringLiteral("Temporary View..."), this,
                    [this] { FCtl.MakeViewFromResults(true); })
        ->setObjectName(QStringLiteral("mnuResultsMakeViewTemp1"));
}

// The view options of the menu: dimming, width, line numbers, alignment.
void TResultsPage::AddViewOptions(QMenu& m) {
    QAction* nulls = m.addAction(QStringLiteral("Dim Null / Empty values"));
    nulls->setCheckable(true);
    nulls->setChecked(FCtl.opts.showHighlights);
    connect(nulls, &QAction::triggered, this, [this](bool on) {
        FCtl.opts.showHighlights = on;
        Repaint();
    });
    QAction* wider = m.addAction(QStringLiteral("Use wider View-mode"));
    wider->setCheckable(true);
    wider->setChecked(FCtl.opts.showStretched);
    connect(wider, &QAction::triggered, this, [this](bool on) {
        FCtl.opts.showStretched = on;
        AutoSize(DefaultSizeMode(on));
    });
    QAction* lines = m.addAction(QStringLiteral("Show Line-Numbers"));
    lines->setCheckable(true);
    lines->setChecked(FCtl.opts.showLineNos);
    lines->setEnabled(!FCtl.Busy());
    connect(lines, &QAction::triggered, this, [this](bool on) {
        if (FCtl.Busy()) return;
        FCtl.opts.showLineNos = on;
        FCtl.RunQuery(RunMode::Plain);
    });
    for (int kind = 0; kind < 2; ++kind) {
        QMenu* a = m.addMenu(kind == 0 ? QStringLiteral("Align Text in Results")
                                       : QStringLiteral("Align Numbers in Results"));
        const char* names[] = {"Left", "Center", "Right"};
        for (int v = 0; v < 3; ++v) {
            QAction* item = a->addAction(QLatin1String(names[v]));
            item->setCheckable(true);
            item->setChecked((kind == 0 ? FCtl.opts.alignText : FCtl.opts.alignVals) == v);
            connect(item, &QAction::triggered, this, [this, kind, v] {
                (kind == 0 ? FCtl.opts.alignText : FCtl.opts.alignVals) = v;
                Repaint();
            });
        }
    }
}

void TResultsPage::ShowColumnPopUp(int col) {
    const GridView g = FModel->View();
    if (col < 0 || col >= g.columns || g.rows == 0 || g.cell(0, col).isEmpty()) return;
    const TColStats s = FCtl.ColumnStatistics(g, col);
    QString html = QStringLiteral("<table>");
    for (const auto& [caption, value] : ColumnStatLines(s, col))
        html += QStringLiteral("<tr><td><b>") + caption.toHtmlEscaped() +
                QStringLiteral("</b></td><td>") + value.toHtmlEscaped() +
                QStringLiteral("</td></tr>");
    html += QStringLiteral("</table><p>");
    for (const StatMarker& m : ColumnStatMarkers(s))
        html += QStringLiteral("<b><span style=\"color: %1\">%2</span></b>&nbsp;&nbsp; ")
                    .arg(QColor(m.r, m.g, m.b).name(), m.text.toHtmlEscaped());
    html += QStringLiteral("</p>");
    FPopUpText->setText(html);
    pnlColPopUp->adjustSize();
    QHeaderView* head = sgResults->horizontalHeader();
    const QPoint top = head->viewport()->mapToGlobal(
        QPoint(head->sectionViewportPosition(col) + head->sectionSize(col) / 2, 0));
    QPoint at(top.x() - pnlColPopUp->width() / 2, top.y() - pnlColPopUp->height() - 32);
    // Inside the window and its monitor: the part both cover, or the window.
    QRect room = window()->frameGeometry();
    if (const QScreen* screen = window()->screen()) {
        const QRect both = room.intersected(screen->availableGeometry());
        if (!both.isEmpty()) room = both;
    }
    const QSize size = pnlColPopUp->size();
    at.setX(
        std::clamp(at.x(), room.left(), std::max(room.left(), room.right() + 1 - size.width())));
    at.setY(
        std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height())));
    pnlColPopUp->move(at);
    pnlColPopUp->show();
    fPUPoppedIdx = col;
}

void TResultsPage::HideColumnPopUp() {
    tmrColPU->stop();
    pnlColPopUp->hide();
    fPUHoverIdx = fPUPoppedIdx = -1;
}

void TResultsPage::StartHover(int col) {
    if (col < 0 || col == fPUHoverIdx || col == fPUPoppedIdx) return;
    QHeaderView* head = sgResults->horizontalHeader();
    fPUHoverIdx = col;
    fPUHoverCount = 0;
    const QPoint tl = head->viewport()->mapToGlobal(QPoint(head->sectionViewportPosition(col), 0));
    fPUStayUpArea = QRect(tl.x(), tl.y() - 20, head->sectionSize(col),
                          head->height() + 20 + sgResults->viewport()->height());
    if (pnlColPopUp->isVisible()) ShowColumnPopUp(col);
    tmrColPU->start();
}

bool TResultsPage::eventFilter(QObject* o, QEvent* e) {
    QHeaderView* head = sgResults->horizontalHeader();
    if (o == head->viewport() && e->type() == QEvent::MouseMove) {
        StartHover(head->logicalIndexAt(static_cast<QMouseEvent*>(e)->position().toPoint()));
    } else if (o == sgResults->viewport() && e->type() == QEvent::MouseMove) {
        // The first row counts as the heading.
        const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
        const QModelIndex at = sgResults->indexAt(p);
        if (at.isValid() && at.row() == 0) StartHover(at.column());
    } else if (o == pnlColPopUp && e->type() == QEvent::Enter) {
        pnlColPopUp->hide();
    } else if (o == sgResults && e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_F) Find(); // with any modifier
        if (k->key() == Qt::Key_F3) FindNext();
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter)
            CellCommand(CellAction::EditValue);
        if (k->key() == Qt::Key_Delete) CellCommand(CellAction::RemoveKey);
    } else if (o == sgResults->viewport() && e->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(e);
        const int steps = w->angleDelta().y() / 120;
        if (steps != 0) {
            const int page = std::max(1, sgResults->viewport()->height() / 22 - 1);
            const int per = (w->modifiers() & Qt::ControlModifier) ? page
                            : (w->modifiers() & Qt::ShiftModifier) ? 1
                                                                   : 5;
            QScrollBar* bar = sgResults->verticalScrollBar();
            bar->setValue(bar->value() - steps * per);
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace sky::ui
