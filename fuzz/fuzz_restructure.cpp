// Fuzzes the restructure input: column and index lists read from any text
// without fault, and every type text the check accepts stays inside its
// column definition: "CREATE TABLE t(x <type>);" is one complete statement
// with nothing after it, whatever the engine then says about it.
#include "engine/Restructure.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

namespace {

sqlite3* Memory() {
    static sqlite3* db = [] {
        sqlite3* h = nullptr;
        sqlite3_open(":memory:", &h);
        return h;
    }();
    return db;
}

void CheckType(const QString& type) {
    if (!sky::ColumnTypeError(type).isEmpty()) return;
    const QByteArray sql = "CREATE TABLE t(x " + type.toUtf8() + ");";
    if (!sqlite3_complete(sql.constData())) __builtin_trap();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(Memory(), sql.constData(), int(sql.size()), &st, &tail) == SQLITE_OK) {
        if (!st || (tail && *tail)) __builtin_trap();
    }
    sqlite3_finalize(st);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<sky::TStructColumn> columns;
    QString error;
    if (sky::ParseStructureCsv(text, columns, error)) {
        for (const sky::TStructColumn& c : columns) {
            if (c.name.isEmpty()) __builtin_trap();
            CheckType(c.type.trimmed().toUpper());
        }
    } else if (error.isEmpty()) {
        __builtin_trap();
    }
    QList<sky::TStructIndex> indexes;
    sky::ParseIndexCsv(text, indexes, error);
    CheckType(text);
    return 0;
}
