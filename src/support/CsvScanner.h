// The one scan of delimited text, over any code unit: UTF-16 (QChar) for
// CSVRead and its piece reader, UTF-8 bytes (char) for the streaming file
// import, which binds field bytes without converting them. The scan may see
// its text in pieces: told that more text follows, it stops before the first
// record whose end it cannot be sure of (a line break or closing quote as the
// last character might pair with the next one) and hands back where that
// record starts; the caller scans again from there once more text arrived.
// Every record starts in the same state, so a record scanned again reads as
// if it had been seen whole.
//
// Rules: outside quotes a CR or LF (or the extra row-end character) ends the
// field and the row, a second line break right after it is skipped; the quote
// character (when there is one and the separator is not doubled) starts a
// quoted part; the separator ends the field (doubled: only a pair does, and
// the pair is consumed). Inside quotes a doubled quote is one quote; a single
// quote ends the part, and what follows it up to the next separator or row
// end is ignored.
#pragma once

#include <QtGlobal>

namespace sky {

template <typename Ch> struct CsvScanOptions {
    Ch delim{};
    Ch quote{};
    bool hasQuote = true;
    bool doubled = false;
    Ch rowEnd{}; // an extra row-end character
    bool hasRowEnd = false;
};

// What a scan found at the end of the text.
struct CsvScanEnd {
    qsizetype done = 0;        // where the unfinished record starts (n: none)
    bool unterminated = false; // the text ended inside a quoted part
    qsizetype record = 0;      // then: where that record starts
};

// The sink receives the fields of each row and its end:
//   void AddField(const Ch* p, qsizetype n, bool special) (special: the text
//     may hold a TAB, CR or LF), void EndRow(), void DropOpenRow(),
//   bool RowOpen() const, and
//   const Ch* Undouble(const Ch* p, qsizetype n, Ch quote, qsizetype& len):
//     the text with every doubled quote made single, kept by the sink.
// s[from, n) is scanned; last: no text follows, originalSize is then the
// text's size before a final line break was appended by the caller.
template <typename Ch, typename Sink>
CsvScanEnd CsvScan(const Ch* s, qsizetype n, qsizetype from, bool last, qsizetype originalSize,
                   const CsvScanOptions<Ch>& o, Sink& sink) {
    const Ch delim = o.delim;
    const Ch quote = o.quote;
    const bool quotes = o.hasQuote && !o.doubled;
    const bool doubled = o.doubled;
    auto lineBreak = [&o](Ch c) {
        return c == Ch('\r') || c == Ch('\n') || (o.hasRowEnd && c == o.rowEnd);
    };
    qsizetype record = from; // where the current record starts
    qsizetype start = from;  // current field's first character
    bool inQuotes = false;
    bool sawPair = false; // a doubled quote inside the current quoted part
    bool taken = false;   // the field's text came from a quoted part
    bool special = false; // a TAB, CR or LF was seen in the field
    const Ch* field = nullptr;
    qsizetype fieldLen = 0;
    auto add = [&](qsizetype end) {
        if (!taken) {
            field = s + start;
            fieldLen = end - start;
        }
        sink.AddField(field, fieldLen, special);
        taken = false;
        special = false;
    };
    auto quoted = [&](qsizetype end) {
        field = s + start;
        fieldLen = end - start;
        if (sawPair) field = sink.Undouble(field, fieldLen, quote, fieldLen);
        taken = true;
    };
    auto unfinished = [&] {
        sink.DropOpenRow();
        return CsvScanEnd{record, false};
    };
    for (qsizetype i = from; i < n; ++i) {
        const Ch c = s[i];
        if (inQuotes) {
            if (c != quote) {
                special |= c == Ch('\t') || c == Ch('\r') || c == Ch('\n');
                continue;
            }
            if (i + 1 == n && !last) return unfinished();
            if (i + 1 < n && s[i + 1] == quote) {
                sawPair = true;
                ++i;
                continue;
            }
            quoted(i);
            inQuotes = false;
            if (i == n - 1) {
                add(i);
                sink.EndRow();
                start = record = n;
            }
            continue;
        }
        if (lineBreak(c)) {
            if (i + 1 == n && !last) return unfinished();
            add(i);
            if (i + 1 < n && lineBreak(s[i + 1])) ++i;
            sink.EndRow();
            start = record = i + 1;
        } else if (taken) {
            // Characters after a closing quote up to the next separator are ignored.
            if (c == delim && (!doubled || (i + 1 < n && s[i + 1] == delim))) {
                add(i);
                if (doubled) ++i;
                start = i + 1;
            }
        } else if (quotes && c == quote) {
            inQuotes = true;
            sawPair = false;
            start = i + 1;
        } else if (c == delim) {
            if (!doubled) {
                add(i);
                start = i + 1;
            } else if (i + 1 < n && s[i + 1] == delim) {
                add(i);
                ++i;
                start = i + 1;
            }
        } else if (c == Ch('\t')) {
            special = true;
        }
    }
    if (!last) return record < n ? unfinished() : CsvScanEnd{n, false};
    CsvScanEnd end{n, false};
    if (inQuotes) {
        // Keep the open field's text up to the end of the caller's text.
        quoted(qMax<qsizetype>(start, originalSize));
        add(n);
        sink.EndRow();
        end.unterminated = true;
        end.record = record;
    } else if (start < n || taken || sink.RowOpen()) {
        // Last line without a line break.
        add(n);
        sink.EndRow();
    }
    return end;
}

} // namespace sky
