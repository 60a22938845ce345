// The table compare window.
#include "analysis/ui/CompareWindow.h"

#include "engine/Database.h"
#include "shell/DialogModels.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/HelpPanel.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"
#include "support/TextUtil.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace sky::ui {

namespace {

constexpr int kDiffRole = Qt::UserRole + 1;    // the cell's pair differs
constexpr int kMissingRole = Qt::UserRole + 2; // the row has no partner

QColor Blend(const QColor& base, quint32 toward, double f) {
    return QColor::fromRgb(QRgb(0xFF000000u | BlendRgb(base.rgb() & 0xFFFFFF, toward, f)));
}

// Black or white, whichever reads on the background.
QColor TextOn(const QColor& bg) {
    return qGray(bg.rgb()) > 128 ? QColor(Qt::black) : QColor(Qt::white);
}

// The data grid's value columns: a line at the left edge, grey for the
// first table's columns, red or green for the second table's.
class EdgeDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        QStyledItemDelegate::paint(p, o, i);
        if (i.column() < 2) return;
        const bool second = (i.column() - 2) % 2 == 1;
        p->save();
        p->setPen(!second                      ? QColor(0x80, 0x80, 0x80)
                  : i.data(kDiffRole).toBool() ? QColor(0xFF, 0x80, 0x80)
                                               : QColor(0x80, 0xFF, 0x80));
        p->drawLine(o.rect.topLeft(), o.rect.bottomLeft());
        p->restore();
    }
};

QTableWidget* Grid(QWidget* parent, const char* name) {
    auto* g = new QTableWidget(parent);
    g->setObjectName(QLatin1String(name));
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    g->verticalHeader()->hide();
    QFont f = g->horizontalHeader()->font();
    f.setBold(true);
    g->horizontalHeader()->setFont(f);
    return g;
}

QTableWidgetItem* Item(const QString& text) {
    return new QTableWidgetItem(text);
}

} // namespace

TfrmSKYComp::TfrmSKYComp(Prompter* prompts, ClipboardPort* clipboard)
    : QWidget(nullptr, Qt::Window), FPrompts(prompts ? *prompts : Prompts()),
      FClipboard(clipboard ? *clipboard : Clipboard()) {
    setObjectName(QStringLiteral("frmSKYComp"));
    TKFormFilter::SetNoMinimizeApp(this, true);
    resize(1100, 760);
    auto* v = new QVBoxLayout(this);
    FPages = new QTabWidget(this);
    FPages->setObjectName(QStringLiteral("pcCompare"));
    tsLayout = BuildLayoutPage();
    tsData = BuildDataPage();
    tsFixes = BuildFixesPage();
    FPages->addTab(tsLayout, QStringLiteral("Table Layouts"));
    FPages->addTab(tsData, QStringLiteral("Data Differences"));
    FPages->addTab(tsFixes, QStringLiteral("Requested Fixes"));
    FPages->setTabVisible(1, false);
    FPages->setTabVisible(2, false);
    v->addWidget(FPages);
    const HelpPanel help = MakeHelpPanel(this);
    pnlHelp = help.frame;
    lblHelpHeader = help.header;
    lblHelp = help.text;
    for (QTableWidget* g : {sgTableComp, sgDataComp})
        g->viewport()->installEventFilter(this);
    fRowUpdating = false;
}

TfrmSKYComp::~TfrmSKYComp() = default;

QLabel* TfrmSKYComp::Label(const char* name) const {
    return findChild<QLabel*>(QLatin1String(name));
}

