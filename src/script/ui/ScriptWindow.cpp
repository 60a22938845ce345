#include "script/ui/ScriptWindow.h"

#include "shell/ui/FormBehaviour.h"
#include "shell/ui/HelpPanel.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/QtFileChooser.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"
#include "shell/ui/WidgetPlacement.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace sky::ui {

// The item grid: two visible columns ("LogMode" and "Script Items") over the
// controller's rows; the texts are read from the cache as they are drawn.
class ScriptItemModel : public QAbstractTableModel {
public:
    ScriptItemModel(ScriptEditorController& c, QObject* parent)
        : QAbstractTableModel(parent), FCtl(c) {}
    // The rows as the controller has them now.
    void Reset() {
        beginResetModel();
        FCount = int(FCtl.Rows().size());
        endResetModel();
    }
    int rowCount(const QModelIndex& p) const override { return p.isValid() ? 0 : FCount; }
    int columnCount(const QModelIndex& p) const override { return p.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& i, int role) const override {
        if (!i.isValid() || i.row() >= FCount || i.row() >= FCtl.Rows().size()) return {};
        if (role == Qt::DisplayRole && i.column() == 1) return FCtl.RowText(i.row());
        if (role == Qt::UserRole) return FCtl.Rows()[i.row()].status;
        if (role == Qt::UserRole + 1) return FCtl.Rows()[i.row()].logMode;
        return {};
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (o != Qt::Horizontal) return {};
        if (role == Qt::DisplayRole)
            return section == 0 ? QStringLiteral("LogMode") : QStringLiteral("Script Items");
        // Bold blue; a lighter blue where the theme's ground is dark.
        if (role == Qt::ForegroundRole)
            return QApplication::palette().base().color().lightness() < 128 ? QColor(0x7FA8FF)
                                                                            : QColor(0x0000FF);
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
        if (role == Qt::FontRole) {
            QFont f;
            f.setBold(true);
            return f;
        }
        return {};
    }

private:
    ScriptEditorController& FCtl;
    int FCount = 0;
};

namespace {

// The grid's drawing: status, log mode and row number in the first column,
// the text on two lines in the second.
class ScriptItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QPalette& pal = option.palette;
        const bool selected = option.state & QStyle::State_Selected;
        // The fixed colours are for a light ground; a dark theme gets the
        // theme's text colour where they would not read.
        const bool dark = pal.base().color().lightness() < 128;
        p->save();
        p->fillRect(option.rect, selected ? pal.highlight() : pal.base());
        const QRect r = option.rect.adjusted(4, 2, -4, -2);
        QFont bold = option.font;
        bold.setBold(true);
        if (index.column() == 0) {
            const int status = index.data(Qt::UserRole).toInt();
            const int mode = index.data(Qt::UserRole + 1).toInt();
            QString st;
            QColor sc;
            if (status <= 0) {
                st = QStringLiteral("Deleted");
                sc = QColor(0xC06000);
            } else if (status == 1) {
                st = QStringLiteral("-");
                sc = QColor(0xC0C0C0);
            } else if (status == 2) {
                st = QStringLiteral("Changed");
                sc = QColor(0x0080A0);
            } else {
                st = QStringLiteral("Unknown (%1)").arg(status);
                sc = pal.text().color();
            }
            p->setFont(bold);
            p->setPen(sc);
            p->drawText(r, Qt::AlignLeft | Qt::AlignTop, st);
            p->setPen(dark ? QColor(0xA0A0A0) : QColor(0x606060));
            p->drawText(r, Qt::AlignRight | Qt::AlignTop, QString::number(index.row() + 1));
            static const QStringList modes{"Ignored", "Silent", "-", "Verbose"};
            static const QList<QColor> colours{QColor(0xFFC0C0), QColor(0xE0E0E0), QColor(0xC0D0E0),
                                               QColor(0x90E0A0)};
            const bool known = mode >= -1 && mode <= 2;
            QFont f = bold;
            f.setItalic(true);
            f.setPointSizeF(std::max(1.0, f.pointSizeF() - 1));
            p->setFont(f);
            p->setPen(known ? colours[mode + 1] : pal.text().color());
            p->drawText(r, Qt::AlignRight | Qt::AlignBottom,
                        known ? modes[mode + 1] : QStringLiteral("---"));
        } else {
            const QString text = index.data().toString();
            // Two lines split at the first space at or after position 64
            // (beyond 80 the split is made at 74).
            qsizetype cut = text.size() > 64 ? text.indexOf(u' ', 64) : -1;
            if (cut < 0 && text.size() > 80) cut = 74;
            if (cut > 80) cut = 74;
            const QString one = cut < 0 ? text : text.left(cut);
            const QString two = cut < 0 ? QString() : text.mid(cut).trimmed().left(cut);
            QFont f = option.font;
            f.setPointSizeF(std::max(1.0, f.pointSizeF() - 1));
            p->setFont(f);
            p->setPen(selected ? pal.highlightedText().color()
                      : dark   ? pal.text().color()
                               : QColor(0x405080));
            p->drawText(r, Qt::AlignLeft | Qt::AlignTop, one);
            p->drawText(r, Qt::AlignLeft | Qt::AlignBottom, two);
        }
        p->restore();
    }
};

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& hint = QString()) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
}

