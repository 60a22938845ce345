// Fuzzes the data editor's cell values: any typed text, normalised by each
// column affinity and written by the value writer, is one SQL value. The
// engine evaluates "SELECT value" to a single column without a tail, the
// splitter finds one statement in an UPDATE holding it, a text column gets
// back exactly the normalised text, and a NULL text gives NULL.
#include "engine/ScriptSplitter.h"
#include "workspace/DataEditor.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <sqlite3.h>

namespace {

sqlite3* Engine() {
    static sqlite3* db = [] {
        sqlite3* d = nullptr;
        sqlite3_open(":memory:", &d);
        return d;
    }();
    return db;
}

void Check(const sky::TEditFieldSpec& f, const QString& typed) {
    const QString value = sky::NormaliseEditValue(f, typed);
    const QString sql = sky::EditValueSql(f, value);
    const QByteArray select = ("SELECT " + sql).toUtf8();
    sqlite3_stmt* st = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(Engine(), select.constData(), int(select.size()), &st, &tail) !=
        SQLITE_OK)
        __builtin_trap();
    if (!st || tail != select.constData() + select.size() || sqlite3_column_count(st) != 1)
        __builtin_trap();
    if (sqlite3_step(st) != SQLITE_ROW) __builtin_trap();
    const int type = sqlite3_column_type(st, 0);
    if (sky::IsNullText(value) != (type == SQLITE_NULL)) __builtin_trap();
    if (f.isQuoted && type != SQLITE_NULL) {
        const QByteArray want = value.toUtf8();
        const int n = sqlite3_column_bytes(st, 0);
        const void* got = sqlite3_column_text(st, 0);
        if (type != SQLITE_TEXT || n != want.size() || std::memcmp(got, want.constData(), n) != 0)
            __builtin_trap();
    }
    sqlite3_finalize(st);

    const QString update = "UPDATE t SET c = " + sql + " WHERE id = 1; \r\n";
    const sky::SplitResult split = sky::SplitSqlScript(update, true);
    if (split.statements.size() != 1 || !split.tail.isEmpty()) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const sky::TEditFieldSpec columns[] = {
        sky::EditFieldOf("i", "INTEGER", false, false, QString()),
        sky::EditFieldOf("r", "REAL", false, false, QString()),
        sky::EditFieldOf("t", "TEXT", false, false, QString()),
        sky::EditFieldOf("n", "NUMERIC", true, false, QString()),
    };
    const QString typed = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const sky::TEditFieldSpec& f : columns)
        Check(f, typed);
    return 0;
}
