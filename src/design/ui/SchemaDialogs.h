// The modal dialogs that edit an index, a primary or unique key, a check, a
// foreign key, a trigger and a view. Each shows the statement it composes
// and hands the edited record back only on Accept.
#pragma once

#include "design/DialogModels.h"
#include "design/SchemaLayouts.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace sky {
class TSQLite3Database;
}

namespace sky::ui {

// The column grid shared by the index and key dialogs: Column, Status,
// Collation, Order; the selected row's collation, order and use are edited
// below it, and rows move up and down.
class ColumnGrid : public QWidget {
    Q_OBJECT
public:
    explicit ColumnGrid(QWidget* parent);
    void SetRows(const QList<ColumnRow>& rows);
    QList<ColumnRow> Rows() const { return FRows; }
    QTableWidget* Table() const { return FTable; }
    QComboBox* Collation() const { return FCollate; }
    QCheckBox* Use() const { return FUse; }
    QPushButton* Descending() const { return FDesc; }
    QPushButton* Ascending() const { return FAsc; }
    void MoveSelected(int delta);

Q_SIGNALS:
    void Changed();

private:
    void Show();
    void LoadSelected();
    int Current() const;
    QList<ColumnRow> FRows;
    QTableWidget* FTable;
    QLabel* FColName;
    QComboBox* FCollate;
    QCheckBox* FUse;
    QPushButton* FAsc;
    QPushButton* FDesc;
    bool FLoading = false;
};

class TfrmSKYIdx : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYIdx(QWidget* parent = nullptr);
    bool editIndex(TIndexLayout& ix, const QStringList& columns);
    void Load(const TIndexLayout& ix, const QStringList& columns);
    TIndexLayout Current() const { return curIdx; }
    ColumnGrid* Grid() const { return FGrid; }
    QLineEdit* NameEdit() const { return edtName; }
    QCheckBox* UniqueBox() const { return cbUnique; }
    QLineEdit* WhereEdit() const { return edtWhere; }
    QString Preview() const;

private:
    void Rebuild();
    TIndexLayout curIdx;
    bool FLoading = false;
    QLineEdit *edtName, *edtComment, *edtWhere;
    QCheckBox* cbUnique;
    ColumnGrid* FGrid;
    QPlainTextEdit* memQry;
};

class TfrmSKYPKey : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYPKey(QWidget* parent = nullptr);
    bool editKey(TFKeyLayout& k, const QStringList& columns);
    void Load(const TFKeyLayout& k, const QStringList& columns);
    TFKeyLayout Current() const { return curIdx; }
    ColumnGrid* Grid() const { return FGrid; }
    QCheckBox* PrimaryBox() const { return cbIsPrimary; }
    QComboBox* ConflictBox() const { return cbConflictClause; }
    QString Preview() const;

private:
    void Rebuild();
    TFKeyLayout curIdx;
    bool FLoading = false;
    QLineEdit *edtName, *edtComment;
    QCheckBox* cbIsPrimary;
    QComboBox* cbConflictClause;
    ColumnGrid* FGrid;
    QPlainTextEdit* memQry;
};

class TfrmSKYChk : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYChk(QWidget* parent = nullptr);
    bool editKey(TFKeyLayout& k, const QStringList& columns);
    void Load(const TFKeyLayout& k);
    TFKeyLayout Current() const { return curIdx; }
    QPlainTextEdit* CheckEdit() const { return memCheck; }
    QString Preview() const;

private:
    void Rebuild();
    TFKeyLayout curIdx;
    bool FLoading = false;
    QLineEdit *edtName, *edtComment;
    QPlainTextEdit* memCheck;
    QPlainTextEdit* memQry;
};

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
    QComboBox* DeferMode() const { return cbDeferMode; }
    QString Preview() const;
    // Marks row r used with the parent column (empty: its own name).
    void UseRow(int r, const QString& parentColumn);

private:
    void Rebuild();
    void LoadParentColumns(const QString& parent);
    void ShowRows();
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

class TfrmSKYTrig : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYTrig(QWidget* parent = nullptr);
    bool editTrigger(TTriggerLayout& t, const QStringList& columns);
    void Load(const TTriggerLayout& t, const QStringList& columns);
    TTriggerLayout Current() const { return curTrig; }
    QComboBox* TimingBox() const { return cbTrigTiming; }
    QComboBox* EventBox() const { return cbTrigSensor; }
    QListWidget* FieldList() const { return clbFields; }
    QPlainTextEdit* StatementEdit() const { return memTrigStmt; }
    QLabel* RowKindLabel() const { return lblEachRowKind; }
    QString Preview() const;

private:
    void Rebuild();
    TTriggerLayout curTrig;
    bool FLoading = false;
    QLineEdit *edtName, *edtComment, *edtTrigActionWhen;
    QCheckBox* cbTemp;
    QComboBox *cbTrigTiming, *cbTrigSensor;
    QListWidget* clbFields;
    QPlainTextEdit *memTrigStmt, *memQry;
    QLabel* lblEachRowKind;
};

class TfrmSKYView : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYView(QWidget* parent = nullptr);
    bool editView(TSQLite3Database* db, TViewLayout& v);
    void Load(TSQLite3Database* db, const TViewLayout& v);
    TViewLayout Current() const;
    QPlainTextEdit* SelectEdit() const { return memSelect; }
    QString Preview() const;
    // The create test (and, when asked, the select test); the message shown.
    bool TestView(QString& message);

private:
    void Rebuild();
    TViewLayout curView;
    TSQLite3Database* fDB = nullptr;
    QLineEdit *edtName, *edtComment;
    QCheckBox* cbIsTemp;
    QPlainTextEdit *memSelect, *memQry;
};

// The dialogs, one each for the whole run.
TfrmSKYIdx& frmSKYIdx();
TfrmSKYPKey& frmSKYPKey();
TfrmSKYChk& frmSKYChk();
TfrmSKYFKey& frmSKYFKey();
TfrmSKYTrig& frmSKYTrig();
TfrmSKYView& frmSKYView();

} // namespace sky::ui
