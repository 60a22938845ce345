// The primary and unique key dialog: the key's columns with their
// collation and order, its name, comment and conflict resolution.
#pragma once

#include "design/Constraints.h"
#include "design/ui/SchemaDialogParts.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace sky::ui {

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

// The dialog, one for the whole run.
TfrmSKYPKey& frmSKYPKey();

} // namespace sky::ui
