// The book card's label of a field: it stays within the card whatever the name
// another program gave a column.
#include "cardlabel.h"

#include "cardlabels.h"

#include <QFontMetrics>
#include <QLabel>

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
