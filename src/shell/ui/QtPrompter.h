// The message dialog behind the Prompter interface: every call form of the
// system's notices, questions and inputs.
#pragma once

#include "support/Prompter.h"

#include <functional>

namespace sky::ui {

class QtPrompter : public Prompter {
public:
    void ShowNotice(const QString& title, const QString& text, int seconds,
                    bool withButton) override;
    bool AskYesNo(const QString& title, const QString& text, int seconds, const QString& noCaption,
                  const QString& yesCaption) override;
    bool AskYesNoCancel(const QString& title, const QString& text, bool& cancelled,
                        const QString& noCaption, const QString& yesCaption, int seconds) override;
    QString AskText(const QString& title, const QString& prompt, const QString& initial,
                    const QStringList& choices, bool noSelect, int seconds,
                    const QString& cancelValue) override;
    void ShowNote(const QString& text, const QString& title) override;
    void ShowWarning(const QString& text, const QString& headline) override;
    // A notice whose message, when clicked, runs onClick (and closes).
    void ShowClickableNotice(const QString& title, const QString& text, int seconds,
                             std::function<void()> onClick);
};

// The program's prompter.
QtPrompter& Prompts();

} // namespace sky::ui
