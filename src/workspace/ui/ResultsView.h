// The results grid page: the grid over the workspace's result rows, its
// drawing (NULL dimming, highlights, alignment, the heading row), find, the
// highlighters, sorting and sizing, the results filter panel and the
// column-statistics pop-up. The rules are ResultsGrid's; this renders them.
#pragma once

#include "engine/ResultTable.h"
#include "workspace/ResultsGrid.h"
#include "workspace/WorkspaceController.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QWidget>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QTimer;
class QFrame;

namespace sky::ui {

// The rows of a TResultTable as a table model; row 0 of the grid's rules
// (the headings) is the header, the data rows are the model's rows.
class ResultsModel : public QAbstractTableModel {
public:
    explicit ResultsModel(const TResultTable& table, QObject* parent)
        : QAbstractTableModel(parent), FTable(table) {}
    void Reload() {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& p) const override {
        return p.isValid() ? 0 : FTable.RowCount();
    }
    int columnCount(const QModelIndex& p) const override {
        return p.isValid() ? 0 : FTable.ColumnCount();
    }
    QVariant data(const QModelIndex& i, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    GridView View() const;
    const TResultTable& Table() const { return FTable; }

private:
    const TResultTable& FTable;
};

// Rows the filter hid are left out.
class FilterProxy : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;
    void SetShown(QList<bool> shown) {
        FShown = std::move(shown);
        invalidateFilter();
    }
    bool Filtered() const { return !FShown.isEmpty(); }
    bool RowShown(int sourceRow) const {
        return FShown.isEmpty() || (sourceRow < FShown.size() && FShown[sourceRow]);
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override { return RowShown(row); }

private:
    QList<bool> FShown;
};

class TResultsPage : public QWidget {
    Q_OBJECT
public:
    TResultsPage(WorkspaceController& c, QWidget* parent);
    QTableView* Grid() const { return sgResults; }
    ResultsModel* Model() const { return FModel; }
    FilterProxy* Proxy() const { return FProxy; }
    // After a load: sizes the columns, re-applies or closes the filter.
    void Loaded();
    void Repaint();
    void AutoSize(const SizeMode& m);
    // Find: asks for the text; FindNext from the current row.
    void Find();
    bool FindNext();
    void ClearFind();
    void SetHighlighter(int n);
    void ClearHighlighters();
    void Sort(int column, SortKind kind);
    // The filter panel.
    void SetFilterOpen(bool open);
    bool FilterOpen() const { return FFilterOpen; }
    void SetFilterSpec(const QString& filterText);
    void SetFilterSwitch(bool on);
    void SetFilterInvert(bool on);
    void RunFilter();
    QString FilterSql() const { return FFilterSql; }
    QPushButton* FilterSqlButton() const { return btnFilterSQL; }
    // The context menu of a cell.
    void BuildMenu(QMenu& m, int row, int col);
    // Its copy, save and action parts (ResultsMenus.cpp; row 0-based, -1
    // none), also in the window's "Results" menu.
    void AddCopyMenus(QMenu& m, int row, int col);
    void AddSaveMenu(QMenu& m, const QString& caption, const char* name);
    void AddCellActions(QMenu& m, int row, int col);
    // A cell action on the current cell (Enter, double-click, Delete).
    void CellCommand(CellAction action);
    // The current cell's data row and column (-1 none).
    int CurrentRow() const;
    int CurrentColumn() const;
    const TMenuRes& MenuRes() const { return fMenuRes; }
    QString FindText() const { return fFind; }
    // The column-statistics pop-up of a grid column (shown now).
    void ShowColumnPopUp(int col);
    // Hides the pop-up and ends hovering (a page change, the window's start).
    void HideColumnPopUp();
    QFrame* ColumnPopUp() const { return pnlColPopUp; }

Q_SIGNALS:
    void AddFilterAsSql(const QString& condition);
    // Before (true) and after (false) an action that may write the editor.
    void EditorWanted(bool before);
    // "Show full Table-Menu": the tree's menu of the current table.
    void TableMenuWanted();
    // "Open in Pop-Out" of the results.
    void PopOutWanted();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void BuildFilterPanel(QHBoxLayout* h);
    void BuildColumnPopUp();
    void AddViewOptions(QMenu& m);
    void AddCreateFromResults(QMenu& m);
    void ApplyFilterNow();
    WorkspaceController& FCtl;
    ResultsModel* FModel;
    FilterProxy* FProxy;
    QTableView* sgResults;
    QWidget* pnlResultsFilter;
    QPushButton *btnFilterShowHide, *btnFilterSQL;
    QLineEdit* edtFilterSpec;
    QCheckBox *chkFilterSwitch, *chkFilterNOT;
    QLabel *lblFilterExplain, *lblFilterHeaderSQL;
    QFrame* pnlColPopUp;
    QLabel* FPopUpText;
    QTimer *FFilterTimer, *tmrColPU;
    TMenuRes fMenuRes;
    QString fFind;
    QString FFilterSql;
    bool FFilterOpen = false;
    bool FReloading = false; // the rows are replaced: the current row stays remembered
    int fFilterWaiting = 0;
    int fPUHoverIdx = -1, fPUHoverCount = 0, fPUPoppedIdx = -1;
    void StartHover(int col);
    QRect fPUStayUpArea;
    friend class ResultsDelegate;
};

} // namespace sky::ui
