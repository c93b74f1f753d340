// Files made to hurt the import: a database source whose books come from a view
// that never ends, text whose conversion would grow with the square of its size,
// XML that expands a few KB into hundreds of MB, and a zip bomb. Each is refused
// or cut quickly, with nothing written or the cut told in the report. A run that
// falls back into the old slowness ends at the test's time limit.
#include "bookimport.h"
#include "error.h"
#include "htmltext.h"
#include "importpreview.h"
#include "importtesting.h"
#include "readonlysource.h"
#include "xmlfeed.h"

#include <zip.h>

#include <sys/wait.h>
#include <unistd.h>
#include <sqlite3.h>

using namespace importtesting;

namespace {

void exec(const fs::path& database, const std::string& sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open(database.c_str(), &raw);
    catalogue::DatabaseHandle db(raw);
    char* error = nullptr;
    if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "?";
        sqlite3_free(error);
        throw std::runtime_error(sql + ": " + message);
    }
}

std::string failureOf(const std::function<void()>& import)
{
    try {
        import();
    } catch (const catalogue::Error& error) {
        return error.description();
    }
    return "(nessun errore)";
}

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The one value `sql` reads, as text.
std::string scalar(const fs::path& database, const std::string& sql)
{
    const catalogue::Value value = query(database, sql).at(0).at(0);
    if (const auto* number = std::get_if<std::int64_t>(&value))
        return std::to_string(*number);
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    return "(nessun valore)";
}

std::string repeated(const std::string& part, std::size_t times)
{
    std::string all;
    all.reserve(part.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        all += part;
    return all;
}

// The exit code of dorvi-import and what it wrote on stderr. A run still going
// after `seconds` is killed by its alarm (which survives exec) and fails.
std::pair<int, std::string> runTool(const std::vector<std::string>& arguments, const fs::path& err, int seconds)
{
    const pid_t child = ::fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen(err.c_str(), "w", stderr);
        ::alarm(static_cast<unsigned>(seconds));
        std::vector<char*> argv{const_cast<char*>(DORVI_IMPORT)};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        ::execv(DORVI_IMPORT, argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status), fileBytes(err)};
}

void writeZip(const fs::path& path, const std::string& member, const std::string& bytes)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
    ASSERT_GE(zip_file_add(archive, member.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    ASSERT_EQ(zip_close(archive), 0);
}

class Hostile : public testing::Test {
protected:
    Hostile()
    {
        exec(catalogue, "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT, titolo TEXT, genere TEXT);"
                        "INSERT INTO dorvi VALUES (1, 'Italo Calvino', 'Le città invisibili', 'Romanzo');");
    }
    std::string books() { return scalar(catalogue, "SELECT count(*) FROM dorvi"); }

    ScratchFolder folder;
    fs::path catalogue = folder / "dorvi.mdb";
};

// A recursive query with no last row; ordered, it would be sorted to a temporary
// file before its first row, which grew past a GB while the window froze.
const char* const endlessView = "CREATE VIEW dorvi AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
                                "SELECT i AS iddorvo, 'autore ' || i AS autore, 'titolo' AS titolo, NULL AS genere "
                                "FROM n;";

} // namespace

// Another catalogue whose dorvi is a view is refused as such, through the
// engine, its preview and the command line, and nothing is written.
TEST_F(Hostile, ACatalogueWhoseBooksAreAViewIsRefused)
{
    const fs::path source = folder / "altro.mdb";
    exec(source, endlessView);
    const std::string engine = failureOf([&] { bookimport::importIntoCatalogue(source, catalogue, {}); });
    EXPECT_TRUE(contains(engine, "«dorvi» vi è una vista, non una tabella")) << engine;
    EXPECT_TRUE(contains(failureOf([&] { bookimport::previewImport(source, catalogue, {}); }), "una vista"));
    const auto [exitCode, err] = runTool({"--aggiungi", source.string(), catalogue.string()}, folder / "err", 20);
    EXPECT_EQ(exitCode, 2) << err;
    EXPECT_TRUE(contains(err, "una vista")) << err;
    EXPECT_EQ(books(), "1");

    const fs::path virtualTable = folder / "virtuale.mdb";
    exec(virtualTable, "CREATE VIRTUAL TABLE dorvi USING fts5(autore, titolo, genere);");
    EXPECT_TRUE(contains(failureOf([&] { bookimport::importIntoCatalogue(virtualTable, catalogue, {}); }),
                         "una tabella virtuale"));
}

