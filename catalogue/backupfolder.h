#pragma once

#include "error.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace catalogue {

// When a copy was made, in local time, as its name says.
struct CopyStamp {
    std::chrono::year_month_day day;
    int hour = 0, minute = 0, second = 0;

    // "AAAAMMGG-hhmmss": sorts as the copies were made.
    std::string text() const;
    auto operator<=>(const CopyStamp& other) const { return text() <=> other.text(); }
    bool operator==(const CopyStamp& other) const { return text() == other.text(); }
};

// The local time of `when`, to the second.
CopyStamp stampAt(std::chrono::system_clock::time_point when);

// Why a copy was made, kept in its name so that it travels with the file and
// needs nothing beside it: a word for the kind of change it came before
// ("importazione") and what it concerned ("goodreads.csv"). A copy with no
// reason is the day's copy, or one made before reasons were named.
struct CopyReason {
    std::string kind;   ///< lower-case letters only; empty for the day's copy
    std::string detail; ///< any text, the file name of an import, a field's name
    bool operator==(const CopyReason&) const = default;

    // Made before a change of the user's: such a copy outlives the rotation
    // (see copiesToRemove).
    bool beforeChange() const { return !kind.empty(); }
    // In words, for the list of copies: "prima dell'importazione di goodreads.csv";
    // "copia del giorno" when there is no reason.
    std::string text() const;
};
// The file or folder of the list imported (a calibre library by its folder).
CopyReason beforeImport(const std::string& source);
// A change of the file named no further.
CopyReason beforeChange();
CopyReason beforeFieldRemoval(const std::string& field);
CopyReason beforeLoanFields();
CopyReason beforeRestore(const CopyStamp& restored);

// A copy's file name and what it says.
struct CopyName {
    CopyStamp stamp;
    CopyReason reason;
};

// "dorvi-AAAAMMGG-hhmmss.mdb", or "dorvi-AAAAMMGG-hhmmss-KIND-DETAIL.mdb" with a
// reason: the detail percent-encoded to letters, digits and ". _ - %" (no space,
// no quote, nothing a shell or a FAT disk minds) and cut to a length every file
// system takes.
std::string copyName(const CopyStamp& stamp, const CopyReason& reason = {});
// The stamp and reason of a copy's file name; nothing for any other name, so that
// files of the user's own in the folder are never taken for copies.
std::optional<CopyName> parseCopy(const std::string& name);
std::optional<CopyStamp> parseCopyName(const std::string& name);

// How long a copy made before a change is kept, whatever the rotation.
constexpr int daysKeptBeforeChange = 30;

// Of the copies named `names`, those the folder no longer keeps on `today`: it keeps
// the newest copy of each of the last 7 days, of each of the last 5 weeks (Monday
// to Sunday) and of each of the last 12 months, the 3 newest whatever their age,
// every copy made before a change for 30 days, and any copy dated after today (a
// clock set wrong is no reason to lose one). Names that are not copies' are never
// returned.
std::vector<std::string> copiesToRemove(const std::vector<std::string>& names, std::chrono::year_month_day today);

// A copy being made is written under its name and this ending, renamed once complete.
inline constexpr const char* partialEnding = ".parziale";

// Why no copy can be written in `folder`, from the system's error, in words a user
// can act on. The folder is named.
Error copyFolderError(int systemError, const std::string& folder);

} // namespace catalogue
