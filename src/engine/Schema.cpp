// Schema introspection: table, column and key enumeration, existence tests,
// column metadata, result-type probing and fresh table names.
#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/Identifiers.h"
#include "engine/SqlLiteral.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <sqlite3.h>

namespace sky {
namespace {

// The table name as pragma_table_info takes it: the unquoted name as a
// string literal.
QString TableNameLiteral(const QString& tableName) {
    return QuoteSqlString(UnquoteIdent(tableName));
}

// The schema prefix of a table-valued pragma function.
} // namespace

int TSQLite3Database::EnumTableNames(QStringList& Results) {
    DispatchUpdates();
    try {
        QStringList lines;
        const bool ok = QueryToCSV(
            lines, QStringLiteral("SELECT \"tbl_name\" FROM sqlite_master WHERE \"type\"='table'"),
            false, false, 0, -1, false);
        Results.clear();
        if (!ok) return 0;
        if (!lines.isEmpty()) lines.removeFirst();
        Results = lines;
        return int(Results.size());
    } catch (const std::exception&) {
        Results.clear();
        return 0;
    }
}

int TSQLite3Database::EnumColumns(QStringList& Results, const QString& TableName, bool InclHeader) {
    DispatchUpdates();
    Results.clear();
    if (TrimText(TableName).isEmpty()) return 0;
    QStringList lines;
    if (!QueryToCSV(lines,
                    QStringLiteral("SELECT * FROM pragma_table_info(") +
                        TableNameLiteral(TableName) + QStringLiteral(") ORDER BY cid"),
                    true, !InclHeader, 0, -1, false))
        return 0;
    Results = lines;
    return int(Results.size() - (InclHeader && !Results.isEmpty() ? 1 : 0));
}

int TSQLite3Database::EnumColNames(QStringList& Results, const QString& TableName) {
    DispatchUpdates();
    Results.clear();
    if (TrimText(TableName).isEmpty()) return -1;
    if (!QuerySingleColumn(Results,
                           QStringLiteral("SELECT name FROM pragma_table_info(") +
                               TableNameLiteral(TableName) + QStringLiteral(") ORDER BY cid"),
                           0, false)) {
        Results.clear();
        return -1;
    }
    return int(Results.size());
}

QString TSQLite3Database::GetPrimaryKeyFields(const QString& TableName, const QString& DBName) {
    DispatchUpdates();
    QStringList quoted;
    for (const QString& n : PrimaryKeyColumns(TableName, DBName))
        quoted.append(QuoteIdent(n));
    return quoted.join(QLatin1Char(','));
}

QStringList TSQLite3Database::PrimaryKeyColumns(const QString& TableName, const QString& DBName) {
    QStringList names;
    if (TrimText(TableName).isEmpty()) return names;
    if (!QuerySingleColumn(names,
                           QStringLiteral("SELECT X.name FROM pragma_table_info") +
                               PragmaArguments(TableNameLiteral(TableName), DBName) +
                               QStringLiteral(" AS X WHERE X.pk > 0 ORDER BY X.pk;"),
                           0, false))
        names.clear();
    return names;
}

bool TSQLite3Database::ObjectExists(const QString& Name, const QString& Database,
                                    const char* type) {
    DispatchUpdates();
    const QString name = TrimText(Name);
    if (name.isEmpty()) return false;
    std::unique_ptr<TSQLite3Statement> stmt =
        Prepare(QStringLiteral("SELECT tbl_name FROM ") + MasterTableOf(Database) +
                QStringLiteral(" WHERE \"name\"=") + QuoteSqlString(name) +
                QStringLiteral(" AND type='") + QLatin1String(type) + QStringLiteral("';"));
    if (!stmt) return false;
    return stmt->Step() == SQLITE_ROW;
}

bool TSQLite3Database::TableExists(const QString& TableName, const QString& Database) {
    return ObjectExists(TableName, Database, "table");
}

bool TSQLite3Database::ViewExists(const QString& ViewName, const QString& Database) {
    return ObjectExists(ViewName, Database, "view");
}

TSQLiteColumnMetaData TSQLite3Database::ColMetaData(const QString& sTableName,
                                                    const QString& sColName,
                                                    const QString& sDBName) {
    DispatchUpdates();
    TSQLiteColumnMetaData md;
    if (TrimText(sTableName).isEmpty() || !IsOpen() || IsBusy()) return md;
    const QByteArray table = sTableName.toUtf8(), col = sColName.toUtf8(),
                     schema = sDBName.toUtf8();
    const char* dataType = nullptr;
    const char* collation = nullptr;
    int notNull = 0, pk = 0, autoInc = 0;
    int rc;
    {
        EngineCall call(this);
        rc = sqlite3_table_column_metadata(
            FHandle, sDBName.isEmpty() ? nullptr : schema.constData(), table.constData(),
            sColName.isEmpty() ? nullptr : col.constData(), &dataType, &collation, &notNull, &pk,
            &autoInc);
    }
    if (!CheckResult(rc)) return md;
    md.isValidTable = true;
    md.isValidColumn = !sColName.isEmpty();
    md.isNotNull = notNull != 0;
    md.isPrimaryKey = pk != 0;
    md.isAutoInc = autoInc != 0;
    md.sDataType = QString::fromUtf8(dataType ? dataType : "");
    md.sCollation = QString::fromUtf8(collation ? collation : "");
    return md;
}

bool TSQLite3Database::QueryTypeAffinities(QStringList& FieldAffinities, const QString& SQL) {
    DispatchUpdates();
    FieldAffinities.clear();
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database Busy");
        return false;
    }
    if (SQL.isEmpty()) return false;
    bool ok = false;
    Lock();
    try {
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        if (stmt) {
            const int rc = stmt->Step();
            const int cols = stmt->ColumnCount();
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                CheckResult(rc);
            } else if (cols > 0) {
                ok = true;
                for (int c = 0; c < cols; ++c) {
                    QString type = QStringLiteral("NULL");
                    if (rc == SQLITE_ROW) {
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER:
                            type = QStringLiteral("INTEGER");
                            break;
                        case SQLITE_FLOAT:
                            type = QStringLiteral("REAL");
                            break;
                        case SQLITE_TEXT:
                            type = QStringLiteral("TEXT");
                            break;
                        case SQLITE_BLOB:
                            type = QStringLiteral("BLOB");
                            break;
                        default:
                            break;
                        }
                    }
                    FieldAffinities.append(
                        QString::fromUtf8(CSVQuote(stmt->ColumnName(c).toUtf8())) +
                        QLatin1Char('=') + type);
                }
            }
        }
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Exception executing Query ") + ExceptionText(e);
        ok = false;
    }
    Unlock();
    return ok;
}