QLabel* Label(QWidget* parent, const char* name, const QString& text = QString()) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

const QString kParamsHelpHeader = QStringLiteral("Script Parameters");
const QString kParamsHelp = QStringLiteral(
    "Define a script parameter by adding:\n"
    "<@ parName [ DEFAULT parDef ] @>\n"
    "anywhere inside the script text.\n"
    "\"parName\" is reduced to a camel-capped name devoid of whitespace or punctuation.\n"
    "(i.e. \"First name - 23!#\" evaluates to \"FirstName23\")\n"
    "The optional DEFAULT phrase may be added with \"parDef\" indicating the default value.\n"
    "Nesting parameters and not closing <@ with @> is not specifically disallowed (since it may "
    "appear in import text) but may result in undefined behaviour or errors.");

} // namespace

TfrmSKYScript::TfrmSKYScript(Prompter* prompts, FileChooser* files)
    : QWidget(nullptr, Qt::Window), FOwnFiles(files ? nullptr : std::make_unique<QtFileChooser>()),
      FCtl(std::make_unique<ScriptEditorController>(*this, prompts ? *prompts : Prompts(),
                                                    files ? *files : *FOwnFiles, Clipboard(),
                                                    Opener())) {
    setObjectName(QStringLiteral("frmSKYScript"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(kScriptCaption);
    TKFormFilter::SetNoMinimizeApp(this, true);
    TKFormFilter::SetCloseOnEscape(this, false);
    resize(980, 720);
    auto* v = new QVBoxLayout(this);
    v->addWidget(BuildHeader());
    FPages = new QTabWidget(this);
    FPages->setObjectName(QStringLiteral("pcScript"));
    FPages->addTab(BuildScriptPage(), QStringLiteral("Script"));
    FPages->addTab(BuildRunPage(), QStringLiteral("Run"));
    FPages->addTab(BuildOutputPage(), QStringLiteral("Output"));
    v->addWidget(FPages, 1);
    const HelpPanel help = MakeHelpPanel(this);
    pnlHelp = help.frame;
    lblHelpHeader = help.header;
    lblHelp = help.text;
    pnlHelp->hide();
    BuildMenus();
    LabelsChanged();
    RestorePlacement(QStringLiteral("frmSKYScript"), this, false);
}

TfrmSKYScript::~TfrmSKYScript() = default;

QWidget* TfrmSKYScript::BuildHeader() {
    auto* w = new QWidget(this);
    auto* g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    ScriptEditorController& c = *FCtl;
    auto add = [&](QPushButton* b, auto slot) {
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
    };
    add(Button(w, "btnOpenScript", QStringLiteral("  Open")), [&c] { c.Open(); });
    add(Button(w, "btnReloadScript", QStringLiteral("Reload"),
               QStringLiteral("Re-load the current Script (Discarding all unsaved changes)")),
        [&c] { c.Reload(); });
    add(Button(w, "btnSaveScript2", QStringLiteral("Save")), [&c] { c.Save(); });
    add(Button(w, "btnSaveScriptAs", QStringLiteral("As...")), [&c] { c.SaveAs(); });
    add(Button(w, "btnExportScript",
               QStringLiteral("  Export  ( Save with inserted parameter values )")),
        [&c] { c.Export(); });
    add(Button(w, "btnScriptNew", QStringLiteral("New"), QStringLiteral("New empty Script")),
        [&c] { c.NewScript(false); });
    add(Button(w, "btnScriptPaste", QStringLiteral("Paste"),
               QStringLiteral("New Script from copied text (Pasted from Clipboard)")),
        [&c] { c.NewScript(true); });
    add(Button(w, "btnOpenScriptExt", QStringLiteral("Open in Editor")),
        [&c] { c.OpenInEditor(); });
    add(Button(w, "btnSelectEditor", QStringLiteral("..."),
               QStringLiteral("Select the external Editor to use for script files (Leave blank "
                              "to use default)")),
        [&c] { c.SelectEditor(); });
    buttons->addStretch(1);
    btnScriptRun2 = Button(w, "btnScriptRun2", QStringLiteral("  Run Script"));
    btnRunToEnd2 = Button(w, "btnRunToEnd2", QStringLiteral(">>"));
    add(btnScriptRun2, [this, &c] {
        ReadOptions();
        c.Run();
    });
    add(btnRunToEnd2, [this, &c] {
        ReadOptions();
        c.RunToEnd();
    });
    add(Button(w, "btnOpenOutput", QStringLiteral("Output..."),
               QStringLiteral("Select a new Output file")),
        [this, &c] { c.ChooseOutput(memResult->toPlainText()); });
    add(Button(w, "btnClose", QStringLiteral("Close")), [this] { close(); });
    g->addLayout(buttons, 0, 0, 1, 4);
    int row = 1;
    auto line = [&](const QString& caption, QLabel*& value, const char* name) {
        g->addWidget(new QLabel(caption, w), row, 0);
        value = Label(w, name);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        g->addWidget(value, row++, 1, 1, 3);
    };
    line(QStringLiteral("Database: "), lblDBFile, "lblDBFile");
    line(QStringLiteral("Script File: "), lblScriptFile, "lblScriptFile");
    line(QStringLiteral("Output File: "), lblOutputFile, "lblOutputFile");
    line(QStringLiteral("Parameters: "), lblParamsFile, "lblParamsFile");
    lblScriptFile->setCursor(Qt::PointingHandCursor);
    lblOutputFile->setCursor(Qt::PointingHandCursor);
    lblScriptFile->installEventFilter(this);
    lblOutputFile->installEventFilter(this);
    lblStatus = Label(w, "lblStatus");
    g->addWidget(lblStatus, row, 0, 1, 2);
    lblRunMode = Label(w, "lblRunMode");
    lblEndMode = Label(w, "lblEndMode");
    for (QLabel* l : {lblRunMode, lblEndMode}) {
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }
    g->addWidget(lblRunMode, row, 2);
    g->addWidget(lblEndMode, row, 3);
    g->setColumnStretch(1, 1);
    return w;
}

QWidget* TfrmSKYScript::BuildScriptPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsScript"));
    auto* v = new QVBoxLayout(page);
    auto* split = new QSplitter(Qt::Vertical, page);
    sgRun = new QTableView(split);
    sgRun->setObjectName(QStringLiteral("sgRun"));
    FModel = new ScriptItemModel(*FCtl, sgRun);
    sgRun->setModel(FModel);
    sgRun->setItemDelegate(new ScriptItemDelegate(sgRun));
    sgRun->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgRun->setSelectionMode(QAbstractItemView::SingleSelection);
    sgRun->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgRun->verticalHeader()->hide();
    sgRun->verticalHeader()->setDefaultSectionSize(40);
    sgRun->horizontalHeader()->setStretchLastSection(true);
    sgRun->setColumnWidth(0, 112);
    sgRun->setContextMenuPolicy(Qt::CustomContextMenu);
    sgRun->viewport()->installEventFilter(this);
    connect(sgRun->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& now) {
                if (!FShowing && now.isValid() && now.row() != FCtl->SelectedRow())
                    FCtl->SelectRow(now.row());
            });
    connect(sgRun, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PrepareRunMenu();
        puRun->popup(sgRun->viewport()->mapToGlobal(at) - QPoint(96, 12));
    });
    auto* lower = new QWidget(split);
    auto* lv = new QVBoxLayout(lower);
    lv->setContentsMargins(0, 0, 0, 0);
    auto* buttons = new QHBoxLayout;
    ScriptEditorController& c = *FCtl;
    auto add = [&](const char* name, const QString& caption, const QString& hint, auto slot) {
        QPushButton* b = Button(lower, name, caption, hint);
        buttons->addWidget(b);
        connect(b, &QPushButton::clicked, this, slot);
    };
    add("btnSENew", QStringLiteral("New"), QStringLiteral("Add a New script item"),
        [&c] { c.NewItem(false); });
    add("btnSEDel", QStringLiteral("Delete"), QStringLiteral("Delete the selected item"),
        [&c] { c.DeleteItem(); });
    add("btnSEMoveUp", QStringLiteral("Up"), QStringLiteral("Move the selected item up"),
        [&c] { c.MoveItem(-1); });
    add("btnSEMoveDown", QStringLiteral("Down"), QStringLiteral("Move the selected item down"),
        [&c] { c.MoveItem(1); });
    add("btnSEReset", QStringLiteral("Reset"),
        QStringLiteral("Reset the selected item (Undo changes since last save)"),
        [&c] { c.ResetItem(false); });
    buttons->addStretch(1);
    lv->addLayout(buttons);
    memSQL = new QsciScintilla(lower);
    memSQL->setObjectName(QStringLiteral("memSQL"));
    SetupSqlEditor(memSQL);
    memSQL->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(memSQL, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        PrepareEditMenu();
        puEdit->popup(memSQL->mapToGlobal(at));
    });
    lv->addWidget(memSQL, 1);
    split->addWidget(sgRun);
    split->addWidget(lower);
    split->setSizes({360, 300});
    v->addWidget(split);
    return page;
}

