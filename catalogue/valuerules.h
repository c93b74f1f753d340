#pragma once

#include "standardfields.h"
#include "value.h"

#include <optional>
#include <string>
#include <string_view>

namespace catalogue {

// Why a text could not be stored as its field's kind asks.
enum class Misreading {
    None,
    NotNumber,
    NotWhole,  ///< a number, but the field takes whole numbers only
    NotDate,
    NotYesNo,
    NotRating, ///< not 1 to 5 stars
    NotIsbn,
};

// What a text typed or imported into a field of that kind stores.
struct ValueReading {
    Value value;                           ///< the value to store; when misread, the text as given
    Misreading problem = Misreading::None;
    std::string detail;                    ///< for an ISBN, what is wrong with it
    bool rounded = false;                  ///< a rating of 3,6 read as 4
    bool zeroRating = false;               ///< a rating of 0: no rating, stored as NULL
    bool accepted() const { return problem == Misreading::None; }
};

// The one set of rules from text to stored value, for the grid, the card and the
// import alike:
// - text and long text: the text as it is;
// - a whole number (pagine, anno, INTEGER): digits, a sign allowed ("3,5" is misread);
// - a number: as numberValue reads it, the decimal comma included;
// - a date: any form readDate takes, stored as AAAA-MM-GG;
// - sì/no: 1, sì, si, s, x, vero, true, yes, y, letto, read as 1; 0, no, n, falso,
//   false, non letto as 0; letter case ignored;
// - a rating: 1 to 5, or as many "★" as "★★★☆☆" shows; 0 is no rating; a
//   decimal from 1 to 5 is rounded and said so;
// - an ISBN: its 13 digits when it reads as a valid ISBN-10 or ISBN-13.
// For every kind but text, a blank text is NULL.
ValueReading readValue(FieldKind kind, std::string_view text);

// The text a stored value reads as in that kind, where it reads otherwise than
// as stored: a plain date as "8/12/2026", a rating of 1 to 5 as "★★★☆☆".
// Nothing for any other value, which reads as stored.
std::optional<std::string> shownValue(FieldKind kind, const Value& value);

// A stored value read as a whole number: an integer, or a real with nothing after the point.
std::optional<std::int64_t> wholeValue(const Value& value);
// A stored rating, 1 to 5; nothing for any other value.
std::optional<std::int64_t> ratingOf(const Value& value);
// A stored sì/no: true for 1, false for 0, nothing for any other value (NULL included).
std::optional<bool> yesNoOf(const Value& value);

} // namespace catalogue
