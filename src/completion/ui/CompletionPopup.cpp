// The completion pop-up.
#include "completion/ui/CompletionPopup.h"

#include "engine/SqlLexer.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace sky::ui {

namespace {

constexpr int kKinds = 13;
constexpr int kWidth = 650;
// The list reads on a light page in every theme, in the kinds' own colours.
const QColor kPage(Qt::white);
const QColor kChosen(0xCC, 0xE8, 0xFF);
const QColor kKindWordColour(0x80, 0x80, 0x80);
const QColor kDetailColour(0x80, 0x80, 0x00);
const QColor kDescriptionColour(0x60, 0x60, 0x60);

QString Clean(QString s) {
    // Control characters (a name may hold any) would break the line; a
    // very long text is cut, as the row shows a few hundred characters.
    if (s.size() > 300) s = s.left(300);
    for (QChar& c : s)
        if (c.unicode() < 0x20 || (c.unicode() >= 0x7F && c.unicode() <= 0x9F)) c = u' ';
    return s;
}

bool ShowsDetail(const CompletionItem& i) {
    return i.kind == kcFunction || i.kind == kcPragma || i.kind == kcExtended || i.kind == kcColumn;
}

QString Entry(const CompletionItem& i) {
    QString e = i.kindWord.trimmed().leftJustified(9) + u' ' + i.shownName;
    if (!i.detail.isEmpty() && ShowsDetail(i)) e += QStringLiteral("  ") + i.detail;
    if (!i.description.isEmpty()) e += QStringLiteral("   \u2014 ") + i.description;
    return Clean(e);
}

// The kind's image: a rounded square in the kind's name colour.
QPixmap KindImage(int kind) {
    QPixmap p(14, 14);
    p.fill(Qt::transparent);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x9A, 0x9A, 0x9A), 1));
    painter.setBrush(QColor(QRgb(CompletionKindColour(kind))));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 11, 11), 3, 3);
    return p;
}

// The word before the caret, read from the caret's line alone (a word never
// spans lines, and a long script is not read whole at every key): where it
// starts and where the caret is (the editor's byte positions), and its text.
struct Word {
    long start, caret;
    QString text;
};
Word WordBeforeCaret(QsciScintilla* e) {
    const long caret = long(e->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
    const long line = long(e->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, caret));
    const long lineStart = long(e->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line));
    const QString lineText = e->text(int(line));
    const qsizetype at = EditorUnitPos(lineText, caret - lineStart);
    const qsizetype from = CompletionModel::TokenStart(lineText, at);
    return {lineStart + EditorBytePos(lineText, from), caret, lineText.mid(from, at - from)};
}

const QPixmap& KindImageOf(int kind) {
    static const QList<QPixmap> images = [] {
        QList<QPixmap> all;
        for (int k = 0; k < kKinds; ++k)
            all << KindImage(k);
        return all;
    }();
    return images[std::clamp(kind, 0, kKinds - 1)];
}

// One row: image, kind word, the name bold in its kind's colour, the detail
// in olive, the description in grey; cut at the right edge.
class TEntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    std::function<const CompletionItem*(int)> item;

    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex&) const override {
        return {kWidth, std::max(16, o.fontMetrics.height() + 2)};
    }

    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& at) const override {
        const CompletionItem* i = item(at.row());
        if (!i) return;
        p->save();
        p->fillRect(o.rect, (o.state & QStyle::State_Selected) ? kChosen : kPage);
        p->setClipRect(o.rect);
        const QPixmap& image = KindImageOf(i->kind);
        int x = o.rect.left() + 3;
        p->drawPixmap(x, o.rect.top() + (o.rect.height() - image.height()) / 2, image);
        x += image.width() + 4;
        QFont plain = o.font, bold = o.font;
        bold.setBold(true);
        const QFontMetrics fm(plain);
        auto draw = [&](const QString& s, const QColor& c, const QFont& f, int minWidth) {
            if (s.isEmpty()) return;
            p->setFont(f);
            p->setPen(c);
            const QRect r(x, o.rect.top(), o.rect.right() - x, o.rect.height());
            p->drawText(r, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, s);
            x += std::max(QFontMetrics(f).horizontalAdvance(s), minWidth) + fm.averageCharWidth();
        };
        draw(Clean(i->kindWord.trimmed()), kKindWordColour, plain,
             fm.horizontalAdvance(QStringLiteral("extended")));
        draw(Clean(i->shownName), QColor(QRgb(CompletionKindColour(i->kind))), bold, 0);
        if (ShowsDetail(*i)) draw(Clean(i->detail), kDetailColour, plain, 0);
        x = std::max(x, o.rect.left() + o.rect.width() * 2 / 5);
        draw(Clean(i->description), kDescriptionColour, plain, 0);
        p->restore();
    }
};

} // namespace

