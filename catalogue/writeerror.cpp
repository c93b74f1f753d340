// Turns an engine failure during a write into a message that names its cause.
// A write can fail for reasons far from the value typed: the folder that must
// hold the rollback journal, a disk mounted read-only or full, another program's
// lock, a rule of the table. The generic texts of engineError speak of opening or
// reading; here each class of cause gets its own, and every one of them says that
// the change was not written. The engine's own code and text always travel along.
#include "writeerror.h"

#include <cerrno>
#include <sqlite3.h>
#include <string_view>

namespace catalogue {

namespace {

const std::string notWritten = "la modifica non è stata scritta.";

std::string quoted(const std::string& text) { return "«" + text + "»"; }

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The text after `prefix` in the engine's message, or empty.
std::string afterPrefix(std::string_view message, std::string_view prefix)
{
    if (message.substr(0, prefix.size()) != prefix)
        return {};
    return std::string(message.substr(prefix.size()));
}

// "dorvi.autore" -> "autore"
std::string columnOf(const std::string& qualified)
{
    const auto dot = qualified.find('.');
    return dot == std::string::npos ? qualified : qualified.substr(dot + 1);
}

bool isDiskFull(int systemError) { return systemError == ENOSPC || systemError == EDQUOT; }

Error readOnlyFolder(const std::string& path, int code, const std::string& message)
{
    return Error(ErrorNumber::ReadOnlyFile,
                 "La cartella " + quoted(folderOf(path)) + " è protetta da scrittura: ogni modifica del catalogo " +
                     quoted(path) + " crea lì un file di appoggio (il giornale), e la cartella non lo permette; " +
                     notWritten,
                 code, message);
}

Error readOnlyDisk(const std::string& path, int code, const std::string& message)
{
    return Error(ErrorNumber::ReadOnlyFile,
                 "Il catalogo " + quoted(path) + " si trova su un disco montato in sola lettura (cartella " +
                     quoted(folderOf(path)) + "): " + notWritten,
                 code, message);
}

Error diskFull(const std::string& path, int code, const std::string& message)
{
    return Error(ErrorNumber::DiskFull,
                 "Il disco che contiene il catalogo " + quoted(path) + " è pieno: " + notWritten, code, message);
}

Error fromConstraint(int code, const std::string& message)
{
    switch (code) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
        return Error(ErrorNumber::DuplicateKey,
                     "Il valore è già presente in un altro libro e in questa colonna non può ripetersi: " + notWritten,
                     code, message);
    case SQLITE_CONSTRAINT_NOTNULL:
        return Error(ErrorNumber::ValueRefused,
                     "La colonna " + quoted(columnOf(afterPrefix(message, "NOT NULL constraint failed: "))) +
                         " non può restare vuota: " + notWritten,
                     code, message);
    case SQLITE_CONSTRAINT_CHECK:
        return Error(ErrorNumber::ValueRefused,
                     "Il valore non rispetta una regola del catalogo (" + message + "): " + notWritten, code, message);
    case SQLITE_CONSTRAINT_TRIGGER:
        return Error(ErrorNumber::ValueRefused,
                     "Una regola del catalogo (trigger) rifiuta la modifica con il motivo " + quoted(message) + ": " +
                         notWritten,
                     code, message);
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return Error(ErrorNumber::ValueRefused,
                     "Il valore non corrisponde a nessuna voce della tabella collegata: " + notWritten, code, message);
    case SQLITE_CONSTRAINT_DATATYPE:
        return Error(ErrorNumber::ValueRefused,
                     "Il valore non è del tipo che la colonna accetta: " + notWritten, code, message);
    default:
        return Error(ErrorNumber::ValueRefused,
                     "Il catalogo rifiuta il valore, che non rispetta le regole della colonna: " + notWritten, code,
                     message);
    }
}

// The journal beside the catalogue could not be created or opened.
Error cannotOpen(const std::string& path, int systemError, int code, const std::string& message)
{
    if (systemError == EROFS)
        return readOnlyDisk(path, code, message);
    if (systemError == EACCES || systemError == EPERM)
        return readOnlyFolder(path, code, message);
    if (isDiskFull(systemError))
        return diskFull(path, code, message);
    return Error(ErrorNumber::Generic,
                 "Impossibile creare il file di appoggio accanto al catalogo " + quoted(path) + ", nella cartella " +
                     quoted(folderOf(path)) + ": " + notWritten,
                 code, message);
}

Error fromReadOnly(const std::string& path, int code, const std::string& message)
{
    switch (code) {
    case SQLITE_READONLY_DIRECTORY:
        return readOnlyFolder(path, code, message);
    case SQLITE_READONLY_DBMOVED:
        return Error(ErrorNumber::FileReplaced,
                     "Il catalogo " + quoted(path) + " è stato spostato o eliminato dopo la lettura: " + notWritten,
                     code, message);
    case SQLITE_READONLY_ROLLBACK:
        return Error(ErrorNumber::ReadOnlyFile,
                     "Il catalogo " + quoted(path) + " ha una modifica interrotta da annullare, ma è protetto da "
                     "scrittura: " + notWritten,
                     code, message);
    default:
        return Error(ErrorNumber::ReadOnlyFile,
                     "Il catalogo " + quoted(path) + " è protetto da scrittura: " + notWritten, code, message);
    }
}

Error fromIoError(const std::string& path, int systemError, int code, const std::string& message)
{
    if (code == SQLITE_IOERR_NOMEM)
        return Error(ErrorNumber::OutOfMemory, "Memoria insufficiente: " + notWritten, code, message);
    if (isDiskFull(systemError))
        return diskFull(path, code, message);
    if (systemError == EROFS)
        return readOnlyDisk(path, code, message);
    return Error(ErrorNumber::Generic,
                 "Il disco non è riuscito a leggere o scrivere il catalogo " + quoted(path) +
                     " (errore del dispositivo o del file system): " + notWritten,
                 code, message);
}

Error fromEngineError(const std::string& path, int code, const std::string& message)
{
    for (const char* prefix : {"no such table: ", "no such column: "}) {
        if (const std::string name = afterPrefix(message, prefix); !name.empty()) {
            const bool table = std::string_view(prefix).find("table") != std::string_view::npos;
            return Error(table ? ErrorNumber::TableMissing : ErrorNumber::ColumnMissing,
                         "Nel catalogo " + quoted(path) + (table ? " manca la tabella " : " manca la colonna ") +
                             quoted(name) + ", forse cambiata da un altro programma: " + notWritten,
                         code, message);
        }
    }
    return Error(ErrorNumber::StatementRefused,
                 "Il motore del catalogo " + quoted(path) + " rifiuta l'istruzione di scrittura: " + notWritten, code,
                 message);
}

} // namespace

