#pragma once

// The owned handles, for the sources that hold a connection or a statement. The
// engine's own interface is included only by the catalogue's sources, never by a
// header: whatever is built on the catalogue sees the handles by name alone.
#include "handletypes.h"
