// The progress dialog: one or two bars with descriptions, elapsed and
// remaining time and an optional Cancel. Refreshed at most every 200 ms;
// each refresh lets pending events run, so Cancel stays alive.
#pragma once

#include "shell/DialogModels.h"
#include "support/Prompter.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QPushButton;

namespace sky::ui {

class ProgressBarView;

class TKProgress : public QDialog, public ProgressSink {
    Q_OBJECT
public:
    TKProgress(const QString& title, bool dualBars, bool canCancel, int backColour, int barColour,
               bool showElapsed, bool showRemaining, QWidget* parent = nullptr);
    void Advance(const QString& description, double mainFraction, double subFraction) override;
    bool IsCancelled() const override { return FCancelled; }
    void SetOverallDescription(const QString& text) override;
    const ProgressModel& Model() const { return FModel; }
    int RefreshCount() const { return FRefreshes; }
    QString ElapsedText() const;
    QString RemainingText() const;
    QString BarText(int bar) const;
    QPushButton* CancelButton() const { return FCancel; }
    void EndProgress();

protected:
    // Escape is the Cancel button when there is one; it never hides the dialog.
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void Refresh();
    qint64 Now() const { return FClock.elapsed(); }

    QElapsedTimer FClock;
    ProgressModel FModel;
    QLabel* FHeader;
    QLabel* FMain;
    QLabel* FSub;
    ProgressBarView* FBar1;
    ProgressBarView* FBar2;
    QLabel* FElapsed;
    QLabel* FRemain;
    QPushButton* FCancel;
    bool FCancelled = false;
    int FRefreshes = 0;
    QPoint FDragPos;
};

// Creates and shows a progress dialog (a colour below 0 keeps the default).
// owner: the window the dialog belongs to (nullptr: the active window).
TKProgress* ProgressStart(const QString& title, bool dualBars, bool canCancel, int backColour,
                          int barColour, bool showElapsed, bool showRemaining,
                          QWidget* owner = nullptr);

} // namespace sky::ui
