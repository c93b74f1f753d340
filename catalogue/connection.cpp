// A connection owns one SQLite handle to the catalogue file. It lives as long as
// the result sets that run on it hold it; it is never reused for another file.
//
// Durability: the file keeps SQLite's rollback journal and every connection writes
// with synchronous=FULL, so a change whose write has returned survives a killed
// program or a power cut, and a write cut short is rolled back when the file is
// next opened.
#include "connection.h"

#include "backupgate.h"
#include "engineerror.h"
#include "opening.h"
#include "statement.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace catalogue {

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

std::string quoted(const std::string& text) { return "«" + text + "»"; }

struct stat fileInfo(const std::string& path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) {
        throw Error(ErrorNumber::FileNotFound,
                    "Impossibile trovare il catalogo " + quoted(path) + ".");
    }
    return info;
}

// Refuses what SQLite would open as an empty database or would not open at all.
void checkFile(const std::string& path, const struct stat& info)
{
    if (S_ISDIR(info.st_mode)) {
        throw Error(ErrorNumber::NotADatabase,
                    quoted(path) + " è una cartella, non un file di catalogo.");
    }
    if (info.st_size == 0) {
        throw Error(ErrorNumber::NotADatabase,
                    "Il file " + quoted(path) + " è vuoto (0 byte): non contiene un catalogo.");
    }
}

// The write bits are honoured even for the superuser, whom the system itself would
// let write: a file marked read-only stays unchanged.
bool isWriteProtected(const struct stat& info)
{
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

} // namespace

void Connection::open()
{
    if (!equalsIgnoringCase(m_provider, catalogueProvider)) {
        throw Error(ErrorNumber::UnknownProvider,
                    "Provider sconosciuto: " + quoted(m_provider) + ".");
    }
    const std::string& path = m_connectionString;
    const struct stat info = fileInfo(path);
    checkFile(path, info);
    const bool writeProtected = isWriteProtected(info);
    DatabaseHandle db = openCatalogueFile(path, writeProtected ? OpenMode::ReadOnly : OpenMode::ReadWrite);
    // A file that is not a catalogue fails at its first statement, with the same
    // message it would get here, so opening does not refuse it.
    m_db = std::move(db);
    m_device = info.st_dev;
    m_inode = info.st_ino;
}

void Connection::prepareForWriting()
{
    // A safety copy being made holds every write of the program until it is done,
    // so the copy shows the file as it was before.
    BackupGate::waitFor(m_connectionString);
    struct stat now{};
    if (::stat(m_connectionString.c_str(), &now) != 0 || now.st_dev != m_device || now.st_ino != m_inode) {
        throw Error(ErrorNumber::FileReplaced,
                    "Il catalogo " + quoted(m_connectionString) +
                        " è stato spostato, eliminato o sostituito dopo la lettura: la modifica non è stata "
                        "scritta. Rieseguire il comando per leggere il catalogo attuale.");
    }
    // The handle was opened for writing, and would go on writing through it: a file
    // made read-only since is refused here as it would be at open. The system's
    // answer comes first, as it tells a disk mounted read-only from a protected file.
    if (::access(m_connectionString.c_str(), W_OK) != 0)
        throw unwritableFileError(errno, m_connectionString);
    if (isReadOnly() || isWriteProtected(now))
        throw unwritableFileError(EACCES, m_connectionString);
    if (!m_preparedForWriting)
        execute(handle(), "PRAGMA synchronous=FULL");
    m_preparedForWriting = true;
}

bool Connection::isReadOnly() const
{
    return sqlite3_db_readonly(handle(), "main") == 1;
}

sqlite3* Connection::handle() const
{
    if (!m_db)
        throw Error(ErrorNumber::NotOpen, "La connessione al catalogo non è aperta.");
    return m_db.get();
}

Connection Connection::opened(const std::string& path)
{
    Connection connection;
    connection.setProvider(catalogueProvider);
    connection.setConnectionString(path);
    connection.open();
    return connection;
}

Connection Connection::openedForWriting(const std::string& path)
{
    Connection connection = opened(path);
    connection.prepareForWriting();
    return connection;
}

} // namespace catalogue
