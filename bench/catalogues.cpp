// Makes the catalogues the benchmarks read. The schema is taken from the program's
// own starter script, so a benchmark catalogue has exactly the table, collations
// and indexes of a catalogue the program makes; only its rows differ. Tables are
// made first, then the rows, then the indexes (faster than keeping them up to date
// row by row, and the file ends up the same). A stamp beside each file records the
// generator version and the schema it was made with; a different stamp remakes it.
// The filled catalogues are the same books with values in the standard fields.
#include "catalogues.h"

#include "bookfields.h"
#include "random.h"
#include "sqlitehandles.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <sqlite3.h>

namespace fs = std::filesystem;
using catalogue::DatabaseHandle;
using catalogue::StatementHandle;

namespace bench {

namespace {

constexpr int generatorVersion = 3;
constexpr int fieldsVersion = 1; // of BookFieldValues: a change remakes only the filled catalogues
enum class Fields { Empty, HalfFilled };
constexpr std::uint64_t seed = 0x646f72766931; // fixed: the same rows every run
constexpr std::size_t authorCount = 5000;

// The first of each list makes author 0, "Nicolò D'Amico": apostrophe and accent.
constexpr std::array firstNames{
    "Nicolò", "Alessandro", "Giovanni", "Maria", "Giuseppe", "Anna", "Francesco", "Lucia", "Antonio",
    "Giulia", "Pietro", "Chiara", "Carlo", "Elena", "Luigi", "Francesca", "Marco", "Paola", "Andrea",
    "Sara", "Matteo", "Silvia", "Lorenzo", "Valentina", "Giorgio", "Federica", "Paolo", "Alessia",
    "Stefano", "Laura", "Roberto", "Beatrice", "Davide", "Martina", "Emanuele", "Ilaria", "Fabrizio",
    "Cristina", "Michele", "Irene", "Raffaele", "Noemi", "Domenico", "Rosaria", "Salvatore", "Gaia",
    "Vincenzo", "Agnese", "Tommaso", "Ludovica", "Gabriele", "Cecilia", "Niccolò", "Benedetta",
    "Jacopo", "Ginevra", "Élodie", "José", "Søren", "Zoë", "André", "François", "Jürgen", "Dagmar",
    "Björn", "Inês", "Thérèse", "Ángel", "Íñigo", "Renée", "Mirjam", "Wojciech", "Agnès", "Raúl"};
constexpr std::array surnames{
    "D'Amico", "Rossi", "Russo", "Ferrari", "Esposito", "Bianchi", "Romano", "Colombo", "Ricci",
    "Marino", "Greco", "Bruno", "Gallo", "Conti", "De Luca", "Mancini", "Costa", "Giordano", "Rizzo",
    "Lombardi", "Moretti", "D'Angelo", "Dell'Orto", "Sant'Ambrogio", "D'Alessandro", "Dall'Olio",
    "Lo Presti", "Cantù", "Mastrogiacomo", "Bertè", "Zanè", "Bonfà", "Mazzà", "Ferrè", "Licò",
    "García Márquez", "Müller", "Lefèvre", "Østergaard", "Gómez", "Núñez", "Çelik", "Dvořák",
    "Wałęsa", "Öztürk", "Brontë", "O'Brien", "D'Arcy", "O'Connor", "Fontana", "Caruso", "Ferri",
    "Galli", "Martini", "Leone", "Longo", "Gentile", "Martinelli", "Vitale", "Serra", "Coppola",
    "De Santis", "D'Onofrio", "Pellegrini", "Marchetti", "Barbieri", "Sanna", "Farina", "Rinaldi"};
static_assert(firstNames.size() * surnames.size() >= authorCount);

constexpr std::array genres{
    "Romanzo", "Romanzo storico", "Giallo", "Poesia", "Poema", "Teatro", "Saggistica", "Memorie",
    "Letteratura per ragazzi", "Fantascienza", "Fantasy", "Biografia", "Filosofia", "Storia",
    "Novelle", "Romanzo epistolare", "Thriller", "Horror", "Fumetto", "Viaggi", "Cucina", "Arte",
    "Scienza", "Religione", "Diritto", "Economia", "Psicologia", "Musica", "Umorismo", "Epica"};

constexpr std::array phrases{
    "Il giardino", "La città", "L'isola", "Lo specchio", "Gli anni", "Le stagioni", "Il silenzio",
    "La casa", "L'ombra", "Il viaggio", "La memoria", "L'estate", "Il mare", "La notte", "Il ritorno",
    "La strada", "L'amore", "Il tempo", "La luna", "Il segreto", "Un'altra vita", "Una notte",
    "Il nome", "La porta", "Il deserto", "La collina", "Il fiume", "La torre", "Il paese", "La voce",
    "L'inverno", "Il cielo", "La guerra", "La pace", "Il giorno", "La sera", "Il vento", "La pioggia",
    "Il sogno", "La verità", "La libertà", "Il caffè", "La virtù", "Il perché", "Le città", "I figli",
    "Il barone", "La locandiera", "Il partigiano", "La tregua", "Il principe", "La coscienza",
    "Le avventure", "Il piacere", "La storia", "Il gattopardo", "Le lettere", "Il diario", "La bottega",
    "Il ponte", "La stazione", "L'orologio", "Il treno", "La fabbrica", "Il porto", "La biblioteca",
    "Il castello", "La montagna", "Il lago", "La valle", "L'ultimo inverno", "Il primo amore",
    "La lunga estate", "Il ragazzo", "La ragazza", "Il maestro", "La sposa", "Il medico", "L'eredità",
    "Il processo", "La promessa", "Il patto", "La fuga", "L'attesa", "Il canto", "La danza"};
constexpr std::array complements{
    "di vetro", "dei Tartari", "della sera", "senza nome", "dell'alba", "d'inverno", "nel bosco",
    "sul fiume", "delle stelle", "di Sicilia", "oltre il confine", "tra le nuvole", "dei ricordi",
    "perduto", "infinita", "d'autunno", "all'improvviso", "in città", "di carta", "sotto la neve",
    "al tramonto", "nell'ombra", "di mezzanotte", "del mattino", "fra gli ulivi", "più lontano",
    "già scritto", "così vicino", "che verrà", "di nessuno", "e altri racconti", "per sempre",
    "a metà", "di là dal mare", "invisibili", "dei Finzi-Contini", "rampante", "di Trieste",
    "di Napoli", "a Venezia", "sul lago di Como", "in Sardegna", "delle Langhe", "di provincia",
    "del Novecento", "del re", "della regina", "dimenticato", "ritrovata", "senza ritorno",
    "di famiglia", "del faro", "dei vinti", "degli ulivi", "sotto il vulcano", "nel deserto",
    "in fondo al mare", "dell'Adriatico", "di Milano", "di Palermo", "di Torino", "di Firenze",
    "del commissario", "dell'ispettore", "della contessa", "del notaio", "dei gelsomini"};
constexpr std::size_t shortestTitle = 10;
constexpr std::size_t longestTitle = 60;

std::string author(std::size_t index)
{
    return std::string(firstNames[index % firstNames.size()]) + ' ' + surnames[index / firstNames.size()];
}

// One book in every `twinEvery` has one of these authors, in turn, whatever the
// random draw: each has exactly as many books as the others, so the searches for
// them in capitals compare the letter rule's cost at equal hits. Every other one of
// their books spells the name in capitals, as a catalogue typed over the years does.
constexpr int twinEvery = 5000;
struct Twin {
    const char* name;
    const char* capitals;
};
constexpr std::array twins{Twin{"Italo Calvino", "ITALO CALVINO"},
                           Twin{"Niccolò Machiavelli", "NICCOLÒ MACHIAVELLI"},
                           Twin{"Émile Zola", "ÉMILE ZOLA"}};

std::optional<std::string> twinAuthor(int row)
{
    const int slot = row % twinEvery - 1;
    if (slot < 0 || slot >= static_cast<int>(twins.size()))
        return std::nullopt;
    const Twin& twin = twins[static_cast<std::size_t>(slot)];
    return (row / twinEvery) % 2 ? twin.capitals : twin.name;
}

std::string lowerFirst(std::string text)
{
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z')
        text[0] = static_cast<char>(text[0] - 'A' + 'a');
    return text;
}

std::string titlePiece(Random& random)
{
    switch (random.below(4)) {
    case 0:
        return " e " + lowerFirst(random.pick(phrases));
    case 1:
        return std::string(" di ") + random.pick(firstNames);
    default:
        return std::string(" ") + random.pick(complements);
    }
}

// 10 to 60 characters, about 33 on average; `atLeast` makes a long one.
std::string title(Random& random, std::size_t atLeast = 0)
{
    std::string text = random.pick(phrases);
    const std::size_t wanted = std::max(atLeast, shortestTitle + random.below(36));
    while (text.size() < wanted) {
        const std::string piece = titlePiece(random);
        if (text.size() + piece.size() > longestTitle)
            break;
        text += piece;
    }
    return text;
}

[[noreturn]] void fail(const std::string& what, sqlite3* db = nullptr)
{
    throw std::runtime_error("benchmark catalogue: " + what + (db ? std::string(": ") + sqlite3_errmsg(db) : ""));
}

void execute(sqlite3* db, const std::string& sql)
{
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(sql, db);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        fail("cannot read " + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string_view withoutLeadingComments(std::string_view sql)
{
    for (;;) {
        const std::size_t start = sql.find_first_not_of(" \t\r\n");
        if (start == std::string_view::npos)
            return {};
        sql.remove_prefix(start);
        if (sql.starts_with("--")) {
            const std::size_t end = sql.find('\n');
            sql.remove_prefix(end == std::string_view::npos ? sql.size() : end);
        } else if (sql.starts_with("/*")) {
            const std::size_t end = sql.find("*/");
            sql.remove_prefix(end == std::string_view::npos ? sql.size() : end + 2);
        } else {
            return sql;
        }
    }
}

bool startsWithWords(std::string_view sql, std::string_view words)
{
    if (sql.size() < words.size())
        return false;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const char c = sql[i];
        const char upper = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != words[i])
            return false;
    }
    return true;
}

// The CREATE statements of the starter script, tables apart from the rest; its
// rows are left out. Split by the engine itself, so quoting and comments are read
// exactly as the program reads them.
struct Schema {
    std::vector<std::string> tables;
    std::vector<std::string> afterRows;
    std::string text() const
    {
        std::string all;
        for (const auto* part : {&tables, &afterRows})
            for (const std::string& sql : *part)
                all += sql + ";\n";
        return all;
    }
};

Schema starterSchema()
{
    const std::string script = readFile(DORVI_STARTER_SQL);
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    DatabaseHandle db(raw);
    Schema schema;
    const char* next = script.c_str();
    while (*next) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db.get(), next, -1, &stmt, &next) != SQLITE_OK)
            fail(std::string("reading ") + DORVI_STARTER_SQL, db.get());
        StatementHandle owned(stmt);
        if (!stmt)
            break;
        const std::string sql(withoutLeadingComments(sqlite3_sql(stmt)));
        if (startsWithWords(sql, "CREATE TABLE")) {
            schema.tables.push_back(sql);
            sqlite3_step(stmt); // later statements of the script may refer to it
        } else if (startsWithWords(sql, "CREATE")) {
            schema.afterRows.push_back(sql);
        }
    }
    if (schema.tables.empty())
        fail(std::string("no table in ") + DORVI_STARTER_SQL);
    return schema;
}