QWidget* TfrmSKYComp::BuildLayoutPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    for (const auto& [caption, name] :
         {std::pair{"Similar Objects:", "lblSimilar"}, std::pair{"Missing Objects:", "lblMissing"},
          std::pair{"Property discrepancies:", "lblDiscrepancies"}}) {
        top->addWidget(new QLabel(QLatin1String(caption), page));
        QLabel* l = NamedLabel(page, name);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        top->addWidget(l);
        top->addSpacing(16);
    }
    top->addStretch(1);
    QLabel* mark = HelpMark(page, "imgHelpLayout");
    mark->installEventFilter(this);
    FHelpAnchors << mark;
    top->addWidget(mark);
    v->addLayout(top);
    QLabel* banner = NamedLabel(page, "lblBanner");
    QFont bf = banner->font();
    bf.setBold(true);
    banner->setFont(bf);
    v->addWidget(banner);
    sgTableComp = Grid(page, "sgTableComp");
    v->addWidget(sgTableComp, 1);
    auto* bottom = new QHBoxLayout;
    btnDataComp = NamedButton(page, "btnDataComp", QStringLiteral("    Data Comparison"),
                              QStringLiteral("List DATA differences between these Tables"));
    connect(btnDataComp, &QPushButton::clicked, this, [this] { DataComparison(); });
    QPushButton* close = NamedButton(page, "btnClose", QStringLiteral("  Close"),
                                     QStringLiteral("Closes without applying any fixes"));
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    bottom->addWidget(btnDataComp);
    bottom->addStretch(1);
    bottom->addWidget(close);
    v->addLayout(bottom);
    return page;
}

