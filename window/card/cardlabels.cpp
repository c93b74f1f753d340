// The book card's labels: the Italian name of each standard field, and a label
// that stays within the card whatever the name another program gave a column.
#include "cardlabels.h"

#include <QFontMetrics>
#include <QHash>
#include <QLabel>

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
    return labels.value(name.toLower(), name);
}

// About 30 characters: "Prestato il" and most names of one's own fields fit whole.
constexpr int labelCharacters = 30;

QLabel* cardLabel(const QString& name, QWidget* editor)
{
    auto* label = new QLabel;
    const QString text = fieldLabel(name);
    const QFontMetrics metrics(label->font());
    const QString shown = metrics.elidedText(text, Qt::ElideRight, metrics.averageCharWidth() * labelCharacters);
    if (shown != text)
        label->setToolTip(text);
    // An ampersand in a name is shown, not taken for the label's shortcut.
    QString escaped = shown;
    label->setText(escaped.replace(QLatin1Char('&'), QStringLiteral("&&")) + QLatin1Char(':'));
    label->setBuddy(editor);
    return label;
}
