// The application frame: the object that owns the program's life. It is
// created first, carries the caption while loading, and ends the event loop
// when it is closed (the last step of shutdown).
#pragma once

#include <QObject>
#include <QString>

namespace sky::ui {

class TfrmSKYApp : public QObject {
    Q_OBJECT
public:
    explicit TfrmSKYApp(QObject* parent = nullptr);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& c) { FCaption = c; }
    // Ends the event loop.
    void Close();
    bool Closed() const { return FClosed; }
    // Set by the theme notice: the program starts again after shutdown.
    bool RestartRequested = false;

private:
    QString FCaption;
    bool FClosed = false;
};

} // namespace sky::ui
