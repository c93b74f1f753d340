#pragma once

#include "booksource.h"
#include "xmlfeed.h"

#include <map>

namespace bookimport {

// A Tellico collection of books: a .tc file (a zip holding tellico.xml) or the
// XML itself. Read twice: first the loans, which Tellico keeps after the
// entries, then the entries one by one.
class TellicoSource : public BookSource {
public:
    // Throws catalogue::Error for a collection of anything but books.
    TellicoSource(const std::string& path, bool zipped);

    std::string kind() const override { return "Tellico"; }
    const std::vector<std::string>& columns() const override { return m_columns; }
    bool next(SourceBook& book) override;

private:
    struct Loan {
        std::string borrower;
        std::string date;
    };
    void readCollectionType();
    void readLoans();

    XmlFeed m_feed;
    std::vector<std::string> m_columns;
    std::map<std::string, Loan> m_loans; ///< by entry id
};

// GCstar's collection of books (.gcs): one <item> per book, its simple fields as
// attributes and its lists (authors, genres) as lines of columns.
class GcstarSource : public BookSource {
public:
    // Throws catalogue::Error for a collection of anything but books.
    explicit GcstarSource(const std::string& path);

    std::string kind() const override { return "GCstar"; }
    const std::vector<std::string>& columns() const override { return m_columns; }
    bool next(SourceBook& book) override;

private:
    XmlFeed m_feed;
    std::vector<std::string> m_columns;
};

// The name of the first element of an XML file ("tellico", "collection"), or
// empty when the file does not begin as XML.
std::string xmlRootName(const std::string& path);

} // namespace bookimport
