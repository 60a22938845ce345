#include "workspace/ui/QueryArea.h"
#include "workspace/EditorCommands.h"

#include "shell/ui/QtPrompter.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"
#include "shell/ui/Themes.h"
#include "workspace/TreeMenus.h"
#include "workspace/WorkspaceController.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

const QString kKeyNoticeTitle = QStringLiteral("Key...");

} // namespace

TQueryArea::TQueryArea(WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    setObjectName(QStringLiteral("pnlDBQuery"));
    auto* qv = new QVBoxLayout(this);
    qv->setContentsMargins(2, 0, 2, 0);
    BuildButtons();
    memQry = new QsciScintilla(this);
    memQry->setObjectName(QStringLiteral("memQry"));
    SetupSqlEditor(memQry);
    memQry->installEventFilter(this);
    memQry->viewport()->installEventFilter(this);
    qv->addWidget(memQry, 1);
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setAutoFillBackground(true);
    lblStatus->setMargin(2);
    qv->addWidget(lblStatus);
    ConnectButtons();
}

// The row of buttons above the editor, the help image at its end.
void TQueryArea::BuildButtons() {
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(4);
    auto small = [&](const char* name, const char* text, const char* hint) {
        auto* b = new QPushButton(QLatin1String(text), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        b->setFixedWidth(26);
        b->setMinimumHeight(40);
        buttons->addWidget(b);
        return b;
    };
    btnQryHistPrev = small("btnQryHistPrev", "<", "Previous Query");
    btnQryHistNext = small("btnQryHistNext", ">", "Next Query");
    btnClrQry = small("btnClrQry", "X", "Clear the Query\r\n(Right-click: Clear && Paste)");
    btnQryHistPrev->hide();
    btnQryHistNext->hide();
    // New tables from pasted data, a small file, or a file of any size.
    const struct {
        QPushButton** button;
        const char *name, *hint;
        const QString& action;
    } imports[] = {
        {&btnCSVPasteImport, "btnCSVPasteImport",
         "Adjust and Import Copy-Pasted data into new SQLite Table (<5MB)", act::kImportClipboard},
        {&btnCSVFullImport, "btnCSVFullImport",
         "Adjust and Import data File into new SQLite Table  (Only <5MB files)", act::kImportSmall},
        {&btnFileFullImport, "btnFileFullImport",
         "Import raw table data into new SQLite Table (Any size)", act::kImportLarge}};
    for (const auto& i : imports) {
        *i.button = small(i.name, "+", i.hint);
        connect(*i.button, &QPushButton::clicked, this,
                [this, action = i.action] { Q_EMIT ImportWanted(action); });
    }
    buttons->addSpacing(4);
    auto run = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    btnQry = run("btnQry", QStringLiteral(" Run Query\n     F5"));
    btnExplain = run("btnExplain", QStringLiteral("Explain"));
    btnQryPlan = run("btnQryPlan", QStringLiteral("Query Plan"));
    btnQrySelected = run("btnQrySelected", QStringLiteral(" Query Selected\n       F6"));
    btnQrySelected->setEnabled(false);
    btnQryToFile = run("btnQryToFile", QStringLiteral(" Query to File\n      F8"));
    for (QPushButton* b : {btnQry, btnExplain, btnQryPlan, btnQrySelected, btnQryToFile}) {
        b->setMinimumHeight(40);
        buttons->addWidget(b, b == btnQry ? 3 : 1);
    }
    imgHelpQueryEditor = new QLabel(QStringLiteral(" ? "), this);
    imgHelpQueryEditor->setObjectName(QStringLiteral("imgHelpQueryEditor"));
    buttons->addWidget(imgHelpQueryEditor);
    static_cast<QVBoxLayout*>(layout())->addLayout(buttons);
}

void TQueryArea::ConnectButtons() {
    connect(memQry, &QsciScintilla::textChanged, this, [this] {
        ReadEditor();
        LabelGutter();
    });
    memQry->markerDefine(QsciScintilla::Bookmark, kGutterBookmark);
    connect(memQry, &QsciScintilla::marginClicked, this,
            [this](int, int line, Qt::KeyboardModifiers) { SetGutterBookmark(line); });
    connect(memQry, &QsciScintilla::selectionChanged, this, [this] {
        ReadEditor();
        btnQrySelected->setEnabled(memQry->hasSelectedText());
    });
    const struct {
        QPushButton* button;
        RunMode mode;
    } runs[] = {{btnQry, RunMode::Plain},
                {btnExplain, RunMode::Explain},
                {btnQryPlan, RunMode::QueryPlan},
                {btnQrySelected, RunMode::Selected}};
    for (const auto& r : runs)
        connect(r.button, &QPushButton::clicked, this, [this, mode = r.mode] { RunQuery(mode); });
    connect(btnQryHistPrev, &QPushButton::clicked, this, [this] { StepStack(-1); });
    connect(btnQryHistNext, &QPushButton::clicked, this, [this] { StepStack(+1); });
    connect(btnClrQry, &QPushButton::clicked, this, [this] { ClearQuery(false); });
    btnClrQry->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(btnClrQry, &QWidget::customContextMenuRequested, this, [this] { ClearQuery(true); });
    // The keys work anywhere in the window.
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, [this] {
        if (btnQry->isEnabled()) RunQuery(RunMode::Plain);
    });
    auto* f6 = new QShortcut(QKeySequence(Qt::Key_F6), this);
    connect(f6, &QShortcut::activated, this, [this] {
        if (btnQrySelected->isEnabled()) RunQuery(RunMode::Selected);
    });
    auto* selectAll = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_A), this);
    connect(selectAll, &QShortcut::activated, this, [this] { memQry->selectAll(); });
}

