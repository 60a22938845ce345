// The import of a sheet: its statements and the one transaction that creates
// the table and inserts every data row.
#include "transfer/CsvImport.h"

#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <QByteArray>
#include <QScopeGuard>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <sqlite3.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace sky {

namespace {

// Rows between two looks at progress and cancel.
constexpr qsizetype kPollRows = 4096;

// Rows whose texts are prepared in one go, and blocks prepared ahead.
constexpr qsizetype kBlockRows = 4096;
constexpr size_t kBlocksAhead = 3;
// Imports of at least this many rows prepare their texts on a second thread.
constexpr qsizetype kThreadedRows = 20000;

// Appends the UTF-8 form of Latin-1 text.
void AppendLatin1AsUtf8(QByteArray& out, const char* p, qsizetype n) {
    for (qsizetype k = 0; k < n; ++k) {
        const uchar c = uchar(p[k]);
        if (c < 0x80) {
            out.append(char(c));
        } else {
            out.append(char(0xC0 | (c >> 6)));
            out.append(char(0x80 | (c & 0x3F)));
        }
    }
}

bool IsAscii(const char* p, qsizetype n) {
    // Eight bytes at a time, then the rest.
    uint64_t high = 0;
    qsizetype k = 0;
    for (; k + 8 <= n; k += 8) {
        uint64_t w;
        std::memcpy(&w, p + k, 8);
        high |= w;
    }
    for (; k < n; ++k)
        high |= uchar(p[k]);
    return !(high & 0x8080808080808080ULL);
}

} // namespace

bool TableNameTaken(TSQLite3Database& db, const QString& name) {
    std::unique_ptr<TSQLite3Statement> stmt =
        db.Prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') "
                                  "AND name = ?1 COLLATE NOCASE UNION ALL SELECT 1 FROM "
                                  "sqlite_temp_master WHERE type IN ('table', 'view') AND name = "
                                  "?1 COLLATE NOCASE LIMIT 1;"));
    if (!stmt) return false;
    stmt->BindText(1, name);
    return stmt->Step() == SQLITE_ROW;
}

// The texts of some rows as the engine binds them: UTF-8 pointers and
// sizes, row by row. Plain ASCII values point into the sheet's own values;
// the others are encoded into converted.
struct CsvImportSheet::RowBlock {
    qsizetype first = 0;
    qsizetype rows = 0;
    std::vector<const char*> data; // rows x columns
    std::vector<int> size;
    std::vector<qsizetype> offset; // into converted; -1: data is set
    QByteArray converted;
};

void CsvImportSheet::PrepareRows(const std::vector<int>& columns, RowBlock& b) const {
    const size_t cols = columns.size(), cells = size_t(b.rows) * cols;
    b.data.assign(cells, "");
    b.size.assign(cells, 0);
    b.offset.assign(cells, -1);
    b.converted.resize(0);
    for (size_t k = 0; k < cols; ++k) {
        const Column& c = FCols[size_t(columns[k])];
        // A column without typed cells is read straight from its values.
        const bool plain = c.edits.isEmpty();
        for (qsizetype i = 0; i < b.rows; ++i) {
            const qsizetype r = b.first + i;
            const QAnyStringView v = !plain                 ? View(c, r)
                                     : r < c.values->size() ? c.values->view(r)
                                                            : QAnyStringView();
            const size_t at = size_t(i) * cols + k;
            v.visit([&](auto s) {
                using S = decltype(s);
                if constexpr (std::is_same_v<S, QLatin1StringView>) {
                    if (s.isEmpty()) return;
                    if (IsAscii(s.data(), s.size())) {
                        b.data[at] = s.data();
                        b.size[at] = int(s.size());
                        return;
                    }
                    b.offset[at] = b.converted.size();
                    AppendLatin1AsUtf8(b.converted, s.data(), s.size());
                } else {
                    if (s.isEmpty()) return;
                    b.offset[at] = b.converted.size();
                    b.converted += s.toString().toUtf8();
                }
                b.size[at] = int(b.converted.size() - b.offset[at]);
            });
        }
    }
    for (size_t at = 0; at < cells; ++at)
        if (b.offset[at] >= 0) b.data[at] = b.converted.constData() + b.offset[at];
}

