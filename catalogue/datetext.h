#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace catalogue {

// A day of the calendar, as the catalogue reads and writes it.
struct CalendarDay {
    int year = 0; ///< negative before Christ, as a stored "-0044-03-15"
    int month = 0;
    int day = 0;
    auto operator<=>(const CalendarDay&) const = default;
};

// The one reader of dates, for the grid, the card, the import, the loans and the
// summary. It takes
// - the stored form AAAA-MM-GG, a time of day allowed after a space or a 'T'
//   ("2015-06-24 00:00:00", as the Access importer writes it), and AAAA/MM/GG;
// - the Italian order giorno/mese/anno with a four-digit year: 8/12/2026,
//   08.12.2026, 8-12-2026, the same separator twice.
// Spaces around the date are ignored. Nothing for any other text, for a day the
// calendar lacks (31/4/2026, 29/2/2027), or for mixed separators ("8/12.2026").
std::optional<CalendarDay> readDate(std::string_view text);

// "2026-12-08": the form the file keeps.
std::string storedDate(const CalendarDay& day);
// "8/12/2026": the form the user reads.
std::string italianDate(const CalendarDay& day);
// Whether a stored date is plain, with no time of day other than midnight: only
// such a date reads the Italian way, another keeps its time in view.
bool isPlainDate(std::string_view stored);

} // namespace catalogue
