// The Italian labels of the fields for the card and the grid, as the catalogue
// names them.
#include "cardlabels.h"

#include "fieldschema.h"

QString fieldLabel(const QString& name)
{
    return QString::fromStdString(catalogue::fieldLabelOf(name.toStdString()));
}
