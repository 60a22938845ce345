// The workspace's table page ("Table Structure" / "View Layout"): the
// selected table's name, key and sizes, its field grid and its index and
// trigger list, rendered from WorkspaceController's table page state.
#pragma once

#include <QWidget>

class QLabel;
class QTableWidget;

namespace sky {
class WorkspaceController;
}

namespace sky::ui {

class TTablePage : public QWidget {
public:
    TTablePage(const WorkspaceController& c, QWidget* parent);
    QTableWidget* Fields() const { return sgFields; }
    void Render();

private:
    const WorkspaceController& FCtl;
    QLabel *lblTableName, *lblTablePriKey, *lblTableSizeCC, *lblTableSizeRC;
    QTableWidget *sgFields, *sgIndices;
};

} // namespace sky::ui
