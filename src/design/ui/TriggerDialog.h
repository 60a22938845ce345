// The trigger dialog: name, timing, event (with the columns of UPDATE OF),
// condition, the statements and a comment.
#pragma once

#include "design/IndexTrigger.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace sky::ui {

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

// The dialog, one for the whole run.
TfrmSKYTrig& frmSKYTrig();

} // namespace sky::ui
