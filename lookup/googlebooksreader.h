#pragma once

#include "servicefinding.h"

#include <QByteArray>

namespace lookup {

// Reads Google Books' `volumes?q=isbn:` reply. Google sometimes answers with
// another book, so only a volume whose identifiers hold the ISBN asked is used.
class GoogleBooksReader {
public:
    static constexpr int maxEditions = 9;
    // The first volume holding `isbn13`; the further ones are its other editions.
    static ServiceFinding volumes(const QByteArray& json, const QString& isbn13);
};

} // namespace lookup
