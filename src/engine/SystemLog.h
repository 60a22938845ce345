// The process-wide system log: at most 1024 lines of
// "[yyyy-mm-dd hh:nn:ss.zzz] LABEL       : message", filtered by LogLevel.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

enum class TLogKind { System, Error, Interface, Query, Application, Unknown };

constexpr int kMaxLogLines = 1024;
constexpr int kMaxLogQueryChars = 200;

// Writes one entry when the current log level lets it through. `code` is the
// engine's error code of an Error entry (a zero code is written as SYSTEM).
void WriteLog(TLogKind kind, const QString& message, int code = 0);

// The line as it is stored, with the given time stamp text.
QString FormatLogLine(const QString& stamp, TLogKind kind, const QString& message, int code = 0);

void LogApplication(const QString& message);
// Appends all log lines to dest; empties the log when bClear.
void GetLogLines(QStringList& dest, bool bClear);
bool HasLogLines();

int LogLevel();
void SetLogLevel(int level);

} // namespace sky
