#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace lookup {

// What one reply of a service said about one ISBN.
struct ServiceFinding {
    bool readable = true;  ///< false when the reply was not the JSON expected (an error page, cut short)
    bool known = false;    ///< the service knows this ISBN
    QMap<QString, QString> fields;
    QList<QUrl> coverLinks;  ///< in order of preference
    QString recordId;        ///< SBN's codiceIdentificativo, to ask for the full record
    QStringList authorKeys;  ///< Open Library's "/authors/OL…A", whose names are asked apart
    // The fields of further records holding the same ISBN and describing another
    // book (another edition or issue); a record that says the same as `fields` is none.
    QList<QMap<QString, QString>> otherEditions;

    // Keeps `other` as a further edition unless it says what `fields` or an edition
    // kept already says.
    void noteEdition(const QMap<QString, QString>& other)
    {
        if (other != fields && !otherEditions.contains(other))
            otherEditions.append(other);
    }
};

} // namespace lookup
