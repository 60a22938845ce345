// The file import window under the offscreen platform: loading, a separator
// typed as a key (the preview follows), Accept importing into the table,
// Cancel, and screenshots in both themes.
#include "transfer/ui/FileImportDialog.h"
#include "common/TempDb.h"
#include "common/UiAnswer.h"
#include "shell/ui/Themes.h"
#include "transfer/FileImportController.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace sky::ui {
namespace {

class FileImportDialogTest : public test::TempDbTest {
protected:
    QString Write(const QByteArray& bytes) {
        const QString f = dir.filePath("in.csv");
        QFile out(f);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return f;
    }
};

TEST_F(FileImportDialogTest, LoadTypeASeparatorAcceptAndCancel) {
    const QString file = Write("id|name|note\r\n1|ünï|a,b\r\n2|two|c,d\r\n");
    TfrmSKYFileImp dlg;
    QString message, name = "imported";
    bool checked = false;
    QTimer::singleShot(0, &dlg, [&] {
        ASSERT_TRUE(
            WaitFor([&] { return dlg.Controller() && !dlg.Controller()->FileName().isEmpty(); }));
        EXPECT_TRUE(dlg.windowTitle().startsWith("File-Import for: [ "));
        EXPECT_EQ(dlg.Controller()->Settings().separator, u'|');
        // A comma typed into the separator box: the preview splits at commas.
        QKeyEvent comma(QEvent::KeyPress, Qt::Key_Comma, Qt::NoModifier, ",");
        QCoreApplication::sendEvent(dlg.SeparatorBox()->lineEdit(), &comma);
        EXPECT_EQ(dlg.SeparatorBox()->currentText(), "044 < Comma , > (CSV)");
        EXPECT_EQ(dlg.Sheet()->columnCount(), 2);
        // Back to the pipe, with the header row, and import.
        QKeyEvent pipe(QEvent::KeyPress, Qt::Key_Bar, Qt::NoModifier, "|");
        QCoreApplication::sendEvent(dlg.SeparatorBox()->lineEdit(), &pipe);
        dlg.Controller()->SetHeader(true);
        dlg.Render();
        EXPECT_EQ(dlg.Sheet()->item(1, 1)->text(), "name");
        EXPECT_TRUE(dlg.AcceptButton()->isEnabled()) << dlg.ErrorLabel()->text().toStdString();
        checked = true;
        dlg.AcceptButton()->click();
    });
    EXPECT_TRUE(dlg.ImportFromFile(&db, file, message, name)) << message.toStdString();
    EXPECT_TRUE(checked);
    EXPECT_EQ(name, "imported");
    EXPECT_EQ(Value("SELECT group_concat(id || name || note, ' ') FROM imported"),
              QString::fromUtf8("1ünïa,b 2twoc,d"));
    // Cancel: nothing imported, the message.
    name = "other";
    QTimer::singleShot(0, &dlg, [&] {
        WaitFor([&] { return dlg.Controller() && !dlg.Controller()->FileName().isEmpty(); });
        dlg.findChild<QPushButton*>("btnCancel")->click();
    });
    EXPECT_FALSE(dlg.ImportFromFile(&db, file, message, name));
    EXPECT_EQ(message, "User aborted Importing");
    EXPECT_FALSE(db.TableExists("other", "main"));
}

TEST_F(FileImportDialogTest, ScreenshotsInThemes) {
    const QString shots = qEnvironmentVariable("SKYLARK_SHOT_DIR");
    if (shots.isEmpty()) GTEST_SKIP() << "SKYLARK_SHOT_DIR not set";
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    ASSERT_TRUE(app);
    const QString file = Write("id,name,price\r\n1,\"a, b\",1.5\r\n2,ünï,2\r\n3,three,x\r\n");
    for (const QString& theme : {QStringLiteral("Cyan Dusk"), QStringLiteral("Paper White")}) {
        ASSERT_TRUE(ApplyTheme(*app, theme));
        TfrmSKYFileImp dlg;
        QString message, name = "shot";
        QTimer::singleShot(0, &dlg, [&] {
            WaitFor([&] { return dlg.Controller() && !dlg.Controller()->FileName().isEmpty(); });
            dlg.Controller()->SetHeader(true);
            dlg.Render();
            RunEventsFor(300);
            EXPECT_TRUE(dlg.grab().save(
                shots + "/fileimport-" + QString(theme).remove(u' ') + ".png", "PNG"));
            dlg.reject();
        });
        dlg.ImportFromFile(&db, file, message, name);
    }
    ApplyTheme(*app, kDefaultTheme);
}

} // namespace
} // namespace sky::ui
