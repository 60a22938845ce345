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
// bytes, when it holds a double quote, the delimiter or a line break, or when
// it starts or ends with a blank.
QByteArray CSVQuote(const QByteArray& utf8);

} // namespace sky
