#pragma once

#include <optional>
#include <stop_token>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

// How many books hold a value (neither NULL nor empty text) in each of `columns`
// of `dorvi`, in one pass over the books for all of them. Throws Error.
std::vector<long long> countValues(sqlite3* db, const std::vector<std::string>& columns);

// The same on a read-only connection of its own to the catalogue at `path`, for a
// thread of its own. Nothing when `stop` is requested before the pass ends (the
// pass looks every few thousand steps, and waiting for another program's lock
// looks every few milliseconds), nor when the file cannot be read.
std::optional<std::vector<long long>> countValuesOf(const std::string& path, const std::vector<std::string>& columns,
                                                    const std::stop_token& stop);

} // namespace catalogue
