// The theme viewer's window: the theme names, a preview of the selected one,
// and Apply (writes the answer file and quits) or Cancel.
#pragma once

#include "shell/Startup.h"

#include <QWidget>

class QListWidget;

namespace sky::ui {

class StyleViewerWindow : public QWidget {
    Q_OBJECT
public:
    explicit StyleViewerWindow(const ThemeViewerRequest& request, QWidget* parent = nullptr);
    QListWidget* Names() const { return FNames; }
    QWidget* Preview() const { return FPreview; }
    // Writes the selected name and closes.
    void Apply();

protected:
    // Placed once shown: at the asked position, kept inside the monitor.
    void showEvent(QShowEvent* e) override;

private:
    void ShowPreview(const QString& name);
    ThemeViewerRequest FRequest;
    QListWidget* FNames;
    QWidget* FPreview;
    bool FPlaced = false;
};

} // namespace sky::ui
