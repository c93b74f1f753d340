#pragma once

#include "booksource.h"
#include "delimitedlayout.h"
#include "delimitedreader.h"

namespace bookimport {

// "testo delimitato (;)": a delimited file that is no program's known export.
std::string delimitedKind(char delimiter);

// A CSV or TSV file: a spreadsheet's, our own export, Goodreads', LibraryThing's.
class DelimitedSource : public BookSource {
public:
    // Reads the heading line. Throws catalogue::Error (see delimitedLayout).
    DelimitedSource(const std::string& path, const std::vector<std::string>& columns,
                    const std::vector<std::pair<std::string, std::string>>& mapped);

    std::string kind() const override;
    const std::vector<std::string>& columns() const override { return m_columns; }
    bool next(SourceBook& book) override;
    std::vector<std::pair<std::string, std::uint64_t>> ignoredColumns() const override;
    std::vector<RepeatedColumn> repeatedColumns() const override;

private:
    void checkWidth(SourceBook& book) const;
    // The values not empty among `fields` of the record just read.
    std::uint64_t valuesIn(const std::vector<std::size_t>& fields) const;

    DelimitedReader m_reader;
    std::vector<std::string> m_heading;
    DelimitedLayout m_layout;
    std::vector<std::string> m_columns;
    std::vector<std::string> m_fields;
    std::vector<std::uint64_t> m_ignoredValues;
    std::vector<std::uint64_t> m_repeatedValues;
};

} // namespace bookimport
