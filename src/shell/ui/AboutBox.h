// The about box: the release and engine texts, and the on-line update check.
#pragma once

#include <QWidget>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace sky {
class Prompter;
}

namespace sky::ui {

inline const QString kReleaseDate = QStringLiteral("December - 2026");

class TfrmSKYAbout : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSKYAbout(QWidget* parent = nullptr);
    // The engine information of the start-up and the full source id it keeps.
    void SetUtilsText(const QString& text, const QString& sourceId);
    void About();
    void CheckForUpdates();
    // For tests and settings: where to ask, how long to wait, who answers,
    // and what opens an address.
    void SetServer(const QString& base) { FServer = base; }
    void SetTimeoutMs(int ms) { FTimeoutMs = ms; }
    void SetPrompter(Prompter* p) { FPrompter = p; }
    void SetOpener(std::function<void(const QString&)> open) { FOpen = std::move(open); }
    QString InfoText() const;
    QString TransferLog() const;

protected:
    bool eventFilter(QObject* obj, QEvent* e) override;
    // Every showing centres the box on the screen.
    void showEvent(QShowEvent* e) override;

private:
    void Log(const QString& line);
    QLabel* lblInfo;
    QLabel* lblUtils;
    QPushButton* btnUpdates;
    QPlainTextEdit* memHTTP;
    QString FSourceId;
    QString FServer;
    int FTimeoutMs = 30000;
    Prompter* FPrompter = nullptr;
    std::function<void(const QString&)> FOpen;
};

TfrmSKYAbout& frmSKYAbout();

} // namespace sky::ui
