#include "shell/ui/OverviewWindow.h"

#include "engine/Database.h"
#include "engine/SystemLog.h"
#include "shell/InfoPages.h"
#include "shell/Search.h"
#include "shell/Startup.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/FormBehaviour.h"
#include "shell/ui/KPanel.h"
#include "shell/ui/KProgress.h"
#include "shell/ui/QtFileChooser.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/ThemeViewer.h"
#include "shell/ui/Themes.h"
#include "shell/ui/WidgetPlacement.h"
#include "support/Folders.h"
#include "support/PulseCall.h"
#include "support/Settings.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>

namespace sky::ui {

const QString kRestartNotice = QStringLiteral(
    "This setting will only take effect next time you open Skylark.\r\rClick here to re-open "
    "now...");

namespace {

// A small window that holds the connection of an opened file until the
// workspace window exists: the file, its tables, and Close.
class WorkspaceStub : public QWidget {
public:
    WorkspaceStub(const QString& file, const QString& table, std::function<void()> closed)
        : FClosed(std::move(closed)) {
        setAttribute(Qt::WA_DeleteOnClose);
        setWindowTitle(QStringLiteral("Skylark - ") + QFileInfo(file).fileName());
        auto* v = new QVBoxLayout(this);
        v->addWidget(new QLabel(file, this));
        auto* tables = new QListWidget(this);
        v->addWidget(tables);
        if (FDb.Open(file, 0, false, true)) {
            QStringList names;
            FDb.QuerySingleColumn(
                names,
                QStringLiteral(
                    "SELECT name FROM sqlite_master WHERE type IN ('table','view') ORDER BY name"),
                0, false);
            tables->addItems(names);
            const auto hit = tables->findItems(table, Qt::MatchExactly);
            if (!hit.isEmpty()) tables->setCurrentItem(hit.first());
        } else {
            tables->addItem(FDb.LastError());
        }
        resize(420, 360);
    }
    ~WorkspaceStub() override {
        if (FClosed) FClosed();
    }

private:
    TSQLite3Database FDb;
    std::function<void()> FClosed;
};

QColor StatusColour(int status, bool open) {
    if (open || status == 0) return QColor(0xA0, 0xD0, 0x90);
    if (status == kStatusNotListed) return QColor(0xE0, 0xE0, 0x40);
    return QColor(0xD0, 0xA0, 0x90);
}

// Draws a file entry in pieces: folder (expanded pane only), name in bold,
// extension bold italic in the status colour, the status suffix and the table.
class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool expanded = false;
    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        QSize s = QStyledItemDelegate::sizeHint(o, i);
        s.setHeight(22);
        return s;
    }
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        const QString entry = i.data(Qt::UserRole).toString();
        const QString text = i.data(Qt::DisplayRole).toString();
        QColor back = i.data(Qt::BackgroundRole).value<QBrush>().color();
        if (!i.data(Qt::BackgroundRole).isValid()) back = o.palette.color(QPalette::Base);
        if (o.state & QStyle::State_Selected) back = Blend(back, QColor(0x80, 0xE0, 0xFF), 0.4);
        p->fillRect(o.rect, back);
        const QColor colour = i.data(Qt::ForegroundRole).value<QBrush>().color();
        QString file, table;
        SplitFileEntry(entry, file, table);
        const QFileInfo fi(file);
        const QString suffixText = text.mid(text.indexOf(QStringLiteral(" --- ")));
        struct Piece {
            QString text;
            QColor colour;
            bool bold, italic;
        };
        QList<Piece> pieces;
        if (expanded)
            pieces.append(
                {fi.absolutePath() + QLatin1Char('/'), QColor(0x90, 0x90, 0x98), false, false});
        pieces.append({fi.completeBaseName(), o.palette.color(QPalette::Text), true, false});
        if (!fi.suffix().isEmpty())
            pieces.append({QLatin1Char('.') + fi.suffix(), colour, true, true});
        pieces.append({suffixText.section(QStringLiteral(" ("), 0, 0), colour, false, false});
        if (!table.isEmpty())
            pieces.append({QStringLiteral(" (") + table + QLatin1Char(')'),
                           QColor(0xC0, 0xC0, 0xC0), false, false});
        int x = o.rect.left() + 8;
        for (const Piece& piece : pieces) {
            QFont f = o.font;
            f.setBold(piece.bold);
            f.setItalic(piece.italic);
            p->setFont(f);
            p->setPen(piece.colour);
            const QRect r(x, o.rect.top(), o.rect.right() - x, o.rect.height());
            p->drawText(r, Qt::AlignVCenter | Qt::AlignLeft, piece.text);
            x += QFontMetrics(f).horizontalAdvance(piece.text) + 2;
        }
    }
};

} // namespace

