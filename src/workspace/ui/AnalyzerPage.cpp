// The analyzer page.
#include "workspace/ui/AnalyzerPage.h"

#include "shell/ui/HelpPanel.h"
#include "shell/ui/QtPrompter.h"
#include "support/Settings.h"
#include "support/TextUtil.h"
#include "workspace/WorkspaceController.h"
#include "workspace/WorkspaceView.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>

namespace sky::ui {

namespace {

// Colours told apart also without hue: a dark blue, a light orange and a
// mid grey (the segments also differ in lightness).
const QColor kPayload(0x1F, 0x5A, 0x96), kUnused(0xF5, 0xB0, 0x55), kRest(0x9A, 0x9A, 0x9A);
constexpr int kLegend = 24, kTable = 30, kIndex = 22;

QString Size(qint64 bytes) {
    if (bytes >= (qint64(1) << 30)) return QString::number(bytes / 1073741824.0, 'f', 2) + " GB";
    if (bytes >= (1 << 20)) return QString::number(bytes / 1048576.0, 'f', 1) + " MB";
    return QString::number(bytes / 1024.0, 'f', 1) + " KB";
}

} // namespace

TAnalyzerPage::TAnalyzerPage(WorkspaceController& c, WorkspaceView& view, QWidget* parent,
                             Prompter* prompts)
    : QWidget(parent), FCtl(c), FView(view), FPrompts(prompts ? *prompts : Prompts()) {
    setObjectName(QStringLiteral("tsAnal"));
    auto* v = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    QPushButton* run = NamedButton(this, "btnAnalReanalyze", QStringLiteral("   Run Analyzer"),
                                   QStringLiteral("Re-Analyze this Database"));
    connect(run, &QPushButton::clicked, this, [this] { Run(); });
    top->addWidget(run);
    top->addWidget(new QLabel(QStringLiteral("Full Database Analysis"), this));
    top->addStretch(1);
    imgHelpAnalyzer = HelpMark(this, "imgHelpAnalyzer");
    top->addWidget(imgHelpAnalyzer);
    v->addLayout(top);
    auto* split = new QSplitter(Qt::Horizontal, this);
    lbAnalSects = new QListWidget(split);
    lbAnalSects->setObjectName(QStringLiteral("lbAnalSects"));
    connect(lbAnalSects, &QListWidget::currentTextChanged, this,
            [this](const QString& s) { ShowSection(s); });
    auto* centre = new QWidget(split);
    auto* cv = new QVBoxLayout(centre);
    cv->setContentsMargins(0, 0, 0, 0);
    lblAnalDataHeader = NamedLabel(centre, "lblAnalDataHeader");
    QFont bf = lblAnalDataHeader->font();
    bf.setBold(true);
    lblAnalDataHeader->setFont(bf);
    cv->addWidget(lblAnalDataHeader);
    sgAnal = new QTableWidget(centre);
    sgAnal->setObjectName(QStringLiteral("sgAnal"));
    sgAnal->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgAnal->verticalHeader()->hide();
    connect(sgAnal, &QTableWidget::cellClicked, this, [this](int row, int col) {
        if (col != 0) return;
        lblAnalHelp->setText(FReport.Explain(sgAnal->item(row, 0)->text()));
    });
    cv->addWidget(sgAnal, 1);
    lblAnalHelp = NamedLabel(centre, "lblAnalHelp");
    lblAnalHelp->setWordWrap(true);
    lblAnalHelp->setMinimumHeight(48);
    cv->addWidget(lblAnalHelp);
    auto* scroll = new QScrollArea(split);
    scroll->setWidgetResizable(true);
    lbAnalStats = new TAnalGraph(scroll);
    lbAnalStats->setObjectName(QStringLiteral("lbAnalStats"));
    scroll->setWidget(lbAnalStats);
    connect(lbAnalStats, &TAnalGraph::BarChosen, this, [this](const QString& name) {
        // The bar's own table or index, by its whole name; else nothing.
        const QString s = FReport.SectionOf(name);
        if (s.isEmpty()) return;
        const QList<QListWidgetItem*> items = lbAnalSects->findItems(s, Qt::MatchExactly);
        if (!items.isEmpty()) lbAnalSects->setCurrentItem(items.first());
    });
    split->addWidget(lbAnalSects);
    split->addWidget(centre);
    split->addWidget(scroll);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    split->setStretchFactor(2, 2);
    v->addWidget(split, 1);
}

void TAnalyzerPage::LoadReport() {
    lbAnalSects->clear();
    sgAnal->clear();
    sgAnal->setRowCount(0);
    lblAnalHelp->clear();
    lblAnalDataHeader->clear();
    FReport = AnalyzerReport(FCtl.dba); // read once for all the page shows
    lbAnalSects->addItems(FReport.Sections());
    if (lbAnalSects->count() > 0) lbAnalSects->setCurrentRow(0);
    FillGraph();
}

void TAnalyzerPage::ShowSection(const QString& section) {
    lblAnalDataHeader->setText(section);
    lblAnalHelp->clear();
    const QList<AnalyzerFigure> f = FReport.Figures(section);
    sgAnal->clear();
    sgAnal->setColumnCount(3);
    sgAnal->setHorizontalHeaderLabels(
        {QStringLiteral("Measured Item"), QStringLiteral("Value"), QStringLiteral("Relative")});
    sgAnal->setRowCount(int(f.size()));
    for (int k = 0; k < f.size(); ++k) {
        sgAnal->setItem(k, 0, new QTableWidgetItem(f[k].item));
        sgAnal->setItem(k, 1, new QTableWidgetItem(f[k].value));
        sgAnal->setItem(k, 2, new QTableWidgetItem(f[k].relative));
    }
    sgAnal->resizeColumnsToContents();
}

bool TAnalyzerPage::Run(const QString& given) {
    if (!FCtl.sql.IsOpen() || FCtl.sqlFile.isEmpty()) {
        FCtl.SetStatus(QStringLiteral("No active Database to Analyze..."));
        return false;
    }
    const QString program = given.isEmpty() ? FindAnalyzer() : given;
    if (program.isEmpty()) {
        FCtl.SetStatus(kAnalyzerNotFound);
        return false;
    }
    ProgressSink* p =
        FView.StartProgress(QStringLiteral("Analyzing Database (") +
                            QFileInfo(FCtl.sqlFile).fileName() + QStringLiteral(")..."));
    QStringList lines;
    QString status;
    const bool ok = RunAnalyzer(program, FCtl.sqlFile, lines, status, p);
    if (p) FView.EndProgress(p);
    if (!ok) { // the previous report stays
        FCtl.SetStatus(status);
        return false;
    }
    FCtl.dba = lines;
    ListSave(FCtl.dba, QStringLiteral("DBA_") + FCtl.fFileID);
    LoadReport();
    const int kind = SpaceUsedKind(FCtl.sql);
    bool import = kind == 1;
    if (kind == 0)
        import = FPrompts.AskYesNo(QStringLiteral("Databse Analysis Success"), kSpaceUsedQuestion,
                                   30, QStringLiteral("No"), QStringLiteral("Yes"));
    else if (kind == 2)
        import = FPrompts.AskYesNo(
            QStringLiteral("Databse Analysis Success"),
            QStringLiteral("The table \"space_used\" is not the analyzer's. Replace it with the "
                           "usage info?"),
            30, QStringLiteral("No"), QStringLiteral("Yes"));
    if (import) {
        FCtl.SetStatus(QStringLiteral("Importing Anaysis Table..."));
        QString s;
        const bool imported = ImportSpaceUsed(FCtl.sql, FReport, s);
        if (imported) FCtl.RefreshSchema();
        FCtl.SetStatus(s);
        FillGraph();
        FView.ShowPage(kPageAnalysis);
    } else {
        FCtl.SetStatus(QStringLiteral("Analysis complete."));
    }
    return true;
}

void TAnalyzerPage::FillGraph() {
    qint64 file = QFileInfo(FCtl.sqlFile).size();
    lbAnalStats->SetRows(FCtl.sql.IsOpen() ? ReadGraph(FCtl.sql) : QList<GraphRow>(), file);
}

// --- the graph

TAnalGraph::TAnalGraph(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
}

void TAnalGraph::SetRows(QList<GraphRow> rows, qint64 fileSize) {
    // Each table followed by its indexes, largest tables first.
    FRows.clear();
    FFile = fileSize;
    FMax = 0;
    QList<GraphRow> tables, indexes;
    for (const GraphRow& r : rows) {
        (r.index ? indexes : tables) << r;
        FMax = std::max(FMax, r.compressed);
    }
    std::stable_sort(tables.begin(), tables.end(), [](const GraphRow& a, const GraphRow& b) {
        return a.compressed > b.compressed;
    });
    for (const GraphRow& t : tables) {
        FRows << t;
        for (const GraphRow& i : indexes)
            if (i.table.compare(t.name, Qt::CaseInsensitive) == 0) FRows << i;
    }
    FTops.clear();
    int y = kLegend;
    for (const GraphRow& r : FRows) {
        FTops << y;
        y += r.index ? kIndex : kTable;
    }
    FTops << y;
    FChosen = -1;
    setMinimumHeight(y + 4);
    updateGeometry();
    update();
}

QSize TAnalGraph::sizeHint() const {
    return {420, FTops.isEmpty() ? kLegend : FTops.last() + 4};
}

int TAnalGraph::RowAt(int y) const {
    for (int k = 0; k + 1 < FTops.size(); ++k)
        if (y >= FTops[k] && y < FTops[k + 1]) return k;
    return -1;
}

void TAnalGraph::Choose(int row) {
    FChosen = row;
    update();
    if (row >= 0 && row < FRows.size()) Q_EMIT BarChosen(FRows[row].name);
}

void TAnalGraph::mousePressEvent(QMouseEvent* e) {
    Choose(RowAt(int(e->position().y())));
}

bool TAnalGraph::event(QEvent* e) {
    if (e->type() == QEvent::ToolTip) {
        auto* h = static_cast<QHelpEvent*>(e);
        const int k = RowAt(h->pos().y());
        if (k < 0) {
            QToolTip::hideText();
            return true;
        }
        const GraphRow& r = FRows[k];
        QToolTip::showText(
            h->globalPos(),
            QStringLiteral("%1 (%2)\nStored: %3 bytes\nPayload: %4 bytes\nUnused on leaf pages: %5 "
                           "bytes\nLeaf pages: %6, gaps: %7")
                .arg(r.name, r.index ? QStringLiteral("index") : QStringLiteral("table"))
                .arg(r.compressed)
                .arg(r.payload)
                .arg(r.leafUnused)
                .arg(r.leafPages)
                .arg(r.gapCount),
            this);
        return true;
    }
    return QWidget::event(e);
}

void TAnalGraph::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor text = palette().color(QPalette::WindowText);
    // The legend.
    int x = 6;
    for (const auto& [colour, label] :
         {std::pair{kPayload, "payload"}, std::pair{kUnused, "unused leaf space"},
          std::pair{kRest, "other (interior, overflow)"}}) {
        p.fillRect(x, 6, 12, 12, colour);
        p.setPen(text);
        p.drawText(x + 16, 16, QLatin1String(label));
        x += 24 + p.fontMetrics().horizontalAdvance(QLatin1String(label));
    }
    if (FRows.isEmpty()) {
        p.drawText(6, kLegend + 20,
                   QStringLiteral("Run the analyzer and store its usage info to "
                                  "see the space each table takes."));
        return;
    }
    const int nameWidth = std::min(width() / 3, 180);
    const int barLeft = nameWidth + 8, barMax = std::max(40, width() - barLeft - 150);
    for (int k = 0; k < FRows.size(); ++k) {
        const GraphRow& r = FRows[k];
        const int top = FTops[k], h = FTops[k + 1] - top;
        const bool chosen = k == FChosen;
        if (chosen) p.fillRect(0, top, width(), h, QColor(224, 240, 255));
        const QColor ink = chosen ? QColor(Qt::black) : text;
        QFont f = font();
        f.setBold(!r.index);
        f.setItalic(r.index);
        p.setFont(f);
        p.setPen(ink);
        const int indent = r.index ? 16 : 4;
        p.drawText(QRect(indent, top, nameWidth - indent, h), Qt::AlignVCenter | Qt::AlignLeft,
                   p.fontMetrics().elidedText(r.name, Qt::ElideRight, nameWidth - indent));
        const int len = FMax > 0 ? int(double(r.compressed) / double(FMax) * barMax) : 0;
        const int bh = h - 10, by = top + 5;
        p.fillRect(barLeft, by, barMax, bh, palette().color(QPalette::AlternateBase));
        if (len > 0 && r.compressed > 0) {
            const int pay = int(double(std::min(r.payload, r.compressed)) / r.compressed * len);
            const int unused = int(
                double(std::min(r.leafUnused, r.compressed - std::min(r.payload, r.compressed))) /
                r.compressed * len);
            p.fillRect(barLeft, by, pay, bh, kPayload);
            p.fillRect(barLeft + pay, by, unused, bh, kUnused);
            p.fillRect(barLeft + pay + unused, by, std::max(0, len - pay - unused), bh, kRest);
            // Fragmentation: a hatched end when the leaf pages have gaps.
            if (r.gapCount > 0 && r.leafPages > 0) {
                p.fillRect(barLeft + len - std::min(len, 8), by, std::min(len, 8), bh,
                           QBrush(Qt::black, Qt::BDiagPattern));
            }
        }
        f.setBold(false);
        f.setItalic(false);
        p.setFont(f);
        p.setPen(ink);
        const QString share =
            FFile > 0 ? QStringLiteral("  %1%").arg(100.0 * r.compressed / FFile, 0, 'f', 1)
                      : QString();
        p.drawText(QRect(barLeft + barMax + 6, top, 150, h), Qt::AlignVCenter | Qt::AlignLeft,
                   Size(r.compressed) + share);
    }
}

} // namespace sky::ui
