// The view dialog: name, comment, temporary flag and the SELECT text, and
// a test that creates the view inside a transaction that is rolled back.
#pragma once

#include "design/Views.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

namespace sky::ui {

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

// The dialog, one for the whole run.
TfrmSKYView& frmSKYView();

} // namespace sky::ui
