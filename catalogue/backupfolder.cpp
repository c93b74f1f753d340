// The names of the safety copies, which copies the folder keeps, and what is said
// when the folder refuses them. A copy is known by its name alone: the name holds
// the local date and time it was made and why, so the folder can be read, sorted
// and thinned without opening a file, and any other file there is left alone.
#include "backupfolder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
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

// "08/12/2026 alle 10:30:15", as the window writes a copy's time.
std::string dayAndTime(const CopyStamp& stamp)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02u/%02u/%04d alle %02d:%02d:%02d", unsigned(stamp.day.day()),
                  unsigned(stamp.day.month()), int(stamp.day.year()), stamp.hour, stamp.minute, stamp.second);
    return buffer;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLowerLetter(char c) { return c >= 'a' && c <= 'z'; }

// Letters, digits and . _ - stand for themselves; every other byte is %XX.
bool isPlainInName(char c)
{
    return isDigit(c) || isLowerLetter(c) || (c >= 'A' && c <= 'Z') || c == '.' || c == '_' || c == '-';
}

// The detail as it goes into a name: whole characters only, so a name cut short
// never holds half of an accented letter.
std::string encodedDetail(const std::string& detail)
{
    constexpr std::size_t longest = 120; // with the rest of the name and ".parziale", far below 255 bytes
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    std::size_t i = 0;
    while (i < detail.size()) {
        std::size_t length = 1;
        while (i + length < detail.size() && (static_cast<unsigned char>(detail[i + length]) & 0xC0) == 0x80)
            ++length;
        std::string character;
        for (std::size_t k = i; k < i + length; ++k) {
            const auto byte = static_cast<unsigned char>(detail[k]);
            if (isPlainInName(detail[k]))
                character += detail[k];
            else
                character += {'%', hex[byte >> 4], hex[byte & 0xF]};
        }
        if (encoded.size() + character.size() > longest)
            break;
        encoded += character;
        i += length;
    }
    return encoded;
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "-KIND" or "-KIND-DETAIL" after the stamp; false for anything else.
bool readReason(const std::string& rest, CopyReason& reason)
{
    if (rest.size() < 2 || rest[0] != '-')
        return false;
    const std::size_t dash = rest.find('-', 1);
    reason.kind = rest.substr(1, dash == std::string::npos ? std::string::npos : dash - 1);
    if (reason.kind.empty() || !std::all_of(reason.kind.begin(), reason.kind.end(), isLowerLetter))
        return false;
    if (dash == std::string::npos)
        return true;
    const std::string encoded = rest.substr(dash + 1);
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] != '%') {
            if (!isPlainInName(encoded[i]))
                return false;
            reason.detail += encoded[i];
            continue;
        }
        if (i + 2 >= encoded.size() || hexValue(encoded[i + 1]) < 0 || hexValue(encoded[i + 2]) < 0)
            return false;
        reason.detail += static_cast<char>(hexValue(encoded[i + 1]) * 16 + hexValue(encoded[i + 2]));
        i += 2;
    }
    return !reason.detail.empty();
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

std::string CopyReason::text() const
{
    if (kind.empty())
        return "copia del giorno";
    if (kind == "importazione")
        return detail.empty() ? "prima di un'importazione" : "prima dell'importazione di " + detail;
    if (kind == "campo")
        return "prima dell'eliminazione del campo «" + detail + "»";
    if (kind == "modifica")
        return "prima di una modifica del catalogo";
    if (kind == "prestito")
        return "prima dell'aggiunta dei campi del prestito";
    if (kind == "ripristino") {
        if (const auto restored = parseCopyName("dorvi-" + detail + ".mdb"))
            return "prima del ripristino della copia del " + dayAndTime(*restored);
        return "prima di un ripristino";
    }
    // A kind named by a later version of the program.
    return "prima di una modifica (" + kind + (detail.empty() ? "" : ": " + detail) + ")";
}

CopyReason beforeImport(const std::string& source)
{
    std::filesystem::path path(source);
    if (!path.has_filename())
        path = path.parent_path();
    // A calibre library is chosen by its metadata.db: the library's folder names it.
    if (path.filename() == "metadata.db" && path.parent_path().has_filename())
        path = path.parent_path();
    return {"importazione", path.filename().string()};
}
CopyReason beforeChange() { return {"modifica", {}}; }
CopyReason beforeFieldRemoval(const std::string& field) { return {"campo", field}; }
CopyReason beforeLoanFields() { return {"prestito", {}}; }
CopyReason beforeRestore(const CopyStamp& restored) { return {"ripristino", restored.text()}; }

std::string copyName(const CopyStamp& stamp, const CopyReason& reason)
{
    std::string name = "dorvi-" + stamp.text();
    if (reason.beforeChange()) {
        name += "-" + reason.kind;
        if (const std::string detail = encodedDetail(reason.detail); !detail.empty())
            name += "-" + detail;
    }
    return name + ".mdb";
}

std::optional<CopyName> parseCopy(const std::string& name)
{
    // dorvi-AAAAMMGG-hhmmss, digits where digits go, then the reason if any, then .mdb.
    static const std::string pattern = "dorvi-########-######";
    static const std::string ending = ".mdb";
    if (name.size() < pattern.size() + ending.size() || !name.ends_with(ending))
        return std::nullopt;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool digit = name[i] >= '0' && name[i] <= '9';
        if (pattern[i] == '#' ? !digit : name[i] != pattern[i])
            return std::nullopt;
    }
    const auto number = [&](std::size_t from, std::size_t length) { return std::stoi(name.substr(from, length)); };
    CopyName copy;
    CopyStamp& stamp = copy.stamp;
    stamp.day = year_month_day{year{number(6, 4)}, month{unsigned(number(10, 2))}, day{unsigned(number(12, 2))}};
    stamp.hour = number(15, 2);
    stamp.minute = number(17, 2);
    stamp.second = number(19, 2);
    if (!stamp.day.ok() || stamp.hour > 23 || stamp.minute > 59 || stamp.second > 60)
        return std::nullopt;
    const std::string rest = name.substr(pattern.size(), name.size() - pattern.size() - ending.size());
    if (rest.empty())
        return copy;
    if (!readReason(rest, copy.reason))
        return std::nullopt;
    return copy;
}

std::optional<CopyStamp> parseCopyName(const std::string& name)
{
    if (auto copy = parseCopy(name))
        return copy->stamp;
    return std::nullopt;
}

std::vector<std::string> copiesToRemove(const std::vector<std::string>& names, year_month_day today)
{
    std::vector<std::pair<CopyName, std::string>> copies;
    for (const std::string& name : names) {
        if (auto copy = parseCopy(name))
            copies.emplace_back(std::move(*copy), name);
    }
    std::sort(copies.begin(), copies.end(),
              [](const auto& a, const auto& b) { return a.first.stamp > b.first.stamp; });

    const sys_days now{today};
    std::set<int> days, weeks, months;
    std::vector<std::string> removed;
    // Newest first: the first copy met in a day, week or month is the one it keeps.
    for (std::size_t i = 0; i < copies.size(); ++i) {
        const sys_days made{copies[i].first.stamp.day};
        const int age = int((now - made).count());
        const int weeksAgo = int((mondayOf(now) - mondayOf(made)).count() / 7);
        const int monthsAgo = monthNumber(today) - monthNumber(copies[i].first.stamp.day);
        // Three imports in an afternoon must not push out the copy from before the first.
        const bool beforeRecentChange = copies[i].first.reason.beforeChange() && age <= daysKeptBeforeChange;
        bool keep = i < newestKept || made > now || beforeRecentChange;
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
