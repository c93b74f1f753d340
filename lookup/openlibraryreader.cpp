// Reading Open Library's Books API, edition and author records.
#include "openlibraryreader.h"

#include "fieldtext.h"
#include "lookupsettings.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace lookup {

namespace ft = fieldtext;

namespace {

// The Books API names its covers on the real host; only their number is kept,
// so that the cover is asked where the covers service is configured.
QUrl coverOf(const QJsonObject& book, const QUrl& coversBase)
{
    const QString medium = ft::text(book.value(QStringLiteral("cover")).toObject().value(QStringLiteral("medium")));
    static const QRegularExpression byId(QStringLiteral("/b/id/([0-9]+)-[SML]\\.jpg"));
    const QRegularExpressionMatch match = byId.match(medium);
    if (match.hasMatch())
        return OpenLibraryReader::coverById(coversBase, match.captured(1).toLongLong());
    const QUrl link(medium);
    return link.isValid() && !link.host().isEmpty() ? link : QUrl();
}

void putSeries(ServiceFinding& finding, const QJsonValue& series)
{
    const QStringList all = ft::texts(series);
    if (all.isEmpty())
        return;
    const auto [name, number] = ft::series(all.first());
    finding.fields.insert(QStringLiteral("collana"), name);
    finding.fields.insert(QStringLiteral("numero"), number);
}

} // namespace

QUrl OpenLibraryReader::coverById(const QUrl& coversBase, qint64 id)
{
    return LookupSettings::under(coversBase, QStringLiteral("/b/id/%1-M.jpg").arg(id));
}

QMap<QString, ServiceFinding> OpenLibraryReader::books(const QByteArray& json, const QStringList& isbns,
                                                        const QUrl& coversBase)
{
    QMap<QString, ServiceFinding> findings;
    bool readable = false;
    const QJsonObject root = ft::objectOf(json, readable);
    for (const QString& isbn : isbns) {
        ServiceFinding finding;
        finding.readable = readable;
        const QJsonValue entry = root.value(QStringLiteral("ISBN:") + isbn);
        if (readable && entry.isObject()) {
            const QJsonObject book = entry.toObject();
            finding.known = true;
            finding.fields.insert(QStringLiteral("titolo"), ft::title(ft::text(book.value(QStringLiteral("title")))));
            finding.fields.insert(QStringLiteral("autore"), ft::authors(ft::texts(book.value(QStringLiteral("authors")), QStringLiteral("name"))));
            const QStringList publishers = ft::texts(book.value(QStringLiteral("publishers")), QStringLiteral("name"));
            finding.fields.insert(QStringLiteral("editore"), publishers.value(0).simplified());
            finding.fields.insert(QStringLiteral("anno"), ft::year(ft::text(book.value(QStringLiteral("publish_date")))));
            finding.fields.insert(QStringLiteral("pagine"), ft::pages(book.value(QStringLiteral("number_of_pages"))));
            finding.fields.insert(QStringLiteral("isbn"), isbn);
            const QUrl cover = coverOf(book, coversBase);
            if (cover.isValid())
                finding.coverLinks.append(cover);
        }
        findings.insert(isbn, finding);
    }
    return findings;
}

ServiceFinding OpenLibraryReader::edition(const QByteArray& json, const QString& isbn13, const QUrl& coversBase)
{
    ServiceFinding finding;
    const QJsonObject edition = ft::objectOf(json, finding.readable);
    if (!finding.readable)
        return finding;
    const QStringList isbns = ft::texts(edition.value(QStringLiteral("isbn_13"))) + ft::texts(edition.value(QStringLiteral("isbn_10")));
    // An edition record that names ISBNs and not this one is another book.
    if (!isbns.isEmpty() && !ft::isbnsIn(isbns.join(QStringLiteral(", "))).contains(isbn13))
        return finding;
    finding.known = !edition.isEmpty();
    finding.fields.insert(QStringLiteral("titolo"), ft::title(ft::text(edition.value(QStringLiteral("title")))));
    finding.fields.insert(QStringLiteral("editore"), ft::texts(edition.value(QStringLiteral("publishers"))).value(0).simplified());
    finding.fields.insert(QStringLiteral("anno"), ft::year(ft::text(edition.value(QStringLiteral("publish_date")))));
    finding.fields.insert(QStringLiteral("pagine"), ft::pages(edition.value(QStringLiteral("number_of_pages"))));
    finding.fields.insert(QStringLiteral("lingua"), ft::language(ft::texts(edition.value(QStringLiteral("languages")), QStringLiteral("key")).value(0)));
    putSeries(finding, edition.value(QStringLiteral("series")));
    for (const QString& key : ft::texts(edition.value(QStringLiteral("authors")), QStringLiteral("key")))
        if (QRegularExpression(QStringLiteral("^/authors/OL[0-9]+A$")).match(key).hasMatch())
            finding.authorKeys.append(key);
    for (const QJsonValue& id : edition.value(QStringLiteral("covers")).toArray())
        if (id.isDouble() && id.toDouble() > 0)
            finding.coverLinks.append(coverById(coversBase, static_cast<qint64>(id.toDouble())));
    if (finding.known)
        finding.fields.insert(QStringLiteral("isbn"), isbn13);
    return finding;
}

QString OpenLibraryReader::authorName(const QByteArray& json)
{
    bool readable = false;
    const QJsonObject author = ft::objectOf(json, readable);
    const QString name = ft::text(author.value(QStringLiteral("name")));
    return ft::title(name.isEmpty() ? ft::text(author.value(QStringLiteral("personal_name"))) : name);
}

} // namespace lookup
