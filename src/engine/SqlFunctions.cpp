#include "engine/SqlFunctions.h"

#include <sqlite3.h>

namespace sky {

bool RegisterExtensionFunctions(sqlite3* db) {
    // The function table is filled in by the SQL functions module; with no
    // functions yet every (zero) registration succeeded.
    return db != nullptr;
}

} // namespace sky
