// Fuzzes the completion lines: any line splits into fields and becomes an
// item (or is skipped), with a shown name of at most 25 characters and an
// inserted text built from its name only; the answer to any token is total.
#include "completion/Completion.h"
#include "support/Csv.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    QStringList fields;
    for (const QString& line : text.split(u'\n')) {
        sky::SplitCSVLine(line, fields, u',');
        sky::CompletionItem item;
        if (!sky::CompletionItemOf(fields, item)) continue;
        if (item.shownName.size() > 25) __builtin_trap();
        if (item.kind < 0 || item.kind > 12) __builtin_trap();
        if (item.kind != sky::kcPragma && !item.insert.trimmed().isEmpty() &&
            !item.name.toUpper().contains(item.insert.trimmed().toUpper()))
            __builtin_trap();
    }
    static sky::CompletionModel model = [] {
        sky::CompletionModel m;
        m.Build(nullptr);
        return m;
    }();
    (void)model.Answer(text.left(40));
    (void)sky::CompletionModel::TokenStart(text, text.size() / 2);
    return 0;
}
