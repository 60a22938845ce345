// The completion pop-up of an SQL editor: Ctrl+Space, or a "." typed, opens
// the list of the items whose inserted text starts with the word before the
// caret (kind word, name, detail, description), filtered again while the
// user types; choosing one replaces the word with the item's inserted text.
#pragma once

#include "completion/Completion.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QsciScintilla;

namespace sky::ui {

class TCompletionPopup : public QObject {
    Q_OBJECT
public:
    // model: the vocabulary (the editor's workspace's, or the built-in one);
    // rows: the lines the list shows (12 or 24).
    TCompletionPopup(QsciScintilla* editor, std::function<const CompletionModel*()> model,
                     int rows);
    // Opens the list for the word before the caret; false when nothing matches.
    bool Show();
    // The entries shown now and what each inserts.
    const QStringList& Shown() const { return FShown; }
    // Chooses entry k as a click or Enter would.
    void Choose(int k);

    // The built-in vocabulary shared by editors without a database.
    static const CompletionModel* Builtin();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Insert(const QString& text);
    QsciScintilla* FEditor;
    std::function<const CompletionModel*()> FModel;
    int FRows;
    QStringList FShown, FInserts;
    qsizetype FTokenStart = 0;
};

} // namespace sky::ui
