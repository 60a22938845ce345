// What the command families of skylark-cli share: each family file holds its
// commands with their help texts and exports them as a table; CliMain.cpp
// parses the command line and dispatches to them.
#pragma once

#include "cli/CliCommands.h"
#include "support/Prompter.h"

#include <span>

namespace sky {
class TSQLite3Database;
}

namespace sky::cli {

// The command tables of the families, each in its listing order.
std::span<const CliCommand* const> QueryCommands();  // query, columns, pk, csv, grid
std::span<const CliCommand* const> ScriptCommands(); // exec, split, dump, backup, restructure
std::span<const CliCommand* const> SchemaCommands(); // table-sql, view-sql, tree
// count-rows, drop-table, empty-table, rename-table, copy-table, alter-table,
// add-column, rename-column, drop-column, column-refs
std::span<const CliCommand* const> TableCommands();
std::span<const CliCommand* const> FileCommands();   // version, probe, pack, unpack, find-db, info
std::span<const CliCommand* const> DataCommands();   // edit-data
std::span<const CliCommand* const> ImportCommands(); // import-csv
// quick-sql, results-copy, results-save, query-to-file, query-to-table, cell-action
std::span<const CliCommand* const> ResultsCommands();
std::span<const CliCommand* const> FileImportCommands(); // import, import-to-csv, import-preview
// script-items, script-params, script-export
std::span<const CliCommand* const> ScriptProcessorCommands();
std::span<const CliCommand* const> AnalysisCommands(); // doc, check-schema, compare
std::span<const CliCommand* const> PragmaCommands();   // pragmas, analyze
std::span<const CliCommand* const> ToolCommands();     // calc, code-export, complete
// transfer, quick-backup, restore, vacuum, analyze-tables, reindex, attach,
// load-extension, new-db-from-table, import-plan
std::span<const CliCommand* const> DatabaseCommands();

// Ctrl+C as the progress dialog's Cancel while the object lives (the
// previous handler comes back afterwards).
class InterruptProgress : public ProgressSink {
public:
    InterruptProgress();
    ~InterruptProgress() override;
    void Advance(const QString&, double, double) override {}
    bool IsCancelled() const override;
    void SetOverallDescription(const QString&) override {}

private:
    void (*previous_)(int) = nullptr;
};

// Writes text as UTF-8 to the command's output; a failed write is kept by the
// output and reported when the command ends.
void Print(CliContext& ctx, const QString& text);
// Reads the script or text of -f FILE (a pipe or device too), or standard
// input without -f or with "-f -".
bool ReadInput(CliContext& ctx, QString& text);
// Opens an existing database file for the reading commands.
bool OpenExisting(CliContext& ctx, TSQLite3Database& db, const QString& file);
// Reads the number option --name into value when it is given; false (and
// ctx.error set) when it is not a number.
bool IntOption(CliContext& ctx, const QString& name, int& value);

} // namespace sky::cli
