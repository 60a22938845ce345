#include "engine/EngineStartup.h"

#include "engine/SystemLog.h"

#include <QString>
#include <mutex>
#include <sqlite3.h>

namespace sky {
namespace {

void EngineLogCallback(void*, int code, const char* msg) {
    WriteLog(TLogKind::Error, QString::fromUtf8(msg ? msg : ""), code);
}

} // namespace

void EnsureEngineStarted() {
    static std::once_flag once;
    std::call_once(once, [] {
        // The log callback can only be installed before the engine initializes.
        sqlite3_config(SQLITE_CONFIG_LOG, &EngineLogCallback, nullptr);
        sqlite3_enable_shared_cache(0);
        sqlite3_initialize();
    });
}

} // namespace sky
