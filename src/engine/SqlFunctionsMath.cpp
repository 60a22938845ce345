// The math SQL functions: constants and functions of one, two and three
// arguments. Every argument is read as a double; a non-finite result or an
// integer conversion out of range is reported as the math error, since the
// floating-point operations themselves raise nothing.
#include <QString>
#include <sqlite3.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>

namespace sky::sqlfn {

void ResultText(sqlite3_context* ctx, const QString& s);
void ResultError(sqlite3_context* ctx, const char* text);

namespace {

constexpr const char* kMathError = "Internal Math function error";
constexpr double kPi = std::numbers::pi;

int Code(sqlite3_context* ctx) {
    return int(reinterpret_cast<std::intptr_t>(sqlite3_user_data(ctx)));
}

// Thrown by a computation whose result cannot be represented.
struct TMathFault {};

double Checked(double v) {
    if (!std::isfinite(v)) throw TMathFault{};
    return v;
}

// Integer part of v as a 32-bit integer; outside its range is a fault.
int ToInt32(double v) {
    if (!(v >= double(std::numeric_limits<int32_t>::min()) &&
          v <= double(std::numeric_limits<int32_t>::max())))
        throw TMathFault{};
    return int(v);
}

// trunc(|v|) as an unsigned 64-bit integer; outside its range is a fault.
uint64_t ToUInt64(double v) {
    const double t = std::trunc(std::fabs(v));
    if (!(t < 18446744073709551616.0)) throw TMathFault{};
    return uint64_t(t);
}

// The nearest 64-bit integer (ties to even); outside its range is a fault.
int64_t RoundInt64(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) throw TMathFault{};
    return int64_t(r);
}

template <typename F> void RunMath(sqlite3_context* ctx, F&& body) {
    try {
        body();
    } catch (...) {
        ResultError(ctx, kMathError);
    }
}

double Arg(sqlite3_value** argv, int i) {
    return sqlite3_value_double(argv[i]);
}

// x truncated toward zero to d decimals.
double TruncDecimals(double x, double y) {
    const double d = std::trunc(std::fabs(y));
    if (!(d <= 18) || !(std::fabs(x) < 9223372036854775807.0)) return x;
    int64_t q = 1;
    for (int i = 0; i < int(d); ++i)
        q *= 10;
    if (x > 0) return double(RoundInt64(double(q) * x - 0.499999)) / double(q);
    if (x < 0) return double(RoundInt64(double(q) * x + 0.499999)) / double(q);
    return 0;
}

} // namespace

void MathFunc0(sqlite3_context* ctx, int, sqlite3_value**) {
    switch (Code(ctx)) {
    case 0:
        return sqlite3_result_double(ctx, kPi);
    case 1:
        return sqlite3_result_double(ctx, std::exp(1.0));
    case 2:
        return sqlite3_result_double(ctx, std::numeric_limits<double>::denorm_min());
    default:
        return sqlite3_result_double(ctx, std::numeric_limits<double>::max());
    }
}

void MathFunc1(sqlite3_context* ctx, int, sqlite3_value** argv) {
    RunMath(ctx, [&] {
        const double x = Arg(argv, 0);
        double r = 0;
        switch (Code(ctx)) {
        case 0:
            r = x * x;
            break;
        case 1:
            r = std::sqrt(x);
            break;
        case 2:
            r = x * kPi / 180;
            break;
        case 3:
            r = x * 180 / kPi;
            break;
        case 4:
            r = x * kPi / 200;
            break;
        case 5:
            r = x * 200 / kPi;
            break;
        case 6:
            r = x / (2 * kPi);
            break;
        case 7:
            r = x * 2 * kPi;
            break;
        case 8:
            r = std::log(x);
            break;
        case 9:
            r = std::log1p(x);
            break;
        case 10:
            r = std::log10(x);
            break;
        case 11:
            r = std::log2(x);
            break;
        case 12:
            r = std::sin(x);
            break;
        case 13:
            r = std::cos(x);
            break;
        case 14:
            r = std::tan(x);
            break;
        case 15:
            r = 1 / std::tan(x);
            break;
        case 16:
            r = 1 / std::cos(x);
            break;
        case 17:
            r = 1 / std::sin(x);
            break;
        case 18:
            r = ToInt32(Checked(std::ceil(x)));
            break;
        case 19:
            r = ToInt32(Checked(std::floor(x)));
            break;
        case 20:
            r = 1 / x;
            break;
        case 21:
            return ResultText(ctx, x < 0 ? QStringLiteral("-") : QStringLiteral("+"));
        case 22:
            r = std::asin(x);
            break;
        case 23:
            r = std::acos(x);
            break;
        case 24:
            r = std::atan(x);
            break;
        case 25:
            r = x == 0 ? kPi / 2 : std::atan(1 / x);
            break;
        case 26:
            r = std::acos(1 / x);
            break;
        case 27:
            r = std::asin(1 / x);
            break;
        case 28:
            r = x - std::trunc(x);
            break;
        case 29:
            r = std::trunc(x);
            break;
        default:
            r = std::exp(x);
            break;
        }
        sqlite3_result_double(ctx, Checked(r));
    });
}

void MathFunc2(sqlite3_context* ctx, int, sqlite3_value** argv) {
    RunMath(ctx, [&] {
        const double x = Arg(argv, 0), y = Arg(argv, 1);
        double r = 0;
        switch (Code(ctx)) {
        case 0:
        case 1: {
            const uint64_t a = ToUInt64(x), b = ToUInt64(y);
            if (b == 0) throw TMathFault{};
            r = double(Code(ctx) == 0 ? a / b : a % b);
            break;
        }
        case 2:
            r = std::hypot(x, y);
            break;
        case 3:
            r = std::log(y) / std::log(x);
            break;
        case 4:
            r = std::pow(x, y);
            break;
        case 5:
            return sqlite3_result_int(ctx, std::fabs(x) <= (y == 0 ? 1e-12 : y) ? 1 : 0);
        default:
            r = TruncDecimals(x, y);
            break;
        }
        sqlite3_result_double(ctx, Checked(r));
    });
}

void MathFunc3(sqlite3_context* ctx, int, sqlite3_value** argv) {
    RunMath(ctx, [&] {
        const double x = Arg(argv, 0), y = Arg(argv, 1), eps = Arg(argv, 2);
        sqlite3_result_int(ctx, std::fabs(x - y) <= (eps == 0 ? 1e-16 : eps) ? 1 : 0);
    });
}

} // namespace sky::sqlfn
