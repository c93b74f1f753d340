// Maps SQLite's result codes onto the program's numbered errors, in Italian and
// naming the catalogue file; the engine's own code and text travel with the error
// unchanged, for the details line of the message. A write can fail for reasons far
// from the value typed (the folder that must hold the rollback journal, a disk
// mounted read-only or full, another program's lock, a rule of the table), so a
// failed write gets the cause in words and always ends "la modifica non è stata
// scritta."; a failed read keeps the shorter texts of opening and reading.
#include "engineerror.h"

#include <array>
#include <cerrno>
#include <fstream>
#include <sqlite3.h>
#include <string_view>

namespace catalogue {

namespace {

const std::string notWritten = "la modifica non è stata scritta.";

std::string quoted(const std::string& text) { return "«" + text + "»"; }

// The text after `prefix` in the engine's message, or empty.
std::string afterPrefix(std::string_view message, std::string_view prefix)
{
    if (message.substr(0, prefix.size()) != prefix)
        return {};
    return std::string(message.substr(prefix.size()));
}

std::string folderOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// "dorvi.autore" -> "autore"
std::string columnOf(const std::string& qualified)
{
    const auto dot = qualified.find('.');
    return dot == std::string::npos ? qualified : qualified.substr(dot + 1);
}

bool isDiskFull(int systemError) { return systemError == ENOSPC || systemError == EDQUOT; }

// One failure, told as a read or as a write.
class Mapping {
public:
    Mapping(const EngineFailure& failure, Operation operation)
        : m_failure(failure), m_writing(operation == Operation::Writing), m_file(quoted(failure.path))
    {
    }

    Error map() const;
    Error readOnlyDisk() const;

private:
    Error error(ErrorNumber number, const std::string& description) const
    {
        return Error(number, description, m_failure.code, m_failure.message);
    }
    // A sentence that a write ends with "la modifica non è stata scritta.".
    Error stated(ErrorNumber number, const std::string& sentence) const
    {
        return error(number, m_writing ? sentence + ": " + notWritten : sentence + ".");
    }

    Error locked() const;
    Error readOnly() const;
    Error readOnlyFolder() const;
    Error notADatabase() const;
    Error cannotOpen() const;
    Error ioError() const;
    Error constraint() const;
    Error refusedStatement() const;
    std::string functionRefused() const;

