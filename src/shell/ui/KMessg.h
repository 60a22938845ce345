// The message dialog: a borderless, always-on-top, slightly translucent box
// with a header, a message, an optional input (with choices or masked), date
// pickers, up to three buttons and a countdown after which it answers by
// itself (cancel when modal; a notice just closes). Key releases and mouse
// movement restart the countdown; Enter answers yes; Esc answers Cancel, No
// or Yes, whichever is shown first. The body drags the dialog.
#pragma once

#include "shell/DialogModels.h"

#include <QDateTime>
#include <QDialog>
#include <QPoint>
#include <functional>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace sky::ui {

class TKMessg : public QDialog {
    Q_OBJECT
public:
    explicit TKMessg(QWidget* parent = nullptr);

    void SetHeader(const QString& text);
    void SetMsgText(const QString& text);
    QString MsgText() const { return FMsg; }
    void SetUserText(const QString& text);
    QString UserText() const;
    void SetChoices(const QStringList& choices, bool isChoice);
    void SetPassword(bool on);
    void SetColors(int back, int font); // 0xRRGGBB; negative values are ignored
    void SetButtonTexts(const QString& yes, const QString& no, const QString& cancel);
    void SetButtonsVisible(bool on);
    void SetNoVisible(bool on);
    void SetCancelVisible(bool on);
    void SetEditVisible(bool on);
    void SetDateVisible(bool on);
    void SetDateToVisible(bool on);
    void SetUserDate(const QDateTime& d);
    void SetUserDateTo(const QDateTime& d);
    QDateTime UserDate() const;
    QDateTime UserDateTo() const;
    void SetNoSelect(bool on) { FNoSelect = on; }
    void SetCountdown(int seconds);
    const MessageCountdown& Countdown() const { return FCountdown; }
    // Non-modal notices close (and free themselves) instead of answering.
    void SetModalMode(bool modal) { FModalMode = modal; }
    MsgAnswer Answer() const { return FAnswer; }
    // Called when the message is clicked (a notice that does something).
    std::function<void()> OnMessageClicked;

    QPushButton* YesButton() const { return FYes; }
    QPushButton* NoButton() const { return FNo; }
    QPushButton* CancelButton() const { return FCancel; }
    QLabel* CountdownLabel() const { return FTimeLabel; }
    QComboBox* Edit() const { return FEdit; }

    // The countdown's second, shortened by tests.
    static void SetTickMs(int ms);
    static int TickMs();

    // Centre of the monitor, one third of the free height from the top.
    void PlaceOnScreen();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* obj, QEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void Finish(MsgAnswer a);
    void Tick();
    void Relayout();

    QLabel* FHeader;
    QLabel* FMessage;
    QLabel* FTimeLabel;
    QComboBox* FEdit;
    QLineEdit* FEditPW;
    QWidget* FDates;
    QDateTimeEdit* FDate;
    QLabel* FDateSep;
    QDateTimeEdit* FDateTo;
    QWidget* FButtons;
    QPushButton* FYes;
    QPushButton* FNo;
    QPushButton* FCancel;
    QTimer* FTimer;

    QString FMsg;
    MessageCountdown FCountdown;
    MsgAnswer FAnswer = MsgAnswer::Cancel;
    bool FModalMode = true;
    bool FInitialized = false;
    bool FNoSelect = false;
    bool FShowEdit = false, FPassword = false, FShowDate = false, FShowDateTo = false;
    bool FShowBtns = true, FShowNo = true, FShowCancel = false;
    bool FDragging = false;
    QPoint FDragPos;
    bool FDone = false;
    int FBack = 0x504020;
    int FFont = 0xF8F4F0;
};

} // namespace sky::ui
