// The workspace's "Edit Data" page (tsEdit): the header with the table
// button and the WHERE box, the grid of the rows (a QTableView over the
// editor's model) with the row buttons, and the edit-script editor with its
// buttons; rendered from WorkspaceController's data editor state. Edits,
// choices and every button go to the controller.
#pragma once

#include "workspace/WorkspaceController.h"

#include <QAbstractTableModel>
#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QToolButton;
class QsciScintilla;

namespace sky::ui {

// The grid's rows as the editor holds them: headings the column names, the
// row labels ("1", "New", "Deleted") in the vertical header; changed cells
// bold, new rows italic, deleted rows struck out.
class DataEditorGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DataEditorGridModel(WorkspaceController& c, QObject* parent);
    int rowCount(const QModelIndex& parent) const override;
    int columnCount(const QModelIndex& parent) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // The rows read afresh, or their texts and labels repainted.
    void Reset();
    void Refresh();

private:
    WorkspaceController& FCtl;
};

class TDataEditorPage : public QWidget {
    Q_OBJECT
public:
    TDataEditorPage(WorkspaceController& c, QWidget* parent);
    QTableView* Grid() const { return sgEditor; }
    QsciScintilla* Script() const { return memEditScript; }
    QLabel* HelpImage() const { return imgHelpValueEditor; }
    QComboBox* Where() const { return edtEditorWhere; }
    void Render();

private:
    QWidget* BuildHeader();
    QWidget* BuildGrid();
    QWidget* BuildScript();
    void RenderHeader();
    void RenderScript();
    void SizeColumns();
    // The script editor's text into the controller.
    void ReadScript();

    WorkspaceController& FCtl;
    DataEditorGridModel* FModel;
    bool FRendering = false;
    int FLoads = -1;
    int FRows = -1;
    QWidget *pnlEditHdr, *pnlEditor;
    QPushButton *btnEditorSelectTable, *btnEditorRefresh;
    QLabel *lblEditorTableName, *imgHelpValueEditor, *lblEditorLoading, *lblEditorInvalid;
    QComboBox* edtEditorWhere;
    QToolButton *btnEditorAddRecord, *btnEditorDeleteLine, *btnEditorResetLine, *btnEditorCopyGrid;
    QTableView* sgEditor;
    QsciScintilla* memEditScript;
    QPushButton *btnEditorClear, *btnEditorCopy, *btnEditorCommit;
};

} // namespace sky::ui
