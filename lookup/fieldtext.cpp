// How the bibliographic services write titles, names, dates, pages, series and
// languages, turned into the values the catalogue stores.
#include "fieldtext.h"

#include "isbn.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace lookup::fieldtext {

QString title(const QString& raw)
{
    QString cleaned = raw;
    cleaned.remove(QChar(0x88));
    cleaned.remove(QChar(0x89));
    // Other control characters would only confuse a sort or a search.
    cleaned.removeIf([](QChar c) { return c.category() == QChar::Other_Control; });
    return cleaned.simplified();
}

QString personName(const QString& raw)
{
    QString name = title(raw);
    static const QRegularExpression lifeDates(QStringLiteral("\\s*<[^>]*>\\s*$"));
    name.remove(lifeDates);
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma < 0)
        return name.trimmed();
    const QString surname = name.left(comma).trimmed();
    const QString given = name.mid(comma + 1).trimmed();
    if (given.isEmpty())
        return surname;
    if (surname.isEmpty())
        return given;
    return given + QLatin1Char(' ') + surname;
}

QString authors(const QStringList& names)
{
    QStringList kept;
    for (const QString& name : names) {
        const QString clean = title(name);
        if (!clean.isEmpty() && !kept.contains(clean, Qt::CaseInsensitive))
            kept.append(clean);
    }
    return kept.join(QStringLiteral(", "));
}

QString year(const QString& date)
{
    static const QRegularExpression fourDigits(QStringLiteral("(?<![0-9])([0-9]{4})(?![0-9])"));
    const QRegularExpressionMatch match = fourDigits.match(date);
    return match.hasMatch() ? match.captured(1) : QString();
}

QString pages(const QString& description)
{
    static const QRegularExpression counted(
        QStringLiteral("(?<![0-9])([0-9]+)\\s*(?:p\\b|pp\\b|pag\\b|pagine\\b|pages\\b)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = counted.match(description);
    if (!match.hasMatch())
        return {};
    const qlonglong count = match.captured(1).toLongLong();
    return count > 0 ? QString::number(count) : QString();
}

QString pages(const QJsonValue& value)
{
    qlonglong count = 0;
    if (value.isDouble())
        count = static_cast<qlonglong>(value.toDouble());
    else if (value.isString())
        return pages(value.toString() + QStringLiteral(" p"));
    return count > 0 && count < 1000000 ? QString::number(count) : QString();
}

std::pair<QString, QString> series(const QString& raw)
{
    const QString clean = title(raw);
    const qsizetype semicolon = clean.lastIndexOf(QLatin1Char(';'));
    if (semicolon < 0)
        return {clean, {}};
    const QString name = clean.left(semicolon).trimmed();
    QString number = clean.mid(semicolon + 1).trimmed();
    static const QRegularExpression leadingNumber(QStringLiteral("^(?:n\\.\\s*)?([0-9]+)"));
    const QRegularExpressionMatch match = leadingNumber.match(number);
    number = match.hasMatch() ? match.captured(1) : QString();
    return {name.isEmpty() ? clean : name, name.isEmpty() ? QString() : number};
}

QString language(const QString& code)
{
    static const QHash<QString, QString> words{
        {"ita", "italiano"},   {"it", "italiano"},   {"eng", "inglese"},    {"en", "inglese"},
        {"fre", "francese"},   {"fra", "francese"},  {"fr", "francese"},    {"ger", "tedesco"},
        {"deu", "tedesco"},    {"de", "tedesco"},    {"spa", "spagnolo"},   {"es", "spagnolo"},
        {"por", "portoghese"}, {"pt", "portoghese"}, {"lat", "latino"},     {"la", "latino"},
        {"grc", "greco antico"}, {"gre", "greco"},   {"ell", "greco"},      {"el", "greco"},
        {"rus", "russo"},      {"ru", "russo"},      {"dut", "olandese"},   {"nld", "olandese"},
        {"nl", "olandese"},    {"jpn", "giapponese"}, {"ja", "giapponese"}, {"chi", "cinese"},
        {"zho", "cinese"},     {"zh", "cinese"},     {"ara", "arabo"},      {"ar", "arabo"},
        {"pol", "polacco"},    {"pl", "polacco"},    {"swe", "svedese"},    {"sv", "svedese"},
        {"dan", "danese"},     {"da", "danese"},     {"nor", "norvegese"},  {"no", "norvegese"},
        {"fin", "finlandese"}, {"fi", "finlandese"}, {"hun", "ungherese"},  {"hu", "ungherese"},
        {"cze", "ceco"},       {"ces", "ceco"},      {"cs", "ceco"},        {"tur", "turco"},
        {"tr", "turco"},       {"heb", "ebraico"},   {"he", "ebraico"},     {"rum", "rumeno"},
        {"ron", "rumeno"},     {"ro", "rumeno"},     {"cat", "catalano"},   {"ca", "catalano"},
    };
    QString key = code.trimmed().toLower();
    key = key.mid(key.lastIndexOf(QLatin1Char('/')) + 1);
    // "en-GB", "pt_BR": the language is what comes before the region.
    key = key.section(QRegularExpression(QStringLiteral("[-_]")), 0, 0);
    const auto found = words.constFind(key);
    if (found != words.cend())
        return found.value();
    for (const QString& word : words)
        if (word == key)
            return word;
    return {};
}

QString isbn13(const QString& typed)
{
    const catalogue::IsbnReading reading = catalogue::readIsbn(typed.toStdString());
    return reading.valid() ? QString::fromStdString(reading.isbn13) : QString();
}

QStringList isbnsIn(const QString& text)
{
    QStringList found;
    static const QRegularExpression candidate(QStringLiteral("[0-9][0-9Xx\\-]{8,20}[0-9Xx]"));
    auto matches = candidate.globalMatch(text);
    while (matches.hasNext()) {
        const QString isbn = isbn13(matches.next().captured(0));
        if (!isbn.isEmpty() && !found.contains(isbn))
            found.append(isbn);
    }
    return found;
}

QString text(const QJsonValue& value)
{
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QString::number(value.toDouble(), 'g', 15);
    if (value.isArray())
        return text(value.toArray().at(0));
    return {};
}

QStringList texts(const QJsonValue& array, const QString& member)
{
    QStringList all;
    const QJsonArray items = array.isArray() ? array.toArray() : QJsonArray{array};
    for (const QJsonValue& item : items) {
        // Only texts: a number among names is a wrong type, not a name.
        const QJsonValue held = member.isEmpty() ? item : item.toObject().value(member);
        const QString value = held.toString();
        if (!value.trimmed().isEmpty())
            all.append(value);
    }
    return all;
}

QJsonObject objectOf(const QByteArray& json, bool& readable)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    readable = error.error == QJsonParseError::NoError && document.isObject();
    return document.object();
}

} // namespace lookup::fieldtext
