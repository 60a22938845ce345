// Starts the theme viewer program and polls its answer file: every 500 ms,
// at most 1200 times. The button it was started from comes back whenever the
// polling ends; a non-empty answer is handed to onChosen.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QTimer;
class QWidget;

namespace sky::ui {

class ThemeViewerLauncher : public QObject {
    Q_OBJECT
public:
    explicit ThemeViewerLauncher(QObject* parent = nullptr);
    // False (and the button back) when nothing could be started.
    bool Launch(QWidget* button, const QString& program, const QString& active,
                const QStringList& names, const QString& answerFile,
                std::function<void(const QString&)> onChosen);
    bool Polling() const;
    static QString ViewerProgram();

private:
    void Poll();
    void End();
    QTimer* FTimer;
    QPointer<QWidget> FButton;
    QString FAnswer;
    int FPolls = 0;
    std::function<void(const QString&)> FOnChosen;
};

} // namespace sky::ui
