#include "workspace/ui/HistoryPage.h"

#include "shell/ui/Scintilla.h"
#include "support/Settings.h"
#include "workspace/WorkspaceController.h"
#include "workspace/ui/QueryArea.h"

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
        const qsizetype caret = QString::fromUtf8(text.toUtf8().left(position)).size();
        if (FCtl.PickHistory(text, caret)) Q_EMIT Picked();
    });
    memHist->setEdgeMode(QsciScintilla::EdgeLine);
    memHist->setEdgeColumn(128);
    auto* hl = new QVBoxLayout(this);
    hl->setContentsMargins(0, 0, 0, 0);
    btnHelpHist = new QLabel(QStringLiteral(" ? "), this);
    btnHelpHist->setObjectName(QStringLiteral("btnHelpHist"));
    hl->addWidget(btnHelpHist, 0, Qt::AlignRight);
    hl->addWidget(memHist, 1);
}

QStringList THistoryPage::Lines() const {
    return SplitListText(memHist->text());
}

void THistoryPage::Render() {
    const QString text = FCtl.history.lines.join(kLineBreak);
    if (memHist->text() != text) memHist->setText(text);
}

} // namespace sky::ui
