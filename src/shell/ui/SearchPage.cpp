#include "shell/ui/SearchPage.h"

#include "shell/Overview.h"
#include "shell/Search.h"
#include "shell/ui/EntryDelegate.h"
#include "support/Prompter.h"
#include "support/PulseCall.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

const QString kFindingFiles = QStringLiteral("Finding files, please wait...");
const QString kFindingTables = QStringLiteral("Finding Tables, please wait...");
const QString kFindingObjects = QStringLiteral("Finding Table objects, please wait...");
const QString kChecking = QStringLiteral("Checking validity...");
const QString kFindingComplete = QStringLiteral("Finding Complete.");
const QString kReadFailures = QStringLiteral("Failed to read some files (see above)... ");

// Runs a function when the watched widget is clicked.
class ClickFilter : public QObject {
public:
    ClickFilter(QWidget* w, std::function<void()> fn) : QObject(w), FFn(std::move(fn)) {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease) FFn();
        return false;
    }

private:
    std::function<void()> FFn;
};

// Runs a function on Enter in the watched widget (the key is consumed).
class EnterFilter : public QObject {
public:
    EnterFilter(QWidget* w, std::function<void()> fn) : QObject(w), FFn(std::move(fn)) {
        w->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const int k = static_cast<QKeyEvent*>(e)->key();
        if (k != Qt::Key_Return && k != Qt::Key_Enter) return false;
        FFn();
        return true;
    }

private:
    std::function<void()> FFn;
};

QComboBox* LookInBox(QWidget* parent) {
    auto* c = new QComboBox(parent);
    c->addItems({QStringLiteral("  this Project (Databases on the left)"),
                 QStringLiteral("  results from previous searches (below)"),
                 QStringLiteral("  both")});
    c->setCurrentIndex(2);
    return c;
}

QHBoxLayout* Row(QWidget* a, QWidget* b) {
    auto* h = new QHBoxLayout;
    h->addWidget(a, 1);
    h->addWidget(b);
    return h;
}

// The text of a search box after the history step: trimmed, at the top of
// the box's list.
QString TakeSearchText(QComboBox* box) {
    const QString text = box->currentText().trimmed();
    QStringList history;
    for (int i = 0; i < box->count(); ++i)
        history << box->itemText(i);
    PushSearchHistory(history, text);
    box->clear();
    box->addItems(history);
    box->setEditText(text);
    return text;
}

} // namespace

