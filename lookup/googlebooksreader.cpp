// Reading Google Books' volumes into the catalogue's fields.
#include "googlebooksreader.h"

#include "fieldtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace lookup {

namespace ft = fieldtext;

namespace {

bool identifies(const QJsonObject& info, const QString& isbn13)
{
    for (const QString& identifier : ft::texts(info.value(QStringLiteral("industryIdentifiers")), QStringLiteral("identifier")))
        if (ft::isbn13(identifier) == isbn13)
            return true;
    return false;
}

QMap<QString, QString> volumeFields(const QJsonObject& info, const QString& isbn13)
{
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("titolo"), ft::title(ft::text(info.value(QStringLiteral("title")))));
    fields.insert(QStringLiteral("autore"), ft::authors(ft::texts(info.value(QStringLiteral("authors")))));
    fields.insert(QStringLiteral("editore"), ft::title(ft::text(info.value(QStringLiteral("publisher")))));
    fields.insert(QStringLiteral("anno"), ft::year(ft::text(info.value(QStringLiteral("publishedDate")))));
    fields.insert(QStringLiteral("pagine"), ft::pages(info.value(QStringLiteral("pageCount"))));
    fields.insert(QStringLiteral("lingua"), ft::language(ft::text(info.value(QStringLiteral("language")))));
    fields.insert(QStringLiteral("isbn"), isbn13);
    return fields;
}

void putVolume(ServiceFinding& finding, const QJsonObject& info, const QString& isbn13)
{
    finding.known = true;
    finding.fields = volumeFields(info, isbn13);
    const QJsonObject links = info.value(QStringLiteral("imageLinks")).toObject();
    for (const char* size : {"medium", "small", "thumbnail", "smallThumbnail"}) {
        QUrl link(ft::text(links.value(QLatin1String(size))));
        // Google names its images over plain http; the same address answers over https.
        if (link.scheme() == QLatin1String("http") && link.host().endsWith(QLatin1String("google.com")))
            link.setScheme(QStringLiteral("https"));
        if (link.isValid() && !link.host().isEmpty()) {
            finding.coverLinks.append(link);
            break;
        }
    }
}

} // namespace

ServiceFinding GoogleBooksReader::volumes(const QByteArray& json, const QString& isbn13)
{
    ServiceFinding finding;
    QJsonParseError error;
    // A UTF-8 byte order mark before the JSON is allowed.
    QByteArray text = json;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    finding.readable = error.error == QJsonParseError::NoError && document.isObject();
    if (!finding.readable)
        return finding;
    const QJsonObject root = document.object();
    // One volume as `volumes/ID` returns it, or a search's list of volumes.
    QJsonArray items = root.value(QStringLiteral("items")).toArray();
    if (root.value(QStringLiteral("volumeInfo")).isObject())
        items.append(root);
    for (const QJsonValue& item : items) {
        const QJsonObject info = item.toObject().value(QStringLiteral("volumeInfo")).toObject();
        if (!identifies(info, isbn13))
            continue;
        if (!finding.known)
            putVolume(finding, info, isbn13);
        else if (finding.otherEditions.size() < maxEditions) // another volume under the same code
            finding.noteEdition(volumeFields(info, isbn13));
    }
    return finding;
}

} // namespace lookup
