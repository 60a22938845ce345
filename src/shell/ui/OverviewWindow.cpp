#include "shell/ui/OverviewWindow.h"

#include "engine/Database.h"
#include "engine/SystemLog.h"
#include "shell/InfoPages.h"
#include "shell/Search.h"
#include "shell/Startup.h"
#include "shell/UpdateCheck.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/AppFrame.h"
#include "shell/ui/DocsPage.h"
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
#include "workspace/ui/WorkspaceWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
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
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
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

enum EntryRole { kEntryRole = Qt::UserRole, kStatusRole, kOpenRole };

QColor Rgb(quint32 rgb) {
    return QColor::fromRgb(rgb | 0xFF000000u);
}

} // namespace

// Draws an entry in the pieces DrawEntry gives. The dark name colour is kept
// for light backgrounds; on a dark list the theme's text colour replaces it.
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
        const QVariant status = i.data(kStatusRole);
        const EntryDrawing d = DrawEntry(i.data(kEntryRole).toString(),
                                         status.isValid() ? status.toInt() : kStatusNotListed,
                                         i.data(kOpenRole).toBool(), expanded);
        quint32 back = d.background == kListBase ? o.palette.color(QPalette::Base).rgb() & 0xFFFFFF
                                                 : d.background;
        if (o.state & QStyle::State_HasFocus)
            back = BlendRgb(back, 0x80E0FF, 0.4);
        else if (o.state & QStyle::State_Selected)
            back = BlendRgb(back, 0x808080, 0.1);
        p->fillRect(o.rect, Rgb(back));
        const bool light = Rgb(back).lightness() >= 128;
        int x = o.rect.left() + 8;
        for (const EntryPiece& piece : d.pieces) {
            QFont f = o.font;
            f.setBold(piece.bold);
            f.setItalic(piece.italic);
            p->setFont(f);
            QColor c = piece.rgb == kListText ? o.palette.color(QPalette::Text) : Rgb(piece.rgb);
            if (piece.rgb == 0x303030 && !light) c = o.palette.color(QPalette::Text);
            p->setPen(c);
            const QRect r(x, o.rect.top(), o.rect.right() - x, o.rect.height());
            p->drawText(r, Qt::AlignVCenter | Qt::AlignLeft, piece.text);
            x += QFontMetrics(f).horizontalAdvance(piece.text) + 2;
        }
    }
};

