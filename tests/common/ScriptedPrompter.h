// The prompter of core tests: the answers are queued by the test, and what
// the code showed or asked is recorded, each as "title: text".
#pragma once

#include "common/Printers.h"
#include "support/Prompter.h"

#include <QList>
#include <QStringList>

namespace sky::test {

class ScriptedPrompter : public Prompter {
public:
    enum class Reply { No, Yes, Cancel };

    // Answers to the next questions (AskYesNo, AskYesNoCancel), in order; a
    // Cancel to AskYesNo is a no. Once they are used up, `otherwise` (the
    // countdown's answer by default).
    QList<Reply> replies;
    Reply otherwise = Reply::No;
    // Answers to the next AskText calls, in order; then the cancel value.
    QStringList texts;

    // What was shown: notices, questions, text prompts, notes and warnings
    // ("title: text"; a note "title: text", a warning "headline: text"), and
    // the initial text of each AskText.
    QStringList notices, questions, prompts, notes, warnings, initials;

    void ShowNotice(const QString& title, const QString& text, int, bool) override {
        notices << title + QStringLiteral(": ") + text;
    }
    bool AskYesNo(const QString& title, const QString& text, int, const QString&,
                  const QString&) override {
        questions << title + QStringLiteral(": ") + text;
        return Next() == Reply::Yes;
    }
    bool AskYesNoCancel(const QString& title, const QString& text, bool& cancelled, const QString&,
                        const QString&, int) override {
        questions << title + QStringLiteral(": ") + text;
        const Reply r = Next();
        cancelled = r == Reply::Cancel;
        return r == Reply::Yes;
    }
    QString AskText(const QString& title, const QString& prompt, const QString& initial,
                    const QStringList&, bool, int, const QString& cancelValue) override {
        prompts << title + QStringLiteral(": ") + prompt;
        initials << initial;
        return texts.isEmpty() ? cancelValue : texts.takeFirst();
    }
    void ShowNote(const QString& text, const QString& title) override {
        notes << title + QStringLiteral(": ") + text;
    }
    void ShowWarning(const QString& text, const QString& headline) override {
        warnings << headline + QStringLiteral(": ") + text;
    }

private:
    Reply Next() { return replies.isEmpty() ? otherwise : replies.takeFirst(); }
};

} // namespace sky::test
