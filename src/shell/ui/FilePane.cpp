#include "shell/ui/FilePane.h"

#include "shell/Overview.h"
#include "shell/UpdateCheck.h"
#include "shell/ui/AboutBox.h"
#include "shell/ui/EntryDelegate.h"

#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

namespace sky::ui {
namespace {

const QString kExpandHint = QStringLiteral(" Expand file pane (Show full file and status) ");
const QString kCollapseHint = QStringLiteral(" Collapse file pane (Show names only) ");

} // namespace

TFilePane::TFilePane(OverviewController& c, QWidget* parent) : QWidget(parent), FCtl(c) {
    auto* v = new QVBoxLayout(this);
    cbProjectName = new QComboBox(this);
    cbProjectName->setObjectName(QStringLiteral("cbProjectName"));
    v->addWidget(cbProjectName);
    auto* head = new QHBoxLayout;
    head->setSpacing(2);
    static const QStyle::StandardPixmap pictures[] = {
        QStyle::SP_ArrowRight,          QStyle::SP_FileDialogNewFolder,
        QStyle::SP_DialogDiscardButton, QStyle::SP_DialogOpenButton,
        QStyle::SP_DialogResetButton,   QStyle::SP_TitleBarUnshadeButton};
    auto button = [&](int tag, const char* name, const char* hint, auto fn) {
        auto* b = new QPushButton(this);
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
    btnExpand = button(0, "btnExpand", "", [this] { Q_EMIT ToggleExpanded(); });
    button(1, "btnProjectNew", "Create a New Project...\r\n(collection of Database files)",
           [this] { FCtl.NewProject(); });
    btnProjectDelete =
        button(2, "btnProjectDelete",
               "Remove the current Project\r\nThis will not remove any DB files, only the listing",
               [this] { FCtl.DeleteProject(); });
    button(3, "btnAddDB",
           "Browse and Add a DB file to this Project...\r\nHint: The Search facility is faster",
           [this] { FCtl.BrowseAndOpen(); });
    button(4, "btnPurge", "Purge this Project listing\r\n(Remove  non-Ready Items)",
           [this] { FCtl.Purge(); });
    button(5, "btnMenu", "Show Project-Menu\r\nRight-click on DB files for more options", [this] {
        QMenu m(this);
        BuildWindowMenu(m);
        m.exec(QCursor::pos() - QPoint(32, 12));
    });
    v->addLayout(head);
    lbDBFiles = new QListWidget(this);
    lbDBFiles->setObjectName(QStringLiteral("lbDBFiles"));
    lbDBFiles->setContextMenuPolicy(Qt::CustomContextMenu);
    lbDBFiles->setDragDropMode(QAbstractItemView::InternalMove);
    lbDBFiles->setMouseTracking(true);
    FDrawing = new EntryDelegate(lbDBFiles);
    lbDBFiles->setItemDelegate(FDrawing);
    v->addWidget(lbDBFiles, 1);
    auto* copy = new QShortcut(QKeySequence::Copy, lbDBFiles, nullptr, nullptr, Qt::WidgetShortcut);
    connect(copy, &QShortcut::activated, this, [this] {
        QGuiApplication::clipboard()->setText(FCtl.Files().join(QStringLiteral("\r\n")));
    });
    connect(cbProjectName, &QComboBox::activated, this,
            [this](int i) { FCtl.SelectProject(cbProjectName->itemText(i)); });
    connect(lbDBFiles, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* it) { FCtl.OpenListed(it->data(kEntryRole).toString()); });
    connect(lbDBFiles, &QListWidget::itemEntered, this, [this](QListWidgetItem* it) {
        lbDBFiles->setCurrentItem(it);
        Q_EMIT EntryEntered(it->data(kEntryRole).toString());
    });
    connect(lbDBFiles->model(), &QAbstractItemModel::rowsMoved, this, [this] {
        QStringList entries;
        for (int i = 0; i < lbDBFiles->count(); ++i)
            entries << lbDBFiles->item(i)->data(kEntryRole).toString();
        FCtl.SetFiles(entries);
        FCtl.SaveProjectLists();
    });
    connect(lbDBFiles, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu m(this);
        BuildEntryMenu(m, SelectedEntry());
        m.exec(lbDBFiles->viewport()->mapToGlobal(at));
    });
}

