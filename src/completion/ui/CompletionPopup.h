// The completion pop-up of an SQL editor: Ctrl+Space, or a "." typed, opens
// the list of the items whose inserted text starts with the word before the
// caret (image, kind word, name in its kind's colour, detail, description),
// filtered again while the user types; Up, Down, Page Up and Page Down move
// in it, Tab and Enter (or a double click) replace the word with the item's
// inserted text, Escape closes it. The list is a window of its own over a
// model of the answer, so it opens at once on any number of items; the
// editor keeps the keyboard focus throughout.
#pragma once

#include "completion/Completion.h"

#include <QObject>
#include <QStringList>
#include <functional>

class QFrame;
class QLabel;
class QListView;
class QsciScintilla;

namespace sky::ui {

class TCompletionRows;

class TCompletionPopup : public QObject {
    Q_OBJECT
public:
    // model: the vocabulary (the editor's workspace's, or the built-in one);
    // rows: the lines the list shows, 12 ("SQLite SQL Completion:") or 24
    // ("SQLite functions").
    TCompletionPopup(QsciScintilla* editor, std::function<const CompletionModel*()> model,
                     int rows);
    ~TCompletionPopup() override;
    // Opens (or filters again) the list for the word before the caret; false,
    // and closed, when nothing matches.
    bool Show();
    void Hide();
    bool IsOpen() const;
    // The entries listed now, as text (kind word, name, detail, description).
    int Count() const;
    QStringList Shown() const;
    int Current() const;
    // Chooses entry k as a double click or Enter would.
    void Choose(int k);
    // The list's window (for a look at it).
    QWidget* Window() const;
    QString Title() const;

    // The built-in vocabulary shared by editors without a database.
    static const CompletionModel* Builtin();
    // An editor without a database: the built-in pop-up, its table names
    // (the master tables) highlighted.
    static TCompletionPopup* AttachBuiltin(QsciScintilla* editor, int rows);
    // The editor highlights the table names of the vocabulary it is shown
    // (for an editor whose vocabulary may change between showings).
    void ShowTableNames(bool on) { FShowsTableNames = on; }

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Insert(const QString& text);
    void Place();
    void Move(int delta);
    bool KeyPressed(int key);
    void Follow();
    void FollowLater();
    QsciScintilla* FEditor;
    std::function<const CompletionModel*()> FModel;
    int FRows;
    QFrame* FFrame;
    QLabel* FTitle;
    QListView* FList;
    TCompletionRows* FItems;
    long FTokenStart = 0; // where the word starts (the editor's byte position)
    bool FFollowQueued = false;
    bool FShowsTableNames = false;
};

} // namespace sky::ui
