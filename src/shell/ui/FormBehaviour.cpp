#include "shell/ui/FormBehaviour.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QWindowStateChangeEvent>
#include <cmath>

namespace sky::ui {

TKFormFilter* TKFormFilter::Instance() {
    static QPointer<TKFormFilter> instance;
    if (!instance) {
        instance = new TKFormFilter(qApp);
        qApp->installEventFilter(instance);
    }
    return instance;
}

bool TKFormFilter::KeyPressed(QWidget* w, int key) {
    switch (key) {
    case Qt::Key_F3: {
        QWidget* m = FMain ? FMain.data() : w;
        if (m->isMinimized())
            m->showNormal();
        else
            m->showMinimized();
        return true;
    }
    case Qt::Key_F4:
        if (w->isMaximized())
            w->showNormal();
        else
            w->showMaximized();
        return true;
    case Qt::Key_F5:
        if (w->windowOpacity() >= 1.0) w->setWindowOpacity(kTranslucent);
        return true;
    default:
        return false;
    }
}

bool TKFormFilter::KeyReleased(QWidget* w, int key) {
    switch (key) {
    case Qt::Key_F5:
        // Only the translucency F5 made is taken back.
        if (std::fabs(w->windowOpacity() - kTranslucent) < 0.01) w->setWindowOpacity(1.0);
        return true;
    case Qt::Key_F9:
        QGuiApplication::clipboard()->setImage(w->grab().toImage());
        QApplication::beep();
        return true;
    case Qt::Key_Escape:
        if (w->property("CloseOnEscape").toBool() && w != FMain) {
            w->close();
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool TKFormFilter::eventFilter(QObject* obj, QEvent* event) {
    if (!obj->isWidgetType()) return false;
    if (event->type() == QEvent::ToolTip && !FTooltips) return true;
    auto* w = static_cast<QWidget*>(obj);
    if (!w->isWindow()) return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* k = static_cast<QKeyEvent*>(event);
        if (k->isAutoRepeat() || k->modifiers() != Qt::NoModifier) return false;
        return event->type() == QEvent::KeyPress ? KeyPressed(w, k->key())
                                                 : KeyReleased(w, k->key());
    }
    case QEvent::WindowStateChange:
        if (w->isMinimized() && !FMinimizing && !w->property("NoMinimizeApp").toBool() &&
            w->isVisible()) {
            // Minimising one window minimises the application: every window.
            FMinimizing = true;
            for (QWidget* other : QApplication::topLevelWidgets())
                if (other != w && other->isVisible() && !other->isMinimized() &&
                    !other->property("NoMinimizeApp").toBool() &&
                    (other->windowType() == Qt::Window || other->windowType() == Qt::Dialog))
                    other->showMinimized();
            FMinimizing = false;
        }
        return false;
    case QEvent::Move:
        if (w->isVisible()) Q_EMIT Moved(w);
        return false;
    default:
        return false;
    }
}

} // namespace sky::ui
