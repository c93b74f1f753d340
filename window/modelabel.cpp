// The mode label of the window: one small text that follows each write of the
// grid's permissions, which the window always makes all three alike.
#include "modelabel.h"

ModeLabel::ModeLabel(QWidget* parent) : QLabel(parent)
{
    setObjectName(QStringLiteral("lblmodo"));
    setEditing(false);
}

void ModeLabel::setEditing(bool editing)
{
    setText(editing ? QStringLiteral("Modifica") : QStringLiteral("Sola lettura"));
}
