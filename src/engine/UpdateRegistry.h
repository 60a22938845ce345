// Process-wide registry of update notifications. The engine's update hook
// only counts changes; callbacks run later from Dispatch(), after the
// statement, never inside the engine.
#pragma once

#include "engine/Database.h"

#include <memory>
#include <vector>

namespace sky {

class UpdateRegistry {
public:
    static UpdateRegistry& Instance();

    void Add(TSQLite3Database* db, const void* owner, TSQLiteUpdateCallback cb,
             const QString& table, const QString& schema);
    bool RemoveOwner(TSQLite3Database* db, const void* owner);
    void RemoveConnection(TSQLite3Database* db);
    // Called by the engine's update hook of connection db.
    void Notify(TSQLite3Database* db, int op, const QString& schema, const QString& table,
                qint64 rowid);
    void Dispatch();
    int Count() const { return int(FEntries.size()); }

private:
    struct Entry {
        QString key; // UPPER(DB + "." + Table)
        std::shared_ptr<TSQlite3CallbackClass> reg;
        bool pending = false;
    };
    std::vector<std::shared_ptr<Entry>> FEntries;
    std::vector<std::shared_ptr<Entry>> FPending;
    bool FHasPending = false;
};

} // namespace sky
