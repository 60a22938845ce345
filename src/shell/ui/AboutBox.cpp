#include "shell/ui/AboutBox.h"

#include "shell/UpdateCheck.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/Folders.h"
#include "support/Settings.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTime>
#include <QTimer>
#include <QUrl>

namespace sky::ui {

TfrmSKYAbout::TfrmSKYAbout(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmSKYAbout"));
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setFixedSize(480, 400);
    setStyleSheet(
        QStringLiteral("QWidget#frmSKYAbout { background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
                       " stop:0 #1E2A30, stop:1 #0E1418); } QLabel { color: silver; }"));
    auto* title = new QLabel(QStringLiteral("Skylark"), this);
    title->setGeometry(24, 40, 432, 80);
    QFont tf = title->font();
    tf.setPointSize(36);
    tf.setBold(true);
    title->setFont(tf);
    lblInfo = new QLabel(this);
    lblInfo->setObjectName(QStringLiteral("lblInfo"));
    lblInfo->setGeometry(168, 279, 273, 59);
    lblInfo->setAlignment(Qt::AlignCenter);
    lblInfo->setWordWrap(true);
    lblUtils = new QLabel(this);
    lblUtils->setObjectName(QStringLiteral("lblUtils"));
    lblUtils->setGeometry(18, 253, 143, 117);
    lblUtils->setWordWrap(true);
    lblUtils->setCursor(Qt::PointingHandCursor);
    lblUtils->installEventFilter(this);
    btnUpdates = new QPushButton(QStringLiteral("Check for Updates..."), this);
    btnUpdates->setGeometry(167, 344, 138, 41);
    auto* web = new QPushButton(QStringLiteral("www"), this);
    web->setGeometry(311, 344, 67, 41);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setGeometry(384, 344, 67, 41);
    memHTTP = new QPlainTextEdit(this);
    memHTTP->setObjectName(QStringLiteral("memHTTP"));
    memHTTP->setReadOnly(true);
    memHTTP->setLineWrapMode(QPlainTextEdit::NoWrap);
    memHTTP->setGeometry(167, 128, 451 - 167, 344 - 4 - 128);
    memHTTP->hide();
    connect(btnUpdates, &QPushButton::clicked, this, &TfrmSKYAbout::CheckForUpdates);
    connect(close, &QPushButton::clicked, this, &QWidget::hide);
    connect(web, &QPushButton::clicked, this, [this] {
        if (FOpen) FOpen(QStringLiteral("https://www.sqlite.org/"));
    });
    FServer = CfgGet(QStringLiteral("UpdateServer"), kDefaultUpdateServer);
    FOpen = [](const QString& url) { QDesktopServices::openUrl(QUrl(url)); };
}

void TfrmSKYAbout::SetUtilsText(const QString& text, const QString& sourceId) {
    QString shown = text;
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lblUtils->setText(shown);
    FSourceId = sourceId;
}

QString TfrmSKYAbout::InfoText() const {
    return lblInfo->text();
}

QString TfrmSKYAbout::TransferLog() const {
    return memHTTP->toPlainText();
}

void TfrmSKYAbout::About() {
    lblInfo->setText(QStringLiteral("Release: ") + FileVersionText() + QStringLiteral(" - ") +
                     kReleaseDate + QStringLiteral("\nA tool for SQLite database files."));
    show();
    raise();
    QCoreApplication::processEvents();
}

void TfrmSKYAbout::Log(const QString& line) {
    memHTTP->appendPlainText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss:zzz")) +
                             QStringLiteral(" - ") + line);
}

void TfrmSKYAbout::CheckForUpdates() {
    Prompter& prompts = FPrompter ? *FPrompter : static_cast<Prompter&>(Prompts());
    QString error;
    memHTTP->clear();
    memHTTP->show();
    const QString url = UpdateRequestUrl(FServer);
    memHTTP->appendPlainText(QStringLiteral("Request: ") + url);
    QNetworkAccessManager net;
    QNetworkRequest req{QUrl(url)};
    req.setRawHeader("Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    req.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Skylark/") + FileVersionText());
    req.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::NoLessSafeRedirectPolicy);
    req.setTransferTimeout(FTimeoutMs);
    QNetworkReply* reply = net.get(req);
    QEventLoop loop;
    connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(reply, &QNetworkReply::metaDataChanged, this,
            [this] { Log(QStringLiteral("Connected")); });
    Log(QStringLiteral("Connecting"));
    loop.exec();
    const QByteArray body = reply->readAll();
    const QString status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toString() +
                           QLatin1Char(' ') +
                           reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    Log(QStringLiteral("Disconnected"));
    if (reply->error() != QNetworkReply::NoError && body.isEmpty()) {
        error = QStringLiteral("Exception: ") + reply->errorString();
    } else {
        const UpdateAnswer a = ReadUpdateAnswer(body, status.trimmed(), FileVersionText());
        error = a.error;
        if (error.isEmpty()) {
            memHTTP->appendPlainText(a.log);
            memHTTP->hide();
            if (a.newer) {
                if (prompts.AskYesNo(QStringLiteral("Software Version Verified..."),
                                     QStringLiteral("A Newer version (") + a.serverVersion +
                                         QStringLiteral(") was released in ") + a.release +
                                         QStringLiteral(", Download now?"),
                                     30, QStringLiteral("No"), QStringLiteral("Yes")) &&
                    FOpen)
                    FOpen(a.downloadUrl);
            } else {
                prompts.ShowNotice(
                    QStringLiteral("Software Version Verified..."),
                    QStringLiteral(
                        "You are running the latest version of this Software already\r(Version ") +
                        FileVersionText() + QStringLiteral(" released ") + a.release +
                        QStringLiteral(")."),
                    9, true);
            }
        }
    }
    reply->deleteLater();
    if (!error.isEmpty())
        prompts.ShowNotice(QStringLiteral("Error contacting Skylark Server"),
                           error + QStringLiteral("\rPlease try again later..."), 9, true);
    memHTTP->hide();
}

void TfrmSKYAbout::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (!e->spontaneous()) CentreOnScreen(this);
}

bool TfrmSKYAbout::eventFilter(QObject* obj, QEvent* e) {
    if (obj == lblUtils && e->type() == QEvent::MouseButtonRelease) {
        Prompter& prompts = FPrompter ? *FPrompter : static_cast<Prompter&>(Prompts());
        prompts.ShowNotice(QStringLiteral("SQLite Software Full Version: "),
                           QString(FSourceId).replace(QLatin1Char(' '), QStringLiteral("\r\n")), 30,
                           true);
        return true;
    }
    return QWidget::eventFilter(obj, e);
}

TfrmSKYAbout& frmSKYAbout() {
    static auto* d = new TfrmSKYAbout; // lives for the whole run
    return *d;
}

} // namespace sky::ui
