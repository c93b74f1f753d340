#pragma once

#include "handletypes.h"

#include <string>

namespace catalogue {

// A connection to one catalogue file, in the shape the query runner drives: set the
// provider and the connection string (the file's path), then open.
class Connection {
public:
    static constexpr const char* catalogueProvider = "microsoft.jet.oledb.4.0";

    void setProvider(std::string provider) { m_provider = std::move(provider); }
    const std::string& provider() const { return m_provider; }
    void setConnectionString(std::string path) { m_connectionString = std::move(path); }
    const std::string& connectionString() const { return m_connectionString; }

    // Opens the file for reading and writing, or for reading only when it is
    // write-protected. Never creates a file. Throws Error when the provider is not
    // the catalogue's, the file is missing, is not a catalogue, or is locked.
    void open();
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const;
    // Makes every write reach the disk before it returns. Throws Error, also when
    // the path no longer names the file that was opened (moved, deleted or
    // replaced since): a write would then land in a file nobody will read again;
    // and when the file was opened read-only or has been made read-only since.
    void prepareForWriting();
    // The open database; throws Error when the connection is not open.
    sqlite3* handle() const;

    // The catalogue at `path`, opened as every command opens it; and the same made
    // ready to write. Throw Error as open and prepareForWriting do.
    static Connection opened(const std::string& path);
    static Connection openedForWriting(const std::string& path);

private:
    std::string m_provider;
    std::string m_connectionString;
    DatabaseHandle m_db;
    bool m_preparedForWriting = false;
    unsigned long long m_device = 0; ///< identity of the file opened
    unsigned long long m_inode = 0;
};

} // namespace catalogue
