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

} // namespace sky::ui
