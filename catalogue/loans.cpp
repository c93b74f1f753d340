// Who has a book now (in `dorvi`) and every loan and return (in `prestiti`); the
// loans' table never deletes a book nor is deleted with one.
#include "loans.h"

#include "error.h"
#include "fieldnames.h"
#include "recordset.h"
#include "standardfields.h"
#include "statement.h"
#include "transaction.h"

#include <algorithm>
#include <set>
#include <sqlite3.h>

namespace catalogue {

namespace {

constexpr const char* loanColumns[] = {"prestato_a", "prestato_il"};

bool hasLoanTable(sqlite3* db)
{
    Statement table(db, "SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'prestiti' COLLATE NOCASE");
    return table.step();
}

std::string textOf(sqlite3_stmt* statement, int column)
{
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text),
                              static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
                : std::string();
}

// The column of a result named `name`, letter case ignored; -1 when it has none.
int columnNamed(const Recordset& result, std::string_view name)
{
    for (int column = 0; column < result.columnCount(); ++column) {
        if (sameColumnName(result.columnName(column), name))
            return column;
    }
    return -1;
}

// The open loans of `book` closed on `on`, each noted as it was and became.
void closeOpenLoan(sqlite3* db, std::int64_t book, const std::string& on, LedgerChanges& changes)
{
    auto rows = ledgerRows(db, "iddorvo = ?1 AND al IS NULL", book);
    const std::size_t open = rows.size();
    for (auto& [id, row] : rows) {
        std::vector<Value> closed = row;
        closed.back() = on;
        changes.push_back({id, std::move(row), std::move(closed)});
    }
    Statement close(db, "UPDATE prestiti SET al = ? WHERE iddorvo = ? AND al IS NULL");
    close.bind(1, on);
    close.bind(2, book);
    close.step();
    // The ledger's undo holds the loans read above as closed.
    if (rowsChanged(db) != static_cast<std::int64_t>(open))
        throw Error(ErrorNumber::NotUpdatable, "Una regola del catalogo (trigger di un altro programma) ha scartato "
                                               "la chiusura del prestito: la modifica non è stata scritta.");
}

} // namespace

bool hasLoanColumns(sqlite3* db)
{
    const std::vector<std::string> columns = catalogueColumns(db);
    return std::all_of(std::begin(loanColumns), std::end(loanColumns),
                       [&](const char* name) { return hasColumn(columns, name); });
}

std::vector<std::string> addLoanColumns(sqlite3* db)
{
    Transaction transaction(db);
    const std::vector<std::string> columns = catalogueColumns(db);
    std::vector<std::string> added;
    for (const char* name : loanColumns) {
        if (hasColumn(columns, name))
            continue;
        execute(db, ("ALTER TABLE dorvi ADD COLUMN " + std::string(name) + " " +
                     std::string(findStandardField(name)->type))
                        .c_str());
        added.emplace_back(name);
    }
    transaction.commit();
    return added;
}

LedgerChanges writeLoanLine(sqlite3* db, std::int64_t book, const std::string& to, const std::string& from)
{
    // No REFERENCES and no ON DELETE: deleting a book leaves its history, and
    // dropping the history leaves every book.
    execute(db, "CREATE TABLE IF NOT EXISTS prestiti (id INTEGER PRIMARY KEY, iddorvo INTEGER, a TEXT, dal TEXT, "
                "al TEXT)");
    // The books out now, in the order Libri in prestito lists them: a partial index
    // holds only them, so the listing reads a few entries where it would read every
    // book, and at a million books costs less than a search for one author.
    if (hasLoanColumns(db))
        execute(db, "CREATE INDEX IF NOT EXISTS dorvi_in_prestito ON dorvi (prestato_il, iddorvo) "
                    "WHERE trim(prestato_a) <> ''");
    LedgerChanges changes;
    closeOpenLoan(db, book, from, changes);
    Statement loan(db, "INSERT INTO prestiti (iddorvo, a, dal, al) VALUES (?, ?, ?, NULL)");
    loan.bind(1, book);
    loan.bind(2, to);
    // A loan of an imported list may come without its day: no day, rather than an empty one.
    const Value since = from.empty() ? Value() : Value(from);
    loan.bind(3, since);
    loan.writeRows();
    changes.push_back({sqlite3_last_insert_rowid(db), std::nullopt, std::vector<Value>{book, to, since, Value()}});
    return changes;
}

