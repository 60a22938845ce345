#include "shell/ui/KMessg.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

int gTickMs = 1000;

QString ColorCss(int rgb) {
    return QColor::fromRgb(QRgb(rgb) | 0xFF000000u).name();
}

} // namespace

void TKMessg::SetTickMs(int ms) {
    gTickMs = ms > 0 ? ms : 1000;
}

int TKMessg::TickMs() {
    return gTickMs;
}

TKMessg::TKMessg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TKMessg"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowOpacity(224.0 / 255.0);
    setFixedWidth(780);
    setMouseTracking(true);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(16, 12, 16, 16);
    FHeader = new QLabel(this);
    FHeader->setObjectName(QStringLiteral("lblProgHeader"));
    QFont hf = FHeader->font();
    hf.setBold(true);
    hf.setPointSizeF(hf.pointSizeF() * 1.2);
    FHeader->setFont(hf);
    v->addWidget(FHeader);
    FMessage = new QLabel(this);
    FMessage->setObjectName(QStringLiteral("redtMessg"));
    FMessage->setWordWrap(true);
    FMessage->setTextFormat(Qt::AutoText);
    FMessage->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FMessage->setMouseTracking(true);
    v->addWidget(FMessage);
    FTimeLabel = new QLabel(this);
    FTimeLabel->setObjectName(QStringLiteral("lblProgTimeRem"));
    FTimeLabel->setVisible(false);
    v->addWidget(FTimeLabel, 0, Qt::AlignRight);

    FEdit = new QComboBox(this);
    FEdit->setObjectName(QStringLiteral("edtResp"));
    FEdit->setEditable(true);
    FEdit->setInsertPolicy(QComboBox::NoInsert);
    v->addSpacing(8);
    v->addWidget(FEdit);
    FEditPW = new QLineEdit(this);
    FEditPW->setObjectName(QStringLiteral("edtRespPW"));
    FEditPW->setEchoMode(QLineEdit::Password);
    v->addWidget(FEditPW);

    FDates = new QWidget(this);
    auto* dl = new QHBoxLayout(FDates);
    dl->setContentsMargins(0, 0, 0, 0);
    FDate = new QDateTimeEdit(QDateTime::currentDateTime(), FDates);
    FDate->setObjectName(QStringLiteral("dtpRespDate"));
    FDate->setCalendarPopup(true);
    FDateSep = new QLabel(QStringLiteral("  to  "), FDates);
    FDateTo = new QDateTimeEdit(QDateTime::currentDateTime(), FDates);
    FDateTo->setObjectName(QStringLiteral("dtpRespTo"));
    FDateTo->setCalendarPopup(true);
    dl->addStretch(1);
    dl->addWidget(FDate, 2);
    dl->addWidget(FDateSep);
    dl->addWidget(FDateTo, 2);
    dl->addStretch(1);
    FDates->setFixedHeight(30);
    v->addWidget(FDates);

    FButtons = new QWidget(this);
    FButtons->setObjectName(QStringLiteral("pnlButtons"));
    auto* bl = new QHBoxLayout(FButtons);
    bl->setContentsMargins(0, 12, 0, 0);
    bl->addStretch(1);
    FYes = new QPushButton(FButtons);
    FYes->setObjectName(QStringLiteral("btnYes"));
    FNo = new QPushButton(FButtons);
    FNo->setObjectName(QStringLiteral("btnNo"));
    FCancel = new QPushButton(FButtons);
    FCancel->setObjectName(QStringLiteral("btnCancel"));
    for (QPushButton* b : {FYes, FNo, FCancel}) {
        b->setAutoDefault(false);
        bl->addWidget(b);
    }
    v->addWidget(FButtons);
    connect(FYes, &QPushButton::clicked, this, [this] { Finish(MsgAnswer::Yes); });
    connect(FNo, &QPushButton::clicked, this, [this] { Finish(MsgAnswer::No); });
    connect(FCancel, &QPushButton::clicked, this, [this] { Finish(MsgAnswer::Cancel); });
    SetButtonTexts(QString(), QString(), QString());
    SetColors(0x504020, 0xF8F4F0);

    FTimer = new QTimer(this);
    connect(FTimer, &QTimer::timeout, this, [this] { Tick(); });
    for (QWidget* w : findChildren<QWidget*>()) {
        w->installEventFilter(this);
        w->setMouseTracking(true);
    }
    Relayout();
}

void TKMessg::SetHeader(const QString& text) {
    FHeader->setText(text);
}

void TKMessg::SetMsgText(const QString& text) {
    FMsg = text;
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    FMessage->setText(shown);
    const int lines = int(shown.count(QLatin1Char('\n'))) + 1;
    FMessage->setMinimumHeight(MessageAreaHeight(lines, fontMetrics().height()));
    Relayout();
}

void TKMessg::SetUserText(const QString& text) {
    FEdit->setEditText(text);
    FEditPW->setText(text);
}

QString TKMessg::UserText() const {
    return FPassword ? FEditPW->text() : FEdit->currentText();
}

void TKMessg::SetChoices(const QStringList& choices, bool isChoice) {
    const QString keep = FEdit->currentText();
    FEdit->clear();
    FEdit->addItems(choices);
    FEdit->setEditable(!isChoice);
    if (!isChoice) {
        FEdit->setEditText(keep);
        FEdit->lineEdit()->installEventFilter(this);
    }
}

void TKMessg::SetPassword(bool on) {
    FPassword = on;
    Relayout();
}

