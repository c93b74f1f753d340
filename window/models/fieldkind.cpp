// The kinds of the catalogue's fields and the text forms of their values. The
// file always holds the plain value (AAAA-MM-GG, 1 to 5, 0 or 1), so other tools
// read it as before; only the grid and the card show it the Italian way.
#include "fieldkind.h"

#include "celltext.h"
#include "numbertext.h"
#include "recordset.h"

#include <algorithm>
#include <cctype>
#include <string>

using catalogue::Value;

namespace {

bool declaredAs(std::string_view declared, std::initializer_list<std::string_view> parts)
{
    std::string upper(declared);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    return std::any_of(parts.begin(), parts.end(),
                       [&](std::string_view part) { return upper.find(part) != std::string::npos; });
}

std::optional<std::int64_t> wholeNumber(const Value& value)
{
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return *number;
    if (const auto* real = std::get_if<double>(&value); real && *real == static_cast<double>(static_cast<std::int64_t>(*real)))
        return static_cast<std::int64_t>(*real);
    return std::nullopt;
}

std::optional<std::int64_t> rating(const Value& value)
{
    const auto stars = wholeNumber(value);
    return stars && *stars >= 1 && *stars <= 5 ? stars : std::nullopt;
}

QString dateRefusal(const QString& typed)
{
    return QStringLiteral("«%1» non è una data: scriverla come giorno/mese/anno, per esempio 8/12/2026.").arg(typed);
}

TypedValue readDateTyped(const QString& typed)
{
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty())
        return {std::monostate{}, {}};
    const auto date = readDate(trimmed.toStdString());
    if (!date)
        return {{}, dateRefusal(typed)};
    return {date->toString(QStringLiteral("yyyy-MM-dd")).toStdString(), {}};
}

TypedValue readRating(const QString& typed)
{
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty() || trimmed == QLatin1String("0"))
        return {std::monostate{}, {}};
    bool number = false;
    int stars = trimmed.toInt(&number);
    // "★★★☆☆" pasted back counts its full stars.
    if (!number && !trimmed.isEmpty() && trimmed.count(QChar(0x2605)) + trimmed.count(QChar(0x2606)) == trimmed.size()) {
        stars = static_cast<int>(trimmed.count(QChar(0x2605)));
        number = true;
    }
    if (!number || stars < 0 || stars > 5)
        return {{}, QStringLiteral("«%1» non è un voto: il voto va da 1 a 5 stelle (0 o Canc lo toglie).").arg(typed)};
    return {stars == 0 ? Value{} : Value{std::int64_t{stars}}, {}};
}

TypedValue readYesNo(const QString& typed)
{
    const QString answer = typed.trimmed().toLower();
    if (answer.isEmpty())
        return {std::monostate{}, {}};
    static const QStringList yes{QStringLiteral("1"), QStringLiteral("sì"), QStringLiteral("si"), QStringLiteral("s"),
                                 QStringLiteral("x"), QStringLiteral("vero")};
    static const QStringList no{QStringLiteral("0"), QStringLiteral("no"), QStringLiteral("n"), QStringLiteral("falso")};
    if (yes.contains(answer))
        return {std::int64_t{1}, {}};
    if (no.contains(answer))
        return {std::int64_t{0}, {}};
    return {{}, QStringLiteral("«%1» non è né sì né no: scrivere 1 (sì) o 0 (no), o lasciare vuoto.").arg(typed)};
}

// A number typed with the decimal comma or point is stored as its value; text that
// is no number is refused, as an impossible date is.
TypedValue readNumber(const QString& typed)
{
    if (typed.trimmed().isEmpty())
        return {std::monostate{}, {}};
    const std::string text = typed.toStdString();
    if (const std::optional<Value> number = catalogue::numberValue(text))
        return {*number, {}};
    return {{}, QString::fromStdString(catalogue::numberRefusal(text))};
}

} // namespace

FieldKind fieldKind(std::string_view name, std::string_view declaredType)
{
    if (const catalogue::StandardField* standard = catalogue::findStandardField(name))
        return standard->kind;
    if (declaredAs(declaredType, {"DATE"}))
        return FieldKind::Date;
    if (declaredAs(declaredType, {"BOOL"}))
        return FieldKind::YesNo;
    if (declaredAs(declaredType, {"INT", "NUMERIC", "NUMBER", "DECIMAL", "REAL", "FLOA", "DOUB"}))
        return FieldKind::Number;
    return FieldKind::Text;
}