    const EngineFailure& m_failure;
    const bool m_writing;
    const std::string m_file;
};

Error Mapping::map() const
{
    const int code = m_failure.code;
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return locked();
    case SQLITE_READONLY:
        return readOnly();
    case SQLITE_NOTADB:
        return m_writing ? error(ErrorNumber::Corrupt, "Il catalogo " + m_file + " è danneggiato: " + notWritten)
                         : notADatabase();
    case SQLITE_CORRUPT:
        return m_writing ? error(ErrorNumber::Corrupt, "Il catalogo " + m_file + " è danneggiato: " + notWritten)
                         : error(ErrorNumber::Corrupt, "Il catalogo " + m_file + " è danneggiato e non si può leggere.");
    case SQLITE_CANTOPEN:
        return cannotOpen();
    case SQLITE_FULL:
        return error(ErrorNumber::DiskFull, "Il disco che contiene il catalogo " + m_file + " è pieno: " + notWritten);
    case SQLITE_IOERR:
        return ioError();
    case SQLITE_CONSTRAINT:
        return constraint();
    case SQLITE_MISMATCH:
        return stated(ErrorNumber::ValueRefused,
                      "Il valore non è del tipo che la colonna accetta (ad esempio testo in una colonna numerica)");
    case SQLITE_TOOBIG:
        return stated(ErrorNumber::ValueRefused, "Il valore è troppo lungo per il catalogo");
    case SQLITE_NOMEM:
        if (m_writing)
            return error(ErrorNumber::OutOfMemory, "Memoria insufficiente: " + notWritten);
        break;
    case SQLITE_ERROR:
        return refusedStatement();
    default:
        break;
    }
    if (m_writing) {
        return error(ErrorNumber::Generic, "Errore del motore del catalogo " + m_file + " (codice " +
                                               std::to_string(code) + "): " + notWritten);
    }
    return error(ErrorNumber::Generic, "Errore del motore del catalogo " + m_file + ".");
}

Error Mapping::locked() const
{
    if (m_writing) {
        return error(ErrorNumber::Locked, "Il catalogo " + m_file +
                                              " è bloccato da un altro programma che lo sta modificando; "
                                              "riprovare quando avrà finito: " + notWritten);
    }
    return error(ErrorNumber::Locked, "Il catalogo " + m_file + " è bloccato da un altro programma. "
                                      "Riprovare quando l'altro programma ha finito.");
}

Error Mapping::readOnly() const
{
    const std::string plain = "Il catalogo " + m_file + " è protetto da scrittura: " + notWritten;
    if (!m_writing)
        return error(ErrorNumber::ReadOnlyFile, plain);
    switch (m_failure.code) {
    case SQLITE_READONLY_DIRECTORY:
        return readOnlyFolder();
    case SQLITE_READONLY_DBMOVED:
        return error(ErrorNumber::FileReplaced,
                     "Il catalogo " + m_file + " è stato spostato o eliminato dopo la lettura: " + notWritten);
    case SQLITE_READONLY_ROLLBACK:
        return error(ErrorNumber::ReadOnlyFile, "Il catalogo " + m_file +
                                                    " ha una modifica interrotta da annullare, ma è protetto da "
                                                    "scrittura: " + notWritten);
    default:
        return error(ErrorNumber::ReadOnlyFile, plain);
    }
}

Error Mapping::readOnlyFolder() const
{
    return error(ErrorNumber::ReadOnlyFile,
                 "La cartella " + quoted(folderOf(m_failure.path)) +
                     " è protetta da scrittura: ogni modifica del catalogo " + m_file +
                     " crea lì un file di appoggio (il giornale), e la cartella non lo permette; " + notWritten);
}

Error Mapping::readOnlyDisk() const
{
    return error(ErrorNumber::ReadOnlyFile, "Il catalogo " + m_file +
                                                " si trova su un disco montato in sola lettura (cartella " +
                                                quoted(folderOf(m_failure.path)) + "): " + notWritten);
}

Error Mapping::notADatabase() const
{
    if (looksLikeAccessFile(m_failure.path)) {
        return error(ErrorNumber::AccessFile, "Il file " + m_file + " è un vecchio catalogo di Access (Jet). "
                                              "Va convertito una volta con il comando: dorvi-import " +
                                                  m_failure.path);
    }
    return error(ErrorNumber::NotADatabase, "Il file " + m_file + " non è un catalogo: il suo formato non è riconosciuto.");
}

// Opening a catalogue; or, for a write, the journal beside it.
Error Mapping::cannotOpen() const
{
    if (!m_writing)
        return error(ErrorNumber::FileNotFound, "Impossibile aprire il catalogo " + m_file + ".");
    const int systemError = m_failure.systemError;
    if (systemError == EROFS)
        return readOnlyDisk();
    if (systemError == EACCES || systemError == EPERM)
        return readOnlyFolder();
    if (isDiskFull(systemError))
        return error(ErrorNumber::DiskFull, "Il disco che contiene il catalogo " + m_file + " è pieno: " + notWritten);
    return error(ErrorNumber::Generic, "Impossibile creare il file di appoggio accanto al catalogo " + m_file +
                                           ", nella cartella " + quoted(folderOf(m_failure.path)) + ": " +
                                           notWritten);
}

Error Mapping::ioError() const
{
    if (!m_writing)
        return error(ErrorNumber::Generic, "Errore di lettura o scrittura sul catalogo " + m_file + ".");
    if (m_failure.code == SQLITE_IOERR_NOMEM)
        return error(ErrorNumber::OutOfMemory, "Memoria insufficiente: " + notWritten);
    if (isDiskFull(m_failure.systemError))
        return error(ErrorNumber::DiskFull, "Il disco che contiene il catalogo " + m_file + " è pieno: " + notWritten);
    if (m_failure.systemError == EROFS)
        return readOnlyDisk();
    return error(ErrorNumber::Generic, "Il disco non è riuscito a leggere o scrivere il catalogo " + m_file +
                                           " (errore del dispositivo o del file system): " + notWritten);
}

Error Mapping::constraint() const
{
    const std::string& message = m_failure.message;
    switch (m_failure.code) {
    case SQLITE_CONSTRAINT_PRIMARYKEY:
    case SQLITE_CONSTRAINT_UNIQUE:
        return stated(ErrorNumber::DuplicateKey,
                      "Il valore è già presente in un altro libro e in questa colonna non può ripetersi");
    default:
        break;
    }
    if (!m_writing)
        return error(ErrorNumber::ValueRefused, "Il catalogo rifiuta il valore: non rispetta le regole della colonna.");
    switch (m_failure.code) {
    case SQLITE_CONSTRAINT_NOTNULL:
        return error(ErrorNumber::ValueRefused,
                     "La colonna " + quoted(columnOf(afterPrefix(message, "NOT NULL constraint failed: "))) +
                         " non può restare vuota: " + notWritten);
    case SQLITE_CONSTRAINT_CHECK:
        return error(ErrorNumber::ValueRefused,
                     "Il valore non rispetta una regola del catalogo (" + message + "): " + notWritten);
    case SQLITE_CONSTRAINT_TRIGGER:
        return error(ErrorNumber::ValueRefused, "Una regola del catalogo (trigger) rifiuta la modifica con il motivo " +
                                                    quoted(message) + ": " + notWritten);
    case SQLITE_CONSTRAINT_FOREIGNKEY:
        return error(ErrorNumber::ValueRefused,
                     "Il valore non corrisponde a nessuna voce della tabella collegata: " + notWritten);
    case SQLITE_CONSTRAINT_DATATYPE:
        return error(ErrorNumber::ValueRefused, "Il valore non è del tipo che la colonna accetta: " + notWritten);
    default:
        return error(ErrorNumber::ValueRefused,
                     "Il catalogo rifiuta il valore, che non rispetta le regole della colonna: " + notWritten);
    }
}

// A function that a file's own view or trigger calls and the engine will not run
// from there (fts3_tokenizer() can make the engine call any address), told with
// its name; empty for any other refusal. The engine says "unsafe use" only of
// what the file itself holds, never of a statement the program makes.
std::string Mapping::functionRefused() const
{
    if (const std::string name = afterPrefix(m_failure.message, "unsafe use of "); !name.empty())
        return "una funzione che il programma non permette, " + quoted(name);
    return {};
}

// A table or a column the statement names is missing, or the engine refuses the
// statement itself.
Error Mapping::refusedStatement() const
{
    for (const char* prefix : {"no such table: ", "no such column: "}) {
        if (const std::string name = afterPrefix(m_failure.message, prefix); !name.empty()) {
            const bool table = std::string_view(prefix).find("table") != std::string_view::npos;
            const std::string missing = "Nel catalogo " + m_file + (table ? " manca la tabella " : " manca la colonna ") +
                                        quoted(name);
            return error(table ? ErrorNumber::TableMissing : ErrorNumber::ColumnMissing,
                         m_writing ? missing + ", forse cambiata da un altro programma: " + notWritten : missing + ".");
        }
    }
    if (const std::string function = functionRefused(); !function.empty()) {
        return stated(ErrorNumber::StatementRefused,
                      "Il catalogo " + m_file + " usa " + function +
                          ", in una vista o in una regola che un altro programma vi ha scritto");
    }
    if (m_writing) {
        return error(ErrorNumber::StatementRefused,
                     "Il motore del catalogo " + m_file + " rifiuta l'istruzione di scrittura: " + notWritten);
    }
    return error(ErrorNumber::StatementRefused, "Il motore del catalogo rifiuta l'istruzione.");
}

} // namespace