QPushButton* TQueryArea::RunButton(RunMode mode) const {
    switch (mode) {
    case RunMode::Explain:
        return btnExplain;
    case RunMode::QueryPlan:
        return btnQryPlan;
    case RunMode::Selected:
        return btnQrySelected;
    default:
        return btnQry;
    }
}

void TQueryArea::RunQuery(RunMode mode) {
    ReadEditor();
    const QPointer<TQueryArea> self(this);
    FCtl.RunQuery(mode);
    if (!self) return; // the window went away during the run
    RenderStack();
}

void TQueryArea::StepStack(int step) {
    ReadEditor();
    FCtl.StepQueryStack(step);
    RenderStack();
    memQry->setFocus();
}

void TQueryArea::ClearQuery(bool paste) {
    ReadEditor();
    FCtl.AddToQueryStack(FCtl.editor.text);
    EmptyEditor();
    if (paste) memQry->insert(QGuiApplication::clipboard()->text());
    RenderStack();
}

// Emptied as one editing step, so Undo brings the text back.
void TQueryArea::EmptyEditor() {
    memQry->selectAll();
    memQry->removeSelectedText();
}

void TQueryArea::ShowGutter(bool on) {
    FGutter = on;
    FGutterLines = -1;
    memQry->setMarginType(0, QsciScintilla::TextMarginRightJustified);
    memQry->setMarginWidth(0, on ? 36 : 0);
    memQry->setMarginSensitivity(0, on);
    LabelGutter();
}

void TQueryArea::LabelGutter() {
    if (!FGutter) return;
    const int lines = memQry->lines();
    if (lines == FGutterLines) return;
    memQry->clearMarginText();
    for (int l = 0; l < lines; ++l)
        memQry->setMarginText(l, GutterLabel(l), 0);
    FGutterLines = lines;
}

void TQueryArea::SetGutterBookmark(int line) {
    memQry->markerDeleteAll(kGutterBookmark);
    memQry->markerAdd(line, kGutterBookmark);
}

void TQueryArea::SetWordWrap(bool on) {
    memQry->setWrapMode(on ? QsciScintilla::WrapWord : QsciScintilla::WrapNone);
}

