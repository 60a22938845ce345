#include "engine/SystemLog.h"

#include <QDateTime>
#include <deque>
#include <mutex>

namespace sky {
namespace {

struct LogState {
    std::mutex lock;
    std::deque<QString> lines;
    int level = 0;
};

LogState& State() {
    static LogState s;
    return s;
}

QString Label(TLogKind kind, int code) {
    switch (kind) {
    case TLogKind::System:
        return QStringLiteral("SYSTEM");
    case TLogKind::Error:
        return code != 0 ? QStringLiteral("ERROR (%1)").arg(code) : QStringLiteral("SYSTEM");
    case TLogKind::Interface:
        return QStringLiteral("INTERFACE");
    case TLogKind::Query:
        return QStringLiteral("QUERY");
    case TLogKind::Application:
        return QStringLiteral("APPLICATION");
    case TLogKind::Unknown:
        break;
    }
    return QStringLiteral("UNKNOWN");
}

int MinLevel(TLogKind kind) {
    switch (kind) {
    case TLogKind::System:
    case TLogKind::Error:
        return 0;
    case TLogKind::Interface:
        return 1;
    default:
        return 2;
    }
}

} // namespace

QString FormatLogLine(const QString& stamp, TLogKind kind, const QString& message, int code) {
    QString msg = message;
    if (kind == TLogKind::Query && msg.size() > kMaxLogQueryChars)
        msg = msg.left(kMaxLogQueryChars - 3) + QStringLiteral("...");
    QString label = Label(kind, code);
    if (label.size() < 11) label += QString(11 - label.size(), QLatin1Char(' '));
    return QStringLiteral("[") + stamp + QStringLiteral("] ") + label + QStringLiteral(" : ") + msg;
}

void WriteLog(TLogKind kind, const QString& message, int code) {
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    if (s.level < MinLevel(kind)) return;
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
    s.lines.push_back(FormatLogLine(stamp, kind, message, code));
    while (s.lines.size() > size_t(kMaxLogLines))
        s.lines.pop_front();
}

void LogApplication(const QString& message) {
    WriteLog(TLogKind::Application, message);
}

void GetLogLines(QStringList& dest, bool bClear) {
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    for (const QString& l : s.lines)
        dest.append(l);
    if (bClear) s.lines.clear();
}

bool HasLogLines() {
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    return !s.lines.empty();
}

int LogLevel() {
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    return s.level;
}

void SetLogLevel(int level) {
    LogState& s = State();
    std::lock_guard<std::mutex> g(s.lock);
    s.level = level < 0 ? 0 : (level > 2 ? 2 : level);
}

} // namespace sky
