#pragma once

#include "servicefinding.h"

#include <QByteArray>
#include <QMap>

namespace lookup {

// Reads Open Library's replies: the Books API (several ISBNs in one reply), the
// edition record of one ISBN, and an author's record. Wrong types read as absent.
class OpenLibraryReader {
public:
    // One finding for each ISBN asked, keyed by its 13 digits; with `readable`
    // false on each when the reply was not the JSON expected.
    static QMap<QString, ServiceFinding> books(const QByteArray& json, const QStringList& isbns, const QUrl& coversBase);
    static ServiceFinding edition(const QByteArray& json, const QString& isbn13, const QUrl& coversBase);
    // The name of an author's record; empty when unreadable.
    static QString authorName(const QByteArray& json);
    // "{COVERS}/b/id/ID-M.jpg" for a cover's number.
    static QUrl coverById(const QUrl& coversBase, qint64 id);
};

} // namespace lookup