TfrmSKYOview::TfrmSKYOview(TfrmSKYApp* frame, StartOptions options)
    : FFrame(frame), FOptions(std::move(options)), FChooser(std::make_unique<QtFileChooser>()),
      FCtl(std::make_unique<OverviewController>(Prompts(), *FChooser)) {
    setObjectName(QStringLiteral("frmSKYOview"));
    setWindowTitle(QStringLiteral("Skylark"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 640);
    FCtl->OpenWorkspace = [this](const QString& f, const QString& t) {
        return OpenWorkspace(f, t);
    };
    FCtl->StartProgress = [](const QString& title, bool cancel) -> ProgressSink* {
        return ProgressStart(title, false, cancel, -1, -1, true, true);
    };
    FCtl->EndProgress = [](ProgressSink* p) { static_cast<TKProgress*>(p)->EndProgress(); };

    auto* split = new QSplitter(this);
    auto* pane = new QWidget(split);
    BuildFilePane(pane);
    FPages = new QTabWidget(split);
    FPages->addTab(BuildSearchPage(), QStringLiteral("  Search  "));
    FPages->addTab(BuildLogPage(), QStringLiteral("  SQLite Log  "));
    FPages->addTab(BuildSettingsPage(), QStringLiteral("  Settings  "));
    FPages->addTab(BuildInfoPage(), QStringLiteral("  Database Info  "));
    FPages->addTab(BuildDocsPage(), QStringLiteral("  SQL Documentation  "));
    split->setStretchFactor(1, 1);
    setCentralWidget(split);
    FStatus = new QLabel(this);
    FStatus->hide();
    connect(FPages, &QTabWidget::currentChanged, this, [this](int i) {
        if (FPages->tabText(i) == QLatin1String("  SQLite Log  ")) RefreshLog();
        if (FPages->tabText(i) == QLatin1String("  Database Info  ")) ShowInfo(SelectedEntry());
    });
    FLauncher = new ThemeViewerLauncher(this);
    FLogTimer = new QTimer(this);
    connect(FLogTimer, &QTimer::timeout, this, [this] {
        if (FPages->currentIndex() == 1) RefreshLog();
    });
    FLogTimer->start(1000);
    PulseCall(100, 1, this, [this] { DeferredStart(); });
}

TfrmSKYOview::~TfrmSKYOview() = default;

void TfrmSKYOview::BuildFilePane(QWidget* pane) {
    auto* v = new QVBoxLayout(pane);
    auto* head = new QHBoxLayout;
    cbProjectName = new QComboBox(pane);
    cbProjectName->setObjectName(QStringLiteral("cbProjectName"));
    head->addWidget(cbProjectName, 1);
    auto button = [&](const char* text, const char* hint, auto fn) {
        auto* b = new QPushButton(QLatin1String(text), pane);
        b->setToolTip(QLatin1String(hint));
        connect(b, &QPushButton::clicked, this, fn);
        head->addWidget(b);
        return b;
    };
    button("+", "Create a New Project...\r\n(collection of Database files)", [this] {
        FCtl->NewProject();
        cbProjectName->clear();
        cbProjectName->addItems(FCtl->Projects());
        cbProjectName->setCurrentText(FCtl->CurrentProject());
        RefreshFiles();
    });
    button("-", "Remove the current Project\r\nThis will not remove any DB files, only the listing",
           [this] {
               FCtl->DeleteProject();
               cbProjectName->clear();
               cbProjectName->addItems(FCtl->Projects());
               cbProjectName->setCurrentText(FCtl->CurrentProject());
               RefreshFiles();
           });
    button("Add",
           "Browse and Add a DB file to this Project...\r\nHint: The Search facility is faster",
           [this] {
               FCtl->BrowseAndOpen();
               RefreshFiles();
           });
    button("Purge", "Purge this Project listing\r\n(Remove  non-Ready Items)", [this] {
        FCtl->Purge();
        RefreshFiles();
    });
    v->addLayout(head);
    lbDBFiles = new QListWidget(pane);
    lbDBFiles->setObjectName(QStringLiteral("lbDBFiles"));
    lbDBFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    lbDBFiles->setDragDropMode(QAbstractItemView::InternalMove);
    lbDBFiles->setMouseTracking(true);
    lbDBFiles->setItemDelegate(new EntryDelegate(lbDBFiles));
    v->addWidget(lbDBFiles, 1);
    auto* copy = new QShortcut(QKeySequence::Copy, lbDBFiles, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, [this] {
        QGuiApplication::clipboard()->setText(FCtl->Files().join(QStringLiteral("\r\n")));
    });
    connect(cbProjectName, &QComboBox::activated, this, [this](int i) {
        FCtl->SelectProject(cbProjectName->itemText(i));
        RefreshFiles();
    });
    connect(lbDBFiles, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* it) {
        FCtl->OpenEntry(it->data(Qt::UserRole).toString());
        RefreshFiles();
    });
    connect(lbDBFiles, &QListWidget::itemEntered, this, [this](QListWidgetItem* it) {
        lbDBFiles->setCurrentItem(it);
        if (FPages->tabText(FPages->currentIndex()) == QLatin1String("  Database Info  "))
            ShowInfo(it->data(Qt::UserRole).toString());
    });
    connect(lbDBFiles->model(), &QAbstractItemModel::rowsMoved, this, [this] {
        QStringList entries;
        for (int i = 0; i < lbDBFiles->count(); ++i)
            entries << lbDBFiles->item(i)->data(Qt::UserRole).toString();
        FCtl->SetFiles(entries);
        FCtl->SaveProjectLists();
    });
    connect(lbDBFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QString entry = SelectedEntry();
        const int status = FCtl->StatusOf(entry);
        const bool open = FCtl->IsOpen(FileOfEntry(entry));
        QMenu m(this);
        m.addAction(QStringLiteral("Open the selected Database"), this, [this, entry] {
             FCtl->OpenEntry(entry);
             RefreshFiles();
         })->setEnabled(open || status == 0);
        m.addAction(QStringLiteral("Find && Open another Database..."), this, [this] {
            FCtl->BrowseAndOpen();
            RefreshFiles();
        });
        m.addAction(QStringLiteral("Create a New empty Database..."), this, [this, entry] {
            FCtl->NewDatabase(entry);
            RefreshFiles();
        });
        m.addAction(QStringLiteral("Duplicate (Copy) the selected Database..."), this,
                    [this, entry] {
                        FCtl->Duplicate(entry);
                        RefreshFiles();
                    })
            ->setEnabled(status == 0);
        QMenu* backups = m.addMenu(QStringLiteral("Database Backup && Restore"));
        backups->setEnabled(status == 0);
        backups->addAction(QStringLiteral("Quick-Backup the selected Database"), this,
                           [this, entry] { FCtl->QuickBackup(entry); });
        backups->addAction(QStringLiteral("Full Backup (to selected file)..."), this,
                           [this, entry] { FCtl->FullBackup(entry); });
        backups->addAction(QStringLiteral("Quick-Restore (from last Quick-Backup)"), this,
                           [this, entry] { FCtl->QuickRestore(entry); });
        backups->addAction(QStringLiteral("Full Restore (from selected file)..."), this,
                           [this, entry] { FCtl->FullRestore(entry); });
        m.addAction(QStringLiteral("Show in Folder"), this, [entry] {
             QDesktopServices::openUrl(
                 QUrl::fromLocalFile(QFileInfo(FileOfEntry(entry)).absolutePath()));
         })->setEnabled(!entry.isEmpty());
        m.addSeparator();
        m.addAction(QStringLiteral("Remove from Project  (File remains on-disk)"), this,
                    [this, entry] {
                        FCtl->RemoveEntry(entry);
                        RefreshFiles();
                    })
            ->setEnabled(!open && !entry.isEmpty());
        m.addSeparator();
        QMenu* project = m.addMenu(QStringLiteral("Project Databases"));
        for (const OverviewController::MenuItem& item : FCtl->ProjectMenu()) {
            QMenu* sub = project->addMenu(item.caption);
            const QString file = item.caption;
            for (const QString& s : item.subItems) {
                if (s == QLatin1String("-")) {
                    sub->addSeparator();
                } else if (s == QLatin1String("Open this Database")) {
                    sub->addAction(s, this, [this, file] {
                        FCtl->OpenEntry(file);
                        RefreshFiles();
                    });
                } else if (s.startsWith(QLatin1String("Re-Check Status"))) {
                    sub->addAction(s, this, [this] {
                        FCtl->CheckAllFiles();
                        RefreshFiles();
                    });
                } else if (s == QLatin1String("Quick-Backup")) {
                    sub->addAction(s, this, [this, file] { FCtl->QuickBackup(file); });
                } else if (s == QLatin1String("Open in Folder")) {
                    sub->addAction(s, this, [file] {
                        QDesktopServices::openUrl(
                            QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
                    });
                } else if (s.startsWith(QLatin1String("Remove reference"))) {
                    sub->addAction(s, this, [this, file] {
                        FCtl->RemoveEntry(file);
                        RefreshFiles();
                    });
                } else {
                    sub->addAction(s)->setEnabled(false); // windows of later issues
                }
            }
        }
        m.addSeparator();
        m.addAction(QStringLiteral("About Skylark"), this, [] { frmSKYAbout().About(); });
        m.addAction(QStringLiteral("Check for Updates"), this, [] {
            frmSKYAbout().About();
            frmSKYAbout().CheckForUpdates();
        });
        m.addAction(QStringLiteral("Exit Skylark"), this, &QWidget::close);
        m.exec(lbDBFiles->viewport()->mapToGlobal(at));
    });
}

