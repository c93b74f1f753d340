// The Italian labels of the standard fields, one table for the card and the grid.
#include "cardlabels.h"

#include "columnname.h"

#include <QHash>

QString fieldLabel(const QString& name)
{
    static const QHash<QString, QString> labels{
        {QStringLiteral("iddorvo"), QStringLiteral("N.")},
        {QStringLiteral("autore"), QStringLiteral("Autore")},
        {QStringLiteral("titolo"), QStringLiteral("Titolo")},
        {QStringLiteral("genere"), QStringLiteral("Genere")},
        {QStringLiteral("anno"), QStringLiteral("Anno")},
        {QStringLiteral("editore"), QStringLiteral("Editore")},
        {QStringLiteral("isbn"), QStringLiteral("ISBN")},
        {QStringLiteral("collana"), QStringLiteral("Collana")},
        {QStringLiteral("numero"), QStringLiteral("Numero")},
        {QStringLiteral("lingua"), QStringLiteral("Lingua")},
        {QStringLiteral("pagine"), QStringLiteral("Pagine")},
        {QStringLiteral("collocazione"), QStringLiteral("Collocazione")},
        {QStringLiteral("letto"), QStringLiteral("Letto")},
        {QStringLiteral("voto"), QStringLiteral("Voto")},
        {QStringLiteral("note"), QStringLiteral("Note")},
        {QStringLiteral("prestato_a"), QStringLiteral("Prestato a")},
        {QStringLiteral("prestato_il"), QStringLiteral("Prestato il")},
        {QStringLiteral("aggiunto_il"), QStringLiteral("Aggiunto il")},
    };
    return labels.value(columnNameKey(name), name);
}
