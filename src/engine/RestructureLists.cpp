// The restructure's inputs: the column and index lists read as CSV records
// or lines, and the check of a column's type text.
#include "engine/CsvFields.h"
#include "engine/Restructure.h"
#include "engine/RestructureRead.h"
#include "engine/SqlLexer.h"
#include "support/Csv.h"
#include "support/TextUtil.h"

namespace sky {
namespace {

using restructure::InQuotes;

const QString kTypeWordStart = QStringLiteral("a word must start with a letter");
const QString kTypeConstraint = QStringLiteral("%1 starts a constraint, not a type");
const QString kTypeCharacter = QStringLiteral("%1 cannot appear in a type");
const QString kTypeNoWord = QStringLiteral("the size list must follow a type name");
const QString kTypeNumber = QStringLiteral("the size list holds one or two signed numbers");
const QString kTypeTrailing = QStringLiteral("nothing may follow the size list");
const QString kTypeOpen = QStringLiteral("the size list is not closed");
const QString kTypeControl = QStringLiteral("a control character");
const QString kTypeLineBreak = QStringLiteral("a line break");
const QString kUnterminated = QStringLiteral("Column list: ");
const QString kIndexUnterminated = QStringLiteral("Index list: ");

// Words that begin a column constraint: after them the text is no longer a type.
bool IsConstraintWord(QStringView w) {
    static const char* const words[] = {"CONSTRAINT", "PRIMARY",   "NOT",     "NULL",
                                        "UNIQUE",     "CHECK",     "DEFAULT", "COLLATE",
                                        "REFERENCES", "GENERATED", "AS"};
    for (const char* k : words)
        if (SqlWordIs(w, k)) return true;
    return false;
}

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A number as the engine reads one: decimal digits with an optional
// fraction and exponent, or a hexadecimal integer.
bool IsNumberText(QStringView s) {
    if (s.size() > 2 && s[0] == QLatin1Char('0') &&
        (s[1] == QLatin1Char('x') || s[1] == QLatin1Char('X'))) {
        for (qsizetype i = 2; i < s.size(); ++i)
            if (!IsDigit(s[i]) && !(s[i] >= QLatin1Char('a') && s[i] <= QLatin1Char('f')) &&
                !(s[i] >= QLatin1Char('A') && s[i] <= QLatin1Char('F')))
                return false;
        return true;
    }
    qsizetype i = 0, digits = 0;
    while (i < s.size() && IsDigit(s[i]))
        ++i, ++digits;
    if (i < s.size() && s[i] == QLatin1Char('.')) {
        ++i;
        while (i < s.size() && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        if (i < s.size() && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-'))) ++i;
        const qsizetype exp = i;
        while (i < s.size() && IsDigit(s[i]))
            ++i;
        if (i == exp) return false;
    }
    return i == s.size();
}

} // namespace

QString ColumnTypeError(QStringView type) {
    SqlLexer lx(type);
    SqlToken tok;
    enum { Words, ListNumber, ListNext, Closed } state = Words;
    int words = 0, numbers = 0;
    while (lx.Next(tok)) {
        const QStringView text = type.mid(tok.pos, tok.len);
        if (tok.kind == SqlTokKind::Space) {
            for (QChar c : text)
                if (c != QLatin1Char(' ') && c != QLatin1Char('\t'))
                    return kTypeCharacter.arg(kTypeControl);
            continue;
        }
        if (tok.kind == SqlTokKind::LineBreak) return kTypeCharacter.arg(kTypeLineBreak);
        switch (state) {
        case Words:
            if (tok.kind == SqlTokKind::Word) {
                if (IsDigit(text[0]) || text[0] == QLatin1Char('$')) return kTypeWordStart;
                if (IsConstraintWord(text)) return kTypeConstraint.arg(text.toString().toUpper());
                ++words;
                continue;
            }
            if (tok.kind == SqlTokKind::Other && text == QLatin1String("(")) {
                if (words == 0) return kTypeNoWord;
                state = ListNumber;
                continue;
            }
            break;
        case ListNumber: {
            // A sign, then the number's pieces up to the next blank, comma
            // or closing parenthesis ("1e-5" arrives as "1e", "-", "5").
            QString number;
            if (tok.kind == SqlTokKind::Other &&
                (text == QLatin1String("+") || text == QLatin1String("-"))) {
                if (!lx.Next(tok)) return kTypeOpen;
            }
            for (;;) {
                const QStringView piece = type.mid(tok.pos, tok.len);
                if (tok.kind != SqlTokKind::Word &&
                    !(tok.kind == SqlTokKind::Other &&
                      (piece == QLatin1String(".") ||
                       ((piece == QLatin1String("+") || piece == QLatin1String("-")) &&
                        (number.endsWith(QLatin1Char('e')) || number.endsWith(QLatin1Char('E')))))))
                    return kTypeNumber;
                number += piece;
                const qsizetype at = lx.Pos();
                if (at >= type.size() || type[at] == QLatin1Char(' ') ||
                    type[at] == QLatin1Char('\t') || type[at] == QLatin1Char(',') ||
                    type[at] == QLatin1Char(')'))
                    break;
                if (!lx.Next(tok)) break;
            }
            if (!IsNumberText(number)) return kTypeNumber;
            ++numbers;
            state = ListNext;
            continue;
        }
        case ListNext:
            if (tok.kind == SqlTokKind::Other && text == QLatin1String(",") && numbers == 1) {
                state = ListNumber;
                continue;
            }
            if (tok.kind == SqlTokKind::Other && text == QLatin1String(")")) {
                state = Closed;
                continue;
            }
            return kTypeNumber;
        case Closed:
            return kTypeTrailing;
        }
        return kTypeCharacter.arg(InQuotes(ShortenText(text.toString(), 40)));
    }
    if (state == ListNumber || state == ListNext) return kTypeOpen;
    return QString();
}

namespace {

// The records of a comma-separated list read by the CSV reader, blanks and
// quotes kept; -1 (with error = prefix + the reader's reason) on a broken
// list. field(col, row) is empty past a record's end.
struct CsvRecords {
    TCSVTableRec table;
    QString Field(int col, int row) const {
        return col < table.Col.size() ? table.Col[col].Row.at(row) : QString();
    }
    int Read(const QString& text, const QString& errorPrefix, QString& error) {
        CSVConfigure(table, false, false, true, false, false, QLatin1Char(','));
        QString copy = text;
        const int rows = CSVRead(copy, table);
        if (table.Cfg.ErrorDescr.isEmpty()) return rows;
        error = errorPrefix + table.Cfg.ErrorDescr;
        return -1;
    }
};

} // namespace

bool ParseStructureCsv(const QString& text, QList<TStructColumn>& columns, QString& error) {
    columns.clear();
    error.clear();
    if (text.isEmpty()) return true;
    CsvRecords csv;
    const int rows = csv.Read(text, kUnterminated, error);
    if (rows < 0) return false;
    const auto field = [&csv](int col, int row) { return csv.Field(col, row); };
    for (int r = 0; r < rows; ++r) {
        TStructColumn c;
        c.name = field(0, r);
        if (c.name.isEmpty()) continue;
        c.type = field(1, r);
        c.primaryKey = TrimText(field(2, r)).toUpper().startsWith(QLatin1String("PRI"));
        columns.append(c);
    }
    return true;
}

namespace {

// Index records into indexes: consecutive records form one index until a
// record with position "1" starts the next.
void AddIndexRecord(QList<TStructIndex>& indexes, const QString& unique, const QString& name,
                    const QString& position, const QString& column) {
    if (indexes.isEmpty() || TrimText(position) == QLatin1String("1")) {
        TStructIndex ix;
        ix.unique = TrimText(unique) == QLatin1String("0");
        ix.name = TrimText(name);
        indexes.append(ix);
    }
    if (!column.isEmpty()) indexes.last().columns.append(column);
}

} // namespace

bool ParseIndexCsv(const QString& text, QList<TStructIndex>& indexes, QString& error) {
    indexes.clear();
    error.clear();
    if (text.isEmpty()) return true;
    CsvRecords csv;
    const int rows = csv.Read(text, kIndexUnterminated, error);
    if (rows < 0) return false;
    const auto field = [&csv](int col, int row) { return csv.Field(col, row); };
    for (int r = 0; r < rows; ++r)
        AddIndexRecord(indexes, field(1, r), field(2, r), field(3, r), field(4, r));
    return true;
}

QList<TStructColumn> StructColumnsFromLines(const QStringList& lines) {
    QList<TStructColumn> columns;
    QStringList fields;
    for (const QString& line : lines) {
        if (SplitCSVFields(line, fields, QLatin1Char(',')) < 3 || fields[0].isEmpty()) continue;
        TStructColumn c;
        c.name = fields[0];
        c.type = fields[1];
        c.primaryKey = TrimText(fields[2]).toUpper().startsWith(QLatin1String("PRI"));
        columns.append(c);
    }
    return columns;
}

QList<TStructIndex> StructIndexesFromLines(const QStringList& lines) {
    QList<TStructIndex> indexes;
    QStringList fields;
    for (const QString& line : lines) {
        if (SplitCSVFields(line, fields, QLatin1Char(',')) < 10) continue;
        AddIndexRecord(indexes, fields[1], fields[2], fields[3], fields[4]);
    }
    return indexes;
}

} // namespace sky