QWidget* TfrmSKYOview::BuildSearchPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    auto* form = new QFormLayout;
    chkSearchDBInSpecified =
        new QCheckBox(QStringLiteral("I want to specify a folder to search in"), page);
    chkSearchDBSubFolders =
        new QCheckBox(QStringLiteral("Include sub folders when searching"), page);
    chkSearchDBSubFolders->setChecked(true);
    edtSearchDBFolder = new QLineEdit(page);
    edtSearchDBText = new QComboBox(page);
    edtSearchTableSearch = new QComboBox(page);
    edtSearchFieldSearch = new QComboBox(page);
    for (QComboBox* c : {edtSearchDBText, edtSearchTableSearch, edtSearchFieldSearch})
        c->setEditable(true);
    auto* findFiles = new QPushButton(QStringLiteral("  Find"), page);
    findFiles->setToolTip(QStringLiteral("Find database files..."));
    auto* findTables = new QPushButton(QStringLiteral("  Find"), page);
    findTables->setToolTip(QStringLiteral("Find database Tables..."));
    auto* findFields = new QPushButton(QStringLiteral("  Find"), page);
    findFields->setToolTip(QStringLiteral("Find database Objects..."));
    auto row = [&](QWidget* a, QWidget* b) {
        auto* h = new QHBoxLayout;
        h->addWidget(a, 1);
        h->addWidget(b);
        return h;
    };
    form->addRow(chkSearchDBInSpecified);
    form->addRow(chkSearchDBSubFolders);
    form->addRow(QStringLiteral("Folder:"), edtSearchDBFolder);
    form->addRow(QStringLiteral("DB / File to find:"), row(edtSearchDBText, findFiles));
    form->addRow(QStringLiteral("Table to find:"), row(edtSearchTableSearch, findTables));
    form->addRow(QStringLiteral("Table-object or Field to find:"),
                 row(edtSearchFieldSearch, findFields));
    v->addLayout(form);
    lbSearchResult = new QListWidget(page);
    lbSearchResult->setObjectName(QStringLiteral("lbSearchResult"));
    auto* copyResults =
        new QShortcut(QKeySequence::Copy, lbSearchResult, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copyResults, &QShortcut::activated, this, [this] {
        QStringList lines;
        for (int i = 0; i < lbSearchResult->count(); ++i)
            lines << lbSearchResult->item(i)->text();
        QGuiApplication::clipboard()->setText(lines.join(QStringLiteral("\r\n")));
    });
    v->addWidget(lbSearchResult, 1);
    auto* buttons = new QHBoxLayout;
    auto* openB = new QPushButton(QStringLiteral("Open"), page);
    auto* addB = new QPushButton(QStringLiteral("Add"), page);
    auto* addAll = new QPushButton(QStringLiteral("Add All"), page);
    buttons->addStretch(1);
    buttons->addWidget(openB);
    buttons->addWidget(addB);
    buttons->addWidget(addAll);
    v->addLayout(buttons);
    connect(findFiles, &QPushButton::clicked, this, &TfrmSKYOview::FindFiles);
    connect(findTables, &QPushButton::clicked, this, [this] { FindTables(false); });
    connect(findFields, &QPushButton::clicked, this, [this] { FindTables(true); });
    connect(openB, &QPushButton::clicked, this, [this] {
        if (lbSearchResult->currentItem()) FCtl->OpenEntry(lbSearchResult->currentItem()->text());
        RefreshFiles();
    });
    connect(addB, &QPushButton::clicked, this, [this] {
        if (lbSearchResult->currentItem())
            FCtl->AddSearchResults({lbSearchResult->currentItem()->text()});
        RefreshFiles();
    });
    connect(addAll, &QPushButton::clicked, this, [this] {
        QStringList all;
        for (int i = 0; i < lbSearchResult->count(); ++i)
            all << lbSearchResult->item(i)->text();
        FCtl->AddSearchResults(all);
        RefreshFiles();
    });
    return page;
}

