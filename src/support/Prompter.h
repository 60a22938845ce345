// How core talks to the user: notices, questions, text and number input
// (each with the answer its countdown gives when the user does nothing), and
// progress with cancel. The windows implement these with dialogs, tests with
// scripted fakes, and skylark-cli answers as a countdown would.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

namespace sky {

class Prompter {
public:
    virtual ~Prompter() = default;
    // Returns at once; the notice closes by itself after `seconds`.
    virtual void ShowNotice(const QString& title, const QString& text, int seconds,
                            bool withButton) = 0;
    // True only for the yes answer.
    virtual bool AskYesNo(const QString& title, const QString& text, int seconds,
                          const QString& noCaption, const QString& yesCaption) = 0;
    // True for yes; Cancel (and the countdown) set cancelled and give false.
    virtual bool AskYesNoCancel(const QString& title, const QString& text, bool& cancelled,
                                const QString& noCaption, const QString& yesCaption,
                                int seconds) = 0;
    // The accepted text, or cancelValue (Cancel, Esc, countdown).
    virtual QString AskText(const QString& title, const QString& prompt, const QString& initial,
                            const QStringList& choices, bool noSelect, int seconds,
                            const QString& cancelValue) = 0;
    virtual void ShowNote(const QString& text, const QString& title) = 0;
    virtual void ShowWarning(const QString& text, const QString& headline) = 0;
};

// AskText with the initial number; cancelled or empty gives def, otherwise
// the text repaired by RepairNumberText.
double AskNumber(Prompter& p, const QString& title, const QString& prompt, int seconds,
                 const QStringList& choices, double def, double initial);
// The whole-number variant (the result truncated toward zero).
qint64 AskInteger(Prompter& p, const QString& title, const QString& prompt, int seconds,
                  const QStringList& choices, qint64 def, qint64 initial);
// Deletes the character at the first parse-error position (the last one when
// the error lies beyond the text) until the text is a plain decimal number;
// false when nothing is left.
bool RepairNumberText(QString& text, double& value);

// Answers as the countdown would: no, cancel, the cancel value. Notices,
// notes and warnings are written to `out` when given.
class CountdownPrompter : public Prompter {
public:
    explicit CountdownPrompter(FILE* out = nullptr) : FOut(out) {}
    void ShowNotice(const QString& title, const QString& text, int, bool) override;
    bool AskYesNo(const QString&, const QString&, int, const QString&, const QString&) override {
        return false;
    }
    bool AskYesNoCancel(const QString&, const QString&, bool& cancelled, const QString&,
                        const QString&, int) override {
        cancelled = true;
        return false;
    }
    QString AskText(const QString&, const QString&, const QString&, const QStringList&, bool, int,
                    const QString& cancelValue) override {
        return cancelValue;
    }
    void ShowNote(const QString& text, const QString& title) override;
    void ShowWarning(const QString& text, const QString& headline) override;

private:
    void Write(const QString& title, const QString& text);
    FILE* FOut;
};

// File dialogs: the chosen path, or empty when cancelled.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual QString OpenFile(const QString& title, const QString& filter, const QString& start) = 0;
    virtual QString SaveFile(const QString& title, const QString& filter, const QString& start,
                             const QString& defaultSuffix) = 0;
    virtual QString Folder(const QString& title, const QString& start) = 0;
    // SaveFile without the dialog's own overwrite question (the caller asks).
    virtual QString SaveFileUnconfirmed(const QString& title, const QString& filter,
                                        const QString& start, const QString& defaultSuffix) {
        return SaveFile(title, filter, start, defaultSuffix);
    }
    // SaveFile with the filter at index selected (0-based) chosen first.
    virtual QString SaveFileAs(const QString& title, const QString& filter, int selected,
                               const QString& start, const QString& defaultSuffix) {
        (void)selected;
        return SaveFile(title, filter, start, defaultSuffix);
    }
};

// Opens a file, a folder (showing a file in it) or a web address.
class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;
    virtual bool Open(const QString& fileOrUrl) = 0;
};

// The system clipboard's text.
class ClipboardPort {
public:
    virtual ~ClipboardPort() = default;
    virtual QString Text() const = 0;
    virtual void SetText(const QString& text) = 0;
};

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    // A non-empty description replaces the item description; a negative
    // fraction leaves its bar as it is.
    virtual void Advance(const QString& description, double mainFraction, double subFraction) = 0;
    virtual bool IsCancelled() const = 0;
    virtual void SetOverallDescription(const QString& text) = 0;
    bool AdvanceIfNotCancelled(const QString& description, double mainFraction,
                               double subFraction) {
        Advance(description, mainFraction, subFraction);
        return !IsCancelled();
    }
};

// Progress nobody sees; never cancelled.
class NullProgress : public ProgressSink {
public:
    void Advance(const QString&, double, double) override {}
    bool IsCancelled() const override { return false; }
    void SetOverallDescription(const QString&) override {}
};

} // namespace sky
