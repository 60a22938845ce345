// Rename rewrites: when a table or its columns get new names, its
// constraints, indexes and triggers are rewritten to the new names before
// the table is rebuilt. Conversions are lines old=new; whole identifier
// tokens are replaced (bare or quoted, ignoring case; never inside literals
// or comments), all at once, so a swap of two names works.
#pragma once

#include "design/TableLayout.h"

#include <QString>
#include <QStringList>

namespace sky {

QString RenameIdentifiers(const QString& text, const QStringList& conversions);
// Each: false for an empty new table name; the table name becomes newTable.
bool reassignIndex(TIndexLayout& i, const QString& newTable, const QStringList& conversions);
bool reassignTrigger(TTriggerLayout& t, const QString& newTable, const QStringList& conversions);
bool reassignFKey(TFKeyLayout& k, const QString& newTable, const QStringList& conversions);
// True when an index or trigger still names the old table or an old column.
bool checkTableDependantsDiffer(const TTableLayout& t);
// Rewrites constraints, indexes and triggers to the layout's names; false
// when a rewrite failed.
bool convTableDependants(TTableLayout& t);

} // namespace sky
