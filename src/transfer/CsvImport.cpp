#include "transfer/CsvImport.h"

#include "design/TableLayout.h"
#include "engine/Identifiers.h"
#include "support/Csv.h"
#include "support/Prompter.h"
#include "support/TextUtil.h"

#include <QSet>
#include <algorithm>
#include <array>
#include <atomic>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

namespace sky {

namespace {

const QString kAnalyzingCol = QStringLiteral("Analyzing Col: ");
const QString kCheckingConsistency = QStringLiteral("Checking Consistency...");
const QString kCheckingDifferences = QStringLiteral("Checking differences...");
// Sheets of at least this many cells are analysed on several threads.
constexpr qsizetype kParallelCells = 200000;

// The value's characters without the blanks (codes 0..32) at both ends, into
// buf (whose storage is reused from value to value).
void TrimmedInto(QAnyStringView v, QString& buf) {
    v.visit([&](auto s) {
        using S = decltype(s);
        if constexpr (std::is_same_v<S, QUtf8StringView>) {
            buf = TrimText(s.toString());
        } else {
            qsizetype b = 0, e = s.size();
            while (b < e && s[b].unicode() <= 32)
                ++b;
            while (e > b && s[e - 1].unicode() <= 32)
                --e;
            buf.resize(e - b);
            QChar* out = buf.data();
            for (qsizetype k = b; k < e; ++k)
                out[k - b] = QChar(char16_t(s[k].unicode()));
        }
    });
}

// The units of a view with spaces removed and each unit upper-cased: the
// form in which values are compared for uniqueness.
const std::array<char16_t, 256>& UpperLatin1() {
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int c = 0; c < 256; ++c)
            t[size_t(c)] = QChar(char16_t(c)).toUpper().unicode();
        return t;
    }();
    return table;
}

template <typename F> void ForEachNormalUnit(QAnyStringView v, F f) {
    v.visit([&](auto s) {
        using S = decltype(s);
        if constexpr (std::is_same_v<S, QLatin1StringView>) {
            const auto& up = UpperLatin1();
            for (qsizetype k = 0; k < s.size(); ++k) {
                const uchar c = uchar(s.data()[k]);
                if (c != ' ') f(up[c]);
            }
        } else if constexpr (std::is_same_v<S, QStringView>) {
            for (qsizetype k = 0; k < s.size(); ++k) {
                const char16_t c = s.utf16()[k];
                if (c != u' ') f(char16_t(QChar::toUpper(char32_t(c))));
            }
        } else {
            const QString t = s.toString();
            for (QChar c : t)
                if (c != u' ') f(c.toUpper().unicode());
        }
    });
}

uint64_t NormalHash(QAnyStringView v) {
    uint64_t h = 0xcbf29ce484222325ULL;
    ForEachNormalUnit(v, [&](char16_t c) { h = (h ^ c) * 0x100000001b3ULL; });
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    return h;
}

void NormalInto(QAnyStringView v, std::u16string& out) {
    out.clear();
    ForEachNormalUnit(v, [&](char16_t c) { out.push_back(c); });
}

bool NormalEqual(QAnyStringView a, QAnyStringView b) {
    thread_local std::u16string x, y;
    NormalInto(a, x);
    NormalInto(b, y);
    return x == y;
}

// Whether no two of the n values (valueOf(row)) are equal in their normal
// form. One pass over an open-addressing table of 32-bit hash tags and rows
// that starts small (a column with an early repetition stops at once) and
// doubles as it fills, placing its entries again by their tags. Values are
// hashed in batches whose slots are fetched ahead, so the table's cache
// misses overlap. Sheets have fewer than 2^32 rows.
template <typename ValueOf> bool AllDistinct(qsizetype n, ValueOf valueOf) {
    struct Slot {
        uint32_t tag;
        uint32_t row1; // row + 1; 0 marks a free slot
    };
    std::vector<Slot> table(size_t(1) << 12);
    size_t mask = table.size() - 1;
    auto place = [&](Slot s) {
        size_t at = s.tag & mask;
        while (table[at].row1 != 0)
            at = (at + 1) & mask;
        table[at] = s;
    };
    constexpr int kBatch = 16;
    uint32_t tags[kBatch];
    for (qsizetype base = 0; base < n; base += kBatch) {
        const int m = int(std::min<qsizetype>(kBatch, n - base));
        if (size_t(base + m) * 2 > table.size()) {
            std::vector<Slot> old(std::max(table.size() * 2, size_t(base + m) * 2));
            old.swap(table);
            mask = table.size() - 1;
            for (const Slot& s : old)
                if (s.row1 != 0) place(s);
        }
        for (int j = 0; j < m; ++j) {
            tags[j] = uint32_t(NormalHash(valueOf(base + j)) >> 32);
            __builtin_prefetch(&table[tags[j] & mask]);
        }
        for (int j = 0; j < m; ++j) {
            const qsizetype row = base + j;
            size_t at = tags[j] & mask;
            while (table[at].row1 != 0) {
                if (table[at].tag == tags[j] &&
                    NormalEqual(valueOf(qsizetype(table[at].row1) - 1), valueOf(row)))
                    return false;
                at = (at + 1) & mask;
            }
            table[at] = {tags[j], uint32_t(row + 1)};
        }
    }
    return true;
}

