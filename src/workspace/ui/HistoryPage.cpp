#include "workspace/ui/HistoryPage.h"

#include "shell/ui/Scintilla.h"
#include "support/Settings.h"
#include "workspace/EditorCommands.h"
#include "workspace/WorkspaceController.h"
#include "workspace/ui/QueryArea.h"

#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

THistoryPage::THistoryPage(WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    memHist = new QsciScintilla(this);
    memHist->setObjectName(QStringLiteral("memHist"));
    SetupSqlEditor(memHist);
    connect(memHist, &QsciScintillaBase::SCN_DOUBLECLICK, this, [this](int position, int, int) {
        // The editor's position is a UTF-8 byte offset.
        const QString text = memHist->text();
        const qsizetype caret = EditorUnitPos(text, position);
        if (FCtl.PickHistory(text, caret)) Q_EMIT Picked();
    });
    memHist->installEventFilter(this);
    memHist->setEdgeMode(QsciScintilla::EdgeLine);
    memHist->setEdgeColumn(128);
    auto* hl = new QVBoxLayout(this);
    hl->setContentsMargins(0, 0, 0, 0);
    btnHelpHist = new QLabel(QStringLiteral(" ? "), this);
    btnHelpHist->setObjectName(QStringLiteral("btnHelpHist"));
    hl->addWidget(btnHelpHist, 0, Qt::AlignRight);
    hl->addWidget(memHist, 1);
}

// The query editor's comment keys: Ctrl with "-" adds line comments, with
// "/" a block; with Ctrl+Shift they are taken away.
bool THistoryPage::eventFilter(QObject* o, QEvent* e) {
    if (o == memHist && e->type() == QEvent::KeyRelease) {
        bool block = false, add = false;
        if (CommentKeyOf(static_cast<QKeyEvent*>(e), block, add)) {
            qsizetype from = 0, to = 0;
            EditorSelection(memHist, from, to);
            const CommentEdit c = CommentSelection(memHist->text(), from, to, block, add);
            memHist->setText(c.text);
            SetEditorSelection(memHist, c.keepSelection ? c.selStart : c.selEnd, c.selEnd);
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

QStringList THistoryPage::Lines() const {
    return SplitListText(memHist->text());
}

void THistoryPage::Render() {
    const QString text = FCtl.history.lines.join(kLineBreak);
    if (memHist->text() != text) memHist->setText(text);
}

} // namespace sky::ui
