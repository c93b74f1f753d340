#pragma once

#include <QByteArray>
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

    // Takes from `other` only the fields still missing here, so that the first
    // service that knew a field keeps it. Empty values are never taken.
    void fillMissing(const QMap<QString, QString>& other, const QString& from);
    bool has(const QString& field) const { return !fields.value(field).isEmpty(); }
};

} // namespace lookup
