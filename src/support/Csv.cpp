#include "support/Csv.h"

#include "support/CsvScanner.h"
#include "support/JsonText.h"
#include "support/TextUtil.h"
#include "support/XmlText.h"

#include <deque>
#include <memory>
#include <string>

namespace sky {

namespace {

constexpr char16_t kCandidates[] = {u',', u';', u'\t', u':', u'|', u'&', u'\\', u'/'};
constexpr char16_t kDQ = u'"';

bool IsLineBreak(QChar c) {
    return c == u'\r' || c == u'\n';
}

bool IsBlank(QStringView s) {
    for (QChar c : s)
        if (c.unicode() > 32) return false;
    return true;
}

// Reader state for one CSVRead call. Fields are views into the text being
// read, or into a per-column scratch buffer when their text had to change
// (doubled quotes, replaced line breaks), so no field is allocated on its own.
class Reader {
public:
    explicit Reader(TCSVTableRec& t) : t_(t), cfg_(t.Cfg) {
        crReplacement_ = cfg_.Delimeter == u';' ? QChar(u'|') : QChar(u';');
        // A second read with the same table gives its columns the new values.
        for (TCSVColumnRec& c : t_.Col)
            c.Row.clear();
        first_.resize(t_.Col.size());
        scratch_.resize(size_t(t_.Col.size()));
    }

    // The buffer for the next field's changed text.
    std::u16string& Scratch() {
        const size_t k = size_t(col_ + 1);
        if (k >= scratch_.size()) scratch_.resize(k + 1);
        return scratch_[k];
    }

    // special: the text may hold a TAB, CR or LF (false skips looking).
    void AddField(QStringView text, bool special = true) {
        ++col_;
        if (col_ >= t_.Col.size()) {
            TCSVColumnRec c;
            c.Header = CellName(int(col_) + 1, 1, false, false);
            c.Row.resize(rowIdx_ + 1);
            t_.Col.append(std::move(c));
            first_.append(QString());
        }
        if (size_t(col_) >= scratch_.size()) scratch_.resize(size_t(col_) + 1);
        if (col_ >= row_.size()) row_.resize(col_ + 1);
        if (!cfg_.KeepWhteSpace) {
            // TAB and LF become spaces and CR the replacement, then the
            // blanks at both ends go: a CR is therefore never trimmed.
            auto blank = [](QChar ch) { return ch.unicode() <= 32 && ch != u'\r'; };
            qsizetype b = 0, e = text.size();
            while (b < e && blank(text[b]))
                ++b;
            while (e > b && blank(text[e - 1]))
                --e;
            bool change = false;
            for (qsizetype k = b; special && k < e && !change; ++k) {
                const char16_t ch = text[k].unicode();
                change = ch == u'\t' || ch == u'\n' || ch == u'\r';
            }
            if (change) {
                std::u16string& buf = scratch_[size_t(col_)];
                if (text.utf16() != buf.data())
                    buf.assign(text.utf16() + b, size_t(e - b));
                else
                    buf = buf.substr(size_t(b), size_t(e - b));
                for (char16_t& ch : buf) {
                    if (ch == u'\t' || ch == u'\n')
                        ch = u' ';
                    else if (ch == u'\r')
                        ch = crReplacement_.unicode();
                }
                text = QStringView(buf.data(), qsizetype(buf.size()));
            } else {
                text = text.mid(b, e - b);
            }
        }
        row_[col_] = text;
    }

    void EndRow() {
        ++records_;
        const qsizetype used = col_ + 1;
        col_ = -1;
        if (!cfg_.KeepEmptyLines) {
            bool blank = true;
            for (qsizetype j = 0; j < used && blank; ++j)
                blank = IsBlank(row_[j]);
            if (blank) return;
        }
        ++rowIdx_;
        for (qsizetype j = 0; j < t_.Col.size(); ++j) {
            TCSVColumnRec& c = t_.Col[j];
            const QStringView v = j < used ? row_[j] : QStringView();
            if (!v.isEmpty()) c.ColIsEmpty = false;
            if (seen_ == 0)
                first_[j] = v.toString();
            else if (c.ColValsAllSame && v != first_[j])
                c.ColValsAllSame = false;
            c.Row.append(v);
        }
        ++seen_;
        if (cfg_.HeaderPresent && !headerDone_ && rowIdx_ == 0) {
            for (TCSVColumnRec& c : t_.Col) {
                c.Header = c.Row.first();
                c.Row.clear();
            }
            headerDone_ = true;
            rowIdx_ = -1;
        }
    }

