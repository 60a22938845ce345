// Small parts every window shares: the "(?)" help mark, the help panel it
// shows (a bold header over a wrapped text), and the clipboard behind the
// ClipboardPort interface.
#pragma once

#include "support/Prompter.h"

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace sky::ui {

// A button or a label with its object name (and the button's hint).
QPushButton* NamedButton(QWidget* parent, const char* name, const QString& caption,
                         const QString& hint = QString());
QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text = QString());

// A small help mark: hovering it shows a help text.
QLabel* HelpMark(QWidget* parent, const char* name);

// The help panel, hidden until a mark is hovered. Its frame is named
// "pnlHelp".
struct HelpPanel {
    QFrame* frame = nullptr;
    QLabel* header = nullptr;
    QLabel* text = nullptr;
};
HelpPanel MakeHelpPanel(QWidget* parent);

// The system clipboard.
class QtClipboard : public ClipboardPort {
public:
    QString Text() const override;
    void SetText(const QString& text) override;
};
QtClipboard& Clipboard();

// The desktop's program for a file, a folder or a web address.
class QtOpener : public DesktopOpener {
public:
    bool Open(const QString& fileOrUrl) override;
};
QtOpener& Opener();

} // namespace sky::ui
