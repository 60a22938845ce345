// Fuzzes what generated scripts write around stored SQL and names: the text
// put into a comment can never end it, and the tail written after stored
// statement text lets a following ";" end the statement for the engine.
#include "engine/Identifiers.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    for (const QString& safe : {sky::CommentSafeText(text), sky::CommentSafeName(text)}) {
        if (safe.contains(QLatin1String("*/"))) __builtin_trap();
        for (QChar c : safe)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || c.unicode() == 0x85 ||
                c.unicode() == 0x2028 || c.unicode() == 0x2029)
                __builtin_trap();
    }

    // A single SELECT without ";" and without open quotes, as the engine
    // stores a view: with the tail, a ";" completes it.
    if (text.contains(QLatin1Char(';')) || text.contains(QChar(0))) return 0;
    for (const char q : {'\'', '"', '`', '['})
        if (text.count(QLatin1Char(q)) != 0) return 0;
    const QString sql = QStringLiteral("SELECT 1 ") + text;
    const QByteArray full = (sql + sky::StatementTail(sql) + QStringLiteral(";")).toUtf8();
    if (!sqlite3_complete(full.constData())) __builtin_trap();
    return 0;
}
