// The kinds of the catalogue's fields and the text forms of their values. The
// file always holds the plain value (AAAA-MM-GG, 1 to 5, 0 or 1), so other tools
// read it as before; only the grid and the card show it the Italian way.
#include "fieldkind.h"

#include "celltext.h"
#include "fieldschema.h"
#include "numbertext.h"
#include "recordset.h"
#include "datetext.h"
#include "valuerules.h"

#include <string>

using catalogue::Value;

namespace {

QString dateRefusal(const QString& typed)
{
    return QStringLiteral("«%1» non è una data: scriverla come giorno/mese/anno, per esempio 8/12/2026.").arg(typed);
}

QString ratingRefusal(const QString& typed)
{
    return QStringLiteral("«%1» non è un voto: il voto va da 1 a 5 stelle (0 o Canc lo toglie).").arg(typed);
}

// Why the catalogue's rule refused the text, in the words the grid has always used.
QString refusal(const catalogue::ValueReading& reading, const QString& typed)
{
    switch (reading.problem) {
    case catalogue::Misreading::NotDate:
        return dateRefusal(typed);
    case catalogue::Misreading::NotRating:
        return ratingRefusal(typed);
    case catalogue::Misreading::NotYesNo:
        return QStringLiteral("«%1» non è né sì né no: scrivere 1 (sì) o 0 (no), o lasciare vuoto.").arg(typed);
    case catalogue::Misreading::NotNumber:
        return QString::fromStdString(catalogue::numberRefusal(typed.toStdString()));
    case catalogue::Misreading::NotWhole:
        return QStringLiteral("«%1» non è un numero intero: scrivere solo cifre, per esempio 1840.").arg(typed);
    case catalogue::Misreading::NotIsbn:
    case catalogue::Misreading::None:
        break;
    }
    return {};
}

} // namespace

FieldKind fieldKind(std::string_view name, std::string_view declaredType)
{
    return catalogue::fieldKindOf(name, declaredType);
}

FieldKind fieldKind(const catalogue::Recordset& recordset, int column)
{
    return fieldKind(recordset.columnName(column), recordset.columnDeclaredType(column));
}

std::optional<QDate> readDate(std::string_view text)
{
    const auto day = catalogue::readDate(text);
    if (!day)
        return std::nullopt;
    const QDate date(day->year, day->month, day->day);
    return date.isValid() ? std::optional(date) : std::nullopt;
}

QString italianDate(const QDate& date)
{
    return date.toString(QStringLiteral("d/M/yyyy"));
}

QString shownText(FieldKind kind, const Value& value)
{
    if (const std::optional<std::string> shown = catalogue::shownValue(kind, value))
        return QString::fromStdString(*shown);
    if (kind == FieldKind::YesNo && (checkState(value) || catalogue::isNull(value)))
        return {};
    return cellText(value);
}

QString spokenText(FieldKind kind, const Value& value)
{
    if (kind == FieldKind::Stars) {
        if (const auto stars = catalogue::ratingOf(value))
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
    const auto answer = catalogue::yesNoOf(value);
    if (!answer)
        return std::nullopt;
    return *answer ? Qt::Checked : Qt::Unchecked;
}

// An ISBN typed in the grid goes its own way (IsbnEntry: it asks before storing
// one with a wrong check digit), so here it is kept as typed. A rating with
// decimals is refused rather than rounded behind the user's back.
TypedValue readTyped(FieldKind kind, const QString& typed, bool textAffinity)
{
    if (kind == FieldKind::Text || kind == FieldKind::LongText || kind == FieldKind::Isbn) {
        if (typed.isEmpty() && !textAffinity)
            return {std::monostate{}, {}};
        return {typed.toStdString(), {}};
    }
    const catalogue::ValueReading reading = catalogue::readValue(kind, typed.toStdString());
    if (reading.rounded)
        return {{}, ratingRefusal(typed)};
    if (!reading.accepted())
        return {{}, refusal(reading, typed)};
    return {reading.value, {}};
}
