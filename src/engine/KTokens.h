// Replaces quoted sections of a text by numbered placeholders. A quote set
// is an opener and a closer ("(..)" gives "(" and ")"; "--.." a line
// comment that ends at the next LF, as in SQL; a single character quotes
// with itself).
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

namespace sky {

struct TQuoteSet {
    QString qtStart;
    QString qtEnd;
};
using TQuoteSets = std::vector<TQuoteSet>;

// Appends the sets of the definitions to Sets; returns the number kept.
int BuildQuoteSets(const QStringList& definitions, TQuoteSets& Sets);

// Output := S with each quoted section replaced by placeholderStart + n +
// placeholderEnd (n from 1). Tokens, when given, receives one
// "placeholder=content" line per section (content wrapped in its quotes when
// bKeepQuotes). QuoteDefs is a comma-separated list of definitions.
void TokenizeQuoted(const QString& S, QStringList* Tokens, bool bKeepQuotes, QString& Output,
                    const QString& PlaceholderDef, const QString& QuoteDefs);

} // namespace sky
