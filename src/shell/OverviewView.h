// What the overview controller asks of its window: the one contract between
// OverviewController and the Qt window that renders it (TfrmSKYOview). The
// controller owns the projects, the file list, the open workspaces, the
// settings and the start sequence; the window builds widgets, forwards its
// events and renders what it is told changed. Tests implement it without a
// display.
#pragma once

#include <QString>

namespace sky {

class ProgressSink;
struct OverviewSettings;

class OverviewView {
public:
    virtual ~OverviewView() = default;

    // --- the file list and the windows
    // The project list / the file list changed and are drawn again.
    virtual void ProjectsChanged() = 0;
    virtual void FilesChanged() = 0;
    // The overview brought to the front.
    virtual void BringToFront() = 0;
    // The file shown selected in the platform's file browser.
    virtual void ShowInFolder(const QString& file) = 0;
    // The query-data pop-outs: shown or hidden, freed.
    virtual void ShowPopOuts(bool shown) = 0;
    virtual void FreePopOuts() = 0;
    // Progress of the status check and of transfers (nullptr: none shown).
    virtual ProgressSink* StartProgress(const QString& title, bool canCancel) = 0;
    virtual void EndProgress(ProgressSink* p) = 0;

    // --- the start sequence
    // The settings page, the search fields and the log mode show the values.
    virtual void ShowSettings(const OverviewSettings& s) = 0;
    // The tooltip switch applied to every window.
    virtual void ApplyTooltips(bool on) = 0;
    // Lets pending window messages run.
    virtual void LetEventsRun() = 0;
    // The engine's information text and its full source identifier (the
    // about box shows them).
    virtual void ShowVersionInfo(const QString& info, const QString& sourceId) = 0;
    // The window's and the frame's caption.
    virtual void ShowCaption(const QString& caption) = 0;
    // An empty list: the search page shown, a database-file search started.
    virtual void SearchForDatabases() = 0;
};

} // namespace sky
