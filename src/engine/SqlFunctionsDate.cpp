// datefmt(value, format): reads a date text or a date serial (days since
// 1899-12-30, fraction = time of day) and formats it with the format
// language of the system's date formatter, using the system locale's names,
// standard forms and separators.
#include "engine/Identifiers.h"
#include "support/TextUtil.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>
#include <sqlite3.h>

#include <cmath>

namespace sky::sqlfn {

QString ArgText(sqlite3_value* v);
void ResultText(sqlite3_context* ctx, const QString& s);
void ResultError(sqlite3_context* ctx, const char* text);
void ResultError(sqlite3_context* ctx, const QString& text);

namespace {

constexpr qint64 kMsPerDay = 86400000;

struct TDateValue {
    QDate date;
    qint64 ms = 0; // time of day
};

bool Field(const QString& s, int from, int len, int lo, int hi, int& v) {
    bool ok = false;
    v = s.mid(from, len).toInt(&ok);
    return ok && v >= lo && v <= hi;
}

// "yyyy-mm-dd" or "yyyy-mm-dd hh:nn:ss" (separators not examined); a day
// beyond the month's end rolls into the next month, second 60 into the
// next minute.
bool ParseDateText(const QString& s, TDateValue& out) {
    int y, m, d, h = 0, n = 0, sec = 0;
    if (!Field(s, 0, 4, 1, 9998, y) || !Field(s, 5, 2, 1, 12, m) || !Field(s, 8, 2, 1, 31, d))
        return false;
    if (s.size() == 19 &&
        (!Field(s, 11, 2, 0, 23, h) || !Field(s, 14, 2, 0, 59, n) || !Field(s, 17, 2, 0, 60, sec)))
        return false;
    out.date = QDate(y, m, 1).addDays(d - 1);
    out.ms = ((qint64(h) * 60 + n) * 60 + sec) * 1000;
    if (out.ms >= kMsPerDay) {
        out.ms -= kMsPerDay;
        out.date = out.date.addDays(1);
    }
    return out.date.isValid();
}

// A text of number characters only, read as a date serial within years 1-9999.
bool ParseSerial(const QString& s, TDateValue& out) {
    if (s.isEmpty() || CleanNumberText(s) != s) return false;
    bool ok = false;
    double v = QLocale().toDouble(s, &ok);
    if (!ok) v = QLocale::c().toDouble(s, &ok);
    // Years 1..9999 lie within about 2.96 million days of the base date.
    if (!ok || !std::isfinite(v) || std::fabs(v) > 4e6) return false;
    const double days = std::trunc(v);
    qint64 ms = std::llround(std::fabs(v - days) * double(kMsPerDay));
    qint64 dayCount = qint64(days);
    if (ms >= kMsPerDay) {
        ms -= kMsPerDay;
        dayCount += v < 0 ? -1 : 1;
    }
    out.date = QDate(1899, 12, 30).addDays(dayCount);
    out.ms = ms;
    return out.date.isValid() && out.date.year() >= 1 && out.date.year() <= 9999;
}

// First separator character of a locale format, or the fallback.
QString SeparatorOf(const QString& format, QChar fallback) {
    bool quoted = false;
    for (QChar c : format) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (quoted || c.isLetter() || c.isSpace() || c == QLatin1Char('\'')) continue;
        return QString(c);
    }
    return QString(fallback);
}

// The locale's long time form without any time-zone part.
QString LongTime(const QLocale& loc, const QTime& t) {
    QString f = loc.timeFormat(QLocale::LongFormat);
    f.remove(QLatin1Char('t'));
    return TrimText(loc.toString(t, TrimText(f)));
}

qsizetype RunLength(const QString& f, qsizetype i) {
    const QChar c = f[i].toLower();
    qsizetype k = i;
    while (k < f.size() && f[k].toLower() == c)
        ++k;
    return k - i;
}

QString Pad(int v, int width) {
    return QStringLiteral("%1").arg(v, width, 10, QLatin1Char('0'));
}

QString FormatDate(const TDateValue& v, const QString& format) {
    const QLocale loc = QLocale::system();
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(v.ms));
    const QString lower = format.toLower();
    const bool twelveHour =
        lower.contains(QStringLiteral("am/pm")) || lower.contains(QStringLiteral("a/p"));
    QString r;
    for (qsizetype i = 0; i < format.size();) {
        const QChar ch = format[i];
        const char16_t c = ch.toLower().unicode();
        const qsizetype run = RunLength(format, i);
        switch (c) {
        case u'"':
        case u'\'': {
            const qsizetype end = format.indexOf(ch, i + 1);
            const qsizetype stop = end < 0 ? format.size() : end;
            r += format.mid(i + 1, stop - i - 1);
            i = end < 0 ? format.size() : end + 1;
            continue;
        }
        case u'c':
            r += loc.toString(v.date, QLocale::ShortFormat);
            if (v.ms != 0) r += QLatin1Char(' ') + LongTime(loc, time);
            i += 1;
            continue;
        case u'd':
            if (run == 1)
                r += QString::number(v.date.day());
            else if (run == 2)
                r += Pad(v.date.day(), 2);
            else if (run == 3)
                r += loc.dayName(v.date.dayOfWeek(), QLocale::ShortFormat);
            else if (run == 4)
                r += loc.dayName(v.date.dayOfWeek(), QLocale::LongFormat);
            else if (run == 5)
                r += loc.toString(v.date, QLocale::ShortFormat);
            else
                r += loc.toString(v.date, QLocale::LongFormat);
            break;
        case u'm':
            if (run == 1)
                r += QString::number(v.date.month());
            else if (run == 2)
                r += Pad(v.date.month(), 2);
            else if (run == 3)
                r += loc.monthName(v.date.month(), QLocale::ShortFormat);
            else
                r += loc.monthName(v.date.month(), QLocale::LongFormat);
            break;
        case u'y':
            r += run <= 2 ? Pad(v.date.year() % 100, 2) : Pad(v.date.year(), 4);
            break;
        case u'h': {
            int h = time.hour();
            if (twelveHour) h = h % 12 == 0 ? 12 : h % 12;
            r += run == 1 ? QString::number(h) : Pad(h, 2);
            break;
        }
        case u'n':
            r += run == 1 ? QString::number(time.minute()) : Pad(time.minute(), 2);
            break;
        case u's':
            r += run == 1 ? QString::number(time.second()) : Pad(time.second(), 2);
            break;
        case u'z':
            r += run == 1 ? QString::number(time.msec()) : Pad(time.msec(), 3);
            break;
        case u't':
            r += run == 1 ? loc.toString(time, QLocale::ShortFormat) : LongTime(loc, time);
            break;
        case u'a':
            // am/pm and a/p keep the letter case written in the format.
            if (lower.mid(i, 5) == QStringLiteral("am/pm")) {
                r += time.hour() < 12 ? format.mid(i, 2) : format.mid(i + 3, 2);
                i += 5;
                continue;
            }
            if (lower.mid(i, 3) == QStringLiteral("a/p")) {
                r += time.hour() < 12 ? format.mid(i, 1) : format.mid(i + 2, 1);
                i += 3;
                continue;
            }
            r += ch;
            i += 1;
            continue;
        case u'/':
            r += SeparatorOf(loc.dateFormat(QLocale::ShortFormat), QLatin1Char('/'));
            i += 1;
            continue;
        case u':':
            r += SeparatorOf(loc.timeFormat(QLocale::ShortFormat), QLatin1Char(':'));
            i += 1;
            continue;
        default:
            r += ch;
            i += 1;
            continue;
        }
        i += run;
    }
    return r;
}

} // namespace

void DateFmtFunc(sqlite3_context* ctx, int, sqlite3_value** argv) {
    try {
        const QString value = TrimText(ArgText(argv[0]));
        QString format = TrimText(ArgText(argv[1]));
        if (format.isEmpty()) format = QStringLiteral("yyyy\"-\"mm\"-\"dd");
        TDateValue v;
        const bool isDateText =
            (value.size() == 19 || value.size() == 10) && ParseDateText(value, v);
        if (!isDateText && !ParseSerial(value, v))
            return ResultError(ctx, QStringLiteral("datefmt() - Unknown date value: ") + value);
        ResultText(ctx, FormatDate(v, format));
    } catch (...) {
        ResultError(ctx, "Internal datefmt() function error");
    }
}

} // namespace sky::sqlfn