TfrmSKYOview::TfrmSKYOview(TfrmSKYApp* frame, StartOptions options)
    : FFrame(frame), FOptions(std::move(options)),
      FOwnChooser(FOptions.files ? nullptr : std::make_unique<QtFileChooser>()),
      FChooser(FOptions.files ? FOptions.files : FOwnChooser.get()),
      FCtl(std::make_unique<OverviewController>(Prompts(), *FChooser)) {
    setObjectName(QStringLiteral("frmSKYOview"));
    setWindowTitle(QStringLiteral("Skylark"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 680);
    FCtl->CreateWorkspace = [this]() -> WorkspaceHandle* { return CreateWorkspace(); };
    FCtl->ShowInFolder = [this](const QString& f) { ShowInFolder(f); };
    FCtl->BringToFront = [this] {
        showNormal();
        raise();
        activateWindow();
    };
    FCtl->Changed = [this] { RefreshFiles(); };
    FCtl->StartProgress = [](const QString& title, bool cancel) -> ProgressSink* {
        return ProgressStart(title, false, cancel, -1, -1, true, true);
    };
    FCtl->EndProgress = [](ProgressSink* p) { static_cast<TKProgress*>(p)->EndProgress(); };

    FSplit = new QSplitter(this);
    auto* split = FSplit;
    auto* pane = new QWidget(split);
    BuildFilePane(pane);
    FPages = new QTabWidget(split);
    FPages->setMinimumWidth(320); // the file pane may take the room the pages' captions ask for
    FPages->addTab(BuildSearchPage(), QStringLiteral("  Search  "));
    FPages->addTab(BuildLogPage(), QStringLiteral("  SQLite Log  "));
    FPages->addTab(BuildSettingsPage(), QStringLiteral("  Settings  "));
    FPages->addTab(BuildInfoPage(), QStringLiteral("  Database Info  "));
    FPages->addTab(BuildDocsPage(), QStringLiteral("  SQL Documentation  "));
    split->setStretchFactor(1, 1);
    split->setSizes({kCollapsedPaneWidth, width() - kCollapsedPaneWidth});
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
    FPane = pane;
    auto* v = new QVBoxLayout(pane);
    cbProjectName = new QComboBox(pane);
    cbProjectName->setObjectName(QStringLiteral("cbProjectName"));
    v->addWidget(cbProjectName);
    auto* head = new QHBoxLayout;
    head->setSpacing(2);
    static const QStyle::StandardPixmap pictures[] = {
        QStyle::SP_ArrowRight,          QStyle::SP_FileDialogNewFolder,
        QStyle::SP_DialogDiscardButton, QStyle::SP_DialogOpenButton,
        QStyle::SP_DialogResetButton,   QStyle::SP_TitleBarUnshadeButton};
    auto button = [&](int tag, const char* name, const char* hint, auto fn) {
        auto* b = new QPushButton(pane);
        b->setIcon(style()->standardIcon(pictures[tag]));
        b->setObjectName(QLatin1String(name));
        b->setProperty("tag", tag);
        b->setToolTip(QLatin1String(hint));
        b->setMinimumWidth(24);
        connect(b, &QPushButton::clicked, this, fn);
        head->addWidget(b, 1);
        FHeaderButtons << b;
        return b;
    };
    btnExpand = button(0, "btnExpand", "", [this] { LayoutFilePane(-1); });
    button(1, "btnProjectNew", "Create a New Project...\r\n(collection of Database files)", [this] {
        FCtl->NewProject();
        RefreshProjects();
    });
    btnProjectDelete =
        button(2, "btnProjectDelete",
               "Remove the current Project\r\nThis will not remove any DB files, only the listing",
               [this] {
                   FCtl->DeleteProject();
                   RefreshProjects();
               });
    button(3, "btnAddDB",
           "Browse and Add a DB file to this Project...\r\nHint: The Search facility is faster",
           [this] { FCtl->BrowseAndOpen(); });
    button(4, "btnPurge", "Purge this Project listing\r\n(Remove  non-Ready Items)", [this] {
        FCtl->Purge();
        RefreshFiles();
    });
    button(5, "btnMenu", "Show Project-Menu\r\nRight-click on DB files for more options", [this] {
        QMenu m(this);
        BuildWindowMenu(m);
        m.exec(QCursor::pos() - QPoint(32, 12));
    });
    v->addLayout(head);
    lbDBFiles = new QListWidget(pane);
    lbDBFiles->setObjectName(QStringLiteral("lbDBFiles"));
    lbDBFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    lbDBFiles->setDragDropMode(QAbstractItemView::InternalMove);
    lbDBFiles->setMouseTracking(true);
    FFileDrawing = new EntryDelegate(lbDBFiles);
    lbDBFiles->setItemDelegate(FFileDrawing);
    v->addWidget(lbDBFiles, 1);
    auto* copy = new QShortcut(QKeySequence::Copy, lbDBFiles, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, [this] {
        QGuiApplication::clipboard()->setText(FCtl->Files().join(QStringLiteral("\r\n")));
    });
    connect(cbProjectName, &QComboBox::activated, this, [this](int i) {
        FCtl->SelectProject(cbProjectName->itemText(i));
        RefreshProjects();
    });
    connect(lbDBFiles, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { OpenSelected(it->data(kEntryRole).toString()); });
    connect(lbDBFiles, &QListWidget::itemEntered, this, [this](QListWidgetItem* it) {
        lbDBFiles->setCurrentItem(it);
        if (FPages->tabText(FPages->currentIndex()) == QLatin1String("  Database Info  "))
            ShowInfo(it->data(kEntryRole).toString());
    });
    connect(lbDBFiles->model(), &QAbstractItemModel::rowsMoved, this, [this] {
        QStringList entries;
        for (int i = 0; i < lbDBFiles->count(); ++i)
            entries << lbDBFiles->item(i)->data(kEntryRole).toString();
        FCtl->SetFiles(entries);
        FCtl->SaveProjectLists();
    });
    connect(lbDBFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu m(this);
        BuildEntryMenu(m, SelectedEntry());
        m.exec(lbDBFiles->viewport()->mapToGlobal(at));
    });
}

