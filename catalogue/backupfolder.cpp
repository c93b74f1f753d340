// The names of the safety copies, which copies the folder keeps, and what is said
// when the folder refuses them. A copy is known by its name alone: the name holds
// the local date and time it was made, so the folder can be read, sorted and
// thinned without opening a file, and any other file there is left alone.
#include "backupfolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <set>

namespace catalogue {

namespace {

using namespace std::chrono;

constexpr int daysKept = 7;
constexpr int weeksKept = 5;
constexpr int monthsKept = 12;
constexpr std::size_t newestKept = 3;

sys_days mondayOf(sys_days day)
{
    return day - (weekday(day) - Monday);
}

int monthNumber(const year_month_day& day)
{
    return int(day.year()) * 12 + int(unsigned(day.month()));
}

std::string reasonFor(int systemError, const std::string& folder)
{
    switch (systemError) {
    case EACCES:
    case EPERM:
        return "la cartella è protetta da scrittura. Dare il permesso di scrivervi, oppure spostare il programma "
               "e il suo catalogo in una cartella propria";
    case EROFS:
        return "il disco è montato in sola lettura. Spostare il programma e il suo catalogo su un disco scrivibile";
    case ENOSPC:
    case EDQUOT:
        return "il disco è pieno. Liberare spazio sul disco";
    case ENOTDIR:
    case EEXIST:
        return "«" + folder + "» non è una cartella. Rinominare o spostare il file che ha quel nome";
    case ENOENT:
        return "la cartella non esiste e non si può creare. Crearla a mano";
    default:
        return std::string(std::strerror(systemError));
    }
}

} // namespace

std::string CopyStamp::text() const
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02u%02u-%02d%02d%02d", int(day.year()), unsigned(day.month()),
                  unsigned(day.day()), hour, minute, second);
    return buffer;
}

CopyStamp stampAt(system_clock::time_point when)
{
    const std::time_t seconds = system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    CopyStamp stamp;
    stamp.day = year_month_day{year{local.tm_year + 1900}, month{unsigned(local.tm_mon + 1)},
                               std::chrono::day{unsigned(local.tm_mday)}};
    stamp.hour = local.tm_hour;
    stamp.minute = local.tm_min;
    stamp.second = local.tm_sec;
    return stamp;
}

std::string copyName(const CopyStamp& stamp)
{
    return "dorvi-" + stamp.text() + ".mdb";
}

std::optional<CopyStamp> parseCopyName(const std::string& name)
{
    // dorvi-AAAAMMGG-hhmmss.mdb: exactly that, digits where digits go.
    static const std::string pattern = "dorvi-########-######.mdb";
    if (name.size() != pattern.size())
        return std::nullopt;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (pattern[i] == '#' ? !digit : name[i] != pattern[i])
            return std::nullopt;
    }
    const auto number = [&](std::size_t from, std::size_t length) { return std::stoi(name.substr(from, length)); };
    CopyStamp stamp;
    stamp.day = year_month_day{year{number(6, 4)}, month{unsigned(number(10, 2))}, day{unsigned(number(12, 2))}};
    stamp.hour = number(15, 2);
    stamp.minute = number(17, 2);
    stamp.second = number(19, 2);
    if (!stamp.day.ok() || stamp.hour > 23 || stamp.minute > 59 || stamp.second > 60)
        return std::nullopt;
    return stamp;
}

std::vector<std::string> copiesToRemove(const std::vector<std::string>& names, year_month_day today)
{
    std::vector<std::pair<CopyStamp, std::string>> copies;
    for (const std::string& name : names) {
        if (auto stamp = parseCopyName(name))
            copies.emplace_back(*stamp, name);
    }
    std::sort(copies.begin(), copies.end(), [](const auto& a, const auto& b) { return a.first > b.first; });

    const sys_days now{today};
    std::set<int> days, weeks, months;
    std::vector<std::string> removed;
    // Newest first: the first copy met in a day, week or month is the one it keeps.
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const sys_days made{copies[i].first.day};
        const int age = int((now - made).count());
        const int weeksAgo = int((mondayOf(now) - mondayOf(made)).count() / 7);
        const int monthsAgo = monthNumber(today) - monthNumber(copies[i].first.day);
        bool keep = i < newestKept || made > now;
        keep = (age < daysKept && days.insert(age).second) || keep;
        keep = (weeksAgo < weeksKept && weeks.insert(weeksAgo).second) || keep;
        keep = (monthsAgo < monthsKept && months.insert(monthsAgo).second) || keep;
        if (!keep)
            removed.push_back(copies[i].second);
    }
    return removed;
}

Error copyFolderError(int systemError, const std::string& folder)
{
    const ErrorNumber number =
        systemError == ENOSPC || systemError == EDQUOT ? ErrorNumber::DiskFull : ErrorNumber::FileNotWritten;
    return Error(number, "Le copie di sicurezza del catalogo non si possono scrivere nella cartella «" + folder +
                             "»: " + reasonFor(systemError, folder) + ".",
                 0, std::strerror(systemError));
}

} // namespace catalogue
