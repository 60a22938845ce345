// Process-wide start of the engine layer: shared cache off and the engine's
// error log routed to the system log. Runs once, before the first connection.
#pragma once

namespace sky {
void EnsureEngineStarted();
}
