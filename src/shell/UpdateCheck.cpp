#include "shell/UpdateCheck.h"

#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>

namespace sky {
namespace {

bool IsWebAddress(const QString& s) {
    const QUrl u(s, QUrl::StrictMode);
    return u.isValid() && !u.host().isEmpty() &&
           (u.scheme() == QLatin1String("http") || u.scheme() == QLatin1String("https"));
}

} // namespace

QString UpdateRequestUrl(const QString& base) {
    QString b = base.trimmed();
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    return b + QStringLiteral("/checkupdate.php?id=") + kProductId;
}

UpdateAnswer ReadUpdateAnswer(const QByteArray& body, const QString& statusLine,
                              const QString& ourVersion) {
    UpdateAnswer a;
    if (body.isEmpty()) {
        a.error = QStringLiteral("Could not contact the Server: ") + statusLine;
        return a;
    }
    const QString text = DecodeText(body);
    static const QRegularExpression breaks(QStringLiteral("\r\n|\n|\r"));
    const QStringList lines = text.split(breaks);
    if (lines.size() < 2 || text.contains(QLatin1String("Request Error"))) {
        a.error = QStringLiteral("Error or Empty Response: ") + text;
        return a;
    }
    a.log = QStringLiteral("---\n") + statusLine + QStringLiteral("\n---\n") +
            lines.join(QLatin1Char('\n'));
    auto value = [&](const char* name) {
        for (const QString& l : lines) {
            const qsizetype eq = l.indexOf(QLatin1Char('='));
            if (eq >= 0 && l.left(eq).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return l.mid(eq + 1);
        }
        return QString();
    };
    const QString page = TrimText(value("Page_url"));
    if (page.isEmpty()) {
        a.error = QStringLiteral("Invalid Server Response: ") + text;
        return a;
    }
    a.serverVersion = TrimText(value("Version"));
    a.release = TrimText(value("Release"));
    const QString download = TrimText(value("Download_url"));
    a.downloadUrl = download.isEmpty() ? page : download;
    if (!IsWebAddress(a.downloadUrl)) {
        a.error = QStringLiteral("Invalid Server Response: ") + text;
        a.downloadUrl.clear();
        return a;
    }
    a.newer = a.serverVersion != ourVersion;
    return a;
}

} // namespace sky
