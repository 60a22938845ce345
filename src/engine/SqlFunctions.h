// The system's own SQL functions, registered on every connection.
#pragma once

struct sqlite3;

namespace sky {
// Registers every function on the handle; true when all registrations succeeded.
bool RegisterExtensionFunctions(sqlite3* db);
} // namespace sky
