// The schema check: a plain-text report of likely problems in a database's
// schema (tables without a key, columns whose type, default or collation
// will not behave as written, duplicated key layouts, foreign keys to
// missing or mismatched columns, views that do not compile, refer to
// missing objects or give untyped columns), each a NOTE, WARNING or ERROR,
// with per-object summaries and the totals.
#pragma once

#include "analysis/DbLayout.h"

#include <QStringList>

namespace sky {

// The report of the record (mode 0 only).
QStringList SchemaCheckLines(const TDBLayout& l, int mode = 0);

} // namespace sky