QWidget* TfrmSKYScript::BuildRunPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsRun"));
    auto* h = new QHBoxLayout(page);
    // Parameters.
    auto* params = new QGroupBox(QStringLiteral("Parameters"), page);
    auto* pv = new QVBoxLayout(params);
    auto* ph = new QHBoxLayout;
    lblParamCount = Label(params, "lblParamCount");
    imgHelpParams = HelpMark(params, "imgHelpParams");
    imgHelpParams->installEventFilter(this);
    auto* read =
        Button(params, "btnParamsRead", QStringLiteral("  Re-establish Script Parameters"));
    connect(read, &QPushButton::clicked, this, [this] { FCtl->CollectParams(); });
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
        FCtl->SetParamValue(vlstScriptParams->item(it->row(), 0)->text(), it->text());
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
            LabelsChanged();
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
    btnScriptRun = Button(right, "btnScriptRun", QStringLiteral("  Run Script"));
    btnRunToEnd = Button(right, "btnRunToEnd", QStringLiteral("  Run to End"),
                         QStringLiteral("Run to Completion (Or next selected item)"));
    btnRunStop = Button(right, "btnRunStop", QStringLiteral("  Stop (Roll back)"),
                        QStringLiteral("Stop, Cancel and Roll back any executed statements"));
    connect(btnScriptRun, &QPushButton::clicked, this, [this] {
        ReadOptions();
        FCtl->Run();
    });
    connect(btnRunToEnd, &QPushButton::clicked, this, [this] {
        ReadOptions();
        FCtl->RunToEnd();
    });
    connect(btnRunStop, &QPushButton::clicked, this, [this] { FCtl->Stop(); });
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
        QLabel* l = Label(stats, c[1]);
        l->setWordWrap(true);
        FStatLabels << l;
        sg->addWidget(l, row++, 1);
    }
    rv->addWidget(stats);
    rv->addStretch(1);
    h->addWidget(right);
    return page;
}

