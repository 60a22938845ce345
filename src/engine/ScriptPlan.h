// The database and table scripts as plans: what the script writes, in order,
// built from a schema catalogue without touching the database. The writer
// (TSQLite3Database::ExportDBScript / ExportTableScript) adds what is only
// known while writing: the time of each table heading, the rows of each
// table, and the header and footer that depend on the outcome.
//
// A table's steps, in order:
//   1. Heading  — the "--   Table Schema for:" comment line
//   2. Text     — DROP TABLE IF EXISTS and the stored CREATE text
//   3. Rows     — the table's rows as INSERTs (data wanted, not a virtual table)
//   4. Text     — per index: DROP INDEX IF EXISTS and its CREATE text
//   5. Text     — each trigger's CREATE text
// A table that cannot be scripted is one Failure step. The database script
// has every table's steps in creation order (root page), then the views
// (DROP VIEW IF EXISTS and CREATE text each) and the triggers on views.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace sky {

class TSchemaCatalogue;

enum class ScriptStepKind { Heading, Text, Rows, Failure };

struct TScriptStep {
    ScriptStepKind kind = ScriptStepKind::Text;
    QByteArray table; // the table the step belongs to (its stored name); empty for views
    QByteArray text;  // Text: the bytes written, every line ending in CR LF
    QString reason;   // Failure: why the table cannot be scripted
};

struct TScriptPlan {
    QList<TScriptStep> steps;
    bool noTables = false; // the database script found no table to write
};

// The script of one table, found by name without regard to ASCII case.
TScriptPlan TableScriptPlan(const TSchemaCatalogue& cat, const QByteArray& name, bool inclData);

// The body of the database script: every table but the sequence and
// statistics tables, the views, the triggers on views.
TScriptPlan DatabaseScriptPlan(const TSchemaCatalogue& cat, bool inclData);

// The reason of a Failure step: kInvalidTableSchema + name + "...".
inline const QString kInvalidTableSchema = QStringLiteral("Invalid Table Schema for ");
inline const QString kNoTables = QStringLiteral("Database has no Tables");

} // namespace sky