QWidget* TfrmSKYComp::BuildDataPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    QLabel* header = NamedLabel(page, "lblDataHeader");
    QFont hf = header->font();
    hf.setBold(true);
    header->setFont(hf);
    top->addWidget(header);
    top->addWidget(NamedLabel(page, "lblDataNote"));
    top->addSpacing(16);
    top->addWidget(new QLabel(QStringLiteral("Total missing Rows: "), page));
    top->addWidget(NamedLabel(page, "lblMissingRows"));
    top->addSpacing(16);
    top->addWidget(new QLabel(QStringLiteral("Total Data discrepancies:"), page));
    top->addWidget(NamedLabel(page, "lblDataDiscrepancies"));
    top->addStretch(1);
    for (const auto& [name, which] :
         {std::pair{"imgHelpData", 1}, std::pair{"imgHelpMissing", 3}}) {
        QLabel* m = HelpMark(page, name);
        m->setProperty("help", which);
        m->installEventFilter(this);
        FHelpAnchors << m;
        top->addWidget(m);
    }
    v->addLayout(top);

    auto* split = new QSplitter(Qt::Vertical, page);
    auto* detail = new QWidget(split);
    auto* dh = new QHBoxLayout(detail);
    auto* labels = new QGridLayout;
    int row = 0;
    for (const auto& [caption, name] :
         {std::pair{"Reference field:", "lblRefField"},
          std::pair{"Data Discrepancies in the selected Row:", "lblRowDiscrepancies"},
          std::pair{"Discrepancy Index:", "lblDiscrepancyIndex"}}) {
        labels->addWidget(new QLabel(QLatin1String(caption), detail), row, 0);
        labels->addWidget(NamedLabel(detail, name), row++, 1);
    }
    QLabel* rowHelp = HelpMark(detail, "imgHelpRow");
    rowHelp->setProperty("help", 2);
    rowHelp->installEventFilter(this);
    FHelpAnchors << rowHelp;
    labels->addWidget(rowHelp, row++, 0);
    auto* styles = new QGroupBox(QStringLiteral("View Style"), detail);
    auto* sv = new QVBoxLayout(styles);
    rgViewStyle = new QButtonGroup(this);
    const char* const styleNames[] = {"Differing fields Only",
                                      "Differences + All fields in left table",
                                      "All fields in both Tables"};
    for (int k = 0; k < 3; ++k) {
        auto* r = new QRadioButton(QLatin1String(styleNames[k]), styles);
        rgViewStyle->addButton(r, k);
        sv->addWidget(r);
    }
    rgViewStyle->button(1)->setChecked(true);
    connect(rgViewStyle, &QButtonGroup::idClicked, this, [this] {
        if (!fRowUpdating) ApplyViewStyle();
    });
    sv->addWidget(new QLabel(QStringLiteral("  ( Always expand ) "), styles));
    cbViewField = new QComboBox(styles);
    cbViewField->setObjectName(QStringLiteral("cbViewField"));
    connect(cbViewField, &QComboBox::currentIndexChanged, this, [this] {
        if (!fRowUpdating) ApplyViewStyle();
    });
    sv->addWidget(cbViewField);
    labels->addWidget(styles, row, 0, 1, 2);
    labels->setRowStretch(row + 1, 1);
    dh->addLayout(labels);
    sgRowData = Grid(detail, "sgRowData");
    sgRowData->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgRowData->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(sgRowData, &QTableWidget::itemSelectionChanged, this, [this] { SetFixButtons(); });
    dh->addWidget(sgRowData, 1);
    auto* fixes = new QVBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        int tag, help;
    } buttons[] = {{"btnFixRight", "Updating the RIGHT value", 1, 5},
                   {"btnFixLeft", "Updating the LEFT value", 2, 4},
                   {"btnFixInsert", " Inserting the missing Row", 3, 6},
                   {"btnViewFixes", "   View requested Fixes", 0, -1}};
    for (const auto& b : buttons) {
        QPushButton* p =
            NamedButton(detail, b.name, QLatin1String(b.caption),
                        b.tag == 0 ? QStringLiteral("Switch to Fixes Tab...") : QString());
        p->setEnabled(false);
        p->setProperty("help", b.help);
        if (b.help >= 0) {
            p->installEventFilter(this);
            FHelpAnchors << p;
        }
        connect(p, &QPushButton::clicked, this, [this, tag = b.tag] { RequestFix(tag); });
        FFixButtons[b.tag] = p;
        fixes->addWidget(p);
    }
    fixes->addStretch(1);
    dh->addLayout(fixes);
    split->addWidget(detail);

    auto* gridBox = new QWidget(split);
    auto* gv = new QVBoxLayout(gridBox);
    gv->setContentsMargins(0, 0, 0, 0);
    sgDataComp = Grid(gridBox, "sgDataComp");
    sgDataComp->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgDataComp->setSelectionMode(QAbstractItemView::SingleSelection);
    sgDataComp->setItemDelegate(new EdgeDelegate(sgDataComp));
    connect(sgDataComp, &QTableWidget::itemSelectionChanged, this, [this] { ShowRowDetail(); });
    gv->addWidget(sgDataComp, 1);
    auto* legend = new QHBoxLayout;
    const struct {
        const char* text;
        const char* bg;
        const char* fg;
    } legends[] = {
        {"This colour marks rows which do not exist in the second table", "#FFFFD7", "#000000"},
        {"This colour shows items that remain the same between tables.", "#FFFFFF", "#808080"},
        {"This colour marks data items that differ from the other Table's items.", "#FFCBCA",
         "#000000"}};
    for (const auto& l : legends) {
        auto* lab = new QLabel(QLatin1String(l.text), gridBox);
        lab->setStyleSheet(QStringLiteral("QLabel { background: %1; color: %2; padding: 2px 6px; }")
                               .arg(QLatin1String(l.bg), QLatin1String(l.fg)));
        legend->addWidget(lab);
    }
    legend->addStretch(1);
    gv->addLayout(legend);
    split->addWidget(gridBox);
    split->setStretchFactor(1, 2);
    v->addWidget(split, 1);
    return page;
}

QWidget* TfrmSKYComp::BuildFixesPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    lbFixes = new QListWidget(page);
    lbFixes->setObjectName(QStringLiteral("lbFixes"));
    v->addWidget(lbFixes, 1);
    memFixSQL = new QsciScintilla(page);
    memFixSQL->setObjectName(QStringLiteral("memFixSQL"));
    SetupSqlEditor(memFixSQL);
    memFixSQL->setReadOnly(true);
    v->addWidget(memFixSQL, 1);
    auto* note = new QLabel(kFixNote, page);
    note->setWordWrap(true);
    v->addWidget(note);
    auto* h = new QHBoxLayout;
    const struct {
        const char* name;
        const char* caption;
        int which;
    } buttons[] = {{"btnFixRemove", "Remove selected Fix", 0},
                   {"btnFixClear", "    Clear All", 1},
                   {"btnFixCopy", "    Copy the SQL", 2},
                   {"btnFixApply", "Apply all Fixes", 3}};
    for (const auto& b : buttons) {
        QPushButton* p = NamedButton(page, b.name, QLatin1String(b.caption));
        connect(p, &QPushButton::clicked, this, [this, which = b.which] {
            switch (which) {
            case 0:
                FFixList.Remove(lbFixes->currentRow());
                RebuildScript();
                break;
            case 1:
                FFixList.Clear();
                RebuildScript();
                break;
            case 2:
                if (!FFixList.Script().isEmpty()) FClipboard.SetText(FFixList.Script());
                break;
            default:
                ApplyFixes();
            }
        });
        h->addWidget(p);
        if (b.which == 2) h->addStretch(1);
    }
    v->addLayout(h);
    return page;
}

