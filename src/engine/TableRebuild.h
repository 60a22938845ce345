// A table rebuilt in place: the old table set aside, the new one created
// under the table's name, the rows copied (rowids and the AUTOINCREMENT
// counter kept), the old table dropped, then the new table's indexes and
// triggers created, so none of them fires on copied rows. One runner does
// every rebuild in one transaction: foreign-key enforcement off around it,
// legacy renaming inside it (views, other tables' triggers and the keys of
// child tables keep naming the table), and the keys of the table and of the
// tables referring to it checked before the commit.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace sky {

class TSQLite3Database;

// A rebuild as statements run one by one, in order, inside one transaction.
struct TRebuildPlan {
    QString schema; // the table's schema as stored
    QString table;  // its name as stored
    QString header; // a comment line shown before the statements ("-- ..."), not run
    QStringList statements;
    // The script as shown: the header, then each statement on its own line.
    QString Script() const;
};

// A rebuild from a new definition.
struct TRebuildRequest {
    QString schema;          // empty: the table as the engine finds its name
    QString table;           // as stored
    QString header;          // the script's first line, a comment; may be empty
    QString asideBase;       // the old table is set aside under this name, numbered when taken
    QStringList dropFirst;   // run before the old table is set aside (its indexes and triggers)
    QString createTable;     // the new table's CREATE TABLE statement, under the table's name
    QStringList afterCopy;   // the new table's indexes and triggers
    QStringList targets;     // quoted names of the new table's columns that get values
    QStringList sources;     // the matching expressions over the old table's columns
    bool newHasRowid = true; // the new table is a rowid table
};

// Builds the plan: reads the table (it must be an ordinary table), chooses
// the aside name, and keeps rowids when both tables have them and the
// AUTOINCREMENT counter when the old table has one. Writes nothing. False
// with the reason in LastError.
bool BuildTableRebuild(TSQLite3Database& db, const TRebuildRequest& request, TRebuildPlan& plan);

// Runs a plan as described above; on any failure nothing is changed. False
// with the reason in LastError.
bool RunRebuild(TSQLite3Database& db, const TRebuildPlan& plan);
// The same with the plan built inside the transaction, so nothing it read
// can change before it runs; build fails the rebuild by returning false.
bool RunRebuild(TSQLite3Database& db, const std::function<bool(TRebuildPlan&)>& build);

} // namespace sky
