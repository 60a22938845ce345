// The overview's file pane: the project box, the header buttons, the file
// list with its drawing, drag order and copy key, and the menus of the list
// and of the "Menu" button. The commands are OverviewController's; what
// belongs to the window (its pane width, cascading, minimising, closing,
// the information page) is asked for by signals.
#pragma once

#include <QList>
#include <QWidget>
#include <functional>

class QComboBox;
class QListWidget;
class QMenu;
class QPushButton;

namespace sky {
class OverviewController;
}

namespace sky::ui {

class EntryDelegate;

class TFilePane : public QWidget {
    Q_OBJECT
public:
    TFilePane(OverviewController& c, QWidget* parent);
    QListWidget* FileList() const { return lbDBFiles; }
    void SetScriptOpener(std::function<void(const QString&)> open) { FScripts = std::move(open); }
    void SetDocOpener(std::function<void(const QString&)> open) { FDocs = std::move(open); }
    const QList<QPushButton*>& HeaderButtons() const { return FHeaderButtons; }
    // The entry of the selected line; empty when none.
    QString SelectedEntry() const;
    // The line shown for an entry ("name.db - ✓", expanded "/folder/name.db --- ✓ Ready").
    QString EntryText(const QString& entry) const;
    // Redraws the file list from the controller (status words and colours),
    // and the project box.
    void RefreshFiles();
    void RefreshProjects();
    // Captions, hints and drawing of the expanded or collapsed pane.
    void SetExpanded(bool expanded);
    // The menus of the file list and of the header "Menu" button.
    void BuildEntryMenu(QMenu& m, const QString& entry);
    void BuildWindowMenu(QMenu& m);

Q_SIGNALS:
    void ToggleExpanded();
    // The mouse rests on an entry (the information page follows it).
    void EntryEntered(const QString& entry);
    void ShowInFolder(const QString& file);
    void CascadeWindows();
    void MinimizeRequested();
    void ExitRequested();

private:
    void AddProjectDatabases(QMenu& menu);

    OverviewController& FCtl;
    std::function<void(const QString&)> FScripts;
    std::function<void(const QString&)> FDocs;
    QComboBox* cbProjectName;
    QList<QPushButton*> FHeaderButtons;
    QPushButton *btnExpand, *btnProjectDelete;
    QListWidget* lbDBFiles;
    EntryDelegate* FDrawing;
    bool FExpanded = false;
};

} // namespace sky::ui
