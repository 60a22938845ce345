// The one place where values become SQL literals: strings in single quotes
// with inner quotes doubled, REALs that read back to the same double, blobs
// as X'..'. Every generator of SQL text uses these.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace sky {

// Dialect differences of string literals.
enum class SqlDialect { SQLite, MySQL, Postgres, Oracle, MSSQL };

// 'text' with inner single quotes doubled (MySQL also doubles backslashes;
// MSSQL writes text holding non-ASCII characters as N'text').
QString QuoteSqlString(QStringView text, SqlDialect dialect = SqlDialect::SQLite);
// The shortest of 15 or 17 significant digits that reads back to the same
// double, always with a decimal point or exponent; infinities as 1e999/-1e999.
QString SqlRealLiteral(double value);
// X'0A1B..' (X'' for an empty blob).
QString SqlBlobLiteral(const void* data, qsizetype size);

} // namespace sky