void TfrmSKYOview::OpenSelected(const QString& entry) {
    const TSQLite3FileHeader* h = FCtl->Status().Find(FileOfEntry(entry));
    if (!h) {
        Prompts().ShowNotice(
            QStringLiteral("Open Database"),
            QStringLiteral("Error opening Database: The selected Database Status is missing..."), 9,
            true);
        return;
    }
    if (h->Status == -1) {
        Prompts().ShowNotice(
            QStringLiteral("Open Database"),
            QStringLiteral("Error opening Database: The selected Database file is ") +
                StatusWord(h->Status) + QStringLiteral("..."),
            9, true);
        return;
    }
    FCtl->OpenEntry(entry);
}

void TfrmSKYOview::ShowInFolder(const QString& file) {
    if (QFileInfo::exists(file))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absolutePath()));
}

void TfrmSKYOview::BuildEntryMenu(QMenu& m, const QString& entry) {
    const QString file = FileOfEntry(entry);
    const TSQLite3FileHeader* h = FCtl->Status().Find(file);
    const int status = entry.isEmpty() || !h ? -1 : h->Status;
    const bool open = FCtl->IsOpen(file);
    QAction* def = m.addAction(QStringLiteral("Open the selected Database"), this,
                               [this, entry] { OpenSelected(entry); });
    def->setEnabled(open || status == 0);
    m.setDefaultAction(def);
    // The script processor and the documentation window come with their own windows.
    m.addAction(QStringLiteral("Open Script Editor for this Database"))->setEnabled(false);
    m.addAction(QStringLiteral("Generate Schema Documentation"))->setEnabled(false);
    m.addAction(QStringLiteral("Find && Open another Database..."), this,
                [this] { FCtl->BrowseAndOpen(); });
    m.addAction(QStringLiteral("Create a New empty Database..."), this,
                [this, entry] { FCtl->NewDatabase(entry); });
    m.addAction(QStringLiteral("Duplicate (Copy) the selected Database..."), this, [this, entry] {
         FCtl->Duplicate(entry);
     })->setEnabled(status == 0);
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
    m.addAction(QStringLiteral("Show in Folder"), this, [this, file] {
         ShowInFolder(file);
     })->setEnabled(!entry.isEmpty());
    m.addSeparator();
    m.addAction(QStringLiteral("Disconnect Database"), this, [this, entry] {
         FCtl->Disconnect(entry);
     })->setEnabled(open);
    m.addAction(QStringLiteral("Close and Disconnect All"), this, [this] { FCtl->CloseAll(); });
    m.addAction(QStringLiteral("Remove from Project  (File remains on-disk)"), this, [this, entry] {
         FCtl->RemoveEntry(entry);
         RefreshFiles();
     })->setEnabled(!open && !entry.isEmpty());
    m.addSeparator();
    m.addAction(QStringLiteral("About Skylark"), this, [] { frmSKYAbout().About(); });
    m.addAction(QStringLiteral("Check for Updates"), this, [] {
        frmSKYAbout().About();
        frmSKYAbout().CheckForUpdates();
    });
    m.addAction(QStringLiteral("Exit Skylark"), this, &QWidget::close);
}