ImportSQL CsvImportSheet::BuildImportSQL(const QString& tableName) const {
    QStringList defs, names, params;
    ImportSQL sql;
    for (int k = 0; k < ColumnCount(); ++k) {
        const QString name = TrimText(Head(k, HeadRow::Name));
        if (name.isEmpty()) continue;
        const QString quoted = QuoteIdent(name, false, true);
        QString type = TrimText(Head(k, HeadRow::Type));
        if (type.compare(QStringLiteral("FLOAT"), Qt::CaseInsensitive) == 0) type = kTypeReal;
        QString def = quoted;
        if (!type.isEmpty()) def += u' ' + type;
        const QString constraint = TrimText(Head(k, HeadRow::Constraint));
        if (!constraint.isEmpty()) def += u' ' + constraint;
        defs << def;
        names << quoted;
        params << u'?' + QString::number(k + 1);
        sql.columns << k;
    }
    const QString table = QuoteIdent(tableName);
    sql.create = QStringLiteral("CREATE TABLE IF NOT EXISTS ") + table + QStringLiteral(" (") +
                 defs.join(QStringLiteral(", ")) + QStringLiteral(");");
    sql.insert = QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") +
                 names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                 params.join(QStringLiteral(", ")) + QStringLiteral(");");
    return sql;
}

QStringList CsvImportSheet::ImportLines() const {
    const QList<int> columns = BuildImportSQL(QStringLiteral("t")).columns;
    QStringList lines, fields;
    for (int k : columns)
        fields << TrimText(Head(k, HeadRow::Name));
    lines << JoinCSVLine(fields, u',');
    for (qsizetype r = 0; r < FRows; ++r) {
        fields.clear();
        for (int k : columns)
            fields << Cell(r, k);
        lines << JoinCSVLine(fields, u',');
    }
    return lines;
}

