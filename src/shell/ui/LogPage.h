// The overview's "  SQLite Log  " page: the system log's lines as they come,
// the log mode, and saving or clearing what is shown.
#pragma once

#include <QWidget>

class QComboBox;
class QPlainTextEdit;

namespace sky {
class FileChooser;
}

namespace sky::ui {

class TLogPage : public QWidget {
    Q_OBJECT
public:
    TLogPage(FileChooser& files, QWidget* parent);
    // The log lines written since the last call appended.
    void Refresh();
    // The log mode (0 service only, 1 all errors, 2 verbose): shown, applied.
    void ShowLevel(int level);
    int Level() const;

private:
    void SaveToFile();

    FileChooser& FChooser;
    QPlainTextEdit* memLog;
    QComboBox* rgLogKind;
};

} // namespace sky::ui