TSearchPage::TSearchPage(OverviewController& c, FileChooser& files, QWidget* parent)
    : QWidget(parent), FCtl(c), FChooser(files) {
    auto* v = new QVBoxLayout(this);
    pgcSearch = new QTabWidget(this);
    pgcSearch->setObjectName(QStringLiteral("pgcSearch"));
    edtSearchDBText = new QComboBox(this);
    edtSearchTableSearch = new QComboBox(this);
    edtSearchFieldSearch = new QComboBox(this);
    for (QComboBox* box : {edtSearchDBText, edtSearchTableSearch, edtSearchFieldSearch}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    edtSearchDBText->setObjectName(QStringLiteral("edtSearchDBText"));
    edtSearchTableSearch->setObjectName(QStringLiteral("edtSearchTableSearch"));
    edtSearchFieldSearch->setObjectName(QStringLiteral("edtSearchFieldSearch"));
    auto findButton = [&](const char* name, const char* hint) {
        auto* b = new QPushButton(QStringLiteral("  Find"), this);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        return b;
    };
    btnSearchDBGo = findButton("btnSearchDBGo", "Find database files...");
    btnSearchTableGo = findButton("btnSearchTableGo", "Find database Tables...");
    btnSearchFieldGo = findButton("btnSearchFieldGo", "Find database Objects...");
    pgcSearch->addTab(BuildFilesTab(), QStringLiteral("Find Database files"));
    // Tables and fields: the text and where to look.
    auto lookPage = [&](const char* caption, QComboBox* text, QPushButton* go, QComboBox*& look) {
        auto* w = new QWidget(pgcSearch);
        auto* f = new QFormLayout(w);
        look = LookInBox(w);
        f->addRow(QLatin1String(caption), Row(text, go));
        f->addRow(QStringLiteral(" Look inside: "), look);
        return w;
    };
    pgcSearch->addTab(
        lookPage("Table to find:", edtSearchTableSearch, btnSearchTableGo, rgSearchLookIn1),
        QStringLiteral("Find Data Tables"));
    pgcSearch->addTab(lookPage("Table-object or Field to find:", edtSearchFieldSearch,
                               btnSearchFieldGo, rgSearchLookIn2),
                      QStringLiteral("Find Database Fields or Objects"));
    v->addWidget(pgcSearch);
    BuildResults(v);
    ConnectSearches();
    ShowSearchLocation();
    ShowSearchHelp();
}

// Files: the two options, the location and the name.
QWidget* TSearchPage::BuildFilesTab() {
    auto* files = new QWidget(pgcSearch);
    auto* ff = new QFormLayout(files);
    chkSearchDBInSpecified =
        new QCheckBox(QStringLiteral("I want to specify a folder to search in"), files);
    chkSearchDBSubFolders =
        new QCheckBox(QStringLiteral("Include sub folders when searching"), files);
    chkSearchDBSubFolders->setChecked(true);
    lblSearchLocation = new QLabel(files);
    edtSearchDBFolder = new QLineEdit(files);
    edtSearchDBFolder->setObjectName(QStringLiteral("edtSearchDBFolder"));
    btnSearchDBBrowse = new QPushButton(QStringLiteral("..."), files);
    btnSearchDBBrowse->setToolTip(QStringLiteral("Browse for a Folder to search in..."));
    lblSearchProjectFolders =
        new QLabel(QStringLiteral("Project Database Folders  (Left side-list)"), files);
    auto* where = new QHBoxLayout;
    where->addWidget(edtSearchDBFolder, 1);
    where->addWidget(btnSearchDBBrowse);
    where->addWidget(lblSearchProjectFolders, 1);
    ff->addRow(chkSearchDBInSpecified);
    ff->addRow(chkSearchDBSubFolders);
    ff->addRow(lblSearchLocation, where);
    ff->addRow(QStringLiteral("DB / File to find:"), Row(edtSearchDBText, btnSearchDBGo));
    return files;
}

// The help label, the result list and its buttons.
void TSearchPage::BuildResults(QVBoxLayout* v) {
    lblSearchH1 = new QLabel(this);
    lblSearchH1->setObjectName(QStringLiteral("lblSearchH1"));
    lblSearchH1->setToolTip(QStringLiteral("Click to expand / collapse"));
    lblSearchH1->setWordWrap(true);
    lblSearchH1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblSearchH1->setCursor(Qt::PointingHandCursor);
    new ClickFilter(lblSearchH1, [this] {
        FSearchHelpOpen = !FSearchHelpOpen;
        ShowSearchHelp();
    });
    v->addWidget(lblSearchH1);
    lbSearchResult = new QListWidget(this);
    lbSearchResult->setObjectName(QStringLiteral("lbSearchResult"));
    FDrawing = new EntryDelegate(lbSearchResult);
    FDrawing->expanded = true;
    lbSearchResult->setItemDelegate(FDrawing);
    auto* copyResults =
        new QShortcut(QKeySequence::Copy, lbSearchResult, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copyResults, &QShortcut::activated, this, [this] {
        QGuiApplication::clipboard()->setText(SearchLines().join(QStringLiteral("\r\n")));
    });
    v->addWidget(lbSearchResult, 1);
    auto* buttons = new QHBoxLayout;
    btnOpen = new QPushButton(QStringLiteral("Open"), this);
    btnOpen->setToolTip(QStringLiteral("Open and Add the selected Database..."));
    btnAdd = new QPushButton(QStringLiteral("Add"), this);
    btnAdd->setToolTip(
        QStringLiteral("Add the selected Database to the Project,\r\nbut do not open it yet."));
    btnAddAll = new QPushButton(QStringLiteral("Add All"), this);
    btnAddAll->setToolTip(QStringLiteral(
        "Add all found Database items to the Project,\r\nbut do not open them yet."));
    btnSearchExpand = new QPushButton(QStringLiteral(" Collapse"), this);
    btnSearchExpand->setToolTip(QStringLiteral(" Collapse search results "));
    buttons->addWidget(btnSearchExpand);
    buttons->addStretch(1);
    buttons->addWidget(btnOpen);
    buttons->addWidget(btnAdd);
    buttons->addWidget(btnAddAll);
    v->addLayout(buttons);
}

void TSearchPage::ConnectSearches() {
    connect(btnSearchExpand, &QPushButton::clicked, this, [this] { Q_EMIT ToggleExpanded(); });
    connect(btnSearchDBGo, &QPushButton::clicked, this, &TSearchPage::FindFiles);
    connect(btnSearchTableGo, &QPushButton::clicked, this, [this] { FindTables(false); });
    connect(btnSearchFieldGo, &QPushButton::clicked, this, [this] { FindTables(true); });
    new EnterFilter(edtSearchDBText, [this] { FindFiles(); });
    new EnterFilter(edtSearchTableSearch, [this] { FindTables(false); });
    new EnterFilter(edtSearchFieldSearch, [this] { FindTables(true); });
    new EnterFilter(edtSearchDBFolder, [this] { edtSearchDBText->setFocus(); });
    auto openResult = [this] {
        if (lbSearchResult->currentItem()) FCtl.OpenListed(lbSearchResult->currentItem()->text());
    };
    connect(btnOpen, &QPushButton::clicked, this, openResult);
    connect(lbSearchResult, &QListWidget::itemDoubleClicked, this, openResult);
    new EnterFilter(lbSearchResult, openResult);
    connect(btnAdd, &QPushButton::clicked, this, [this] {
        if (lbSearchResult->currentItem())
            FCtl.AddSearchResults({lbSearchResult->currentItem()->text()});
    });
    connect(btnAddAll, &QPushButton::clicked, this,
            [this] { FCtl.AddSearchResults(SearchLines()); });
    connect(btnSearchDBBrowse, &QPushButton::clicked, this, [this] {
        const QString chosen =
            FChooser.Folder(QStringLiteral("Select Folder..."), edtSearchDBFolder->text());
        if (!chosen.isEmpty()) edtSearchDBFolder->setText(chosen);
    });
    connect(chkSearchDBInSpecified, &QCheckBox::toggled, this, [this] { ShowSearchLocation(); });
    connect(chkSearchDBSubFolders, &QCheckBox::toggled, this, [this] { ShowSearchLocation(); });
    connect(rgSearchLookIn1, &QComboBox::currentIndexChanged, this,
            [this](int i) { rgSearchLookIn2->setCurrentIndex(i); });
    connect(rgSearchLookIn2, &QComboBox::currentIndexChanged, this,
            [this](int i) { rgSearchLookIn1->setCurrentIndex(i); });
    connect(pgcSearch, &QTabWidget::currentChanged, this, [this] { ShowSearchHelp(); });
}

void TSearchPage::ShowSettings(const OverviewSettings& s) {
    edtSearchDBFolder->setText(s.searchFolder);
    edtSearchDBText->setEditText(s.searchText);
    edtSearchTableSearch->setEditText(s.tableSearch);
    edtSearchFieldSearch->setEditText(s.fieldSearch);
}

void TSearchPage::ReadSettings(OverviewSettings& s) const {
    s.searchFolder = edtSearchDBFolder->text();
    s.searchText = edtSearchDBText->currentText();
    s.tableSearch = edtSearchTableSearch->currentText();
    s.fieldSearch = edtSearchFieldSearch->currentText();
}

void TSearchPage::SetPaneExpanded(bool paneExpanded) {
    btnSearchExpand->setText(paneExpanded ? QStringLiteral(" Expand")
                                          : QStringLiteral(" Collapse"));
    btnSearchExpand->setToolTip(paneExpanded
                                    ? QStringLiteral(" Expand search results (Show full names) ")
                                    : QStringLiteral(" Collapse search results "));
    FDrawing->expanded = !paneExpanded;
    RefreshResults();
}

void TSearchPage::StartFirstSearch() {
    chkSearchDBInSpecified->setChecked(true);
    PulseCall(200, 1, this, [this] { FindFiles(); });
}

void TSearchPage::ShowSearchLocation() {
    const bool specified = chkSearchDBInSpecified->isChecked();
    lblSearchLocation->setText(SearchLocationText(specified, chkSearchDBSubFolders->isChecked()));
    edtSearchDBFolder->setVisible(specified);
    btnSearchDBBrowse->setVisible(specified);
    lblSearchProjectFolders->setVisible(!specified);
}

void TSearchPage::ShowSearchHelp() {
    const QString help = SearchHelpText(pgcSearch->currentIndex());
    lblSearchH1->setText(FSearchHelpOpen ? help : help.section(QLatin1Char('\n'), 0, 0));
}

QStringList TSearchPage::SearchLines() const {
    QStringList lines;
    for (int i = 0; i < lbSearchResult->count(); ++i)
        lines << lbSearchResult->item(i)->text();
    return lines;
}

void TSearchPage::AddSearchLines(const QString& line) {
    AddSearchLines(QStringList{line});
}

void TSearchPage::AddSearchLines(const QStringList& lines) {
    for (const QString& line : lines) {
        auto* it = new QListWidgetItem(line, lbSearchResult);
        it->setData(kEntryRole, line);
    }
    RefreshResults();
}

void TSearchPage::RefreshResults() {
    for (int i = 0; i < lbSearchResult->count(); ++i) {
        QListWidgetItem* it = lbSearchResult->item(i);
        const QString file = FileOfEntry(it->text());
        if (const TSQLite3FileHeader* h = FCtl.Status().Find(file))
            it->setData(kStatusRole, h->Status);
        else
            it->setData(kStatusRole, QVariant());
        it->setData(kOpenRole, FCtl.IsOpen(file));
    }
    lbSearchResult->viewport()->update();
}

void TSearchPage::FindFiles() {
    if (!btnSearchDBGo->isEnabled()) return;
    const QString text = TakeSearchText(edtSearchDBText);
    btnSearchDBGo->setEnabled(false);
    lbSearchResult->clear();
    AddSearchLines(kFindingFiles);
    QCoreApplication::processEvents();
    QStringList folders;
    const bool specified = FCtl.Files().isEmpty() || chkSearchDBInSpecified->isChecked();
    if (specified)
        folders << edtSearchDBFolder->text();
    else
        for (const QString& e : FCtl.Files())
            folders << QFileInfo(FileOfEntry(e)).absolutePath();
    QStringList messages;
    AddSearchLines(kChecking);
    QCoreApplication::processEvents();
    const QStringList found =
        FindDatabaseFiles(folders, FileSearchPattern(text),
                          specified && chkSearchDBSubFolders->isChecked(), messages);
    AddSearchLines(messages);
    AddSearchLines(kFindingComplete);
    if (!messages.isEmpty()) {
        // The locked files stay readable for a moment before the results replace them.
        AddSearchLines(kReadFailures);
        QEventLoop wait;
        QTimer::singleShot(3000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    lbSearchResult->clear();
    AddSearchLines(found);
    if (lbSearchResult->count()) lbSearchResult->setCurrentRow(0);
    lbSearchResult->setFocus();
    btnSearchDBGo->setEnabled(true);
}

void TSearchPage::FindTables(bool inDefinitions) {
    QPushButton* go = inDefinitions ? btnSearchFieldGo : btnSearchTableGo;
    if (!go->isEnabled()) return;
    const QString text =
        TakeSearchText(inDefinitions ? edtSearchFieldSearch : edtSearchTableSearch);
    go->setEnabled(false);
    const QStringList candidates =
        LookInCandidates(rgSearchLookIn1->currentIndex(), FCtl.Files(), SearchLines());
    lbSearchResult->clear();
    AddSearchLines(inDefinitions ? kFindingObjects : kFindingTables);
    AddSearchLines(kChecking);
    QCoreApplication::processEvents();
    const QStringList found = sky::FindTables(candidates, text, inDefinitions, &FCtl.Status());
    lbSearchResult->clear();
    AddSearchLines(found);
    if (lbSearchResult->count()) lbSearchResult->setCurrentRow(0);
    lbSearchResult->setFocus();
    go->setEnabled(true);
}

} // namespace sky::ui