QString TFilePane::SelectedEntry() const {
    QListWidgetItem* it = lbDBFiles->currentItem();
    return it ? it->data(kEntryRole).toString() : QString();
}

QString TFilePane::EntryText(const QString& entry) const {
    return DrawEntry(entry, FCtl.StatusOf(entry), FCtl.IsOpen(FileOfEntry(entry)), FExpanded)
        .Text();
}

void TFilePane::RefreshFiles() {
    const QString keep = SelectedEntry();
    lbDBFiles->clear();
    for (const QString& e : FCtl.Files()) {
        auto* it = new QListWidgetItem(EntryText(e), lbDBFiles);
        it->setData(kEntryRole, e);
        it->setData(kStatusRole, FCtl.StatusOf(e));
        it->setData(kOpenRole, FCtl.IsOpen(FileOfEntry(e)));
        it->setToolTip(FileOfEntry(e));
        if (e == keep) lbDBFiles->setCurrentItem(it);
    }
}

void TFilePane::RefreshProjects() {
    cbProjectName->clear();
    cbProjectName->addItems(FCtl.Projects());
    cbProjectName->setCurrentText(FCtl.CurrentProject());
    btnProjectDelete->setVisible(FCtl.CurrentProject() != kDefaultProject);
    RefreshFiles();
}

void TFilePane::SetExpanded(bool expanded) {
    FExpanded = expanded;
    btnExpand->setToolTip(expanded ? kCollapseHint : kExpandHint);
    btnExpand->setIcon(
        style()->standardIcon(expanded ? QStyle::SP_ArrowLeft : QStyle::SP_ArrowRight));
    for (QPushButton* b : FHeaderButtons)
        b->setText(HeaderCaption(b->property("tag").toInt(), expanded));
    FDrawing->expanded = expanded;
    RefreshFiles();
}

void TFilePane::BuildEntryMenu(QMenu& m, const QString& entry) {
    const QString file = FileOfEntry(entry);
    const TSQLite3FileHeader* h = FCtl.Status().Find(file);
    const int status = entry.isEmpty() || !h ? -1 : h->Status;
    const bool open = FCtl.IsOpen(file);
    QAction* def = m.addAction(QStringLiteral("Open the selected Database"), this,
                               [this, entry] { FCtl.OpenListed(entry); });
    def->setEnabled(open || status == 0);
    m.setDefaultAction(def);
    QAction* script =
        m.addAction(QStringLiteral("Open Script Editor for this Database"), this, [this, file] {
            if (FScripts) FScripts(file);
        });
    script->setEnabled(FScripts && status == 0);
    // A file that is there but not ready is documented by its "#ERROR" line.
    QAction* doc = m.addAction(QStringLiteral("Generate Schema Documentation"), this, [this, file] {
        if (FDocs) FDocs(file);
    });
    doc->setEnabled(FDocs && !entry.isEmpty() && status != 1 && status != 2);
    m.addAction(QStringLiteral("Find && Open another Database..."), this,
                [this] { FCtl.BrowseAndOpen(); });
    m.addAction(QStringLiteral("Create a New empty Database..."), this,
                [this, entry] { FCtl.NewDatabase(entry); });
    m.addAction(QStringLiteral("Duplicate (Copy) the selected Database..."), this, [this, entry] {
         FCtl.Duplicate(entry);
     })->setEnabled(status == 0);
    QMenu* backups = m.addMenu(QStringLiteral("Database Backup && Restore"));
    backups->setEnabled(status == 0);
    backups->addAction(QStringLiteral("Quick-Backup the selected Database"), this,
                       [this, entry] { FCtl.QuickBackup(entry); });
    backups->addAction(QStringLiteral("Full Backup (to selected file)..."), this,
                       [this, entry] { FCtl.FullBackup(entry); });
    backups->addAction(QStringLiteral("Quick-Restore (from last Quick-Backup)"), this,
                       [this, entry] { FCtl.QuickRestore(entry); });
    backups->addAction(QStringLiteral("Full Restore (from selected file)..."), this,
                       [this, entry] { FCtl.FullRestore(entry); });
    m.addAction(QStringLiteral("Show in Folder"), this, [this, file] {
         Q_EMIT ShowInFolder(file);
     })->setEnabled(!entry.isEmpty());
    m.addSeparator();
    m.addAction(QStringLiteral("Disconnect Database"), this, [this, entry] {
         FCtl.Disconnect(entry);
     })->setEnabled(open);
    m.addAction(QStringLiteral("Close and Disconnect All"), this, [this] { FCtl.CloseAll(); });
    m.addAction(QStringLiteral("Remove from Project  (File remains on-disk)"), this, [this, entry] {
         FCtl.RemoveEntry(entry);
     })->setEnabled(!open && !entry.isEmpty());
    m.addSeparator();
    m.addAction(QStringLiteral("About Skylark"), this, [] { frmSKYAbout().About(); });
    m.addAction(QStringLiteral("Check for Updates"), this, [] {
        frmSKYAbout().About();
        frmSKYAbout().CheckForUpdates();
    });
    m.addAction(QStringLiteral("Exit Skylark"), this, [this] { Q_EMIT ExitRequested(); });
}

