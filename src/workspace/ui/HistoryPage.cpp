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

// Scintilla positions are UTF-8 byte offsets.
qsizetype UnitPos(const QString& text, long bytes) {
    return QString::fromUtf8(text.toUtf8().left(bytes)).size();
}
long BytePos(const QString& text, qsizetype units) {
    return long(text.left(units).toUtf8().size());
}

} // namespace

THistoryPage::THistoryPage(WorkspaceController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    memHist = new QsciScintilla(this);
    memHist->setObjectName(QStringLiteral("memHist"));
    SetupSqlEditor(memHist);
    connect(memHist, &QsciScintillaBase::SCN_DOUBLECLICK, this, [this](int position, int, int) {
        // The editor's position is a UTF-8 byte offset.
        const QString text = memHist->text();
        const qsizetype caret = QString::fromUtf8(text.toUtf8().left(position)).size();
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
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        const bool ctrl = mods == Qt::ControlModifier,
                   ctrlShift = mods == (Qt::ControlModifier | Qt::ShiftModifier);
        const int key = k->key();
        const bool line = key == Qt::Key_Minus || key == Qt::Key_Underscore;
        const bool block = key == Qt::Key_Slash || key == Qt::Key_Question ||
                           key == Qt::Key_Asterisk || key == Qt::Key_8;
        if ((ctrl || ctrlShift) && (line || block)) {
            const QString text = memHist->text();
            const qsizetype from =
                UnitPos(text, memHist->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONSTART));
            const qsizetype to =
                UnitPos(text, memHist->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONEND));
            const CommentEdit c = CommentSelection(text, from, to, block, ctrl);
            memHist->setText(c.text);
            const qsizetype anchor = c.keepSelection ? c.selStart : c.selEnd;
            memHist->SendScintilla(QsciScintillaBase::SCI_SETSEL,
                                   (unsigned long)BytePos(c.text, anchor),
                                   BytePos(c.text, c.selEnd));
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