    void Finish() {
        cfg_.ColCount = int(t_.Col.size());
        cfg_.RowCount = int(rowIdx_ + 1);
    }

    bool RowOpen() const { return col_ >= 0; }
    // Forgets the fields of a row that has not ended (it is read again).
    void DropOpenRow() { col_ = -1; }
    qsizetype Records() const { return records_; }
    qsizetype RowIndex() const { return rowIdx_; }

private:
    TCSVTableRec& t_;
    TCSVConfigRec& cfg_;
    QChar crReplacement_;
    QList<QStringView> row_;
    QStringList first_;                  // each column's value in the first kept row
    std::deque<std::u16string> scratch_; // a deque: views into it survive growth
    qsizetype col_ = -1;
    qsizetype rowIdx_ = -1;
    qsizetype seen_ = 0;
    qsizetype records_ = 0;
    bool headerDone_ = false;
};

// The text between two quotes with every doubled quote made single, in buf.
QStringView UndoubleQuotes(QStringView s, QChar quote, std::u16string& buf) {
    buf.clear();
    buf.reserve(size_t(s.size()));
    for (qsizetype k = 0; k < s.size(); ++k) {
        buf.push_back(s[k].unicode());
        if (s[k] == quote && k + 1 < s.size() && s[k + 1] == quote) ++k;
    }
    return QStringView(buf.data(), qsizetype(buf.size()));
}

// Characters XML 1.0 cannot carry (controls, lone surrogates, U+FFFE/FFFF)
// become U+FFFD so the document always parses.
QString XmlText(QStringView s) {
    QString r(s.toString());
    for (qsizetype i = 0; i < r.size(); ++i) {
        const char16_t c = r[i].unicode();
        bool bad = (c < 0x20 && c != 0x9 && c != 0xA && c != 0xD) || c == 0xFFFE || c == 0xFFFF;
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < r.size() && QChar::isLowSurrogate(r[i + 1].unicode()))
                ++i;
            else
                bad = true;
        } else if (QChar::isLowSurrogate(c)) {
            bad = true;
        }
        if (bad) r[i] = QChar(0xFFFD);
    }
    return XMLEscape(r);
}

} // namespace

void CSVReset(TCSVConfigRec& cfg) {
    cfg = TCSVConfigRec();
}

void CSVConfigure(TCSVTableRec& table, bool headerPresent, bool keepEmptyLines, bool keepWhiteSpace,
                  bool autoFindDelimiter, bool doubledDelim, QChar delimiter, QChar quoteChar) {
    TCSVConfigRec& c = table.Cfg;
    CSVReset(c);
    c.HeaderPresent = headerPresent;
    c.KeepEmptyLines = keepEmptyLines;
    c.KeepWhteSpace = keepWhiteSpace;
    c.AutoFindDelimeter = autoFindDelimiter;
    c.DoubledDelim = doubledDelim;
    c.Delimeter = delimiter;
    c.QuoteChar = quoteChar;
    c.Initialized = true;
}

void CSVClear(TCSVTableRec& table) {
    CSVReset(table.Cfg);
    table.Col.clear();
}

