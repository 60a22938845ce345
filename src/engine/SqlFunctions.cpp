// The system's own scalar SQL functions: the registration table and the text,
// hash, encoding and similarity families (date and math live in
// SqlFunctionsDate.cpp and SqlFunctionsMath.cpp).
#include "engine/SqlFunctions.h"

#include "support/Codec.h"
#include "support/TextFile.h"
#include "support/TextUtil.h"

#include <QStringList>
#include <sqlite3.h>

#include <cmath>
#include <cstdlib>
#include <exception>

namespace sky::sqlfn {

// Shared argument and result helpers (also used by the date and math files).
QString ArgText(sqlite3_value* v) {
    const void* p = sqlite3_value_text16(v);
    if (!p) return QString();
    const int bytes = sqlite3_value_bytes16(v);
    return QString::fromUtf16(static_cast<const char16_t*>(p), bytes / 2);
}

// Text results go back as UTF-8: the engine drops a leading byte-order mark
// from UTF-16 results, which would change texts that start with U+FEFF.
void ResultText(sqlite3_context* ctx, const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    sqlite3_result_text(ctx, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void ResultError(sqlite3_context* ctx, const char* text) {
    sqlite3_result_error(ctx, text, -1);
}

void ResultError(sqlite3_context* ctx, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_result_error(ctx, utf8.constData(), int(utf8.size()));
}

// Callbacks defined in the other files of this module.
void DateFmtFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void MathFunc0(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void MathFunc1(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void MathFunc2(sqlite3_context* ctx, int argc, sqlite3_value** argv);
void MathFunc3(sqlite3_context* ctx, int argc, sqlite3_value** argv);

namespace {

int Code(sqlite3_context* ctx) {
    return int(reinterpret_cast<std::intptr_t>(sqlite3_user_data(ctx)));
}

// The UTF-8 bytes of a text argument (NULL reads as empty).
QByteArray ArgBytes(sqlite3_value* v) {
    const unsigned char* p = sqlite3_value_text(v);
    if (!p) return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(p), sqlite3_value_bytes(v));
}

QString Latin1Text(const QByteArray& b) {
    return QString::fromLatin1(b);
}

// Decoded bytes as text: UTF-8 when valid, else each byte as Windows-1252.
// A leading byte-order mark is kept as a character so that decoding always
// gives back exactly the text that was encoded.
QString BytesToText(const QByteArray& bytes) {
    // A leading ASCII character keeps the decoder from dropping a mark; the
    // bytes are valid UTF-8 exactly when re-encoding gives them back.
    const QByteArray marked = '\x01' + bytes;
    const QString text = QString::fromUtf8(marked);
    if (text.toUtf8() == marked) return text.mid(1);
    return DecodeCp1252(bytes);
}

// Runs a callback body, turning any exception into the function's error text.
template <typename F> void Guarded(sqlite3_context* ctx, const char* internalError, F&& body) {
    try {
        body();
    } catch (...) {
        ResultError(ctx, internalError);
    }
}

// --- text family

void TitleCaseFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guarded(ctx, "Internal titlecase() function error", [&] {
        if (argc == 0) return ResultError(ctx, "titlecase() call without parameters");
        QStringList pieces;
        for (int i = 0; i < argc; ++i) {
            QString s = TrimText(ArgText(argv[i]));
            if (s.isEmpty()) continue;
            for (qsizetype k = 0; k < s.size(); ++k) {
                const bool start = k == 0 || s[k - 1] == QLatin1Char(' ');
                s[k] = start ? s[k].toUpper() : s[k].toLower();
            }
            pieces << s;
        }
        ResultText(ctx, pieces.join(QLatin1Char(' ')));
    });
}

void ConcatFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guarded(ctx, "Internal concat() function error", [&] {
        if (argc == 0)
            return ResultError(ctx, "concat() must specify at least 1 item to concatenate");
        QString r;
        for (int i = 0; i < argc; ++i)
            r += ArgText(argv[i]);
        ResultText(ctx, r);
    });
}

void ConcatWsFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guarded(ctx, "Internal concat_ws() function error", [&] {
        if (argc < 2)
            return ResultError(
                ctx, "concat_ws() must specify a separator and at least 1 item to concatenate");
        const QString sep = ArgText(argv[0]);
        QString r = ArgText(argv[1]);
        for (int i = 2; i < argc; ++i)
            r += sep + ArgText(argv[i]);
        ResultText(ctx, r);
    });
}

void EltFunc(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    Guarded(ctx, "Internal elt() function error", [&] {
        if (argc < 2) return ResultError(ctx, "elt() call with less than 2 parameters");
        bool ok = false;
        qint64 k = TrimText(ArgText(argv[0])).toLongLong(&ok);
        if (!ok) k = -1;
        if (k <= 0)
            return ResultError(ctx, "elt() - Index must be >= 1. (First element is at Index 1)");
        if (k > argc - 1)
            return ResultError(ctx, QStringLiteral("elt() - Index (%1) is higher than number of "
                                                   "elements (%2)")
                                        .arg(k)
                                        .arg(argc - 1));
        ResultText(ctx, ArgText(argv[k]));
    });
}

void IfFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guarded(ctx, "Internal if() function error", [&] {
        // 64-bit read so that large values are not cut to their low 32 bits.
        ResultText(ctx, ArgText(sqlite3_value_int64(argv[0]) != 0 ? argv[1] : argv[2]));
    });
}

// --- hash family

void AdlerFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guarded(ctx, "Internal adler32() function error", [&] {
        const auto start = static_cast<uint32_t>(sqlite3_value_int64(argv[1]));
        ResultText(ctx, QString::number(Adler32(ArgBytes(argv[0]), start)));
    });
}

void DigestFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    switch (Code(ctx)) {
    case 0:
        return Guarded(ctx, "Internal md5() function error",
                       [&] { ResultText(ctx, MD5Hex(ArgBytes(argv[0]))); });
    case 1:
        return Guarded(ctx, "Internal sha1() function error",
                       [&] { ResultText(ctx, SHA1Hex(ArgBytes(argv[0]))); });
    default:
        return Guarded(ctx, "Internal sha256() function error",
                       [&] { ResultText(ctx, SHA256Hex(ArgBytes(argv[0]))); });
    }
}

// --- encoding family

void Base64Func(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guarded(ctx, "Internal base64() function error", [&] {
        const QByteArray in = ArgBytes(argv[0]);
        if (Code(ctx) == 0) return ResultText(ctx, Latin1Text(Base64Encode(in)));
        QByteArray out;
        if (!Base64Decode(in, out)) return ResultError(ctx, "Invalid base64() format");
        ResultText(ctx, BytesToText(out));
    });
}

void EncoderFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guarded(ctx, "Internal encode()/decode() function error", [&] {
        const QByteArray in = ArgBytes(argv[0]);
        const QByteArray pass = ArgBytes(argv[1]);
        if (Code(ctx) == 0) return ResultText(ctx, Latin1Text(PackText(in, pass)));
        QByteArray out;
        if (!UnpackText(in, out, pass)) return ResultError(ctx, "Invalid Encoder format");
        ResultText(ctx, BytesToText(out));
    });
}

// --- similarity family

// Characters of the second text that look like a character of the first.
QStringView LookAlikes(QChar x) {
    switch (x.unicode()) {
    case '!':
        return u"1IL";
    case '$':
        return u"%S";
    case '%':
        return u"$&8S";
    case '&':
        return u"%@";
    case '-':
        return u"=~";
    case '/':
        return u"7Z\\";
    case '0':
        return u"8CDOQ";
    case '1':
        return u"!7IL";
    case '2':
        return u"9?LZ";
    case '3':
        return u"8BE";
    case '4':
        return u"AH";
    case '5':
        return u"8S";
    case '6':
        return u"8CG";
    case '7':
        return u"/19TZ";
    case '8':
        return u"%0369B";
    case '9':
        return u"7?PQ";
    case '=':
        return u"-~";
    case '@':
        return u"&A";
    case 'A':
        return u"4@D";
    case 'B':
        return u"38D";
    case 'C':
        return u"0DEGO";
    case 'D':
        return u"0ABDO";
    case 'E':
        return u"3CF";
    case 'F':
        return u"ET";
    case 'G':
        return u"6CQ";
    case 'H':
        return u"4N";
    case 'I':
        return u"!1JL";
    case 'J':
        return u"I";
    case 'K':
        return u"X";
    case 'L':
        return u"!12I";
    case 'N':
        return u"H";
    case 'O':
        return u"0CDQ";
    case 'P':
        return u"9D";
    case 'Q':
        return u"0DGO";
    case 'S':
        return u"$%5";
    case 'T':
        return u"7FI";
    case 'U':
        return u"VY";
    case 'V':
        return u"U";
    case 'X':
        return u"*K";
    case 'Y':
        return u"7V";
    case 'Z':
        return u"/27?";
    case '\\':
        return u"/S";
    case '~':
        return u"-=";
    default:
        return {};
    }
}

double Similarity(const QString& a, const QString& b) {
    // Single-character upper-casing keeps every position where it was.
    auto upper = [](QString s) {
        for (QChar& c : s)
            c = c.toUpper();
        return s;
    };
    const QString A = upper(TrimText(a));
    const QString B = upper(TrimText(b));
    const qsizetype n = std::min(A.size(), B.size());
    if (n == 0) return 0;
    // Zero-based position p of a text; positions outside count as absent.
    auto at = [](const QString& s, qsizetype p, QChar c) {
        return p >= 0 && p < s.size() && s[p] == c;
    };
    int score = 0;
    for (qsizetype p = 0; p < n; ++p) {
        const QChar x = A[p], y = B[p];
        if (x == y)
            score += 4;
        else if ((at(B, p - 1, x) && at(B, p + 1, x)) || (at(A, p - 1, y) && at(A, p + 1, y)))
            score += 3;
        else if (at(B, p - 1, x) || at(B, p + 1, x) || at(A, p - 1, y) || at(A, p + 1, y))
            score += 2;
        else if (at(B, p - 2, x) || at(B, p + 2, x) || at(A, p - 2, y) || at(A, p + 2, y))
            score += 1;
        else if (LookAlikes(x).contains(y))
            score += 2;
    }
    return score / (double(std::abs(A.size() - B.size())) * 1.5 + double(n) * 4);
}

void SimilarFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    Guarded(ctx, "Internal similar() / similarity() function error", [&] {
        const double s = Similarity(ArgText(argv[0]), ArgText(argv[1]));
        if (Code(ctx) == 1) return sqlite3_result_double(ctx, s);
        sqlite3_result_int(ctx, s >= sqlite3_value_double(argv[2]) ? 1 : 0);
    });
}

using TCallback = void (*)(sqlite3_context*, int, sqlite3_value**);

struct TFunctionDef {
    const char* name;
    int args;
    int code;
    TCallback func;
};

// Registration order matters only for reporting: the first failure stops.
constexpr TFunctionDef kFunctions[] = {
    {"titlecase", -1, 0, TitleCaseFunc},
    {"concat_ws", -1, 0, ConcatWsFunc},
    {"concat", -1, 0, ConcatFunc},
    {"elt", -1, 0, EltFunc},
    {"if", 3, 0, IfFunc},
    {"datefmt", 2, 0, DateFmtFunc},
    {"adler", 2, 0, AdlerFunc},
    {"md5", 1, 0, DigestFunc},
    {"sha1", 1, 1, DigestFunc},
    {"sha256", 1, 2, DigestFunc},
    {"base64", 1, 0, Base64Func},
    {"base64dec", 1, 1, Base64Func},
    {"encode", 2, 0, EncoderFunc},
    {"decode", 2, 1, EncoderFunc},
    {"similar", 3, 0, SimilarFunc},
    {"similarity", 2, 1, SimilarFunc},
    {"pi", 0, 0, MathFunc0},
    {"e", 0, 1, MathFunc0},
    {"minfloat", 0, 2, MathFunc0},
    {"maxfloat", 0, 3, MathFunc0},
    {"sqr", 1, 0, MathFunc1},
    {"sqrt", 1, 1, MathFunc1},
    {"degtorad", 1, 2, MathFunc1},
    {"radtodeg", 1, 3, MathFunc1},
    {"gradtorad", 1, 4, MathFunc1},
    {"radtograd", 1, 5, MathFunc1},
    {"radtocycle", 1, 6, MathFunc1},
    {"cycletorad", 1, 7, MathFunc1},
    {"loge", 1, 8, MathFunc1},
    {"lognxp1", 1, 9, MathFunc1},
    {"log10", 1, 10, MathFunc1},
    {"log2", 1, 11, MathFunc1},
    {"sin", 1, 12, MathFunc1},
    {"cos", 1, 13, MathFunc1},
    {"tan", 1, 14, MathFunc1},
    {"cot", 1, 15, MathFunc1},
    {"sec", 1, 16, MathFunc1},
    {"cosec", 1, 17, MathFunc1},
    {"ceil", 1, 18, MathFunc1},
    {"floor", 1, 19, MathFunc1},
    {"inv", 1, 20, MathFunc1},
    {"sign", 1, 21, MathFunc1},
    {"arcsin", 1, 22, MathFunc1},
    {"arccos", 1, 23, MathFunc1},
    {"arctan", 1, 24, MathFunc1},
    {"arccot", 1, 25, MathFunc1},
    {"arcsec", 1, 26, MathFunc1},
    {"arccosec", 1, 27, MathFunc1},
    {"fract", 1, 28, MathFunc1},
    {"trunc", 1, 29, MathFunc1},
    {"exp", 1, 30, MathFunc1},
    {"div", 2, 0, MathFunc2},
    {"remainder", 2, 1, MathFunc2},
    {"hypot", 2, 2, MathFunc2},
    {"log", 2, 3, MathFunc2},
    {"power", 2, 4, MathFunc2},
    {"iszero", 2, 5, MathFunc2},
    {"trunc", 2, 6, MathFunc2},
    {"iscloseto", 3, 0, MathFunc3},
};

} // namespace
} // namespace sky::sqlfn

namespace sky {

bool RegisterExtensionFunctions(sqlite3* db) {
    if (!db) return false;
    // UTF-8 registration: every callback reads its arguments in the form it
    // needs, so the results are the same as with UTF-16. No deterministic
    // flag, so the functions are not accepted in indexes or generated columns;
    // innocuous (they read only their arguments), so views and triggers may
    // use them even when the schema is not trusted.
    for (const auto& f : sqlfn::kFunctions) {
        const int rc = sqlite3_create_function_v2(
            db, f.name, f.args, SQLITE_UTF8 | SQLITE_INNOCUOUS,
            reinterpret_cast<void*>(std::intptr_t(f.code)), f.func, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return false;
    }
    return true;
}

} // namespace sky
