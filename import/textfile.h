#pragma once

#include <cstdio>
#include <memory>
#include <string>

namespace bookimport {

// A text file read in slices and handed out as UTF-8, whatever of the two
// encodings spreadsheets write it is in: UTF-8 (a byte-order mark or not) or
// Windows-1252. The encoding is settled by one pass over the whole file before
// the first slice, so a file that mixes both is refused before anything is read,
// and memory stays one slice however large the file.
class TextFile {
public:
    // Throws catalogue::Error when the file cannot be read or mixes encodings.
    explicit TextFile(const std::string& path);

    // The next slice of text, appended to `out`; false at the end of the file.
    bool read(std::string& out);
    bool windows1252() const { return m_windows1252; }

private:
    void settleEncoding();

    std::string m_path;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_file;
    bool m_windows1252 = false;
    std::string m_slice;
};

} // namespace bookimport