bool DetectDelimiter(QStringView sample, QChar& delimiter, bool& doubled) {
    constexpr int n = int(std::size(kCandidates));
    qsizetype count[n] = {};
    for (QChar c : sample)
        for (int j = 0; j < n; ++j)
            if (c == kCandidates[j]) ++count[j];
    // Higher count wins; among equal counts the earlier candidate.
    int best = 0;
    for (int j = 1; j < n; ++j)
        if (count[j] > count[best]) best = j;
    delimiter = QChar(kCandidates[best]);
    if (!doubled) {
        QString rest = sample.toString();
        const QString pair(2, delimiter);
        int removed = 0;
        for (qsizetype p = rest.indexOf(pair); p >= 0 && removed < 129; p = rest.indexOf(pair, p)) {
            rest.remove(p, 2);
            ++removed;
        }
        // A sample without any pair is not doubled, even when it has no delimiter.
        if (removed > 0 && !IsBlank(rest) && !rest.contains(delimiter)) doubled = true;
    }
    return true;
}

namespace {

// The scan of CSVRead (the one scan, CsvScan), storing records as they end.
class Scanner {
public:
    explicit Scanner(TCSVTableRec& table) : rd_(table), cfg_(table.Cfg) {}

    // Scans s[from, n) and returns the start of the unfinished record (n when
    // every record ended). last: no text follows; originalSize is then the
    // text's size before a final line break was appended.
    qsizetype Scan(const QChar* s, qsizetype n, qsizetype from, bool last, qsizetype originalSize) {
        CsvScanOptions<QChar> o;
        o.delim = cfg_.Delimeter;
        o.quote = cfg_.QuoteChar;
        o.doubled = cfg_.DoubledDelim;
        current = rd_.RowIndex() + 1;
        const CsvScanEnd end = CsvScan(s, n, from, last, originalSize, o, *this);
        if (!last) return end.done;
        if (end.unterminated) {
            cfg_.ErrorRow = int(rd_.Records());
            error = QStringLiteral("Unterminated quoted field in row %1").arg(rd_.Records());
        }
        rd_.Finish();
        return n;
    }

    // The scan's sink.
    void AddField(const QChar* p, qsizetype n, bool special) {
        rd_.AddField(QStringView(p, n), special);
    }
    void EndRow() {
        rd_.EndRow();
        current = rd_.RowIndex() + 1;
    }
    void DropOpenRow() { rd_.DropOpenRow(); }
    bool RowOpen() const { return rd_.RowOpen(); }
    const QChar* Undouble(const QChar* p, qsizetype n, QChar quote, qsizetype& len) {
        const QStringView v = UndoubleQuotes(QStringView(p, n), quote, rd_.Scratch());
        len = v.size();
        return v.constData();
    }

    QString error;         // the reader's complaint about the text
    qsizetype current = 0; // the row being read (for an exception)

private:
    Reader rd_;
    TCSVConfigRec& cfg_;
};

// The delimiter sample: the first line (at most 8192 characters), or the
// first 128 characters when that line ends before its third character.
void DetectFromSample(QStringView text, qsizetype bom, TCSVConfigRec& cfg) {
    qsizetype lineEnd = bom;
    while (lineEnd < text.size() && !IsLineBreak(text[lineEnd]))
        ++lineEnd;
    QStringView sample = text.mid(bom, qMin<qsizetype>(lineEnd - bom, 8192));
    if (lineEnd - bom < 3) sample = text.mid(bom, 128);
    if (cfg.Delimeter.isNull() || cfg.AutoFindDelimeter)
        DetectDelimiter(sample, cfg.Delimeter, cfg.DoubledDelim);
}

bool EndsWithLineBreak(QStringView tail) {
    return tail.right(2).contains(u'\r') || tail.right(2).contains(u'\n');
}

} // namespace

