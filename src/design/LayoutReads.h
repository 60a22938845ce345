// The layouts of many ordinary tables of one catalogue read side by side on
// the machine's cores: parsing is most of the work of a schema refresh or
// of a script of every table. Runs take blocks of consecutive tables from a
// shared counter until none are left, each with its own layout, and use
// only the catalogue's const lookups (LayoutFromCatalogue). A small schema
// is read on the calling thread alone.
#pragma once

#include "design/TableLayout.h"
#include "engine/Catalogue.h"

#include <functional>
#include <vector>

namespace sky {

// What a run does with each table it read: its position in the list and its
// layout (the run's own, reused for the run's next table). It may touch only
// state of its own run or of that position.
using TLayoutSink = std::function<void(qsizetype, TTableLayout&)>;

// Reads tables through LayoutFromCatalogue; makeRun is called once per run,
// on that run's thread, and gives the run's sink. Returns per table whether
// it was read and given to a sink. The others (another form of text, a name
// that is not valid UTF-8, a run out of memory) are left to the caller,
// typically for convDBTableToLayout on the calling thread.
std::vector<char> ReadLayoutsSideBySide(const TSchemaCatalogue& cat,
                                        const QList<const TCatalogueEntry*>& tables,
                                        const QString& schema,
                                        const std::function<TLayoutSink()>& makeRun);

} // namespace sky
