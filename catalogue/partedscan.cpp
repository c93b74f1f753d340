// One pass over every book cut into parts read side by side on connections of
// their own; a pass that cutting could change stays whole.
#include "partedscan.h"

#include "opening.h"
#include "statement.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <sqlite3.h>

namespace catalogue {

namespace {

// Whether iddorvo alone is the table's row key, so a range of it reads only its part.
bool idIsRowKey(sqlite3* db)
{
    Statement key(db, "SELECT 1 FROM pragma_table_info('dorvi') WHERE name = 'iddorvo' COLLATE NOCASE AND pk = 1 "
                      "AND upper(type) = 'INTEGER' "
                      "AND (SELECT count(*) FROM pragma_table_info('dorvi') WHERE pk > 0) = 1");
    return key.step();
}

// A part waits for another program's writer as the window's connection does.
DatabaseHandle openPart(const std::string& path)
{
    return openCatalogueFile(path, OpenMode::ReadOnly);
}

} // namespace

PartedScan::PartedScan(sqlite3* db, std::size_t smallestPart, unsigned processors) : m_db(db)
{
    const char* path = sqlite3_db_filename(db, "main");
    if (!path || !*path || !sqlite3_get_autocommit(db) || !idIsRowKey(db))
        return;
    m_path = path;
    // The ids' span stands for the count: two look-ups where counting reads the
    // whole table, and the ids of a catalogue the program keeps are dense.
    Statement span(db, "SELECT min(iddorvo), max(iddorvo) FROM dorvi");
    if (!span.step() || sqlite3_column_type(span.handle(), 0) == SQLITE_NULL)
        return;
    const std::int64_t first = sqlite3_column_int64(span.handle(), 0);
    const std::int64_t last = sqlite3_column_int64(span.handle(), 1);
    if (processors == 0)
        processors = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    const auto books = static_cast<std::uint64_t>(last - first) + 1;
    const std::uint64_t parts =
        std::clamp<std::uint64_t>(books / std::max<std::size_t>(smallestPart, 1), 1, processors);
    if (parts < 2)
        return;
    for (std::uint64_t part = 0; part <= parts; ++part)
        m_bounds.push_back(first + static_cast<std::int64_t>(books * part / parts));
}

// The first part takes every id below the span too, the last every id above it:
// a book added meanwhile is read by one part, never by two.
std::string PartedScan::condition(std::size_t part) const
{
    const std::string below = "iddorvo < " + std::to_string(m_bounds[part + 1]);
    if (part == 0)
        return below;
    const std::string from = "iddorvo >= " + std::to_string(m_bounds[part]);
    return part + 1 == parts() ? from : from + " AND " + below;
}

void PartedScan::run(const Scan& scan) const
{
    if (m_bounds.empty()) {
        scan(m_db, "1", 0);
        return;
    }
    std::vector<std::exception_ptr> failures(parts());
    const auto scanPart = [&](std::size_t part) {
        try {
            const DatabaseHandle db = openPart(m_path);
            scan(db.get(), condition(part), part);
        } catch (...) {
            failures[part] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t part = 1; part < parts(); ++part)
        threads.emplace_back(scanPart, part);
    scanPart(0);
    for (std::thread& thread : threads)
        thread.join();
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
}

} // namespace catalogue
