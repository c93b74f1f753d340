#pragma once

#include <QString>

#include "value.h"

// How a cell reads on screen, in the editor and on the clipboard: numbers without
// grouping, text as stored, NULL as nothing.
QString cellText(const catalogue::Value& value);
