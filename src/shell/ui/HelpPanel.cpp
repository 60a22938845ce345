#include "shell/ui/HelpPanel.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace sky::ui {

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption,
                         const QString& hint) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    if (!hint.isEmpty()) b->setToolTip(hint);
    return b;
}

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

QLabel* HelpMark(QWidget* parent, const char* name) {
    auto* l = new QLabel(QStringLiteral(" (?) "), parent);
    l->setObjectName(QLatin1String(name));
    l->setCursor(Qt::WhatsThisCursor);
    return l;
}

HelpPanel MakeHelpPanel(QWidget* parent) {
    HelpPanel p;
    p.frame = new QFrame(parent);
    p.frame->setObjectName(QStringLiteral("pnlHelp"));
    p.frame->setFrameShape(QFrame::StyledPanel);
    auto* v = new QVBoxLayout(p.frame);
    p.header = new QLabel(p.frame);
    QFont bold = p.header->font();
    bold.setBold(true);
    p.header->setFont(bold);
    p.text = new QLabel(p.frame);
    p.text->setWordWrap(true);
    v->addWidget(p.header);
    v->addWidget(p.text);
    p.frame->hide();
    return p;
}

QString QtClipboard::Text() const {
    return QGuiApplication::clipboard()->text();
}

void QtClipboard::SetText(const QString& text) {
    QGuiApplication::clipboard()->setText(text);
}

QtClipboard& Clipboard() {
    static QtClipboard c;
    return c;
}

bool QtOpener::Open(const QString& fileOrUrl) {
    const QUrl url = fileOrUrl.contains(QStringLiteral("://")) ? QUrl(fileOrUrl)
                                                               : QUrl::fromLocalFile(fileOrUrl);
    return QDesktopServices::openUrl(url);
}

QtOpener& Opener() {
    static QtOpener o;
    return o;
}

} // namespace sky::ui
