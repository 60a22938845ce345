// Behaviour every window of the program shares, as one application-wide
// event filter: F3 minimises or restores the main window, F4 maximises or
// restores this window, F5 held makes it translucent, F9 puts its image on
// the clipboard, Esc closes windows marked CloseOnEscape, minimising one
// window minimises them all unless it is marked NoMinimizeApp, and moves are
// announced. Keys count only when no widget inside the window took them, and
// auto-repeated key events are ignored.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace sky::ui {

class TKFormFilter : public QObject {
    Q_OBJECT
public:
    // The filter installed on the application (created on first use).
    static TKFormFilter* Instance();
    void SetMainForm(QWidget* w) { FMain = w; }
    QWidget* MainForm() const { return FMain; }

    static void SetCloseOnEscape(QWidget* w, bool on) { w->setProperty("CloseOnEscape", on); }
    static void SetNoMinimizeApp(QWidget* w, bool on) { w->setProperty("NoMinimizeApp", on); }
    static constexpr double kTranslucent = 29.0 / 255.0;
    // Tool-tips of every window on or off.
    void SetShowTooltips(bool on) { FTooltips = on; }
    bool ShowTooltips() const { return FTooltips; }

Q_SIGNALS:
    // A window was moved (the OnMoved notification).
    void Moved(QWidget* window);

protected:
    bool eventFilter(QObject* obj, QEvent* event) override;

private:
    explicit TKFormFilter(QObject* parent) : QObject(parent) {}
    bool KeyPressed(QWidget* w, int key);
    bool KeyReleased(QWidget* w, int key);
    QPointer<QWidget> FMain;
    bool FMinimizing = false;
    bool FTooltips = true;
};

} // namespace sky::ui
