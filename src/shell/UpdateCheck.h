// The update check's request address and the reading of the server's answer.
#pragma once

#include <QByteArray>
#include <QString>

namespace sky {

inline const QString kProductId = QStringLiteral("KSTARN32");
inline const QString kDefaultUpdateServer = QStringLiteral("https://skylark-updates.example.net");
// Where "Report a Bug" takes the user.
inline const QString kReportBugAddress =
    QStringLiteral("https://skylark-updates.example.net/report-a-bug");

// base + "/checkupdate.php?id=" + product id.
QString UpdateRequestUrl(const QString& base);

struct UpdateAnswer {
    QString error;         // empty when the answer is usable
    QString serverVersion; // "Version", trimmed
    QString release;       // "Release", trimmed
    QString downloadUrl;   // "Download_url", or "Page_url" when that is empty
    bool newer = false;    // the server's version differs from ours
    QString log;           // the lines shown in the transfer log
};

// Reads the body of the answer (name=value lines). The download address is
// used only when it is a well-formed http or https address.
UpdateAnswer ReadUpdateAnswer(const QByteArray& body, const QString& statusLine,
                              const QString& ourVersion);

} // namespace sky
