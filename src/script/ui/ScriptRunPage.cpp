#include "script/ui/ScriptRunPage.h"

#include "shell/ui/HelpPanel.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace sky::ui {

TScriptRunPage::TScriptRunPage(ScriptEditorController& c, QWidget* parent)
    : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("tsRun"));
    QWidget* page = this;
    auto* h = new QHBoxLayout(page);
    // Parameters.
    auto* params = new QGroupBox(QStringLiteral("Parameters"), page);
    auto* pv = new QVBoxLayout(params);
    auto* ph = new QHBoxLayout;
    lblParamCount = NamedLabel(params, "lblParamCount");
    imgHelpParams = HelpMark(params, "imgHelpParams");
    imgHelpParams->installEventFilter(this);
    auto* read =
        NamedButton(params, "btnParamsRead", QStringLiteral("  Re-establish Script Parameters"));
    connect(read, &QPushButton::clicked, this, [this] { FCtl.CollectParams(); });
    ph->addWidget(read);
    ph->addWidget(lblParamCount);
    ph->addStretch(1);
    ph->addWidget(imgHelpParams);
    pv->addLayout(ph);
    vlstScriptParams = new QTableWidget(0, 2, params);
    vlstScriptParams->setObjectName(QStringLiteral("vlstScriptParams"));
    vlstScriptParams->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    vlstScriptParams->horizontalHeader()->setStretchLastSection(true);
    vlstScriptParams->verticalHeader()->hide();
    connect(vlstScriptParams, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
        if (FShowing || it->column() != 1) return;
        FCtl.SetParamValue(vlstScriptParams->item(it->row(), 0)->text(), it->text());
    });
    pv->addWidget(vlstScriptParams, 1);
    h->addWidget(params, 1);
    // Options.
    auto* opts = new QWidget(page);
    auto* ov = new QVBoxLayout(opts);
    auto group = [&](const QString& title, const QStringList& items, QButtonGroup*& g,
                     const char* name) {
        auto* box = new QGroupBox(title, opts);
        box->setObjectName(QLatin1String(name));
        auto* bv = new QVBoxLayout(box);
        g = new QButtonGroup(box);
        for (int i = 0; i < items.size(); ++i) {
            auto* r = new QRadioButton(items[i], box);
            g->addButton(r, i);
            bv->addWidget(r);
        }
        connect(g, &QButtonGroup::idClicked, this, [this] {
            ReadOptions();
            FCtl.SettingsChanged();
        });
        ov->addWidget(box);
    };
    group(QStringLiteral("Script Run mode"),
          {QStringLiteral("Run     (Execute all)"), QStringLiteral("Step    (Step through each)"),
           QStringLiteral("Run to (Step from selected)")},
          rgScriptRunMode, "rgScriptRunMode");
    group(QStringLiteral("Script completion mode"),
          {QStringLiteral("Active  (Commit when done)"),
           QStringLiteral("Test    (Roll back when done)"),
           QStringLiteral("User    (Ask on completion)")},
          rgScriptEndMode, "rgScriptEndMode");
    group(QStringLiteral("Stats Logging mode"),
          {QStringLiteral("None   (No Stats)"), QStringLiteral("Script  (Once for entire Script)"),
           QStringLiteral("Select  (Only for SELECTs)"), QStringLiteral("Full      (All Queries)")},
          rgStatsLogKind, "rgStatsLogKind");
    chkScriptShortQueries =
        new QCheckBox(QStringLiteral("Shorten long SQL lines in the output"), opts);
    chkScriptShortQueries->setObjectName(QStringLiteral("chkScriptShortQueries"));
    chkScriptShowBlobs = new QCheckBox(QStringLiteral("  Output full BLOB values"), opts);
    chkScriptShowBlobs->setObjectName(QStringLiteral("chkScriptShowBlobs"));
    chkScriptShowBlobs->setToolTip(QStringLiteral(
        "Tick to show hexadecimal BLOB values. Leave blank to show BLOB placeholders only"));
    ov->addWidget(chkScriptShortQueries);
    ov->addWidget(chkScriptShowBlobs);
    auto* form = new QGridLayout;
    auto spin = [&](const QString& caption, QSpinBox*& s, const char* name, int lo, int hi,
                    int step, int row) {
        form->addWidget(new QLabel(caption, opts), row, 0);
        s = new QSpinBox(opts);
        s->setObjectName(QLatin1String(name));
        s->setRange(lo, hi);
        s->setSingleStep(step);
        form->addWidget(s, row, 1);
    };
    spin(QStringLiteral("Maximum Column width: "), seMaxColWidth, "seMaxColWidth", 10, 1024, 5, 0);
    spin(QStringLiteral("Lines to buffer in memory:"), seBufferLines, "seBufferLines", 16, 4096, 8,
         1);
    spin(QStringLiteral("Whitespace Padding: "), sePadding, "sePadding", 0, 64, 1, 2);
    auto combo = [&](const QString& caption, QComboBox*& b, const char* name,
                     const QStringList& items, int row) {
        form->addWidget(new QLabel(caption, opts), row, 0);
        b = new QComboBox(opts);
        b->setObjectName(QLatin1String(name));
        b->setEditable(true);
        b->addItems(items);
        form->addWidget(b, row, 1);
    };
    combo(QStringLiteral("Column Separator: "), cbResultSeparator, "cbResultSeparator",
          kResultSeparators, 3);
    combo(QStringLiteral("Header Separator:"), cbResultHeaderDivider, "cbResultHeaderDivider",
          kHeaderDividers, 4);
    ov->addLayout(form);
    ov->addStretch(1);
    h->addWidget(opts);
    // Run buttons and statistics.
    auto* right = new QWidget(page);
    auto* rv = new QVBoxLayout(right);
    btnScriptRun = NamedButton(right, "btnScriptRun", QStringLiteral("  Run Script"));
    btnRunToEnd = NamedButton(right, "btnRunToEnd", QStringLiteral("  Run to End"),
                              QStringLiteral("Run to Completion (Or next selected item)"));
    btnRunStop = NamedButton(right, "btnRunStop", QStringLiteral("  Stop (Roll back)"),
                             QStringLiteral("Stop, Cancel and Roll back any executed statements"));
    connect(btnScriptRun, &QPushButton::clicked, this, [this] {
        ReadOptions();
        FCtl.Run();
    });
    connect(btnRunToEnd, &QPushButton::clicked, this, [this] {
        ReadOptions();
        FCtl.RunToEnd();
    });
    connect(btnRunStop, &QPushButton::clicked, this, [this] { FCtl.Stop(); });
    rv->addWidget(btnScriptRun);
    rv->addWidget(btnRunToEnd);
    rv->addWidget(btnRunStop);
    auto* stats = new QGroupBox(right);
    stats->setObjectName(QStringLiteral("pnlScriptRunStats"));
    auto* sg = new QGridLayout(stats);
    static const char* const captions[][2] = {
        {"Curent Item: ", "lblCurScriptItem"},        {"Result: ", "lblItemResult"},
        {"Item Query Time: ", "lblItemQTime"},        {"Completed: ", "lblScriptCompleted"},
        {"Script Items: ", "lblScriptItems"},         {"Script Size: ", "lblScriptSize"},
        {"Output Size: ", "lblScriptOutSize"},        {"Started: ", "lblScriptStarted"},
        {"Total Run Time: ", "lblRunTime"},           {"Total Query Time: ", "lblScriptQTime"},
        {"Tot Modified Rows: ", "lblScriptUpdates"},  {"VM Steps: ", "lblScriptItemVM"},
        {"Table Scan Steps: ", "lblScriptItemScans"}, {"Sort Operations: ", "lblScriptItemSort"},
        {"Modified Rows: ", "lblScriptItemMods"}};
    int row = 0;
    for (const auto& c : captions) {
        sg->addWidget(new QLabel(QString::fromLatin1(c[0]), stats), row, 0);
        QLabel* l = NamedLabel(stats, c[1]);
        l->setWordWrap(true);
        FStatLabels << l;
        sg->addWidget(l, row++, 1);
    }
    rv->addWidget(stats);
    rv->addStretch(1);
    h->addWidget(right);
    const HelpPanel help = MakeHelpPanel(this);
    pnlHelp = help.frame;
    lblHelpHeader = help.header;
    lblHelp = help.text;
}

