// Fuzzes the script processor's item scanner: arbitrary text read in pieces
// of a size from the first byte gives exactly the items of the whole text,
// every admitted item is trimmed, and admission by the splitter's code flag
// equals admission by a second scan.
#include "engine/ScriptSplitter.h"
#include "script/ScriptLoader.h"
#include "support/TextUtil.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {
std::vector<std::pair<QString, bool>> Items(const QString& text, qsizetype piece) {
    qsizetype at = 0;
    const sky::ScriptReadMore more = [&](QString& t) {
        if (at >= text.size()) return false;
        t += QStringView(text).mid(at, piece);
        at += piece;
        return true;
    };
    std::vector<std::pair<QString, bool>> items;
    sky::SplitScriptItems(more, [&](QString&& s, bool code) {
        items.emplace_back(std::move(s), code);
        return true;
    });
    return items;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const auto whole = Items(text, text.size() + 1);
    const auto pieces = Items(text, 1 + data[0] % 9);
    if (whole != pieces) __builtin_trap();
    for (const auto& [s, code] : whole) {
        const QString admitted = sky::AdmitScriptItem(s);
        if (!admitted.isEmpty() && sky::TrimText(admitted) != admitted) __builtin_trap();
        // The splitter's own code flag admits exactly what a second scan does.
        if (sky::AdmitScriptItem(s, code) != admitted) __builtin_trap();
    }
    return 0;
}