void TfrmSKYOview::AddProjectDatabases(QMenu& menu) {
    QMenu* project = menu.addMenu(QStringLiteral("Project Databases"));
    bool first = true;
    for (const OverviewController::MenuItem& item : FCtl->ProjectMenu()) {
        QMenu* sub = project->addMenu(item.caption);
        if (first) {
            QFont f = sub->menuAction()->font();
            f.setBold(true);
            sub->menuAction()->setFont(f);
            first = false;
        }
        const QString file = item.caption;
        for (const QString& s : item.subItems) {
            if (s == QLatin1String("-"))
                sub->addSeparator();
            else if (s == QLatin1String("Open this Database"))
                sub->addAction(s, this, [this, file] { FCtl->OpenEntry(file); });
            else if (s.startsWith(QLatin1String("Re-Check Status")))
                sub->addAction(s, this, [this] {
                    FCtl->CheckAllFiles();
                    RefreshFiles();
                });
            else if (s == QLatin1String("Quick-Backup"))
                sub->addAction(s, this, [this, file] { FCtl->QuickBackup(file); });
            else if (s == QLatin1String("Open in Folder"))
                sub->addAction(s, this, [this, file] { ShowInFolder(file); });
            else if (s.startsWith(QLatin1String("Remove reference")))
                sub->addAction(s, this, [this, file] {
                    FCtl->RemoveEntry(file);
                    RefreshFiles();
                });
            else
                sub->addAction(s)->setEnabled(false); // the script processor's own window
        }
    }
    project->addSeparator();
}

void TfrmSKYOview::BuildWindowMenu(QMenu& m) {
    AddProjectDatabases(m);
    m.addSeparator();
    m.addAction(QStringLiteral("Show Pop-Outs"), this, [this] {
        if (FCtl->ShowPopOuts) FCtl->ShowPopOuts(true);
    });
    m.addAction(QStringLiteral("Close All"), this, [this] { FCtl->HideAll(); });
    m.addAction(QStringLiteral("Show All Open Databases"), this, [this] { FCtl->ShowAll(); });
    m.addAction(QStringLiteral("Cascade Windows"), this, [this] { CascadeWindows(); });
    m.addSeparator();
    m.addAction(QStringLiteral("Create New Database..."), this,
                [this] { FCtl->NewDatabase(SelectedEntry()); });
    m.addAction(QStringLiteral("Close and Unlink All"), this, [this] { FCtl->CloseAll(); });
    m.addSeparator();
    // The form filter minimises the other windows with this one.
    m.addAction(QStringLiteral("Minimize"), this, [this] { showMinimized(); });
    m.addAction(QStringLiteral("About Skylark"), this, [] { frmSKYAbout().About(); });
    m.addAction(QStringLiteral("Check for Updates"), this, [] {
        frmSKYAbout().About();
        frmSKYAbout().CheckForUpdates();
    });
    QAction* report = m.addAction(QStringLiteral("Report a Bug"));
    report->setToolTip(kReportBugAddress);
    connect(report, &QAction::triggered, this,
            [report] { QDesktopServices::openUrl(QUrl(report->toolTip().trimmed())); });
    m.addSeparator();
    m.addAction(QStringLiteral("Exit Skylark"), this, &QWidget::close);
}

void TfrmSKYOview::CascadeWindows() {
    // Columns of at most six windows, each column offset down and right.
    const QRect area = screen() ? screen()->availableGeometry() : QRect(0, 0, 1280, 800);
    const QList<WorkspaceHandle*> all = FCtl->Workspaces();
    const int columns = std::max<int>(1, (int(all.size()) + 5) / 6);
    const int colWidth = area.width() / columns;
    for (int i = 0; i < all.size(); ++i) {
        auto* w = dynamic_cast<QWidget*>(all[i]);
        if (!w) continue;
        const int col = i / 6, row = i % 6;
        w->showNormal();
        w->move(area.left() + col * colWidth + row * 32, area.top() + row * 32);
        w->raise();
    }
}

