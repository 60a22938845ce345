#include "engine/EngineStartup.h"

#include "engine/SystemLog.h"

#include <QString>
#include <atomic>
#include <mutex>
#include <sqlite3.h>

namespace sky {
namespace {

std::atomic<bool> engineStarted{false};

void EngineLogCallback(void*, int code, const char* msg) {
    WriteLog(TLogKind::Error, QString::fromUtf8(msg ? msg : ""), code);
}

} // namespace

void EnsureEngineStarted() {
    static std::once_flag once;
    std::call_once(once, [] {
        engineStarted = true;
        // The log callback can only be installed before the engine initializes.
        sqlite3_config(SQLITE_CONFIG_LOG, &EngineLogCallback, nullptr);
        sqlite3_enable_shared_cache(0);
        sqlite3_initialize();
    });
}

bool DisableEngineMemoryStatistics() {
    // Once started the engine refuses the change (and would log the misuse).
    if (engineStarted) return false;
    return sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
}

} // namespace sky
