#pragma once

#include <QString>

class QLabel;
class QWidget;

// The card's label of field `name`, the buddy of `editor`. A name too long for the
// card (another program's column of a thousand characters) is cut with "…" and
// shown whole in the label's tooltip, so every editor keeps its room.
QLabel* cardLabel(const QString& name, QWidget* editor);
