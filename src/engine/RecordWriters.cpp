// The CSV upsert and the one-record writers.
#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/RestructureRead.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <sqlite3.h>

namespace sky {

using restructure::InQuotes;
using restructure::kBusy;

bool TSQLite3Database::UpdateFromCSV(QStringList& CSVData, const QString& TableName, int& ChgCount,
                                     TConflictHandler onKeyFieldExists, QChar sDelim) {
    DispatchUpdates();
    ChgCount = 0;
    const QString table = TrimText(TableName);
    if (!CheckConnected()) return false;
    for (qsizetype i = CSVData.size() - 1; i >= 0; --i)
        if (TrimText(CSVData[i]).isEmpty()) CSVData.removeAt(i);
    const bool ownTransaction = !FTransactionOpen;
    if (ownTransaction) {
        if (!BeginTransaction()) return false;
    } else if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    auto fail = [&](const QString& why) {
        if (ownTransaction) Rollback();
        SetError(why);
        return false;
    };
    try {
        const QString shown = UnquoteIdent(table);
        if (CSVData.size() < 2)
            return fail(QStringLiteral(
                "A CSV Import must contain at least a Header row and 1 row of data"));
        const QStringList keys = PrimaryKeyColumns(table, QString());
        if (keys.isEmpty())
            return fail(QStringLiteral("Table ") + InQuotes(shown) +
                        QStringLiteral(" has no Primary Key Index"));
        QStringList columns;
        if (EnumColNames(columns, table) <= 0)
            return fail(QStringLiteral("Table ") + InQuotes(shown) +
                        QStringLiteral(" has no Columns"));
        QStringList header;
        if (SplitCSVFields(CSVData[0], header, sDelim) < 2)
            return fail(QStringLiteral("CSV Import data has no data Columns"));

        // Header field index and column name of every matched column.
        QList<int> fieldIndex;
        QStringList names;
        bool hasKey = false;
        for (qsizetype f = 0; f < header.size() && names.size() < 999; ++f) {
            const int c = IndexOfName(header[f], columns);
            if (c < 0) continue;
            fieldIndex.append(int(f));
            names.append(QuoteIdent(columns[c], false, true));
            if (IndexOfName(columns[c], keys) >= 0) hasKey = true;
        }
        if (names.size() < 2)
            return fail(QStringLiteral("CSV Import data does not contain columns referencing valid "
                                       "fields in ") +
                        InQuotes(shown));
        if (!hasKey)
            return fail(
                QStringLiteral("CSV Import does not contain a valid Primary-Key Field for ") +
                InQuotes(shown));

        QString params = QStringLiteral("?1");
        for (qsizetype k = 1; k < names.size(); ++k)
            params += QStringLiteral(",?") + QString::number(k + 1);
        const QString sql = QStringLiteral("INSERT OR ") + ConflictClauseWord(onKeyFieldExists) +
                            QStringLiteral(" INTO ") + QualifiedTableName(table) +
                            QStringLiteral(" (") + names.join(QLatin1Char(',')) +
                            QStringLiteral(") VALUES (") + params + QStringLiteral(");");
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(sql);
        if (!stmt) return fail(QStringLiteral("Import Prepare error - ") + FLastErr);
        QStringList fields;
        for (qsizetype line = 1; line < CSVData.size(); ++line) {
            const QString& text = CSVData[line];
            auto excerpt = [&] {
                return QStringLiteral("Line ") + QString::number(line + 1) + QStringLiteral(" (") +
                       text.left(30) + QStringLiteral("...)");
            };
            if (SplitCSVFields(text, fields, sDelim) < header.size())
                return fail(excerpt() + QStringLiteral(" contained a field-count mismatch"));
            for (qsizetype k = 0; k < fieldIndex.size(); ++k)
                stmt->BindText(int(k + 1), fields[fieldIndex[k]]);
            const int rc = stmt->Step();
            if (rc != SQLITE_DONE) {
                const QString engine = QString::fromUtf8(sqlite3_errmsg(FHandle));
                stmt.reset();
                return fail(excerpt() + QStringLiteral(" contained invalid data") +
                            QStringLiteral(" - ") + engine);
            }
            stmt->Reset();
            ++ChgCount;
        }
        stmt.reset();
        const bool ok = ownTransaction ? Commit() : true;
        DispatchUpdates();
        return ok;
    } catch (const std::exception& e) {
        return fail(QStringLiteral("Exception executing Query ") + ExceptionText(e));
    }
}

bool TSQLite3Database::RecordWrite(const QString& SQL) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = kBusy;
        return false;
    }
    const bool ok = ExecSQL(SQL);
    DispatchUpdates();
    return ok;
}

bool TSQLite3Database::InsertRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                             const QString& TableName) {
    return RecordWrite(BuildInsertSQL(Properties_NameValuePair_List, QualifiedTableName(TableName),
                                      QStringLiteral("INSERT")));
}

bool TSQLite3Database::ReplaceRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                              const QString& TableName) {
    return RecordWrite(BuildInsertSQL(Properties_NameValuePair_List, QualifiedTableName(TableName),
                                      QStringLiteral("REPLACE")));
}

bool TSQLite3Database::UpdateRecFromPropList(const QStringList& Properties_NameValuePair_List,
                                             const QString& TableName, const QString& WhereClause) {
    return RecordWrite(
        BuildUpdateSQL(Properties_NameValuePair_List, UnquoteIdent(TableName), WhereClause));
}

} // namespace sky
