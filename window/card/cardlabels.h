#pragma once

#include <QString>

class QLabel;
class QWidget;

// The Italian label of a field on the book card: "Anno", "Prestato il", "N." for
// the key; a field of one's own keeps its name.
QString fieldLabel(const QString& name);

// The card's label of field `name`, the buddy of `editor`. A name too long for the
// card (another program's column of a thousand characters) is cut with "…" and
// shown whole in the label's tooltip, so every editor keeps its room.
QLabel* cardLabel(const QString& name, QWidget* editor);
