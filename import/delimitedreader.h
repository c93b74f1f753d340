#pragma once

#include "textfile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bookimport {

// Records of a delimited text file (CSV or TSV), one at a time: fields apart by
// the delimiter its first line uses most (`,` `;` or tab), a field in double
// quotes may hold delimiters, line breaks and doubled quotes; lines end in LF,
// CRLF or, as the first line shows, CR alone.
class DelimitedReader {
public:
    // Throws catalogue::Error (see TextFile).
    explicit DelimitedReader(const std::string& path);

    // The next record's fields; false at the end of the file. Throws
    // catalogue::Error when the file ends inside a quoted field: it was cut.
    bool next(std::vector<std::string>& fields);
    // The line the record last read began on, counted from 1.
    std::uint64_t line() const { return m_recordLine; }
    char delimiter() const { return m_delimiter; }
    const std::string& path() const { return m_path; }

private:
    bool fill();
    char guessDelimiter();

    std::string m_path;
    TextFile m_file;
    std::string m_buffer;
    std::size_t m_at = 0;
    bool m_ended = false;
    char m_delimiter = ',';
    char m_lineEnd = '\n'; ///< '\r' for a file whose lines end in a carriage return alone
    std::uint64_t m_line = 1;
    std::uint64_t m_recordLine = 0;
};

} // namespace bookimport