int CSVRead(QString& text, TCSVTableRec& table) {
    TCSVConfigRec& cfg = table.Cfg;
    const qsizetype originalSize = text.size();
    if (!EndsWithLineBreak(text)) text += QStringLiteral("\r\n");
    if (!cfg.Initialized) {
        cfg.ErrorDescr = QStringLiteral("CSV Configuration not Initialized");
        return 0;
    }
    if (originalSize == 0) {
        cfg.ErrorDescr = QStringLiteral("CSV Data is Empty");
        return 0;
    }
    cfg.ColCount = cfg.RowCount = cfg.ErrorRow = cfg.TempI = 0;
    cfg.ErrorDescr.clear();
    qsizetype current = 0;
    QString error;
    try {
        // A leading byte order mark is not data.
        const qsizetype bom = text.startsWith(QChar(0xFEFF)) ? 1 : 0;
        DetectFromSample(text, bom, cfg);
        Scanner sc(table);
        try {
            sc.Scan(text.constData(), text.size(), bom, true, originalSize);
        } catch (...) {
            current = sc.current;
            throw;
        }
        error = sc.error;
    } catch (...) {
        cfg.ErrorRow = int(current);
        cfg.ErrorDescr = QStringLiteral("Exception while reading CSV");
        return 0;
    }
    cfg.ErrorDescr = error;
    return cfg.RowCount;
}

struct TCSVPieceReader::State {
    explicit State(TCSVTableRec& t) : table(t) {}
    TCSVTableRec& table;
    std::unique_ptr<Scanner> scanner; // from the first scan on
    QString pending;                  // text not yet stored: the unfinished record and after
    QString tail;                     // the last two characters of all text so far
    qsizetype bom = 0;
    qsizetype total = 0;   // characters added so far
    qsizetype waitFor = 0; // scan again once this much text is pending
    bool failed = false;
    bool finished = false;
    int rows = 0;

    bool Start() {
        TCSVConfigRec& cfg = table.Cfg;
        if (!cfg.Initialized) {
            cfg.ErrorDescr = QStringLiteral("CSV Configuration not Initialized");
            failed = true;
            return false;
        }
        cfg.ColCount = cfg.RowCount = cfg.ErrorRow = cfg.TempI = 0;
        cfg.ErrorDescr.clear();
        bom = pending.startsWith(QChar(0xFEFF)) ? 1 : 0;
        DetectFromSample(pending, bom, cfg);
        scanner = std::make_unique<Scanner>(table);
        pending.remove(0, bom);
        return true;
    }

    void Scan(bool last, qsizetype originalSize) {
        try {
            const qsizetype done =
                scanner->Scan(pending.constData(), pending.size(), 0, last, originalSize);
            pending.remove(0, done);
            // A record longer than the text that came since its start is
            // scanned again only once the text doubles (linear overall).
            waitFor = 2 * pending.size();
        } catch (...) {
            table.Cfg.ErrorRow = int(scanner->current);
            table.Cfg.ErrorDescr = QStringLiteral("Exception while reading CSV");
            failed = true;
            pending = QString();
        }
    }
};

TCSVPieceReader::TCSVPieceReader(TCSVTableRec& table) : d(std::make_unique<State>(table)) {}

TCSVPieceReader::~TCSVPieceReader() = default;

void TCSVPieceReader::Add(QStringView piece) {
    if (d->failed || d->finished || piece.isEmpty()) return;
    d->total += piece.size();
    d->tail += piece.right(2);
    d->tail = d->tail.right(2);
    d->pending += piece;
    // The delimiter is detected from the first line, at most 8192 characters.
    if (!d->scanner && d->pending.size() <= 8192 + 1) return;
    if (!d->scanner && !d->Start()) return;
    if (d->pending.size() >= d->waitFor) d->Scan(false, 0);
}

void TCSVPieceReader::AddFrom(const std::function<bool(QString&)>& readMore) {
    for (;;) {
        if (d->failed || d->finished) return;
        const qsizetype had = d->pending.size();
        if (!readMore(d->pending)) return;
        const qsizetype added = d->pending.size() - had;
        if (added <= 0) continue;
        d->total += added;
        d->tail += QStringView(d->pending).right(qMin<qsizetype>(added, 2));
        d->tail = d->tail.right(2);
        if (!d->scanner && d->pending.size() <= 8192 + 1) continue;
        if (!d->scanner && !d->Start()) return;
        if (d->pending.size() >= d->waitFor) d->Scan(false, 0);
    }
}

