#pragma once

#include "recordset.h"
#include "sqlitehandles.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>
#include <sqlite3.h>

// Opens `sql` on the catalogue at `path` the way the window does.
std::shared_ptr<catalogue::Recordset> openRecordset(const std::string& path, const std::string& sql,
                                                    catalogue::LockType lock = catalogue::LockType::Optimistic);

// Opens one of the window's exact searches on the catalogue at `path` as the window
// states it: its statement text, and the search beside it.
std::shared_ptr<catalogue::Recordset> openSearch(const std::string& path, const catalogue::ExactSearch& search);

// A connection of "another program" to the file at `path`: plain SQLite, read and
// write unless `readOnly`; an invalid handle when the file cannot be opened.
catalogue::DatabaseHandle openDatabase(const std::string& path, bool readOnly = false);

// A catalogue file in a temporary folder of its own, so tests can run in parallel.
// It is read and written behind the program's back through plain SQLite, as
// another program would.
class TestCatalogue {
public:
    struct Book {
        std::string autore, titolo, genere;
    };
    using Books = std::vector<Book>;
    static const Books sampleBooks;

    // The table `dorvi` as the program's catalogues have it, holding `books`.
    explicit TestCatalogue(const std::vector<Book>& books = sampleBooks);

    QString folder() const { return m_dir.path(); }
    std::string path() const;

    void exec(const std::string& sql) const;
    // The same books under a key the user types (INT PRIMARY KEY), which the engine
    // does not assign, as in a file made by another tool.
    void makeKeyTyped() const;
    // A trigger that refuses `literal` (SQL: 'abc', NULL) in `column`, as a rule of
    // the file would, on every insert and update.
    void refuse(const std::string& column, const std::string& literal) const;
    // Every row of `sql`, each cell as text, "NULL" for NULL.
    std::vector<std::vector<std::string>> rows(const std::string& sql) const;
    std::string scalar(const std::string& sql) const;

private:
    QTemporaryDir m_dir;
};
