#include "engine/Identifiers.h"

#include "engine/SqlLexer.h"
#include "engine/SqlLiteral.h"
#include "support/TextUtil.h"

#include <QLocale>
#include <cmath>
#include <limits>
#include <sqlite3.h>

namespace sky {
namespace {

bool IsIdentChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

bool IsKeyword(QStringView part) {
    const QByteArray utf8 = part.toUtf8();
    return !utf8.isEmpty() && sqlite3_keyword_check(utf8.constData(), int(utf8.size())) != 0;
}

// A bare part is fine without quotes when it is not empty, does not start
// with a digit, and is no keyword of the engine.
bool PartNeedsQuotes(QStringView part) {
    return part.isEmpty() || (part[0] >= QLatin1Char('0') && part[0] <= QLatin1Char('9')) ||
           IsKeyword(part);
}

bool IsQuoteOpener(QChar c) {
    return c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`') ||
           c == QLatin1Char('[');
}

QChar CloserOf(QChar open) {
    return open == QLatin1Char('[') ? QLatin1Char(']') : open;
}

// Reads one identifier part at p: a quoted section (doubling undone) or bare
// text up to a "." (or the end). Returns the unquoted text; p moves past it.
QString ReadNamePart(QStringView s, qsizetype& p, bool& quoted) {
    quoted = false;
    const qsizetype n = s.size();
    if (p < n && IsQuoteOpener(s[p])) {
        const QChar close = CloserOf(s[p]);
        const bool doubling = s[p] != QLatin1Char('[');
        QString r;
        qsizetype q = p + 1;
        while (q < n) {
            if (s[q] == close) {
                if (doubling && q + 1 < n && s[q + 1] == close) {
                    r += close;
                    q += 2;
                    continue;
                }
                quoted = true;
                p = q + 1;
                return r;
            }
            r += s[q++];
        }
        // No closer: not a quoted part after all.
    }
    const qsizetype start = p;
    while (p < n && s[p] != QLatin1Char('.'))
        ++p;
    return s.mid(start, p - start).toString();
}

QString DoubleQuoted(const QString& s) {
    QString q = s;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// "name=value" split at the first "=".
void SplitPair(const QString& pair, QString& name, QString& value) {
    const qsizetype eq = pair.indexOf(QLatin1Char('='));
    name = eq < 0 ? pair : pair.left(eq);
    value = eq < 0 ? QString() : pair.mid(eq + 1);
}

} // namespace

QString QuoteIdent(const QString& name, bool bSplitDots, bool bForce) {
    bool need = false;
    QString r;
    r.reserve(name.size() + 4);
    qsizetype partStart = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c == QLatin1Char('"')) {
            r += QStringLiteral("\"\"");
            need = true;
        } else if (c == QLatin1Char('.') && bSplitDots) {
            need = need || PartNeedsQuotes(QStringView(name).mid(partStart, i - partStart));
            r += QStringLiteral("\".\"");
            partStart = i + 1;
            need = true;
        } else {
            if (!IsIdentChar(c)) need = true;
            r += c;
        }
    }
    need = need || PartNeedsQuotes(QStringView(name).mid(partStart));
    if (need || bForce) return QLatin1Char('"') + r + QLatin1Char('"');
    return name;
}

QByteArray QuoteIdentBytes(QByteArrayView name) {
    QByteArray r;
    r.reserve(name.size() + 2);
    r += '"';
    for (const char c : name) {
        if (c == '"') r += '"';
        r += c;
    }
    r += '"';
    return r;
}

QString CommentSafeText(QStringView text) {
    static const char digits[] = "0123456789ABCDEF";
    QString r;
    r.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u == '\r') {
            r += QStringLiteral("\\r");
        } else if (u == '\n') {
            r += QStringLiteral("\\n");
        } else if (u < 0x20 || u == 0x7F) {
            r += QStringLiteral("\\x");
            r += QLatin1Char(digits[u >> 4]);
            r += QLatin1Char(digits[u & 15]);
        } else if (u == 0x85 || u == 0x2028 || u == 0x2029) {
            // Line breaks to some readers of text.
            r += QStringLiteral("\\u");
            for (int shift = 12; shift >= 0; shift -= 4)
                r += QLatin1Char(digits[(u >> shift) & 15]);
        } else if (u == '*' && i + 1 < text.size() && text[i + 1] == QLatin1Char('/')) {
            r += QStringLiteral("* ");
        } else {
            r += QChar(u);
        }
    }
    return r;
}

QString CommentSafeName(const QString& name) {
    return CommentSafeText(QuoteIdent(name, false, true));
}

QString StatementTail(QStringView sql) {
    SqlLexer lex(sql);
    SqlToken t, last;
    bool any = false;
    while (lex.Next(t)) {
        // Only a line feed ends a "--" comment for the engine.
        if (t.kind == SqlTokKind::Space ||
            (t.kind == SqlTokKind::LineBreak && any && last.kind == SqlTokKind::LineComment &&
             !sql.mid(t.pos, t.len).contains(QLatin1Char('\n'))))
            continue;
        last = t;
        any = true;
    }
    if (!any) return QString();
    if (last.kind == SqlTokKind::LineComment) return QStringLiteral("\r\n");
    if (last.kind == SqlTokKind::BlockComment && !last.closed) return QStringLiteral("*/");
    return QString();
}

QString QuoteIdentList(const QStringList& names, bool bForce) {
    QStringList quoted;
    quoted.reserve(names.size());
    for (const QString& n : names)
        quoted.append(QuoteIdent(TrimText(n), false, bForce));
    return quoted.join(QStringLiteral(", "));
}

QString UnquoteIdent(const QString& name) {
    const QString t = TrimText(name);
    if (t.isEmpty() || !IsQuoteOpener(t[0])) return t;
    const QChar open = t[0], close = CloserOf(open);
    QString inner = t.mid(1);
    if (inner.endsWith(close)) inner.chop(1);
    if (open != QLatin1Char('[')) inner.replace(QString(2, close), QString(close));
    return inner;
}

QString PragmaArguments(const QString& tableLiteral, const QString& schema) {
    const QString s = UnquoteIdent(schema);
    const QString lower = s.toLower();
    if (lower.isEmpty() || lower == QLatin1String("main"))
        return QLatin1Char('(') + tableLiteral + QLatin1Char(')');
    return QLatin1Char('(') + tableLiteral + QStringLiteral(", ") + QuoteSqlString(s) +
           QLatin1Char(')');
}

bool IsMainSchema(const QString& schema) {
    const QString s = TrimText(schema);
    return s.isEmpty() || s.compare(QLatin1String("main"), Qt::CaseInsensitive) == 0;
}

QString MasterTableOf(const QString& schema) {
    const QString s = UnquoteIdent(schema);
    const QString lower = s.toLower();
    if (lower.isEmpty() || lower == QStringLiteral("main")) return QStringLiteral("sqlite_master");
    if (lower == QStringLiteral("temp")) return QStringLiteral("sqlite_temp_master");
    return QuoteIdent(s) + QStringLiteral(".sqlite_master");
}

QString QualifiedTableName(const QString& fullName) {
    const QString t = TrimText(fullName);
    qsizetype p = 0;
    bool quoted = false;
    QString first = ReadNamePart(t, p, quoted);
    QString schema, table;
    // Blanks between the parts and the dot are allowed.
    qsizetype q = p;
    while (q < t.size() && t[q].unicode() <= 32)
        ++q;
    if (q < t.size() && t[q] == QLatin1Char('.')) {
        schema = quoted ? first : TrimText(first);
        const QString rest = TrimText(QStringView(t).mid(q + 1));
        qsizetype r = 0;
        bool restQuoted = false;
        const QString part = ReadNamePart(rest, r, restQuoted);
        table = restQuoted && TrimText(QStringView(rest).mid(r)).isEmpty() ? part : rest;
    } else {
        table = quoted && TrimText(QStringView(t).mid(p)).isEmpty() ? first : t;
    }
    QString result;
    if (!schema.isEmpty()) result = DoubleQuoted(schema) + QLatin1Char('.');
    if (!table.isEmpty()) result += DoubleQuoted(table);
    return result;
}

int IndexOfName(const QString& name, const QStringList& list) {
    const QString key = TrimText(name).toUpper();
    if (key.isEmpty()) return -1;
    for (qsizetype i = 0; i < list.size(); ++i)
        if (TrimText(list[i]).toUpper() == key) return int(i);
    return -1;
}

QString ConflictClauseWord(TConflictHandler handler) {
    switch (handler) {
    case chCancelConflictingItem:
        return QStringLiteral("IGNORE");
    case chCancelPendingItems:
        return QStringLiteral("FAIL");
    case chCancelAllItems:
        return QStringLiteral("ABORT");
    case chUpdateItemData:
        return QStringLiteral("REPLACE");
    }
    return QStringLiteral("ABORT");
}

QString BuildInsertSQL(const QStringList& pairs, const QString& TableName, const QString& Verb) {
    if (pairs.isEmpty()) return QString();
    QStringList names, values;
    for (const QString& pair : pairs) {
        QString n, v;
        SplitPair(pair, n, v);
        names.append(DoubleQuoted(n));
        values.append(QuoteSqlString(v));
    }
    return Verb + QStringLiteral(" INTO ") + TableName + QStringLiteral(" (") +
           names.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
           values.join(QStringLiteral(", ")) + QStringLiteral(");");
}

QString BuildUpdateSQL(const QStringList& pairs, const QString& TableName,
                       const QString& WhereClause) {
    if (pairs.isEmpty()) return QString();
    QStringList sets;
    for (const QString& pair : pairs) {
        QString n, v;
        SplitPair(pair, n, v);
        sets.append(DoubleQuoted(n) + QLatin1Char('=') + QuoteSqlString(v));
    }
    return QStringLiteral("UPDATE ") + DoubleQuoted(TableName) + QStringLiteral(" SET ") +
           sets.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") + WhereClause +
           QLatin1Char(';');
}

const QString& SQLWordList(int kind) {
    static const QString keywords = QStringLiteral(
        ",ABORT,ACTION,ADD,AFTER,ALL,ALTER,ANALYZE,AND,AS,ASC,ATTACH,AUTOINCREMENT,BEFORE,BEGIN,"
        "BETWEEN,BY,CASCADE,CASE,CAST,CHECK,COLLATE,COLUMN,COMMIT,CONFLICT,CONSTRAINT,CREATE,"
        "CROSS,CURRENT_DATE,CURRENT_TIME,CURRENT_TIMESTAMP,DATABASE,DEFAULT,DEFERRABLE,DEFERRED,"
        "DELETE,DESC,DETACH,DISTINCT,DO,DROP,EACH,ELSE,END,ESCAPE,EXCEPT,EXCLUSIVE,EXISTS,"
        "EXPLAIN,FAIL,FOR,FOREIGN,FROM,FULL,GLOB,GROUP,HAVING,IF,IGNORE,IMMEDIATE,IN,INDEX,"
        "INDEXED,INITIALLY,INNER,INSERT,INSTEAD,INTERSECT,INT,INTEGER,INTO,IS,ISNULL,JOIN,KEY,"
        "LEFT,LIKE,LIMIT,MATCH,NATURAL,NO,NOT,NOTHING,NOTNULL,NULL,OF,OFFSET,ON,OR,ORDER,OUTER,"
        "PLAN,PRAGMA,PRIMARY,QUERY,RAISE,RECURSIVE,REFERENCES,REGEXP,REINDEX,RELEASE,RENAME,"
        "REPLACE,RESTRICT,RIGHT,ROLLBACK,ROW,ROWID,SAVEPOINT,SELECT,SET,TABLE,TEMP,TEMPORARY,"
        "THEN,TO,TRANSACTION,TRIGGER,UNION,UNIQUE,UPDATE,USING,VACUUM,VALUES,VIEW,VIRTUAL,WHEN,"
        "WHERE,WITH,WITHOUT,");
    static const QString types = QStringLiteral(
        ",BIGINT,BINARY,BIT,BLOB,BOOL,BOOLEAN,CHAR,CHARACTER,CLOB,DATE,DATETIME,DATETIME2,"
        "DECIMAL,DOUBLE,ENUM,FIXED,FLOAT,IMAGE,INT,INT1,INT2,INT3,INT4,INT8,INTEGER,LONG,"
        "MEDIUMINT,MEDIUMTEXT,MONEY,NCHAR,NVARCHAR,NTEXT,NUMERIC,REAL,SET,SMALLDATETIME,SMALLINT,"
        "SMALLMONEY,STRING,TEXT,TINYINT,TIME,TIMESTAMP,VARBINARY,VARCHAR,");
    static const QString functions = QStringLiteral(
        ",ABS,AVG,CHANGES,CHAR,COALESCE,COUNT,EVAL,FORMAT,GLOB,GROUP_CONCAT,HEX,IFNULL,INSTR,"
        "JULIANDAY,LAST_INSERT_ROWID,LENGTH,LIKE,LIKELIHOOD,LOAD_EXTENSION,LOWER,LTRIM,MAX,MIN,"
        "NULLIF,PRINTF,QUOTE,RANDOM,RANDOMBLOB,REPLACE,ROUND,RTRIM,SOUNDEX,"
        "SQLITE_COMPILEOPTION_GET,SQLITE_COMPILEOPTION_USED,SQLITE_SOURCE_ID,SQLITE_VERSION,"
        "STRFTIME,SUBSTR,SUM,TOTAL,TOTAL_CHANGES,TRIM,TYPEOF,UNLIKELY,UNICODE,UPPER,ZEROBLOB,");
    static const QString pragmas = QStringLiteral(
        ",APPLICATION_ID,AUTO_VACUUM,AUTOMATIC_INDEX,BUSY_TIMEOUT,CACHE_SIZE,CACHE_SPILL,"
        "CASE_SENSITIVE_LIKE,CHECKPOINT_FULLFSYNC,COLLATION_LIST,COMPILE_OPTIONS,COUNT_CHANGES,"
        "DATA_STORE_DIRECTORY,DATA_VERSION,DATABASE_LIST,DEFAULT_CACHE_SIZE,DEFER_FOREIGN_KEYS,"
        "EMPTY_RESULT_CALLBACKS,ENCODING,FOREIGN_KEY_CHECK,FOREIGN_KEY_LIST,FOREIGN_KEYS,"
        "FREELIST_COUNT,FULL_COLUMN_NAMES,FULLFSYNC,IGNORE_CHECK_CONSTRAINTS,INCREMENTAL_VACUUM,"
        "INDEX_INFO,INDEX_LIST,INTEGRITY_CHECK,JOURNAL_MODE,JOURNAL_SIZE_LIMIT,"
        "LEGACY_FILE_FORMAT,LOCKING_MODE,MAX_PAGE_COUNT,MMAP_SIZE,PAGE_COUNT,PAGE_SIZE,"
        "PARSER_TRACE,QUICK_CHECK,READ_UNCOMMITTED,QUERY_ONLY,RECURSIVE_TRIGGERS,"
        "REVERSE_UNORDERED_SELECTS,SCHEMA_VERSION,SECURE_DELETE,SHORT_COLUMN_NAMES,"
        "SHRINK_MEMORY,SOFT_HEAP_LIMIT,STATS,SYNCHRONOUS,TABLE_INFO,TEMP_STORE,"
        "TEMP_STORE_DIRECTORY,USER_VERSION,VDBE_ADDOPTRACE,VDBE_DEBUG,VDBE_LISTING,VDBE_TRACE,"
        "WAL_AUTOCHECKPOINT,WAL_CHECKPOINT,WRITABLE_SCHEMA,");
    static const QString all = keywords + types.mid(1) + functions.mid(1) + pragmas.mid(1);
    switch (kind) {
    case 0:
        return all;
    case 1:
        return functions;
    case 2:
        return types;
    case 3:
        return pragmas;
    default:
        return keywords;
    }
}

bool IsSQLWord(const QString& word, int kind) {
    const QString w = TrimText(word).toUpper();
    if (w.isEmpty()) return false;
    return SQLWordList(kind).contains(QLatin1Char(',') + w + QLatin1Char(','));
}

QString CleanNumberText(const QString& s) {
    if (s.isEmpty()) return QStringLiteral("0");
    const QChar dec = QLocale().decimalPoint().front();
    QString r;
    if (s.contains(QLatin1Char('-'))) r += QLatin1Char('-');
    bool haveDec = false, haveExp = false;
    for (QChar c : s) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            r += c;
        } else if (c == dec && !haveDec) {
            r += c;
            haveDec = true;
        } else if ((c == QLatin1Char('e') || c == QLatin1Char('E')) && !haveExp) {
            r += QLatin1Char('E');
            haveExp = true;
        }
    }
    if (r.endsWith(QLatin1Char('E'))) r.chop(1);
    if (r.isEmpty() || r == QStringLiteral("-")) return QStringLiteral("0");
    return r;
}

long double NumberOf(const QString& s) {
    bool ok = false;
    const QLocale loc;
    double v = loc.toDouble(TrimText(s), &ok);
    if (!ok) v = QString(TrimText(s)).toDouble(&ok);
    if (!ok) {
        const QString clean = CleanNumberText(s);
        v = loc.toDouble(clean, &ok);
        if (!ok) v = clean.toDouble(&ok);
    }
    return ok ? v : 0;
}

int IntegerOf(const QString& s) {
    const long double v = std::trunc(NumberOf(s));
    if (!(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())) return 0;
    return int(v);
}

} // namespace sky
