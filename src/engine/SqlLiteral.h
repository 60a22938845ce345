// The one place where values become SQL literals: strings in single quotes
// with inner quotes doubled, REALs that read back to the same double, blobs
// as X'..'. Every generator of SQL text uses these.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <string>

struct sqlite3_stmt;

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

// The same literals appended as bytes, for writers of large scripts.
void AppendSqlReal(std::string& out, double value);
void AppendSqlBlob(std::string& out, const void* data, qsizetype size);
// A text value from its UTF-8 bytes, so that every byte survives any reader
// of the script: 'text' with inner quotes doubled; NUL and CR as char(0) and
// char(13) joined with || to the quoted pieces; bytes that are not valid
// UTF-8 as CAST(X'..' AS TEXT). Returns the literal's length in UTF-16 units.
qsizetype AppendSqlText(std::string& out, const char* p, qsizetype n);
// The literal of a result column by its storage class: an integer as the
// engine's text, a REAL through AppendSqlReal, text through AppendSqlText, a
// blob as X'..', NULL as NULL. Returns the literal's length in UTF-16 units.
qsizetype AppendSqlValue(std::string& out, sqlite3_stmt* stmt, int column);

} // namespace sky
