#include "shell/ui/ThemeViewer.h"

#include "shell/Startup.h"
#include "support/Folders.h"

#include <QFile>
#include <QProcess>
#include <QThread>
#include <QTimer>
#include <QWidget>

namespace sky::ui {

ThemeViewerLauncher::ThemeViewerLauncher(QObject* parent) : QObject(parent) {
    FTimer = new QTimer(this);
    FTimer->setInterval(500);
    connect(FTimer, &QTimer::timeout, this, [this] { Poll(); });
}

QString ThemeViewerLauncher::ViewerProgram() {
    return ProgramDir() + QStringLiteral("skylark-style-viewer");
}

bool ThemeViewerLauncher::Polling() const {
    return FTimer->isActive();
}

bool ThemeViewerLauncher::Launch(QWidget* button, const QString& program, const QString& active,
                                 const QStringList& names, const QString& answerFile,
                                 std::function<void(const QString&)> onChosen) {
    FButton = button;
    FAnswer = answerFile;
    FOnChosen = std::move(onChosen);
    if (button) {
        button->setEnabled(false);
        button->setVisible(false);
    }
    QFile::remove(answerFile);
    bool started = false;
    if (names.size() >= 2 && !active.isEmpty() && !answerFile.isEmpty()) {
        int x = 0, y = 0;
        if (button) {
            const QPoint p = button->mapToGlobal(QPoint(button->width() + 8, -80));
            x = p.x();
            y = p.y();
        }
        started = QProcess::startDetached(
            program, ThemeViewerArguments(x, y, QStringLiteral("Skylark Themes"), active,
                                          answerFile, names));
    }
    if (!started) {
        End();
        return false;
    }
    FPolls = 0;
    FTimer->start();
    return true;
}

void ThemeViewerLauncher::Poll() {
    if (++FPolls > 1200) {
        End();
        return;
    }
    if (!QFile::exists(FAnswer)) return;
    QThread::msleep(40); // let the viewer finish writing
    const QString name = ReadThemeAnswer(FAnswer);
    QFile::remove(FAnswer);
    End();
    if (!name.isEmpty() && FOnChosen) FOnChosen(name);
}

void ThemeViewerLauncher::End() {
    FTimer->stop();
    if (FButton) {
        FButton->setVisible(true);
        FButton->setEnabled(true);
    }
}

} // namespace sky::ui
