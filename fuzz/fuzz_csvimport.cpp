// Fuzzes the CSV import: any text read piece by piece (cut where the input's
// first bytes say) gives the same table as reading it whole; the sheet's
// analysis gives nine-character flags and a known type per column; when no
// column is a duplicate, the import statements are accepted by the engine;
// and a small import into a database in memory either stores every row or
// leaves no table behind.
#include "engine/Database.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "transfer/CsvImport.h"
#include "transfer/CsvImportController.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

bool SameTable(const sky::TCSVTableRec& a, const sky::TCSVTableRec& b) {
    if (a.Cfg.RowCount != b.Cfg.RowCount || a.Cfg.ErrorDescr != b.Cfg.ErrorDescr ||
        a.Col.size() != b.Col.size())
        return false;
    for (qsizetype c = 0; c < a.Col.size(); ++c)
        if (a.Col[c].Header != b.Col[c].Header || !(a.Col[c].Row == b.Col[c].Row) ||
            a.Col[c].ColIsEmpty != b.Col[c].ColIsEmpty ||
            a.Col[c].ColValsAllSame != b.Col[c].ColValsAllSame)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const qsizetype cutEvery = 1 + data[0] % 61;
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1))
            .replace(QChar(0), QChar(u' '));

    auto whole = std::make_shared<sky::TCSVTableRec>();
    sky::ConfigureImportReader(*whole);
    QString text = input;
    sky::CSVRead(text, *whole);

    sky::TCSVTableRec pieces;
    sky::ConfigureImportReader(pieces);
    sky::TCSVPieceReader reader(pieces);
    for (qsizetype at = 0; at < input.size(); at += cutEvery)
        reader.Add(QStringView(input).mid(at, cutEvery));
    reader.Finish();
    if (!input.isEmpty() && !SameTable(*whole, pieces)) __builtin_trap();

    sky::CsvImportSheet sheet;
    sheet.Fill(whole);
    sheet.Analyse(nullptr);
    if (sheet.ColumnCount() < 2 || sheet.RowCount() < 1) __builtin_trap();
    const QStringList types = sky::SheetTypeChoices();
    for (int k = 0; k < sheet.ColumnCount(); ++k) {
        if (sheet.Head(k, sky::HeadRow::Flags).size() != 9) __builtin_trap();
        if (!types.contains(sheet.Head(k, sky::HeadRow::Type))) __builtin_trap();
    }
    const sky::ImportSQL sql = sheet.BuildImportSQL(QStringLiteral("t"));
    if (sql.columns.isEmpty() || !sheet.DuplicateColumnError().isEmpty()) return 0;

    sky::TSQLite3Database db;
    if (!db.Open(QStringLiteral(":memory:"))) __builtin_trap();
    if (sheet.RowCount() > 200) {
        if (!db.Execute(sql.create)) __builtin_trap();
        if (!db.Prepare(sql.insert)) __builtin_trap();
        return 0;
    }
    sky::NullProgress progress;
    QString error;
    const bool ok = sheet.RunImport(db, QStringLiteral("t"), progress, error);
    QString count;
    if (ok) {
        if (!db.QuerySingleValue(count, QStringLiteral("SELECT count(*) FROM t")) ||
            count.toLongLong() != sheet.RowCount())
            __builtin_trap();
    } else {
        // A row may fail (two keys equal as numbers), the statements may not.
        if (!error.startsWith(sky::kImportFailed) || error.contains(QStringLiteral("syntax")))
            __builtin_trap();
        if (!db.QuerySingleValue(count, QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
            count != QStringLiteral("0"))
            __builtin_trap();
    }
    return 0;
}