QString TSQLite3Database::QualifiedTableName(const QString& fullName) const {
    return ::sky::QualifiedTableName(fullName);
}

bool TSQLite3Database::NameInUse(const QString& name, const QString& dbSchema) {
    std::unique_ptr<TSQLite3Statement> stmt =
        Prepare(QStringLiteral("SELECT 1 FROM ") + MasterTableOf(dbSchema) +
                QStringLiteral(" WHERE lower(\"name\")=lower(?1) LIMIT 1;"));
    if (!stmt) return false;
    stmt->BindText(1, name);
    return stmt->Step() == SQLITE_ROW;
}

QString TSQLite3Database::makeValidTableName(const QString& suggestedName, const QString& dbSchema,
                                             bool bAllowExistingName) {
    DispatchUpdates();
    const QString trimmed = TrimText(suggestedName);
    if (trimmed.isEmpty()) return QStringLiteral("New_Table_1");
    static const QString dropped = QStringLiteral("\"'(),.[\\]`");
    QString name;
    for (QChar c : trimmed)
        if (c.unicode() > 32 && !dropped.contains(c)) name += c;
    if (name.size() > 5) {
        const qsizetype at = UpperAscii(name).indexOf(QStringLiteral("SQLITE"));
        if (at >= 0) name.replace(at, 6, QStringLiteral("sqldb"));
    }
    if (name.isEmpty() || bAllowExistingName) return name;
    qsizetype digits = 0;
    while (digits < 7 && digits < name.size() && name[name.size() - 1 - digits].isDigit() &&
           name[name.size() - 1 - digits].unicode() < 128)
        ++digits;
    const QString stem = name.left(name.size() - digits);
    const int width = int(digits);
    qint64 counter = digits > 0 ? name.right(digits).toLongLong() : 1;
    QString candidate = name;
    // Object names are compared without regard to letter case, as the engine does.
    while (NameInUse(candidate, dbSchema)) {
        ++counter;
        candidate = stem + QStringLiteral("%1").arg(counter, width, 10, QLatin1Char('0'));
    }
    return candidate;
}

} // namespace sky