int TCSVPieceReader::Finish() {
    if (d->finished) return d->rows;
    d->finished = true;
    TCSVConfigRec& cfg = d->table.Cfg;
    if (d->failed) return 0;
    if (!d->scanner) {
        if (!cfg.Initialized) {
            cfg.ErrorDescr = QStringLiteral("CSV Configuration not Initialized");
            return 0;
        }
        if (d->total == 0) {
            cfg.ErrorDescr = QStringLiteral("CSV Data is Empty");
            return 0;
        }
        d->Start();
    }
    const qsizetype originalSize = d->pending.size();
    if (!EndsWithLineBreak(d->tail)) d->pending += QStringLiteral("\r\n");
    d->Scan(true, originalSize);
    d->pending = QString();
    if (d->failed) return 0;
    cfg.ErrorDescr = d->scanner->error;
    d->rows = cfg.RowCount;
    return d->rows;
}

int SplitCSVLine(QStringView line, QStringList& list, QChar delimiter) {
    if (delimiter.isNull()) {
        bool doubled = true; // no doubled check
        DetectDelimiter(line, delimiter, doubled);
    }
    qsizetype k = 0;
    auto emit = [&](QString f) {
        if (k < list.size())
            list[k] = std::move(f);
        else
            list.append(std::move(f));
        ++k;
    };
    const qsizetype n = line.size();
    qsizetype i = 0;
    while (n > 0) {
        while (i < n && line[i] == u' ')
            ++i;
        if (i >= n) {
            emit(QString());
            break;
        }
        QString f;
        qsizetype next; // position of the delimiter ending the field, or n
        if (line[i] == kDQ) {
            qsizetype j = i + 1;
            bool pair = false;
            while (j < n) {
                if (line[j] == kDQ) {
                    if (j + 1 < n && line[j + 1] == kDQ) {
                        pair = true;
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            f = line.mid(i + 1, j - i - 1).toString();
            if (pair) f.replace(QStringLiteral("\"\""), QStringLiteral("\""));
            next = j < n ? line.indexOf(delimiter, j + 1) : -1;
        } else {
            next = line.indexOf(delimiter, i);
            f = line.mid(i, (next < 0 ? n : next) - i).toString();
            if (f.contains(kDQ)) f.replace(QStringLiteral("\"\""), QStringLiteral("\""));
        }
        emit(std::move(f));
        if (next < 0) break;
        i = next + 1;
    }
    list.resize(k);
    return int(k);
}

QString JoinCSVLine(const QStringList& list, QChar delimiter) {
    if (delimiter.isNull()) delimiter = u',';
    QString r;
    for (qsizetype k = 0; k < list.size(); ++k) {
        const QString& e = list[k];
        if (k > 0) r += delimiter;
        // Leading spaces and a lone empty entry are quoted too: the splitter
        // would otherwise skip the spaces or read no field at all.
        const bool quote = e.contains(kDQ) || e.contains(delimiter) || e.startsWith(u' ') ||
                           (list.size() == 1 && e.isEmpty());
        if (!quote) {
            r += e;
            continue;
        }
        QString q = e;
        q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
        r += kDQ;
        r += q;
        r += kDQ;
    }
    return r;
}

QString QuoteCSVValue(QStringView value, QChar delimiter) {
    const bool quote = value.contains(kDQ) || value.contains(u',') || value.contains(delimiter) ||
                       value.contains(u'\n') || value.contains(u'\r') ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote) return value.toString();
    QString v = value.toString();
    v.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return QString(kDQ) + v + QChar(kDQ);
}

QString CellName(int column, int row, bool absoluteColumn, bool absoluteRow) {
    column = qBound(1, column, 65535);
    row = qBound(1, row, 65535);
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + (c - 1) % 26));
    QString r;
    if (absoluteColumn) r += u'$';
    r += letters;
    if (absoluteRow) r += u'$';
    return r + QString::number(row);
}