// A calibre library is read from a dozen tables: a view in place of any of them
// (here the tags, joined a hundred thousand by a hundred thousand) is refused.
TEST_F(Hostile, ACalibreLibraryWithAViewIsRefused)
{
    const fs::path library = folder / "metadata.db";
    exec(library, "CREATE TABLE books (id INTEGER PRIMARY KEY, title TEXT, pubdate TEXT, series_index REAL, "
                  "timestamp TEXT);"
                  "CREATE TABLE authors (id INTEGER PRIMARY KEY, name TEXT);"
                  "CREATE TABLE books_authors_link (id INTEGER PRIMARY KEY, book INTEGER, author INTEGER);"
                  "CREATE TABLE identifiers (id INTEGER PRIMARY KEY, book INTEGER, type TEXT, val TEXT);"
                  "CREATE TABLE comments (id INTEGER PRIMARY KEY, book INTEGER, text TEXT);"
                  "CREATE TABLE many (i INTEGER);"
                  "CREATE VIEW tags AS SELECT a.i AS id, 'x' AS name FROM many a, many b;"
                  "INSERT INTO books VALUES (1, 'Titolo', NULL, 1.0, NULL);");
    const std::string failure = failureOf([&] { bookimport::importIntoCatalogue(library, catalogue, {}); });
    EXPECT_TRUE(contains(failure, "La biblioteca di calibre")) << failure;
    EXPECT_TRUE(contains(failure, "«tags» vi è una vista")) << failure;
    EXPECT_EQ(books(), "1");
}

// Annulla reaches into a statement that is still running: the engine ends it at
// once, where the old import had no way to stop a read before its first row.
TEST_F(Hostile, AStopEndsAStatementStillRunningAndTheImport)
{
    const fs::path source = folder / "altro.mdb";
    exec(source, "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT, titolo TEXT, genere TEXT);"
                 "INSERT INTO dorvi VALUES (1, 'Elsa Morante', 'La Storia', NULL);");
    const std::atomic<bool> stop{true};
    const catalogue::DatabaseHandle db = bookimport::openReadOnlySource(source, "?", &stop);
    const int endless = sqlite3_exec(
        db.get(), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT count(*) FROM n", nullptr,
        nullptr, nullptr);
    EXPECT_EQ(endless, SQLITE_INTERRUPT);
    EXPECT_TRUE(bookimport::stoppedBy(endless, &stop));

    bookimport::ImportOptions options;
    options.stop = &stop;
    EXPECT_EQ(failureOf([&] { bookimport::importIntoCatalogue(source, catalogue, options); }),
              "Lettura annullata: non è stato scritto nulla.");
    EXPECT_EQ(books(), "1");
}

// HTML that made the conversion look to the end of the text at every '&' or '<':
// a million of them took seconds, ten million minutes. 24 MB of each must be
// read in one pass; the test's time limit stands for the old slowness.
TEST(HtmlText, HostileTextIsReadInOnePass)
{
    constexpr std::size_t times = 8'000'000;
    const std::string ampersands = "<p>" + std::string(times, '&');
    EXPECT_EQ(bookimport::plainText(ampersands), std::string(times, '&'));
    const std::string openings = "<p>" + repeated("<a", times);
    EXPECT_EQ(bookimport::plainText(openings), repeated("<a", times));
    const std::string references = "<p>" + repeated("&#x", times) + "</p>";
    EXPECT_EQ(bookimport::plainText(references).size(), 3 * times);
}

// A '<' that no '>' follows is text, and the text after it is still read as
// HTML; a reference is looked for only a few characters on.
TEST(HtmlText, UnclosedTagsAndFarSemicolons)
{
    EXPECT_EQ(bookimport::plainText("<p>x</p> 3 <b 4 &amp; 5"), "x\n3 <b 4 & 5");
    EXPECT_EQ(bookimport::plainText("<b>a</b> &amp b; &hellip; &#x10FFFF;"), "a &amp b; … \xF4\x8F\xBF\xBF");
    EXPECT_EQ(bookimport::plainText("<i>&#x0000000041;</i>"), "&#x0000000041;");
}

// Cutting keeps whole letters: a cut never leaves half of "è".
TEST(XmlValues, ACutKeepsWholeLetters)
{
    std::string text = "ab";
    EXPECT_FALSE(bookimport::appendWithin(text, "\xC3\xA8\xC3\xA8", 5));
    EXPECT_EQ(text, "ab\xC3\xA8");
    EXPECT_TRUE(bookimport::appendWithin(text, "c", 5));
    EXPECT_EQ(text, "ab\xC3\xA8" "c");
    EXPECT_FALSE(bookimport::appendWithin(text, "d", 5));
}

