#pragma once

#include <cstddef>
#include <functional>

struct sqlite3;

namespace catalogue {

class Connection;

// A write transaction that lasts one change. It takes the write lock at once
// (BEGIN IMMEDIATE), so a conflicting writer waits for the busy timeout rather than
// failing half-way, and rolls back in its destructor unless committed.
class Transaction {
public:
    explicit Transaction(Connection& connection); // throws Error, also when it is not open
    explicit Transaction(sqlite3* db);            // throws Error
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Throws Error; the change is on disk when it returns. A transaction commits
    // once: a second commit is a fault of the caller, refused without touching the
    // file (it would otherwise end whatever transaction came after).
    void commit();

private:
    sqlite3* m_db;
    bool m_done = false;
};

// A write of many books touches pages of the table and of every index all over the
// file. In the default page cache (2 MB) they were spilled and read back again and
// again before the commit: three quarters of the time of deleting 10,000 books at
// a million. For the length of such a write the cache may grow to 256 MB (only as
// pages are touched); afterwards it shrinks back and the memory is returned.
class RoomForLargeWrite {
public:
    RoomForLargeWrite(sqlite3* db, std::size_t books);
    ~RoomForLargeWrite();
    RoomForLargeWrite(const RoomForLargeWrite&) = delete;
    RoomForLargeWrite& operator=(const RoomForLargeWrite&) = delete;

private:
    sqlite3* m_db;
    long long m_previous = 0;
};

// Emptying a table frees every page it held. Debian's SQLite is built to overwrite
// each freed page with zeros (secure_delete), which wrote the whole table twice
// more, to the journal and then to the file: 2 of the 4 s of deleting every book of
// a million. For the length of such a statement the engine clears only the pages
// it writes anyway (secure_delete FAST, SQLite's own middle way): the freed pages
// keep their old bytes until they are used again, as with SQLite's default build.
class FreedPagesLeft {
public:
    explicit FreedPagesLeft(sqlite3* db);
    ~FreedPagesLeft();
    FreedPagesLeft(const FreedPagesLeft&) = delete;
    FreedPagesLeft& operator=(const FreedPagesLeft&) = delete;

private:
    sqlite3* m_db;
    long long m_previous = 0;
};

// Keeps a long write's progress told while one statement runs for a long time
// (emptying a table, making an index): the window's progress dialog is fed from
// inside the engine, so it never stops answering. A stop asked there interrupts
// the statement, which then throws; `stopped` tells that apart from a failure.
class EngineProgress {
public:
    using Progress = std::function<bool(std::size_t done)>;
    EngineProgress(sqlite3* db, const Progress& progress, std::size_t done);
    ~EngineProgress();
    EngineProgress(const EngineProgress&) = delete;
    EngineProgress& operator=(const EngineProgress&) = delete;

    bool stopped() const { return m_stopped; }

private:
    static int tell(void* self);

    sqlite3* m_db;
    const Progress& m_progress;
    std::size_t m_done;
    bool m_stopped = false;
};

} // namespace catalogue
