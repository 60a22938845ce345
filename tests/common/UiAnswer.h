// Widget tests: running the event loop for a while, and answering the
// system's message dialogs the way a user would, once they are shown.
#pragma once

#include "shell/ui/KMessg.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <memory>

namespace sky::ui {

inline void RunEventsFor(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

template <typename Pred> bool WaitFor(Pred p, int ms = 5000) {
    QElapsedTimer t;
    t.start();
    while (!p() && t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return p();
}

// A shown message dialog; with modalOnly the questions, not the notices.
inline TKMessg* VisibleMessage(bool modalOnly = false) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<TKMessg*>(w);
            m && m->isVisible() && (!modalOnly || m->isModal()))
            return m;
    return nullptr;
}

// The texts of the notices shown now.
inline QStringList ShownNotices() {
    QStringList texts;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<TKMessg*>(w); m && m->isVisible() && !m->isModal())
            texts << m->MsgText();
    return texts;
}

enum class How { Yes, No, Cancel, Enter, Esc, Countdown };

// Answers a shown message dialog: a button, a key or nothing (the countdown).
inline void Answer(TKMessg* m, How how, const QString& type) {
    if (!type.isEmpty() && m->Edit()->lineEdit()) m->Edit()->lineEdit()->setText(type);
    auto key = [m](int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QCoreApplication::sendEvent(m, &press);
    };
    switch (how) {
    case How::Yes:
        m->YesButton()->click();
        break;
    case How::No:
        m->NoButton()->click();
        break;
    case How::Cancel:
        m->CancelButton()->click();
        break;
    case How::Enter:
        key(Qt::Key_Return);
        break;
    case How::Esc:
        key(Qt::Key_Escape);
        break;
    case How::Countdown:
        break;
    }
}

// Answers the next message dialog the given way once it is shown.
inline void AnswerNext(How how, const QString& type = QString(), bool modalOnly = false) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, how, type, modalOnly] {
        TKMessg* m = VisibleMessage(modalOnly);
        if (!m) return;
        poll->stop();
        poll->deleteLater();
        Answer(m, how, type);
    });
    poll->start();
}

// Answers the next questions (modal dialogs) in order, each once.
inline void AnswerInOrder(QList<std::pair<How, QString>> answers) {
    auto* poll = new QTimer(qApp);
    poll->setInterval(10);
    auto last = std::make_shared<QPointer<TKMessg>>();
    QObject::connect(poll, &QTimer::timeout, [poll, answers, last]() mutable {
        TKMessg* m = VisibleMessage(true);
        if (!m || m == last->data() || answers.isEmpty()) return;
        *last = m;
        const auto [how, type] = answers.takeFirst();
        if (answers.isEmpty()) {
            poll->stop();
            poll->deleteLater();
        }
        Answer(m, how, type);
    });
    poll->start();
}

} // namespace sky::ui
