// The import commands: CSV text into a new or an existing table.
#include "cli/CliFamilies.h"

namespace sky::cli {

std::span<const CliCommand* const> ImportCommands() {
    return {};
}

} // namespace sky::cli