bool CsvImportSheet::RunImport(TSQLite3Database& db, const QString& tableName,
                               ProgressSink& progress, QString& error, bool replaceExisting) const {
    error.clear();
    if (FRows == 0) {
        error = kNoDataRows;
        return false;
    }
    const ImportSQL sql = BuildImportSQL(tableName);
    if (!db.BeginTransaction()) {
        error = kImportStartFailed + db.LastError();
        return false;
    }
    std::unique_ptr<TSQLite3Statement> stmt;
    auto fail = [&](const QString& why) {
        stmt.reset();
        db.Rollback(); // a failed roll-back changes nothing more
        error = why;
        return false;
    };
    try {
        if (replaceExisting &&
            !db.Execute(QStringLiteral("DROP TABLE IF EXISTS main.") + QuoteIdent(tableName)))
            return fail(kCreateTableFailed + tableName + QStringLiteral(": ") + db.LastError());
        // Never into an existing table or view, whatever its letter case:
        // checked again here, where no other connection can add it.
        if (TableNameTaken(db, tableName))
            return fail(kCreateTableFailed + tableName + QStringLiteral(": table ") + tableName +
                        QStringLiteral(" already exists"));
        if (!db.Execute(sql.create))
            return fail(kCreateTableFailed + tableName + QStringLiteral(": ") + db.LastError());
        stmt = db.Prepare(sql.insert);
        if (!stmt) return fail(kImportFailed + db.LastError());
        sqlite3_stmt* h = stmt->Handle();
        const std::vector<int> columns(sql.columns.begin(), sql.columns.end());
        const size_t cols = columns.size();

        // The texts of the rows are prepared a few blocks ahead on a second
        // thread (large imports on a machine with cores to spare) while this
        // one binds and steps; the sheet does not change meanwhile.
        std::mutex m;
        std::condition_variable changed;
        std::deque<std::unique_ptr<RowBlock>> ready, spare;
        bool stop = false, finished = false;
        std::exception_ptr failure;
        auto produce = [&] {
            try {
                for (qsizetype first = 0; first < FRows; first += kBlockRows) {
                    std::unique_ptr<RowBlock> b;
                    {
                        std::unique_lock<std::mutex> lock(m);
                        changed.wait(lock, [&] { return stop || ready.size() < kBlocksAhead; });
                        if (stop) break;
                        if (!spare.empty()) {
                            b = std::move(spare.back());
                            spare.pop_back();
                        }
                    }
                    if (!b) b = std::make_unique<RowBlock>();
                    b->first = first;
                    b->rows = std::min(kBlockRows, FRows - first);
                    PrepareRows(columns, *b);
                    const std::lock_guard<std::mutex> lock(m);
                    ready.push_back(std::move(b));
                    changed.notify_all();
                }
            } catch (...) {
                const std::lock_guard<std::mutex> lock(m);
                failure = std::current_exception();
            }
            const std::lock_guard<std::mutex> lock(m);
            finished = true;
            changed.notify_all();
        };
        const bool threaded = FRows >= kThreadedRows && std::thread::hardware_concurrency() > 1;
        std::thread worker;
        if (threaded) worker = std::thread(produce);
        const auto joinWorker = qScopeGuard([&] {
            if (!worker.joinable()) return;
            {
                const std::lock_guard<std::mutex> lock(m);
                stop = true;
                changed.notify_all();
            }
            worker.join();
        });
        RowBlock own;
        for (qsizetype done = 0; done < FRows;) {
            std::unique_ptr<RowBlock> taken;
            RowBlock* b = &own;
            if (threaded) {
                std::unique_lock<std::mutex> lock(m);
                changed.wait(lock, [&] { return !ready.empty() || finished; });
                if (ready.empty()) {
                    if (failure) std::rethrow_exception(failure);
                    throw std::logic_error("rows were not prepared");
                }
                taken = std::move(ready.front());
                ready.pop_front();
                changed.notify_all();
                b = taken.get();
            } else {
                own.first = done;
                own.rows = std::min(kBlockRows, FRows - done);
                PrepareRows(columns, own);
            }
            for (qsizetype i = 0; i < b->rows; ++i) {
                const qsizetype r = b->first + i;
                const size_t at = size_t(i) * cols;
                for (size_t k = 0; k < cols; ++k) {
                    const int rc = sqlite3_bind_text(h, columns[k] + 1, b->data[at + k],
                                                     b->size[at + k], SQLITE_STATIC);
                    if (rc != SQLITE_OK) {
                        db.CheckResult(rc);
                        return fail(kImportFailed + db.LastError());
                    }
                }
                const int rc = stmt->Step();
                if (rc != SQLITE_DONE) {
                    db.CheckResult(rc == SQLITE_ROW ? SQLITE_MISUSE : rc);
                    return fail(kImportFailed + db.LastError() + QStringLiteral(" (row ") +
                                QString::number(r + 1) + u')');
                }
                stmt->Reset();
                stmt->ClearBindings();
                if ((r + 1) % kPollRows == 0) {
                    progress.Advance(QString(), double(r + 1) / double(FRows), -1);
                    if (progress.IsCancelled()) return fail(kImportCancelled);
                }
            }
            done += b->rows;
            if (taken) {
                const std::lock_guard<std::mutex> lock(m);
                spare.push_back(std::move(taken));
            }
        }
        stmt.reset();
    } catch (const std::exception& e) {
        return fail(kImportFailed + ExceptionText(e));
    }
    if (!db.Commit()) {
        // The engine's Commit has rolled the transaction back.
        error = kCommitFailed + db.LastError();
        return false;
    }
    progress.Advance(QString(), 1.0, -1);
    return true;
}

} // namespace sky