void TfrmSKYOview::LayoutFilePane(int mode) {
    if (mode == -1)
        FExpanded = !FExpanded;
    else if (mode > 0)
        FExpanded = true;
    else if (mode < 0)
        FExpanded = false;
    if (mode == 0) {
        // keep the widths; captions and drawing follow the state
    } else if (FExpanded) {
        const int monitor = screen() ? screen()->availableGeometry().width() : 1280;
        const FilePaneSize size = ExpandedPaneSize(monitor, width());
        if (size.windowWidth > width()) resize(size.windowWidth, height());
        SetPaneWidth(size.paneWidth);
    } else {
        SetPaneWidth(FCollapsedWidth);
    }
    btnExpand->setToolTip(FExpanded
                              ? QStringLiteral(" Collapse file pane (Show names only) ")
                              : QStringLiteral(" Expand file pane (Show full file and status) "));
    btnExpand->setIcon(
        style()->standardIcon(FExpanded ? QStyle::SP_ArrowLeft : QStyle::SP_ArrowRight));
    btnSearchExpand->setText(FExpanded ? QStringLiteral(" Expand") : QStringLiteral(" Collapse"));
    btnSearchExpand->setToolTip(FExpanded
                                    ? QStringLiteral(" Expand search results (Show full names) ")
                                    : QStringLiteral(" Collapse search results "));
    for (QPushButton* b : FHeaderButtons)
        b->setText(HeaderCaption(b->property("tag").toInt(), FExpanded));
    FFileDrawing->expanded = FExpanded;
    FSearchDrawing->expanded = !FExpanded;
    RefreshFiles();
    RefreshSearchResults();
    // Back inside the monitor.
    if (screen()) {
        const QRect area = screen()->availableGeometry();
        QRect g = frameGeometry();
        if (g.right() > area.right()) g.moveRight(area.right());
        if (g.left() < area.left()) g.moveLeft(area.left());
        if (g.topLeft() != frameGeometry().topLeft()) move(g.topLeft());
    }
}

void TfrmSKYOview::SetPaneWidth(int w) {
    QList<int> sizes = FSplit->sizes();
    if (sizes.size() < 2) return;
    const int total = sizes[0] + sizes[1] > 0 ? sizes[0] + sizes[1] : width();
    sizes[0] = w;
    sizes[1] = std::max(total - w, 100);
    FSplit->setSizes(sizes);
}

void TfrmSKYOview::RefreshProjects() {
    cbProjectName->clear();
    cbProjectName->addItems(FCtl->Projects());
    cbProjectName->setCurrentText(FCtl->CurrentProject());
    btnProjectDelete->setVisible(FCtl->CurrentProject() != kDefaultProject);
    RefreshFiles();
}

namespace {

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

} // namespace