LedgerChanges recordLoan(sqlite3* db, std::int64_t book, const std::string& to, const std::string& from)
{
    Transaction transaction(db);
    LedgerChanges changes = writeLoanLine(db, book, to, from);
    transaction.commit();
    return changes;
}

LedgerChanges writeReturnLine(sqlite3* db, std::int64_t book, const std::string& on)
{
    LedgerChanges changes;
    if (hasLoanTable(db))
        closeOpenLoan(db, book, on, changes);
    return changes;
}

LedgerChanges recordReturn(sqlite3* db, std::int64_t book, const std::string& on)
{
    Transaction transaction(db);
    LedgerChanges changes = writeReturnLine(db, book, on);
    transaction.commit();
    return changes;
}

std::vector<std::string> loanNames(sqlite3* db)
{
    std::set<std::string> names;
    const auto collect = [&](const char* sql) {
        Statement statement(db, sql);
        while (statement.step()) {
            std::string name = textOf(statement.handle(), 0);
            if (name.find_first_not_of(" \t") != std::string::npos)
                names.insert(std::move(name));
        }
    };
    if (hasLoanTable(db))
        collect("SELECT DISTINCT a FROM prestiti");
    if (hasLoanColumns(db))
        collect("SELECT DISTINCT prestato_a FROM dorvi");
    return {names.begin(), names.end()};
}

std::vector<Loan> loansOf(sqlite3* db, std::int64_t book)
{
    std::vector<Loan> loans;
    if (!hasLoanTable(db))
        return loans;
    Statement statement(db, "SELECT a, dal, al FROM prestiti WHERE iddorvo = ? ORDER BY dal, id");
    statement.bind(1, book);
    while (statement.step()) {
        sqlite3_stmt* s = statement.handle();
        loans.push_back({book, textOf(s, 0), textOf(s, 1), textOf(s, 2)});
    }
    return loans;
}

std::string booksOutStatement()
{
    // A name of spaces only is no loan; NULL dates (a loan typed by hand) come first,
    // as the oldest of all.
    return "SELECT * FROM dorvi WHERE trim(prestato_a) <> '' ORDER BY prestato_il, iddorvo;";
}

std::vector<BookOut> booksOut(const Recordset& listed)
{
    const int id = columnNamed(listed, "iddorvo");
    const int title = columnNamed(listed, "titolo");
    const int to = columnNamed(listed, "prestato_a");
    const int from = columnNamed(listed, "prestato_il");
    std::vector<BookOut> books;
    if (to < 0 || from < 0)
        return books;
    // The texts read where the result holds them: one copy each, for the notice.
    const auto text = [&](std::size_t row, int column) {
        const std::optional<std::string_view> cell = column < 0 ? std::nullopt : listed.text(row, column);
        return cell ? std::string(*cell) : std::string();
    };
    books.reserve(listed.rowCount());
    for (std::size_t row = 0; row < listed.rowCount(); ++row) {
        // Given back since the listing: on show until the next one, out no more.
        std::string lentTo = text(row, to);
        if (lentTo.find_first_not_of(' ') == std::string::npos)
            continue;
        const Value book = id < 0 ? Value() : listed.value(row, id);
        const auto* key = std::get_if<std::int64_t>(&book);
        books.push_back({key ? *key : 0, text(row, title), std::move(lentTo), text(row, from)});
    }
    return books;
}

} // namespace catalogue
