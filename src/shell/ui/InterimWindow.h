// The desktop program's first window until the application frame exists:
// shows the program and engine versions.
#pragma once

#include <QMainWindow>

namespace sky::ui {

class InterimWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit InterimWindow(QWidget* parent = nullptr);
    QString VersionText() const { return FVersionText; }

private:
    QString FVersionText;
};

} // namespace sky::ui
