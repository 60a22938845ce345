// The highlighting options window (TfrmSKYSQLHilite): a sample script in the
// SQL highlighting's default colours, with the table names main, sub1 and
// sub2, a gutter numbering line 1 and every fifth line, bookmark 5 set by a
// click in it, and the completion pop-up on the sample.
#pragma once

#include <QDialog>

class QsciScintilla;

namespace sky::ui {

class TfrmSKYSQLHilite : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSKYSQLHilite(QWidget* parent = nullptr);
    QsciScintilla* Sample() const { return SynEdit1; }
    // The gutter's text of a line (0-based): its number or ".".
    static QString GutterText(int line);
    // The line bookmark 5 is on, or -1.
    int BookmarkLine() const;
    void ClickGutter(int line);

private:
    void NumberGutter();
    QsciScintilla* SynEdit1 = nullptr;
};

} // namespace sky::ui
