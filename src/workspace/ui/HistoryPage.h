// The workspace's "History" page: the editable history text of successful
// queries, newest first, and its help image. A double-click puts the entry
// around the caret into the query editor (WorkspaceController::PickHistory).
#pragma once

#include <QWidget>

class QLabel;
class QsciScintilla;

namespace sky {
class WorkspaceController;
}

namespace sky::ui {

class THistoryPage : public QWidget {
    Q_OBJECT
public:
    THistoryPage(WorkspaceController& c, QWidget* parent);
    QsciScintilla* Editor() const { return memHist; }
    QLabel* HelpImage() const { return btnHelpHist; }
    // The text's lines, as the user may have edited them.
    QStringList Lines() const;
    void Render();

Q_SIGNALS:
    // An entry was picked into the query editor.
    void Picked();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    WorkspaceController& FCtl;
    QsciScintilla* memHist;
    QLabel* btnHelpHist;
};

} // namespace sky::ui