QWidget* TfrmSKYScript::BuildOutputPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("tsSPResult"));
    auto* v = new QVBoxLayout(page);
    memResult = new QPlainTextEdit(page);
    memResult->setObjectName(QStringLiteral("memResult"));
    memResult->setReadOnly(true);
    memResult->setLineWrapMode(QPlainTextEdit::NoWrap);
    memResult->setFont(SqlEditorFont(9));
    v->addWidget(memResult, 1);
    auto* h = new QHBoxLayout;
    h->addStretch(1);
    auto* open = Button(page, "btnOpenOutput3", QStringLiteral("Open Output file"));
    connect(open, &QPushButton::clicked, this, [this] { FCtl->OpenOutput(); });
    h->addWidget(open);
    v->addLayout(h);
    return page;
}

void TfrmSKYScript::BuildMenus() {
    ScriptEditorController& c = *FCtl;
    puRun = new QMenu(this);
    puRun->setObjectName(QStringLiteral("puRun"));
    QMenu* logged = puRun->addMenu(QStringLiteral("Set Logged Results to"));
    const QList<QPair<QString, int>> modes{
        {QStringLiteral("Silent for this Item"), 0},  {QStringLiteral("Normal for this Item"), 1},
        {QStringLiteral("Verbose for this Item"), 2}, {QStringLiteral("Silent for All"), 10},
        {QStringLiteral("Normal for All"), 11},       {QStringLiteral("Verbose for All"), 12}};
    for (const auto& m : modes) {
        if (m.second == 10) logged->addSeparator();
        logged->addAction(m.first, this, [&c, tag = m.second] { c.SetLogMode(tag); });
    }
    FExecuteAction = puRun->addAction(QStringLiteral("Exclude / Ignore this Item"));
    FExecuteAction->setObjectName(QStringLiteral("mnuRunExecuteMode1"));
    connect(FExecuteAction, &QAction::triggered, this,
            [this, &c] { c.SetLogMode(FExecuteAction->data().toInt()); });
    QMenu* move = puRun->addMenu(QStringLiteral("Move Item"));
    move->addAction(QStringLiteral("Up"), this, [&c] { c.MoveItem(-1); });
    move->addAction(QStringLiteral("Down"), this, [&c] { c.MoveItem(1); });
    FDiscardAction = puRun->addAction(QStringLiteral("Undo / Discard changes for this Item"));
    FDiscardAction->setObjectName(QStringLiteral("mnuRunDiscardChanges1"));
    connect(FDiscardAction, &QAction::triggered, this, [&c] {
        // A deleted item is reinstated, a changed one reset.
        const int row = c.SelectedRow();
        if (row >= 0 && row < c.Rows().size() && c.Rows()[row].status <= 0)
            c.DeleteItem();
        else
            c.ResetItem(false);
    });
    puRun
        ->addAction(QStringLiteral("Undo / Discard All changes"), this, [&c] { c.ResetItem(true); })
        ->setObjectName(QStringLiteral("mnuRunDiscardAll1"));
    puRun->addSeparator();
    puRun->addAction(QStringLiteral("Copy Item"), this, [&c] { c.CopyItem(); });
    FPasteAction = puRun->addAction(QStringLiteral("Paste   ( Inserted as New Item )"), this,
                                    [&c] { c.NewItem(true); });
    puRun->addAction(QStringLiteral("New Item"), this, [&c] { c.NewItem(false); });
    puRun->addAction(QStringLiteral("Delete Item"), this, [&c] { c.DeleteItem(); });

    puEdit = new QMenu(this);
    puEdit->setObjectName(QStringLiteral("puEdit"));
    QsciScintilla* e = memSQL;
    puEdit->addAction(QStringLiteral("Undo"), e, &QsciScintilla::undo);
    puEdit->addAction(QStringLiteral("Redo"), e, &QsciScintilla::redo);
    puEdit->addAction(QStringLiteral("Reset  ( Undo all )"), this, [&c] { c.ResetItem(false); });
    puEdit->addSeparator();
    puEdit->addAction(QStringLiteral("Select All"), e, [e] { e->selectAll(true); });
    puEdit->addAction(QStringLiteral("Cut"), e, &QsciScintilla::cut);
    puEdit->addAction(QStringLiteral("Copy"), e, &QsciScintilla::copy);
    puEdit->addAction(QStringLiteral("Paste"), e, &QsciScintilla::paste);
    puEdit->addAction(QStringLiteral("Delete"), e, &QsciScintilla::removeSelectedText);
    puEdit->addSeparator();
    QAction* special = puEdit->addAction(QStringLiteral("Show special chars"));
    special->setCheckable(true);
    connect(special, &QAction::toggled, e, [e](bool on) {
        e->setWhitespaceVisibility(on ? QsciScintilla::WsVisible : QsciScintilla::WsInvisible);
        e->setEolVisibility(on);
    });
    puEdit->addAction(QStringLiteral("Add text from file..."), this, [this, &c] {
        const QString text = c.TextFromFile();
        if (!text.isEmpty()) memSQL->replaceSelectedText(text);
    });
}

