// Dates written as text. Read by hand rather than with a regular expression:
// sorting a million dates reads each once.
#include "datetext.h"

#include "textblanks.h"

#include <cstdio>

namespace catalogue {

namespace {

bool realDay(const CalendarDay& d)
{
    static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > days[d.month - 1])
        return false;
    // There is no year 0: the year before 1 is -1, a leap year as 0 would be.
    if (d.year == 0)
        return false;
    const int year = d.year < 0 ? d.year + 1 : d.year;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return d.month != 2 || d.day < 29 || leap;
}

class Scanner {
public:
    explicit Scanner(std::string_view text) : m_text(text) {}

    bool digits(std::size_t least, std::size_t most, int& out)
    {
        const std::size_t start = m_at;
        out = 0;
        while (m_at < m_text.size() && m_at - start < most && m_text[m_at] >= '0' && m_text[m_at] <= '9')
            out = out * 10 + (m_text[m_at++] - '0');
        return m_at - start >= least;
    }
    bool separator(std::string_view allowed, char& taken)
    {
        if (m_at >= m_text.size() || allowed.find(m_text[m_at]) == std::string_view::npos)
            return false;
        taken = m_text[m_at++];
        return true;
    }
    bool is(char c)
    {
        if (m_at >= m_text.size() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }
    bool atEnd() const { return m_at == m_text.size(); }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

// "AAAA-MM-GG" or "AAAA/MM/GG", then nothing or a time of day of at least HH:MM.
std::optional<CalendarDay> yearFirst(std::string_view text)
{
    Scanner scan(text);
    CalendarDay d;
    const bool negative = scan.is('-');
    char first = 0, second = 0;
    if (!(scan.digits(4, 4, d.year) && scan.separator("-/", first) && scan.digits(2, 2, d.month) &&
          scan.separator("-/", second) && first == second && scan.digits(2, 2, d.day)))
        return std::nullopt;
    if (negative && first != '-')
        return std::nullopt;
    if (!scan.atEnd()) {
        int hour = 0, minute = 0;
        char colon = 0;
        if (!((scan.is(' ') || scan.is('T')) && scan.digits(2, 2, hour) && scan.separator(":", colon) &&
              scan.digits(2, 2, minute)))
            return std::nullopt;
    }
    if (negative)
        d.year = -d.year;
    return realDay(d) ? std::optional(d) : std::nullopt;
}

// "G/M/AAAA", "GG.MM.AAAA", "GG-MM-AAAA": the Italian order.
std::optional<CalendarDay> dayFirst(std::string_view text)
{
    Scanner scan(text);
    CalendarDay d;
    char first = 0, second = 0;
    if (scan.digits(1, 2, d.day) && scan.separator("/.-", first) && scan.digits(1, 2, d.month) &&
        scan.separator("/.-", second) && first == second && scan.digits(4, 4, d.year) && scan.atEnd() && realDay(d))
        return d;
    return std::nullopt;
}

} // namespace

std::optional<CalendarDay> readDate(std::string_view text)
{
    text = withoutSpaces(text);
    if (auto day = yearFirst(text))
        return day;
    return dayFirst(text);
}

std::string storedDate(const CalendarDay& day)
{
    char out[32];
    if (day.year < 0)
        std::snprintf(out, sizeof out, "-%04d-%02d-%02d", -day.year, day.month, day.day);
    else
        std::snprintf(out, sizeof out, "%04d-%02d-%02d", day.year, day.month, day.day);
    return out;
}

std::string italianDate(const CalendarDay& day)
{
    return std::to_string(day.day) + "/" + std::to_string(day.month) + "/" + std::to_string(day.year);
}

bool isPlainDate(std::string_view stored)
{
    stored = withoutSpaces(stored);
    const std::size_t length = !stored.empty() && stored.front() == '-' ? 11 : 10;
    return stored.size() == length || stored.ends_with(" 00:00:00");
}

} // namespace catalogue