bool TfrmSKYComp::Connected() {
    if (FHasOwner && !FOwner) FCmp.db = nullptr; // the workspace is gone
    return FCmp.db != nullptr;
}

bool TfrmSKYComp::compare(TSQLite3Database* db, const QString& tbl1, const QString& tbl2,
                          QObject* owner) {
    FOwner = owner;
    FHasOwner = owner != nullptr;
    FFixList.Clear();
    FData = sky::DataComparison();
    try {
        if (!FCmp.compare(db, tbl1, tbl2)) return false;
    } catch (const std::exception&) {
        FCmp.lastError = QStringLiteral("Exception Comparing Tables");
        return false;
    }
    ShowLayout();
    RebuildScript();
    FPages->setTabVisible(1, false);
    FPages->setTabVisible(2, false);
    FPages->setCurrentIndex(0);
    FFixButtons[0]->setEnabled(false);
    show();
    raise();
    return true;
}

void TfrmSKYComp::ShowLayout() {
    const LayoutComparison& l = FCmp.layout;
    setWindowTitle(l.caption);
    sgTableComp->clear();
    sgTableComp->setColumnCount(5);
    sgTableComp->setHorizontalHeaderLabels(l.headers);
    sgTableComp->setRowCount(int(l.rows.size()));
    const QColor base = sgTableComp->palette().base().color();
    for (int r = 0; r < l.rows.size(); ++r) {
        const LayoutRow& row = l.rows[r];
        const QStringList cells{row.item, row.property, row.left, row.right,
                                row.mark ? QStringLiteral(" ! ") : QString()};
        const bool blockMarked = TrimText(l.rows[r - r % 8 + 1].item) == QLatin1String("!");
        for (int c = 0; c < 5; ++c) {
            QTableWidgetItem* it = Item(cells[c]);
            if (row.mark || blockMarked) {
                const QColor bg = Blend(base, 0xFF0000, c == 4 ? 0.45 : row.mark ? 0.25 : 0.1);
                it->setBackground(bg);
                it->setForeground(TextOn(bg));
            }
            if (r % 8 == 0) {
                QFont f = it->font();
                f.setBold(true);
                it->setFont(f);
            }
            sgTableComp->setItem(r, c, it);
        }
        const int h = sgTableComp->verticalHeader()->defaultSectionSize();
        sgTableComp->setRowHeight(r, r % 8 == 0 ? int(h * 1.5 + 0.5) : h);
    }
    sgTableComp->resizeColumnsToContents();
    Label("lblSimilar")->setText(QString::number(l.similar));
    Label("lblMissing")->setText(QString::number(l.missing));
    Label("lblDiscrepancies")->setText(QString::number(l.discrepancies));
    Label("lblBanner")->setText(l.banner);
    btnDataComp->setEnabled(l.dataEnabled);
}