void TfrmSKYOview::FindFiles() {
    const QString text = edtSearchDBText->currentText();
    lbSearchResult->clear();
    lbSearchResult->addItem(QStringLiteral("Finding files, please wait..."));
    QCoreApplication::processEvents();
    QStringList folders;
    const bool specified = FCtl->Files().isEmpty() || chkSearchDBInSpecified->isChecked();
    if (specified)
        folders << edtSearchDBFolder->text();
    else
        for (const QString& e : FCtl->Files())
            folders << QFileInfo(FileOfEntry(e)).absolutePath();
    QStringList messages;
    lbSearchResult->addItem(QStringLiteral("Checking validity..."));
    QCoreApplication::processEvents();
    const QStringList found =
        FindDatabaseFiles(folders, FileSearchPattern(text),
                          specified && chkSearchDBSubFolders->isChecked(), messages);
    lbSearchResult->addItems(messages);
    lbSearchResult->addItem(QStringLiteral("Finding Complete."));
    if (!messages.isEmpty()) {
        // The locked files stay readable for a moment before the results replace them.
        lbSearchResult->addItem(QStringLiteral("Failed to read some files (see above)... "));
        QEventLoop wait;
        QTimer::singleShot(3000, &wait, &QEventLoop::quit);
        wait.exec();
    }
    lbSearchResult->clear();
    lbSearchResult->addItems(found);
    if (lbSearchResult->count()) lbSearchResult->setCurrentRow(0);
}

