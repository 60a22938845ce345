#include "engine/ResultTable.h"

#include "engine/CsvFields.h"
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Operation.h"
#include "engine/Statement.h"
#include "support/TextUtil.h"

#include <cstring>
#include <sqlite3.h>

namespace sky {
namespace {

const QString kDatabaseBusy = QStringLiteral("Database Busy");
const QString kExceptionExecuting = QStringLiteral("Exception executing Query ");
const QString kLineNumberHeading = QStringLiteral("No");

QString NoBreaks(QString s) {
    for (QChar& c : s)
        if (c == u'\r' || c == u'\n') c = u' ';
    return s;
}

} // namespace

void TResultTable::Clear() {
    FHeadings.clear();
    FOrigins.clear();
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

TColumnOrigin TResultTable::Origin(int col) const {
    if (FLineNumbers) --col;
    return col >= 0 && col < int(FOrigins.size()) ? FOrigins[size_t(col)] : TColumnOrigin();
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
        if (col == 0) return kLineNumberHeading;
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

namespace {

// The CSV export's cells as typed values. The CSV line of every row is
// still measured (with line breaks as spaces and blobs as [Blob]), so the
// load stops where the export would.
class ResultsSink : public RowSink {
public:
    ResultsSink(TResultTable& results, int addLineNos)
        : FResults(results), FAddLineNos(addLineNos), FNullText(NullDisplayText().toUtf8()) {
        FNullText.replace('\r', ' ');
        FNullText.replace('\n', ' ');
    }

    RowsStart Start(TSQLite3Statement& stmt, bool) override {
        FCols = stmt.ColumnCount();
        QStringList headings;
        if (FCols > 0) {
            if (FAddLineNos >= 0) FLine += "No,";
            for (int c = 0; c < FCols; ++c) {
                if (c > 0) FLine += ',';
                const QString name = stmt.ColumnName(c);
                headings << name;
                const QByteArray utf8 = name.toUtf8();
                AppendCsvField(FLine, utf8.constData(), utf8.size(), false);
            }
            FLine += "\r\n";
            FCsvBytes += qint64(FLine.size());
        }
        FResults.Begin(headings, FAddLineNos >= 0, FAddLineNos, NullDisplayText());
        std::vector<TColumnOrigin> origins(size_t(std::max(FCols, 0)));
        auto text = [](const char* p) { return p ? QString::fromUtf8(p) : QString(); };
        for (int c = 0; c < FCols; ++c)
            origins[size_t(c)] = {text(sqlite3_column_database_name(stmt.Handle(), c)),
                                  text(sqlite3_column_table_name(stmt.Handle(), c)),
                                  text(sqlite3_column_origin_name(stmt.Handle(), c))};
        FResults.SetOrigins(std::move(origins));
        return RowsStart::Read;
    }

    void Row(TSQLite3Statement& stmt, qint64 index) override {
        // Locals, so that writing the text does not reload the members.
        std::string& line = FLine;
        TResultTable& results = FResults;
        const int cols = FCols;
        const QByteArray& nullText = FNullText;
        line.clear();
        results.BeginRow();
        if (FAddLineNos >= 0) {
            line += std::to_string(qint64(FAddLineNos) + index);
            line += ',';
        }
        int len = 0;
        for (int c = 0; c < cols; ++c) {
            if (c > 0) line += ',';
            switch (stmt.ColumnType(c)) {
            case SQLITE_INTEGER: {
                const qint64 v = stmt.ColumnInt64(c);
                const char* p = stmt.ColumnTextNative(c, len);
                line.append(p, size_t(len));
                results.AddInteger(v);
                break;
            }
            case SQLITE_FLOAT: {
                const double v = stmt.ColumnDouble(c);
                const char* p = stmt.ColumnTextNative(c, len);
                line.append(p, size_t(len));
                results.AddReal(v, p, len);
                break;
            }
            case SQLITE_TEXT: {
                const char* p = stmt.ColumnTextNative(c, len);
                AppendCsvField(line, p, len, true);
                results.AddText(p, len);
                break;
            }
            case SQLITE_BLOB:
                line += "[Blob]";
                results.AddBlob(stmt.ColumnBlob(c), stmt.ColumnBytes(c));
                break;
            default:
                line.append(nullText.constData(), size_t(nullText.size()));
                results.AddNull();
                break;
            }
        }
        line += "\r\n";
        FCsvBytes += qint64(line.size());
    }

    qint64 Size() const override { return FCsvBytes; }

private:
    TResultTable& FResults;
    const int FAddLineNos;
    QByteArray FNullText;
    int FCols = 0;
    std::string FLine;
    qint64 FCsvBytes = 0;
};

} // namespace

bool TSQLite3Database::QueryToResults(TResultTable& Results, const QString& SQL, int memLimit,
                                      int addLineNos) {
    OperationGuard op(*this, kDatabaseBusy, kExceptionExecuting);
    if (!op.Admitted()) return false;
    Results.Clear();
    if (SQL.isEmpty()) return false;
    op.Begin();
    return op.Run([&] {
        ResultsSink sink(Results, addLineNos);
        return ReadRows(SQL, ReadLimit(memLimit), SizeStop::AtOrBeyond, sink);
    });
}

} // namespace sky
