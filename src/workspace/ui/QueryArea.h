// The workspace's query area: the run buttons (Previous, Next, Clear, Run,
// Explain, Query Plan, Query Selected, Query to File), the SQL editor with
// its keys (F5, F6, comments, the stack steps), the help image and the
// status line. The editor mirrors WorkspaceController's editor state; the
// runs and the commands are the controller's.
#pragma once

#include "shell/ui/SqlEditorTheme.h"
#include "workspace/QueryRun.h"

#include <QWidget>

class QKeyEvent;
class QLabel;
class QPushButton;
class QsciScintilla;

namespace sky {
class WorkspaceController;
}

namespace sky::ui {

class TQueryArea : public QWidget {
    Q_OBJECT
public:
    TQueryArea(WorkspaceController& c, QWidget* parent);
    QsciScintilla* Editor() const { return memQry; }
    QLabel* Status() const { return lblStatus; }
    // The "?" image whose help the window shows while the pointer rests on it.
    QLabel* HelpImage() const { return imgHelpQueryEditor; }
    QPushButton* RunButton(RunMode mode) const;
    QPushButton* QueryToFileButton() const { return btnQryToFile; }
    // Runs the editor text in a run mode.
    void RunQuery(RunMode mode);
    // Previous (-1) / Next (+1) through the query-text stack.
    void StepStack(int step);
    // "Clear": the text onto the stack, the editor emptied; with paste the
    // clipboard's text in its place.
    void ClearQuery(bool paste);
    // The editor emptied (undoably), the stack left alone.
    void EmptyEditor();
    void ShowGutter(bool on);
    // Bookmark 5 on a line (a click on the gutter).
    void SetGutterBookmark(int line);
    void SetWordWrap(bool on);
    // The editor into the controller's state, and back.
    void ReadEditor();
    void RenderEditor();
    void RenderStack();
    void RenderStatus();

Q_SIGNALS:
    // The caret moved where the context help may have changed.
    void CaretMoved();
    // Ctrl+K, Ctrl+[ or Ctrl+]: a calculator value for the selection.
    void CalculatorWanted();
    // One of the "+" buttons: a new table from the clipboard or a file.
    void ImportWanted(const QString& action);

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void LabelGutter();
    bool FGutter = false;
    int FGutterLines = -1;
    void BuildButtons();
    void ConnectButtons();
    bool EditorKey(QKeyEvent* k);

    WorkspaceController& FCtl;
    QsciScintilla* memQry;
    QLabel *lblStatus, *imgHelpQueryEditor;
    QPushButton *btnQry, *btnExplain, *btnQryPlan, *btnQrySelected, *btnQryToFile;
    QPushButton *btnQryHistPrev, *btnQryHistNext, *btnClrQry;
    QPushButton *btnCSVPasteImport, *btnCSVFullImport, *btnFileFullImport;
    bool FSyncing = false;
};

} // namespace sky::ui
