// The engine layer's own CSV field handling: the field splitter used for
// bound parameter lines and single-record reads, and the field quoting of
// the CSV exporter (comma delimiter, double-quote quote character).
#pragma once

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringList>

namespace sky {

// Splits one line into fields (list entries reused); returns the field count.
int SplitCSVFields(const QString& line, QStringList& fields, QChar delimiter);

// A field's UTF-8 text as the exporter writes it: quoted when longer than 64
// bytes or when it holds a double quote or the delimiter.
QByteArray CSVQuote(const QByteArray& utf8, char delimiter = ',');

} // namespace sky
