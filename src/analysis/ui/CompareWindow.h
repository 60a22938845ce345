// The table compare window (TfrmSKYComp): the layout grid of two tables, the
// data differences with a row detail and the fix requests, and the fixes
// page that applies them. One window serves the whole program; closing
// hides it. The comparison itself is TableCompare's. The window holds the
// workspace's connection only while its owner lives.
#pragma once

#include "analysis/TableCompare.h"

#include <QPointer>
#include <QWidget>

class QButtonGroup;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableWidget;
class QsciScintilla;

namespace sky {
class Prompter;
class ClipboardPort;
} // namespace sky

namespace sky::ui {

class TfrmSKYComp : public QWidget {
    Q_OBJECT
public:
    explicit TfrmSKYComp(Prompter* prompts = nullptr, ClipboardPort* clipboard = nullptr);
    ~TfrmSKYComp() override;

    // Compares two tables of db (owner: what holds the connection; once it
    // is gone the window's commands answer "Null DB Reference").
    bool compare(TSQLite3Database* db, const QString& tbl1, const QString& tbl2,
                 QObject* owner = nullptr);
    QString lastError() const { return FCmp.lastError; }

    // The commands.
    bool DataComparison();
    void RequestFix(int tag);
    void ApplyFixes();
    void SetViewStyle(int style); // 0 differing only, 1 + left table, 2 all

    // Parts the tests reach.
    QTabWidget* Pages() const { return FPages; }
    QTableWidget* LayoutGrid() const { return sgTableComp; }
    QTableWidget* DataGrid() const { return sgDataComp; }
    QTableWidget* RowGrid() const { return sgRowData; }
    QListWidget* Fixes() const { return lbFixes; }
    QsciScintilla* FixSql() const { return memFixSQL; }
    QPushButton* FixButton(int tag) const { return FFixButtons[tag]; }
    const sky::DataComparison& Data() const { return FData; }
    QLabel* Label(const char* name) const;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QWidget* BuildLayoutPage();
    QWidget* BuildDataPage();
    QWidget* BuildFixesPage();
    void ShowLayout();
    void FillDataGrid();
    void ApplyViewStyle();
    void ShowRowDetail();
    void SetFixButtons();
    void RebuildScript();
    void ShowHelp(QWidget* anchor, int which);
    bool Connected();

    Prompter& FPrompts;
    ClipboardPort& FClipboard;
    TableCompare FCmp;
    sky::DataComparison FData;
    FixList FFixList;
    QPointer<QObject> FOwner;
    bool FHasOwner = false;
    bool fRowUpdating = true;

    QTabWidget* FPages = nullptr;
    QWidget* tsLayout = nullptr;
    QWidget* tsData = nullptr;
    QWidget* tsFixes = nullptr;
    QTableWidget* sgTableComp = nullptr;
    QTableWidget* sgDataComp = nullptr;
    QTableWidget* sgRowData = nullptr;
    QListWidget* lbFixes = nullptr;
    QsciScintilla* memFixSQL = nullptr;
    QPushButton* btnDataComp = nullptr;
    QPushButton* FFixButtons[4] = {};
    QButtonGroup* rgViewStyle = nullptr;
    QComboBox* cbViewField = nullptr;
    QFrame* pnlHelp = nullptr;
    QLabel* lblHelpHeader = nullptr;
    QLabel* lblHelp = nullptr;
    QList<QWidget*> FHelpAnchors;
};

// The program's one compare window, created on first use.
TfrmSKYComp& frmSKYComp();

} // namespace sky::ui