FieldKind fieldKind(const catalogue::Recordset& recordset, int column)
{
    return fieldKind(recordset.columnName(column), recordset.columnDeclaredType(column));
}

// Read by hand, not with a regular expression: sorting a million dates reads
// each once, and a QRegularExpression match costs about ten times as much.
std::optional<QDate> readDate(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    std::size_t at = 0;
    const auto digits = [&](std::size_t least, std::size_t most, int& out) {
        const std::size_t start = at;
        out = 0;
        while (at < text.size() && at - start < most && text[at] >= '0' && text[at] <= '9')
            out = out * 10 + (text[at++] - '0');
        return at - start >= least;
    };
    const auto separator = [&](std::string_view allowed) {
        return at < text.size() && allowed.find(text[at++]) != std::string_view::npos;
    };
    int year = 0, month = 0, day = 0;
    const bool negative = !text.empty() && text.front() == '-';
    at = negative ? 1 : 0;
    if (digits(4, 4, year) && separator("-") && digits(2, 2, month) && separator("-") && digits(2, 2, day)) {
        // A time of day may follow: "2015-06-24 00:00:00".
        int hour = 0, minute = 0;
        const bool timeFollows = at == text.size() ||
                                 ((text[at] == ' ' || text[at] == 'T') && ++at && digits(2, 2, hour) &&
                                  separator(":") && digits(2, 2, minute));
        if (!timeFollows)
            return std::nullopt;
        const QDate date(negative ? -year : year, month, day);
        return date.isValid() ? std::optional(date) : std::nullopt;
    }
    at = 0;
    if (digits(1, 2, day) && separator("/.-") && digits(1, 2, month) && separator("/.-") && digits(4, 4, year) &&
        at == text.size()) {
        const QDate date(year, month, day);
        return date.isValid() ? std::optional(date) : std::nullopt;
    }
    return std::nullopt;
}

QString italianDate(const QDate& date)
{
    return date.toString(QStringLiteral("d/M/yyyy"));
}

// Only a plain date reads the Italian way: a date with a time of day other than
// midnight keeps its time in view, as stored.
QString shownText(FieldKind kind, const Value& value)
{
    if (kind == FieldKind::Date) {
        if (const auto* text = std::get_if<std::string>(&value)) {
            const bool plain = text->size() == 10 || text->ends_with(" 00:00:00");
            if (const auto date = readDate(*text); date && plain)
                return italianDate(*date);
        }
    } else if (kind == FieldKind::Stars) {
        if (const auto stars = rating(value))
            return QString(static_cast<qsizetype>(*stars), QChar(0x2605)) + QString(5 - static_cast<qsizetype>(*stars), QChar(0x2606));
    } else if (kind == FieldKind::YesNo) {
        if (checkState(value) || catalogue::isNull(value))
            return {};
    }
    return cellText(value);
}

QString spokenText(FieldKind kind, const Value& value)
{
    if (kind == FieldKind::Stars) {
        if (const auto stars = rating(value))
            return *stars == 1 ? QStringLiteral("1 stella su 5") : QStringLiteral("%1 stelle su 5").arg(*stars);
    } else if (kind == FieldKind::YesNo) {
        if (const auto state = checkState(value))
            return *state == Qt::Checked ? QStringLiteral("sì") : *state == Qt::Unchecked ? QStringLiteral("no") : QStringLiteral("non detto");
    }
    return shownText(kind, value);
}

QString editText(FieldKind kind, const Value& value)
{
    if (kind == FieldKind::Date)
        return shownText(kind, value);
    return cellText(value);
}

std::optional<Qt::CheckState> checkState(const Value& value)
{
    if (catalogue::isNull(value))
        return Qt::PartiallyChecked;
    const auto number = wholeNumber(value);
    if (number == 0)
        return Qt::Unchecked;
    if (number == 1)
        return Qt::Checked;
    return std::nullopt;
}

TypedValue readTyped(FieldKind kind, const QString& typed, bool textAffinity)
{
    switch (kind) {
    case FieldKind::Date:
        return readDateTyped(typed);
    case FieldKind::Stars:
        return readRating(typed);
    case FieldKind::YesNo:
        return readYesNo(typed);
    case FieldKind::Number:
        return readNumber(typed);
    case FieldKind::Text:
    case FieldKind::LongText:
        break;
    }
    if (typed.isEmpty() && !textAffinity)
        return {std::monostate{}, {}};
    return {typed.toStdString(), {}};
}
