#include "design/ui/TableDesigner.h"

#include "design/ui/CheckDialog.h"
#include "design/ui/ForeignKeyDialog.h"
#include "design/ui/IndexDialog.h"
#include "design/ui/KeyDialog.h"
#include "design/ui/TriggerDialog.h"
#include "shell/ui/HelpPanel.h"
#include "shell/ui/QtPrompter.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"
#include "shell/ui/Themes.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>
#include <functional>

namespace sky::ui {
namespace {

const QColor kTakenName(0xFF, 0xFF, 0xEE);    // light yellow
const QColor kRejectedName(0xFF, 0xEE, 0xEE); // light red
const QColor kDuplicateText(0xCC, 0x00, 0x00);
const QColor kWarnBack(0xFF, 0xEE, 0xCC);

QComboBox* Choices(QWidget* parent, const char* name, const QStringList& items, bool editable) {
    auto* c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems(items);
    c->setEditable(editable);
    return c;
}

QCheckBox* Box(QWidget* parent, const char* name, const QString& caption) {
    auto* c = new QCheckBox(caption, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

// The text a combo box shows, without change signals.
void SetComboText(QComboBox* c, const QString& text) {
    const QSignalBlocker block(c);
    const int i = c->findText(text, Qt::MatchFixedString);
    if (c->isEditable())
        c->setEditText(text);
    else
        c->setCurrentIndex(i < 0 ? 0 : i);
}

} // namespace

class TfrmSKYTblDesign::Ports {
public:
    QtClipboard clipboard;
    QtOpener opener;
};

template <typename F> void TfrmSKYTblDesign::Edit(F f) {
    if (!fEditActive) return;
    // A failed edit keeps what was written before it; the window stays usable.
    try {
        f();
    } catch (const std::exception&) {
    }
    Render();
}

TfrmSKYTblDesign::TfrmSKYTblDesign(QWidget* parent)
    : QDialog(parent), FPorts(std::make_unique<Ports>()) {
    DesignerDialogs& dialogs = schemaDialogs();
    FCtl = std::make_unique<TableDesignerController>(Prompts(), dialogs, &FPorts->clipboard,
                                                     &FPorts->opener);
    setObjectName(QStringLiteral("frmSKYTblDesign"));
    setWindowTitle(kDesignerCaption);
    resize(1100, 700);
    auto* v = new QVBoxLayout(this);
    v->addWidget(BuildTableBar());
    BuildToolbar();
    v->addWidget(tbDesign);
    auto* split = new QSplitter(Qt::Horizontal, this);
    auto* left = new QWidget(split);
    auto* lv = new QVBoxLayout(left);
    lv->setContentsMargins(0, 0, 0, 0);
    sgTable = new QTableWidget(left);
    sgTable->setObjectName(QStringLiteral("sgTable"));
    sgTable->horizontalHeader()->setSectionsMovable(true);
    sgTable->setContextMenuPolicy(Qt::CustomContextMenu);
    sgTable->setSelectionMode(QAbstractItemView::SingleSelection);
    lv->addWidget(sgTable, 3);
    lv->addWidget(BuildEditors(), 2);
    split->addWidget(left);
    split->addWidget(BuildScriptPane());
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    v->addWidget(split, 1);
    auto* buttons = new QHBoxLayout;
    btnLegend = new QPushButton(QStringLiteral("Legend"), this);
    btnLegend->setObjectName(QStringLiteral("btnLegend"));
    btnDocumentation = new QPushButton(QStringLiteral("  Documentation"), this);
    btnDocumentation->setObjectName(QStringLiteral("btnDocumentation"));
    btnAccept = new QPushButton(QStringLiteral("  Accept"), this);
    btnAccept->setObjectName(QStringLiteral("btnAccept"));
    btnCancel = new QPushButton(QStringLiteral("  Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    buttons->addWidget(btnLegend);
    buttons->addWidget(btnDocumentation);
    buttons->addStretch(1);
    buttons->addWidget(btnAccept);
    buttons->addWidget(btnCancel);
    BuildHelp();
    v->addWidget(pnlHelp);
    v->addLayout(buttons);
    puTableDesign = new QMenu(this);
    puTableDesign->setObjectName(QStringLiteral("puTableDesign"));
    ConnectEditors();
}

TfrmSKYTblDesign::~TfrmSKYTblDesign() = default;

QWidget* TfrmSKYTblDesign::BuildTableBar() {
    auto* w = new QWidget(this);
    auto* g = new QGridLayout(w);
    g->setContentsMargins(0, 0, 0, 0);
    edtTableName = new QLineEdit(w);
    edtTableName->setObjectName(QStringLiteral("edtTableName"));
    edtTableName->setToolTip(kNameHintNew);
    edtTableName->setAutoFillBackground(true);
    edtTableName->installEventFilter(this);
    cbTemplate = Choices(w, "cbTemplate", {}, false);
    btnTemplate = new QPushButton(QStringLiteral("Import"), w);
    btnTemplate->setObjectName(QStringLiteral("btnTemplate"));
    btnTemplate->setToolTip(QStringLiteral("Import this Template"));
    g->addWidget(new QLabel(QStringLiteral("Table Name:"), w), 0, 0);
    g->addWidget(edtTableName, 0, 1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Template:"), w), 0, 3);
    g->addWidget(cbTemplate, 0, 4);
    g->addWidget(btnTemplate, 0, 5);
    imgHelpTable = HelpMark(w, "imgHelpTable");
    g->addWidget(imgHelpTable, 0, 6);
    cbTableCreateAsTemp = Box(w, "cbTableCreateAsTemp", QStringLiteral("TEMP Table"));
    cbTableCreateIfNotExist =
        Box(w, "cbTableCreateIfNotExist", QStringLiteral("Add: \"IF NOT EXISTS\" "));
    cbTableCreateDropped =
        Box(w, "cbTableCreateDropped", QStringLiteral("Add: \"DROP TABLE\" first "));
    cbTableWithoutRowID = Box(w, "cbTableWithoutRowID", QStringLiteral("Create ... WITHOUT ROWID"));
    cbIsVirtual = Box(w, "cbIsVirtual", QStringLiteral("VIRTUAL Table"));
    cbVirtualType = Choices(w, "cbVirtualType", DesignerModuleChoices(), true);
    auto* opts = new QHBoxLayout;
    for (QWidget* x : std::initializer_list<QWidget*>{cbTableCreateAsTemp, cbTableCreateIfNotExist,
                                                      cbTableCreateDropped, cbTableWithoutRowID,
                                                      cbIsVirtual, cbVirtualType})
        opts->addWidget(x);
    imgHelpVirtual = HelpMark(w, "imgHelpVirtual");
    opts->addWidget(imgHelpVirtual);
    opts->addStretch(1);
    g->addLayout(opts, 1, 0, 1, 6);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(4, 1);
    return w;
}

void TfrmSKYTblDesign::BuildToolbar() {
    tbDesign = new QToolBar(this);
    tbDesign->setObjectName(QStringLiteral("tbDesign"));
    auto add = [this](const QString& text) { return tbDesign->addAction(text); };
    actAddColumn = add(QStringLiteral("Add Column"));
    actAddColumn->setToolTip(QStringLiteral("Add a Column"));
    actInsertColumn = add(QStringLiteral("Insert Column"));
    actInsertColumn->setToolTip(QStringLiteral("Insert a Column"));
    actDuplicate = add(QStringLiteral("Duplicate"));
    actRemoveColumn = add(QStringLiteral("Remove Column"));
    tbDesign->addSeparator();
    for (const char* t :
         {"Add Primary Key", "Add Unique Key", "Add Check Constraint", "Add Foreign Key"})
        FAddActions << add(QLatin1String(t));
    FAddActions << add(QStringLiteral("Add Index")) << add(QStringLiteral("Add Trigger"));
    tbDesign->addSeparator();
    actEditEntry = add(QStringLiteral("Edit"));
    actRemoveEntry = add(QStringLiteral("Remove"));
    tbDesign->addSeparator();
    actTest = add(QStringLiteral("Test"));
    actTest->setToolTip(QStringLiteral("Check / Debug the Table schema SQL"));
    actCopy = add(QStringLiteral("Copy SQL"));
    actCopy->setToolTip(QStringLiteral("Copy Table schema SQL"));
    actDoc = add(QStringLiteral("Help"));
    actDoc->setToolTip(QStringLiteral("View SQL documentation for \"CREATE TABLE\" "));
}

QWidget* TfrmSKYTblDesign::BuildEditors() {
    auto* w = new QFrame(this);
    w->setFrameShape(QFrame::StyledPanel);
    auto* g = new QGridLayout(w);
    edtColName = new QLineEdit(w);
    edtColName->setObjectName(QStringLiteral("edtColName"));
    lblColDuplicate = new QLabel(QStringLiteral("Duplicate Column Name"), w);
    lblColDuplicate->setObjectName(QStringLiteral("lblColDuplicate"));
    lblColumn = new QLabel(w);
    lblColumn->setObjectName(QStringLiteral("lblColumn"));
    cbType = Choices(w, "cbType", DesignerTypeChoices(), true);
    cbFieldSpec = Choices(w, "cbFieldSpec", DesignerLengthChoices(), true);
    cbCollation = Choices(w, "cbCollation", DesignerCollationChoices(), true);
    cbDefault = Choices(w, "cbDefault", DesignerDefaultChoices(), true);
    cbCheck = Choices(w, "cbCheck", {}, true);
    edtColComment = new QLineEdit(w);
    edtColComment->setObjectName(QStringLiteral("edtColComment"));
    cbPrimaryKey = Box(w, "cbPrimaryKey", QStringLiteral("Primary Key"));
    cbPKAscending = Box(w, "cbPKAscending", QStringLiteral("Ascending order"));
    cbPKAutoIncrement = Box(w, "cbPKAutoIncrement", QStringLiteral("Auto Increment"));
    cbAllowNull = Box(w, "cbAllowNull", QStringLiteral("Allow Null"));
    cbUnique = Box(w, "cbUnique", QStringLiteral("Unique"));
    cbConflictClause = Choices(w, "cbConflictClause", DesignerConflictChoices(), false);
    lblColForeignKey = new QLabel(w);
    lblColForeignKey->setObjectName(QStringLiteral("lblColForeignKey"));
    lblColForeignKey->installEventFilter(this);
    btnFKeyCol = new QPushButton(QStringLiteral("Foreign Key..."), w);
    btnFKeyCol->setObjectName(QStringLiteral("btnFKeyCol"));
    int r = 0;
    auto row = [&](const QString& label, QWidget* a, QWidget* b = nullptr) {
        g->addWidget(new QLabel(label, w), r, 0);
        g->addWidget(a, r, 1);
        if (b) g->addWidget(b, r, 2);
        ++r;
    };
    row(QStringLiteral("Column Name:"), edtColName, lblColDuplicate);
    row(QStringLiteral("Old Name:"), lblColumn);
    row(QStringLiteral("Data Type:"), cbType, cbFieldSpec);
    row(QStringLiteral("Collation:"), cbCollation);
    row(QStringLiteral("Default Value:"), cbDefault);
    row(QStringLiteral("Check:"), cbCheck);
    row(QStringLiteral("Comment:"), edtColComment);
    row(QStringLiteral("Foreign Key:"), lblColForeignKey, btnFKeyCol);
    auto* boxes = new QVBoxLayout;
    for (QWidget* x : std::initializer_list<QWidget*>{cbPrimaryKey, cbPKAscending,
                                                      cbPKAutoIncrement, cbAllowNull, cbUnique})
        boxes->addWidget(x);
    boxes->addWidget(new QLabel(QStringLiteral("On Conflict:"), w));
    boxes->addWidget(cbConflictClause);
    imgHelpColumn = HelpMark(w, "imgHelpColumn");
    boxes->addWidget(imgHelpColumn);
    boxes->addStretch(1);
    g->addLayout(boxes, 0, 3, r, 1);
    g->setColumnStretch(1, 1);
    return w;
}

QWidget* TfrmSKYTblDesign::BuildScriptPane() {
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    lblDependantsWarn = new QLabel(
        QStringLiteral(
            "Warning: Some Indices or Triggers use the old Scheme.  Hover here for help..."),
        w);
    lblDependantsWarn->setObjectName(QStringLiteral("lblDependantsWarn"));
    lblDependantsWarn->setWordWrap(true);
    lblDependantsWarn->setAutoFillBackground(true);
    QPalette p = lblDependantsWarn->palette();
    p.setColor(QPalette::Window, kWarnBack);
    p.setColor(QPalette::WindowText, ReadableOn(QColor(0x99, 0x33, 0x00), kWarnBack));
    lblDependantsWarn->setPalette(p);
    lblDependantsWarn->setCursor(Qt::PointingHandCursor);
    lblDependantsWarn->installEventFilter(this);
    memSQL = new QsciScintilla(w);
    memSQL->setObjectName(QStringLiteral("memSQL"));
    memSQL->setUtf8(true);
    StyleSqlEditor(memSQL);
    memSQL->setReadOnly(true);
    memSQL->setWrapMode(QsciScintilla::WrapNone);
    memSQL->setMarginWidth(0, 0);
    memSQL->setMarginWidth(1, 0);
    memSQL->setEolMode(QsciScintilla::EolWindows);
    lblTestNote = new QLabel(QStringLiteral("Check / Debug the Table schema SQL"), w);
    lblTestNote->setObjectName(QStringLiteral("lblTestNote"));
    lblTestNote->setCursor(Qt::PointingHandCursor);
    lblTestNote->installEventFilter(this);
    v->addWidget(lblDependantsWarn);
    v->addWidget(memSQL, 1);
    v->addWidget(lblTestNote);
    return w;
}

void TfrmSKYTblDesign::BuildHelp() {
    const HelpPanel help = MakeHelpPanel(this);
    pnlHelp = help.frame;
    lblHelpHeader = help.header;
    lblHelpText = help.text;
    // Hovering these shows their help; leaving hides it.
    FHelpWidgets = {imgHelpTable, imgHelpColumn, imgHelpVirtual, btnLegend, lblDependantsWarn};
    FHelpOf = {HelpTopic::TableDesign, HelpTopic::ColumnProperties, HelpTopic::VirtualTable,
               HelpTopic::Legend, HelpTopic::Dependants};
    for (QWidget* w : FHelpWidgets)
        w->installEventFilter(this);
}

void TfrmSKYTblDesign::ShowHelp(HelpTopic topic) {
    lblHelpHeader->setText(HelpHeader(topic));
    lblHelpText->setText(HelpText(topic));
    pnlHelp->show();
}

void TfrmSKYTblDesign::ConnectEditors() {
    TableDesignerController& c = *FCtl;
    connect(edtTableName, &QLineEdit::textEdited, this,
            [this, &c](const QString& s) { Edit([&] { c.SetTableName(s); }); });
    connect(btnTemplate, &QPushButton::clicked, this,
            [this, &c] { Edit([&] { c.ImportTemplate(cbTemplate->currentText()); }); });
    auto box = [this](QCheckBox* b, auto setter) {
        connect(b, &QCheckBox::toggled, this,
                [this, setter](bool on) { Edit([&] { setter(on); }); });
    };
    box(cbTableCreateAsTemp, [&c](bool on) { c.SetTemp(on); });
    box(cbTableCreateIfNotExist, [&c](bool on) { c.SetIfNotExists(on); });
    box(cbTableCreateDropped, [&c](bool on) { c.SetDropFirst(on); });
    box(cbTableWithoutRowID, [&c](bool on) { c.SetWithoutRowId(on); });
    box(cbIsVirtual, [&c](bool on) { c.SetVirtual(on); });
    box(cbPrimaryKey, [&c](bool on) { c.SetPrimaryKey(on); });
    box(cbPKAscending, [&c](bool on) { c.SetAscending(on); });
    box(cbPKAutoIncrement, [&c](bool on) { c.SetAutoIncrement(on); });
    box(cbAllowNull, [&c](bool on) { c.SetAllowNull(on); });
    box(cbUnique, [&c](bool on) { c.SetUnique(on); });
    connect(cbVirtualType, &QComboBox::currentTextChanged, this,
            [this, &c](const QString& s) { Edit([&] { c.SetVirtualType(s); }); });
    connect(edtColName, &QLineEdit::textEdited, this,
            [this, &c](const QString& s) { Edit([&] { c.SetColumnName(s); }); });
    connect(edtColComment, &QLineEdit::textEdited, this,
            [this, &c](const QString& s) { Edit([&] { c.SetColumnComment(s); }); });
    auto typeChanged = [this, &c] {
        Edit([&] { c.SetColumnType(cbType->currentText(), cbFieldSpec->currentText()); });
    };
    connect(cbType, &QComboBox::currentTextChanged, this, typeChanged);
    connect(cbFieldSpec, &QComboBox::currentTextChanged, this, typeChanged);
    connect(cbCollation, &QComboBox::currentTextChanged, this,
            [this, &c](const QString& s) { Edit([&] { c.SetColumnCollation(s); }); });
    connect(cbDefault, &QComboBox::currentTextChanged, this,
            [this, &c](const QString& s) { Edit([&] { c.SetColumnDefault(s); }); });
    connect(cbCheck, &QComboBox::currentTextChanged, this,
            [this, &c](const QString& s) { Edit([&] { c.SetColumnCheck(s); }); });
    connect(cbConflictClause, &QComboBox::currentIndexChanged, this,
            [this, &c](int i) { Edit([&] { c.SetConflict(i); }); });
    connect(btnFKeyCol, &QPushButton::clicked, this,
            [this, &c] { Edit([&] { c.EditColumnForeignKey(); }); });
    // The toolbar.
    auto act = [this](QAction* a, auto f) {
        connect(a, &QAction::triggered, this, [this, f] { Edit(f); });
    };
    act(actAddColumn, [&c] { c.AddColumn(); });
    act(actInsertColumn, [&c] { c.InsertColumn(); });
    act(actDuplicate, [&c] { c.DuplicateColumn(); });
    act(actRemoveColumn, [&c] { c.RemoveColumn(); });
    for (int k = 0; k < 4; ++k)
        act(FAddActions[k], [&c, k] { c.AddConstraint(KeyKind(k)); });
    act(FAddActions[4], [&c] { c.AddIndex(); });
    act(FAddActions[5], [&c] { c.AddTrigger(false); });
    act(actEditEntry, [&c] { c.EditSelectedEntry(); });
    act(actRemoveEntry, [&c] { c.RemoveSelectedEntry(); });
    act(actTest, [&c] { c.TestSchema(); });
    act(actCopy, [&c] { c.CopySql(); });
    act(actDoc, [&c] { c.OpenDocumentation(); });
    connect(btnDocumentation, &QPushButton::clicked, this, [&c] { c.OpenDocumentation(); });
    connect(btnLegend, &QPushButton::clicked, this, [this] { ShowHelp(HelpTopic::Legend); });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(btnAccept, &QPushButton::clicked, this, [this, &c] {
        const bool ok = c.Accept();
        Render();
        if (ok) accept();
    });
    // The sheet.
    connect(sgTable, &QTableWidget::currentCellChanged, this, [this, &c](int row, int column) {
        if (!fEditActive || row < 0) return;
        c.SelectCell(row, column);
        fEditActive = false;
        RenderEditors();
        fEditActive = true;
    });
    connect(sgTable, &QTableWidget::itemChanged, this, [this, &c](QTableWidgetItem* item) {
        if (!fEditActive) return;
        const int row = item->row(), column = item->column();
        const QString text = item->text();
        // The sheet is rebuilt after the item's own signal has returned.
        QTimer::singleShot(0, this, [this, &c, row, column, text] {
            c.EditCell(row, column, text);
            Render();
        });
    });
    connect(sgTable->horizontalHeader(), &QHeaderView::sectionMoved, this,
            [this, &c](int, int from, int to) {
                if (!fEditActive) return;
                QTimer::singleShot(0, this, [this, &c, from, to] {
                    c.MoveColumn(from, to);
                    Render();
                });
            });
    connect(sgTable, &QWidget::customContextMenuRequested, this, &TfrmSKYTblDesign::SheetMenu);
    connect(memSQL, &QsciScintilla::cursorPositionChanged, this, [this, &c](int line, int) {
        if (!fEditActive) return;
        const SheetTarget t = c.TargetOfScriptLine(line);
        if (t.row < 0) return;
        const int column = t.column >= 0 ? t.column : std::max(0, c.SelectedColumn());
        c.SelectCell(t.row, column);
        fEditActive = false;
        sgTable->setCurrentCell(t.row, column);
        RenderEditors();
        fEditActive = true;
    });
}

bool TfrmSKYTblDesign::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == edtTableName && type == QEvent::MouseButtonDblClick) {
        Edit([this] { FCtl->SetTableName(FCtl->FixedTableName()); });
        return true;
    }
    if (type == QEvent::MouseButtonRelease) {
        if (watched == lblDependantsWarn)
            Edit([this] { FCtl->FixDependants(); });
        else if (watched == lblTestNote)
            Edit([this] { FCtl->TestSchema(); });
        else if (watched == lblColForeignKey)
            Edit([this] { FCtl->EditColumnForeignKey(); });
    }
    const qsizetype h = FHelpWidgets.indexOf(qobject_cast<QWidget*>(watched));
    if (h >= 0 && type == QEvent::Enter) ShowHelp(FHelpOf[h]);
    if (h >= 0 && type == QEvent::Leave) pnlHelp->hide();
    return QDialog::eventFilter(watched, event);
}

// --- rendering ----------------------------------------------------------------

void TfrmSKYTblDesign::Render() {
    fEditActive = false;
    const TTableLayout& t = FCtl->Layout();
    RenderName();
    {
        const QSignalBlocker block(cbTemplate);
        cbTemplate->clear();
        cbTemplate->addItems(FCtl->Templates());
        cbTemplate->setCurrentIndex(FCtl->TemplateIndex());
    }
    const bool templates = FCtl->TemplatesAllowed();
    for (QWidget* w : std::initializer_list<QWidget*>{cbTemplate, btnTemplate, cbTableCreateAsTemp,
                                                      cbTableCreateIfNotExist, cbTableCreateDropped,
                                                      cbIsVirtual, cbVirtualType})
        w->setEnabled(templates);
    cbTableCreateAsTemp->setChecked(t.isTemp);
    cbTableCreateIfNotExist->setChecked(t.ifNotEx);
    cbTableCreateDropped->setChecked(t.dropExisting);
    cbTableWithoutRowID->setChecked(t.noRowID);
    cbTableWithoutRowID->setEnabled(FCtl->WithoutRowIdEnabled());
    cbIsVirtual->setChecked(t.isVirtual);
    SetComboText(cbVirtualType, t.virtualType);
    lblDependantsWarn->setVisible(FCtl->DependantsWarning());
    RenderSheet();
    RenderEditors();
    RenderScript();
    fEditActive = true;
}

void TfrmSKYTblDesign::RenderName() {
    // Blanks being typed stay until the name is set from elsewhere.
    if (edtTableName->text().trimmed() != FCtl->TableName())
        edtTableName->setText(FCtl->TableName());
    QPalette p = palette();
    QColor back;
    switch (FCtl->TableNameState()) {
    case NameState::Taken:
        back = kTakenName;
        break;
    case NameState::Rejected:
        back = kRejectedName;
        break;
    case NameState::Valid:
        break;
    }
    if (back.isValid()) {
        p.setColor(QPalette::Base, back);
        p.setColor(QPalette::Text, ReadableOn(QColor(Qt::black), back));
    }
    edtTableName->setPalette(p);
    edtTableName->setToolTip(FCtl->TableNameHint());
}

void TfrmSKYTblDesign::RenderSheet() {
    const DesignerSheet& s = FCtl->Sheet();
    const int columns = s.cells.isEmpty() ? 0 : int(s.cells.front().size());
    const QSignalBlocker block(sgTable);
    // A dragged header section is put back: the move is in the layout now.
    QHeaderView* header = sgTable->horizontalHeader();
    for (int i = 0; i < header->count(); ++i)
        if (header->visualIndex(i) != i) header->moveSection(header->visualIndex(i), i);
    sgTable->clear();
    sgTable->setRowCount(int(s.labels.size()));
    sgTable->setColumnCount(columns);
    sgTable->setVerticalHeaderLabels(s.labels);
    QStringList heads;
    for (const TFieldLayout& f : FCtl->Layout().Cols)
        heads << f.fName;
    sgTable->setHorizontalHeaderLabels(heads);
    for (int r = 0; r < s.labels.size(); ++r)
        for (int c = 0; c < columns; ++c) {
            auto* item = new QTableWidgetItem(s.cells[r][c]);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (IsEditableSheetRow(r)) flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            if (r == 0) {
                QFont f = item->font();
                f.setBold(true);
                item->setFont(f);
            }
            sgTable->setItem(r, c, item);
        }
    if (FCtl->SelectedColumn() >= 0)
        sgTable->setCurrentCell(std::max(0, FCtl->SelectedRow()), FCtl->SelectedColumn());
}

void TfrmSKYTblDesign::RenderEditors() {
    const TFieldLayout* f = FCtl->Column();
    const bool has = f != nullptr;
    TFieldLayout none;
    const TFieldLayout& col = has ? *f : none;
    if (edtColName->text() != col.fName) edtColName->setText(col.fName);
    lblColumn->setText(col.OldName);
    // The box being typed in keeps its text while its column stays selected
    // (a length such as "10," is read as 10 until the scale is typed).
    const bool sameColumn = FShownCol == FCtl->SelectedColumn();
    FShownCol = FCtl->SelectedColumn();
    for (auto [box, text] :
         {std::pair{cbType, col.fType}, std::pair{cbFieldSpec, LengthText(col.fVarSpec)},
          std::pair{cbCollation, col.fCollation}, std::pair{cbDefault, col.fDefVal},
          std::pair{cbCheck, col.fCheckFunc}})
        if (!(sameColumn && box->hasFocus())) SetComboText(box, text);
    if (edtColComment->text() != col.fComment) edtColComment->setText(col.fComment);
    for (auto [b, on] :
         {std::pair{cbPrimaryKey, col.isPK}, std::pair{cbPKAscending, col.isAscend},
          std::pair{cbPKAutoIncrement, col.isAutoInc}, std::pair{cbAllowNull, col.allowNull},
          std::pair{cbUnique, col.isUnique}}) {
        const QSignalBlocker block(b);
        b->setChecked(on);
    }
    {
        const QSignalBlocker block(cbConflictClause);
        cbConflictClause->setCurrentIndex(std::clamp(col.fPrimConflict, 0, 5));
    }
    cbPKAscending->setVisible(col.isPK);
    cbPKAutoIncrement->setVisible(col.isPK);
    lblColForeignKey->setText(col.fForeignKey.isEmpty() ? QStringLiteral("(none)")
                                                        : col.fForeignKey);
    lblColDuplicate->setVisible(FCtl->DuplicateName());
    QPalette p = lblColDuplicate->palette();
    p.setColor(QPalette::WindowText, ReadableOn(kDuplicateText, palette().color(QPalette::Window)));
    lblColDuplicate->setPalette(p);
    actRemoveColumn->setEnabled(FCtl->CanRemoveColumn());
    const QString edit = FCtl->EditHint(), remove = FCtl->RemoveHint();
    actEditEntry->setEnabled(!edit.isEmpty());
    actEditEntry->setToolTip(edit);
    actRemoveEntry->setEnabled(!remove.isEmpty());
    actRemoveEntry->setToolTip(remove);
    for (int i = 0; i < FAddActions.size(); ++i)
        FAddActions[i]->setToolTip(FCtl->AddHint(i));
    actTest->setEnabled(FCtl->Connection() != nullptr);
}

void TfrmSKYTblDesign::RenderScript() {
    if (memSQL->text() != FCtl->Script()) memSQL->setText(FCtl->Script());
}

void TfrmSKYTblDesign::SheetMenu(const QPoint& at) {
    RenderMenu();
    puTableDesign->popup(sgTable->viewport()->mapToGlobal(at));
}

void TfrmSKYTblDesign::RenderMenu() {
    puTableDesign->clear();
    std::function<void(QMenu*, const QList<DesignerMenuItem>&)> fill =
        [&](QMenu* menu, const QList<DesignerMenuItem>& items) {
            for (const DesignerMenuItem& item : items) {
                if (item.caption == QLatin1String("-")) {
                    menu->addSeparator();
                } else if (!item.children.isEmpty() || item.command == DesignCommand::None) {
                    QMenu* sub = menu->addMenu(item.caption);
                    sub->setEnabled(item.enabled);
                    fill(sub, item.children);
                } else {
                    QAction* a = menu->addAction(item.caption);
                    a->setEnabled(item.enabled);
                    a->setCheckable(item.checked);
                    a->setChecked(item.checked);
                    connect(a, &QAction::triggered, this,
                            [this, item] { Edit([&] { FCtl->Run(item); }); });
                }
            }
        };
    fill(puTableDesign, FCtl->Menu());
}

// --- the port -------------------------------------------------------------------

void TfrmSKYTblDesign::Load(const TTableLayout& layout, TSQLite3Database* db, bool allowTemplates) {
    fEditActive = false;
    FShownCol = -1;
    frmSKYTrig().SetDatabase(db); // its statements complete from this database
    FCtl->Load(layout, db, allowTemplates);
    pnlHelp->hide();
    Render();
    RenderMenu();
}

bool TfrmSKYTblDesign::GetDesignerTableLayout(TTableLayout& layout, TSQLite3Database* db,
                                              bool allowTemplates) {
    Load(layout, db, allowTemplates);
    if (exec() != QDialog::Accepted) return false;
    layout = FCtl->Result();
    return true;
}

namespace {
class TSchemaDialogs : public DesignerDialogs {
public:
    bool EditIndex(TIndexLayout& ix, const QStringList& columns) override {
        return frmSKYIdx().editIndex(ix, columns);
    }
    bool EditTrigger(TTriggerLayout& t, const QStringList& columns) override {
        return frmSKYTrig().editTrigger(t, columns);
    }
    bool EditKey(TFKeyLayout& k, const QStringList& columns) override {
        return frmSKYPKey().editKey(k, columns);
    }
    bool EditCheck(TFKeyLayout& k, const QStringList& columns) override {
        return frmSKYChk().editKey(k, columns);
    }
    bool EditFKey(TFKeyLayout& k, TSQLite3Database* db, const QStringList& columns,
                  const QString& ownTable) override {
        return frmSKYFKey().editFKey(k, db, columns, ownTable);
    }
};
} // namespace

DesignerDialogs& schemaDialogs() {
    static TSchemaDialogs dialogs;
    return dialogs;
}

TfrmSKYTblDesign& frmSKYTblDesign() {
    static auto* d = new TfrmSKYTblDesign; // lives for the whole run
    return *d;
}

} // namespace sky::ui
