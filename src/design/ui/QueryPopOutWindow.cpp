#include "design/ui/QueryPopOutWindow.h"

#include "design/ui/SchemaDialogParts.h"
#include "shell/ui/HelpPanel.h"
#include "shell/ui/PopOuts.h"
#include "shell/ui/QtFileChooser.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"
#include "support/Csv.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace sky::ui {

// The result lines as a grid: the first line the headings.
class PopOutGridModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void SetLines(const QStringList& lines) {
        beginResetModel();
        FGrid = lines.isEmpty() ? CsvGrid() : LinesToGrid(lines, u',');
        endResetModel();
    }
    int rowCount(const QModelIndex& p) const override {
        return p.isValid() || FGrid.isEmpty() ? 0 : int(FGrid.size()) - 1;
    }
    int columnCount(const QModelIndex& p) const override {
        return p.isValid() || FGrid.isEmpty() ? 0 : int(FGrid.first().size());
    }
    QVariant data(const QModelIndex& i, int role) const override {
        if (role != Qt::DisplayRole || !i.isValid()) return {};
        return FGrid.value(i.row() + 1).value(i.column());
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override {
        if (role != Qt::DisplayRole || o != Qt::Horizontal || FGrid.isEmpty()) return {};
        return FGrid.first().value(section);
    }

private:
    CsvGrid FGrid;
};

namespace {

const QColor kBorder(0xD0, 0xD0, 0xD0);
const QColor kNullText(208, 208, 224);

// The window's own cell painting: the grid colour, the fixed colour for
// the current row and selected cells, a #D0D0D0 border; NULL centred in
// small italics; long texts cut to width / 7 characters + "...".
class PopOutDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const auto* view = static_cast<const QTableView*>(parent());
        const QPalette& pal = option.palette;
        const bool current = view->currentIndex().row() == index.row();
        const bool selected = option.state & QStyle::State_Selected;
        p->save();
        p->fillRect(option.rect, current || selected ? pal.button() : pal.base());
        p->setPen(kBorder);
        p->drawRect(option.rect.adjusted(0, 0, -1, -1));
        const QString text = index.data().toString();
        const QRect r = option.rect.adjusted(3, 0, -3, 0);
        QFont f = option.font;
        if (text == QLatin1String("NULL")) {
            f.setItalic(true);
            f.setPointSizeF(std::max(1.0, f.pointSizeF() - 1));
            p->setFont(f);
            p->setPen(kNullText);
            p->drawText(r, Qt::AlignCenter, text);
        } else {
            p->setFont(f);
            p->setPen(current || selected ? pal.buttonText().color() : pal.text().color());
            const int fit = std::max(1, option.rect.width() / 7);
            if (text.size() > fit)
                p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter, text.left(fit) + "...");
            else
                p->drawText(r, Qt::AlignCenter, text);
        }
        p->restore();
    }
};

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
    return NamedButton(parent, name, caption);
}

} // namespace

TfrmSKYQryData* TfrmSKYQryData::Open(int left, int top, TSQLite3Database* db, bool hints,
                                     const QStringList& lines, const QString& sql) {
    if (!PopOutOpens(db, sql)) return nullptr;
    auto core = std::make_unique<QueryPopOut>(ConnectionOf(db), sql, lines);
    auto* w = new TfrmSKYQryData(std::move(core), hints);
    const QScreen* screen = QApplication::primaryScreen();
    const int height = screen ? screen->availableGeometry().height() - 40 : 600;
    w->setGeometry(left, top, 720, std::max(200, height));
    w->show();
    if (w->FCore->RunsFirst()) QTimer::singleShot(200, w, [w] { w->RunQuery(); });
    return w;
}

