#pragma once

#include <QString>

// The Italian label of a field on the book card: "Anno", "Prestato il", "N." for
// the key; a field of one's own keeps its name.
QString fieldLabel(const QString& name);
