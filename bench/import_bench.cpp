// dorvi-import-bench: bringing in a CSV of 200,000 books, against the sqlite3
// shell's own `.import --csv` of the same file measured in the same run.
//   1. into a new catalogue, against `.import` into a new table of the same columns;
//   2. into a catalogue of 1,000,000 books with duplicates checked (one book in
//      ten of the file is already there), against the same `.import`, and against
//      `.import` into a copy of that catalogue (its three indexes kept up).
// Each figure is the median of three runs. Built in Release in its own folder:
//   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
//   cmake --build build-bench --target dorvi-import-bench && build-bench/bench/dorvi-import-bench
#include "bookimport.h"
#include "sqlitehandles.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <random>
#include <string>
#include <vector>
#include <sqlite3.h>

namespace fs = std::filesystem;

namespace {

constexpr int fileBooks = 200000;
constexpr int catalogueBooks = 1000000;

const char* authors[] = {"Italo Calvino", "Niccolò Machiavelli", "Grazia Deledda", "Gabriele D'Annunzio",
                         "Primo Levi", "Elsa Morante", "Dino Buzzati", "Natalia Ginzburg", "Cesare Pavese",
                         "Umberto Eco", "Luigi Pirandello", "Italo Svevo", "Giovanni Verga", "Alberto Moravia"};
const char* words[] = {"il", "barone", "città", "invisibili", "deserto", "tartari", "nome", "rosa", "luna", "falò",
                       "storia", "lessico", "famigliare", "coscienza", "piacere", "canne", "vento", "notte"};
const char* genres[] = {"Romanzo", "Poesia", "Saggistica", "Giallo", "Teatro", "Memorie"};

std::string isbnFor(long n)
{
    std::string twelve = "978" + std::to_string(100000000 + n % 900000000);
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (twelve[static_cast<std::size_t>(i)] - '0') * (i % 2 ? 3 : 1);
    return twelve + static_cast<char>('0' + (10 - sum % 10) % 10);
}

std::string title(std::mt19937& random, long n)
{
    std::string text;
    for (int w = 0; w < 4; ++w)
        text += std::string(w ? " " : "") + words[random() % std::size(words)];
    return text + " " + std::to_string(n);
}

const char* heading = "autore,titolo,genere,anno,editore,isbn,collana,numero,lingua,pagine,collocazione,letto,voto,"
                      "note,prestato_a,prestato_il,aggiunto_il";

// Books numbered `from` on; the same numbers give the same books.
void writeBooks(std::ostream& out, long from, long count)
{
    std::mt19937 random(static_cast<unsigned>(from));
    for (long n = from; n < from + count; ++n) {
        out << '"' << authors[n % std::size(authors)] << "\"," << title(random, n) << ',' << genres[n % 6] << ','
            << 1900 + n % 120 << ",Einaudi," << isbnFor(n) << ",,," << "italiano," << 100 + n % 500 << ",A"
            << n % 40 << ',' << n % 2 << ',' << 1 + n % 5 << ",\"una nota, con virgola\",,,2026-01-0"
            << 1 + n % 9 << "\n";
    }
}

// The median of three runs, each after `prepare`, which is not timed.
double seconds(const std::function<void()>& prepare, const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < 3; ++i) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[1];
}

void shell(const std::string& command)
{
    if (std::system(command.c_str()) != 0)
        throw std::runtime_error("failed: " + command);
}

void makeCatalogue(const fs::path& path)
{
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    catalogue::DatabaseHandle db(raw);
    const std::string csv = path.string() + ".csv";
    {
        std::ofstream out(csv);
        out << heading << "\n";
        // from 180,000: the file's last 20,000 books are in the catalogue already
        writeBooks(out, fileBooks - fileBooks / 10, catalogueBooks);
    }
    fs::remove(path);
    bookimport::importIntoNewCatalogue(csv, path, {});
    fs::remove(csv);
}

} // namespace

int main()
try {
    const fs::path folder = fs::temp_directory_path() / "dorvi-import-bench";
    fs::create_directories(folder);
    const fs::path csv = folder / "libri.csv";
    {
        std::ofstream out(csv);
        out << heading << "\n";
        writeBooks(out, 0, fileBooks);
    }
    const fs::path big = folder / "milione.mdb";
    if (!fs::exists(big)) {
        std::cerr << "Making a catalogue of " << catalogueBooks << " books...\n";
        makeCatalogue(big);
    }
    const fs::path target = folder / "nuovo.mdb";
    const std::string columnList = "autore, titolo, genere, anno, editore, isbn, collana, numero, lingua, pagine, "
                                   "collocazione, letto, voto, note, prestato_a, prestato_il, aggiunto_il";
    const std::string columns = "CREATE TABLE dorvi (autore, titolo, genere, anno, editore, isbn, collana, numero, "
                                "lingua, pagine, collocazione, letto, voto, note, prestato_a, prestato_il, aggiunto_il)";

    const auto removeTarget = [&] { fs::remove(target); };
    const double shellNew = seconds(removeTarget, [&] {
        shell("sqlite3 '" + target.string() + "' '" + columns + "' '.import --csv --skip 1 " + csv.string() +
              " dorvi'");
    });
    const double oursNew = seconds(removeTarget, [&] {
        bookimport::importIntoNewCatalogue(csv, target, {});
    });
    const fs::path copy = folder / "copia.mdb";
    const auto copyBig = [&] { fs::copy_file(big, copy, fs::copy_options::overwrite_existing); };
    const double shellBig = seconds(copyBig, [&] {
        // .import fills every column of a table in order, and dorvi has iddorvo first:
        // the shell's way is a staging table, then one INSERT … SELECT.
        shell("sqlite3 '" + copy.string() + "' '" + columns.substr(0, 13) + "staging" + columns.substr(18) +
              "' '.import --csv --skip 1 " + csv.string() + " staging' 'INSERT INTO dorvi (" + columnList +
              ") SELECT * FROM staging' 'DROP TABLE staging'");
    });
    bookimport::ImportReport report;
    const double oursBig = seconds(copyBig, [&] { report = bookimport::importIntoCatalogue(csv, copy, {}); });
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    std::printf("CSV of %d books, %.1f MiB\n", fileBooks, static_cast<double>(fs::file_size(csv)) / (1 << 20));
    std::printf("sqlite3 .import into a new table of the same columns   %.3f s\n", shellNew);
    std::printf("dorvi-import into a new catalogue                      %.3f s   ratio %.2f (target <= 2)\n",
                oursNew, oursNew / shellNew);
    std::printf("dorvi-import --aggiungi into 1M books, duplicates checked %.3f s   ratio %.2f to the new table "
                "(target <= 3), %.2f to .import into the 1M catalogue (%.3f s)\n",
                oursBig, oursBig / shellNew, oursBig / shellBig, shellBig);
    std::printf("  (each run into the 1M catalogue starts from a fresh copy of it, not timed)\n");
    std::printf("added %llu, duplicates %llu; peak resident memory %ld MiB\n",
                static_cast<unsigned long long>(report.added), static_cast<unsigned long long>(report.skipped),
                usage.ru_maxrss / 1024);
    return 0;
} catch (const std::exception& error) {
    std::cerr << "dorvi-import-bench: " << error.what() << "\n";
    return 1;
}
