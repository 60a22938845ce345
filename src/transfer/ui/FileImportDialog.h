// The file import window (TfrmSKYFileImp): the file's preview in a sheet with
// three header rows, the encoding and code boxes, the options, the
// destination and Accept. The state and every rule are FileImportController's.
#pragma once

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace sky {
class FileImportController;
class TSQLite3Database;
} // namespace sky

namespace sky::ui {

class TfrmSKYFileImp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYFileImp(QWidget* parent = nullptr);
    ~TfrmSKYFileImp() override;

    // The file into a new table of db (or a new CSV file): true with the
    // created table's name; otherwise false with the message.
    bool ImportFromFile(TSQLite3Database* db, const QString& file, QString& message,
                        QString& tableName);

    // For tests: the controller while the window runs, and its parts.
    FileImportController* Controller() const { return FCtl.get(); }
    QTableWidget* Sheet() const { return sgData; }
    QComboBox* SeparatorBox() const { return cbCfgColSep; }
    QPushButton* AcceptButton() const { return btnAccept; }
    QLabel* ErrorLabel() const { return lblError; }
    void Render();
    bool Accept();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Build();
    void ChooseColumn(int col);
    std::unique_ptr<FileImportController> FCtl;
    QLineEdit *edtTableName, *edtMaxImportRows, *edtColName;
    QLabel *lblTableNameError, *lblError, *lblHelp;
    QComboBox *cbEncoding, *cbCfgColSep, *cbCfgEOLSep, *cbCfgQuoteChar, *cbColType;
    QCheckBox *cbCfgDoubleSep, *cbCfgUseQuotes, *cbCfgUseDataHeader, *cbCfgKeepWhitespace;
    QRadioButton *rbDatabase, *rbCsvFile;
    QPushButton *btnAccept, *btnCancel, *btnEstimate, *btnFind, *btnResetNames, *btnReanalyse;
    QTableWidget* sgData;
    int FCol = -1;
    bool FRendering = false;
};

} // namespace sky::ui