// The answer the list shows. It holds its own copy of the items (a shared
// list, copied in constant time), so a rebuilt vocabulary never leaves it
// pointing at items that are gone.
class TCompletionRows : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    QList<CompletionItem> items;
    QList<int> answer;

    void Reset(const QList<CompletionItem>& all, QList<int> rows) {
        beginResetModel();
        items = all;
        answer = std::move(rows);
        endResetModel();
    }
    const CompletionItem* At(int row) const {
        if (row < 0 || row >= answer.size()) return nullptr;
        const int k = answer[row];
        return k >= 0 && k < items.size() ? &items[k] : nullptr;
    }
    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : int(answer.size());
    }
    QVariant data(const QModelIndex& at, int role) const override {
        const CompletionItem* i = At(at.row());
        if (!i) return {};
        if (role == Qt::DisplayRole) return Entry(*i);
        if (role == Qt::DecorationRole) return KindImageOf(i->kind);
        return {};
    }
};

TCompletionPopup::TCompletionPopup(QsciScintilla* editor,
                                   std::function<const CompletionModel*()> model, int rows)
    : QObject(editor), FEditor(editor), FModel(std::move(model)), FRows(std::max(1, rows)) {
    editor->installEventFilter(this);
    // A window of its own that never takes the focus: typing stays in the
    // editor, which hands the list its keys.
    FFrame =
        new QFrame(editor, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    FFrame->setObjectName(QStringLiteral("frmCompletion"));
    FFrame->setAttribute(Qt::WA_ShowWithoutActivating);
    // Its own light look, whatever the theme's style sheet says.
    FFrame->setStyleSheet(
        QStringLiteral("QFrame#frmCompletion { background: #EEEEEE; border: 1px solid #9A9A9A; }"
                       " QLabel { color: black; background: #EEEEEE; }"
                       " QListView { color: black; background: white; border: none; }"));
    auto* v = new QVBoxLayout(FFrame);
    v->setContentsMargins(1, 1, 1, 1);
    v->setSpacing(0);
    FTitle = new QLabel(FRows >= 24 ? QStringLiteral("SQLite functions")
                                    : QStringLiteral("SQLite SQL Completion:"),
                        FFrame);
    FTitle->setContentsMargins(4, 1, 4, 1);
    QFont tf = FTitle->font();
    tf.setBold(true);
    FTitle->setFont(tf);
    v->addWidget(FTitle);
    FList = new QListView(FFrame);
    FList->setObjectName(QStringLiteral("lstCompletion"));
    FList->setFocusPolicy(Qt::NoFocus);
    FList->setUniformItemSizes(true);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FList->setFrameShape(QFrame::NoFrame);
    FItems = new TCompletionRows(this);
    FList->setModel(FItems);
    auto* delegate = new TEntryDelegate(FList);
    delegate->item = [this](int row) { return FItems->At(row); };
    FList->setItemDelegate(delegate);
    v->addWidget(FList);
    connect(FList, &QListView::doubleClicked, this,
            [this](const QModelIndex& at) { Choose(at.row()); });
    // Typing filters as each character arrives ("." opens a new list);
    // deletions, clicks, scrolling and text put in by commands are followed
    // once they are done.
    connect(editor, &QsciScintillaBase::SCN_CHARADDED, this, [this](int ch) {
        if (ch == '.')
            Show();
        else
            Follow();
    });
    connect(editor, &QsciScintilla::textChanged, this, [this] { FollowLater(); });
    connect(editor, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { FollowLater(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive) Hide();
            });
    if (QWidget* top = editor->window(); top && top != editor) top->installEventFilter(this);
}

TCompletionPopup::~TCompletionPopup() = default;

const CompletionModel* TCompletionPopup::Builtin() {
    static const CompletionModel* model = [] {
        auto* m = new CompletionModel;
        m->Build(nullptr);
        return m;
    }();
    return model;
}

TCompletionPopup* TCompletionPopup::AttachBuiltin(QsciScintilla* editor, int rows) {
    SetEditorTableNames(editor, Builtin()->TableNames());
    return new TCompletionPopup(editor, {}, rows);
}

bool TCompletionPopup::Show() {
    const CompletionModel* m = FModel ? FModel() : Builtin();
    if (!m) m = Builtin();
    if (FShowsTableNames) SetEditorTableNames(FEditor, m->TableNames());
    const Word w = WordBeforeCaret(FEditor);
    FTokenStart = w.start;
    QList<int> answer = m->Answer(w.text);
    const bool any = !answer.isEmpty();
    // The same entries again (a key that changed nothing): the row stays.
    const bool same =
        IsOpen() && answer == FItems->answer && FItems->items.size() == m->Items().size();
    if (!same) FItems->Reset(m->Items(), std::move(answer));
    if (!any) {
        Hide();
        return false;
    }
    if (!same) {
        FList->setCurrentIndex(FItems->index(0, 0));
        FList->scrollToTop();
    }
    Place();
    if (!FFrame->isVisible()) FFrame->show();
    FFrame->raise();
    return true;
}

void TCompletionPopup::Place() {
    // Below the word, or above it where the screen ends.
    const long from = FTokenStart;
    const int x = int(FEditor->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0L, from));
    const int y = int(FEditor->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0L, from));
    const int line = int(FEditor->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, from));
    const int h = int(FEditor->SendScintilla(QsciScintillaBase::SCI_TEXTHEIGHT, line));
    const int rowHeight = FList->sizeHintForRow(0) > 0 ? FList->sizeHintForRow(0) : 18;
    const int height = FTitle->sizeHint().height() + rowHeight * FRows + 4;
    const QPoint below = FEditor->viewport()->mapToGlobal(QPoint(x, y + h));
    QPoint at = below;
    if (const QScreen* s = FEditor->screen()) {
        const QRect area = s->availableGeometry();
        if (at.y() + height > area.bottom()) at.setY(std::max(area.top(), below.y() - h - height));
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - kWidth)));
    }
    FFrame->setGeometry(QRect(at, QSize(kWidth, height)));
}