namespace {
// The JSON number grammar: -?(0|[1-9][0-9]*)(.[0-9]+)?([eE][+-]?[0-9]+)?
bool JsonNumber(QStringView t) {
    qsizetype i = 0;
    const qsizetype n = t.size();
    auto digit = [&](qsizetype k) { return k < n && t[k] >= u'0' && t[k] <= u'9'; };
    if (i < n && t[i] == u'-') ++i;
    if (!digit(i)) return false;
    if (t[i] == u'0') {
        ++i;
    } else {
        while (digit(i))
            ++i;
    }
    if (i < n && t[i] == u'.') {
        ++i;
        if (!digit(i)) return false;
        while (digit(i))
            ++i;
    }
    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        ++i;
        if (i < n && (t[i] == u'+' || t[i] == u'-')) ++i;
        if (!digit(i)) return false;
        while (digit(i))
            ++i;
    }
    return i == n;
}
} // namespace

void AppendJsonValue(std::string& out, QStringView text) {
    const QStringView t = TrimmedView(text);
    if (t.isEmpty()) {
        out += "\"\"";
        return;
    }
    if (t.size() <= 5) {
        for (const char* word : {"null", "true", "false"})
            if (t.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
                out += word;
                return;
            }
    }
    // A number may carry spaces between its digits ("12 345"): written
    // without them.
    if (t.contains(u' ')) {
        const QString bare = t.toString().remove(u' ');
        if (JsonNumber(bare)) {
            out += bare.toStdString();
            return;
        }
    } else if (JsonNumber(t)) {
        for (QChar c : t)
            out += char(c.unicode());
        return;
    }
    AppendJsonString(out, t);
}

QString JSONValue(QStringView text) {
    std::string r;
    AppendJsonValue(r, text);
    return QString::fromLatin1(r.data(), qsizetype(r.size()));
}

bool CSVLinesToXML(const QStringList& lines, QStringList& output, QChar delimiter) {
    if (lines.size() < 2) return false;
    const QString head1 = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>");
    const QString head2 = QStringLiteral("<data>");
    output.clear();
    try {
        QStringList names;
        SplitCSVLine(lines[0], names, delimiter);
        for (QString& name : names)
            name = XmlElementName(name);
        const qsizetype f = names.size();
        output << head1 << head2;
        QStringList values;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            output << QStringLiteral("  <record idx=\"%1\">").arg(i - 1);
            if (SplitCSVLine(lines[i], values, delimiter) >= f) {
                for (qsizetype k = 0; k < f; ++k)
                    output << QStringLiteral("    <") + names[k] + u'>' + XmlText(values[k]) +
                                  QStringLiteral("</") + names[k] + u'>';
            }
            output << QStringLiteral("  </record>");
        }
        output << QStringLiteral("  <results>")
               << QStringLiteral("    <records>%1</records>").arg(lines.size() - 1)
               << QStringLiteral("    <fields>%1</fields>").arg(f)
               << QStringLiteral("    <error></error>") << QStringLiteral("  </results>")
               << QStringLiteral("</data>");
        return true;
    } catch (...) {
        output = QStringList{head1,
                             head2,
                             QStringLiteral("  <results>"),
                             QStringLiteral("    <records>%1</records>").arg(lines.size() - 1),
                             QStringLiteral("    <fields>0</fields>"),
                             QStringLiteral("    <error>Fatal Exception converting to XML</error>"),
                             QStringLiteral("  </results>"),
                             QStringLiteral("</data>")};
        return false;
    }
}

