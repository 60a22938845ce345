// What the results' actions make of the last run: the SELECT of a view
// made from the results and the name proposed for it.
#pragma once

#include <QString>
#include <QStringList>

namespace sky {

// The view's SELECT: the last successful query (trimmed) when it holds the
// word SELECT, else a SELECT of the table's columns; cut before the first
// statement end (a ";" outside literals, names and comments).
QString ResultsViewSelect(const QString& lastQuery, const QStringList& columns,
                          const QString& table);

// A proposed view name made usable: a leading "." removed, every "." after
// the first turned into "_", "__" collapsed to "_".
QString CleanViewName(const QString& name);

// The name with its trailing number increased by one ("t_View_1" gives
// "t_View_2"; a name without one gets "2").
QString NextNumberedName(const QString& name);

} // namespace sky
