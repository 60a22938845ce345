// Feeding a script to the splitter in pieces, as a file reader does.
#pragma once

#include "engine/ScriptSplitter.h"

#include <QString>
#include <QStringView>
#include <algorithm>
#include <vector>

namespace sky::test {

// Splits text handed over in pieces that end at the given offsets (and a
// last piece to the end of the text), collecting what the scan reports.
inline SplitResult SplitAtCuts(QStringView text, const std::vector<qsizetype>& cuts,
                               bool remWhSpc) {
    std::size_t next = 0;
    qsizetype at = 0;
    const ScriptReadMore readMore = [&](QString& buffer) {
        if (at >= text.size()) return false;
        const qsizetype end =
            next < cuts.size() ? std::min(cuts[next++], text.size()) : text.size();
        buffer += text.sliced(at, end - at);
        at = end;
        return true;
    };
    SplitResult r;
    SplitSqlScriptEach(
        readMore, remWhSpc,
        [&](QString&& s) {
            r.statements.append(std::move(s));
            return true;
        },
        &r.tail);
    return r;
}

// Splits text handed over in pieces of `piece` characters.
inline SplitResult SplitInPieces(QStringView text, qsizetype piece, bool remWhSpc) {
    std::vector<qsizetype> cuts;
    for (qsizetype at = piece; at < text.size(); at += piece)
        cuts.push_back(at);
    return SplitAtCuts(text, cuts, remWhSpc);
}

} // namespace sky::test
