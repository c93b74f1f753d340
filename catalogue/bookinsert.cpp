// Books added to `dorvi` one after another through one prepared statement, each
// book's failure told apart from one that stops the whole write.
#include "bookinsert.h"

#include "engineerror.h"
#include "sqltext.h"
#include "statement.h"

#include <sqlite3.h>

namespace catalogue {

namespace {

// Failures that belong to the one book; anything else stops the whole write.
bool refusesTheBook(int resultCode)
{
    const int primary = resultCode & 0xFF;
    return primary == SQLITE_CONSTRAINT || primary == SQLITE_MISMATCH || primary == SQLITE_TOOBIG;
}

} // namespace

BookInsert::BookInsert(sqlite3* db, const std::vector<std::string>& columns) : m_db(db)
{
    std::string names;
    std::string marks;
    for (const std::string& column : columns) {
        names += (names.empty() ? "" : ", ") + quotedIdentifier(column);
        marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql = "INSERT INTO dorvi (" + names + ") VALUES (" + marks + ")";
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    m_insert.reset(raw);
    if (rc != SQLITE_OK)
        throw engineError(db, rc);
}

void BookInsert::bindBook(const std::vector<Value>& values)
{
    sqlite3_stmt* insert = m_insert.get();
    sqlite3_reset(insert);
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (const int rc = bindValue(insert, static_cast<int>(i + 1), values[i], BoundBytes::Kept); rc != SQLITE_OK)
            throw engineError(m_db, rc);
    }
}

BookInsert::Outcome BookInsert::add()
{
    const int rc = stepChecked(m_insert.get());
    if (rc == SQLITE_DONE)
        return rowsChanged(m_db) > 0 ? Outcome::Added : Outcome::LeftOut;
    if (!refusesTheBook(rc))
        throw engineError(m_db, rc);
    return Outcome::Refused;
}

std::int64_t BookInsert::addedBook() const
{
    return sqlite3_last_insert_rowid(m_db);
}

std::string BookInsert::refusal() const
{
    return sqlite3_errmsg(m_db);
}

std::vector<std::pair<std::string, std::string>> columnTypes(sqlite3* db)
{
    Statement types(db, "SELECT name, type FROM pragma_table_info('dorvi')");
    std::vector<std::pair<std::string, std::string>> columns;
    while (types.step()) {
        columns.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(types.handle(), 0)),
                             reinterpret_cast<const char*>(sqlite3_column_text(types.handle(), 1)));
    }
    return columns;
}

std::array<std::optional<std::string>, 2> authorAndTitle(sqlite3* db, std::int64_t id)
{
    Statement book(db, "SELECT autore, titolo FROM dorvi WHERE iddorvo = ?");
    book.bind(1, id);
    std::array<std::optional<std::string>, 2> values;
    if (book.step()) {
        for (int c = 0; c < 2; ++c) {
            if (const auto* value = sqlite3_column_text(book.handle(), c))
                values[static_cast<std::size_t>(c)] = reinterpret_cast<const char*>(value);
        }
    }
    return values;
}

void markLastAdded(sqlite3* db, std::int64_t id)
{
    sqlite3_set_last_insert_rowid(db, id);
}

} // namespace catalogue
