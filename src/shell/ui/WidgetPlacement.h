// Window placement over a real window and the screens Qt knows.
#pragma once

#include "support/Settings.h"

#include <QWidget>

namespace sky::ui {

class WidgetPlacement : public PlacementWindow {
public:
    explicit WidgetPlacement(QWidget* w) : FW(w) {}
    bool IsMaximized() const override;
    void ShowNormal() override;
    void ShowMaximized() override;
    QRect Geometry() const override;
    void SetGeometry(const QRect& r) override;
    int MinimumWidth() const override { return FW->minimumWidth(); }
    int MinimumHeight() const override { return FW->minimumHeight(); }
    QList<QRect> Monitors() const override;
    QList<QRect> WorkAreas() const override;
    int MonitorIndex() const override;

private:
    QWidget* FW;
};

void SavePlacement(const QString& key, QWidget* w);
void RestorePlacement(const QString& key, QWidget* w, bool positionOnly);

// The available geometries of the screens Qt knows.
QList<QRect> AvailableAreas();
// The screen a new window without a parent should appear on: the one under
// the mouse pointer, else the primary one.
QScreen* PointerScreen();
// A top-level window (its frame) moved inside the screen it belongs to;
// shrunk when larger. Call once the window is shown.
void KeepOnScreen(QWidget* w);
// A top-level window centred on a screen (the pointer's when none is given).
void CentreOnScreen(QWidget* w, QScreen* screen = nullptr);

} // namespace sky::ui
