// The trigger dialog: name, timing, event (with the columns of UPDATE OF),
// condition, the statements and a comment.
#pragma once

#include "design/IndexTrigger.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QsciScintilla;

namespace sky {
class TSQLite3Database;
struct ConnectionHandle;
} // namespace sky

namespace sky::ui {

class TfrmSKYTrig : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYTrig(QWidget* parent = nullptr);
    bool editTrigger(TTriggerLayout& t, const QStringList& columns);
    void Load(const TTriggerLayout& t, const QStringList& columns);
    // The connection the trigger is edited on: the statement editor completes
    // from its workspace's vocabulary and highlights its tables.
    void SetDatabase(const TSQLite3Database* db);
    TTriggerLayout Current() const { return curTrig; }
    QComboBox* TimingBox() const { return cbTrigTiming; }
    QComboBox* EventBox() const { return cbTrigSensor; }
    QListWidget* FieldList() const { return clbFields; }
    QsciScintilla* StatementEdit() const { return memTrigStmt; }
    QLabel* RowKindLabel() const { return lblEachRowKind; }
    QString Preview() const;

private:
    void Rebuild();
    TTriggerLayout curTrig;
    bool FLoading = false;
    // The workspace's connection, held weakly: once it closes, the built-in
    // vocabulary (a later connection at the same address is not this one).
    std::weak_ptr<ConnectionHandle> FConnection;
    const TSQLite3Database* Database() const;
    QLineEdit *edtName, *edtComment, *edtTrigActionWhen;
    QCheckBox* cbTemp;
    QComboBox *cbTrigTiming, *cbTrigSensor;
    QListWidget* clbFields;
    QsciScintilla* memTrigStmt;
    QPlainTextEdit* memQry;
    QLabel* lblEachRowKind;
    QFormLayout* form;
};

// The dialog, one for the whole run.
TfrmSKYTrig& frmSKYTrig();

} // namespace sky::ui