void TfrmSKYOview::FindTables(bool inDefinitions) {
    const QString text =
        (inDefinitions ? edtSearchFieldSearch : edtSearchTableSearch)->currentText();
    QStringList candidates = FCtl->Files();
    for (int i = 0; i < lbSearchResult->count(); ++i)
        candidates << lbSearchResult->item(i)->text();
    lbSearchResult->clear();
    lbSearchResult->addItem(inDefinitions ? QStringLiteral("Finding Table objects, please wait...")
                                          : QStringLiteral("Finding Tables, please wait..."));
    lbSearchResult->addItem(QStringLiteral("Checking validity..."));
    QCoreApplication::processEvents();
    const QStringList found = sky::FindTables(candidates, text, inDefinitions, &FCtl->Status());
    lbSearchResult->clear();
    lbSearchResult->addItems(found);
    if (lbSearchResult->count()) lbSearchResult->setCurrentRow(0);
}

QWidget* TfrmSKYOview::BuildLogPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    v->addWidget(new QLabel(QStringLiteral("SQLite DB Engine Logs"), page));
    memLog = new QPlainTextEdit(page);
    memLog->setObjectName(QStringLiteral("memLog"));
    memLog->setReadOnly(true);
    v->addWidget(memLog, 1);
    auto* row = new QHBoxLayout;
    rgLogKind = new QComboBox(page);
    rgLogKind->addItems(
        {QStringLiteral("Service Only"), QStringLiteral("All Errors"), QStringLiteral("Verbose")});
    row->addWidget(new QLabel(QStringLiteral("Set Log mode"), page));
    row->addWidget(rgLogKind);
    row->addStretch(1);
    auto* save = new QPushButton(QStringLiteral("Save..."), page);
    save->setToolTip(QStringLiteral("Save Log to file..."));
    auto* clear = new QPushButton(QStringLiteral("Clear"), page);
    clear->setToolTip(QStringLiteral("Clear Log"));
    row->addWidget(save);
    row->addWidget(clear);
    v->addLayout(row);
    connect(rgLogKind, &QComboBox::currentIndexChanged, this, [this](int i) {
        SetLogLevel(i);
        RefreshLog();
    });
    connect(clear, &QPushButton::clicked, this, [this] {
        RefreshLog();
        memLog->clear();
    });
    connect(save, &QPushButton::clicked, this, [this] {
        RefreshLog();
        const QString f = FChooser->SaveFile(QStringLiteral("Save Log..."),
                                             QStringLiteral("Text Files (*.txt *.log)"), QString(),
                                             QStringLiteral("txt"));
        if (f.isEmpty()) return;
        if (QFileInfo::exists(f) &&
            !Prompts().AskYesNo(QStringLiteral("Save to File..."),
                                QStringLiteral("The file already exists, Overwrite it?"), 30,
                                QStringLiteral("No"), QStringLiteral("Yes")))
            return;
        QString text = memLog->toPlainText();
        text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
        QString why;
        if (!WriteFileAtomic(f, text.toUtf8() + "\r\n", &why))
            Prompts().ShowNotice(QStringLiteral("File Save Error"),
                                 QStringLiteral("Could not Save to \"") + f +
                                     QStringLiteral("\":\r") + why,
                                 9, true);
    });
    return page;
}

