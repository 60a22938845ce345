// The workspace's "Pragma" page: the value rows of the pragma table in two
// columns (title, units, value list, Update, Show SQL and documentation
// buttons), the action pragmas as a column of buttons that put their
// statement into the editor, "Re-Read" and "Update all Pragmas". The values
// and updates are PragmaController's; the page reads them on every schema
// refresh.
#pragma once

#include "workspace/Pragmas.h"

#include <QWidget>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QScrollArea;

namespace sky {
class WorkspaceController;
}

namespace sky::ui {

class TPragmaPage : public QWidget {
    Q_OBJECT
public:
    TPragmaPage(WorkspaceController& c, QWidget* parent);
    // Reads every value again (schema refresh, Re-Read, after updates).
    void ReadValues();
    PragmaController& Pragmas() { return FPragmas; }
    QComboBox* ValueList(const QString& name) const;
    QPushButton* UpdateButton(const QString& name) const;
    QPushButton* ActionButton(const QString& caption) const;
    QScrollArea* ValuesArea() const { return scbCfgPragmaValues; }
    QScrollArea* ButtonsArea() const { return scbCfgPragmaButtons; }
    void UpdateAll();
    void UpdateOne(int row);
    void ShowSql(int row);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    struct RowControls {
        QFrame* xShape = nullptr;
        QLabel* xLblName = nullptr;
        QLabel* xLblUnits = nullptr;
        QComboBox* xCbVal = nullptr;
        QPushButton* xBtnSetSQL = nullptr;
        QPushButton* xBtnUpdate = nullptr;
        QPushButton* xBtnDocs = nullptr;
    };
    void ShowValues();
    void Hover(int row);
    void AfterUpdate(const QString& status);

    WorkspaceController& FCtl;
    PragmaController FPragmas;
    QList<RowControls> FRows;
    QScrollArea* scbCfgPragmaValues = nullptr;
    QScrollArea* scbCfgPragmaButtons = nullptr;
    bool FShowing = false;
};

} // namespace sky::ui