// A whole number of digits only (an optional + in front), at most 18 digits.
bool WholeNumber(const QString& s, qint64& value) {
    qsizetype k = s.startsWith(u'+') ? 1 : 0;
    if (k >= s.size() || s.size() - k > 18) return false;
    value = 0;
    for (; k < s.size(); ++k) {
        const char16_t c = s[k].unicode();
        if (c < u'0' || c > u'9') return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

QString TitleCase(const QString& s) {
    QString r = s;
    bool start = true;
    for (QChar& c : r) {
        if (c.isLetter()) {
            c = start ? c.toUpper() : c.toLower();
            start = false;
        } else {
            start = !c.isDigit();
        }
    }
    return r;
}

} // namespace

bool HasFlag(const QString& flags, QChar flag) {
    return flags.contains(flag);
}

QStringList SheetTypeChoices() {
    return {kTypeInteger, kTypeReal, kTypeNumeric, kTypeText};
}

QStringList SheetConstraintWords() {
    return {QStringLiteral("NOT NULL"), QStringLiteral("UNIQUE"), kPrimaryKey,
            QStringLiteral("PRIMARY KEY ASC"), QStringLiteral("PRIMARY KEY DESC")};
}

CsvImportSheet::CsvImportSheet() = default;
CsvImportSheet::~CsvImportSheet() = default;

void CsvImportSheet::Fill(std::shared_ptr<const TCSVTableRec> table) {
    FTable = std::move(table);
    FCols.clear();
    FRows = 1;
    const qsizetype cols = FTable ? FTable->Col.size() : 0;
    for (qsizetype k = 0; k < std::max<qsizetype>(cols, 2); ++k) {
        Column c;
        if (k < cols) {
            const TCSVColumnRec& rec = FTable->Col[k];
            c.head[int(HeadRow::Header)] = rec.Header;
            c.head[int(HeadRow::Name)] = rec.Header;
            // Shares the reader's values as long as the table lives.
            c.values = std::shared_ptr<const TCSVValues>(FTable, &rec.Row);
            FRows = std::max(FRows, rec.Row.size());
        }
        c.head[int(HeadRow::Flags)] = kFlagsNone;
        FCols.push_back(std::move(c));
    }
}

QString CsvImportSheet::Head(int col, HeadRow row) const {
    return FCols[size_t(col)].head[size_t(row)];
}

void CsvImportSheet::SetHead(int col, HeadRow row, const QString& text) {
    FCols[size_t(col)].head[size_t(row)] = text;
}

QStringList CsvImportSheet::HeadLine(HeadRow row) const {
    QStringList r;
    for (const Column& c : FCols)
        r << c.head[size_t(row)];
    return r;
}

QAnyStringView CsvImportSheet::View(const Column& c, qsizetype row) const {
    if (!c.edits.isEmpty()) {
        const auto it = c.edits.constFind(row);
        if (it != c.edits.cend()) return QAnyStringView(*it);
    }
    return row < c.values->size() ? c.values->view(row) : QAnyStringView();
}

QString CsvImportSheet::Cell(qsizetype row, int col) const {
    return View(FCols[size_t(col)], row).toString();
}

void CsvImportSheet::SetCell(qsizetype row, int col, const QString& text) {
    Column& c = FCols[size_t(col)];
    c.edits.insert(row, text);
    // Many typed cells are folded into the compact values.
    if (c.edits.size() > 4096) FoldEdits(c);
}

void CsvImportSheet::Rebuild(Column& c, const std::vector<qsizetype>& rows) {
    auto values = std::make_shared<TCSVValues>();
    values->reserve(qsizetype(rows.size()));
    std::u16string buf;
    for (qsizetype r : rows) {
        if (r < 0) {
            values->append(QStringView());
            continue;
        }
        View(c, r).visit([&](auto s) {
            using S = decltype(s);
            if constexpr (std::is_same_v<S, QStringView>) {
                values->append(s);
            } else if constexpr (std::is_same_v<S, QLatin1StringView>) {
                buf.resize(size_t(s.size()));
                for (qsizetype k = 0; k < s.size(); ++k)
                    buf[size_t(k)] = char16_t(uchar(s.data()[k]));
                values->append(QStringView(buf.data(), qsizetype(buf.size())));
            } else {
                values->append(s.toString());
            }
        });
    }
    c.values = std::move(values);
    c.edits.clear();
}

void CsvImportSheet::FoldEdits(Column& c) {
    std::vector<qsizetype> rows(static_cast<size_t>(FRows));
    for (qsizetype r = 0; r < FRows; ++r)
        rows[size_t(r)] = r;
    Rebuild(c, rows);
}

template <typename F> void CsvImportSheet::Transform(int col, F f) {
    Column& c = FCols[size_t(col)];
    auto values = std::make_shared<TCSVValues>();
    values->reserve(FRows);
    for (qsizetype r = 0; r < FRows; ++r)
        values->append(f(View(c, r).toString()));
    c.values = std::move(values);
    c.edits.clear();
}

// --- analysis

void CsvImportSheet::AnalyseColumn(int col) {
    Column& c = FCols[size_t(col)];
    c.head[int(HeadRow::Constraint)].clear();
    QString flags = kFlagsNone;

    // The type from the non-empty values; while the column is integer, are
    // its values strictly increasing whole numbers from above 0? An empty
    // value ends that (an import could not key a row by it).
    QString type = kTypeInteger;
    bool iterated = true;
    qint64 previous = 0;
    QString v;
    for (qsizetype r = 0; r < FRows; ++r) {
        TrimmedInto(View(c, r), v);
        if (v.isEmpty()) {
            iterated = false;
            continue;
        }
        if (!IsNumericLiteral(v)) {
            type = kTypeText;
            iterated = false;
            break;
        }
        if (type == kTypeInteger && v.contains(u'.')) {
            type = kTypeReal;
            iterated = false;
        }
        if (iterated) {
            qint64 w = 0;
            iterated = WholeNumber(v, w) && w > previous;
            previous = w;
        }
    }
    c.head[int(HeadRow::Type)] = type;

    if (iterated) {
        flags = kFlagsIterated;
    } else if (FRows == 1) {
        flags[3] = u'U';
    } else {
        // All values the same? A cheap pass that usually stops at once.
        const QAnyStringView first = View(c, 0);
        const uint64_t firstHash = NormalHash(first);
        bool same = true;
        for (qsizetype r = 1; r < FRows && same; ++r) {
            const QAnyStringView x = View(c, r);
            same = NormalHash(x) == firstHash && NormalEqual(x, first);
        }
        if (same) {
            flags[5] = u'S';
            std::u16string normal;
            NormalInto(first, normal);
            if (normal.empty()) flags[7] = u'E';
        } else {
            const bool unique = AllDistinct(FRows, [&](qsizetype r) { return View(c, r); });
            if (unique) flags[3] = u'U';
        }
    }
    c.head[int(HeadRow::Flags)] = flags;
}

void CsvImportSheet::Analyse(ProgressSink* progress) {
    // Headers: an empty one, or one an earlier column already has (ignoring
    // case), gets the first letter A..Z no earlier column bears; after Z an
    // X is added and the letters start again.
    QSet<QString> seen;
    for (Column& c : FCols) {
        const QString header = c.head[int(HeadRow::Header)];
        const QString base = TrimText(header);
        QString result = base;
        if (base.isEmpty() || seen.contains(base.toCaseFolded())) {
            QString stem = base;
            for (int letter = 0;; ++letter) {
                if (letter == 26) {
                    stem += u'X';
                    letter = 0;
                }
                result = stem + QChar(u'A' + letter);
                if (!seen.contains(result.toCaseFolded())) break;
            }
            c.head[int(HeadRow::Header)] = result;
            c.head[int(HeadRow::Name)] = result;
        }
        seen.insert(result.toCaseFolded());
    }
    // Columns are analysed side by side on the machine's cores when the sheet
    // is large: each touches only its own column. Progress is shown (from
    // this thread) for the columns this thread takes.
    const int columns = ColumnCount();
    std::atomic<int> next{0};
    std::mutex failed;
    std::exception_ptr failure;
    auto take = [&](bool report) {
        for (int k; (k = next++) < columns;) {
            if (report) {
                progress->SetOverallDescription(kAnalyzingCol + Head(k, HeadRow::Header));
                progress->Advance(kCheckingConsistency, double(k) / columns, -1);
            }
            try {
                AnalyseColumn(k);
            } catch (...) {
                const std::lock_guard<std::mutex> lock(failed);
                failure = std::current_exception();
            }
            if (report) progress->Advance(kCheckingDifferences, double(k + 1) / columns, -1);
        }
    };
    const int cores = int(std::thread::hardware_concurrency());
    const int helpers =
        FRows * columns >= kParallelCells ? std::clamp(cores - 1, 0, columns - 1) : 0;
    std::vector<std::thread> threads;
    for (int h = 0; h < helpers; ++h)
        threads.emplace_back(take, false);
    take(progress != nullptr);
    for (std::thread& t : threads)
        t.join();
    if (failure) std::rethrow_exception(failure);
    int firstUnique = -1;
    for (int k = 0; k < columns && firstUnique < 0; ++k)
        if (HasFlag(Head(k, HeadRow::Flags), u'U')) firstUnique = k;
    if (firstUnique >= 0) SetHead(firstUnique, HeadRow::Constraint, kPrimaryKey);
}

// --- the menu's operations

void CsvImportSheet::InsertHeaderRow(bool cellNames, qsizetype fromRow) {
    for (int k = 0; k < ColumnCount(); ++k) {
        Column& c = FCols[size_t(k)];
        const QString header = c.head[int(HeadRow::Header)];
        const QString now =
            cellNames ? CellName(k + 1, 1, false, false) : View(c, fromRow).toString();
        std::vector<qsizetype> rows(size_t(FRows) + 1);
        rows[0] = -1;
        for (qsizetype r = 0; r < FRows; ++r)
            rows[size_t(r) + 1] = r;
        Rebuild(c, rows);
        c.edits.insert(0, header);
        c.head[int(HeadRow::Header)] = now;
        c.head[int(HeadRow::Name)] = now;
    }
    ++FRows;
}

void CsvImportSheet::InsertColumn(int before, NewColumn kind, qint64 start) {
    before = std::clamp(before, 0, ColumnCount());
    const Column* current = before < ColumnCount() ? &FCols[size_t(before)] : nullptr;
    Column c;
    const QString header = current ? current->head[int(HeadRow::Header)] : QString();
    switch (kind) {
    case NewColumn::Empty:
        c.head[int(HeadRow::Header)] = header + QStringLiteral("_New");
        c.head[int(HeadRow::Type)] = kTypeText;
        c.head[int(HeadRow::Flags)] = kFlagsEmpty;
        break;
    case NewColumn::Copy:
        c.head[int(HeadRow::Header)] = header + QStringLiteral("_Copy");
        if (current) {
            c.head[int(HeadRow::Type)] = current->head[int(HeadRow::Type)];
            c.head[int(HeadRow::Flags)] = current->head[int(HeadRow::Flags)];
            c.values = current->values;
            c.edits = current->edits;
        }
        break;
    case NewColumn::AutoNumber: {
        c.head[int(HeadRow::Header)] = header + QStringLiteral("_Key");
        c.head[int(HeadRow::Type)] = kTypeInteger;
        c.head[int(HeadRow::Flags)] = kFlagsIterated;
        auto values = std::make_shared<TCSVValues>();
        values->reserve(FRows);
        for (qsizetype r = 0; r < FRows; ++r)
            values->append(QString::number(start + r));
        c.values = std::move(values);
        break;
    }
    }
    if (c.head[int(HeadRow::Flags)].isEmpty()) c.head[int(HeadRow::Flags)] = kFlagsNone;
    c.head[int(HeadRow::Name)] = c.head[int(HeadRow::Header)];
    FCols.insert(FCols.begin() + before, std::move(c));
}

void CsvImportSheet::InsertRow(qsizetype before, bool copy) {
    before = std::clamp<qsizetype>(before, 0, FRows);
    std::vector<qsizetype> rows;
    rows.reserve(size_t(FRows) + 1);
    for (qsizetype r = 0; r < FRows; ++r) {
        if (r == before) rows.push_back(copy ? r : -1);
        rows.push_back(r);
    }
    if (before == FRows) rows.push_back(-1);
    for (Column& c : FCols)
        Rebuild(c, rows);
    ++FRows;
}

void CsvImportSheet::EmptyColumn(int col) {
    Column& c = FCols[size_t(col)];
    c.values = std::make_shared<const TCSVValues>();
    c.edits.clear();
    c.head[int(HeadRow::Constraint)].clear();
    c.head[int(HeadRow::Flags)] = kFlagsEmpty;
}

void CsvImportSheet::ChangeCase(int col, CaseChange change) {
    Transform(col, [change](const QString& s) {
        switch (change) {
        case CaseChange::Upper:
            return s.toUpper();
        case CaseChange::Lower:
            return s.toLower();
        case CaseChange::Title:
            break;
        }
        return TitleCase(s);
    });
}

void CsvImportSheet::AddText(int col, const QString& prefix, const QString& suffix) {
    Transform(col, [&](const QString& s) { return prefix + s + suffix; });
}

void CsvImportSheet::InsertText(int col, const QString& text, qint64 position) {
    if (position <= 0) return;
    Transform(col, [&](const QString& s) {
        if (position - 1 >= s.size()) return s + text;
        QString r = s;
        r.insert(qsizetype(position - 1), text);
        return r;
    });
}

void CsvImportSheet::ReplaceText(int col, const QString& find, const QString& with) {
    if (find.isEmpty() || find == with) return;
    Transform(col, [&](const QString& s) {
        QString r = s;
        return r.replace(find, with, Qt::CaseInsensitive);
    });
}

void CsvImportSheet::Sort(int col, bool ascending, SortMode mode) {
    const Column& c = FCols[size_t(col)];
    if (mode == SortMode::Auto) {
        const QString type = c.head[int(HeadRow::Type)];
        mode = type == kTypeInteger || type == kTypeReal ? SortMode::Numeric : SortMode::Alpha;
    }
    std::vector<qsizetype> rows(static_cast<size_t>(FRows));
    for (qsizetype r = 0; r < FRows; ++r)
        rows[size_t(r)] = r;
    if (mode == SortMode::Numeric) {
        std::vector<long double> keys(static_cast<size_t>(FRows));
        for (qsizetype r = 0; r < FRows; ++r)
            keys[size_t(r)] = NumberOf(View(c, r).toString());
        std::stable_sort(rows.begin(), rows.end(), [&](qsizetype a, qsizetype b) {
            return ascending ? keys[size_t(a)] < keys[size_t(b)]
                             : keys[size_t(b)] < keys[size_t(a)];
        });
    } else {
        QStringList keys;
        keys.reserve(FRows);
        for (qsizetype r = 0; r < FRows; ++r)
            keys << View(c, r).toString();
        std::stable_sort(rows.begin(), rows.end(), [&](qsizetype a, qsizetype b) {
            const int cmp = keys[a].compare(keys[b], Qt::CaseInsensitive);
            return ascending ? cmp < 0 : cmp > 0;
        });
    }
    for (Column& k : FCols)
        Rebuild(k, rows);
}

bool CsvImportSheet::DeleteColumn(int col) {
    if (ColumnCount() < 3 || col < 0 || col >= ColumnCount()) return false;
    FCols.erase(FCols.begin() + col);
    return true;
}

bool CsvImportSheet::DeleteRow(qsizetype row) {
    if (FRows <= 1 || row < 0 || row >= FRows) return false;
    std::vector<qsizetype> rows;
    rows.reserve(size_t(FRows) - 1);
    for (qsizetype r = 0; r < FRows; ++r)
        if (r != row) rows.push_back(r);
    for (Column& c : FCols)
        Rebuild(c, rows);
    --FRows;
    return true;
}

void CsvImportSheet::MoveColumn(int from, int to) {
    if (from < 0 || to < 0 || from >= ColumnCount() || to >= ColumnCount() || from == to) return;
    if (from < to)
        std::rotate(FCols.begin() + from, FCols.begin() + from + 1, FCols.begin() + to + 1);
    else
        std::rotate(FCols.begin() + to, FCols.begin() + from, FCols.begin() + from + 1);
}

void CsvImportSheet::Shrink() {
    FCols.clear();
    FCols.resize(3);
    for (int k = 0; k < 3; ++k) {
        FCols[size_t(k)].head[int(HeadRow::Header)] = QChar(u'A' + k);
        FCols[size_t(k)].head[int(HeadRow::Name)] = QChar(u'A' + k);
        FCols[size_t(k)].head[int(HeadRow::Flags)] = kFlagsEmpty;
    }
    FRows = 1;
}

// --- validation

QString CsvImportSheet::DuplicateColumnError() const {
    QSet<QString> seen;
    for (const Column& c : FCols) {
        QString reduced;
        for (QChar ch : c.head[int(HeadRow::Name)]) {
            const char16_t u = ch.unicode();
            if ((u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
                u == u'_')
                reduced += ch;
        }
        if (reduced.isEmpty()) reduced = c.head[int(HeadRow::Header)];
        const QString key = reduced.toCaseFolded();
        if (seen.contains(key)) return kDuplicateColumn + u'"' + reduced + u'"';
        seen.insert(key);
    }
    return QString();
}

} // namespace sky