bool TfrmSKYComp::DataComparison() {
    FPages->setCurrentIndex(0);
    FPages->setTabVisible(1, false);
    FPrompts.ShowNotice(QStringLiteral("Calculating Data Differences"),
                        QStringLiteral("Please wait - This may take a while..."), 1, false);
    bool ok = false;
    if (!Connected()) {
        FData = sky::DataComparison();
        FData.error = kNullDbReference;
    } else {
        try {
            ok = FCmp.CompareData(FData);
        } catch (const std::exception&) {
            FData.error = QStringLiteral("Fatal Exception reading Table Data");
        }
    }
    Label("lblMissingRows")->setText(QString::number(FData.missingRows));
    Label("lblDataDiscrepancies")->setText(QString::number(FData.discrepancies));
    Label("lblDataHeader")
        ->setText(QStringLiteral("Data discrepancies between \"") + FCmp.stbl1 +
                  QStringLiteral("\" and \"") + FCmp.stbl2 + u'"');
    if (!ok) {
        FCmp.lastError = FData.error;
        FPrompts.ShowNotice(QStringLiteral("Unable to Compare Data"),
                            QStringLiteral("Error: ") + FData.error + u'.', 9, true);
        return false;
    }
    Label("lblDataNote")->setText(FData.note);
    FillDataGrid();
    FPages->setTabVisible(1, true);
    FPages->setCurrentIndex(1);
    return true;
}

void TfrmSKYComp::FillDataGrid() {
    fRowUpdating = true;
    const QString previous = cbViewField->currentText();
    QStringList fields = FData.compared;
    fields.sort(Qt::CaseInsensitive);
    cbViewField->clear();
    cbViewField->addItems(fields);
    cbViewField->setCurrentIndex(std::max(0, int(fields.indexOf(previous))));
    sgDataComp->clear();
    sgDataComp->setColumnCount(int(FData.GridHeaders().size()));
    sgDataComp->setHorizontalHeaderLabels(FData.GridHeaders());
    sgDataComp->setRowCount(int(FData.rows.size()));
    const QColor base = sgDataComp->palette().base().color();
    const QColor missingBg = Blend(base, 0xFFFF00, 0.15), diffBg = Blend(base, 0xFF0000, 0.2);
    for (int r = 0; r < FData.rows.size(); ++r) {
        const CmpRow& row = FData.rows[r];
        QTableWidgetItem* key = Item(row.KeyText());
        sgDataComp->setItem(r, 0, key);
        sgDataComp->setItem(r, 1, Item(QString())); // never shown
        for (int c = 0; c < row.values.size(); ++c) {
            QTableWidgetItem* it = Item(row.values[c].shown);
            const bool differs = row.differs.value(c / 2);
            it->setData(kDiffRole, differs);
            it->setData(kMissingRole, row.missing);
            QFont f = it->font();
            if (row.missing) {
                it->setBackground(missingBg);
                it->setForeground(QColor(0xA0, 0xA0, 0xA0));
                f.setItalic(true);
            } else if (differs) {
                it->setBackground(diffBg);
                it->setForeground(TextOn(diffBg));
                f.setBold(true);
            } else {
                it->setForeground(QColor(0xA0, 0xA0, 0xA0));
                if (f.pointSizeF() > 2) f.setPointSizeF(f.pointSizeF() - 1);
            }
            it->setFont(f);
            sgDataComp->setItem(r, 2 + c, it);
        }
        if (row.missing) key->setBackground(missingBg);
    }
    fRowUpdating = false;
    ApplyViewStyle();
    if (sgDataComp->rowCount() > 0) sgDataComp->selectRow(0);
    ShowRowDetail();
}

void TfrmSKYComp::SetViewStyle(int style) {
    if (QAbstractButton* b = rgViewStyle->button(style)) b->setChecked(true);
    if (!fRowUpdating) ApplyViewStyle();
}

void TfrmSKYComp::ApplyViewStyle() {
    const int cols = sgDataComp->columnCount();
    if (cols < 4 || sgDataComp->rowCount() == 0) return;
    const int style = rgViewStyle->checkedId();
    sgDataComp->resizeColumnsToContents();
    const QString expand = cbViewField->currentText();
    for (int c = 0; c < cols; ++c) {
        bool hidden = false;
        if (c == 1) {
            hidden = true;
        } else if (c == 0) {
            hidden = !FData.sharedKey;
        } else {
            const bool differs =
                FData.discrepancies > 0 &&
                std::any_of(FData.rows.begin(), FData.rows.end(),
                            [&](const CmpRow& r) { return r.differs.value((c - 2) / 2); });
            const QString h = sgDataComp->horizontalHeaderItem(c)->text();
            if (h.compare(expand, Qt::CaseInsensitive) != 0) {
                sgDataComp->setColumnWidth(c, std::min(sgDataComp->columnWidth(c), 250));
                const bool second = (c - 2) % 2 == 1;
                hidden = !differs && (style == 0 || (style == 1 && second));
            }
        }
        sgDataComp->setColumnHidden(c, hidden);
    }
}