TfrmSKYQryData::TfrmSKYQryData(std::unique_ptr<QueryPopOut> core, bool hints)
    : QWidget(nullptr, Qt::Window), FCore(std::move(core)) {
    setObjectName(QStringLiteral("frmSKYQryData"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(PopOutCaption(FCore->Sql()));
    auto* v = new QVBoxLayout(this);
    auto* split = new QSplitter(Qt::Vertical, this);
    memQry = new QsciScintilla(split);
    memQry->setObjectName(QStringLiteral("memQry"));
    SetupSqlEditor(memQry);
    // The vocabulary of the workspace while it lives, then the built-in one.
    AttachCompletion(
        memQry, [this] { return FCore->Database(); }, 12);
    ShowCompletionTableNames(memQry, FCore->Database());
    memQry->setText(FCore->Sql());
    memQry->installEventFilter(this);
    auto* lower = new QWidget(split);
    auto* lv = new QVBoxLayout(lower);
    lv->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    btnQry = Button(lower, "btnQry", QStringLiteral("  Query"));
    lblStatus = new QLabel(FCore->Status(), lower);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    if (hints) lblStatus->setToolTip(kPopOutStatusHint);
    bar->addWidget(btnQry);
    bar->addWidget(lblStatus, 1);
    const struct {
        const char* name;
        const char* caption;
        PopOutCopy kind;
    } copies[] = {{"btnCopyCSV", "CSV", PopOutCopy::Csv},
                  {"btnCopyExcel", "Excel format", PopOutCopy::Excel},
                  {"btnCopyXML", "XML", PopOutCopy::Xml},
                  {"btnCopyJSON", "JSON", PopOutCopy::Json}};
    for (const auto& c : copies)
        connect(Button(lower, c.name, QLatin1String(c.caption)), &QPushButton::clicked, this,
                [this, kind = c.kind] { Copy(kind); });
    const struct {
        const char* name;
        const char* caption;
        PopOutSave kind;
    } saves[] = {{"btnSaveCSV", "Save CSV", PopOutSave::Csv},
                 {"btnSaveXML", "Save XML", PopOutSave::Xml},
                 {"btnSaveJSON", "Save JSON", PopOutSave::Json}};
    for (const auto& s : saves)
        connect(Button(lower, s.name, QLatin1String(s.caption)), &QPushButton::clicked, this,
                [this, kind = s.kind] { Save(kind); });
    for (QPushButton* b : lower->findChildren<QPushButton*>())
        if (b != btnQry) bar->addWidget(b);
    lv->addLayout(bar);
    sgResults = new QTableView(lower);
    sgResults->setObjectName(QStringLiteral("sgResults"));
    FModel = new PopOutGridModel(sgResults);
    sgResults->setModel(FModel);
    sgResults->setItemDelegate(new PopOutDelegate(sgResults));
    sgResults->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgResults->horizontalHeader()->setSectionsMovable(true);
    sgResults->horizontalHeader()->setResizeContentsPrecision(200);
    sgResults->verticalHeader()->hide();
    // The heading row: a gradient from #FFFFD0 to the fixed colour, bold blue text.
    const QColor fixed = palette().color(QPalette::Button);
    sgResults->horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView::section { background: qlineargradient(x1:0, y1:0, x2:0, "
                       "y2:1, stop:0 #FFFFD0, stop:1 %1); color: #0000FF; font-weight: bold; "
                       "border: 1px solid #D0D0D0; padding: 2px; }")
            .arg(fixed.name()));
    sgResults->viewport()->installEventFilter(this);
    lv->addWidget(sgResults, 1);
    split->setStretchFactor(1, 3);
    v->addWidget(split);
    connect(btnQry, &QPushButton::clicked, this, [this] { RunQuery(); });
    PopOuts().Add(this);
    Render();
}

TfrmSKYQryData::~TfrmSKYQryData() {
    // The children outlive this part of the window: no more filtering.
    memQry->removeEventFilter(this);
    sgResults->viewport()->removeEventFilter(this);
}

void TfrmSKYQryData::RunQuery() {
    FModel->SetLines({});
    lblStatus->setText(kPopOutQuerying);
    FCore->SetSql(memQry->text());
    FCore->Run();
    Render();
}

void TfrmSKYQryData::Render() {
    sgResults->setUpdatesEnabled(false);
    FModel->SetLines(FCore->Lines());
    sgResults->resizeColumnsToContents();
    for (int c = 0; c < FModel->columnCount({}); ++c)
        if (sgResults->columnWidth(c) > 360) sgResults->setColumnWidth(c, 360);
    sgResults->setUpdatesEnabled(true);
    lblStatus->setText(FCore->Status());
}

void TfrmSKYQryData::Copy(PopOutCopy kind) {
    const QString text = FCore->CopyText(kind);
    if (text.isEmpty()) {
        lblStatus->setText(FCore->Status());
        return;
    }
    Clipboard().SetText(text);
}

void TfrmSKYQryData::Save(PopOutSave kind) {
    QtFileChooser files;
    const QString file = files.SaveFile(kPopOutSaveTitle, QueryPopOut::SaveFilter(kind), QString(),
                                        QueryPopOut::SaveSuffix(kind));
    if (file.isEmpty()) return;
    const bool ok = FCore->Save(kind, file);
    lblStatus->setText(FCore->Status());
    if (ok) Opener().Open(file);
}

// The editor's comment keys; the grid's wheel: 5 rows, 1 with Shift, a
// page with Ctrl.
bool TfrmSKYQryData::eventFilter(QObject* o, QEvent* e) {
    if (o == memQry && e->type() == QEvent::KeyRelease) {
        bool block = false, add = false;
        if (CommentKeyOf(static_cast<QKeyEvent*>(e), block, add)) {
            qsizetype from = 0, to = 0;
            EditorSelection(memQry, from, to);
            const CommentEdit c = CommentSelection(memQry->text(), from, to, block, add);
            memQry->setText(c.text);
            SetEditorSelection(memQry, c.keepSelection ? c.selStart : c.selEnd, c.selEnd);
            return true;
        }
    } else if (sgResults && o == sgResults->viewport() && e->type() == QEvent::Wheel) {
        auto* w = static_cast<QWheelEvent*>(e);
        const int steps = w->angleDelta().y() / 120;
        if (steps != 0) {
            const int page =
                std::max(1, sgResults->viewport()->height() /
                                    std::max(1, sgResults->verticalHeader()->defaultSectionSize()) -
                                1);
            const int per = (w->modifiers() & Qt::ControlModifier) ? page
                            : (w->modifiers() & Qt::ShiftModifier) ? 1
                                                                   : 5;
            sgResults->verticalScrollBar()->setValue(sgResults->verticalScrollBar()->value() -
                                                     steps * per);
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace sky::ui
