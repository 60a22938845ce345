// The workspace's table page ("Table Structure" / "View Layout"): the
// selected table's name, key and sizes, its field grid and its object grid
// (the table, its indexes and triggers), and the buttons of the table
// operations, rendered from WorkspaceController's table page state. Choosing
// a row, a double-click and every button go to the controller.
#pragma once

#include "workspace/WorkspaceController.h"

#include <QLabel>
#include <QWidget>

class QLayout;
class QPushButton;
class QTableWidget;
class QToolButton;
class QVBoxLayout;

namespace sky::ui {

class TTablePage : public QWidget {
    Q_OBJECT
public:
    TTablePage(WorkspaceController& c, QWidget* parent);
    QTableWidget* Fields() const { return sgFields; }
    QTableWidget* Objects() const { return sgIndices; }
    QWidget* HelpImage() const { return imgHelpTableView; }
    // The page's buttons by object name (tests).
    QPushButton* Button(const QString& name) const;
    void Render();

Q_SIGNALS:
    // The editor text is read into the controller before a command that
    // edits it, and gets the focus after.
    void EditorWanted(bool before);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void BuildLabels(QVBoxLayout* v);
    void BuildButtons(QVBoxLayout* v);
    QPushButton* AddButton(QLayout* row, const char* name, const QString& caption,
                           TableCommandKind kind);
    void RenderGrids();
    void LayoutFieldColumns();
    void RenderButtons();
    void EditorCommand(void (WorkspaceController::*command)());

    WorkspaceController& FCtl;
    bool FRendering = false;
    QLabel *lblTableName, *lblTablePriKey, *lblTableSizeCC, *lblTableSizeRC, *lblRowsCaption;
    QToolButton* btnTableSizeCC;
    QLabel* imgHelpTableView;
    QTableWidget *sgFields, *sgIndices;
    QList<QPair<QPushButton*, TableCommandKind>> FButtons;
    QPushButton *btnTableIndAlter, *btnTableIndRemove, *btnTableShowSchemaSQL;
};

} // namespace sky::ui
