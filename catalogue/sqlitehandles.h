#pragma once

// The handles with the engine's interface beside them, for the sources that call
// the engine themselves. A header that only holds a handle includes handletypes.h.
#include "handletypes.h"

#include <sqlite3.h>
