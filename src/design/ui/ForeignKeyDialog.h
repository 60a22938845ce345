// The foreign key dialog: the parent table and its columns, the own
// columns that refer to them, the actions, the defer mode and whether the
// key is written as a table constraint.
#pragma once

#include "design/DialogModels.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QTableWidget;

namespace sky {
class TSQLite3Database;
}

namespace sky::ui {

class TfrmSKYFKey : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYFKey(QWidget* parent = nullptr);
    bool editFKey(TFKeyLayout& k, TSQLite3Database* db, const QStringList& columns,
                  const QString& ownTable);
    void Load(const TFKeyLayout& k, TSQLite3Database* db, const QStringList& columns,
              const QString& ownTable);
    TFKeyLayout Current() const { return curFKey; }
    QComboBox* ParentBox() const { return edtParent; }
    QComboBox* ParentKeyBox() const { return cbParentKey; }
    QTableWidget* Table() const { return FTable; }
    QComboBox* DeleteAction() const { return cbActionDelete; }
    QComboBox* DeferModeBox() const { return cbDeferMode; }
    QString Preview() const;
    // Marks row r used with the parent column (empty: its reference, else its own name).
    void UseRow(int r, const QString& parentColumn);

private:
    void Rebuild();
    void LoadParentColumns(const QString& parent);
    void ShowRows();
    FKeyChoices Choices() const;
    TFKeyLayout curFKey;
    TSQLite3Database* FDb = nullptr;
    QList<ColumnRow> FRows;
    QString FLastParent;
    bool FLoading = false;
    QLineEdit *edtName, *edtComment;
    QComboBox *edtParent, *cbParentKey, *cbActionUpdate, *cbActionDelete, *cbDeferMode;
    QCheckBox *cbDeferInitially, *cbIsTableConstraint, *cbUse;
    QTableWidget* FTable;
    QPlainTextEdit* memQry;
};

// The dialog, one for the whole run.
TfrmSKYFKey& frmSKYFKey();

} // namespace sky::ui
