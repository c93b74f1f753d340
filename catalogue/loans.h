#pragma once

#include "loanledger.h"

#include <cstdint>
#include <string>
#include <vector>

struct sqlite3;

namespace catalogue {

class Recordset;

// The loans of the catalogue's books. Who has a book now is in `dorvi`
// (`prestato_a`, `prestato_il`, the date as AAAA-MM-GG); every loan and return is
// kept in `prestiti` as well, a table with no foreign key and no cascade, so that
// it never deletes a book nor is deleted with one. The table is made at the first
// loan.
struct Loan {
    std::int64_t book = 0; ///< iddorvo
    std::string to;        ///< a: who had it
    std::string from;      ///< dal: AAAA-MM-GG
    std::string until;     ///< al: AAAA-MM-GG; empty while the book is out
};

// Whether `dorvi` has both columns of a loan.
bool hasLoanColumns(sqlite3* db);
// Adds to `dorvi` whichever of `prestato_a` and `prestato_il` it lacks, with
// ALTER TABLE … ADD COLUMN only, in one transaction. Returns the names added.
std::vector<std::string> addLoanColumns(sqlite3* db);

// Notes in `prestiti` that `book` went to `to` on `from`, making the table first
// and the index of the books out if needed. A loan of the book still open is closed on that date: a book is lent
// to one person at a time. Returns the rows of `prestiti` it changed, for Annulla.
// Written in a transaction of its own; `writeLoanLine` writes in the one already
// open on `db`, beside the book's own cells.
LedgerChanges recordLoan(sqlite3* db, std::int64_t book, const std::string& to, const std::string& from);
// (A loan, a return, an import write the book and its line together or neither.)
// A loan of an imported list may come without its day (`from` empty).
LedgerChanges writeLoanLine(sqlite3* db, std::int64_t book, const std::string& to, const std::string& from);
// Closes the open loan of `book` on `on`; nothing when none is open. The same
// pair: its own transaction, or the one already open.
LedgerChanges recordReturn(sqlite3* db, std::int64_t book, const std::string& on);
LedgerChanges writeReturnLine(sqlite3* db, std::int64_t book, const std::string& on);

// The names books were lent to, in `prestiti` and in `dorvi`, each once, sorted.
std::vector<std::string> loanNames(sqlite3* db);
// The loans of one book, oldest first; none when the table is not there yet.
std::vector<Loan> loansOf(sqlite3* db, std::int64_t book);

// The statement of "Libri in prestito": every column of `dorvi`, so the listing
// is editable as any other, for the books out now, the oldest loan first.
std::string booksOutStatement();

// A book out now as the notice under the list names it.
struct BookOut {
    std::int64_t book = 0;
    std::string title;
    std::string to;
    std::string from; ///< AAAA-MM-GG as stored
};
// The books of a listing of booksOutStatement, in its order, as the notice names
// them: read from the rows listed rather than asked of the file again. A row whose
// name has been emptied since (a book given back) is out no more, and left out.
std::vector<BookOut> booksOut(const Recordset& listed);

} // namespace catalogue
