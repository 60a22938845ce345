// The workspace's "Analysis" page: "   Run Analyzer", the report's sections
// on the left, the chosen section's figures in the centre with the chosen
// item's explanation under them, and a graph of the space every table and
// index takes on the right (from the imported "space_used" table). The
// report, the run and the import are Analyzer's; the report is kept with
// the database's settings.
#pragma once

#include "workspace/Analyzer.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace sky {
class WorkspaceController;
class WorkspaceView;
class Prompter;
} // namespace sky

namespace sky::ui {

class TAnalGraph;

class TAnalyzerPage : public QWidget {
    Q_OBJECT
public:
    TAnalyzerPage(WorkspaceController& c, WorkspaceView& view, QWidget* parent,
                  Prompter* prompts = nullptr);
    // Shows the stored report (after opening and after a run).
    void LoadReport();
    // "   Run Analyzer"; program: the analyzer (empty: looked for).
    bool Run(const QString& program = QString());
    void ShowSection(const QString& section);

    QListWidget* Sections() const { return lbAnalSects; }
    QTableWidget* Figures() const { return sgAnal; }
    QLabel* HelpLabel() const { return lblAnalHelp; }
    QLabel* HelpImage() const { return imgHelpAnalyzer; }
    TAnalGraph* Graph() const { return lbAnalStats; }

private:
    void FillGraph();
    WorkspaceController& FCtl;
    WorkspaceView& FView;
    Prompter& FPrompts;
    AnalyzerReport FReport; // the stored report, as shown
    QListWidget* lbAnalSects = nullptr;
    QTableWidget* sgAnal = nullptr;
    QLabel* lblAnalDataHeader = nullptr;
    QLabel* lblAnalHelp = nullptr;
    QLabel* imgHelpAnalyzer = nullptr;
    TAnalGraph* lbAnalStats = nullptr;
};

// The graph: a bar per table (bold) with its indexes under it (italic,
// indented), long as its stored size against the largest, in segments for
// the payload, the unused leaf space and the rest; fragmentation marked;
// the size and share of the file at the end; a legend above.
class TAnalGraph : public QWidget {
    Q_OBJECT
public:
    explicit TAnalGraph(QWidget* parent);
    void SetRows(QList<GraphRow> rows, qint64 fileSize);
    const QList<GraphRow>& Rows() const { return FRows; }
    int Chosen() const { return FChosen; }
    void Choose(int row);
    QSize sizeHint() const override;

Q_SIGNALS:
    void BarChosen(const QString& name);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool event(QEvent* e) override;

private:
    int RowAt(int y) const;
    QList<GraphRow> FRows;
    QList<int> FTops;
    qint64 FMax = 0, FFile = 0;
    int FChosen = -1;
};

} // namespace sky::ui
