#include "shell/ui/WidgetPlacement.h"

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

} // namespace sky::ui
