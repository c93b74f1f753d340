#pragma once

#include "handletypes.h"
#include "value.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace catalogue {

// Adds books to `dorvi`, one after another through one prepared statement, each
// with the values of the same columns, inside the caller's transaction.
class BookInsert {
public:
    // What became of one book.
    enum class Outcome {
        Added,
        LeftOut, ///< another program's trigger left it out without an error (RAISE(IGNORE))
        Refused, ///< the table's own rules refuse it (a constraint, a type, a size): see refusal()
    };

    // `columns` are names of columns of `dorvi`. Throws Error.
    BookInsert(sqlite3* db, const std::vector<std::string>& columns);

    // The values of the next book, one a column in the order given. They are read
    // where they lie, so they must stay as they are until the next book's are
    // bound. Throws Error.
    void bindBook(const std::vector<Value>& values);
    // Writes the book. Throws Error when the catalogue cannot be written at all,
    // and (TransactionEnded) when a trigger took back the whole transaction.
    Outcome add();
    // The book just added.
    std::int64_t addedBook() const;
    // The engine's words for why the last book was refused.
    std::string refusal() const;

private:
    sqlite3* m_db;
    StatementHandle m_insert;
};

// The declared type of every column of `dorvi`, by name, in the table's order.
// Throws Error.
std::vector<std::pair<std::string, std::string>> columnTypes(sqlite3* db);

// The author and the title of book `id` as stored; none for NULL, both none when
// no book has that id. Throws Error.
std::array<std::optional<std::string>, 2> authorAndTitle(sqlite3* db, std::int64_t id);

// Makes `id` the book that whoever watches the connection finds added last, after
// other rows (a loan's line) were written with it.
void markLastAdded(sqlite3* db, std::int64_t id);

} // namespace catalogue
