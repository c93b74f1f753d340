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
// "dorvi-AAAAMMGG-hhmmss.mdb"
std::string copyName(const CopyStamp& stamp);
// The stamp of a copy's file name; nothing for any other name, so that files of
// the user's own in the folder are never taken for copies.
std::optional<CopyStamp> parseCopyName(const std::string& name);

// Of the copies named `names`, those the folder no longer keeps on `today`: it keeps
// the newest copy of each of the last 7 days, of each of the last 5 weeks (Monday
// to Sunday) and of each of the last 12 months, the 3 newest whatever their age,
// and any copy dated after today (a clock set wrong is no reason to lose one).
// Names that are not copies' are never returned.
std::vector<std::string> copiesToRemove(const std::vector<std::string>& names, std::chrono::year_month_day today);

// Why no copy can be written in `folder`, from the system's error, in words a user
// can act on. The folder is named.
Error copyFolderError(int systemError, const std::string& folder);

} // namespace catalogue
