#pragma once

#include "standardfields.h"
#include "value.h"

#include <QDate>
#include <QString>
#include <Qt>

#include <optional>
#include <string_view>

namespace catalogue {
class Recordset;
}

using catalogue::FieldKind;

// What a model tells its views about a column beyond its heading, through
// headerData: its kind (FieldKindRole, as an int), its name in the file
// (FieldNameRole), and for a row whether it is the line where a new book begins
// (NewRowLineRole, vertical).
enum FieldRole { FieldKindRole = Qt::UserRole + 40, FieldNameRole, NewRowLineRole };

// The kind of a column, as the catalogue decides it (catalogue::fieldKindOf).
FieldKind fieldKind(std::string_view name, std::string_view declaredType);
FieldKind fieldKind(const catalogue::Recordset& recordset, int column);

// A date as the catalogue's one reader takes it (catalogue::readDate), as a QDate.
std::optional<QDate> readDate(std::string_view text);
QString italianDate(const QDate& date); ///< "8/12/2026"

// How a cell of that kind reads in the grid and the card: a date as "8/12/2026",
// a rating as "★★★☆☆"; a value that is not of its kind reads as stored.
QString shownText(FieldKind kind, const catalogue::Value& value);
// How a screen reader says it: "4 stelle su 5", "sì", "no", "non detto".
QString spokenText(FieldKind kind, const catalogue::Value& value);
// What its editor holds: the Italian date, the rating's digit.
QString editText(FieldKind kind, const catalogue::Value& value);
// The check box of a sì/no cell: 1 ticked, 0 not, NULL half ticked (not said);
// nothing for a value that is neither.
std::optional<Qt::CheckState> checkState(const catalogue::Value& value);

// What a typed text stores, by the catalogue's value rules (catalogue::readValue),
// or why it is refused: a date becomes AAAA-MM-GG, a rating 1 to 5 (0 or nothing
// clears it), sì/no 1 or 0, a number its value. Empty is NULL except in a text
// column (`textAffinity`), where it is the empty text.
struct TypedValue {
    catalogue::Value value;
    QString refusal; ///< empty when the text is accepted
};
TypedValue readTyped(FieldKind kind, const QString& typed, bool textAffinity);
