// The code export settings window (TfrmCodeEx, "Code Exporter Settings"):
// the list of items with add, remove, move up and down; the selected item's
// fields; the sample input and its code. The state is CodeExController's.
#pragma once

#include "codeexport/Codify.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;

namespace sky {
class ClipboardPort;
class Prompter;
} // namespace sky

namespace sky::ui {

class TfrmCodeEx : public QDialog {
    Q_OBJECT
public:
    explicit TfrmCodeEx(QWidget* parent = nullptr, Prompter* prompts = nullptr,
                        ClipboardPort* clipboard = nullptr);
    CodeExController& Controller() { return FCtl; }
    QListWidget* Names() const { return lbCodeNames; }
    QPlainTextEdit* Output() const { return memOutput; }
    QLineEdit* Field(const char* name) const;
    void Rename();
    void AddItem();

private:
    void ShowList();
    void ShowItem();
    void ReadControls();
    void Recompute();

    CodeExController FCtl;
    Prompter& FPrompts;
    ClipboardPort& FClipboard;
    bool FFilling = false;
    QListWidget* lbCodeNames = nullptr;
    QLabel* lblCodeName = nullptr;
    QLabel* lblCodeEscapedQuote = nullptr;
    QLineEdit *edtCodeAssignment = nullptr, *edtCodeQuote = nullptr, *edtCodeQuoteEsc = nullptr,
              *edtCodeAlsoEscape = nullptr, *edtCodeConcat = nullptr, *edtCodeLineBreak = nullptr,
              *edtCodeTerminate = nullptr, *edtCodeEditorLineBreak = nullptr;
    QCheckBox* cbCodeLBOutside = nullptr;
    QSpinBox* seMaxLineLen = nullptr;
    QSpinBox* seCodeIndentCount = nullptr;
    QRadioButton* rbIndentSpace = nullptr;
    QRadioButton* rbIndentTab = nullptr;
    QPlainTextEdit* memInput = nullptr;
    QPlainTextEdit* memOutput = nullptr;
};

// EditCodifySettings: the window opened modally; Accept makes the edited
// text the settings (true), Cancel changes nothing (false).
bool EditCodifySettings(int left, int top, QWidget* parent = nullptr, Prompter* prompts = nullptr);

} // namespace sky::ui
