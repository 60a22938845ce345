// The data commands: the data editor's loading, edits and commit.
#include "cli/CliFamilies.h"

namespace sky::cli {

std::span<const CliCommand* const> DataCommands() {
    return {};
}

} // namespace sky::cli
