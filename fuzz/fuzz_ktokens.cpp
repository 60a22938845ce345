// Fuzzes the quoted-section tokenizer with the editor's quote definitions and
// with definitions taken from the input's first line, and the parser of quote
// definitions with the input itself as definitions.
#include "engine/KTokens.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstddef>
#include <cstdint>

namespace {

const QString kQuoteDefs = QStringLiteral("(..),/*..*/,--..,//..");
const QString kPlaceholder = QStringLiteral("#T..#");

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    QString plain;
    sky::TokenizeQuoted(text, nullptr, false, plain, kPlaceholder, kQuoteDefs);

    for (bool keepQuotes : {false, true}) {
        QStringList tokens;
        QString out;
        sky::TokenizeQuoted(text, &tokens, keepQuotes, out, kPlaceholder, kQuoteDefs);
        // Collecting the sections must not change the output text.
        Check(out == plain);
        for (const QString& line : tokens) {
            Check(line.startsWith(QLatin1String("#T")));
            // A "--" comment runs to the next LF (as in SQL), never past it.
            const qsizetype eq = line.indexOf(QLatin1Char('='));
            if (keepQuotes && QStringView(line).sliced(eq + 1).startsWith(QLatin1String("--")))
                Check(!line.contains(QLatin1Char('\n')));
        }
        // With kept quotes, every section put back in place of its
        // placeholder gives the text again (when the text itself holds no
        // placeholder marker).
        if (keepQuotes && !text.contains(QLatin1Char('#'))) {
            QString rebuilt = out;
            for (const QString& line : tokens) {
                const qsizetype eq = line.indexOf(QLatin1Char('='));
                const qsizetype at = rebuilt.indexOf(line.first(eq));
                Check(at >= 0);
                rebuilt.replace(at, eq, line.sliced(eq + 1));
            }
            Check(rebuilt == text);
        }
    }

    // First line as the quote definitions, the rest as the text.
    const qsizetype eol = text.indexOf(QLatin1Char('\n'));
    if (eol >= 0) {
        QStringList tokens;
        QString out;
        sky::TokenizeQuoted(text.sliced(eol + 1), &tokens, true, out, kPlaceholder,
                            text.first(eol));
    }

    sky::TQuoteSets sets;
    const int kept = sky::BuildQuoteSets(text.split(QLatin1Char(',')), sets);
    Check(kept >= 0 && static_cast<size_t>(kept) == sets.size());
    for (const sky::TQuoteSet& set : sets)
        Check(!set.qtStart.isEmpty());
    return 0;
}
