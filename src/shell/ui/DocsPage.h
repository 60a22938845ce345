// The SQL documentation page of the overview and of every workspace: the
// statement list with "Open", the documentation search, the link buttons
// and "  About Skylark".
#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace sky::ui {

class TDocsPage : public QWidget {
public:
    // lettersOnly: the search keeps only ASCII letters, digits and spaces.
    TDocsPage(QWidget* parent, bool lettersOnly);
    QComboBox* Statements() const { return cbDocsSQLItem; }
    QLineEdit* SearchBox() const { return edtDocsSearch; }
    // The panel of the link buttons.
    QWidget* Links() const { return FLinks; }
    // Opens the chosen statement's page.
    void OpenStatement();

private:
    QComboBox* cbDocsSQLItem;
    QLineEdit* edtDocsSearch;
    QWidget* FLinks;
};

} // namespace sky::ui