void TfrmSKYComp::ShowRowDetail() {
    sgRowData->clear();
    sgRowData->setRowCount(0);
    Label("lblDiscrepancyIndex")->setText(QStringLiteral("No matching Rows"));
    const int r = sgDataComp->currentRow();
    // One compared column is enough for the detail (two key columns besides).
    if (r < 0 || r >= FData.rows.size() || sgDataComp->columnCount() < 4) {
        Label("lblRefField")->clear();
        Label("lblRowDiscrepancies")->clear();
        SetFixButtons();
        return;
    }
    const CmpRow& row = FData.rows[r];
    sgRowData->setColumnCount(row.missing ? 2 : 3);
    QStringList headers{QStringLiteral("Columns"), QStringLiteral("in \"") + FCmp.stbl1 + u'"'};
    if (!row.missing) headers << QStringLiteral("in \"") + FCmp.stbl2 + u'"';
    sgRowData->setHorizontalHeaderLabels(headers);
    sgRowData->setRowCount(int(FData.compared.size()));
    int count = 0;
    for (int k = 0; k < FData.compared.size(); ++k) {
        sgRowData->setItem(k, 0, Item(FData.compared[k]));
        sgRowData->setItem(k, 1, Item(row.values.value(2 * k).shown));
        if (!row.missing) sgRowData->setItem(k, 2, Item(row.values.value(2 * k + 1).shown));
        if (row.differs.value(k)) {
            ++count;
            for (int c = 0; c < sgRowData->columnCount(); ++c) {
                QFont f = sgRowData->item(k, c)->font();
                f.setBold(true);
                sgRowData->item(k, c)->setFont(f);
            }
        }
    }
    sgRowData->resizeColumnsToContents();
    Label("lblRefField")->setText(row.KeyText());
    Label("lblRowDiscrepancies")
        ->setText(row.missing ? QStringLiteral("Missing Row") : QString::number(count));
    Label("lblDiscrepancyIndex")
        ->setText(QStringLiteral("%1  of  %2").arg(r + 1).arg(FData.rows.size()));
    if (sgRowData->rowCount() > 0) sgRowData->selectRow(0);
    SetFixButtons();
}

void TfrmSKYComp::SetFixButtons() {
    for (int tag = 1; tag <= 3; ++tag)
        FFixButtons[tag]->setEnabled(false);
    const int r = sgDataComp->currentRow(), k = sgRowData->currentRow();
    if (r >= 0 && r < FData.rows.size() && k >= 0 && k < FData.compared.size()) {
        const CmpRow& row = FData.rows[r];
        if (row.missing) {
            FFixButtons[3]->setEnabled(true);
        } else if (row.differs.value(k)) {
            // Any differing value can be copied either way, a NULL included.
            FFixButtons[1]->setEnabled(true);
            FFixButtons[2]->setEnabled(true);
        }
    }
    FFixButtons[0]->setEnabled(FPages->isTabVisible(2));
}

void TfrmSKYComp::RequestFix(int tag) {
    if (tag >= 1 && tag <= 3) {
        const int r = sgDataComp->currentRow(), k = sgRowData->currentRow();
        if (r >= 0 && r < FData.rows.size()) {
            const QString s = FCmp.FixStatement(FData, FData.rows[r], tag, k);
            if (!s.isEmpty()) {
                FFixList.Add(s);
                RebuildScript();
                FPages->setTabVisible(2, true);
                FFixButtons[0]->setEnabled(true);
                return;
            }
        }
    }
    if (FPages->isTabVisible(2)) FPages->setCurrentIndex(2);
}

