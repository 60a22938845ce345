// The documentation window (TfrmSKYDBDoc): a fixed-pitch text area with the
// documentation, the schema check or the column prototypes of one database
// file, the buttons that copy, save and export it (SQL script, HTML page),
// and the panel of the HTML page's colour preferences. One window serves the
// whole program; closing it hides it. The commands are DocSession's.
#pragma once

#include "analysis/DocSession.h"

#include <QColor>
#include <QWidget>
#include <functional>
#include <memory>

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;

namespace sky::ui {

class TfrmSKYDBDoc : public QWidget {
    Q_OBJECT
public:
    // prompts and files: the dialogs (nullptr: the platform's).
    explicit TfrmSKYDBDoc(Prompter* prompts = nullptr, FileChooser* files = nullptr,
                          ClipboardPort* clipboard = nullptr, DesktopOpener* opener = nullptr);
    ~TfrmSKYDBDoc() override;

    // Show the text documentation or the schema check of a file; a file
    // that does not exist does nothing.
    void ShowDoc(const QString& dbFile);
    void ShowChk(const QString& dbFile);

    DocSession& Session() { return *FSession; }
    // Chooses a colour, starting from the current one; false when cancelled
    // (the tests replace the colour dialog).
    std::function<bool(QColor& colour, const QString& title)> pickColour;

    // Parts the tests reach.
    QPlainTextEdit* Text() const { return memDoc; }
    QMenu* SchemeMenu() const { return FSchemeMenu; }
    QSlider* StrengthSlider() const { return tbHTMLLineStrength; }
    // The colour panel shown from the preferences.
    void ShowPrefs();
    // The delayed start: placement and preferences (also run by the timer).
    void RestoreSettings();

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QWidget* BuildColourPanel();
    void ShowLines();
    void PickSwatch(int k);
    void Run(void (DocSession::*command)());

    std::unique_ptr<FileChooser> FOwnFiles;
    std::unique_ptr<DocSession> FSession;
    QPlainTextEdit* memDoc = nullptr;
    QSlider* tbHTMLLineStrength = nullptr;
    QMenu* FSchemeMenu = nullptr;
    // The ten swatches and labels in the order of HtmlPrefs::Colours().
    QList<QLabel*> FSwatches;
    bool FRestored = false;
};

// The program's one documentation window, created on first use.
TfrmSKYDBDoc& frmSKYDBDoc();

} // namespace sky::ui