void TfrmSKYScript::PrepareRunMenu() {
    const ScriptRunPopup p = FCtl->RunPopup();
    for (QAction* a : puRun->actions())
        a->setEnabled(p.enabled && !FCtl->Running());
    FExecuteAction->setText(p.executeCaption);
    FExecuteAction->setData(p.executeTag);
    FDiscardAction->setText(p.discardCaption);
    FDiscardAction->setEnabled(p.enabled && p.discardEnabled && !FCtl->Running());
    FPasteAction->setEnabled(p.enabled && p.pasteEnabled && !FCtl->Running());
    // Copy works during a run too.
    for (QAction* a : puRun->actions())
        if (a->text() == QLatin1String("Copy Item")) a->setEnabled(p.enabled);
}

void TfrmSKYScript::PrepareEditMenu() {
    const QList<QAction*> a = puEdit->actions();
    const bool sel = memSQL->hasSelectedText();
    for (QAction* x : a) {
        const QString t = x->text();
        if (t == QLatin1String("Undo")) x->setEnabled(memSQL->isUndoAvailable());
        if (t == QLatin1String("Redo")) x->setEnabled(memSQL->isRedoAvailable());
        if (t == QLatin1String("Paste")) x->setEnabled(!Clipboard().Text().isEmpty());
        if (t == QLatin1String("Cut") || t == QLatin1String("Copy") || t == QLatin1String("Delete"))
            x->setEnabled(sel);
    }
}

