// What the workspace and the command line ask of the table designer: edit a
// layout and hand it back when the user accepts. The designer window
// implements it; tests and the command line script it.
#pragma once

#include "design/TableLayout.h"

namespace sky {

class TSQLite3Database;

class TableDesignerPort {
public:
    virtual ~TableDesignerPort() = default;
    // Shows the designer for the layout (read from the table OldName when
    // set) and returns true, with the edited layout and its column map
    // (convTableAlteredCols), when the user accepted. allowTemplates: a new
    // table (the template box and the table options can be used).
    virtual bool GetDesignerTableLayout(TTableLayout& layout, TSQLite3Database* db,
                                        bool allowTemplates) = 0;
};

} // namespace sky
