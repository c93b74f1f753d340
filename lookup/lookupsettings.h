#pragma once

#include <QString>
#include <QUrl>

class QSettings;

namespace lookup {

// Where the bibliographic services are asked, and whether they are asked at all.
// The environment variables DORVI_SBN_URL, DORVI_OPENLIBRARY_URL,
// DORVI_GOOGLEBOOKS_URL and DORVI_COVERS_URL win over the settings, so that a
// test can point every service at a server of its own.
struct LookupSettings {
    QUrl sbn{QStringLiteral("https://opac.sbn.it/opacmobilegw")};
    QUrl openLibrary{QStringLiteral("https://openlibrary.org")};
    QUrl googleBooks{QStringLiteral("https://www.googleapis.com/books/v1")};
    QUrl covers{QStringLiteral("https://covers.openlibrary.org")};
    bool enabled = true;
    // True when any address was changed from the real service's: links found in
    // replies are then followed only to those addresses' hosts, so that a test or
    // a mirror never sends the program to the real services behind its back.
    bool redirected = false;

    // Reads the "ricerca_isbn/..." keys (attiva, sbn, openlibrary, googlebooks,
    // copertine), then the environment.
    static LookupSettings read(const QSettings& settings);
    // The defaults with only the environment applied.
    static LookupSettings fromEnvironment();

    // Whether a link found in a reply (a cover's address) may be followed.
    bool mayFollow(const QUrl& link) const;
    // `path` appended to `base`, keeping base's own path ("/books/v1" + "/volumes").
    static QUrl under(const QUrl& base, const QString& path);
};

} // namespace lookup