bool CSVLinesToJSON(const QStringList& lines, QStringList& output, QChar delimiter) {
    output.clear();
    if (lines.size() < 2) return false;
    const qsizetype records = lines.size() - 1;
    qsizetype f = 0;
    try {
        QStringList names;
        SplitCSVLine(lines[0], names, delimiter);
        f = names.size();
        // The record key must differ from every field name.
        QStringList taken = lines[0].split(u',');
        taken += names;
        for (QString& s : taken)
            s = s.toLower();
        QString key = QStringLiteral("Record_No");
        for (int n = 2; taken.contains(key.toLower()); ++n)
            key = QStringLiteral("Record_No%1").arg(n);
        const QString jsonKey = JsonString(key);
        QStringList keys;
        for (const QString& name : names)
            keys << JsonString(name);
        output << QStringLiteral("{ \"data\": [");
        QStringList values;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            QString line = QStringLiteral("    { ") + jsonKey + u':' + QString::number(i - 1);
            if (SplitCSVLine(lines[i], values, delimiter) >= f) {
                for (qsizetype k = 0; k < f; ++k)
                    line += QStringLiteral(", ") + keys[k] + u':' + JSONValue(values[k]);
            }
            line += i + 1 < lines.size() ? QStringLiteral(" },") : QStringLiteral(" }");
            output << line;
        }
        output << QStringLiteral("  ],")
               << QStringLiteral("  \"results\": { \"records\":%1, \"fields\":%2, "
                                 "\"error\":false } ")
                      .arg(records)
                      .arg(f)
               << QStringLiteral("}");
        return true;
    } catch (...) {
        output = QStringList{QStringLiteral("{ \"results\": { \"records\":%1, \"fields\":%2, "
                                            "\"error\":\"Fatal Exception converting to JSON\" } }")
                                 .arg(records)
                                 .arg(f)};
        return false;
    }
}

bool CSVLineToProps(const QStringList& lines, int row, QStringList& props) {
    props.clear();
    if (lines.isEmpty() || row < 0 || row >= lines.size()) return false;
    QStringList names, values;
    SplitCSVLine(lines[0], names, u',');
    SplitCSVLine(lines[row], values, u',');
    if (values.size() < names.size()) return false;
    for (qsizetype k = 0; k < names.size(); ++k) {
        const QString name = TrimText(names[k]);
        if (!name.isEmpty()) props << name + u'=' + values[k];
    }
    return !props.isEmpty();
}

QStringList GridToLines(const CsvGrid& grid, QChar delimiter) {
    QStringList r;
    r.reserve(grid.size());
    for (const QStringList& row : grid)
        r << JoinCSVLine(row, delimiter);
    return r;
}

CsvGrid LinesToGrid(const QStringList& lines, QChar delimiter) {
    CsvGrid g;
    g.reserve(lines.size());
    qsizetype width = 2;
    QStringList cells;
    for (const QString& line : lines) {
        SplitCSVLine(line, cells, delimiter);
        width = qMax(width, cells.size());
        g << cells;
    }
    for (QStringList& row : g)
        row.resize(width);
    return g;
}

void TableToGrid(const TCSVTableRec& table, CsvGrid& grid, int headerRow, int firstRow) {
    firstRow = qMax(0, firstRow);
    const qsizetype cols = table.Col.size();
    qsizetype rows = 0;
    for (const TCSVColumnRec& c : table.Col)
        rows = qMax(rows, c.Row.size());
    const qsizetype need = qMax<qsizetype>(firstRow + rows, headerRow + 1);
    if (grid.size() < need) grid.resize(need);
    auto put = [&](qsizetype r, qsizetype c, const QString& v) {
        if (grid[r].size() <= c) grid[r].resize(c + 1);
        grid[r][c] = v;
    };
    for (qsizetype c = 0; c < cols; ++c) {
        const TCSVColumnRec& col = table.Col[c];
        if (headerRow >= 0) put(headerRow, c, col.Header);
        for (qsizetype r = 0; r < col.Row.size(); ++r)
            put(firstRow + r, c, col.Row[r]);
    }
}

QString GridToClipboard(const CsvGrid& grid, const QList<int>& rowHeights,
                        const QString& separator) {
    QString r;
    for (qsizetype i = 0; i < grid.size(); ++i) {
        if (i < rowHeights.size() && rowHeights[i] <= 4) continue;
        const QStringList& row = grid[i];
        for (qsizetype k = 0; k < row.size(); ++k) {
            if (k > 0) r += separator;
            r += QuoteCSVValue(row[k], separator.isEmpty() ? QChar(u',') : separator[0]);
        }
        r += u'\n';
    }
    return r;
}

} // namespace sky