Error unwritableFileError(int systemError, const std::string& path)
{
    if (systemError == EROFS)
        return readOnlyDisk(path, 0, {});
    return fromReadOnly(path, SQLITE_READONLY, {});
}

Error writeError(const Error& failure, int systemError, const std::string& path)
{
    const int code = failure.engineCode();
    const std::string& message = failure.engineMessage();
    if (code == 0)
        return failure;
    switch (code & 0xff) {
    case SQLITE_READONLY:
        return fromReadOnly(path, code, message);
    case SQLITE_CANTOPEN:
        return cannotOpen(path, systemError, code, message);
    case SQLITE_FULL:
        return diskFull(path, code, message);
    case SQLITE_IOERR:
        return fromIoError(path, systemError, code, message);
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error(ErrorNumber::Locked,
                     "Il catalogo " + quoted(path) + " è bloccato da un altro programma che lo sta modificando; "
                     "riprovare quando avrà finito: " + notWritten,
                     code, message);
    case SQLITE_CONSTRAINT:
        return fromConstraint(code, message);
    case SQLITE_MISMATCH:
        return Error(ErrorNumber::ValueRefused,
                     "Il valore non è del tipo che la colonna accetta (ad esempio testo in una colonna numerica): " +
                         notWritten,
                     code, message);
    case SQLITE_TOOBIG:
        return Error(ErrorNumber::ValueRefused, "Il valore è troppo lungo per il catalogo: " + notWritten, code,
                     message);
    case SQLITE_NOMEM:
        return Error(ErrorNumber::OutOfMemory, "Memoria insufficiente: " + notWritten, code, message);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return Error(ErrorNumber::Corrupt, "Il catalogo " + quoted(path) + " è danneggiato: " + notWritten, code,
                     message);
    case SQLITE_ERROR:
        return fromEngineError(path, code, message);
    default:
        return Error(ErrorNumber::Generic,
                     "Errore del motore del catalogo " + quoted(path) + " (codice " + std::to_string(code) + "): " +
                         notWritten,
                     code, message);
    }
}

} // namespace catalogue
