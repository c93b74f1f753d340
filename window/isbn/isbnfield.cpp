// The ISBN field of Aggiungi da ISBN…: Enter, and the reading of what was typed.
#include "isbnfield.h"

#include "isbn.h"

#include <QKeyEvent>

IsbnField::IsbnField(QWidget* parent) : QLineEdit(parent)
{
    setObjectName(QStringLiteral("isbn"));
    setAccessibleName(QStringLiteral("ISBN da cercare"));
    setAccessibleDescription(QStringLiteral("Scrivi o scansiona l'ISBN, poi Invio"));
}

std::optional<QString> IsbnField::isbn13(const QString& typed, QString& problem)
{
    const catalogue::IsbnReading reading = catalogue::readIsbn(typed.toStdString());
    if (reading.valid())
        return QString::fromStdString(reading.isbn13);
    problem = reading.status == catalogue::IsbnReading::Status::WrongCheckDigit
        ? QStringLiteral("%1 non è un ISBN valido: %2. Controlla le cifre o scansiona di nuovo.")
              .arg(typed, QString::fromStdString(catalogue::isbnProblem(reading)))
        : QStringLiteral("«%1» non è un ISBN: servono 10 o 13 cifre.").arg(typed);
    return std::nullopt;
}

void IsbnField::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        emit entered();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