std::string stampFor(const Schema& schema, int rows, Fields fields)
{
    return "generator " + std::to_string(generatorVersion) + "\nrows " + std::to_string(rows) +
           (fields == Fields::HalfFilled ? "\nfields " + std::to_string(fieldsVersion) : std::string()) + "\nschema " +
           std::to_string(std::hash<std::string>{}(schema.text())) + "\n";
}

// The fields' values are drawn from a sequence of their own, so the authors, titles
// and genres are the same with them as without.
void insertRows(sqlite3* db, int rows, Fields fields)
{
    const bool filled = fields == Fields::HalfFilled;
    sqlite3_stmt* raw = nullptr;
    const std::string sql = "INSERT INTO dorvi (autore, titolo, genere" +
                            (filled ? BookFieldValues::columns() : std::string()) + ") VALUES (?1, ?2, ?3" +
                            (filled ? BookFieldValues::parameters(4) : std::string()) + ")";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        fail(sql, db);
    StatementHandle insert(raw);
    Random random(seed);
    BookFieldValues fieldValues(~seed);
    const int middle = rows / 2;
    std::size_t titleBytes = 0;
    for (int row = 0; row < rows; ++row) {
        const std::size_t authorIndex = random.below(authorCount);
        const std::string name = twinAuthor(row).value_or(author(row == middle ? 0 : authorIndex));
        // The middle row is the one searched for: a long title, as good as unique,
        // as most titles in a real catalogue are.
        const std::string bookTitle = title(random, row == middle ? 45 : 0);
        const char* genre = random.pick(genres);
        titleBytes += bookTitle.size();
        sqlite3_bind_text(insert.get(), 1, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 2, bookTitle.data(), static_cast<int>(bookTitle.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(insert.get(), 3, genre, -1, SQLITE_STATIC);
        if (filled)
            fieldValues.bindNext(insert.get(), 4);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            fail("inserting a book", db);
        sqlite3_reset(insert.get());
    }
    std::cerr << "  titles average " << (rows ? titleBytes / static_cast<std::size_t>(rows) : 0) << " bytes\n";
}

void generate(const std::string& path, const Schema& schema, int rows, Fields fields)
{
    const std::string temporary = path + ".new";
    fs::remove(temporary);
    const auto started = std::chrono::steady_clock::now();
    std::cerr << "Making a benchmark catalogue of " << rows << " books in " << path << " ...\n";
    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(temporary.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        DatabaseHandle db(raw);
        if (rc != SQLITE_OK)
            fail("cannot create " + temporary, db.get());
        // Nothing to protect while making it: a broken file is simply made again.
        execute(db.get(), "PRAGMA journal_mode=OFF");
        execute(db.get(), "PRAGMA synchronous=OFF");
        execute(db.get(), "BEGIN");
        for (const std::string& sql : schema.tables)
            execute(db.get(), sql);
        insertRows(db.get(), rows, fields);
        for (const std::string& sql : schema.afterRows)
            execute(db.get(), sql);
        execute(db.get(), "COMMIT");
    }
    fs::rename(temporary, path);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::cerr << "  done in " << seconds << " s, " << fs::file_size(path) / (1024 * 1024) << " MiB\n";
}

fs::path dataFolder()
{
    if (const char* folder = std::getenv("DORVI_BENCH_DATA"))
        return folder;
    return DORVI_BENCH_DATA;
}

Catalogue describe(const fs::path& folder, int rows)
{
    return Catalogue{folder.string(), (folder / "dorvi.mdb").string(), rows};
}

// Made now if missing or made by an older generator, and kept.
Catalogue madeCatalogue(const std::string& folderName, int rows, Fields fields)
{
    const Catalogue result = describe(dataFolder() / folderName, rows);
    fs::create_directories(result.folder);
    const Schema schema = starterSchema();
    const std::string stampPath = result.path + ".stamp";
    const std::string stamp = stampFor(schema, rows, fields);
    if (!fs::exists(result.path) || !fs::exists(stampPath) || readFile(stampPath) != stamp) {
        fs::remove(stampPath);
        fs::remove(result.path);
        generate(result.path, schema, rows, fields);
        std::ofstream(stampPath) << stamp;
    }
    return result;
}

} // namespace

const Catalogue& catalogue(int rows)
{
    static std::map<int, Catalogue> made;
    if (auto found = made.find(rows); found != made.end())
        return found->second;
    return made.emplace(rows, madeCatalogue(std::to_string(rows), rows, Fields::Empty)).first->second;
}

const Catalogue& filledCatalogue(int rows)
{
    static std::map<int, Catalogue> made;
    if (auto found = made.find(rows); found != made.end())
        return found->second;
    return made.emplace(rows, madeCatalogue("filled-" + std::to_string(rows), rows, Fields::HalfFilled))
        .first->second;
}

const Catalogue& scratchCatalogue(int rows)
{
    static std::map<int, Catalogue> made;
    if (auto found = made.find(rows); found != made.end())
        return found->second;

    const Catalogue& source = catalogue(rows);
    const Catalogue result = describe(dataFolder() / ("scratch-" + std::to_string(rows)), rows);
    fs::create_directories(result.folder);
    fs::remove(result.path + "-journal");
    fs::copy_file(source.path, result.path, fs::copy_options::overwrite_existing);
    return made.emplace(rows, result).first->second;
}

const Catalogue& hugeTitlesCatalogue()
{
    static const Catalogue made = [] {
        const int rows = hugeTitlesRows;
        const Catalogue& source = catalogue(rows);
        const Catalogue result = describe(dataFolder() / "huge-titles", rows);
        fs::create_directories(result.folder);
        fs::remove(result.path + "-journal");
        fs::copy_file(source.path, result.path, fs::copy_options::overwrite_existing);
        sqlite3* raw = nullptr;
        if (sqlite3_open(result.path.c_str(), &raw) != SQLITE_OK)
            fail("cannot open " + result.path, raw);
        DatabaseHandle db(raw);
        const std::string megabyte(std::size_t(1) << 20, 'm');
        std::string emoji;
        for (int i = 0; i < hugeEmojiCount; ++i)
            emoji += i == 0 ? "\xF0\x9F\x91\xA9" : "\xE2\x80\x8D\xF0\x9F\x91\xA9"; // 👩, then ZWJ 👩
        std::string sql = "UPDATE dorvi SET titolo = CASE iddorvo WHEN " + std::to_string(hugeEmojiBook) + " THEN '" +
                          emoji + "' ELSE 'Inizio " + megabyte + "' END WHERE iddorvo IN (" +
                          std::to_string(hugeEmojiBook);
        for (const int book : {1, 2, 3, 4, 5, rows - 4, rows - 3, rows - 2, rows - 1, rows})
            sql += ", " + std::to_string(book);
        execute(db.get(), sql + ")");
        return result;
    }();
    return made;
}

SearchValues presentValues(int rows)
{
    const Catalogue& file = catalogue(rows);
    sqlite3* raw = nullptr;
    sqlite3_open_v2(file.path.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
    DatabaseHandle db(raw);
    sqlite3_stmt* stmtRaw = nullptr;
    const std::string sql =
        "SELECT autore, titolo, genere FROM dorvi WHERE iddorvo = " + std::to_string(rows / 2 + 1);
    if (sqlite3_prepare_v2(db.get(), sql.c_str(), -1, &stmtRaw, nullptr) != SQLITE_OK)
        fail(sql, db.get());
    StatementHandle stmt(stmtRaw);
    if (sqlite3_step(stmt.get()) != SQLITE_ROW)
        fail("the middle row of " + file.path + " is missing", db.get());
    const auto text = [&](int column) {
        return std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), column)));
    };
    return SearchValues{text(0), text(1), text(2)};
}

CapitalsAnswers capitalsAnswers()
{
    return CapitalsAnswers{twins[0].capitals, twins[1].capitals, twins[2].capitals};
}

SearchValues absentValues()
{
    return SearchValues{"Nessun'autrice così", "Un titolo che nessun libro porta", "Genere inesistente"};
}

} // namespace bench
