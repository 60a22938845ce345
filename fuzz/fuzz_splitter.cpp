// Fuzzes the SQL script splitter in both whitespace modes, read whole and
// in pieces, and the one-line flattener, and checks properties that hold for
// every input, with the engine's own completeness check (sqlite3_complete)
// as the oracle for statement boundaries.
#include "engine/ScriptSplitter.h"
#include "engine/SqlLexer.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sqlite3.h>

namespace {

// True when s is empty or neither starts nor ends with one of the engine's blanks.
bool IsTrimmed(const QString& s) {
    return s.isEmpty() || (!sky::IsSqlBlank(s.front()) && !sky::IsSqlBlank(s.back()));
}

QString Trim(QStringView s) {
    qsizetype b = 0, e = s.size();
    while (b < e && sky::IsSqlBlank(s[b]))
        ++b;
    while (e > b && sky::IsSqlBlank(s[e - 1]))
        --e;
    return s.mid(b, e - b).toString();
}

// True when nothing but ";" can end or reshape a statement: no comment
// markers, quotes, brackets, line breaks or trigger keywords.
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
    for (const char* word : {"TRIGGER", "END"})
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

// The engine's verdict on text followed by a line break and ";" (so a last
// statement without its ";", or ending in a line comment, counts as ended).
bool EngineComplete(const QString& text) {
    const QByteArray utf8 = text.toUtf8() + "\n;";
    return sqlite3_complete(utf8.constData()) != 0;
}

void CheckStatements(const sky::SplitResult& r, bool compareWithEngine) {
    for (const QString& s : r.statements) {
        Check(!s.isEmpty() && IsTrimmed(s));
        // Every statement ends where the engine says one ends: a statement
        // cut too early (a trigger body at a stray END) is incomplete to it.
        if (compareWithEngine) Check(EngineComplete(s));
    }
    Check(IsTrimmed(r.tail));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // The engine's check reads a C string: it ends at the first NUL.
    const bool compareWithEngine = !text.contains(QChar(0));

    const sky::SplitResult both = sky::SplitSqlScript(text, true);
    const sky::SplitResult right = sky::SplitSqlScript(text, false);
    const QString flat = sky::FlattenFirstStatement(text);

    CheckStatements(both, compareWithEngine);
    CheckStatements(right, compareWithEngine);
    Check(IsTrimmed(flat));

    // The whitespace mode changes line texts only, never the boundaries.
    Check(both.statements.size() == right.statements.size());
    Check(both.tail == right.tail);

    // A script split without an unfinished tail is complete to the engine.
    if (compareWithEngine && both.tail.isEmpty() && !both.statements.isEmpty())
        Check(EngineComplete(text));

    // Running the statements one after another gives the same boundaries:
    // the statements joined again split into themselves.
    if (compareWithEngine && both.tail.isEmpty()) {
        const sky::SplitResult again =
            sky::SplitSqlScript(both.statements.join(QStringLiteral("\n")), true);
        Check(again.statements == both.statements);
        Check(again.tail.isEmpty());
    }

    // Read in pieces (of a size the input picks), the script splits alike.
    if (!text.isEmpty()) {
        const qsizetype piece = 1 + qsizetype(data[0] % 16);
        qsizetype at = 0;
        const sky::ScriptReadMore readMore = [&](QString& buffer) {
            if (at >= text.size()) return false;
            buffer += QStringView(text).sliced(at, std::min(piece, text.size() - at));
            at += piece;
            return true;
        };
        sky::SplitResult pieces;
        sky::SplitSqlScriptEach(
            readMore, true,
            [&](QString&& s) {
                pieces.statements.append(std::move(s));
                return true;
            },
            &pieces.tail);
        Check(pieces.statements == both.statements);
        Check(pieces.tail == both.tail);
    }

    if (IsPlain(text)) {
        const QStringList expected = PlainStatements(text);
        Check(both.statements == expected);
        Check(right.statements == expected);
        Check(both.tail.isEmpty());
        Check(flat == (expected.isEmpty() ? QString() : expected.front()));
    }
    return 0;
}
