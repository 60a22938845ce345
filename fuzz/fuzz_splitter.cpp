// Fuzzes the SQL script splitter in both whitespace modes and the one-line
// flattener, and checks properties that hold for every input.
#include "engine/ScriptSplitter.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstddef>
#include <cstdint>

namespace {

bool IsBlank(QChar c) {
    return c.unicode() <= 32;
}

// True when s is empty or neither starts nor ends with a character of code <= 32.
bool IsTrimmed(const QString& s) {
    return s.isEmpty() || (!IsBlank(s.front()) && !IsBlank(s.back()));
}

QString Trim(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b).toString();
}

// True when nothing but ";" can end or reshape a statement: no comment
// markers, quotes, brackets, line breaks or block keywords.
bool IsPlain(const QString& s) {
    for (QChar c : s) {
        switch (c.unicode()) {
        case '-':
        case '/':
        case '\'':
        case '"':
        case '`':
        case '[':
        case '(':
        case '{':
        case '\r':
        case '\n':
            return false;
        default:
            break;
        }
    }
    for (const char* word : {"BEGIN", "CASE", "END"})
        if (s.contains(QLatin1String(word), Qt::CaseInsensitive)) return false;
    return true;
}

// The statements of a plain text: each piece up to and including a ";",
// trimmed, plus the trimmed rest when it is not blank.
QStringList PlainStatements(QStringView s) {
    QStringList r;
    qsizetype from = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char(';')) {
            r.append(Trim(s.mid(from, i + 1 - from)));
            from = i + 1;
        }
    }
    QString rest = Trim(s.mid(from));
    if (!rest.isEmpty()) r.append(std::move(rest));
    return r;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

void CheckStatements(const sky::SplitResult& r) {
    for (const QString& s : r.statements)
        Check(!s.isEmpty() && IsTrimmed(s));
    Check(IsTrimmed(r.tail));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    const sky::SplitResult both = sky::SplitSqlScript(text, true);
    const sky::SplitResult right = sky::SplitSqlScript(text, false);
    const QString flat = sky::FlattenFirstStatement(text);

    CheckStatements(both);
    CheckStatements(right);
    Check(IsTrimmed(flat));

    // The whitespace mode changes line texts only, never the boundaries.
    Check(both.statements.size() == right.statements.size());
    Check(both.tail == right.tail);

    if (IsPlain(text)) {
        const QStringList expected = PlainStatements(text);
        Check(both.statements == expected);
        Check(right.statements == expected);
        Check(both.tail.isEmpty());
        Check(flat == (expected.isEmpty() ? QString() : expected.front()));
    }
    return 0;
}
