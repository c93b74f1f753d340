#pragma once

#include <memory>
#include <sqlite3.h>

namespace catalogue {

struct CloseDatabase {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
struct FinalizeStatement {
    void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};

using DatabaseHandle = std::unique_ptr<sqlite3, CloseDatabase>;
using StatementHandle = std::unique_ptr<sqlite3_stmt, FinalizeStatement>;

} // namespace catalogue
