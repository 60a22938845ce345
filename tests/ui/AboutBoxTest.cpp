// The update check against a small HTTP server on 127.0.0.1.
#include "shell/ui/AboutBox.h"
#include "support/Folders.h"
#include "support/Prompter.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class RecordingPrompter : public CountdownPrompter {
public:
    QStringList notices, questions;
    bool answer = false;
    void ShowNotice(const QString& title, const QString& text, int, bool) override {
        notices << title + QStringLiteral(": ") + text;
    }
    bool AskYesNo(const QString& title, const QString& text, int, const QString&,
                  const QString&) override {
        questions << title + QStringLiteral(": ") + text;
        return answer;
    }
};

// Answers every request with the body (or never, when silent).
class TinyServer : public QTcpServer {
public:
    QByteArray body;
    bool silent = false;
    QByteArray lastRequest;
    TinyServer() {
        listen(QHostAddress::LocalHost, 0);
        connect(this, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* s = nextPendingConnection();
            connect(s, &QTcpSocket::readyRead, s, [this, s] {
                lastRequest += s->readAll();
                if (silent || !lastRequest.contains("\r\n\r\n")) return;
                s->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                         QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
                s->disconnectFromHost();
            });
        });
    }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(serverPort()); }
};

TEST(AboutBox, UpdateCheckAnswers) {
    TfrmSKYAbout about;
    RecordingPrompter p;
    QStringList opened;
    about.SetPrompter(&p);
    about.SetOpener([&](const QString& u) { opened << u; });
    about.About();
    EXPECT_TRUE(
        about.InfoText().startsWith(QStringLiteral("Release: ") + FileVersionText() + " - "));

    TinyServer server;
    about.SetServer(server.Base());
    // A newer release: the question, and the download when answered yes.
    server.body = "Page_url=https://x.example/p\r\nVersion=9.9.9.9\r\nRelease=May "
                  "2027\r\nDownload_url=https://x.example/d\r\n";
    p.answer = true;
    about.CheckForUpdates();
    EXPECT_TRUE(server.lastRequest.startsWith("GET /checkupdate.php?id=KSTARN32 "))
        << server.lastRequest.toStdString();
    ASSERT_EQ(p.questions.size(), 1);
    EXPECT_EQ(
        p.questions[0],
        QStringLiteral("Software Version Verified...: A Newer version (9.9.9.9) was released in "
                       "May 2027, Download now?"));
    EXPECT_EQ(opened, QStringList{"https://x.example/d"});

    const struct {
        QByteArray body;
        const char* notice;
    } cases[] = {
        {"Page_url=https://x.example/p\nVersion= " + FileVersionText().toUtf8() + " \nRelease=now",
         "Software Version Verified...: You are running the latest version of this Software "
         "already\r(Version "},
        {"Page_url=https://x.example/p",
         "Error contacting Skylark Server: Error or Empty Response: "},
        {"Version=1\nRelease=x", "Error contacting Skylark Server: Invalid Server Response: "},
    };
    for (const auto& c : cases) {
        p.notices.clear();
        server.lastRequest.clear();
        server.body = c.body;
        about.CheckForUpdates();
        ASSERT_EQ(p.notices.size(), 1) << c.body.toStdString();
        EXPECT_TRUE(p.notices[0].startsWith(QLatin1String(c.notice))) << p.notices[0].toStdString();
    }
    // No answer in time: the exception path.
    p.notices.clear();
    server.silent = true;
    about.SetTimeoutMs(300);
    about.CheckForUpdates();
    ASSERT_EQ(p.notices.size(), 1);
    EXPECT_TRUE(
        p.notices[0].startsWith(QStringLiteral("Error contacting Skylark Server: Exception: ")))
        << p.notices[0].toStdString();
    EXPECT_TRUE(p.notices[0].endsWith(QStringLiteral("\rPlease try again later...")));
}

TEST(AboutBox, UtilitiesLabelShowsTheSourceIdOneWordPerLine) {
    TfrmSKYAbout about;
    RecordingPrompter p;
    about.SetPrompter(&p);
    about.SetUtilsText(QStringLiteral("SQLite 3.45"),
                       QStringLiteral("2024-01-15 17:01:13 1066602b"));
    auto* label = about.findChild<QLabel*>(QStringLiteral("lblUtils"));
    ASSERT_TRUE(label);
    QMouseEvent click(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(label, &click);
    ASSERT_EQ(p.notices.size(), 1);
    EXPECT_EQ(p.notices[0], QStringLiteral("SQLite Software Full Version: : "
                                           "2024-01-15\r\n17:01:13\r\n1066602b"));
}

} // namespace
} // namespace sky::ui
