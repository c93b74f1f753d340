#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace lookup {

// A book as the services described it: the catalogue's standard field names
// (autore, titolo, editore, anno, pagine, collana, numero, lingua, isbn) mapped to
// the text to write, as if typed. A field no service knew is absent, never empty.
struct BookRecord {
    QMap<QString, QString> fields;
    QString service;   ///< the first service that knew the ISBN, by its name
    QByteArray cover;  ///< JPEG or PNG; empty when no cover was found
    QString coverType; ///< "image/jpeg" or "image/png"; empty without a cover
    // Other editions the first service described under the same ISBN (a reprint,
    // another issue of the same code), each the fields that service gave for it.
    // Empty when the ISBN named one book only.
    QList<QMap<QString, QString>> otherEditions;

    // Takes from `other` only the fields still missing here, so that the first
    // service that knew a field keeps it. Empty values are never taken.
    void fillMissing(const QMap<QString, QString>& other, const QString& from);
    bool has(const QString& field) const { return !fields.value(field).isEmpty(); }
    // The book as edition `index` describes it: 0 is the one in `fields`, 1 the first
    // of `otherEditions`…; the fields that edition lacks are taken from `fields`.
    BookRecord edition(int index) const;
    int editions() const { return 1 + static_cast<int>(otherEditions.size()); }
};

} // namespace lookup
