#include "shell/ui/WidgetPlacement.h"

#include "shell/Placement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace sky::ui {

bool WidgetPlacement::IsMaximized() const {
    return FW->isMaximized() || (FW->windowState() & Qt::WindowMaximized);
}

void WidgetPlacement::ShowNormal() {
    if (IsMaximized()) FW->setWindowState(FW->windowState() & ~Qt::WindowMaximized);
}

void WidgetPlacement::ShowMaximized() {
    FW->setWindowState(FW->windowState() | Qt::WindowMaximized);
}

QRect WidgetPlacement::Geometry() const {
    const QRect n = FW->normalGeometry();
    return IsMaximized() && n.isValid() ? n : FW->geometry();
}

void WidgetPlacement::SetGeometry(const QRect& r) {
    FW->setGeometry(r);
}

QList<QRect> WidgetPlacement::Monitors() const {
    QList<QRect> r;
    for (QScreen* s : QGuiApplication::screens())
        r << s->geometry();
    return r;
}

QList<QRect> WidgetPlacement::WorkAreas() const {
    QList<QRect> r;
    for (QScreen* s : QGuiApplication::screens())
        r << s->availableGeometry();
    return r;
}

int WidgetPlacement::MonitorIndex() const {
    return int(QGuiApplication::screens().indexOf(FW->screen()));
}

void SavePlacement(const QString& key, QWidget* w) {
    WidgetPlacement p(w);
    CfgPutPlacement(key, p);
}

void RestorePlacement(const QString& key, QWidget* w, bool positionOnly) {
    WidgetPlacement p(w);
    CfgGetPlacement(key, p, positionOnly);
}

QList<QRect> AvailableAreas() {
    QList<QRect> r;
    for (QScreen* s : QGuiApplication::screens())
        r << s->availableGeometry();
    return r;
}

QScreen* PointerScreen() {
    QScreen* s = QGuiApplication::screenAt(QCursor::pos());
    return s ? s : QGuiApplication::primaryScreen();
}

// The frame's extra size around the client area (zero before the window
// manager has framed it).
static QMargins FrameMargins(const QWidget* w) {
    const QRect f = w->frameGeometry(), g = w->geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

void KeepOnScreen(QWidget* w) {
    if (w->isMaximized() || w->isFullScreen()) return;
    const QRect frame = w->frameGeometry();
    const QRect fitted = FitOnScreens(frame, AvailableAreas());
    if (fitted == frame) return;
    const QMargins m = FrameMargins(w);
    if (fitted.size() != frame.size())
        w->resize(fitted.width() - m.left() - m.right(), fitted.height() - m.top() - m.bottom());
    w->move(fitted.topLeft()); // move() places the frame's corner
}

void CentreOnScreen(QWidget* w, QScreen* screen) {
    if (!screen) screen = PointerScreen();
    if (!screen) return;
    const QRect r = CentredOn(w->frameGeometry().size(), screen->availableGeometry());
    w->move(r.topLeft());
}

} // namespace sky::ui
