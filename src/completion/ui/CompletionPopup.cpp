// The completion pop-up.
#include "completion/ui/CompletionPopup.h"

#include "engine/SqlLexer.h"
#include "shell/ui/Scintilla.h"
#include "shell/ui/SqlEditorTheme.h"

#include <QKeyEvent>

namespace sky::ui {

namespace {

constexpr int kListId = 7;

QString Entry(const CompletionItem& i) {
    QString e = i.kindWord.trimmed().leftJustified(9) + u' ' + i.shownName;
    if (!i.detail.isEmpty() &&
        (i.kind == kcFunction || i.kind == kcPragma || i.kind == kcExtended || i.kind == kcColumn))
        e += QStringLiteral("  ") + i.detail;
    if (!i.description.isEmpty()) e += QStringLiteral("   \u2014 ") + i.description;
    return e;
}

} // namespace

TCompletionPopup::TCompletionPopup(QsciScintilla* editor,
                                   std::function<const CompletionModel*()> model, int rows)
    : QObject(editor), FEditor(editor), FModel(std::move(model)), FRows(rows) {
    editor->installEventFilter(this);
    connect(editor, &QsciScintilla::userListActivated, this, [this](int id, const QString& text) {
        if (id != kListId) return;
        const qsizetype k = FShown.indexOf(text);
        if (k >= 0) Insert(FInserts[k]);
    });
}

const CompletionModel* TCompletionPopup::Builtin() {
    static const CompletionModel* model = [] {
        auto* m = new CompletionModel;
        m->Build(nullptr);
        return m;
    }();
    return model;
}

bool TCompletionPopup::Show() {
    const CompletionModel* m = FModel ? FModel() : Builtin();
    if (!m) m = Builtin();
    const QString text = FEditor->text();
    const long bytes = long(FEditor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
    const qsizetype caret = EditorUnitPos(text, bytes);
    FTokenStart = CompletionModel::TokenStart(text, caret);
    const QString token = text.mid(FTokenStart, caret - FTokenStart);
    FShown.clear();
    FInserts.clear();
    for (int k : m->Answer(token)) {
        const CompletionItem& i = m->Items()[k];
        FShown << Entry(i);
        FInserts << i.insert;
    }
    if (FShown.isEmpty()) {
        if (FEditor->isListActive()) FEditor->cancelList();
        return false;
    }
    FEditor->SendScintilla(QsciScintillaBase::SCI_AUTOCSETORDER,
                           QsciScintillaBase::SC_ORDER_CUSTOM);
    FEditor->SendScintilla(QsciScintillaBase::SCI_AUTOCSETMAXHEIGHT, FRows);
    FEditor->SendScintilla(QsciScintillaBase::SCI_AUTOCSETMAXWIDTH, 0);
    FEditor->showUserList(kListId, FShown);
    return true;
}

void TCompletionPopup::Choose(int k) {
    if (k < 0 || k >= FInserts.size()) return;
    if (FEditor->isListActive()) FEditor->cancelList();
    Insert(FInserts[k]);
}

void TCompletionPopup::Insert(const QString& insert) {
    // The word before the caret gives way to the inserted text.
    const QString text = FEditor->text();
    const long caret = long(FEditor->SendScintilla(QsciScintillaBase::SCI_GETCURRENTPOS));
    const long from = EditorBytePos(text, std::min<qsizetype>(FTokenStart, text.size()));
    FEditor->SendScintilla(QsciScintillaBase::SCI_SETSEL, from, std::max(from, caret));
    FEditor->replaceSelectedText(insert);
}

bool TCompletionPopup::eventFilter(QObject* o, QEvent* e) {
    if (o != FEditor) return QObject::eventFilter(o, e);
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Space && (k->modifiers() & Qt::ControlModifier)) {
            Show();
            return true;
        }
    } else if (e->type() == QEvent::KeyRelease) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->text() == QLatin1String(".")) {
            Show();
        } else if (FEditor->isListActive() && !k->text().isEmpty() &&
                   (IsSqlWordChar(k->text()[0]) || k->key() == Qt::Key_Backspace)) {
            Show(); // only the entries that still match
        }
    }
    return QObject::eventFilter(o, e);
}

} // namespace sky::ui
