#include "engine/CsvFields.h"

#include "engine/ExportText.h"

namespace sky {

int SplitCSVFields(const QString& line, QStringList& fields, QChar delimiter) {
    const QChar dq = QLatin1Char('"');
    const qsizetype n = line.size();
    qsizetype count = 0;
    auto put = [&](QString v) {
        if (count < fields.size())
            fields[count] = std::move(v);
        else
            fields.append(std::move(v));
        ++count;
    };
    qsizetype p = 0;
    if (n == 0) {
        fields.clear();
        return 0;
    }
    while (true) {
        while (p < n && line[p] == QLatin1Char(' '))
            ++p;
        QString value;
        if (p < n && line[p] == dq) {
            ++p;
            while (p < n) {
                if (line[p] == dq) {
                    if (p + 1 < n && line[p + 1] == dq) {
                        value += dq;
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                value += line[p++];
            }
            // Text after the closing quote up to the delimiter is ignored.
            while (p < n && line[p] != delimiter)
                ++p;
        } else {
            const qsizetype start = p;
            while (p < n && line[p] != delimiter)
                ++p;
            value = line.mid(start, p - start);
            value.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        }
        put(std::move(value));
        if (p >= n) break;
        ++p; // the delimiter
        if (p >= n) {
            put(QString()); // a delimiter at the end adds one empty field
            break;
        }
    }
    while (fields.size() > count)
        fields.removeLast();
    return int(count);
}

QByteArray CSVQuote(const QByteArray& utf8) {
    std::string r;
    AppendCsvField(r, utf8.constData(), utf8.size(), false);
    return QByteArray(r.data(), qsizetype(r.size()));
}

} // namespace sky
