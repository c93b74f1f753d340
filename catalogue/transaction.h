#pragma once

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

    void commit(); // throws Error; the change is on disk when it returns

private:
    sqlite3* m_db;
    bool m_done = false;
};

} // namespace catalogue