void TfrmSKYScript::editScript(const QString& scriptFile, const QString& script) {
    FCtl->EditScript(scriptFile, script);
    show();
}

void TfrmSKYScript::ReadOptions() {
    ScriptSettings& s = FCtl->Settings();
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

// --- ScriptView

void TfrmSKYScript::SetStatus(const QString& text, int kind) {
    static const QString colours[] = {QStringLiteral("#C0C0C0"), QStringLiteral("#5B8C9F"),
                                      QStringLiteral("#70A728"), QStringLiteral("#FF0000")};
    lblStatus->setText(text);
    lblStatus->setStyleSheet(QStringLiteral("color: ") +
                             colours[kind >= 1 && kind <= 3 ? kind : 0] +
                             QStringLiteral("; font-weight: bold;"));
}

void TfrmSKYScript::GridChanged() {
    FShowing = true;
    if (FModel->rowCount(QModelIndex()) != FCtl->Rows().size())
        FModel->Reset();
    else
        Q_EMIT FModel->dataChanged(FModel->index(0, 0),
                                   FModel->index(FModel->rowCount(QModelIndex()) - 1, 1));
    const int row = FCtl->SelectedRow();
    if (row >= 0 && row < FModel->rowCount(QModelIndex())) {
        sgRun->selectRow(row);
        sgRun->scrollTo(FModel->index(row, 0));
    }
    FShowing = false;
}

void TfrmSKYScript::ShowEditorText(const QString& text) {
    FShowing = true;
    memSQL->setText(text);
    memSQL->setModified(false);
    FShowing = false;
}

QString TfrmSKYScript::EditorText() const {
    return memSQL->text();
}
bool TfrmSKYScript::EditorModified() const {
    return memSQL->isModified();
}
void TfrmSKYScript::ClearEditorModified() {
    memSQL->setModified(false);
}

void TfrmSKYScript::LabelsChanged() {
    const ScriptEditorController& c = *FCtl;
    setWindowTitle(c.Caption());
    lblDBFile->setText(c.DbFile() + u' ');
    lblScriptFile->setText(c.ScriptFile());
    lblOutputFile->setText(c.OutFile());
    lblParamsFile->setText(c.ParamFile());
    lblRunMode->setText(c.RunModeText());
    lblEndMode->setText(c.EndModeText());
    btnScriptRun->setText(c.RunButtonCaption());
    btnScriptRun2->setText(c.RunButtonCaption());
    btnRunToEnd->setToolTip(c.RunToEndHint());
    btnRunToEnd2->setToolTip(c.RunToEndHint());
    FShowing = true;
    const ScriptSettings& s = FCtl->Settings();
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
    const QStringList lines = c.Params().Lines();
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

void TfrmSKYScript::OutputChanged(const QString& text) {
    memResult->setPlainText(text);
    memResult->moveCursor(QTextCursor::End);
    memResult->verticalScrollBar()->setValue(memResult->verticalScrollBar()->maximum());
}

void TfrmSKYScript::ShowPage(int page) {
    FPages->setCurrentIndex(page);
}

void TfrmSKYScript::RunChanged() {
    const ScriptRunStats s = FCtl->RunStats();
    const QString values[] = {s.curItem, s.result,  s.itemTime, s.completed, s.items,
                              s.size,    s.outSize, s.started,  s.runTime,   s.queryTime,
                              s.updates, s.vm,      s.scans,    s.sorts,     s.mods};
    for (int i = 0; i < FStatLabels.size(); ++i)
        FStatLabels[i]->setText(values[i]);
    btnRunStop->setEnabled(FCtl->Running());
}

ProgressSink* TfrmSKYScript::StartProgress(const QString& title, bool cancel) {
    if (!isVisible()) return nullptr;
    return ProgressStart(title, cancel, cancel, -1, -1, true, !cancel, this);
}

void TfrmSKYScript::EndProgress(ProgressSink* p) {
    if (auto* k = dynamic_cast<TKProgress*>(p)) k->EndProgress();
}

void TfrmSKYScript::CloseWhenIdle() {
    FCloseNow = true;
    QTimer::singleShot(0, this, [this] { close(); });
}

// --- events

void TfrmSKYScript::closeEvent(QCloseEvent* e) {
    if (!FCloseNow && !FCtl->Close()) {
        e->ignore();
        return;
    }
    if (FCloseNow) FCtl->Close();
    SavePlacement(QStringLiteral("frmSKYScript"), this);
    e->accept();
}

void TfrmSKYScript::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && isActiveWindow())
        QTimer::singleShot(0, this, [this] { FCtl->CheckExternalChange(); });
    QWidget::changeEvent(e);
}

