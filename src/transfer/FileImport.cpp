// The streaming file import: the decoder, the row collector over the one
// CSV scan, and the two destinations.
#include "transfer/FileImport.h"

#include "design/TableLayout.h"
#include "engine/Database.h"
#include "engine/ExportText.h"
#include "engine/Identifiers.h"
#include "engine/Statement.h"
#include "support/Csv.h"
#include "support/CsvScanner.h"
#include "support/Prompter.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"
#include "transfer/CsvImport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <cstring>
#include <deque>
#include <iconv.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <vector>

namespace sky {

QString EncodingName(ImportEncoding e) {
    return kImportEncodings.value(int(e));
}

char16_t ReadCodeBox(const QString& text) {
    QString digits;
    for (QChar c : text)
        if (c.isDigit() && c.unicode() < 128) digits += c;
    if (digits.isEmpty()) return kNoCode;
    const int code = digits.left(3).toInt();
    return code >= 0 && code < 255 ? char16_t(code) : kNoCode;
}

bool SameFile(const QString& a, const QString& b) {
    struct stat sa {
    }, sb{};
    const QByteArray fa = QFile::encodeName(a), fb = QFile::encodeName(b);
    if (::stat(fa.constData(), &sa) != 0 || ::stat(fb.constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// --- the decoder

struct ChunkDecoder::State {
    ImportEncoding enc;
    std::string carry; // bytes of a sequence cut by the chunk end
    bool first = true;
    qint64 lines = 1; // the file line of the next decoded byte
    std::unique_ptr<QStringDecoder> qt;
    QString high; // a high surrogate waiting for its pair
    iconv_t cd = iconv_t(-1);
};

ChunkDecoder::ChunkDecoder(ImportEncoding e) : d(std::make_unique<State>()) {
    d->enc = e;
    if (e == ImportEncoding::Utf16LE)
        d->qt = std::make_unique<QStringDecoder>(QStringConverter::Utf16LE);
    else if (e == ImportEncoding::Utf16BE)
        d->qt = std::make_unique<QStringDecoder>(QStringConverter::Utf16BE);
    else if (e == ImportEncoding::System)
        d->qt = std::make_unique<QStringDecoder>(QStringConverter::System);
    else if (e == ImportEncoding::Utf7)
        d->cd = iconv_open("UTF-8", "UTF-7");
}

ChunkDecoder::~ChunkDecoder() {
    if (d->cd != iconv_t(-1)) iconv_close(d->cd);
}

namespace {
// The length of a valid UTF-8 prefix of [p, p + n); *cut is set when the
// rest is only an incomplete sequence (it may continue in the next chunk).
qsizetype ValidUtf8(const unsigned char* p, qsizetype n, bool& cut) {
    cut = false;
    qsizetype i = 0;
    while (i < n) {
        // ASCII eight bytes at a time.
        while (i + 8 <= n) {
            quint64 w;
            std::memcpy(&w, p + i, 8);
            if (w & 0x8080808080808080ULL) break;
            i += 8;
        }
        if (i >= n) break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len = 0;
        unsigned min = 0;
        if ((c & 0xE0) == 0xC0) {
            len = 2;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            min = 0x10000;
        } else {
            return i;
        }
        if (i + len > n) {
            // Complete what is there: an incomplete sequence may go on.
            for (qsizetype k = i + 1; k < n; ++k)
                if ((p[k] & 0xC0) != 0x80) return i;
            cut = true;
            return i;
        }
        unsigned v = c & (0x7F >> len);
        for (int k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) return i;
            v = (v << 6) | (p[i + k] & 0x3F);
        }
        if (v < min || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return i;
        i += len;
    }
    return i;
}

// Line breaks of a text: LFs, or the CRs of a text without any LF.
qint64 CountLines(const char* p, size_t n) {
    qint64 lines = 0;
    for (const char* at = p;
         (at = static_cast<const char*>(std::memchr(at, '\n', n - size_t(at - p)))); ++at)
        ++lines;
    if (lines == 0)
        for (const char* at = p;
             (at = static_cast<const char*>(std::memchr(at, '\r', n - size_t(at - p)))); ++at)
            ++lines;
    return lines;
}
} // namespace

bool ChunkDecoder::Decode(const char* p, qsizetype n, bool last, std::string& out, QString& error) {
    const size_t start = out.size();
    auto invalid = [&](size_t validEnd) {
        d->lines += CountLines(out.data() + start, validEnd - start);
        error = QStringLiteral("Invalid code-point data for ") + EncodingName(d->enc) +
                QStringLiteral(" in line %1 of the file").arg(d->lines);
        return false;
    };
    auto done = [&] {
        d->lines += CountLines(out.data() + start, out.size() - start);
        return true;
    };
    switch (d->enc) {
    case ImportEncoding::Utf8: {
        std::string bytes = std::move(d->carry);
        d->carry.clear();
        bytes.append(p, size_t(n));
        qsizetype from = 0;
        if (d->first && bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) from = 3;
        if (d->first && bytes.size() < 3 && !last &&
            std::string("\xEF\xBB\xBF").rfind(bytes, 0) == 0) {
            d->carry = bytes; // a mark may still be cut
            return true;
        }
        d->first = false;
        bool cut = false;
        const auto* u = reinterpret_cast<const unsigned char*>(bytes.data()) + from;
        const qsizetype len = qsizetype(bytes.size()) - from;
        const qsizetype valid = ValidUtf8(u, len, cut);
        out.append(bytes.data() + from, size_t(valid));
        if (valid < len) {
            if (!cut || last) return invalid(out.size());
            d->carry.assign(bytes.data() + from + valid, size_t(len - valid));
        }
        return done();
    }
    case ImportEncoding::Ascii:
        for (qsizetype i = 0; i < n; ++i)
            if (static_cast<unsigned char>(p[i]) >= 0x80) {
                out.append(p, size_t(i));
                return invalid(out.size());
            }
        out.append(p, size_t(n));
        return done();
    case ImportEncoding::Ansi:
        out += DecodeCp1252(QByteArray::fromRawData(p, n)).toStdString();
        return done();
    case ImportEncoding::Utf7: {
        if (d->cd == iconv_t(-1)) {
            error = QStringLiteral("No decoder for ") + EncodingName(d->enc);
            return false;
        }
        std::string in = std::move(d->carry);
        d->carry.clear();
        in.append(p, size_t(n));
        char* src = in.data();
        size_t left = in.size();
        std::string buf(in.size() * 4 + 16, '\0');
        while (left > 0) {
            char* dst = buf.data();
            size_t room = buf.size();
            const size_t r = iconv(d->cd, &src, &left, &dst, &room);
            out.append(buf.data(), buf.size() - room);
            if (r != size_t(-1)) break;
            if (errno == E2BIG) continue;
            if (errno == EINVAL && !last) {
                d->carry.assign(src, left);
                break;
            }
            return invalid(out.size());
        }
        return done();
    }
    default: {
        // UTF-16 and the system's encoding through Qt (stateful across chunks).
        QString text = d->high + d->qt->decode(QByteArrayView(p, n));
        d->high.clear();
        // A surrogate pair cut by the chunk end waits for its second half.
        if (!last && !text.isEmpty() && text.back().isHighSurrogate()) {
            d->high = text.back();
            text.chop(1);
        }
        out += text.toStdString();
        if (d->qt->hasError()) return invalid(out.size());
        return done();
    }
    }
}

// --- rows over the scan

namespace {

// The fields of one row as byte views, with the import's rules for white
// space; rows go to onRow as they end.
class RowCollector {
public:
    RowCollector(const FileImportSettings& s, int columns) : s_(s), columns_(columns) {
        crReplacement_ = s.separator == u';' ? '|' : ';';
    }
    std::function<bool(const std::vector<std::pair<const char*, qsizetype>>&, qint64 row)> onRow;
    QString warning;
    bool stopped = false;
    qint64 kept = -1; // the kept rows, the header row included

    void AddField(const char* p, qsizetype n, bool special) {
        if (stopped) return;
        if (int(fields_.size()) >= columns_) {
            // More fields than the header: the value is dropped, with a warning.
            warning = QStringLiteral("Line %1 has more columns than the Header: ").arg(kept + 1) +
                      Joined() + QStringLiteral("   +[, ") + QString::fromUtf8(p, n) +
                      QLatin1Char(']');
            return;
        }
        if (!s_.keepWhitespace) {
            auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32 && c != '\r'; };
            qsizetype b = 0, e = n;
            while (b < e && blank(p[b]))
                ++b;
            while (e > b && blank(p[e - 1]))
                --e;
            p += b;
            n = e - b;
            if (special && (std::memchr(p, '\t', size_t(n)) || std::memchr(p, '\n', size_t(n)) ||
                            std::memchr(p, '\r', size_t(n)))) {
                std::string& buf = Scratch();
                buf.assign(p, size_t(n));
                for (char& c : buf)
                    if (c == '\t' || c == '\n')
                        c = ' ';
                    else if (c == '\r')
                        c = crReplacement_;
                p = buf.data();
            }
        }
        fields_.emplace_back(p, n);
    }
    void EndRow() {
        if (stopped) {
            fields_.clear();
            return;
        }
        bool blank = true;
        for (const auto& [p, n] : fields_)
            for (qsizetype k = 0; k < n && blank; ++k)
                blank = static_cast<unsigned char>(p[k]) <= 32;
        if (blank) {
            Reset();
            return;
        }
        ++kept;
        if (!(s_.header && kept == 0)) {
            if (int(fields_.size()) < columns_)
                warning = QStringLiteral("Line %1 has fewer columns than the Header: ").arg(kept) +
                          Joined();
            if (!onRow(fields_, kept)) stopped = true;
        }
        Reset();
    }
    void DropOpenRow() { Reset(); }
    bool RowOpen() const { return !fields_.empty(); }
    const char* Undouble(const char* p, qsizetype n, char quote, qsizetype& len) {
        std::string& buf = Scratch();
        buf.clear();
        for (qsizetype k = 0; k < n; ++k) {
            buf.push_back(p[k]);
            if (p[k] == quote && k + 1 < n && p[k + 1] == quote) ++k;
        }
        len = qsizetype(buf.size());
        return buf.data();
    }

private:
    std::string& Scratch() {
        if (used_ >= scratch_.size()) scratch_.emplace_back();
        return scratch_[used_++];
    }
    void Reset() {
        fields_.clear();
        used_ = 0;
    }
    QString Joined() const {
        QStringList v;
        for (const auto& [p, n] : fields_)
            v << QString::fromUtf8(p, n);
        return v.join(QLatin1Char(','));
    }
    const FileImportSettings& s_;
    int columns_;
    char crReplacement_;
    std::vector<std::pair<const char*, qsizetype>> fields_;
    std::deque<std::string> scratch_; // a deque: views into it survive growth
    size_t used_ = 0;
};

constexpr qint64 kChunk = 1 << 20;
constexpr qint64 kMaxRecord = qint64(64) << 20;

// Reads the file through the decoder and the scan, handing each row to
// collector.onRow. An error stops it (the reason in error).
bool ReadRows(const QString& file, const FileImportSettings& s, RowCollector& rows,
              ProgressSink& progress, QString& error) {
    QFile f(file);
    if (!QFileInfo::exists(file)) {
        error = QStringLiteral("File \"") + file + QStringLiteral("\" not Found");
        return false;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("File is not Accessible");
        return false;
    }
    const qint64 size = f.size();
    if (size == 0) {
        error = QStringLiteral("File is Empty");
        return false;
    }
    for (char16_t c : {s.separator, s.quote, s.lineEnd})
        if (c != kNoCode && c >= 128) {
            error = QStringLiteral("Only separator, quote and line-end characters below code 128 "
                                   "can be read in a file import");
            return false;
        }
    CsvScanOptions<char> o;
    o.delim = s.separator == kNoCode ? ',' : char(s.separator);
    o.hasQuote = s.preserveQuotes && s.quote != kNoCode;
    o.quote = o.hasQuote ? char(s.quote) : '\0';
    o.doubled = s.doubled;
    o.hasRowEnd = s.lineEnd != kNoCode;
    o.rowEnd = o.hasRowEnd ? char(s.lineEnd) : '\0';
    const bool nulAllowed =
        o.delim == '\0' || (o.hasQuote && o.quote == '\0') || (o.hasRowEnd && o.rowEnd == '\0');
    ChunkDecoder decoder(s.encoding);
    std::string pending; // the unfinished record and what came after it
    qint64 baseLine = 1; // the file line pending starts in
    std::vector<char> chunk(static_cast<size_t>(kChunk));
    qint64 read = 0;
    QElapsedTimer tick;
    tick.start();
    for (;;) {
        const qint64 got = f.read(chunk.data(), kChunk);
        if (got < 0) {
            error = QStringLiteral("Error reading File: \"") + file + QLatin1Char('"');
            return false;
        }
        read += got;
        const bool last = got == 0 || read >= size;
        const size_t had = pending.size();
        if (!decoder.Decode(chunk.data(), got, last, pending, error)) return false;
        if (!nulAllowed) {
            if (const void* z = std::memchr(pending.data() + had, '\0', pending.size() - had)) {
                const size_t at = size_t(static_cast<const char*>(z) - pending.data());
                error = QStringLiteral("NUL character in line %1 of the file")
                            .arg(baseLine + CountLines(pending.data(), at));
                return false;
            }
        }
        qsizetype original = qsizetype(pending.size());
        if (last) pending += "\r\n";
        const CsvScanEnd end =
            CsvScan(pending.data(), qsizetype(pending.size()), 0, last, original, o, rows);
        if (end.unterminated) {
            error = QStringLiteral("Unterminated quoted field starting in line %1 of the file")
                        .arg(baseLine + CountLines(pending.data(), size_t(end.record)));
            return false;
        }
        if (rows.stopped || last) return true;
        baseLine += CountLines(pending.data(), size_t(end.done));
        pending.erase(0, size_t(end.done));
        if (qint64(pending.size()) > kMaxRecord) {
            error = QStringLiteral("Unterminated quoted field starting in line %1 of the file")
                        .arg(baseLine);
            return false;
        }
        // Cancel is read after every chunk, the bar moved at most every 200 ms.
        if (tick.elapsed() >= 200) {
            tick.restart();
            progress.Advance(QString(), double(read) / double(size), -1);
        }
        if (progress.IsCancelled()) {
            error = kUserAbortedImport;
            return false;
        }
    }
}

// The columns written: those with a name.
QList<int> Written(const QList<ImportColumn>& columns) {
    QList<int> w;
    for (int k = 0; k < columns.size(); ++k)
        if (!TrimText(columns[k].name).isEmpty()) w << k;
    return w;
}

} // namespace

FileImportResult ImportFileToTable(TSQLite3Database& db, const QString& file,
                                   const FileImportSettings& s, const QList<ImportColumn>& columns,
                                   const QString& table, ProgressSink& progress,
                                   Prompter& prompts) {
    FileImportResult r;
    const QList<int> written = Written(columns);
    if (written.isEmpty()) {
        r.error = QStringLiteral("No columns to import");
        return r;
    }
    QStringList defs, names, params;
    for (int k : written) {
        QString type = TrimText(columns[k].type);
        if (type.compare(QLatin1String("FLOAT"), Qt::CaseInsensitive) == 0) type = kTypeReal;
        const QString name = QuoteIdent(TrimText(columns[k].name), false, true);
        defs << (type.isEmpty() ? name : name + QLatin1Char(' ') + type);
        names << name;
        params << QStringLiteral("?%1").arg(params.size() + 1);
    }
    const QString target = QStringLiteral("main.") + QuoteIdent(TrimText(table));
    if (TableNameTaken(db, TrimText(table))) {
        r.error = QStringLiteral("Failed to Create Import Table: table ") + table +
                  QStringLiteral(" already exists");
        return r;
    }
    if (!db.BeginTransaction()) {
        r.error = QStringLiteral("Failed to Create Import Table: ") + db.LastError();
        return r;
    }
    std::unique_ptr<TSQLite3Statement> st;
    auto fail = [&](const QString& why) {
        st.reset();
        db.Rollback();
        r.error = why;
        r.rows = 0;
        return r;
    };
    if (!db.Execute(QStringLiteral("CREATE TABLE ") + target + QStringLiteral(" (") +
                    defs.join(QStringLiteral(", ")) + QStringLiteral(");")))
        return fail(QStringLiteral("Failed to Create Import Table: ") + db.LastError());
    st = db.Prepare(QStringLiteral("INSERT OR FAIL INTO ") + target + QStringLiteral(" (") +
                    names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                    params.join(QLatin1Char(',')) + QStringLiteral(");"));
    if (!st) return fail(QStringLiteral("Failed to Create Import Table: ") + db.LastError());
    sqlite3_stmt* h = st->Handle();
    RowCollector rows(s, int(columns.size()));
    QString rowError;
    rows.onRow = [&](const std::vector<std::pair<const char*, qsizetype>>& f, qint64 row) {
        for (int p = 0; p < written.size(); ++p) {
            const int k = written[p];
            if (k < int(f.size()))
                sqlite3_bind_text(h, p + 1, f[size_t(k)].first, int(f[size_t(k)].second),
                                  SQLITE_STATIC);
            else
                sqlite3_bind_null(h, p + 1); // a missing field
        }
        const int rc = sqlite3_step(h);
        sqlite3_reset(h);
        if (rc != SQLITE_DONE) {
            rowError = QStringLiteral("Line %1 contained invalid data: ").arg(row) +
                       QString::fromUtf8(sqlite3_errmsg(db.Handle()));
            return false;
        }
        ++r.rows;
        return s.maxRows <= 0 || r.rows < s.maxRows;
    };
    QString error;
    if (!ReadRows(file, s, rows, progress, error)) return fail(error);
    if (!rowError.isEmpty()) return fail(rowError);
    st.reset();
    if (!rows.warning.isEmpty()) {
        if (prompts.AskYesNo(QStringLiteral("Import completed, but with Warnings..."),
                             rows.warning + QStringLiteral("\rUndo the Import?  (Click No to "
                                                           "accept and continue)."),
                             30, QStringLiteral("No"), QStringLiteral("Yes"))) {
            if (!db.Rollback())
                return fail(rows.warning + QStringLiteral("\rFailed to Undo - ") + db.LastError());
            r.error = rows.warning;
            r.rows = 0;
            return r;
        }
        r.warnings = rows.warning;
    }
    if (!db.Commit()) return fail(QStringLiteral("Failed to Commit - ") + db.LastError());
    r.ok = true;
    return r;
}

FileImportResult ImportFileToCsv(const QString& file, const FileImportSettings& s,
                                 const QList<ImportColumn>& columns, const QString& destination,
                                 ProgressSink& progress) {
    FileImportResult r;
    if (SameFile(file, destination)) {
        r.error = kImportIntoItself;
        return r;
    }
    const QList<int> written = Written(columns);
    QSaveFile out(destination);
    if (!out.open(QIODevice::WriteOnly)) {
        r.error =
            QStringLiteral("Destination File not Accessible (") + destination + QLatin1Char(')');
        return r;
    }
    std::string buf;
    buf.reserve(size_t(kChunk) + 65536);
    for (int i = 0; i < written.size(); ++i) {
        if (i > 0) buf += ',';
        const QByteArray name = TrimText(columns[written[i]].name).toUtf8();
        AppendCsvField(buf, name.constData(), name.size(), false);
    }
    buf += "\r\n";
    bool writeFailed = false;
    auto flush = [&] {
        if (out.write(buf.data(), qint64(buf.size())) != qint64(buf.size())) writeFailed = true;
        buf.clear();
        return !writeFailed;
    };
    RowCollector rows(s, int(columns.size()));
    rows.onRow = [&](const std::vector<std::pair<const char*, qsizetype>>& f, qint64) {
        for (int i = 0; i < written.size(); ++i) {
            if (i > 0) buf += ',';
            const int k = written[i];
            if (k < int(f.size()))
                AppendCsvField(buf, f[size_t(k)].first, f[size_t(k)].second, false);
        }
        buf += "\r\n";
        ++r.rows;
        if (buf.size() >= size_t(kChunk) && !flush()) return false;
        return s.maxRows <= 0 || r.rows < s.maxRows;
    };
    QString error;
    const bool ok = ReadRows(file, s, rows, progress, error);
    if (!ok || writeFailed || !flush() || !out.commit()) {
        out.cancelWriting();
        r.error = !ok ? error
                      : QStringLiteral("Error writing ") + destination + QStringLiteral(": ") +
                            out.errorString();
        r.rows = 0;
        return r;
    }
    r.warnings = rows.warning;
    r.ok = true;
    return r;
}

// --- the preview

bool LoadPreviewText(const QString& file, ImportEncoding e, ImportPreview& p) {
    p = ImportPreview();
    if (!QFileInfo::exists(file)) {
        p.error = QStringLiteral("File \"") + file + QStringLiteral("\" not Found");
        return false;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        p.error = QStringLiteral("File is not Accessible");
        return false;
    }
    if (f.size() == 0) {
        p.error = QStringLiteral("File is Empty");
        return false;
    }
    const QByteArray bytes = f.read(65536);
    p.wholeFile = f.atEnd();
    ChunkDecoder decoder(e);
    std::string text;
    QString error;
    // A sequence cut by the sample's end is not an error.
    if (!decoder.Decode(bytes.constData(), bytes.size(), p.wholeFile, text, error) ||
        text.empty()) {
        p.error = QStringLiteral("Invalid code-point data for ") + EncodingName(e);
        return false;
    }
    p.text = QString::fromStdString(text);
    return true;
}

void EstimateFormat(const QString& sample, FileImportSettings& s) {
    s.quote = u'"';
    s.lineEnd = u'\r';
    // The sample: up to the first line end beyond position 64, or the last
    // one before it; the whole text without line ends.
    qsizetype end = -1;
    for (qsizetype i = 0; i < sample.size(); ++i) {
        if (sample[i] != u'\n' && sample[i] != u'\r') continue;
        end = i;
        if (i > 64) break;
    }
    const QStringView part = end < 0 ? QStringView(sample) : QStringView(sample).left(end);
    QChar delimiter;
    bool doubled = false;
    if (DetectDelimiter(part, delimiter, doubled) && !delimiter.isNull()) {
        s.separator = delimiter.unicode();
        s.doubled = doubled;
        s.preserveQuotes = !doubled;
    } else {
        s.separator = u',';
        s.doubled = false;
        s.preserveQuotes = true;
    }
}

QString AnalyseType(const QStringList& values) {
    QString type = kTypeInteger;
    for (const QString& v : values) {
        const QString t = TrimText(v);
        if (t.isEmpty()) continue;
        if (!IsNumericLiteral(t)) return kTypeText;
        if (t.contains(u'.')) type = kTypeReal;
    }
    return type;
}

void BuildPreview(ImportPreview& p, const FileImportSettings& s) {
    p.valid = false;
    p.headers.clear();
    p.rows.clear();
    p.types.clear();
    p.error.clear();
    QString text = p.text;
    if (s.lineEnd != kNoCode && s.lineEnd != u'\r' && s.lineEnd != u'\n')
        text.replace(QChar(s.lineEnd), QStringLiteral("\r\n"));
    const QChar quote = s.preserveQuotes && s.quote != kNoCode ? QChar(s.quote) : QChar(u'"');
    // The sample's complete rows: it ends after its last row end outside
    // quotes (nothing is cut from a whole file).
    if (!p.wholeFile) {
        qsizetype lastEnd = -1;
        bool inQuotes = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (s.preserveQuotes && !s.doubled && c == quote)
                inQuotes = !inQuotes;
            else if (!inQuotes && (c == u'\r' || c == u'\n'))
                lastEnd = i;
        }
        if (lastEnd < 0) {
            p.error = QStringLiteral("The selected End-of-Line (Row Delimeter) is not found in the "
                                     "file.");
            return;
        }
        text.truncate(lastEnd + 1);
    }
    TCSVTableRec table;
    CSVConfigure(table, s.header, false, s.keepWhitespace, false, s.doubled,
                 s.separator == kNoCode ? QChar(u',') : QChar(s.separator), quote);
    if (!s.preserveQuotes) table.Cfg.QuoteChar = QChar(0xFFFF); // no quoted parts
    CSVRead(text, table);
    if (!table.Cfg.ErrorDescr.isEmpty()) {
        p.error = table.Cfg.ErrorDescr;
        return;
    }
    if (table.Col.isEmpty()) {
        p.error = QStringLiteral("Preview Data is Empty");
        return;
    }
    const int rows = table.Cfg.RowCount;
    for (const TCSVColumnRec& c : table.Col) {
        p.headers << c.Header;
        QStringList values;
        for (int r = 0; r < rows; ++r)
            values << c.Row.at(r);
        p.types << AnalyseType(values);
    }
    for (int r = 0; r < rows; ++r) {
        QStringList row;
        for (const TCSVColumnRec& c : table.Col)
            row << c.Row.at(r);
        p.rows << row;
    }
    p.valid = true;
}

QList<ImportColumn> PreviewColumns(const ImportPreview& p) {
    QList<ImportColumn> columns;
    for (int k = 0; k < p.headers.size(); ++k)
        columns.append({p.headers[k], p.types.value(k, kTypeText)});
    return columns;
}

} // namespace sky
