#include "engine/UpdateRegistry.h"

#include "support/TextUtil.h"

#include <algorithm>

namespace sky {

UpdateRegistry& UpdateRegistry::Instance() {
    static UpdateRegistry r;
    return r;
}

void UpdateRegistry::Add(TSQLite3Database* db, const void* owner, TSQLiteUpdateCallback cb,
                         const QString& table, const QString& schema) {
    auto e = std::make_shared<Entry>();
    e->key = (schema + QLatin1Char('.') + table).toUpper();
    e->reg = std::make_shared<TSQlite3CallbackClass>();
    e->reg->DB = schema;
    e->reg->Table = table;
    e->reg->SQLDB = db;
    e->reg->Callback = std::move(cb);
    e->reg->Owner = owner;
    FEntries.push_back(std::move(e));
}

bool UpdateRegistry::RemoveOwner(TSQLite3Database* db, const void* owner) {
    auto match = [&](const std::shared_ptr<Entry>& e) {
        return e->reg->SQLDB == db && e->reg->Owner == owner;
    };
    const auto before = FEntries.size();
    FEntries.erase(std::remove_if(FEntries.begin(), FEntries.end(), match), FEntries.end());
    FPending.erase(std::remove_if(FPending.begin(), FPending.end(), match), FPending.end());
    return FEntries.size() != before;
}

void UpdateRegistry::RemoveConnection(TSQLite3Database* db) {
    auto match = [&](const std::shared_ptr<Entry>& e) { return e->reg->SQLDB == db; };
    FEntries.erase(std::remove_if(FEntries.begin(), FEntries.end(), match), FEntries.end());
    FPending.erase(std::remove_if(FPending.begin(), FPending.end(), match), FPending.end());
}

void UpdateRegistry::Notify(TSQLite3Database* db, int op, const QString& schema,
                            const QString& table, qint64 rowid) {
    if (FEntries.empty()) return;
    const QString key = (TrimText(schema) + QLatin1Char('.') + TrimText(table)).toUpper();
    for (const auto& e : FEntries) {
        // Only the registrations of the connection that made the change.
        if (e->reg->SQLDB != db || e->key != key) continue;
        e->reg->UpdCount += 1;
        if (!e->pending) {
            e->pending = true;
            e->reg->UpdKind = op;
            e->reg->rowID = rowid;
            FPending.push_back(e);
            FHasPending = true;
        }
    }
}

void UpdateRegistry::Dispatch() {
    if (!FHasPending) return;
    FHasPending = false;
    // Callbacks may hook, unhook or close: work on a copy, and skip entries
    // removed meanwhile.
    std::vector<std::shared_ptr<Entry>> pending;
    pending.swap(FPending);
    for (const auto& e : pending) {
        e->pending = false;
        const bool stillRegistered =
            std::find(FEntries.begin(), FEntries.end(), e) != FEntries.end();
        if (!stillRegistered) continue;
        try {
            if (e->reg->Callback) e->reg->Callback(e->reg.get());
        } catch (...) {
        }
        e->reg->UpdCount = 0;
    }
}

} // namespace sky
