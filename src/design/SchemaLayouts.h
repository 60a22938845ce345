// Transitional: the schema model's headers by concern. Include the one you
// need (TableLayout.h, Constraints.h, IndexTrigger.h, Views.h, Reassign.h).
#pragma once

#include "design/Constraints.h"
#include "design/IndexTrigger.h"
#include "design/Reassign.h"
#include "design/TableLayout.h"
#include "design/Views.h"
