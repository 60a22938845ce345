// The "Query " page beside the SQL editor: the column list with its insert
// button, the seven comparison buttons and the template buttons of the
// selected table. Every button only edits the editor text, through the
// controller's quick-SQL commands.
#pragma once

#include "workspace/QuickSql.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace sky {
class WorkspaceController;
}

namespace sky::ui {

class TQuickSqlPage : public QWidget {
    Q_OBJECT
public:
    TQuickSqlPage(WorkspaceController& c, QWidget* parent);
    // The selected table changed: the column list and the buttons' states.
    void Render();
    // Chooses a column of the list (the table page's field grid).
    void ChooseColumn(const QString& column);
    QComboBox* Columns() const { return cbSQLField; }

Q_SIGNALS:
    // Before (true) and after (false) a button edits the editor text.
    void EditorWanted(bool before);

protected:
    void resizeEvent(QResizeEvent* e) override;

private:
    QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                        const QString& hint);
    void Run(const std::function<void()>& command);
    void Layout();
    WorkspaceController& FCtl;
    QWidget *pnlColumn, *pnlCompare, *pnlMiddle, *pnlTable;
    QComboBox* cbSQLField;
    QPushButton* btnSQLField;
    QPushButton *btnSQLDelete, *btnSQLInsert, *btnSQLUpdate, *btnSQLUpsert;
    QPushButton *btnCreateTable, *btnDropTable, *btnSQLNewTable, *btnSQLSelect, *btnSQLSelStar;
};

} // namespace sky::ui
