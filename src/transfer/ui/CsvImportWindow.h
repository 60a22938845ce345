// The CSV import window "Table Data  -  Edit & Import": the sheet (its five
// header rows frozen above the data), the table name with its error label,
// the selected column's editors, the error label, Reset, Accept and Cancel,
// the help panel and the pop-up menu. Every event goes to the controller
// (CsvImportController); the window renders what it holds. It is the
// program's CsvImportView: the sheet is filled 200 ms after the window is
// shown, and long steps run under the shared progress dialog.
#pragma once

#include "transfer/CsvImportController.h"

#include <QDialog>
#include <memory>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;

namespace sky::ui {

class CsvSheetModel;

class TfrmSKYCSVImp : public QDialog, public CsvImportView {
    Q_OBJECT
public:
    explicit TfrmSKYCSVImp(QWidget* parent = nullptr);
    ~TfrmSKYCSVImp() override;

    // The import of CSV text into a new table of db: true, with the created
    // table's name in tableName, when the user accepted and it was imported.
    bool EditCSVList(TSQLite3Database* db, const QString& csvText, QString& error,
                     QString& tableName, const QString& replaceTable = {});

    // CsvImportView
    bool RunImportWindow(CsvImportController& ctl) override;
    ProgressSink* StartProgress(const QString& title, bool canCancel) override;
    void EndProgress(ProgressSink* p) override;

    // For tests: the controller while the window runs, and its parts.
    CsvImportController* Controller() const { return FCtl; }
    QTableView* HeadView() const { return sgHead; }
    QTableView* DataView() const { return sgData; }
    QLineEdit* NameEdit() const { return edtTableName; }
    QLabel* NameErrorLabel() const { return lblTableNameError; }
    QLabel* ErrorLabel() const { return lblError; }
    QPushButton* AcceptButton() const { return btnAccept; }
    QPushButton* CancelButton() const { return btnCancel; }
    QMenu* GridMenuWidget() const { return puGrid; }
    // Renders the whole window from the controller.
    void Render();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildNameBar();
    QWidget* BuildSheet();
    QWidget* BuildEditors();
    QWidget* BuildButtons();
    void BuildHelp();
    void ConnectEditors();
    void Fill();
    void RenderEditors();
    void SizeColumns();
    // The header view shows exactly its five rows.
    void FitHeadHeight();
    void SheetMenu(const QPoint& at);
    void RunCommand(GridCommand command, int arg);
    void ShowHelp(CsvHelp topic);
    // The sheet and its editors disabled while a long step runs.
    void SetBusy(bool busy);
    // Scrolls the data by the wheel's rule: 5 rows, 1 with Shift, a page with Ctrl.
    bool Wheel(QEvent* event);

    class Ports;
    std::unique_ptr<Ports> FPorts;
    CsvImportController* FCtl = nullptr;
    bool fEditMode = false;    // the editors are being filled: their events are ignored
    bool FFillPending = false; // the sheet is filled once the window shows

    CsvSheetModel* FHeadModel = nullptr;
    CsvSheetModel* FDataModel = nullptr;
    QLineEdit* edtTableName = nullptr;
    QLabel* lblTableNameError = nullptr;
    QTableView* sgHead = nullptr;
    QTableView* sgData = nullptr;
    QLabel *lblColumn = nullptr, *lblColProps = nullptr, *lblError = nullptr;
    QLineEdit* edtColName = nullptr;
    QComboBox *cbType = nullptr, *cbConstraint = nullptr;
    QPushButton *btnRefreshConstraints = nullptr, *btnAccept = nullptr, *btnCancel = nullptr,
                *btnResetData = nullptr;
    // Around Accept: hovering a disabled Accept shows the error help.
    QWidget* FAcceptArea = nullptr;
    QLabel *imgHelpData = nullptr, *imgHelpColumn = nullptr, *imgHelpLegend = nullptr,
           *imgHelpCreate = nullptr;
    QFrame* pnlHelp = nullptr;
    QLabel *lblHelpHeader = nullptr, *lblHelpText = nullptr;
    QList<QWidget*> FHelpWidgets;
    QList<CsvHelp> FHelpOf;
    QMenu* puGrid = nullptr;
};

// The window, one for the whole run.
TfrmSKYCSVImp& frmSKYCSVImp();

} // namespace sky::ui
