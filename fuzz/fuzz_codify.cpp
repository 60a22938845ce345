// Fuzzes the code export: any settings text parses, writes back to lines
// that parse the same, and any SQL text codified with any of its items ends
// with bounded output (linear in the input and the item's texts).
#include "codeexport/Codify.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const qsizetype cut = text.indexOf(u'\x01');
    const QString settings = cut < 0 ? text : text.left(cut);
    const QString sql =
        cut < 0 ? QStringLiteral("SELECT \"a\", 'b'\r\nFROM t WHERE c = '\\' ") + text.right(200)
                : text.mid(cut + 1);
    for (const QString& line : settings.split(u'\n')) {
        const sky::TCECodifyItem item = sky::CodifyParseLine(line);
        const sky::TCECodifyItem again = sky::CodifyParseLine(sky::CodifyLine(item));
        if (again.ciName != item.ciName || again.lbcs != item.lbcs || again.flg != item.flg ||
            again.aes != item.aes)
            __builtin_trap();
        const QString out = sky::Codify(sql, item, [] { return QChar(u'Z'); });
        const qsizetype perLine = item.acs.size() + item.qc.size() * 2 + item.ccs.size() +
                                  item.lecs.size() + item.lbcs.size() + item.ltcs.size() +
                                  item.ics.size() + item.eqc.size() + 64;
        if (out.size() > (sql.size() + 1) * (perLine + item.eqc.size() + 4) + 4096)
            __builtin_trap();
    }
    return 0;
}
