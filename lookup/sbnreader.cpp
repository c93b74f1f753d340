// Reading SBN's brief and full records into the catalogue's fields.
#include "sbnreader.h"

#include "fieldtext.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace lookup {

namespace ft = fieldtext;

namespace {

bool holdsIsbn(const QJsonObject& record, const QString& isbn13)
{
    const QJsonValue isbn = record.value(QStringLiteral("isbn"));
    const QStringList written = isbn.isDouble() ? QStringList{ft::text(isbn)} : ft::texts(isbn);
    return ft::isbnsIn(written.join(QStringLiteral(", "))).contains(isbn13);
}

// "Il nome della rosa / Umberto Eco": the title is what comes before the slash.
QString titleOf(const QString& raw)
{
    const QString cleaned = ft::title(raw);
    const qsizetype slash = cleaned.indexOf(QStringLiteral(" / "));
    return (slash < 0 ? cleaned : cleaned.left(slash)).trimmed();
}

} // namespace

QMap<QString, QString> SbnReader::briefFields(const QJsonObject& record, const QString& isbn13)
{
    QMap<QString, QString> fields;
    fields.insert(QStringLiteral("titolo"), titleOf(ft::text(record.value(QStringLiteral("titolo")))));
    fields.insert(QStringLiteral("autore"), ft::personName(ft::text(record.value(QStringLiteral("autorePrincipale")))));
    const auto [publisher, year] = publication(ft::text(record.value(QStringLiteral("pubblicazione"))));
    fields.insert(QStringLiteral("editore"), publisher);
    fields.insert(QStringLiteral("anno"), year);
    fields.insert(QStringLiteral("isbn"), isbn13);
    return fields;
}

std::pair<QString, QString> SbnReader::publication(const QString& text)
{
    QString rest = ft::title(text);
    const qsizetype colon = rest.indexOf(QStringLiteral(" : "));
    if (colon >= 0)
        rest = rest.mid(colon + 3);
    const QString year = ft::year(rest);
    const qsizetype comma = rest.lastIndexOf(QLatin1Char(','));
    QString publisher = comma >= 0 ? rest.left(comma) : rest;
    // Several places and publishers: "Torino : Einaudi ; Milano : Electa" keeps the first.
    publisher = publisher.section(QLatin1Char(';'), 0, 0).trimmed();
    static const QRegularExpression bare(QStringLiteral("^[\\[\\]0-9?\\-. ]*$|^s\\.\\s*n\\.?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    if (bare.match(publisher).hasMatch())
        publisher.clear();
    return {publisher, year};
}

ServiceFinding SbnReader::brief(const QByteArray& json, const QString& isbn13)
{
    ServiceFinding finding;
    const QJsonObject root = ft::objectOf(json, finding.readable);
    if (!finding.readable)
        return finding;
    for (const QJsonValue& value : root.value(QStringLiteral("briefRecords")).toArray()) {
        const QJsonObject record = value.toObject();
        if (!holdsIsbn(record, isbn13))
            continue;
        if (finding.known) {
            // Another record under the same code: a reprint or another issue, that
            // the user may prefer to the first.
            if (finding.otherEditions.size() < maxEditions)
                finding.noteEdition(briefFields(record, isbn13));
            continue;
        }
        finding.known = true;
        finding.recordId = ft::text(record.value(QStringLiteral("codiceIdentificativo"))).trimmed();
        finding.fields = briefFields(record, isbn13);
        const QUrl cover(ft::text(record.value(QStringLiteral("copertina"))).trimmed());
        if (cover.isValid() && !cover.host().isEmpty())
            finding.coverLinks.append(cover);
    }
    return finding;
}

ServiceFinding SbnReader::full(const QByteArray& json)
{
    ServiceFinding finding;
    const QJsonObject root = ft::objectOf(json, finding.readable);
    if (!finding.readable)
        return finding;
    finding.known = true;
    finding.fields.insert(QStringLiteral("pagine"), ft::pages(ft::text(root.value(QStringLiteral("descrizioneFisica")))));
    const auto [series, number] = ft::series(ft::text(root.value(QStringLiteral("collezione"))));
    finding.fields.insert(QStringLiteral("collana"), series);
    finding.fields.insert(QStringLiteral("numero"), number);
    finding.fields.insert(QStringLiteral("lingua"), ft::language(ft::text(root.value(QStringLiteral("linguaPubblicazione")))));
    return finding;
}

} // namespace lookup
