// A workspace window without a display for controller tests: every part of
// the view interface does nothing; tests override what they watch.
#pragma once

#include "workspace/WorkspaceView.h"

namespace sky::test {

class SilentView : public WorkspaceView {
public:
    int RaiseEvent(int, const QString&) override { return 0; }
    void ShowPage(int) override {}
    int CurrentPage() const override { return kPageTable; }
    bool LetEventsRun() override { return true; }
    void SavePlacement(SettingList&) override {}
    void RestorePlacement(const SettingList&) override {}
    void ReadWindow() override {}
    QString ClipboardText() const override { return {}; }
    void PrepNotice(bool) override {}
    ProgressSink* StartProgress(const QString&) override { return nullptr; }
    void EndProgress(ProgressSink*) override {}
    void TreeChanged() override {}
    void TableChanged() override {}
    void ResultsChanged() override {}
    void EditorChanged() override {}
    void StatusChanged() override {}
    void HistoryChanged() override {}
    void StatsChanged() override {}
};

} // namespace sky::test
