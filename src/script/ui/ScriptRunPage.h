// The script window's "Run" page: the parameter list, the run options and
// the statistics panel, with the Run, Run to End and Stop buttons.
#pragma once

#include "script/ScriptEditorController.h"

#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace sky::ui {

class TScriptRunPage : public QWidget {
    Q_OBJECT
public:
    TScriptRunPage(ScriptEditorController& c, QWidget* parent);
    // The controls from the controller's settings and parameters.
    void Render();
    void RenderStats();
    // The controls into the controller's settings.
    void ReadOptions();
    QPushButton* RunButton() const { return btnScriptRun; }
    QPushButton* StopButton() const { return btnRunStop; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    ScriptEditorController& FCtl;
    bool FShowing = false;
    QLabel* lblParamCount = nullptr;
    QPushButton *btnScriptRun = nullptr, *btnRunToEnd = nullptr, *btnRunStop = nullptr;
    QTableWidget* vlstScriptParams = nullptr;
    QButtonGroup *rgScriptRunMode = nullptr, *rgScriptEndMode = nullptr, *rgStatsLogKind = nullptr;
    QCheckBox *chkScriptShortQueries = nullptr, *chkScriptShowBlobs = nullptr;
    QSpinBox *seMaxColWidth = nullptr, *seBufferLines = nullptr, *sePadding = nullptr;
    QComboBox *cbResultSeparator = nullptr, *cbResultHeaderDivider = nullptr;
    QList<QLabel*> FStatLabels;
    QFrame* pnlHelp = nullptr;
    QLabel *lblHelpHeader = nullptr, *lblHelp = nullptr, *imgHelpParams = nullptr;
};

} // namespace sky::ui