void TfrmSKYComp::RebuildScript() {
    lbFixes->clear();
    lbFixes->addItems(FFixList.Lines());
    memFixSQL->setReadOnly(false);
    memFixSQL->setText(FFixList.Script());
    memFixSQL->setReadOnly(true);
}

void TfrmSKYComp::ApplyFixes() {
    RebuildScript();
    if (FFixList.Script().isEmpty()) return;
    if (!FPrompts.AskYesNo(
            QStringLiteral("Fixing Data differences..."),
            QStringLiteral(
                "Are you sure? - this will make permanent changes to the Data. Apply now?"),
            30, QStringLiteral("No"), QStringLiteral("Yes")))
        return;
    QString message;
    if (!Connected()) {
        FPrompts.ShowNotice(
            QStringLiteral("Error Fixing Data"),
            QStringLiteral("DB Error while loading transaction: ") + kNullDbReference, 9, true);
        return;
    }
    if (!sky::ApplyFixes(*FCmp.db, FFixList.Statements(), message)) {
        FPrompts.ShowNotice(QStringLiteral("Error Fixing Data"), message, 9, true);
        return;
    }
    FPrompts.ShowNotice(QStringLiteral("Success Fixing Data"), kFixesApplied, 9, false);
    FFixList.Clear();
    RebuildScript();
    FPages->setCurrentIndex(0);
    FPages->setTabVisible(1, false);
    FPages->setTabVisible(2, false);
    FFixButtons[0]->setEnabled(false);
}

void TfrmSKYComp::ShowHelp(QWidget* anchor, int which) {
    lblHelpHeader->setText(QStringLiteral("- ") + CompareHelpTitle(which) + QStringLiteral(" -"));
    lblHelp->setText(CompareHelpText(which, FCmp.stbl1, FCmp.stbl2, FCmp.layout.dataEnabled)
                         .replace(u'\r', u'\n'));
    pnlHelp->setFixedWidth(420);
    pnlHelp->adjustSize();
    QPoint at = mapFromGlobal(anchor->mapToGlobal(QPoint(0, anchor->height() + 4)));
    at.setX(std::clamp(at.x(), 4, std::max(4, width() - pnlHelp->width() - 4)));
    at.setY(std::clamp(at.y(), 4, std::max(4, height() - pnlHelp->height() - 4)));
    pnlHelp->move(at);
    pnlHelp->raise();
    pnlHelp->show();
}

bool TfrmSKYComp::eventFilter(QObject* o, QEvent* e) {
    auto* w = qobject_cast<QWidget*>(o);
    if (w && FHelpAnchors.contains(w)) {
        if (e->type() == QEvent::Enter) {
            const QVariant which = w->property("help");
            ShowHelp(w, which.isValid() ? which.toInt() : 0);
        } else if (e->type() == QEvent::Leave) {
            pnlHelp->hide();
        }
    }
    // The wheel: 5 rows a notch, 1 with Shift, a page with Ctrl.
    if (e->type() == QEvent::Wheel) {
        for (QTableWidget* g : {sgTableComp, sgDataComp}) {
            if (o != g->viewport()) continue;
            auto* we = static_cast<QWheelEvent*>(e);
            const int notches = we->angleDelta().y() / 120;
            if (notches == 0) return false;
            int step = 5;
            if (we->modifiers() & Qt::ShiftModifier) step = 1;
            if (we->modifiers() & Qt::ControlModifier) {
                const int first = g->rowAt(0), last = g->rowAt(g->viewport()->height() - 1);
                step = std::max(1, (last < 0 ? g->rowCount() : last) - first);
            }
            QScrollBar* bar = g->verticalScrollBar();
            bar->setValue(
                std::clamp(bar->value() - notches * step, bar->minimum(), bar->maximum()));
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

TfrmSKYComp& frmSKYComp() {
    static auto* window = new TfrmSKYComp; // lives for the whole run
    return *window;
}

} // namespace sky::ui
