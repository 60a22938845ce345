// The overview's "  Search  " page: database files in folders, tables and
// table objects inside database files, the search boxes with their
// histories, the help label and the result list with its open and add
// buttons. The searches are shell/Search's; the list commands
// OverviewController's.
#pragma once

#include <QStringList>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace sky {
class FileChooser;
class OverviewController;
struct OverviewSettings;
} // namespace sky

namespace sky::ui {

class EntryDelegate;

class TSearchPage : public QWidget {
    Q_OBJECT
public:
    TSearchPage(OverviewController& c, FileChooser& files, QWidget* parent);
    QListWidget* Results() const { return lbSearchResult; }
    // The search fields as stored.
    void ShowSettings(const OverviewSettings& s);
    void ReadSettings(OverviewSettings& s) const;
    // The results' status and open marks follow the controller's.
    void RefreshResults();
    // The results are drawn expanded while the file pane is collapsed.
    void SetPaneExpanded(bool paneExpanded);
    // The first start's search: a folder to search in, the files search a
    // moment later.
    void StartFirstSearch();
    void FindFiles();
    void FindTables(bool inDefinitions);

Q_SIGNALS:
    void ToggleExpanded();

private:
    void AddSearchLines(const QStringList& lines);
    void AddSearchLines(const QString& line);
    void ShowSearchLocation();
    void ShowSearchHelp();
    QStringList SearchLines() const;
    QWidget* BuildFilesTab();
    void BuildResults(QVBoxLayout* page);
    void ConnectSearches();

    OverviewController& FCtl;
    FileChooser& FChooser;
    QComboBox *edtSearchDBText, *edtSearchTableSearch, *edtSearchFieldSearch;
    QLineEdit* edtSearchDBFolder;
    QCheckBox *chkSearchDBInSpecified, *chkSearchDBSubFolders;
    QTabWidget* pgcSearch;
    QPushButton *btnSearchDBGo, *btnSearchTableGo, *btnSearchFieldGo, *btnSearchDBBrowse;
    QPushButton *btnSearchExpand, *btnOpen, *btnAdd, *btnAddAll;
    QComboBox *rgSearchLookIn1, *rgSearchLookIn2;
    QLabel *lblSearchLocation, *lblSearchProjectFolders, *lblSearchH1;
    bool FSearchHelpOpen = false;
    QListWidget* lbSearchResult;
    EntryDelegate* FDrawing;
};

} // namespace sky::ui
