#pragma once

#include <memory>

// The engine's handles by name only, so a header can hold one without bringing
// the engine's whole interface to whoever includes it.
struct sqlite3;
struct sqlite3_stmt;

namespace catalogue {

struct CloseDatabase {
    void operator()(sqlite3* db) const noexcept;
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* stmt) const noexcept;
};

using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

} // namespace catalogue
