// What the overview asks of a workspace window (the window in which one
// database file is worked on), and the events a workspace raises to it.
#pragma once

#include <QString>
#include <functional>

namespace sky {

// Event kinds of TSysCallbackEvent.
enum WorkspaceEventKind : int {
    kWsClosed = -1, // the window is being destroyed
    kWsBrowseAndOpen = 0,
    kWsOpenFile = 1,     // sPar1: the database file
    kWsShowInFolder = 2, // sPar1: the database file
    kWsShowOverview = 3,
};

class WorkspaceHandle;

// sender, eventKind, sPar1, sPar2, iPar1, iPar2 -> result
using TSysCallbackEvent =
    std::function<int(WorkspaceHandle* sender, int eventKind, const QString& sPar1,
                      const QString& sPar2, int iPar1, int iPar2)>;

class WorkspaceHandle {
public:
    virtual ~WorkspaceHandle() = default;
    // Opens the database file and selects the table when one is given.
    virtual void Init(const QString& dbFile, const QString& dbTable) = 0;
    virtual void SetShowTooltips(bool on) = 0;
    // Shown and brought to the front.
    virtual void ShowAndRaise() = 0;
    virtual void SetShown(bool shown) = 0;
    // Closes and frees the window. A window whose connection is busy has its
    // statement interrupted and closes when the operation returns.
    virtual void CloseAndFree() = 0;
    // Frees the window later, never inside the caller's own call.
    virtual void FreeLater() = 0;

    // Raises an event to the overview; 0 when no handler is set.
    int SysCallback(int eventKind, const QString& sPar1 = QString(),
                    const QString& sPar2 = QString(), int iPar1 = 0, int iPar2 = 0) {
        return fSysCallback ? fSysCallback(this, eventKind, sPar1, sPar2, iPar1, iPar2) : 0;
    }

    TSysCallbackEvent fSysCallback;
};

// Makes a workspace window, not yet opened; nullptr when none can be made.
// The program's composition root (src/app/main.cpp) gives the overview one.
using WorkspaceFactory = std::function<WorkspaceHandle*()>;

} // namespace sky