QWidget* TfrmSKYOview::BuildSettingsPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    edtCfgQryLimit = new QLineEdit(page);
    edtCfgEdtLimit = new QLineEdit(page);
    edtCfgNULLVal = new QLineEdit(page);
    seMaxHist = new QSpinBox(page);
    seMaxHist->setRange(10, 10000);
    seMaxExpVals = new QSpinBox(page);
    seMaxExpVals->setRange(0, 10000);
    cbCfgHints = new QCheckBox(page);
    chkCfgLastDBatTop = new QCheckBox(page);
    FTheme = new QComboBox(page);
    FTheme->setObjectName(QStringLiteral("cbTheme"));
    FViewer = new QPushButton(QStringLiteral("Theme Viewer"), page);
    FViewer->setObjectName(QStringLiteral("btnStylePreview"));
    form->addRow(QStringLiteral("Automatic Query length limit: "), edtCfgQryLimit);
    form->addRow(QStringLiteral("Maximum Table-editor lines: "), edtCfgEdtLimit);
    form->addRow(QStringLiteral("Show NULL values as: "), edtCfgNULLVal);
    form->addRow(QStringLiteral("Maximum History Lines:"), seMaxHist);
    form->addRow(QStringLiteral("Maximum VALUES lines in SQL Exports:"), seMaxExpVals);
    form->addRow(QStringLiteral("Show Tool-tips: "), cbCfgHints);
    form->addRow(QStringLiteral("Keep last opened DB at top of list: "), chkCfgLastDBatTop);
    auto* theme = new QHBoxLayout;
    theme->addWidget(FTheme, 1);
    theme->addWidget(FViewer);
    form->addRow(QStringLiteral("System Theme: "), theme);
    auto clampOnLeave = [](QLineEdit* e, const QString& key, int lo, int hi) {
        QObject::connect(e, &QLineEdit::editingFinished, e, [e, key, lo, hi] {
            const int v = std::clamp(int(TextToNumber(e->text())), lo, hi);
            e->setText(QString::number(v));
            CfgPutNum(key, v);
        });
    };
    clampOnLeave(edtCfgQryLimit, QStringLiteral("QryLimit"), 10, 100000);
    clampOnLeave(edtCfgEdtLimit, QStringLiteral("EdtLimit"), 10, 10000);
    connect(edtCfgNULLVal, &QLineEdit::editingFinished, this, [this] {
        CfgPut(QStringLiteral("ResNULLs"), edtCfgNULLVal->text());
        SetNullDisplayText(edtCfgNULLVal->text());
    });
    connect(seMaxHist, &QSpinBox::editingFinished, this,
            [this] { CfgPutNum(QStringLiteral("Max_Hist"), seMaxHist->value()); });
    connect(seMaxExpVals, &QSpinBox::editingFinished, this, [this] {
        CfgPutNum(QStringLiteral("MaxSQLExportValuesLines"), seMaxExpVals->value());
    });
    connect(cbCfgHints, &QCheckBox::toggled, this,
            [](bool on) { TKFormFilter::Instance()->SetShowTooltips(on); });
    connect(chkCfgLastDBatTop, &QCheckBox::toggled, this,
            [this](bool on) { FCtl->keepLastAtTop = on; });
    connect(FTheme, &QComboBox::activated, this,
            [this](int i) { ChooseTheme(FTheme->itemText(i)); });
    connect(FViewer, &QPushButton::clicked, this, [this] {
        QStringList names;
        for (int i = 0; i < FTheme->count(); ++i)
            names << FTheme->itemText(i);
        FLauncher->Launch(FViewer, ThemeViewerLauncher::ViewerProgram(), ActiveTheme(), names,
                          ScratchDir() + QStringLiteral("ViewerDataSet.cfg"),
                          [this](const QString& name) {
                              const int i = FTheme->findText(name);
                              if (i < 0) return;
                              FTheme->setCurrentIndex(i);
                              ChooseTheme(name);
                          });
    });
    FTheme->addItems(ThemeNames());
    int sel = FTheme->findText(ActiveTheme());
    if (sel < 0) sel = FTheme->findText(kPlatformTheme);
    FTheme->setCurrentIndex(sel < 0 ? 0 : sel);
    return page;
}

QWidget* TfrmSKYOview::BuildInfoPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    FInfo = new QLabel(QStringLiteral("---\n(Invalid selection)"), page);
    FInfo->setObjectName(QStringLiteral("lblDBInfo"));
    FInfo->setTextInteractionFlags(Qt::TextSelectableByMouse);
    FInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    v->addWidget(FInfo, 1);
    return page;
}

void TfrmSKYOview::ShowInfo(const QString& entry) {
    const QString file = FileOfEntry(entry);
    if (file.isEmpty()) {
        FInfo->setText(QStringLiteral("---\n(Invalid selection)"));
        return;
    }
    TSQLite3FileHeader h;
    if (const TSQLite3FileHeader* known = FCtl->Status().Find(file))
        h = *known;
    else
        ReadDBFileHeader(file, h);
    QString text = QFileInfo(file).completeBaseName().replace(QLatin1Char('_'), QLatin1Char(' ')) +
                   QLatin1Char('\n') + QFileInfo(file).absolutePath() + QStringLiteral("/\n\n");
    for (const auto& [caption, value] : DatabaseInfoLines(file, h))
        text += caption + value + QLatin1Char('\n');
    FInfo->setText(text);
}

