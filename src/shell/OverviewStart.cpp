// The overview's start sequence and its user-wide settings: what the
// deferred start does once the window's placement is restored, the values
// read at start and stored when the window closes, and the settings page's
// fields stored as they are left.
#include "shell/Overview.h"

#include "engine/Database.h"
#include "engine/SystemLog.h"
#include "shell/Startup.h"
#include "support/Folders.h"
#include "support/Settings.h"
#include "support/SettingsCatalogue.h"
#include "support/TextUtil.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace sky {
namespace {

const QString kStartedLine = QStringLiteral("Skylark Started");
const QString kVersionFailure = QStringLiteral("Exception initializing versioning information ");
const QString kCaptionPrefix = QStringLiteral("Skylark v");
const QString kExampleDatabase = QStringLiteral("ExampleData.Tarndb");

} // namespace

void OverviewController::Start(const QStringList& params, const QString& currentDir) {
    LoadProjects();
    FView.ProjectsChanged();
    const OverviewSettings s = LoadSettings();
    keepLastAtTop = s.lastDbAtTop;
    SetNullDisplayText(s.nullText);
    SetShowTooltips(s.showTooltips);
    WriteLog(TLogKind::System, kStartedLine);
    SetLogLevel(s.logKind);
    FView.ShowSettings(s);
    FView.ApplyTooltips(s.showTooltips);
    FView.LetEventsRun();
    try {
        TSQLite3Database probe;
        FVersionInfo = SQLiteInfoText(probe.SQLiteSoftwVersion(), probe.SQLiteVersion());
        FView.ShowVersionInfo(FVersionInfo, probe.SQLiteSoftwVersion());
        LogApplication(FVersionInfo);
        FCaption = kCaptionPrefix + FileVersionText();
    } catch (const std::exception& e) {
        WriteLog(TLogKind::System, kVersionFailure + ExceptionText(e));
    }
    // The example database when the list is empty, then the command line's files.
    QStringList files = FFiles;
    const QString example = DocumentsDir() + kExampleDatabase;
    if (files.isEmpty() && QFileInfo::exists(example)) files << example;
    const CommandLineFiles cl = TakeCommandLineFiles(params, files, currentDir);
    files << cl.added;
    FFiles = files;
    if (!cl.added.isEmpty()) SaveProjectLists();
    FView.ShowCaption(FCaption);
    if (!FFiles.isEmpty()) {
        CheckAllFiles();
        RunAutoOpen();
    } else {
        FView.SearchForDatabases();
    }
    if (!cl.open.isEmpty()) OpenEntry(cl.open);
    FView.FilesChanged();
}

OverviewSettings OverviewController::LoadSettings() const {
    OverviewSettings s;
    s.queryLimit = QString::number(CfgGet(setting::QryLimit));
    s.editLimit = QString::number(CfgGet(setting::EdtLimit));
    s.nullText = CfgGet(setting::ResNulls);
    s.maxHistory = CfgGet(setting::MaxHist);
    s.maxExportValues = CfgGet(setting::MaxSqlExportValuesLines);
    s.showTooltips = CfgGet(setting::ShowTooltips);
    s.lastDbAtTop = CfgGet(setting::LastDbAtTop);
    // A first search looks where the user's files are: the home folder.
    s.searchFolder = CfgGet(setting::SearchDbFolder, QDir::homePath());
    s.searchText = CfgGet(setting::SearchDbText);
    s.tableSearch = CfgGet(setting::SearchTableText);
    s.fieldSearch = CfgGet(setting::SearchFieldText);
    s.docSearch = CfgGet(setting::LastDocSearch);
    s.logKind = CfgGet(setting::SysLogKind);
    s.expandedPane = CfgGet(setting::ExpandedPane);
    s.fileListWidth = CfgGet(setting::FileListWidth);
    return s;
}

void OverviewController::SaveSettings(const OverviewSettings& s) {
    CfgPut(setting::FileListWidth, s.fileListWidth);
    CfgPut(setting::ShowTooltips, s.showTooltips);
    CfgPut(setting::LastDbAtTop, s.lastDbAtTop);
    CfgPut(setting::ExpandedPane, s.expandedPane);
    CfgPut(setting::SearchDbFolder, s.searchFolder);
    CfgPut(setting::SearchDbText, s.searchText);
    CfgPut(setting::SearchTableText, s.tableSearch);
    CfgPut(setting::SearchFieldText, s.fieldSearch);
    // The fields' texts as whole numbers (0 when not numeric); reads clamp them.
    CfgPutNum(QLatin1String(setting::QryLimit.key), std::trunc(TextToNumber(s.queryLimit)));
    CfgPutNum(QLatin1String(setting::EdtLimit.key), std::trunc(TextToNumber(s.editLimit)));
    CfgPut(setting::SysLogKind, s.logKind);
}

int OverviewController::FileListWidth(int windowWidth) const {
    const int least = setting::FileListWidth.min;
    return CfgGet(setting::FileListWidth.WithMax(std::max(least, windowWidth * 8 / 10)));
}

int OverviewController::StoreQueryLimit(const QString& text) {
    const int v = Clamped(setting::QryLimit, TextToNumber(text));
    CfgPut(setting::QryLimit, v);
    return v;
}

int OverviewController::StoreEditLimit(const QString& text) {
    const int v = Clamped(setting::EdtLimit, TextToNumber(text));
    CfgPut(setting::EdtLimit, v);
    return v;
}

void OverviewController::StoreNullText(const QString& text) {
    CfgPut(setting::ResNulls, text);
    SetNullDisplayText(text);
}

void OverviewController::StoreMaxHistory(int lines) {
    CfgPut(setting::MaxHist, lines);
}

void OverviewController::StoreMaxExportValues(int lines) {
    CfgPut(setting::MaxSqlExportValuesLines, lines);
}

bool OverviewController::ChooseTheme(const QString& name, const QString& activeTheme) {
    if (name.isEmpty() || name == activeTheme) return false;
    CfgPut(setting::Theme, name);
    return true;
}

} // namespace sky