void TFilePane::AddProjectDatabases(QMenu& menu) {
    QMenu* project = menu.addMenu(QStringLiteral("Project Databases"));
    bool first = true;
    for (const OverviewController::MenuItem& item : FCtl.ProjectMenu()) {
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
                sub->addAction(s, this, [this, file] { FCtl.OpenEntry(file); });
            else if (s.startsWith(QLatin1String("Re-Check Status")))
                sub->addAction(s, this, [this] { FCtl.CheckAllFiles(); });
            else if (s == QLatin1String("Quick-Backup"))
                sub->addAction(s, this, [this, file] { FCtl.QuickBackup(file); });
            else if (s == QLatin1String("Open in Folder"))
                sub->addAction(s, this, [this, file] { Q_EMIT ShowInFolder(file); });
            else if (s.startsWith(QLatin1String("Remove reference")))
                sub->addAction(s, this, [this, file] { FCtl.RemoveEntry(file); });
            else
                sub->addAction(s)->setEnabled(false); // the script processor's own window
        }
    }
    project->addSeparator();
}

void TFilePane::BuildWindowMenu(QMenu& m) {
    AddProjectDatabases(m);
    m.addSeparator();
    m.addAction(QStringLiteral("Show Pop-Outs"), this, [this] { FCtl.ShowPopOuts(); });
    m.addAction(QStringLiteral("Close All"), this, [this] { FCtl.HideAll(); });
    m.addAction(QStringLiteral("Show All Open Databases"), this, [this] { FCtl.ShowAll(); });
    m.addAction(QStringLiteral("Cascade Windows"), this, [this] { Q_EMIT CascadeWindows(); });
    m.addSeparator();
    m.addAction(QStringLiteral("Create New Database..."), this,
                [this] { FCtl.NewDatabase(SelectedEntry()); });
    m.addAction(QStringLiteral("Close and Unlink All"), this, [this] { FCtl.CloseAll(); });
    m.addSeparator();
    // The form filter minimises the other windows with the overview.
    m.addAction(QStringLiteral("Minimize"), this, [this] { Q_EMIT MinimizeRequested(); });
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
    m.addAction(QStringLiteral("Exit Skylark"), this, [this] { Q_EMIT ExitRequested(); });
}

} // namespace sky::ui