// Entities of the document's own DTD expand a few KB into a title and a note of
// many MB (an 80 MB title took 628 MB): an entity may stand for 256 characters
// at most, each value is kept to 1 MiB and the report says so; the next book is
// read as usual.
TEST_F(Hostile, EntitiesExpandingIntoHugeValuesAreCut)
{
    const std::string dtd = "<!DOCTYPE tellico [<!ENTITY a \"" + std::string(250, 'a') + "\">]>";
    const std::string tellico = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" + dtd +
                                "<tellico><collection type=\"2\"><entry id=\"1\"><title>" + repeated("&a;", 5000) +
                                "</title><comments>" + repeated("&a;", 2000) +
                                "</comments></entry><entry id=\"2\"><title>Dopo</title></entry></collection>"
                                "</tellico>";
    writeFile(folder / "libri.xml", tellico);
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(folder / "libri.xml", catalogue, {});
    EXPECT_EQ(report.added, 2u);
    EXPECT_EQ(scalar(catalogue, "SELECT length(titolo) FROM dorvi WHERE iddorvo = 2"),
              std::to_string(bookimport::valueLimit));
    EXPECT_EQ(scalar(catalogue, "SELECT length(note) FROM dorvi WHERE iddorvo = 2"), std::to_string(2000 * 250));
    ASSERT_EQ(report.changes.size(), 1u);
    EXPECT_EQ(report.changes[0].column, "titolo");
    EXPECT_TRUE(contains(report.changes[0].text, "tagliato a 1 MiB")) << report.changes[0].text;
    EXPECT_EQ(scalar(catalogue, "SELECT titolo FROM dorvi WHERE iddorvo = 3"), "Dopo");

    const std::string gcstar = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>" +
                               std::string("<!DOCTYPE collection [<!ENTITY a \"") + std::string(250, 'b') +
                               "\">]><collection type=\"GCbooks\"><item id=\"1\" title=\"" + repeated("&a;", 5000) +
                               "\"><comments>" + repeated("&a;", 5000) + "</comments></item></collection>";
    writeFile(folder / "libri.gcs", gcstar);
    const bookimport::ImportReport cut = bookimport::importIntoCatalogue(folder / "libri.gcs", catalogue, {});
    EXPECT_EQ(scalar(catalogue, "SELECT length(titolo) = 1048576 AND length(note) <= 1048576 FROM dorvi "
                                "WHERE iddorvo = 4"),
              "1");
    EXPECT_EQ(cut.changes.size(), 2u);

    const std::string oneBig = "<?xml version=\"1.0\"?><!DOCTYPE tellico [<!ENTITY a \"" + std::string(4000, 'a') +
                               "\">]><tellico><collection type=\"2\"><entry id=\"1\"><title>&a;</title></entry>"
                               "</collection></tellico>";
    writeFile(folder / "grande.xml", oneBig);
    EXPECT_TRUE(contains(failureOf([&] { bookimport::importIntoCatalogue(folder / "grande.xml", catalogue, {}); }),
                         "non è XML ben formato"));
    EXPECT_EQ(books(), "4");
}

// A text of many MB without one element in it, here a GiB of spaces cut to 20
// MB, is refused once past 8 MiB: the reader would hold it all, twice over.
TEST_F(Hostile, AnEndlessTextIsRefused)
{
    writeFile(folder / "spazi.xml", "<?xml version=\"1.0\"?><tellico><collection type=\"2\"><entry id=\"1\"><title>" +
                                        std::string(20 << 20, ' ') + "Titolo</title></entry></collection></tellico>");
    const std::string failure =
        failureOf([&] { bookimport::importIntoCatalogue(folder / "spazi.xml", catalogue, {}); });
    EXPECT_TRUE(contains(failure, "un testo di oltre 8 MiB senza un solo elemento")) << failure;
    EXPECT_EQ(books(), "1");
}

// A Tellico archive whose XML expands a thousand times (20 MB of empty elements
// in 20 KB) is refused once past what any collection expands to; nothing is
// written.
TEST_F(Hostile, AZipBombIsRefused)
{
    const std::string xml = "<?xml version=\"1.0\"?><tellico><collection type=\"2\"><entry id=\"1\"><title>" +
                            repeated("<x/>", 5 << 20) + "Titolo</title></entry></collection></tellico>";
    writeZip(folder / "bomba.tc", "tellico.xml", xml);
    ASSERT_LT(fs::file_size(folder / "bomba.tc"), 200'000u);
    const std::string failure =
        failureOf([&] { bookimport::importIntoCatalogue(folder / "bomba.tc", catalogue, {}); });
    EXPECT_TRUE(contains(failure, "si espande oltre 100 volte")) << failure;
    EXPECT_EQ(books(), "1");
}
