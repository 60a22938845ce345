// The workspace's "Settings" page: the statistics panel's two scales
// (memory and statement memory high levels), stored in the database's own
// settings as they change.
#pragma once

#include <QList>
#include <QWidget>

class QSpinBox;

namespace sky {
class WorkspaceController;
}

namespace sky::ui {

class TWorkspaceSettingsPage : public QWidget {
public:
    TWorkspaceSettingsPage(WorkspaceController& c, QWidget* parent);
    // The scales as stored for the opened database.
    void Load();
    int MemoryScaleMB() const;
    int StatementScaleKB() const;

private:
    WorkspaceController& FCtl;
    QList<QSpinBox*> FScales;
    bool FLoading = false;
};

} // namespace sky::ui
