// Fuzzes the analyzer report reader and the pragma statement builder: any
// report text gives parts, sections, figures, explanations and statements
// without failing, and every statement from the SQL part is complete; any
// typed pragma value gives no statement or exactly one PRAGMA statement
// (with page_size's VACUUM), never a second statement of its own.
#include "workspace/Analyzer.h"
#include "workspace/Pragmas.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const sky::AnalyzerReport r(text.split(u'\n'));
    QStringList part;
    for (int n = 0; n < 4; ++n)
        r.Part(n, part);
    for (const QString& s : r.Sections()) {
        (void)r.Figures(s);
        (void)r.SectionOf(s);
    }
    (void)r.Explain(text.left(20));
    QStringList statements;
    QString why;
    if (r.Statements(statements, why))
        for (const QString& s : statements)
            if (!sqlite3_complete(s.toUtf8().constData())) __builtin_trap();

    static sky::PragmaController pragmas;
    for (const sky::TPragmaSettingItem& row : pragmas.prg) {
        const QString s = sky::PragmaController::Statement(row, text, false);
        if (s.isEmpty()) continue;
        // One statement (two with page_size's VACUUM), nothing after it.
        const QByteArray u = s.toUtf8();
        const char* tail = u.constData();
        int count = 0;
        sqlite3* db = nullptr;
        sqlite3_open(":memory:", &db);
        while (*tail) {
            sqlite3_stmt* st = nullptr;
            const char* next = nullptr;
            if (sqlite3_prepare_v2(db, tail, -1, &st, &next) != SQLITE_OK) break;
            if (st) ++count;
            sqlite3_finalize(st);
            if (next == tail) break;
            tail = next;
        }
        sqlite3_close(db);
        if (count > (row.sName == QLatin1String("page_size") ? 2 : 1)) __builtin_trap();
        if (!s.startsWith(QLatin1String("PRAGMA ") + row.sName)) __builtin_trap();
    }
    return 0;
}
