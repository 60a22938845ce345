// The analyzer page without a display: the report of the SQLite project's
// sqlite3_analyzer read as its four parts (sections, definitions, the lines
// before the SQL, the SQL), a section's figures, an item's explanation, the
// run of the real program (no shell, its output read from its standard
// output, time-outs and Cancel), the import of the report's "space_used"
// table in one transaction, and the graph's rows.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace sky {

class ProgressSink;
class TSQLite3Database;

inline const QString kAnalyzerHelpTitle = QStringLiteral("Database Analysis");
inline const QString kAnalyzerHelpText = QStringLiteral(
    "Gather information about the current database using the \"sqlite3_analyzer\" utility.  "
    "Analyzed tables will be listed on the left, table data in the center and a simple layout "
    "graph on the right. \r\rOnce Analyzed, you will have the option to add the results as a "
    "table - This is required for the graph but not for the table-specific data.\r\rNote: the "
    "utility comes with the sqlite3-tools package; it is looked for beside the program, then "
    "on the PATH.");
inline const QString kAnalyzerNotFound =
    QStringLiteral("Analyzer Error: Software (sqlite3_analyzer) not found...");
inline const QString kAnalyzerNoStart =
    QStringLiteral("Analisys Error: Analyzer did not respond in a timely manner...");
inline const QString kAnalyzerNoEnd =
    QStringLiteral("Analisys Error: Analyzer did not complete in a timely manner...");
inline const QString kAnalyzerBadOutput =
    QStringLiteral("Analisys Error: Could not read Analyzer Output...");
inline const QString kSpaceUsedQuestion =
    QStringLiteral("Store additional usage info in table \"space_used\"?");

struct AnalyzerFigure {
    QString item, value, relative;
};

class AnalyzerReport {
public:
    // The lines are read into their parts once, here.
    explicit AnalyzerReport(QStringList lines = {});
    const QStringList& Lines() const { return FLines; }
    // Part 0 sections, 1 definitions, 2 up to the SQL, 3 the SQL; false when
    // the part was not reached or holds at most one line.
    bool Part(int n, QStringList& out) const;
    // The section list (the report's heading shortened to its first words).
    QStringList Sections() const;
    // The figures under exactly this section's heading.
    QList<AnalyzerFigure> Figures(const QString& section) const;
    // term + ": " + CR LF + the definition; empty when the item has none.
    QString Explain(const QString& item) const;
    // The first section naming this table or index as a whole name; empty
    // when none does.
    QString SectionOf(const QString& name) const;
    // The SQL part's statements, BEGIN and COMMIT left out, INSERT lines of
    // more than 15 values with their bare words quoted.
    bool Statements(QStringList& out, QString& why) const;

private:
    QStringList FLines;
    QStringList FParts[4];
    int FReached = 0;
};

// Where the program is: beside this program, then on the PATH; empty when
// neither.
QString FindAnalyzer();

// Runs the analyzer on the database file; true with the report's lines, or
// false with the status. Cancel (sink) or a time-out kills it.
bool RunAnalyzer(const QString& program, const QString& dbFile, QStringList& lines, QString& status,
                 ProgressSink* sink = nullptr, int startMs = 10000, int finishMs = 150000);

// The table "space_used" as the analyzer makes it: 0 none, 1 the
// analyzer's (its columns), 2 a table of the user's.
int SpaceUsedKind(TSQLite3Database& db);
// Drops and rebuilds "space_used" from the report in one transaction; the
// status ("Analysis Table Import Success", "Import Error: ...").
bool ImportSpaceUsed(TSQLite3Database& db, const AnalyzerReport& report, QString& status);

struct GraphRow {
    QString name, table; // the index's table (a table's own name)
    bool index = false;
    qint64 payload = 0, leafUnused = 0, gapCount = 0, leafPages = 0, compressed = 0;
};
QList<GraphRow> ReadGraph(TSQLite3Database& db);

} // namespace sky
