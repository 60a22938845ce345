// Reading the update server's answer.
#include "shell/UpdateCheck.h"

#include <gtest/gtest.h>

namespace sky {
namespace {

TEST(UpdateCheck, AnswersAndErrors) {
    EXPECT_EQ(UpdateRequestUrl(QStringLiteral("https://u.example/")),
              QStringLiteral("https://u.example/checkupdate.php?id=KSTARN32"));
    const struct {
        const char* body;
        const char* error; // expected start of the error ("" none)
        const char* version;
        const char* url;
        bool newer;
    } cases[] = {
        {"", "Could not contact the Server: 404 Not Found", "", "", false},
        {"Page_url=https://x.example/", "Error or Empty Response: Page_url=", "", "", false},
        {"a\nRequest Error here", "Error or Empty Response: ", "", "", false},
        {"Version=1.0\nRelease=May", "Invalid Server Response: ", "", "", false},
        {"Page_url=https://x.example/p\nRelease=May 2026", "", "", "https://x.example/p", true},
        {"page_URL=https://x.example/p\r\nVersion= 0.1.0.0 \r\nDownload_url=https://x.example/d",
         "", "0.1.0.0", "https://x.example/d", false},
        {"Page_url=javascript:alert(1)\nVersion=9", "Invalid Server Response: ", "", "", false},
        {"Page_url=https://x.example/p\nDownload_url=file:///etc/passwd\nVersion=9",
         "Invalid Server Response: ", "", "", false},
        {"Page_url=https://x.example/p\nVersion=0.2.0.0\nPage_url=https://other/", "", "0.2.0.0",
         "https://x.example/p", true},
    };
    for (const auto& c : cases) {
        const UpdateAnswer a = ReadUpdateAnswer(QByteArray(c.body), QStringLiteral("404 Not Found"),
                                                QStringLiteral("0.1.0.0"));
        if (*c.error)
            EXPECT_TRUE(a.error.startsWith(QLatin1String(c.error)))
                << c.body << ": " << a.error.toStdString();
        else
            EXPECT_TRUE(a.error.isEmpty()) << c.body << ": " << a.error.toStdString();
        if (a.error.isEmpty()) {
            EXPECT_EQ(a.serverVersion, QLatin1String(c.version)) << c.body;
            EXPECT_EQ(a.downloadUrl, QLatin1String(c.url)) << c.body;
            EXPECT_EQ(a.newer, c.newer) << c.body;
        }
    }
}

} // namespace
} // namespace sky
