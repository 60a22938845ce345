// Process-wide start of the engine layer: shared cache off and the engine's
// error log routed to the system log. Runs once, before the first connection.
#pragma once

namespace sky {
void EnsureEngineStarted();

// Leaves the engine's memory statistics out for the whole process: every
// allocation the engine makes then skips the statistics' lock and counters,
// and the memory figures of the run statistics (memUsed, memAllocations)
// stay 0. The engine's heap limits (PRAGMA soft_heap_limit and
// hard_heap_limit) rest on those statistics and are then not enforced. For a
// process that never shows the figures (the command line); it must come
// before the engine starts, and returns false when it is too late.
bool DisableEngineMemoryStatistics();
} // namespace sky
