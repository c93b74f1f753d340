#pragma once

#include <QString>

// The Italian label of a field on the book card and in the tooltip of the grid's
// heading: "Anno", "Prestato il", "N." for the key; a field of one's own keeps its name.
QString fieldLabel(const QString& name);
