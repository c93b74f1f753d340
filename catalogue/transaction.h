#pragma once

#include <cstddef>

struct sqlite3;

namespace catalogue {

// A write transaction that lasts one change. It takes the write lock at once
// (BEGIN IMMEDIATE), so a conflicting writer waits for the busy timeout rather than
// failing half-way, and rolls back in its destructor unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db); // throws Error
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

} // namespace catalogue