void TfrmSKYScript::enterEvent(QEnterEvent* e) {
    FCtl->CheckExternalChange();
    QWidget::enterEvent(e);
}

bool TfrmSKYScript::eventFilter(QObject* o, QEvent* e) {
    if (o == imgHelpParams) {
        if (e->type() == QEvent::Enter) {
            lblHelpHeader->setText(QStringLiteral("- ") + kParamsHelpHeader + QStringLiteral(" -"));
            lblHelp->setText(kParamsHelp);
            pnlHelp->move(mapFromGlobal(imgHelpParams->mapToGlobal(QPoint(0, 20))));
            pnlHelp->adjustSize();
            pnlHelp->raise();
            pnlHelp->show();
        } else if (e->type() == QEvent::Leave) {
            pnlHelp->hide();
        }
        return false;
    }
    if (e->type() == QEvent::MouseButtonRelease) {
        if (o == lblScriptFile) FCtl->Open();
        if (o == lblOutputFile) FCtl->ChooseOutput(memResult->toPlainText());
        if (o == lblRunMode) FCtl->CycleRunMode();
        if (o == lblEndMode) FCtl->CycleEndMode();
        return false;
    }
    if (o == sgRun->viewport() && e->type() == QEvent::Wheel) {
        // 5 rows a notch, 1 with Shift, a page with Ctrl.
        const auto* w = static_cast<QWheelEvent*>(e);
        const int notches = w->angleDelta().y() / 120;
        if (notches == 0) return false;
        const int page = std::max(1, sgRun->viewport()->height() / 40 - 1);
        const int rows = (w->modifiers() & Qt::ShiftModifier)     ? 1
                         : (w->modifiers() & Qt::ControlModifier) ? page
                                                                  : 5;
        QScrollBar* bar = sgRun->verticalScrollBar();
        bar->setValue(bar->value() - notches * rows);
        return true;
    }
    return QWidget::eventFilter(o, e);
}

TfrmSKYScript* OpenScriptWindow(const QString& dbFile, const QString& scriptFile,
                                const QString& script) {
    auto* w = new TfrmSKYScript;
    w->init(dbFile);
    w->editScript(scriptFile, script);
    // The window is shown with its status even when it failed to start: a
    // hidden window would hold its connections unseen.
    if (!w->LastError().isEmpty())
        Prompts().ShowNotice(QStringLiteral("Failed to Initialize Script"), w->LastError(), 9,
                             true);
    return w;
}

} // namespace sky::ui