void TCompletionPopup::Hide() {
    FFrame->hide();
}

bool TCompletionPopup::IsOpen() const {
    return FFrame->isVisible();
}

int TCompletionPopup::Count() const {
    return int(FItems->answer.size());
}

QStringList TCompletionPopup::Shown() const {
    QStringList all;
    all.reserve(Count());
    for (int r = 0; r < Count(); ++r)
        all << Entry(*FItems->At(r));
    return all;
}

int TCompletionPopup::Current() const {
    return FList->currentIndex().row();
}

QWidget* TCompletionPopup::Window() const {
    return FFrame;
}

QString TCompletionPopup::Title() const {
    return FTitle->text();
}

void TCompletionPopup::Choose(int k) {
    const CompletionItem* i = FItems->At(k);
    if (!i) return;
    const QString insert = i->insert;
    Hide();
    Insert(insert);
    FEditor->setFocus();
}

void TCompletionPopup::Insert(const QString& insert) {
    // The word before the caret gives way to the inserted text.
    // The word before the caret now, wherever the list was opened.
    const Word w = WordBeforeCaret(FEditor);
    FTokenStart = w.start;
    FEditor->SendScintilla(QsciScintillaBase::SCI_SETSEL, w.start, std::max(w.start, w.caret));
    FEditor->replaceSelectedText(insert);
}

void TCompletionPopup::Move(int delta) {
    const int n = Count();
    if (n == 0) return;
    const int row = std::clamp(std::max(0, Current()) + delta, 0, n - 1);
    FList->setCurrentIndex(FItems->index(row, 0));
}

bool TCompletionPopup::KeyPressed(int key) {
    switch (key) {
    case Qt::Key_Up:
        Move(-1);
        return true;
    case Qt::Key_Down:
        Move(1);
        return true;
    case Qt::Key_PageUp:
        Move(-FRows);
        return true;
    case Qt::Key_PageDown:
        Move(FRows);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
        Choose(std::max(0, Current()));
        return true;
    case Qt::Key_Escape:
        Hide();
        return true;
    default:
        return false;
    }
}

void TCompletionPopup::Follow() {
    FFollowQueued = false;
    if (!IsOpen()) return;
    // The caret left the word (a click, a word-ending character, text put in
    // by a command): the list goes; otherwise it shows what still matches.
    const Word w = WordBeforeCaret(FEditor);
    if (w.caret < FTokenStart || w.start != FTokenStart) {
        Hide();
        return;
    }
    Show();
}

void TCompletionPopup::FollowLater() {
    if (FFollowQueued || !IsOpen()) return;
    FFollowQueued = true;
    QMetaObject::invokeMethod(
        this, [this] { Follow(); }, Qt::QueuedConnection);
}

bool TCompletionPopup::eventFilter(QObject* o, QEvent* e) {
    if (o != FEditor) {
        // The editor's window moved or was resized: the list goes with the
        // word; hidden or left: the list goes.
        switch (e->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            if (IsOpen()) Place();
            break;
        case QEvent::Hide:
        case QEvent::WindowStateChange:
            Hide();
            break;
        case QEvent::WindowDeactivate:
            if (!FFrame->underMouse()) Hide();
            break;
        default:
            break;
        }
        return QObject::eventFilter(o, e);
    }
    switch (e->type()) {
    case QEvent::KeyPress: {
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        if (k->key() == Qt::Key_Space && mods == Qt::ControlModifier) {
            Show();
            return true;
        }
        // The list's keys only without modifiers: Shift+Down still selects,
        // Ctrl+Enter still runs.
        if (IsOpen() && (mods == Qt::NoModifier || k->key() == Qt::Key_Escape) &&
            KeyPressed(k->key()))
            return true;
        break;
    }
    case QEvent::ShortcutOverride: {
        // The window's shortcuts (Escape, Enter, Tab) wait while the list is open.
        auto* k = static_cast<QKeyEvent*>(e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        if (IsOpen() && mods == Qt::NoModifier &&
            (k->key() == Qt::Key_Escape || k->key() == Qt::Key_Return ||
             k->key() == Qt::Key_Enter || k->key() == Qt::Key_Tab)) {
            k->accept();
            return true;
        }
        break;
    }
    case QEvent::FocusOut:
        if (!FFrame->underMouse()) Hide();
        break;
    case QEvent::Hide:
        Hide();
        break;
    default:
        break;
    }
    return QObject::eventFilter(o, e);
}

} // namespace sky::ui
