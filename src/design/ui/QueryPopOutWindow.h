// The query pop-out window (TfrmSKYQryData): a free-standing window with one
// SQL text and its painted result grid, its own Query button, copies and
// saves. The run, the copies and the saves are QueryPopOut's; every window
// joins the process's pop-out list.
#pragma once

#include "design/QueryPopOut.h"

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;
class QsciScintilla;

namespace sky::ui {

class PopOutGridModel;

class TfrmSKYQryData : public QWidget {
    Q_OBJECT
public:
    // Opens a window at (left, top) on the connection with the SQL and, when
    // given, its result lines (else the query runs by itself 200 ms later).
    // Nothing opens without a connection, inside an open transaction, or
    // without SQL: then nullptr.
    static TfrmSKYQryData* Open(int left, int top, TSQLite3Database* db, bool hints,
                                const QStringList& lines, const QString& sql);
    ~TfrmSKYQryData() override;

    QueryPopOut& Core() { return *FCore; }
    QsciScintilla* Editor() const { return memQry; }
    QLabel* Status() const { return lblStatus; }
    QTableView* Grid() const { return sgResults; }
    // "  Query": the editor's text run again.
    void RunQuery();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    TfrmSKYQryData(std::unique_ptr<QueryPopOut> core, bool hints);
    void Render();
    void Copy(PopOutCopy kind);
    void Save(PopOutSave kind);
    std::unique_ptr<QueryPopOut> FCore;
    PopOutGridModel* FModel = nullptr;
    QsciScintilla* memQry = nullptr;
    QLabel* lblStatus = nullptr;
    QTableView* sgResults = nullptr;
    QPushButton* btnQry = nullptr;
};

} // namespace sky::ui
