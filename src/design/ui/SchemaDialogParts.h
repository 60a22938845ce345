// What the schema dialogs share: the column grid of the index and key
// dialogs, the read-only statement preview, the Accept/Cancel row with its
// documentation button, and the conflict-resolution choices. Each dialog
// keeps a working copy of its record and hands it back only on Accept.
#pragma once

#include "design/DialogModels.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QDialog;
class QHBoxLayout;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QsciScintilla;

namespace sky {
class CompletionModel;
class TSQLite3Database;
} // namespace sky

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

// The read-only statement preview (memQry).
QPlainTextEdit* PreviewBox(QWidget* parent);
// Accept and Cancel, and a documentation button opening a page of the
// engine's documentation.
QHBoxLayout* DialogButtons(QDialog* d, const QString& docCaption, const char* url);
// The completion vocabulary of the workspace holding db while it lives,
// else the built-in one.
const CompletionModel* CompletionOf(const TSQLite3Database* db);
// The completion pop-up of an SQL editor in a window opened on a workspace's
// connection (db() gives it, it may change): that workspace's vocabulary.
void AttachCompletion(QsciScintilla* editor, std::function<const TSQLite3Database*()> db, int rows);
// The editor highlights the table names of db's vocabulary.
void ShowCompletionTableNames(QsciScintilla* editor, const TSQLite3Database* db);

// The conflict-resolution choices, in the order of the conflict table.
QComboBox* ConflictChoices(QWidget* parent);

} // namespace sky::ui