QWidget* TfrmSKYOview::BuildDocsPage() {
    auto* page = new QWidget(this);
    auto* form = new QFormLayout(page);
    cbDocsSQLItem = new QComboBox(page);
    cbDocsSQLItem->addItems(DocStatements());
    cbDocsSQLItem->setCurrentText(QStringLiteral("SELECT"));
    auto* open = new QPushButton(QStringLiteral("Open"), page);
    edtDocsSearch = new QLineEdit(page);
    auto* search = new QPushButton(QStringLiteral("Search"), page);
    auto* about = new QPushButton(QStringLiteral("  About Skylark"), page);
    about->setObjectName(QStringLiteral("btnDocsAbout"));
    auto* r1 = new QHBoxLayout;
    r1->addWidget(cbDocsSQLItem, 1);
    r1->addWidget(open);
    auto* r2 = new QHBoxLayout;
    r2->addWidget(edtDocsSearch, 1);
    r2->addWidget(search);
    form->addRow(QStringLiteral("SQL statement:"), r1);
    form->addRow(QStringLiteral("Search the documentation:"), r2);
    form->addRow(about);
    connect(open, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl(kSqliteDocsBase + DocPage(cbDocsSQLItem->currentText())));
    });
    connect(search, &QPushButton::clicked, this, [this] {
        CfgPut(QStringLiteral("LastDocSearch"), DocSearchText(edtDocsSearch->text()));
        QDesktopServices::openUrl(QUrl(DocSearchUrl(edtDocsSearch->text())));
    });
    connect(about, &QPushButton::clicked, this, [] { frmSKYAbout().About(); });
    return page;
}

QString TfrmSKYOview::SelectedEntry() const {
    QListWidgetItem* it = lbDBFiles->currentItem();
    return it ? it->data(Qt::UserRole).toString() : QString();
}

QString TfrmSKYOview::EntryText(const QString& entry) const {
    QString file, table;
    SplitFileEntry(entry, file, table);
    const int status = FCtl->StatusOf(entry);
    QString suffix;
    if (FCtl->IsOpen(file))
        suffix = QStringLiteral(" --- \u2714 Connected");
    else if (status == 0)
        suffix = QStringLiteral(" --- \u2713 ") + StatusWord(status);
    else if (status == kStatusNotListed)
        suffix = QStringLiteral(" --- ? ") + StatusWord(status);
    else
        suffix = QStringLiteral(" --- \u2718 ") + StatusWord(status);
    return QFileInfo(file).fileName() + suffix +
           (table.isEmpty() ? QString() : QStringLiteral(" (") + table + QLatin1Char(')'));
}

void TfrmSKYOview::RefreshFiles() {
    const QString keep = SelectedEntry();
    lbDBFiles->clear();
    for (const QString& e : FCtl->Files()) {
        auto* it = new QListWidgetItem(EntryText(e), lbDBFiles);
        it->setData(Qt::UserRole, e);
        it->setToolTip(FileOfEntry(e));
        it->setForeground(StatusColour(FCtl->StatusOf(e), FCtl->IsOpen(FileOfEntry(e))));
        if (FCtl->IsOpen(FileOfEntry(e))) it->setBackground(QColor(0xE0, 0xFF, 0xE8));
        if (e == keep) lbDBFiles->setCurrentItem(it);
    }
}

bool TfrmSKYOview::OpenWorkspace(const QString& file, const QString& table) {
    for (const QPointer<QWidget>& w : FWorkspaces)
        if (w && w->property("dbFile").toString() == file) {
            w->show();
            w->raise();
            w->activateWindow();
            return true;
        }
    auto* w = new WorkspaceStub(file, table, [this, file] {
        FCtl->WorkspaceClosed(file);
        RefreshFiles();
    });
    w->setProperty("dbFile", file);
    FWorkspaces << w;
    w->show();
    FOpened = file;
    LogApplication(QStringLiteral("Opened: ") + file);
    return true;
}