Error engineError(const EngineFailure& failure, Operation operation)
{
    return Mapping(failure, operation).map();
}

Error engineError(sqlite3* db, int resultCode, const std::string& givenPath)
{
    EngineFailure failure{resultCode, db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode), givenPath};
    if (failure.path.empty() && db) {
        const char* name = sqlite3_db_filename(db, "main");
        failure.path = name ? name : "";
    }
    return engineError(failure, Operation::Reading);
}

Error writeError(const Error& failure, int systemError, const std::string& path)
{
    // An ended transaction already says what the engine's code alone cannot.
    if (failure.engineCode() == 0 || failure.number() == ErrorNumber::TransactionEnded)
        return failure;
    return engineError({failure.engineCode(), failure.engineMessage(), path, systemError}, Operation::Writing);
}

Error unwritableFileError(int systemError, const std::string& path)
{
    if (systemError == EROFS)
        return Mapping({0, {}, path, systemError}, Operation::Writing).readOnlyDisk();
    return engineError({SQLITE_READONLY, {}, path, systemError}, Operation::Writing);
}

bool looksLikeAccessFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::array<char, 20> header{};
    if (!file.read(header.data(), header.size()))
        return false;
    const std::string_view signature(header.data() + 4, 15);
    return signature == "Standard Jet DB" || signature == "Standard ACE DB";
}

} // namespace catalogue
