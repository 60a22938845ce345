#include "support/Settings.h"

#include "support/Folders.h"
#include "support/TextFile.h"

#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sky {
namespace {

bool UpperLess(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

// Index of the first line beginning with KEY= (ignoring case), or -1.
qsizetype FindKey(const SettingList& list, const QString& key) {
    const QString prefix = key + QLatin1Char('=');
    if (list.sorted) {
        // Bisection to the first line not below the prefix; it is the only
        // candidate in a sorted list.
        auto it = std::lower_bound(list.lines.begin(), list.lines.end(), prefix, UpperLess);
        if (it != list.lines.end() && it->startsWith(prefix, Qt::CaseInsensitive))
            return it - list.lines.begin();
        return -1;
    }
    for (qsizetype i = 0; i < list.lines.size(); ++i)
        if (list.lines[i].startsWith(prefix, Qt::CaseInsensitive)) return i;
    return -1;
}

bool IsSorted(const QStringList& lines) {
    return std::is_sorted(lines.begin(), lines.end(), UpperLess);
}

SettingList& ScratchList() {
    static SettingList scratch;
    return scratch;
}

struct Config {
    SettingList list;
    bool changed = false;
};

Config& TheConfig() {
    static Config config;
    return config;
}

} // namespace

QString NormalizeKey(QStringView text) {
    QString r;
    const QList<uint> points = text.trimmed().toUcs4();
    for (uint cp : points) {
        const bool ascii =
            (cp >= '0' && cp <= '9') || (cp >= 'A' && cp <= 'Z') || (cp >= 'a' && cp <= 'z');
        if (!ascii && (cp < 128 || !QChar::isLetterOrNumber(cp))) continue;
        const char32_t up = QChar::toUpper(cp);
        r += QString::fromUcs4(&up, 1);
    }
    return r;
}

QString ListFileName(const QString& settingsDir, const QString& name) {
    const QString key = NormalizeKey(name);
    if (key.isEmpty() || settingsDir.isEmpty()) return QString();
    return settingsDir + QStringLiteral("DataSet_") + key + QStringLiteral(".dblst");
}

bool ListSave(const QStringList& lines, const QString& name, const QString& settingsDir) {
    const QString file = ListFileName(settingsDir, name);
    if (file.isEmpty()) return false;
    QByteArray bytes;
    for (const QString& l : lines) {
        bytes += l.toUtf8();
        bytes += "\r\n";
    }
    return WriteFileAtomic(file, bytes);
}

bool ListLoad(QStringList& lines, const QString& name, const QString& settingsDir) {
    lines.clear();
    const QString file = ListFileName(settingsDir, name);
    if (file.isEmpty() || !QFile::exists(file)) return false;
    QString text;
    if (!ReadTextFile(file, text)) return false;
    lines = SplitListText(text);
    return true;
}

QStringList SplitListText(const QString& text) {
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(breaks);
    // The line end of the last line leaves one empty piece.
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

SettingList SettingListFromLines(const QStringList& lines) {
    SettingList l;
    l.lines = lines;
    l.sorted = IsSorted(lines);
    return l;
}

bool ListSave(const SettingList& list, const QString& name) {
    return ListSave(list.lines, name, SettingsDir());
}

bool ListLoad(SettingList& list, const QString& name) {
    const bool ok = ListLoad(list.lines, name, SettingsDir());
    list.sorted = IsSorted(list.lines);
    return ok;
}

bool ListSave(const QStringList& lines, const QString& name) {
    return ListSave(lines, name, SettingsDir());
}

bool ListLoad(QStringList& lines, const QString& name) {
    return ListLoad(lines, name, SettingsDir());
}

double TextToNumber(QStringView text) {
    static const QRegularExpression plain(
        QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)([eE][+-]?\\d+)?$"));
    const QString t = text.trimmed().toString();
    auto parse = [](const QString& s, double& v) {
        if (!plain.match(s).hasMatch()) return false;
        const QByteArray b = s.toLatin1();
        char* end = nullptr;
        v = std::strtod(b.constData(), &end);
        return end && *end == 0 && std::isfinite(v);
    };
    double v = 0;
    if (parse(t, v)) return v;
    QString cleaned;
    if (t.contains(QLatin1Char('-'))) cleaned += QLatin1Char('-');
    bool dot = false, exp = false;
    for (QChar c : t) {
        if (c >= u'0' && c <= u'9') {
            cleaned += c;
        } else if (c == u'.' && !dot) {
            cleaned += c;
            dot = true;
        } else if ((c == u'e' || c == u'E') && !exp) {
            cleaned += QLatin1Char('E');
            exp = true;
        }
    }
    if (cleaned.endsWith(QLatin1Char('E'))) cleaned.chop(1);
    if (cleaned.isEmpty() || cleaned == QLatin1String("-")) cleaned = QStringLiteral("0");
    return parse(cleaned, v) ? v : 0;
}

QString NumberToText(double value) {
    if (!std::isfinite(value)) return QStringLiteral("0");
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

void KVPut(SettingList& list, const QString& key, const QString& text) {
    const QString k = NormalizeKey(key);
    if (k.isEmpty() || text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'))) return;
    const QString line = k + QLatin1Char('=') + text;
    const QString prefix = k + QLatin1Char('=');
    // A key holds one value: other lines of the key (a hand-edited file may
    // repeat it) go, so the value put is the value read.
    const qsizetype first = FindKey(list, k);
    for (qsizetype i = list.lines.size() - 1; i >= 0; --i)
        if (i != first && list.lines[i].startsWith(prefix, Qt::CaseInsensitive))
            list.lines.removeAt(i);
    const qsizetype at = FindKey(list, k);
    if (at >= 0) {
        if (!list.sorted) {
            list.lines[at] = line; // a file's own order is kept
            return;
        }
        list.lines.removeAt(at); // re-inserted at its sorted place below
    }
    if (!list.sorted) {
        std::stable_sort(list.lines.begin(), list.lines.end(), UpperLess);
        list.sorted = true;
    }
    auto it = std::upper_bound(list.lines.begin(), list.lines.end(), line, UpperLess);
    list.lines.insert(it, line);
}

void KVPutNum(SettingList& list, const QString& key, double number) {
    KVPut(list, key, NumberToText(number));
}

void KVPutBool(SettingList& list, const QString& key, bool flag) {
    KVPut(list, key, flag ? QStringLiteral("1") : QStringLiteral("0"));
}

QString KVGet(const SettingList& list, const QString& key, const QString& def) {
    const QString k = NormalizeKey(key);
    if (k.isEmpty()) return def;
    const qsizetype at = FindKey(list, k);
    if (at < 0) return def;
    return list.lines[at].mid(k.size() + 1).trimmed();
}

double KVGetNumber(const SettingList& list, const QString& key, double min, double max,
                   double def) {
    const QString text = KVGet(list, key, QString());
    if (text.isEmpty()) return def;
    double v = TextToNumber(text);
    if (min != max) {
        if (v < min && (min != 0 || min < max)) v = min;
        if (v > max && (max != 0 || min < max)) v = max;
    }
    return v;
}

int KVGetInt(const SettingList& list, const QString& key, int def, int min, int max) {
    const double v = std::nearbyint(KVGetNumber(list, key, min, max, def));
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return int(v);
}

bool KVGetBool(const SettingList& list, const QString& key, bool def) {
    const double v = std::nearbyint(KVGetNumber(list, key, 0, 1, -1));
    if (v < 0) return def;
    return v > 0;
}

void KVPutList(SettingList& list, const QString& key, const QStringList& lines) {
    QStringList parts;
    for (const QString& l : lines) {
        QString t = l.trimmed();
        if (t.isEmpty()) continue;
        // "; " would read as a separator: it is written ";." (";." is kept).
        QString out = t;
        out.replace(QStringLiteral("; "), QStringLiteral(";."));
        parts.append(out);
    }
    KVPut(list, key, parts.join(QStringLiteral("; ")));
}

void KVGetList(const SettingList& list, const QString& key, QStringList& lines, bool clearFirst) {
    if (clearFirst) lines.clear();
    const QString value = KVGet(list, key, QString());
    if (value.isEmpty()) return;
    for (const QString& piece : value.split(QStringLiteral("; "))) {
        QString p = piece;
        p.replace(QStringLiteral(";."), QStringLiteral("; "));
        lines.append(p);
    }
}

void PlacementSave(SettingList& list, const QString& key, PlacementWindow& window) {
    SettingList& s = ScratchList();
    s.clear();
    const bool maximized = window.IsMaximized();
    KVPut(s, QStringLiteral("STATE"),
          maximized ? QStringLiteral("Maximized") : QStringLiteral("Normal"));
    if (maximized) window.ShowNormal();
    const QRect g = window.Geometry();
    const QList<QRect> monitors = window.Monitors();
    int m = window.MonitorIndex();
    if (m < 0 || m >= monitors.size()) m = 0;
    const QRect mon = monitors.isEmpty() ? QRect() : monitors[m];
    KVPutNum(s, QStringLiteral("LEFT"), g.left() - mon.left());
    KVPutNum(s, QStringLiteral("TOP"), g.top() - mon.top());
    KVPutNum(s, QStringLiteral("WIDTH"), g.width());
    KVPutNum(s, QStringLiteral("HEIGHT"), g.height());
    KVPutNum(s, QStringLiteral("MONITOR"), m);
    if (maximized) window.ShowMaximized();
    KVPutList(list, key, s.lines);
}

void PlacementRestore(const SettingList& list, const QString& key, PlacementWindow& window,
                      bool positionOnly) {
    SettingList& s = ScratchList();
    s.clear();
    KVGetList(list, key, s.lines, true);
    if (s.lines.isEmpty()) return;
    s.sorted = IsSorted(s.lines);
    window.ShowNormal();
    QRect g = window.Geometry();
    const QList<QRect> monitors = window.Monitors();
    const QList<QRect> areas = window.WorkAreas();
    if (monitors.isEmpty()) return;
    int current = window.MonitorIndex();
    if (current < 0 || current >= monitors.size()) current = 0;
    const QRect area = current < areas.size() ? areas[current] : monitors[current];
    int width = g.width(), height = g.height();
    if (!positionOnly) {
        width = KVGetInt(s, QStringLiteral("WIDTH"), width, window.MinimumWidth(), area.width());
        height =
            KVGetInt(s, QStringLiteral("HEIGHT"), height, window.MinimumHeight(), area.height());
    }
    int m = KVGetInt(s, QStringLiteral("MONITOR"), -1, 0, 0);
    if (m < 0 || m >= monitors.size()) m = 0;
    const QRect mon = monitors[m];
    int top = mon.top() + KVGetInt(s, QStringLiteral("TOP"), g.top() - mon.top(), 0, 0);
    int left = mon.left() + KVGetInt(s, QStringLiteral("LEFT"), g.left() - mon.left(), 0, 0);
    // The upper limit wins for a window larger than the monitor.
    top = std::min(std::max(top, mon.top()), mon.top() + mon.height() - height);
    left = std::min(std::max(left, mon.left()), mon.left() + mon.width() - width);
    window.SetGeometry(QRect(left, top, width, height));
    if (KVGet(s, QStringLiteral("STATE"), QString()).left(3).toUpper() == QLatin1String("MAX"))
        window.ShowMaximized();
}

SettingList& SystemConfig() {
    return TheConfig().list;
}

bool SystemConfigChanged() {
    return TheConfig().changed;
}

void CfgLoad() {
    Config& c = TheConfig();
    ListLoad(c.list, QStringLiteral("SystemConfig"));
    c.changed = false;
}

bool CfgFlush() {
    Config& c = TheConfig();
    bool ok = true;
    if (c.changed) ok = ListSave(c.list, QStringLiteral("SystemConfig"));
    c.changed = false;
    return ok;
}

void CfgPut(const QString& key, const QString& text) {
    KVPut(TheConfig().list, key, text);
    TheConfig().changed = true;
}

void CfgPutNum(const QString& key, double number) {
    KVPutNum(TheConfig().list, key, number);
    TheConfig().changed = true;
}

void CfgPutBool(const QString& key, bool flag) {
    KVPutBool(TheConfig().list, key, flag);
    TheConfig().changed = true;
}

void CfgPutPlacement(const QString& key, PlacementWindow& window) {
    PlacementSave(TheConfig().list, key, window);
    TheConfig().changed = true;
}

QString CfgGet(const QString& key, const QString& def) {
    return KVGet(TheConfig().list, key, def);
}

int CfgGetInt(const QString& key, int def, int min, int max) {
    return KVGetInt(TheConfig().list, key, def, min, max);
}

bool CfgGetBool(const QString& key, bool def) {
    return KVGetBool(TheConfig().list, key, def);
}

void CfgGetPlacement(const QString& key, PlacementWindow& window, bool positionOnly) {
    PlacementRestore(TheConfig().list, key, window, positionOnly);
}

} // namespace sky
