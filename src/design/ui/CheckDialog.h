// The check constraint dialog: name, comment and the expression.
#pragma once

#include "design/Constraints.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;

namespace sky::ui {

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

// The dialog, one for the whole run.
TfrmSKYChk& frmSKYChk();

} // namespace sky::ui
