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
#include <cstring>
#include <sqlite3.h>
#include <vector>

namespace sky {

namespace {

// Rows between two looks at progress and cancel.
constexpr qsizetype kPollRows = 4096;

// The value as UTF-8 for binding: Latin-1 text that is plain ASCII is bound
// where it lies; other text is encoded into buf.
struct Utf8Text {
    const char* data;
    int size;
};

Utf8Text AsUtf8(QAnyStringView v, QByteArray& buf) {
    return v.visit([&](auto s) -> Utf8Text {
        using S = decltype(s);
        if constexpr (std::is_same_v<S, QLatin1StringView>) {
            const char* p = s.data();
            const qsizetype n = s.size();
            // Plain ASCII? Eight bytes at a time, then the rest.
            uint64_t high = 0;
            qsizetype k = 0;
            for (; k + 8 <= n; k += 8) {
                uint64_t w;
                std::memcpy(&w, p + k, 8);
                high |= w;
            }
            for (; k < n; ++k)
                high |= uchar(p[k]);
            if (!(high & 0x8080808080808080ULL)) return {n > 0 ? p : "", int(n)};
            buf.resize(0);
            buf.reserve(n * 2);
            for (qsizetype k = 0; k < n; ++k) {
                const uchar c = uchar(p[k]);
                if (c < 0x80) {
                    buf.append(char(c));
                } else {
                    buf.append(char(0xC0 | (c >> 6)));
                    buf.append(char(0x80 | (c & 0x3F)));
                }
            }
        } else {
            buf = s.toString().toUtf8();
        }
        return {buf.isEmpty() ? "" : buf.constData(), int(buf.size())};
    });
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
                               ProgressSink& progress, QString& error) const {
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

        struct Bound {
            const Column* col;
            int param;
            QByteArray buf;
        };
        std::vector<Bound> bound;
        for (int k : sql.columns)
            bound.push_back({&FCols[size_t(k)], k + 1, QByteArray()});
        for (qsizetype r = 0; r < FRows; ++r) {
            for (Bound& b : bound) {
                // A column without typed cells is read straight from its values.
                const QAnyStringView v = !b.col->edits.isEmpty()     ? View(*b.col, r)
                                         : r < b.col->values->size() ? b.col->values->view(r)
                                                                     : QAnyStringView();
                const Utf8Text t = AsUtf8(v, b.buf);
                const int rc = sqlite3_bind_text(h, b.param, t.data, t.size, SQLITE_STATIC);
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
