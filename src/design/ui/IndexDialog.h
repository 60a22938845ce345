// The index dialog: name, comment, uniqueness, the columns and expressions
// with their collation and order, and a partial-index condition.
#pragma once

#include "design/IndexTrigger.h"
#include "design/ui/SchemaDialogParts.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace sky::ui {

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

// The dialog, one for the whole run.
TfrmSKYIdx& frmSKYIdx();

} // namespace sky::ui
