// The table designer window: the sheet of columns, constraints, indexes and
// triggers, the editors of the selected column, the table options, the
// script view and the pop-up menu. Every event goes to the controller
// (TableDesignerController); the window renders what it holds. It is the
// program's TableDesignerPort and opens the schema dialogs for it.
#pragma once

#include "design/TableDesigner.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;
class QToolBar;
class QAction;
class QsciScintilla;

namespace sky::ui {

class TfrmSKYTblDesign : public QDialog, public TableDesignerPort {
    Q_OBJECT
public:
    explicit TfrmSKYTblDesign(QWidget* parent = nullptr);
    ~TfrmSKYTblDesign() override;

    bool GetDesignerTableLayout(TTableLayout& layout, TSQLite3Database* db,
                                bool allowTemplates) override;
    // Loads a design without showing it (GetDesignerTableLayout shows it).
    void Load(const TTableLayout& layout, TSQLite3Database* db, bool allowTemplates);

    TableDesignerController& Controller() { return *FCtl; }
    QTableWidget* Sheet() const { return sgTable; }
    QLineEdit* NameEdit() const { return edtTableName; }
    QCheckBox* PrimaryKeyBox() const { return cbPrimaryKey; }
    QPushButton* AcceptButton() const { return btnAccept; }
    QPushButton* CancelButton() const { return btnCancel; }
    QAction* AddColumnAction() const { return actAddColumn; }
    QAction* RemoveColumnAction() const { return actRemoveColumn; }
    QsciScintilla* ScriptView() const { return memSQL; }
    QLabel* DependantsLabel() const { return lblDependantsWarn; }
    QMenu* PopupMenu() const { return puTableDesign; }
    // Renders the whole window from the controller.
    void Render();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildTableBar();
    QWidget* BuildEditors();
    QWidget* BuildScriptPane();
    void BuildToolbar();
    void BuildHelp();
    void ConnectEditors();
    void RenderSheet();
    void RenderEditors();
    void RenderName();
    void RenderScript();
    void RenderMenu();
    // Runs a controller command, then renders (unless the window is filling controls).
    template <typename F> void Edit(F f);
    void ShowHelp(HelpTopic topic);
    void SheetMenu(const QPoint& at);

    class Ports;
    std::unique_ptr<Ports> FPorts;
    std::unique_ptr<TableDesignerController> FCtl;
    bool fEditActive = false;
    int FShownCol = -1;       // the column the editors show
    QList<HelpTopic> FHelpOf; // per help-trigger widget, in FHelpWidgets order
    QList<QWidget*> FHelpWidgets;

    QLineEdit* edtTableName;
    QComboBox *cbTemplate, *cbVirtualType;
    QPushButton* btnTemplate;
    QCheckBox *cbTableCreateAsTemp, *cbTableCreateIfNotExist, *cbTableCreateDropped,
        *cbTableWithoutRowID, *cbIsVirtual;
    QToolBar* tbDesign;
    QAction *actAddColumn, *actInsertColumn, *actDuplicate, *actRemoveColumn, *actEditEntry,
        *actRemoveEntry, *actTest, *actCopy, *actDoc;
    QList<QAction*> FAddActions; // primary, unique, check, foreign key, index, trigger
    QTableWidget* sgTable;
    QLineEdit *edtColName, *edtColComment;
    QComboBox *cbType, *cbFieldSpec, *cbCollation, *cbDefault, *cbCheck, *cbConflictClause;
    QCheckBox *cbPrimaryKey, *cbPKAscending, *cbPKAutoIncrement, *cbAllowNull, *cbUnique;
    QLabel *lblColumn, *lblColDuplicate, *lblColForeignKey, *lblDependantsWarn, *lblTestNote;
    QPushButton *btnFKeyCol, *btnLegend, *btnDocumentation, *btnAccept, *btnCancel;
    QsciScintilla* memSQL;
    QFrame* pnlHelp;
    QLabel *lblHelpHeader, *lblHelpText;
    QLabel *imgHelpTable, *imgHelpColumn, *imgHelpVirtual;
    QMenu* puTableDesign;
};

// The window, one for the whole run.
TfrmSKYTblDesign& frmSKYTblDesign();

// The schema dialogs (index, trigger, key, check, foreign key) for the
// designer and the table page.
DesignerDialogs& schemaDialogs();

} // namespace sky::ui
