#include "engine/ResultTable.h"

#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <cstring>
#include <sqlite3.h>

namespace sky {
namespace {

QString NoBreaks(QString s) {
    for (QChar& c : s)
        if (c == u'\r' || c == u'\n') c = u' ';
    return s;
}

} // namespace

void TResultTable::Clear() {
    FHeadings.clear();
    FData.clear();
    FData.shrink_to_fit();
    FRowStart.clear();
    FRowStart.shrink_to_fit();
    FOrder.clear();
}

void TResultTable::Begin(const QStringList& headings, bool lineNumbers, qint64 firstLineNumber,
                         const QString& nullText) {
    Clear();
    FHeadings = headings;
    FLineNumbers = lineNumbers;
    FFirstLine = firstLineNumber;
    FNullText = NoBreaks(nullText);
}

void TResultTable::BeginRow() {
    FRowStart.push_back(FData.size());
}

namespace {
void Put(std::vector<char>& d, CellType t, const void* p, quint32 len) {
    const size_t at = d.size();
    d.resize(at + 5 + len);
    d[at] = char(t);
    std::memcpy(&d[at + 1], &len, 4);
    if (len) std::memcpy(&d[at + 5], p, len);
}
} // namespace

void TResultTable::AddNull() {
    Put(FData, CellType::Null, nullptr, 0);
}
void TResultTable::AddInteger(qint64 v) {
    Put(FData, CellType::Integer, &v, 8);
}
void TResultTable::AddReal(double v, const char* engineText, int len) {
    // The double, then the engine's text of it (what the export writes).
    std::vector<char> both(8 + size_t(len));
    std::memcpy(both.data(), &v, 8);
    if (len) std::memcpy(both.data() + 8, engineText, size_t(len));
    Put(FData, CellType::Real, both.data(), quint32(both.size()));
}
void TResultTable::AddText(const char* utf8, int len) {
    Put(FData, CellType::Text, utf8, quint32(len));
}
void TResultTable::AddBlob(const void* p, int len) {
    Put(FData, CellType::Blob, p, quint32(len));
}

const char* TResultTable::Cell(int row, int col, CellType& type, quint32& len) const {
    if (row < 0 || row >= RowCount() || col < 0 || col >= int(FHeadings.size())) {
        type = CellType::Null;
        len = 0;
        return nullptr;
    }
    const size_t stored = size_t(Stored(row));
    size_t at = size_t(FRowStart[stored]);
    for (int c = 0; c < col; ++c) {
        quint32 l;
        std::memcpy(&l, &FData[at + 1], 4);
        at += 5 + l;
    }
    type = CellType(FData[at]);
    std::memcpy(&len, &FData[at + 1], 4);
    return &FData[at + 5];
}

QString TResultTable::Heading(int col) const {
    if (FLineNumbers) {
        if (col == 0) return QStringLiteral("No");
        --col;
    }
    return FHeadings.value(col);
}

QString TResultTable::Text(int row, int col) const {
    if (FLineNumbers) {
        if (col == 0) return QString::number(FFirstLine + Stored(row));
        --col;
    }
    CellType t;
    quint32 len;
    const char* p = Cell(row, col, t, len);
    switch (t) {
    case CellType::Integer: {
        qint64 v;
        std::memcpy(&v, p, 8);
        return QString::number(v);
    }
    case CellType::Real:
        return QString::fromUtf8(p + 8, qsizetype(len) - 8);
    case CellType::Text:
        return NoBreaks(QString::fromUtf8(p, qsizetype(len)));
    case CellType::Blob:
        return QStringLiteral("[Blob]");
    case CellType::Null:
        break;
    }
    return FNullText;
}

CellType TResultTable::Type(int row, int col) const {
    if (FLineNumbers) {
        if (col == 0) return CellType::Integer;
        --col;
    }
    CellType t;
    quint32 len;
    Cell(row, col, t, len);
    return t;
}

qint64 TResultTable::Integer(int row, int col) const {
    if (FLineNumbers) {
        if (col == 0) return FFirstLine + Stored(row);
        --col;
    }
    CellType t;
    quint32 len;
    const char* p = Cell(row, col, t, len);
    qint64 v = 0;
    if (t == CellType::Integer) std::memcpy(&v, p, 8);
    return v;
}

double TResultTable::Real(int row, int col) const {
    if (FLineNumbers) --col;
    CellType t;
    quint32 len;
    const char* p = Cell(row, col, t, len);
    double v = 0;
    if (t == CellType::Real) std::memcpy(&v, p, 8);
    return v;
}

QByteArray TResultTable::Bytes(int row, int col) const {
    if (FLineNumbers) {
        if (col == 0) return {};
        --col;
    }
    CellType t;
    quint32 len;
    const char* p = Cell(row, col, t, len);
    if (t != CellType::Text && t != CellType::Blob) return {};
    return QByteArray(p, qsizetype(len));
}

// The CSV export's own loop, writing cells instead of text. The CSV line of
// every row is still measured, so the load stops where the export would.
bool TSQLite3Database::QueryToResults(TResultTable& Results, const QString& SQL, int memLimit,
                                      int addLineNos) {
    DispatchUpdates();
    if (IsBusy()) {
        FLastErr = QStringLiteral("Database Busy");
        return false;
    }
    Results.Clear();
    if (SQL.isEmpty()) return false;
    const qint64 limit = memLimit < 0 ? kDefaultMemLimit : memLimit;
    QByteArray nullText = NullDisplayText().toUtf8();
    nullText.replace('\r', ' ');
    nullText.replace('\n', ' ');
    bool ok = false;
    Lock();
    try {
        FProgress.AllowProgress = 1;
        StatsBegin();
        std::unique_ptr<TSQLite3Statement> stmt = Prepare(SQL);
        StatsPrepared(stmt.get());
        if (stmt) {
            int rc = stmt->Step();
            const int cols = stmt->ColumnCount();
            FStats.totResultCols = cols;
            if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
                ok = CheckResult(rc);
            } else {
                QStringList headings;
                std::string line;
                qint64 csvBytes = 0;
                if (cols > 0) {
                    if (addLineNos >= 0) line += "No,";
                    for (int c = 0; c < cols; ++c) {
                        if (c > 0) line += ',';
                        const QString name = stmt->ColumnName(c);
                        headings << name;
                        const QByteArray utf8 = name.toUtf8();
                        AppendCsvField(line, utf8.constData(), utf8.size(), false);
                    }
                    line += "\r\n";
                    csvBytes += qint64(line.size());
                }
                Results.Begin(headings, addLineNos >= 0, addLineNos, NullDisplayText());
                qint64 rows = 0;
                bool memStop = false;
                int len = 0;
                while (rc == SQLITE_ROW && cols > 0) {
                    line.clear();
                    Results.BeginRow();
                    if (addLineNos >= 0) {
                        line += std::to_string(qint64(addLineNos) + rows);
                        line += ',';
                    }
                    for (int c = 0; c < cols; ++c) {
                        if (c > 0) line += ',';
                        switch (stmt->ColumnType(c)) {
                        case SQLITE_INTEGER: {
                            const qint64 v = stmt->ColumnInt64(c);
                            const char* p = stmt->ColumnTextNative(c, len);
                            line.append(p, size_t(len));
                            Results.AddInteger(v);
                            break;
                        }
                        case SQLITE_FLOAT: {
                            const double v = stmt->ColumnDouble(c);
                            const char* p = stmt->ColumnTextNative(c, len);
                            line.append(p, size_t(len));
                            Results.AddReal(v, p, len);
                            break;
                        }
                        case SQLITE_TEXT: {
                            const char* p = stmt->ColumnTextNative(c, len);
                            AppendCsvField(line, p, len, true);
                            Results.AddText(p, len);
                            break;
                        }
                        case SQLITE_BLOB: {
                            line += "[Blob]";
                            Results.AddBlob(stmt->ColumnBlob(c), stmt->ColumnBytes(c));
                            break;
                        }
                        default:
                            line.append(nullText.constData(), size_t(nullText.size()));
                            Results.AddNull();
                            break;
                        }
                    }
                    line += "\r\n";
                    csvBytes += qint64(line.size());
                    ++rows;
                    FProgress.OpCurrent = rows;
                    FProgress.OpTarget = rows + 10240;
                    if (limit > 0 && csvBytes >= limit) {
                        memStop = true;
                        break;
                    }
                    rc = stmt->Step();
                }
                FStats.totResultRows = rows;
                ok = memStop || rc == SQLITE_DONE || (cols == 0 && rc == SQLITE_ROW) ||
                     CheckResult(rc);
            }
        }
        StatsEnd();
        stmt.reset();
    } catch (const std::exception& e) {
        FLastErr = QStringLiteral("Exception executing Query ") + ExceptionText(e);
        ok = false;
    }
    Unlock();
    return ok;
}

} // namespace sky