void TKMessg::SetColors(int back, int font) {
    if (back >= 0) FBack = back;
    if (font >= 0) FFont = font;
    const int b = FBack, f = FFont;
    setStyleSheet(QStringLiteral("QDialog#TKMessg { background: %1; } QDialog#TKMessg QLabel "
                                 "{ color: %2; }")
                      .arg(ColorCss(b), ColorCss(f)));
}

void TKMessg::SetButtonTexts(const QString& yes, const QString& no, const QString& cancel) {
    FYes->setText(yes.isEmpty() ? QStringLiteral("Yes") : yes);
    FNo->setText(no.isEmpty() ? QStringLiteral("No") : no);
    FCancel->setText(cancel.isEmpty() ? QStringLiteral("Cancel") : cancel);
}

void TKMessg::SetButtonsVisible(bool on) {
    FShowBtns = on;
    Relayout();
}
void TKMessg::SetNoVisible(bool on) {
    FShowNo = on;
    Relayout();
}
void TKMessg::SetCancelVisible(bool on) {
    FShowCancel = on;
    Relayout();
}
void TKMessg::SetEditVisible(bool on) {
    FShowEdit = on;
    Relayout();
}
void TKMessg::SetDateVisible(bool on) {
    FShowDate = on;
    Relayout();
}
void TKMessg::SetDateToVisible(bool on) {
    FShowDateTo = on;
    Relayout();
}

void TKMessg::SetUserDate(const QDateTime& d) {
    FDate->setDateTime(d.isValid() ? d : QDateTime::currentDateTime());
}
void TKMessg::SetUserDateTo(const QDateTime& d) {
    FDateTo->setDateTime(d.isValid() ? d : QDateTime::currentDateTime());
}
QDateTime TKMessg::UserDate() const {
    return FDate->dateTime();
}
QDateTime TKMessg::UserDateTo() const {
    return FDateTo->dateTime();
}

void TKMessg::SetCountdown(int seconds) {
    FCountdown = MessageCountdown(seconds);
}

void TKMessg::Relayout() {
    FEdit->setVisible(FShowEdit && !FPassword);
    FEditPW->setVisible(FShowEdit && FPassword);
    FDates->setVisible(FShowDate);
    FDateSep->setVisible(FShowDateTo);
    FDateTo->setVisible(FShowDateTo);
    FButtons->setVisible(FShowBtns);
    FNo->setVisible(FShowNo);
    FCancel->setVisible(FShowCancel);
    adjustSize();
}

void TKMessg::PlaceOnScreen() {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect a = s->availableGeometry();
    adjustSize();
    move(a.left() + (a.width() - width()) / 2, a.top() + (a.height() - height()) / 3);
}

void TKMessg::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FInitialized = false;
    FTimer->start(50);
}

void TKMessg::Tick() {
    if (!FInitialized) {
        FInitialized = true;
        if (FShowEdit) {
            QLineEdit* le = FPassword ? FEditPW : FEdit->lineEdit();
            if (le) {
                le->setFocus();
                if (FNoSelect)
                    le->end(false);
                else
                    le->selectAll();
            } else {
                FEdit->setFocus();
            }
        }
        FTimer->setInterval(gTickMs);
        return;
    }
    if (FEdit->view() && FEdit->view()->isVisible()) return; // choice list dropped down
    const bool ran_out = FCountdown.Tick();
    FTimeLabel->setText(FCountdown.LabelText());
    FTimeLabel->setVisible(FCountdown.LabelVisible());
    if (ran_out) {
        FTimer->stop();
        Finish(MsgAnswer::Cancel);
    }
}

void TKMessg::Finish(MsgAnswer a) {
    if (FDone) return;
    FDone = true;
    FAnswer = a;
    FTimer->stop();
    if (!FModalMode) {
        close();
        return;
    }
    done(a == MsgAnswer::Yes ? 1 : a == MsgAnswer::No ? 2 : 0);
}

void TKMessg::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        Finish(MsgAnswer::Yes);
        return;
    }
    if (e->key() == Qt::Key_Escape) {
        if (const auto a = EscAnswer(FShowCancel, FShowNo && FShowBtns, FShowBtns)) {
            Finish(*a);
        } else if (!FModalMode) {
            Finish(MsgAnswer::Cancel);
        }
        return;
    }
    QDialog::keyPressEvent(e);
}

void TKMessg::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) {
        FDragging = true;
        FDragPos = e->globalPosition().toPoint() - frameGeometry().topLeft();
    }
}

void TKMessg::mouseMoveEvent(QMouseEvent* e) {
    FCountdown.Reset();
    if (FDragging && (e->buttons() & Qt::LeftButton))
        move(e->globalPosition().toPoint() - FDragPos);
}

void TKMessg::mouseReleaseEvent(QMouseEvent*) {
    FDragging = false;
}

bool TKMessg::eventFilter(QObject* obj, QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyRelease:
    case QEvent::MouseMove:
        FCountdown.Reset();
        break;
    case QEvent::MouseButtonRelease:
        if (obj == FMessage && OnMessageClicked) {
            auto fn = OnMessageClicked;
            Finish(MsgAnswer::Yes);
            fn();
            return true;
        }
        break;
    case QEvent::KeyPress: {
        // Enter and Esc answer the dialog even from inside the input.
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter || k->key() == Qt::Key_Escape) {
            if (obj != this && !(FEdit->view() && FEdit->view()->isVisible())) {
                keyPressEvent(k);
                return true;
            }
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(obj, e);
}

} // namespace sky::ui
