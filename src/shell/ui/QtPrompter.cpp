#include "shell/ui/QtPrompter.h"

#include "shell/ui/KMessg.h"

#include <QApplication>
#include <QComboBox>

namespace sky::ui {
namespace {

TKMessg* Make(const QString& title, const QString& text, int seconds) {
    auto* m = new TKMessg(QApplication::activeWindow());
    m->SetHeader(title);
    m->SetMsgText(text);
    m->SetCountdown(seconds);
    return m;
}

MsgAnswer RunModal(TKMessg* m) {
    m->PlaceOnScreen();
    m->exec();
    const MsgAnswer a = m->Answer();
    delete m;
    return a;
}

} // namespace

QtPrompter& Prompts() {
    static QtPrompter p;
    return p;
}

void QtPrompter::ShowNotice(const QString& title, const QString& text, int seconds,
                            bool withButton) {
    TKMessg* m = Make(title, text, seconds);
    m->setAttribute(Qt::WA_DeleteOnClose);
    m->SetModalMode(false);
    m->SetButtonTexts(QStringLiteral("Ok"), QString(), QString());
    m->SetButtonsVisible(withButton);
    m->SetNoVisible(false);
    m->SetCancelVisible(false);
    m->PlaceOnScreen();
    m->show();
}

void QtPrompter::ShowClickableNotice(const QString& title, const QString& text, int seconds,
                                     std::function<void()> onClick) {
    TKMessg* m = Make(title, text, seconds);
    m->setAttribute(Qt::WA_DeleteOnClose);
    m->SetModalMode(false);
    m->SetButtonsVisible(false);
    m->OnMessageClicked = std::move(onClick);
    m->setCursor(Qt::PointingHandCursor);
    m->PlaceOnScreen();
    m->show();
}

bool QtPrompter::AskYesNo(const QString& title, const QString& text, int seconds,
                          const QString& noCaption, const QString& yesCaption) {
    TKMessg* m = Make(title, text, seconds);
    m->SetButtonTexts(yesCaption, noCaption, QString());
    return RunModal(m) == MsgAnswer::Yes;
}

bool QtPrompter::AskYesNoCancel(const QString& title, const QString& text, bool& cancelled,
                                const QString& noCaption, const QString& yesCaption, int seconds) {
    TKMessg* m = Make(title, text, seconds);
    m->SetButtonTexts(yesCaption, noCaption, QStringLiteral("Cancel"));
    m->SetCancelVisible(true);
    const MsgAnswer a = RunModal(m);
    cancelled = a == MsgAnswer::Cancel;
    return a == MsgAnswer::Yes;
}

QString QtPrompter::AskText(const QString& title, const QString& prompt, const QString& initial,
                            const QStringList& choices, bool noSelect, int seconds,
                            const QString& cancelValue) {
    TKMessg* m = Make(title, prompt, seconds);
    m->SetEditVisible(true);
    if (!choices.isEmpty()) m->SetChoices(choices, false);
    m->SetUserText(initial);
    m->SetNoSelect(noSelect);
    m->SetButtonTexts(QStringLiteral("Accept"), QString(), QStringLiteral("Cancel"));
    m->SetNoVisible(false);
    m->SetCancelVisible(true);
    m->PlaceOnScreen();
    m->exec();
    const QString r = m->Answer() == MsgAnswer::Yes ? m->UserText() : cancelValue;
    delete m;
    return r;
}

void QtPrompter::ShowNote(const QString& text, const QString& title) {
    TKMessg* m = Make(title.isEmpty() ? QStringLiteral("Please Note:") : title, text, 15);
    m->SetButtonTexts(QStringLiteral("Ok"), QString(), QString());
    m->SetNoVisible(false);
    RunModal(m);
}

void QtPrompter::ShowWarning(const QString& text, const QString& headline) {
    TKMessg* m = Make(QStringLiteral("WARNING: ") + headline, text, 20);
    m->SetColors(0xFFD8D0, 0xC00000);
    m->SetButtonTexts(QStringLiteral("Acknowledge"), QString(), QString());
    m->SetNoVisible(false);
    RunModal(m);
}

} // namespace sky::ui