bool TQueryArea::eventFilter(QObject* o, QEvent* e) {
    if ((o == memQry || o == memQry->viewport()) && e->type() == QEvent::MouseButtonRelease) {
        Q_EMIT CaretMoved();
        btnQrySelected->setEnabled(memQry->hasSelectedText());
    } else if (o == memQry && e->type() == QEvent::KeyRelease) {
        EditorKey(static_cast<QKeyEvent*>(e));
        btnQrySelected->setEnabled(memQry->hasSelectedText());
    } else if (o == memQry && e->type() == QEvent::KeyPress) {
        // Escape never closes the window.
        if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape) return true;
    }
    return QWidget::eventFilter(o, e);
}

// Keys released in the query editor: comments, the stack steps and the key notice.
bool TQueryArea::EditorKey(QKeyEvent* k) {
    const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
    if (!memQry->hasSelectedText() && mods == Qt::NoModifier) Q_EMIT CaretMoved();
    const bool ctrl = mods == Qt::ControlModifier;
    bool block = false, add = false;
    if (CommentKeyOf(k, block, add)) {
        ReadEditor();
        FCtl.CommentSelection(block, add);
        return true;
    }
    if (!ctrl) return false;
    switch (k->key()) {
    case Qt::Key_K:
    case Qt::Key_BracketLeft:
    case Qt::Key_BracketRight:
        Q_EMIT CalculatorWanted();
        return true;
    case Qt::Key_Up:
        if (btnQryHistPrev->isVisible()) btnQryHistPrev->click();
        return true;
    case Qt::Key_Down:
        if (btnQryHistNext->isVisible()) btnQryHistNext->click();
        return true;
    case Qt::Key_Left:
        btnQryHistPrev->click();
        return true;
    case Qt::Key_Right:
        btnQryHistNext->click();
        return true;
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_Z:
    case Qt::Key_Y:
    case Qt::Key_Space:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_F:
    case Qt::Key_T:
    case Qt::Key_R:
    case Qt::Key_E:
    case Qt::Key_H:
    case Qt::Key_P:
    case Qt::Key_S:
    case Qt::Key_D:
    case Qt::Key_L:
        return false; // the editor's and the window's own keys
    default:
        if (k->key() >= 0x20 && k->key() < 0x100)
            Prompts().ShowNotice(kKeyNoticeTitle,
                                 QStringLiteral("Key: 0x") +
                                     QString::number(k->key(), 16).toUpper() +
                                     QStringLiteral(" - ") + QString::number(k->key()),
                                 9, false);
        return false;
    }
}

void TQueryArea::RenderEditor() {
    if (FSyncing) return;
    FSyncing = true;
    const QString& text = FCtl.editor.text;
    if (memQry->text() != text) memQry->setText(text);
    SetEditorSelection(memQry, FCtl.editor.selStart, FCtl.editor.selEnd);
    FSyncing = false;
}

void TQueryArea::ReadEditor() {
    if (FSyncing) return;
    FCtl.editor.text = memQry->text();
    EditorSelection(memQry, FCtl.editor.selStart, FCtl.editor.selEnd);
}

void TQueryArea::RenderStack() {
    btnQryHistPrev->setVisible(FCtl.editor.stack.PrevVisible());
    btnQryHistNext->setVisible(FCtl.editor.stack.NextVisible());
}

void TQueryArea::RenderStatus() {
    lblStatus->setText(FCtl.status);
    QPalette p = lblStatus->palette();
    switch (StatusKind(FCtl.status)) {
    case 1:
        p.setColor(QPalette::Window, QColor(255, 206, 206));
        p.setColor(QPalette::WindowText, QColor(204, 0, 0));
        break;
    case 2:
        p.setColor(QPalette::Window, QColor(221, 255, 221));
        p.setColor(QPalette::WindowText, QColor(52, 103, 103));
        break;
    default:
        p.setColor(QPalette::Window, palette().color(QPalette::Window));
        p.setColor(QPalette::WindowText, QColor(52, 103, 103));
        break;
    }
    // The colour rule stays; its colour is made readable on the background.
    p.setColor(QPalette::WindowText,
               ReadableOn(p.color(QPalette::WindowText), p.color(QPalette::Window)));
    lblStatus->setPalette(p);
}

} // namespace sky::ui
