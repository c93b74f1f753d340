// Maps SQLite's result codes onto the program's numbered errors. The description
// is Italian and names the catalogue file; the engine's own text travels with the
// error unchanged, for the details line of the message.
#include "engineerror.h"

#include <array>
#include <fstream>
#include <sqlite3.h>
#include <string_view>

namespace catalogue {

namespace {

std::string quoted(const std::string& text) { return "«" + text + "»"; }

std::string afterPrefix(std::string_view message, std::string_view prefix)
{
    if (message.substr(0, prefix.size()) != prefix)
        return {};
    return std::string(message.substr(prefix.size()));
}

Error notADatabase(const std::string& path, int code, const std::string& message)
{
    if (looksLikeAccessFile(path)) {
        return Error(ErrorNumber::AccessFile,
                     "Il file " + quoted(path) + " è un vecchio catalogo di Access (Jet). "
                     "Va convertito una volta con il comando: dorvi-import " + path,
                     code, message);
    }
    return Error(ErrorNumber::NotADatabase,
                 "Il file " + quoted(path) + " non è un catalogo: il suo formato non è riconosciuto.",
                 code, message);
}

} // namespace

bool looksLikeAccessFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::array<char, 20> header{};
    if (!file.read(header.data(), header.size()))
        return false;
    const std::string_view signature(header.data() + 4, 15);
    return signature == "Standard Jet DB" || signature == "Standard ACE DB";
}

Error engineError(sqlite3* db, int resultCode, const std::string& givenPath)
{
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(resultCode);
    std::string path = givenPath;
    if (path.empty() && db) {
        const char* name = sqlite3_db_filename(db, "main");
        path = name ? name : "";
    }
    const std::string file = quoted(path);

    switch (resultCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Error(ErrorNumber::Locked,
                     "Il catalogo " + file + " è bloccato da un altro programma. "
                     "Riprovare quando l'altro programma ha finito.",
                     resultCode, message);
    case SQLITE_READONLY:
        return Error(ErrorNumber::ReadOnlyFile,
                     "Il catalogo " + file + " è protetto da scrittura: la modifica non è stata scritta.",
                     resultCode, message);
    case SQLITE_NOTADB:
        return notADatabase(path, resultCode, message);
    case SQLITE_CORRUPT:
        return Error(ErrorNumber::Corrupt,
                     "Il catalogo " + file + " è danneggiato e non si può leggere.",
                     resultCode, message);
    case SQLITE_CANTOPEN:
        return Error(ErrorNumber::FileNotFound,
                     "Impossibile aprire il catalogo " + file + ".", resultCode, message);
    case SQLITE_FULL:
        return Error(ErrorNumber::DiskFull,
                     "Il disco che contiene il catalogo " + file + " è pieno: la modifica non è stata scritta.",
                     resultCode, message);
    case SQLITE_IOERR:
        return Error(ErrorNumber::Generic,
                     "Errore di lettura o scrittura sul catalogo " + file + ".", resultCode, message);
    case SQLITE_CONSTRAINT:
        if (resultCode == SQLITE_CONSTRAINT_PRIMARYKEY || resultCode == SQLITE_CONSTRAINT_UNIQUE) {
            return Error(ErrorNumber::DuplicateKey,
                         "Il valore è già presente in un altro libro e in questa colonna non può ripetersi.",
                         resultCode, message);
        }
        return Error(ErrorNumber::ValueRefused,
                     "Il catalogo rifiuta il valore: non rispetta le regole della colonna.",
                     resultCode, message);
    case SQLITE_MISMATCH:
        return Error(ErrorNumber::ValueRefused,
                     "Il valore non è del tipo che la colonna accetta (ad esempio testo in una colonna numerica).",
                     resultCode, message);
    case SQLITE_TOOBIG:
        return Error(ErrorNumber::ValueRefused, "Il valore è troppo lungo per il catalogo.",
                     resultCode, message);
    case SQLITE_ERROR:
        if (auto table = afterPrefix(message, "no such table: "); !table.empty()) {
            return Error(ErrorNumber::TableMissing,
                         "Nel catalogo " + file + " manca la tabella " + quoted(table) + ".",
                         resultCode, message);
        }
        if (auto column = afterPrefix(message, "no such column: "); !column.empty()) {
            return Error(ErrorNumber::ColumnMissing,
                         "Nel catalogo " + file + " manca la colonna " + quoted(column) + ".",
                         resultCode, message);
        }
        return Error(ErrorNumber::StatementRefused,
                     "Il motore del catalogo rifiuta l'istruzione.", resultCode, message);
    default:
        return Error(ErrorNumber::Generic, "Errore del motore del catalogo " + file + ".",
                     resultCode, message);
    }
}

} // namespace catalogue
