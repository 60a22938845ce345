// The table page's operations on the workspace: each runs through TableOps
// and the page, tree and status follow its outcome.
#include "workspace/WorkspaceController.h"

namespace sky {

void WorkspaceController::TableCommand(TableCommandKind kind) {
    (void)kind;
}

} // namespace sky