void TScriptRunPage::ReadOptions() {
    ScriptSettings& s = FCtl.Settings();
    s.runMode = std::max(0, rgScriptRunMode->checkedId());
    s.endMode = std::max(0, rgScriptEndMode->checkedId());
    s.statMode = std::max(0, rgStatsLogKind->checkedId());
    s.shortQueries = chkScriptShortQueries->isChecked();
    s.fullBlobs = chkScriptShowBlobs->isChecked();
    s.maxColWidth = seMaxColWidth->value();
    s.bufferLines = seBufferLines->value();
    s.padding = sePadding->value();
    s.separator = cbResultSeparator->currentText();
    s.divider = cbResultHeaderDivider->currentText();
}

void TScriptRunPage::Render() {
    const ScriptEditorController& c = FCtl;
    btnScriptRun->setText(c.RunButtonCaption());
    btnRunToEnd->setToolTip(c.RunToEndHint());
    FShowing = true;
    const ScriptSettings& s = FCtl.Settings();
    if (QAbstractButton* b = rgScriptRunMode->button(s.runMode)) b->setChecked(true);
    if (QAbstractButton* b = rgScriptEndMode->button(s.endMode)) b->setChecked(true);
    if (QAbstractButton* b = rgStatsLogKind->button(s.statMode)) b->setChecked(true);
    chkScriptShortQueries->setChecked(s.shortQueries);
    chkScriptShowBlobs->setChecked(s.fullBlobs);
    seMaxColWidth->setValue(s.maxColWidth);
    seBufferLines->setValue(s.bufferLines);
    sePadding->setValue(s.padding);
    cbResultSeparator->setCurrentText(s.separator);
    cbResultHeaderDivider->setCurrentText(s.divider);
    const QStringList lines = FCtl.Params().Lines();
    vlstScriptParams->setRowCount(int(lines.size()));
    for (int i = 0; i < lines.size(); ++i) {
        const qsizetype eq = lines[i].indexOf(u'=');
        auto* name = new QTableWidgetItem(lines[i].left(eq));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        vlstScriptParams->setItem(i, 0, name);
        vlstScriptParams->setItem(i, 1, new QTableWidgetItem(lines[i].mid(eq + 1)));
    }
    lblParamCount->setText(QString::number(lines.size()));
    FShowing = false;
}

void TScriptRunPage::RenderStats() {
    const ScriptRunStats s = FCtl.RunStats();
    const QString values[] = {s.curItem, s.result,  s.itemTime, s.completed, s.items,
                              s.size,    s.outSize, s.started,  s.runTime,   s.queryTime,
                              s.updates, s.vm,      s.scans,    s.sorts,     s.mods};
    for (int i = 0; i < FStatLabels.size(); ++i)
        FStatLabels[i]->setText(values[i]);
    btnRunStop->setEnabled(FCtl.Running());
}

bool TScriptRunPage::eventFilter(QObject* o, QEvent* e) {
    if (o == imgHelpParams) {
        if (e->type() == QEvent::Enter) {
            lblHelpHeader->setText(QStringLiteral("- ") + kScriptParamsHelpHeader +
                                   QStringLiteral(" -"));
            lblHelp->setText(kScriptParamsHelp);
            pnlHelp->move(mapFromGlobal(imgHelpParams->mapToGlobal(QPoint(-360, 20))));
            pnlHelp->setFixedWidth(400);
            pnlHelp->adjustSize();
            pnlHelp->raise();
            pnlHelp->show();
        } else if (e->type() == QEvent::Leave) {
            pnlHelp->hide();
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace sky::ui