void TfrmSKYOview::DeferredStart() {
    RestorePlacement(objectName(), this, false);
    FCtl->LoadProjects();
    cbProjectName->addItems(FCtl->Projects());
    cbProjectName->setCurrentText(FCtl->CurrentProject());
    edtCfgQryLimit->setText(
        QString::number(CfgGetInt(QStringLiteral("QryLimit"), 1000, 10, 100000)));
    edtCfgEdtLimit->setText(QString::number(CfgGetInt(QStringLiteral("EdtLimit"), 200, 10, 10000)));
    edtCfgNULLVal->setText(CfgGet(QStringLiteral("ResNULLs"), QStringLiteral("NULL")));
    SetNullDisplayText(edtCfgNULLVal->text());
    seMaxHist->setValue(CfgGetInt(QStringLiteral("Max_Hist"), 300, 10, 10000));
    seMaxExpVals->setValue(CfgGetInt(QStringLiteral("MaxSQLExportValuesLines"), 64, 0, 10000));
    chkCfgLastDBatTop->setChecked(CfgGetBool(QStringLiteral("LastDBatTop"), false));
    edtSearchDBFolder->setText(CfgGet(QStringLiteral("edtSearchDBFolder"), SettingsDir()));
    edtSearchDBText->setEditText(
        CfgGet(QStringLiteral("edtSearchDBText"), QStringLiteral("*.*db")));
    edtSearchTableSearch->setEditText(CfgGet(QStringLiteral("edtSearchTableSearch"), QString()));
    edtSearchFieldSearch->setEditText(CfgGet(QStringLiteral("edtSearchFieldSearch"), QString()));
    edtDocsSearch->setText(CfgGet(QStringLiteral("LastDocSearch"), QString()));
    const bool tips = CfgGetBool(QStringLiteral("ShowTooltips"), true);
    cbCfgHints->setChecked(tips);
    TKFormFilter::Instance()->SetShowTooltips(tips);
    WriteLog(TLogKind::System, QStringLiteral("Skylark Started"));
    const int level = CfgGetInt(QStringLiteral("SysLogKind"), 2, 0, 2);
    SetLogLevel(level);
    rgLogKind->setCurrentIndex(level);
    QCoreApplication::processEvents();
    try {
        TSQLite3Database probe;
        FVersionInfo = SQLiteInfoText(probe.SQLiteSoftwVersion(), probe.SQLiteVersion());
        frmSKYAbout().SetUtilsText(FVersionInfo, probe.SQLiteSoftwVersion());
        LogApplication(FVersionInfo);
        setWindowTitle(QStringLiteral("Skylark v") + FileVersionText());
    } catch (const std::exception& e) {
        WriteLog(TLogKind::System,
                 QStringLiteral("Exception initializing versioning information ") +
                     ExceptionText(e));
    }
    QStringList files = FCtl->Files();
    const QString example = DocumentsDir() + QStringLiteral("ExampleData.Tarndb");
    if (files.isEmpty() && QFileInfo::exists(example)) files << example;
    const CommandLineFiles cl = TakeCommandLineFiles(FOptions.params, files, FOptions.currentDir);
    files << cl.added;
    FCtl->SetFiles(files);
    if (!cl.added.isEmpty()) FCtl->SaveProjectLists();
    if (FFrame) FFrame->SetCaption(windowTitle());
    if (!FCtl->Files().isEmpty()) {
        FCtl->CheckAllFiles();
        FCtl->RunAutoOpen();
    } else {
        chkSearchDBInSpecified->setChecked(true);
        FPages->setCurrentIndex(0);
        PulseCall(200, 1, this, [this] { FindFiles(); });
    }
    if (!cl.open.isEmpty()) FCtl->OpenEntry(cl.open);
    RefreshFiles();
    show();
    FStarted = true;
    Q_EMIT StartFinished();
    if (FOptions.quitAfterStart) PulseCall(1, 1, this, [this] { close(); });
    if (!FOptions.screenshot.isEmpty())
        PulseCall(500, 1, this, [this] {
            grab().save(FOptions.screenshot, "PNG");
            close();
        });
}

void TfrmSKYOview::RefreshLog() {
    QStringList lines;
    GetLogLines(lines, true);
    for (const QString& l : lines)
        memLog->appendPlainText(l);
}

void TfrmSKYOview::ChooseTheme(const QString& name) {
    if (name.isEmpty() || name == ActiveTheme()) return;
    CfgPut(QStringLiteral("DXStyle"), name);
    Prompts().ShowClickableNotice(QStringLiteral("Theme"), kRestartNotice, 9,
                                  [this] { RestartNow(); });
}

void TfrmSKYOview::RestartNow() {
    CfgFlush();
    if (FFrame) FFrame->RestartRequested = true;
    PulseCall(50, 1, this, [this] { close(); });
}

void TfrmSKYOview::StoreSettings() {
    SavePlacement(objectName(), this);
    CfgPutBool(QStringLiteral("ShowTooltips"), cbCfgHints->isChecked());
    CfgPutBool(QStringLiteral("LastDBatTop"), chkCfgLastDBatTop->isChecked());
    CfgPut(QStringLiteral("edtSearchDBFolder"), edtSearchDBFolder->text());
    CfgPut(QStringLiteral("edtSearchDBText"), edtSearchDBText->currentText());
    CfgPut(QStringLiteral("edtSearchTableSearch"), edtSearchTableSearch->currentText());
    CfgPut(QStringLiteral("edtSearchFieldSearch"), edtSearchFieldSearch->currentText());
    CfgPutNum(QStringLiteral("QryLimit"), std::trunc(TextToNumber(edtCfgQryLimit->text())));
    CfgPutNum(QStringLiteral("EdtLimit"), std::trunc(TextToNumber(edtCfgEdtLimit->text())));
    CfgPutNum(QStringLiteral("SysLogKind"), rgLogKind->currentIndex());
}

void TfrmSKYOview::closeEvent(QCloseEvent* e) {
    // A running transfer owns the files: the window stays until it ends.
    if (FCtl->TransferRunning()) {
        e->ignore();
        Prompts().ShowNotice(
            QStringLiteral("DB Backup"),
            QStringLiteral("A file transfer is in Progress - close the window when it has ended."),
            9, true);
        return;
    }
    if (FStarted) StoreSettings();
    for (const QPointer<QWidget>& w : FWorkspaces)
        if (w) w->close();
    if (FFrame) {
        TfrmSKYApp* frame = FFrame;
        PulseCall(10, 1, frame, [frame] { frame->Close(); });
    }
    e->accept();
}

} // namespace sky::ui
