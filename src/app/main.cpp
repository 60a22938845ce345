// skylark: the desktop program and its composition root. Starts the support
// library (folders and the settings store), applies the theme, creates the
// frame and the overview (giving it the factory of its workspace windows),
// runs the event loop, and at the end writes the settings (and starts the
// program again when the theme notice asked for it).
#include "analysis/ui/CompareWindow.h"
#include "analysis/ui/DocWindow.h"
#include "calculator/ui/CalcWindow.h"
#include "codeexport/Codify.h"
#include "design/ui/CheckDialog.h"
#include "design/ui/ForeignKeyDialog.h"
#include "design/ui/IndexDialog.h"
#include "design/ui/KeyDialog.h"
#include "design/ui/TriggerDialog.h"
#include "design/ui/ViewDialog.h"
#include "script/ui/ScriptWindow.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/OverviewWindow.h"
#include "shell/ui/Themes.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "support/SettingsCatalogue.h"
#include "workspace/ui/WorkspaceWindow.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The frame owns the program's life: closing a dialog that happens to be
    // the only window shown must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList params = app.arguments().mid(1);
    const bool quitAfterStart = params.removeAll(QStringLiteral("--quit-after-start")) > 0;
    QString screenshot;
    const qsizetype shot = params.indexOf(QStringLiteral("--screenshot"));
    if (shot >= 0 && shot + 1 < params.size()) {
        screenshot = params[shot + 1];
        params.remove(shot, 2);
    }

    // Support library start.
    sky::EnsureFolders();
    sky::CfgLoad();
    sky::CodifyLoadStored();

    sky::ui::ApplyTheme(app, sky::CfgGet(sky::setting::Theme, sky::ui::kDefaultTheme));
    sky::ui::TKFormFilter::Instance();

    // The composition root: the windows that make other windows get their
    // factories here, so no window includes a window of a layer above it.
    sky::ui::StartOptions options{params, QDir::currentPath(), quitAfterStart, screenshot};
    options.workspaces = []() -> sky::WorkspaceHandle* { return new sky::ui::TfrmSKYMain; };
    options.scripts = [](const QString& db) {
        sky::ui::OpenScriptWindow(db, QString(), QString());
    };
    options.docs = [](const QString& db) { sky::ui::frmSKYDBDoc().ShowDoc(db); };

    auto* frame = new sky::ui::TfrmSKYApp(&app);
    auto* overview = new sky::ui::TfrmSKYOview(frame, std::move(options));
    sky::ui::TKFormFilter::Instance()->SetMainForm(overview);
    // The shared windows, once each, in the order of the start-up.
    sky::ui::frmSKYAbout();
    sky::ui::frmSKYIdx();
    sky::ui::frmSKYTrig();
    sky::ui::frmSKYFKey();
    sky::ui::frmSKYPKey();
    sky::ui::frmSKYChk();
    sky::ui::frmSKYView();
    sky::ui::frmSKYDBDoc();
    sky::ui::frmSKYComp();
    sky::ui::frmSKYCalc();
    const int rc = app.exec();

    // Support library end.
    if (!sky::CfgFlush()) std::fprintf(stderr, "skylark: could not save the settings\n");
    if (frame->RestartRequested) QProcess::startDetached(app.applicationFilePath(), {});
    return rc;
}