QWidget* TfrmSKYOview::BuildSearchPage() {
    auto* page = new QWidget(this);
    auto* v = new QVBoxLayout(page);
    pgcSearch = new QTabWidget(page);
    pgcSearch->setObjectName(QStringLiteral("pgcSearch"));
    edtSearchDBText = new QComboBox(page);
    edtSearchTableSearch = new QComboBox(page);
    edtSearchFieldSearch = new QComboBox(page);
    for (QComboBox* c : {edtSearchDBText, edtSearchTableSearch, edtSearchFieldSearch}) {
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    edtSearchDBText->setObjectName(QStringLiteral("edtSearchDBText"));
    edtSearchTableSearch->setObjectName(QStringLiteral("edtSearchTableSearch"));
    edtSearchFieldSearch->setObjectName(QStringLiteral("edtSearchFieldSearch"));
    auto findButton = [&](const char* name, const char* hint) {
        auto* b = new QPushButton(QStringLiteral("  Find"), page);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(QLatin1String(hint));
        return b;
    };
    btnSearchDBGo = findButton("btnSearchDBGo", "Find database files...");
    btnSearchTableGo = findButton("btnSearchTableGo", "Find database Tables...");
    btnSearchFieldGo = findButton("btnSearchFieldGo", "Find database Objects...");
    auto row = [](QWidget* a, QWidget* b) {
        auto* h = new QHBoxLayout;
        h->addWidget(a, 1);
        h->addWidget(b);
        return h;
    };
    // Files: the two options, the location and the name.
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
    ff->addRow(QStringLiteral("DB / File to find:"), row(edtSearchDBText, btnSearchDBGo));
    pgcSearch->addTab(files, QStringLiteral("Find Database files"));
    // Tables and fields: the text and where to look.
    auto lookPage = [&](const char* caption, QComboBox* text, QPushButton* go, QComboBox*& look) {
        auto* w = new QWidget(pgcSearch);
        auto* f = new QFormLayout(w);
        look = LookInBox(w);
        f->addRow(QLatin1String(caption), row(text, go));
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
    lblSearchH1 = new QLabel(page);
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
    lbSearchResult = new QListWidget(page);
    lbSearchResult->setObjectName(QStringLiteral("lbSearchResult"));
    FSearchDrawing = new EntryDelegate(lbSearchResult);
    FSearchDrawing->expanded = true;
    lbSearchResult->setItemDelegate(FSearchDrawing);
    auto* copyResults =
        new QShortcut(QKeySequence::Copy, lbSearchResult, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copyResults, &QShortcut::activated, this, [this] {
        QGuiApplication::clipboard()->setText(SearchLines().join(QStringLiteral("\r\n")));
    });
    v->addWidget(lbSearchResult, 1);
    auto* buttons = new QHBoxLayout;
    auto* openB = new QPushButton(QStringLiteral("Open"), page);
    openB->setToolTip(QStringLiteral("Open and Add the selected Database..."));
    auto* addB = new QPushButton(QStringLiteral("Add"), page);
    addB->setToolTip(
        QStringLiteral("Add the selected Database to the Project,\r\nbut do not open it yet."));
    auto* addAll = new QPushButton(QStringLiteral("Add All"), page);
    addAll->setToolTip(QStringLiteral(
        "Add all found Database items to the Project,\r\nbut do not open them yet."));
    btnSearchExpand = new QPushButton(QStringLiteral(" Collapse"), page);
    btnSearchExpand->setToolTip(QStringLiteral(" Collapse search results "));
    connect(btnSearchExpand, &QPushButton::clicked, this, [this] { LayoutFilePane(-1); });
    buttons->addWidget(btnSearchExpand);
    buttons->addStretch(1);
    buttons->addWidget(openB);
    buttons->addWidget(addB);
    buttons->addWidget(addAll);
    v->addLayout(buttons);

    connect(btnSearchDBGo, &QPushButton::clicked, this, &TfrmSKYOview::FindFiles);
    connect(btnSearchTableGo, &QPushButton::clicked, this, [this] { FindTables(false); });
    connect(btnSearchFieldGo, &QPushButton::clicked, this, [this] { FindTables(true); });
    new EnterFilter(edtSearchDBText, [this] { FindFiles(); });
    new EnterFilter(edtSearchTableSearch, [this] { FindTables(false); });
    new EnterFilter(edtSearchFieldSearch, [this] { FindTables(true); });
    new EnterFilter(edtSearchDBFolder, [this] { edtSearchDBText->setFocus(); });
    auto openResult = [this] {
        if (lbSearchResult->currentItem()) OpenSelected(lbSearchResult->currentItem()->text());
    };
    connect(openB, &QPushButton::clicked, this, openResult);
    connect(lbSearchResult, &QListWidget::itemDoubleClicked, this, openResult);
    new EnterFilter(lbSearchResult, openResult);
    connect(addB, &QPushButton::clicked, this, [this] {
        if (lbSearchResult->currentItem())
            FCtl->AddSearchResults({lbSearchResult->currentItem()->text()});
        RefreshFiles();
    });
    connect(addAll, &QPushButton::clicked, this, [this] {
        FCtl->AddSearchResults(SearchLines());
        RefreshFiles();
    });
    connect(btnSearchDBBrowse, &QPushButton::clicked, this, [this] {
        const QString chosen =
            FChooser->Folder(QStringLiteral("Select Folder..."), edtSearchDBFolder->text());
        if (!chosen.isEmpty()) edtSearchDBFolder->setText(chosen);
    });
    connect(chkSearchDBInSpecified, &QCheckBox::toggled, this, [this] { ShowSearchLocation(); });
    connect(chkSearchDBSubFolders, &QCheckBox::toggled, this, [this] { ShowSearchLocation(); });
    connect(rgSearchLookIn1, &QComboBox::currentIndexChanged, this,
            [this](int i) { rgSearchLookIn2->setCurrentIndex(i); });
    connect(rgSearchLookIn2, &QComboBox::currentIndexChanged, this,
            [this](int i) { rgSearchLookIn1->setCurrentIndex(i); });
    connect(pgcSearch, &QTabWidget::currentChanged, this, [this] { ShowSearchHelp(); });
    ShowSearchLocation();
    ShowSearchHelp();
    return page;
}

void TfrmSKYOview::ShowSearchLocation() {
    const bool specified = chkSearchDBInSpecified->isChecked();
    lblSearchLocation->setText(SearchLocationText(specified, chkSearchDBSubFolders->isChecked()));
    edtSearchDBFolder->setVisible(specified);
    btnSearchDBBrowse->setVisible(specified);
    lblSearchProjectFolders->setVisible(!specified);
}

void TfrmSKYOview::ShowSearchHelp() {
    const QString help = SearchHelpText(pgcSearch->currentIndex());
    lblSearchH1->setText(FSearchHelpOpen ? help : help.section(QLatin1Char('\n'), 0, 0));
}

QStringList TfrmSKYOview::SearchLines() const {
    QStringList lines;
    for (int i = 0; i < lbSearchResult->count(); ++i)
        lines << lbSearchResult->item(i)->text();
    return lines;
}

// The text of a search box after the history step: trimmed, at the top of
// the box's list.
static QString TakeSearchText(QComboBox* box) {
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

void TfrmSKYOview::AddSearchLines(const QString& line) {
    AddSearchLines(QStringList{line});
}

void TfrmSKYOview::AddSearchLines(const QStringList& lines) {
    for (const QString& line : lines) {
        auto* it = new QListWidgetItem(line, lbSearchResult);
        it->setData(kEntryRole, line);
    }
    RefreshSearchResults();
}

void TfrmSKYOview::RefreshSearchResults() {
    for (int i = 0; i < lbSearchResult->count(); ++i) {
        QListWidgetItem* it = lbSearchResult->item(i);
        const QString file = FileOfEntry(it->text());
        if (const TSQLite3FileHeader* h = FCtl->Status().Find(file))
            it->setData(kStatusRole, h->Status);
        else
            it->setData(kStatusRole, QVariant());
        it->setData(kOpenRole, FCtl->IsOpen(file));
    }
    lbSearchResult->viewport()->update();
}

void TfrmSKYOview::FindFiles() {
    if (!btnSearchDBGo->isEnabled()) return;
    const QString text = TakeSearchText(edtSearchDBText);
    btnSearchDBGo->setEnabled(false);
    lbSearchResult->clear();
    AddSearchLines(QStringLiteral("Finding files, please wait..."));
    QCoreApplication::processEvents();
    QStringList folders;
    const bool specified = FCtl->Files().isEmpty() || chkSearchDBInSpecified->isChecked();
    if (specified)
        folders << edtSearchDBFolder->text();
    else
        for (const QString& e : FCtl->Files())
            folders << QFileInfo(FileOfEntry(e)).absolutePath();
    QStringList messages;
    AddSearchLines(QStringLiteral("Checking validity..."));
    QCoreApplication::processEvents();
    const QStringList found =
        FindDatabaseFiles(folders, FileSearchPattern(text),
                          specified && chkSearchDBSubFolders->isChecked(), messages);
    AddSearchLines(messages);
    AddSearchLines(QStringLiteral("Finding Complete."));
    if (!messages.isEmpty()) {
        // The locked files stay readable for a moment before the results replace them.
        AddSearchLines(QStringLiteral("Failed to read some files (see above)... "));
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

void TfrmSKYOview::FindTables(bool inDefinitions) {
    QPushButton* go = inDefinitions ? btnSearchFieldGo : btnSearchTableGo;
    if (!go->isEnabled()) return;
    const QString text =
        TakeSearchText(inDefinitions ? edtSearchFieldSearch : edtSearchTableSearch);
    go->setEnabled(false);
    const QStringList candidates =
        LookInCandidates(rgSearchLookIn1->currentIndex(), FCtl->Files(), SearchLines());
    lbSearchResult->clear();
    AddSearchLines(inDefinitions ? QStringLiteral("Finding Table objects, please wait...")
                                 : QStringLiteral("Finding Tables, please wait..."));
    AddSearchLines(QStringLiteral("Checking validity..."));
    QCoreApplication::processEvents();
    const QStringList found = sky::FindTables(candidates, text, inDefinitions, &FCtl->Status());
    lbSearchResult->clear();
    AddSearchLines(found);
    if (lbSearchResult->count()) lbSearchResult->setCurrentRow(0);
    lbSearchResult->setFocus();
    go->setEnabled(true);
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
    connect(cbCfgHints, &QCheckBox::toggled, this, [this](bool on) {
        TKFormFilter::Instance()->SetShowTooltips(on);
        FCtl->SetShowTooltips(on);
    });
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
    auto* page = new TDocsPage(this, true);
    cbDocsSQLItem = page->Statements();
    edtDocsSearch = page->SearchBox();
    return page;
}

QString TfrmSKYOview::SelectedEntry() const {
    QListWidgetItem* it = lbDBFiles->currentItem();
    return it ? it->data(Qt::UserRole).toString() : QString();
}

QString TfrmSKYOview::OpenedFile() const {
    return FLastWorkspace ? FLastWorkspace->property("dbFile").toString() : QString();
}

QString TfrmSKYOview::EntryText(const QString& entry) const {
    return DrawEntry(entry, FCtl->StatusOf(entry), FCtl->IsOpen(FileOfEntry(entry)), FExpanded)
        .Text();
}

void TfrmSKYOview::RefreshFiles() {
    const QString keep = SelectedEntry();
    lbDBFiles->clear();
    for (const QString& e : FCtl->Files()) {
        auto* it = new QListWidgetItem(EntryText(e), lbDBFiles);
        it->setData(kEntryRole, e);
        it->setData(kStatusRole, FCtl->StatusOf(e));
        it->setData(kOpenRole, FCtl->IsOpen(FileOfEntry(e)));
        it->setToolTip(FileOfEntry(e));
        if (e == keep) lbDBFiles->setCurrentItem(it);
    }
    if (lbSearchResult) RefreshSearchResults();
}

WorkspaceHandle* TfrmSKYOview::CreateWorkspace() {
    auto* w = new TfrmSKYMain;
    FLastWorkspace = w;
    return w;
}

void TfrmSKYOview::DeferredStart() {
    RestorePlacement(objectName(), this, false);
    FCtl->LoadProjects();
    RefreshProjects();
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
    // The splitter takes widths once it is laid out.
    SetPaneWidth(CfgGetInt(QStringLiteral("FileListWidth"), kCollapsedPaneWidth,
                           kCollapsedPaneWidth, std::max(kCollapsedPaneWidth, width() * 8 / 10)));
    LayoutFilePane(CfgGetBool(QStringLiteral("ExpandedPane"), false) ? 1 : 0);
    FStarted = true;
    Q_EMIT StartFinished();
    if (FOptions.quitAfterStart) PulseCall(1, 1, this, [this] { close(); });
    if (!FOptions.screenshot.isEmpty())
        PulseCall(500, 1, this, [this] {
            grab().save(FOptions.screenshot, "PNG");
            // The workspace opened last beside it, as FILE-workspace.png.
            if (FLastWorkspace) {
                QString name = FOptions.screenshot;
                if (name.endsWith(QLatin1String(".png"), Qt::CaseInsensitive)) name.chop(4);
                FLastWorkspace->grab().save(name + QStringLiteral("-workspace.png"), "PNG");
            }
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
    CfgPutNum(QStringLiteral("FileListWidth"), FSplit->sizes().value(0));
    SavePlacement(objectName(), this);
    CfgPutBool(QStringLiteral("ShowTooltips"), cbCfgHints->isChecked());
    CfgPutBool(QStringLiteral("LastDBatTop"), chkCfgLastDBatTop->isChecked());
    CfgPutBool(QStringLiteral("ExpandedPane"), FExpanded);
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
    // Busy workspaces close when their operation returns; the overview waits for them.
    FCtl->CloseAll();
    if (!FCtl->Workspaces().isEmpty()) {
        e->ignore();
        PulseCall(100, 1, this, [this] { close(); });
        return;
    }
    if (FFrame) {
        TfrmSKYApp* frame = FFrame;
        PulseCall(10, 1, frame, [frame] { frame->Close(); });
    }
    e->accept();
}

} // namespace sky::ui
