#include "script/ui/ScriptWindow.h"

#include "script/ui/ScriptItemGrid.h"
#include "script/ui/ScriptRunPage.h"

#include "completion/ui/CompletionPopup.h"
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

namespace {

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& hint = QString()) {
    return NamedButton(parent, name, caption, hint);
}

QLabel* Label(QWidget* parent, const char* name, const QString& text = QString()) {
    return NamedLabel(parent, name, text);
}

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
    FRunPage = new TScriptRunPage(*FCtl, this);
    FPages->addTab(FRunPage, QStringLiteral("Run"));
    FPages->addTab(BuildOutputPage(), QStringLiteral("Output"));
    v->addWidget(FPages, 1);
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
        FRunPage->ReadOptions();
        c.Run();
    });
    add(btnRunToEnd2, [this, &c] {
        FRunPage->ReadOptions();
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
    sgRun->setItemDelegate(MakeScriptItemDelegate(sgRun));
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
    TCompletionPopup::AttachBuiltin(memSQL, 24);
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
    btnScriptRun2->setText(c.RunButtonCaption());
    btnRunToEnd2->setToolTip(c.RunToEndHint());
    FRunPage->Render();
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
    FRunPage->RenderStats();
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
