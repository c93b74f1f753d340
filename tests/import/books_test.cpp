// The import engine on files made the way their programs make them: our own CSV
// export written by the export itself, Goodreads and LibraryThing exports in
// their published layout, a calibre library made by calibre, Tellico and GCstar
// collections in their XML; and every bad input refused with nothing written.
#include "bookimport.h"
#include "importpreview.h"
#include "connection.h"
#include "error.h"
#include "csvexport.h"
#include "importpreview.h"
#include "importtesting.h"
#include "recordset.h"
#include "replacingfile.h"
#include "rowsonshow.h"
#include "windowservices.h"

#include <zip.h>

#include <cstdio>
#include <sqlite3.h>

using namespace importtesting;
using catalogue::Value;

namespace {

using Rows = std::vector<std::vector<Value>>;

Value t(const char* text) { return Value(std::string(text)); }
Value i(std::int64_t number) { return Value(number); }
const Value null;

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

void writeZip(const fs::path& path, const std::vector<std::pair<std::string, std::string>>& members)
{
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(archive, nullptr);
    for (const auto& [name, bytes] : members) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        ASSERT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    ASSERT_EQ(zip_close(archive), 0);
}

// The window's CSV export of every book of `catalogue`, written to `csv`.
void exportSpreadsheet(const fs::path& catalogue, const fs::path& csv)
{
    auto connection = std::make_shared<catalogue::Connection>();
    connection->setProvider(catalogue::Connection::catalogueProvider);
    connection->setConnectionString(catalogue);
    connection->open();
    auto books = std::make_shared<catalogue::Recordset>();
    books->setActiveConnection(connection);
    books->setSource("select * from dorvi;");
    books->open();
    struct NoProgress : Progress {
        bool advance(qint64) override { return true; }
    } progress;
    ReplacingFile out(QString::fromStdString(csv.string()));
    ASSERT_TRUE(writeSpreadsheet(RowsOnShow::all(books), out, progress));
    out.commit();
}

class Books : public testing::Test {
protected:
    fs::path fresh(const std::string& name = "nuovo.mdb") { return m_folder / name; }
    // A catalogue of the old program's four columns with one book.
    fs::path oldCatalogue()
    {
        const fs::path path = m_folder / "dorvi.mdb";
        exec(path, "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT COLLATE NOCASE, "
                   "titolo TEXT COLLATE NOCASE, genere TEXT COLLATE NOCASE);"
                   "INSERT INTO dorvi VALUES (1, 'Italo Calvino', 'Le città invisibili', 'Romanzo');");
        return path;
    }
    fs::path file(const std::string& name, const std::string& bytes)
    {
        writeFile(m_folder / name, bytes);
        return m_folder / name;
    }

    ScratchFolder m_folder;
};

const std::string goodreadsHeading =
    "Book Id,Title,Author,Author l-f,Additional Authors,ISBN,ISBN13,My Rating,Average Rating,Publisher,Binding,"
    "Number of Pages,Year Published,Original Publication Year,Date Read,Date Added,Bookshelves,"
    "Bookshelves with positions,Exclusive Shelf,My Review,Spoiler,Private Notes,Read Count,Owned Copies\n";

const std::string goodreads =
    goodreadsHeading +
    "7,Il nome della rosa,Umberto Eco,\"Eco, Umberto\",,=\"8845246639\",=\"\",4,4.14,Bompiani,Paperback,"
    "503,2004,1980,2020/05/01,2019/03/14,\"gialli, storici\",\"gialli (#1)\",read,,,\"Letta d'estate,\n"
    "all'ombra: è bellissima\",1,1\n"
    "8,Good Omens,Terry Pratchett,\"Pratchett, Terry\",Neil Gaiman,=\"0060853980\",=\"9780060853983\",0,4.25,"
    "William Morrow,Paperback,432,2006,1990,,2021/11/02,to-read,to-read (#3),to-read,,,,0,0\n"
    "9,Senza ISBN,Anonimo,\"Anonimo\",,=\"\",=\"\",0,0,,,,,,,2022/01/09,,,currently-reading,,,,0,0\n";

TEST_F(Books, GoodreadsExportArrivesFieldByField)
{
    const bookimport::ImportReport report =
        bookimport::importIntoNewCatalogue(file("goodreads_library_export.csv", goodreads), fresh(), {});
    EXPECT_EQ(report.kind, "Goodreads");
    EXPECT_EQ(report.read, 3u);
    EXPECT_EQ(report.added, 3u);
    EXPECT_EQ(report.exitStatus(), 0) << bookimport::reportText(report);
    EXPECT_EQ(query(fresh(), "SELECT titolo, autore, isbn, editore, anno, pagine, voto, letto, genere, note, "
                             "aggiunto_il FROM dorvi ORDER BY iddorvo"),
              (Rows{{t("Il nome della rosa"), t("Umberto Eco"), t("9788845246630"), t("Bompiani"), i(2004), i(503),
                     i(4), i(1), t("gialli, storici"), t("Letta d'estate,\nall'ombra: è bellissima"), t("2019-03-14")},
                    {t("Good Omens"), t("Terry Pratchett, Neil Gaiman"), t("9780060853983"), t("William Morrow"),
                     i(2006), i(432), null, i(0), t("to-read"), null, t("2021-11-02")},
                    {t("Senza ISBN"), t("Anonimo"), null, null, null, null, null, i(0), null, null,
                     t("2022-01-09")}}));
}

TEST_F(Books, ASecondImportOfTheSameFileAddsNothingAndNamesTheMatches)
{
    const fs::path source = file("goodreads.csv", goodreads);
    const fs::path catalogue = oldCatalogue();
    EXPECT_EQ(bookimport::importIntoCatalogue(source, catalogue, {}).added, 3u);
    const bookimport::ImportReport again = bookimport::importIntoCatalogue(source, catalogue, {});
    EXPECT_EQ(again.read, 3u);
    EXPECT_EQ(again.added, 0u);
    EXPECT_EQ(again.skipped, 3u);
    EXPECT_EQ(again.exitStatus(), 0);
    ASSERT_EQ(again.duplicates.size(), 3u);
    EXPECT_EQ(again.duplicates[0].where, "riga 2");
    EXPECT_TRUE(contains(again.duplicates[0].text, "«Umberto Eco», «Il nome della rosa» (iddorvo 2)"))
        << again.duplicates[0].text;
    EXPECT_EQ(query(catalogue, "SELECT count(*) FROM dorvi")[0][0], i(4));

    bookimport::ImportOptions anyway;
    anyway.keepDuplicates = true;
    const bookimport::ImportReport kept = bookimport::importIntoCatalogue(source, catalogue, anyway);
    EXPECT_EQ(kept.added, 3u);
    EXPECT_EQ(kept.duplicates.size(), 3u);
}

TEST_F(Books, DuplicatesBySameIsbnOrByAuthorAndTitleIgnoringCaseAndAccents)
{
    const fs::path catalogue = oldCatalogue(); // Italo Calvino, Le città invisibili, no ISBN
    const std::string csv = "autore;titolo;isbn\n"
                            "ITALO  CALVINO;le citta invisibili;\n"       // the catalogue's book
                            "Italo Calvino;Le città invisibili;9788804668305\n" // an ISBN on one side only
                            "Primo Levi;La tregua;88-06-17297-X\n"        // wrong check digit, kept
                            "Primo Levi;La tregua (altra edizione);978-0-13-110362-7\n"
                            "Brian Kernighan;The C Programming Language;0-13-110362-8\n" // same ISBN-13 as above
                            "Dino Buzzati;Il deserto dei tartari;\n"
                            "dino buzzati;IL DESERTO DEI TARTARI;\n";   // earlier in the same import
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(file("libri.csv", csv), catalogue, {});
    EXPECT_EQ(report.read, 7u);
    EXPECT_EQ(report.added, 3u);
    EXPECT_EQ(report.skipped, 4u);
    std::vector<std::string> where;
    for (const auto& line : report.duplicates)
        where.push_back(line.where);
    EXPECT_EQ(where, (std::vector<std::string>{"riga 2", "riga 3", "riga 6", "riga 8"}));
    ASSERT_EQ(report.changes.size(), 1u);
    EXPECT_EQ(report.changes[0].column, "isbn");
    EXPECT_TRUE(contains(report.changes[0].text, "dovrebbe essere")) << report.changes[0].text;
    EXPECT_EQ(report.exitStatus(), 1);
    EXPECT_EQ(query(catalogue, "SELECT isbn FROM dorvi WHERE titolo = 'La tregua'")[0][0], t("88-06-17297-X"));
}

// Goodreads first (ISBNs), calibre after (mostly none): a book with an ISBN on
// one side only is the same book when author and title are nearly the same;
// two ISBNs stay two editions; a book with no author or title matches by ISBN alone.
TEST_F(Books, AnIsbnOnOneSideOnlyStillFindsTheDuplicate)
{
    const fs::path catalogue = oldCatalogue(); // Italo Calvino, Le città invisibili, no ISBN
    const std::string goodreadsLike = "autore;titolo;isbn\n"
                                      "Giuseppe Tomasi di Lampedusa;Il Gattopardo;9788807900051\n"
                                      "Giuseppe Tomasi di Lampedusa;Il Gattopardo;9788807818127\n" // another edition
                                      "Italo Calvino;Le città invisibili.;9788804668305\n"
                                      ";Panorama n. 12;9788806219185\n";
    const bookimport::ImportReport first =
        bookimport::importIntoCatalogue(file("goodreads.csv", goodreadsLike), catalogue, {});
    EXPECT_EQ(first.added, 3u);
    ASSERT_EQ(first.duplicates.size(), 1u);
    EXPECT_EQ(first.duplicates[0].where, "riga 4");
    EXPECT_TRUE(contains(first.duplicates[0].text, "(iddorvo 1): non aggiunto")) << first.duplicates[0].text;

    const std::string calibreLike = "autore;titolo;isbn\n"
                                    "giuseppe tomasi di lampedusa;Gattopardo;\n"  // both editions' copy
                                    "Tomasi di Lampedusa;Il Gattopardo;\n"        // another author's spelling
                                    ";Panorama n. 12;\n"                          // no author: nobody's twin
                                    ";Panorama n. 12;978-88-06-21918-5\n";        // its ISBN: the same
    const bookimport::ImportReport second =
        bookimport::importIntoCatalogue(file("calibre.csv", calibreLike), catalogue, {});
    EXPECT_EQ(second.read, 4u);
    EXPECT_EQ(second.added, 2u);
    ASSERT_EQ(second.duplicates.size(), 2u);
    EXPECT_EQ(second.duplicates[0].where, "riga 2");
    EXPECT_TRUE(contains(second.duplicates[0].text, "«Il Gattopardo» (iddorvo 2)")) << second.duplicates[0].text;
    EXPECT_EQ(second.duplicates[1].where, "riga 5");
    EXPECT_TRUE(contains(second.duplicates[1].text, "(iddorvo 4)")) << second.duplicates[1].text;
    EXPECT_EQ(query(catalogue, "SELECT count(*) FROM dorvi WHERE titolo = 'Panorama n. 12'")[0][0], i(2));
}

// The CSV our export writes (BOM, ';', CRLF, decimal comma, quoted line breaks)
// read back into a new catalogue gives the same books.
TEST_F(Books, OurOwnExportReadBackGivesTheSameBooks)
{
    const fs::path original = m_folder / "originale.mdb";
    exec(original, bookimport::newCatalogueTable() +
                       "INSERT INTO dorvi (autore, titolo, genere, anno, isbn, numero, note, voto, letto, "
                       "prestato_il, aggiunto_il) VALUES "
                       "('Gabriele D''Annunzio', 'Il piacere; romanzo', 'Romanzo', 1889, '9788804668305', 1.5, "
                       "'Prima riga\nseconda \"citata\"', 5, 1, '2026-12-08', '2026-01-31'),"
                       "('Niccolò Machiavelli', '=1+1', 'Saggistica', -1513, '0012345', 2, NULL, NULL, 0, NULL, "
                       "'2026-02-01'),"
                       "('Anonimo', 'È primavera', NULL, NULL, NULL, NULL, 'àèìòù ÀÈÌÒÙ ß €', NULL, NULL, NULL, NULL);");
    const fs::path csv = m_folder / "catalogo.csv";
    exportSpreadsheet(original, csv);
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(csv, fresh(), {});
    EXPECT_EQ(report.added, 3u);
    EXPECT_TRUE(report.ignoredColumns.empty());
    const std::string columns = "SELECT autore, titolo, genere, anno, editore, isbn, collana, numero, lingua, pagine, "
                                "collocazione, letto, voto, note, prestato_a, prestato_il, aggiunto_il "
                                "FROM dorvi ORDER BY iddorvo";
    EXPECT_EQ(query(fresh(), columns), query(original, columns));
    // the ISBN-looking code with a leading zero is not an ISBN: kept as given, and named
    ASSERT_EQ(report.changes.size(), 1u);
    EXPECT_EQ(report.changes[0].column, "isbn");
}

// Every text our export guards, or that already begins with an apostrophe, comes
// back from its CSV exactly as it went out; a text with nothing to guard is
// written as it is, as before.
TEST_F(Books, OurOwnExportGivesBackEveryLeadingCharacterExactly)
{
    const std::vector<std::string> titles{"=1+1", "+39 06 1234", "-- trattino", "@menzione", "\tcon tabulazione",
                                          "\rcon ritorno", "'=apostrofo e uguale", "'@apostrofo e chiocciola", "'+",
                                          "'-3", "'\tapostrofo e tabulazione", "'\rapostrofo e ritorno",
                                          "''due apostrofi", "'", "'Tis the season", "-3", "+2,5", "= ", "'''"};
    const fs::path original = m_folder / "originale.mdb";
    std::string insert = bookimport::newCatalogueTable();
    for (const std::string& title : titles) {
        std::string literal;
        for (const char c : title)
            literal += c == '\'' ? std::string("''") : std::string(1, c);
        insert += "INSERT INTO dorvi (autore, titolo) VALUES ('" + literal + "', '" + literal + "');";
    }
    exec(original, insert);
    const fs::path csv = m_folder / "catalogo.csv";
    exportSpreadsheet(original, csv);
    const std::string written = fileBytes(csv);
    EXPECT_TRUE(contains(written, ";'Tis the season;")) << "nothing to guard: written as it is";
    EXPECT_TRUE(contains(written, ";-3;"));

    // "-3" and "'-3" are the same name to the duplicate rule, which ignores
    // punctuation: both are wanted back here.
    bookimport::ImportOptions everyBook;
    everyBook.keepDuplicates = true;
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(csv, fresh(), everyBook);
    EXPECT_EQ(report.added, titles.size()) << bookimport::reportText(report);
    Rows expected;
    for (const std::string& title : titles)
        expected.push_back({t(title.c_str()), t(title.c_str())});
    EXPECT_EQ(query(fresh(), "SELECT autore, titolo FROM dorvi ORDER BY iddorvo"), expected);
}

TEST_F(Books, LibraryThingTabSeparatedExport)
{
    const std::string tsv =
        "Book Id\tTitle\tSort Character\tPrimary Author\tPrimary Author Role\tSecondary Author\t"
        "Secondary Author Roles\tPublication\tDate\tReview\tRating\tComment\tPrivate Comment\tSummary\tMedia\t"
        "Page Count\tAcquired\tTags\tCollections\tLanguages\tISBN\tISBNs\tEntry Date\tLending Patron\t"
        "Lending Status\tLending Start\tLending End\n"
        "101\tLa coscienza di Zeno\t1\tSvevo, Italo\t\t\t\tDall'Oglio (1976), Paperback\t1923\t\t4.5\t"
        "Da rileggere\t\tSvevo, La coscienza di Zeno\tPaperback\t480\t\tromanzo, trieste\tYour library\t"
        "Italian\t[8804392797]\t8804392797\t2021-04-05\tMaria Rossi\tOn loan\t2026-11-30\t\n";
    const bookimport::ImportReport report =
        bookimport::importIntoNewCatalogue(file("LibraryThing_export.tsv", tsv), fresh(), {});
    EXPECT_EQ(report.kind, "LibraryThing");
    EXPECT_EQ(query(fresh(), "SELECT titolo, autore, isbn, editore, anno, pagine, voto, genere, collocazione, "
                             "lingua, note, prestato_a, prestato_il, aggiunto_il FROM dorvi"),
              (Rows{{t("La coscienza di Zeno"), t("Svevo, Italo"), t("9788804392798"),
                     t("Dall'Oglio (1976), Paperback"), i(1923), i(480), i(5), t("romanzo, trieste"),
                     t("Your library"), t("Italian"), t("Da rileggere"), t("Maria Rossi"), t("2026-11-30"),
                     t("2021-04-05")}}));
    ASSERT_EQ(report.changes.size(), 1u); // the half star, named
    EXPECT_EQ(report.changes[0].column, "voto");
}

const std::string tellicoBooks = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE tellico PUBLIC "-//Robby Stephenson/DTD Tellico V11.0//EN" "http://periapsis.org/tellico/dtd/v11/tellico.dtd">
<tellico xmlns="http://periapsis.org/tellico/" syntaxVersion="11">
 <collection title="I miei libri" type="2">
  <fields>
   <field name="_default"/>
  </fields>
  <entry id="1">
   <title>Il barone rampante</title>
   <authors>
    <author>Italo Calvino</author>
   </authors>
   <isbn>88-04-39265-7</isbn>
   <publisher>Mondadori</publisher>
   <pub_year>1957</pub_year>
   <series>Oscar</series>
   <series_num>12</series_num>
   <languages><language>Italiano</language></languages>
   <pages>282</pages>
   <read>true</read>
   <rating>5</rating>
   <genres><genre>Romanzo</genre><genre>Fiaba</genre></genres>
   <comments>Cosimo sale sugli alberi &amp; non scende pi&#249;.&lt;br/&gt;Mai.</comments>
  </entry>
  <entry id="2">
   <title>Lessico famigliare</title>
   <authors><author>Natalia Ginzburg</author></authors>
  </entry>
  <borrowers>
   <borrower name="Luca Bianchi" uid="b1">
    <loan uid="l1" entryRef="2" loanDate="2026-10-01"/>
   </borrower>
  </borrowers>
 </collection>
</tellico>
)";

TEST_F(Books, TellicoCollectionZippedOrPlain)
{
    writeZip(m_folder / "libri.tc", {{"tellico.xml", tellicoBooks}});
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(m_folder / "libri.tc", fresh(), {});
    EXPECT_EQ(report.kind, "Tellico");
    const Rows expected{{t("Il barone rampante"), t("Italo Calvino"), t("9788804392651"), t("Mondadori"), i(1957),
                         t("Oscar"), i(12), t("Italiano"), i(282), i(1), i(5), t("Romanzo, Fiaba"),
                         t("Cosimo sale sugli alberi & non scende più.\nMai."), null, null},
                        {t("Lessico famigliare"), t("Natalia Ginzburg"), null, null, null, null, null, null, null,
                         null, null, null, null, t("Luca Bianchi"), t("2026-10-01")}};
    const std::string columns = "SELECT titolo, autore, isbn, editore, anno, collana, numero, lingua, pagine, "
                                "letto, voto, genere, note, prestato_a, prestato_il FROM dorvi ORDER BY iddorvo";
    EXPECT_EQ(query(fresh(), columns), expected);
    EXPECT_EQ(bookimport::importIntoNewCatalogue(file("libri.xml", tellicoBooks), fresh("due.mdb"), {}).added, 2u);
    EXPECT_EQ(query(fresh("due.mdb"), columns), expected);
}

TEST_F(Books, GcstarBooksCollection)
{
    const std::string gcs = R"(<?xml version="1.0" encoding="UTF-8"?>
<collection type="GCbooks" items="1" version="1.7.3">
 <information>
  <maxId>1</maxId>
 </information>
 <item
  id="1"
  title="Se questo è un uomo"
  isbn="978-88-06-21918-5"
  publisher="Einaudi"
  publication="11/10/1947"
  language="Italiano"
  serie="Super ET"
  rank="3"
  pages="216"
  read="1"
  rating="7"
  location="Studio, scaffale 2"
  borrower="Anna"
  lendDate="02/11/2026"
 >
  <authors>
   <line>
    <col>Primo Levi</col>
   </line>
  </authors>
  <genre>
   <line><col>Memorie</col></line>
   <line><col>Storia</col></line>
  </genre>
  <comments>Prima edizione De Silva.
Seconda riga.</comments>
 </item>
</collection>
)";
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(file("libri.gcs", gcs), fresh(), {});
    EXPECT_EQ(report.kind, "GCstar");
    EXPECT_EQ(query(fresh(), "SELECT titolo, autore, isbn, editore, anno, collana, numero, lingua, pagine, letto, "
                             "voto, genere, collocazione, note, prestato_a, prestato_il FROM dorvi"),
              (Rows{{t("Se questo è un uomo"), t("Primo Levi"), t("9788806219185"), t("Einaudi"), i(1947),
                     t("Super ET"), i(3), t("Italiano"), i(216), i(1), i(4), t("Memorie, Storia"),
                     t("Studio, scaffale 2"), t("Prima edizione De Silva.\nSeconda riga."), t("Anna"),
                     t("2026-11-02")}}));
}

TEST_F(Books, FieldsMappedByHandAndColumnsLeftOutAreReported)
{
    const std::string csv = "Autore;Titolo del libro;Scaffale;Prezzo\nGiovanni Verga;I Malavoglia;A3;12,50\n";
    bookimport::ImportOptions options;
    options.fieldMap = {{"titolo", "Titolo del libro"}, {"collocazione", "Scaffale"}};
    const bookimport::ImportReport report =
        bookimport::importIntoNewCatalogue(file("verga.csv", csv), fresh(), options);
    EXPECT_EQ(query(fresh(), "SELECT autore, titolo, collocazione FROM dorvi"),
              (Rows{{t("Giovanni Verga"), t("I Malavoglia"), t("A3")}}));
    EXPECT_EQ(report.ignoredColumns, (std::vector<std::pair<std::string, std::uint64_t>>{{"Prezzo", 1}}));
    EXPECT_EQ(report.exitStatus(), 1);
    EXPECT_TRUE(contains(bookimport::reportText(report), "Colonna «Prezzo» non importata (1 valori)"));

    options.fieldMap = {{"dedica", "Scaffale"}};
    EXPECT_TRUE(contains(failureOf([&] { bookimport::importIntoNewCatalogue(file("verga.csv", csv), fresh("x"), options); }),
                         "non ha la colonna «dedica»"));
}

// A heading named twice: the first column fills the field, the report names the
// one left out; a heading repeated any number of times is one line of the report.
TEST_F(Books, ARepeatedHeadingFillsItsFieldOnceAndIsReportedOnce)
{
    const std::string csv = "autore;titolo;note;Prezzo;NOTE ;Prezzo\n"
                            "Giovanni Verga;I Malavoglia;prima;12,50;seconda;13\n"
                            "Grazia Deledda;Canne al vento;;;;\n";
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(file("note.csv", csv), fresh(), {});
    EXPECT_EQ(query(fresh(), "SELECT note FROM dorvi ORDER BY iddorvo"), (Rows{{t("prima")}, {null}}));
    EXPECT_EQ(report.repeatedColumns, (std::vector<bookimport::RepeatedColumn>{{"note", 3, {5}, 1}}));
    EXPECT_EQ(report.ignoredColumns, (std::vector<std::pair<std::string, std::uint64_t>>{{"Prezzo", 2}}));
    EXPECT_EQ(report.exitStatus(), 1);
    const std::string text = bookimport::reportText(report);
    EXPECT_TRUE(contains(text, "Colonna «note» presente 2 volte: importata la colonna 3 (C); non importata la colonna "
                               "5 (E) (1 valore non importato)\n"))
        << text;
    EXPECT_FALSE(contains(text, "«note» non importata")) << text;

    std::string many = "titolo";
    for (int n = 0; n < 100'000; ++n)
        many += ";note";
    const bookimport::ImportReport repeated = bookimport::importIntoNewCatalogue(
        file("tante.csv", many + "\nIl Gattopardo;una nota\n"), fresh("tante.mdb"), {});
    EXPECT_EQ(repeated.added, 1u);
    EXPECT_EQ(repeated.exitStatus(), 0) << "the columns left out held nothing";
    const std::string lines = bookimport::reportText(repeated);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3) << lines.substr(0, 500);
    EXPECT_TRUE(contains(lines, "Colonna «note» presente 100000 volte: importata la colonna 2 (B); non importate le "
                                "colonne 3 (C), 4 (D), 5 (E), 6 (F), 7 (G) e altre 99994 (0 valori non importati)"))
        << lines;
}

// Old Mac spreadsheets end each line with a carriage return alone.
TEST_F(Books, LinesEndingInACarriageReturnAloneAreLines)
{
    const std::string csv = "autore;titolo;note\rItalo Calvino;Il barone rampante;\r"
                            "Primo Levi;La tregua;\"su due\rrighe\"\rElsa Morante;La Storia;fine\r";
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(file("mac.csv", csv), fresh(), {});
    EXPECT_EQ(report.added, 3u);
    EXPECT_EQ(query(fresh(), "SELECT autore, titolo, note FROM dorvi ORDER BY iddorvo"),
              (Rows{{t("Italo Calvino"), t("Il barone rampante"), null},
                    {t("Primo Levi"), t("La tregua"), t("su due\rrighe")},
                    {t("Elsa Morante"), t("La Storia"), t("fine")}}));
    // The lines are counted as the spreadsheet shows them.
    const bookimport::ImportReport again = bookimport::importIntoCatalogue(file("mac.csv", csv), fresh(), {});
    ASSERT_EQ(again.duplicates.size(), 3u);
    EXPECT_EQ(again.duplicates[2].where, "riga 5");
    // A carriage return inside a line of a file that ends its lines otherwise stays text.
    const bookimport::ImportReport unix = bookimport::importIntoNewCatalogue(
        file("unix.csv", "autore;titolo\nA;uno\rdue\r\nB;tre\n"), fresh("unix.mdb"), {});
    EXPECT_EQ(query(fresh("unix.mdb"), "SELECT titolo FROM dorvi ORDER BY iddorvo"),
              (Rows{{t("uno\rdue")}, {t("tre")}}));
    EXPECT_EQ(unix.added, 2u);
}

TEST_F(Books, Windows1252TextArrivesAsUtf8)
{
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(
        file("vecchio.csv", "autore,titolo\r\nNiccol\xF2 Machiavelli,\x93Il Principe\x94 \x80 5\r\n"), fresh(), {});
    EXPECT_EQ(report.added, 1u);
    EXPECT_EQ(query(fresh(), "SELECT autore, titolo FROM dorvi"),
              (Rows{{t("Niccolò Machiavelli"), t("“Il Principe” € 5")}}));
}

TEST_F(Books, BadInputIsRefusedInItalianWithNothingWritten)
{
    struct Case {
        std::string name;
        std::string bytes;
        std::string message;
    };
    std::vector<Case> cases{
        {"vuoto.csv", "", "è vuoto"},
        {"senza-intestazione.csv", "Dante Alighieri;La Divina Commedia;Poema\nPetrarca;Canzoniere;Poesia\n",
         "non è un'intestazione"},
        {"troncato.csv", goodreads.substr(0, goodreads.rfind("2022/01/09")), "si interrompe alla riga 5"},
        {"virgolette.csv", "autore;titolo\nDante;\"La Divina", "è stato troncato"},
        {"misto.csv", "autore;titolo\nNiccolò;Il Principe\nNiccol\xF2;Il Principe\n",
         "mescola due codifiche dei caratteri: la riga 2 è in UTF-8, la riga 3"},
        {"binario.dat", std::string("\x01\x02\x00\x03 dati", 9), "non è un file di testo"},
        {"altro.xml", "<?xml version=\"1.0\"?><rss><channel/></rss>", "né di Tellico né di GCstar"},
        {"film.xml", "<tellico><collection type=\"3\"><entry id=\"1\"><title>Amarcord</title></entry></collection></tellico>",
         "è una raccolta di film, non di libri"},
        {"giochi.gcs", "<?xml version=\"1.0\"?><collection type=\"GCgames\"><item id=\"1\" name=\"Risiko\"/></collection>",
         "non di libri"},
        {"tagliato.gcs", "<?xml version=\"1.0\"?><collection type=\"GCbooks\"><item id=\"1\" title=\"A\">",
         "finisce a metà"},
        {"foglio.xls", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(600, '\0'), "Salva con nome"},
    };
    writeZip(m_folder / "foglio.ods", {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                       {"content.xml", "<office:document-content/>"}});
    writeZip(m_folder / "foglio.xlsx", {{"[Content_Types].xml", "<Types/>"}, {"xl/workbook.xml", "<workbook/>"}});
    writeZip(m_folder / "archivio.zip", {{"leggimi.txt", "niente"}});
    cases.push_back({"foglio.ods", {}, "«Testo CSV (.csv)»"});
    cases.push_back({"foglio.xlsx", {}, "«CSV UTF-8 (delimitato da virgole)»"});
    cases.push_back({"archivio.zip", {}, "non contiene un catalogo"});
    cases.push_back({"manca.csv", {}, "non esiste"});

    const fs::path catalogue = oldCatalogue();
    const std::string before = fileBytes(catalogue);
    for (const Case& bad : cases) {
        if (!bad.bytes.empty() || bad.name == "vuoto.csv")
            file(bad.name, bad.bytes);
        const std::string message =
            failureOf([&] { bookimport::importIntoCatalogue(m_folder / bad.name, catalogue, {}); });
        EXPECT_TRUE(contains(message, bad.message)) << bad.name << ": " << message;
        EXPECT_EQ(fileBytes(catalogue), before) << bad.name;
        EXPECT_TRUE(contains(failureOf([&] { bookimport::importIntoNewCatalogue(m_folder / bad.name, fresh(), {}); }),
                             bad.message))
            << bad.name;
    }
}

// A failure after books have been written (the source cut near its end, the safety
// copy refused) takes back everything, the standard columns added included.
TEST_F(Books, AFailureMidwayLeavesTheCatalogueExactlyAsItWas)
{
    const fs::path catalogue = oldCatalogue();
    const std::string before = fileBytes(catalogue);
    const std::string cut = goodreads.substr(0, goodreads.rfind(",0,0\n"));
    EXPECT_TRUE(contains(failureOf([&] { bookimport::importIntoCatalogue(file("cut.csv", cut), catalogue, {}); }),
                         "si interrompe"));
    EXPECT_EQ(fileBytes(catalogue), before);
    EXPECT_EQ(columnsOf(catalogue, "dorvi").size(), 4u);

    bookimport::ImportOptions options;
    std::string copied;
    options.beforeWriting = [&](const std::string& path) {
        copied = path;
        throw catalogue::Error(catalogue::ErrorNumber::FileNotWritten, "copia di sicurezza non riuscita");
    };
    EXPECT_EQ(failureOf([&] { bookimport::importIntoCatalogue(file("ok.csv", goodreads), catalogue, options); }),
              "copia di sicurezza non riuscita");
    EXPECT_EQ(copied, catalogue.string());
    EXPECT_EQ(fileBytes(catalogue), before);

    // another program holding the catalogue
    sqlite3* raw = nullptr;
    sqlite3_open(catalogue.c_str(), &raw);
    catalogue::DatabaseHandle other(raw);
    ASSERT_EQ(sqlite3_exec(other.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_TRUE(contains(failureOf([&] { bookimport::importIntoCatalogue(m_folder / "ok.csv", catalogue, {}); }),
                         "bloccato da un altro programma"));
    sqlite3_exec(other.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_EQ(fileBytes(catalogue), before);
}

// A library made by calibre itself (Debian's calibre package): read through its
// folder, every field in place, and the library's file never written.
TEST_F(Books, CalibreLibraryReadOnly)
{
    const fs::path library = m_folder / "Biblioteca calibre";
    const std::string calibredb = "QT_QPA_PLATFORM=offscreen calibredb --with-library '" + library.string() + "' ";
    ASSERT_EQ(std::system((calibredb + "add --empty -t 'Il sistema periodico' -a 'Primo Levi & Italo Calvino' "
                                       "-i 9788806219185 >/dev/null 2>&1").c_str()), 0);
    ASSERT_EQ(std::system((calibredb + "set_metadata 1 --field rating:4 --field tags:memorie,chimica "
                                       "--field 'comments:<p>Ventuno racconti, uno per elemento.</p>"
                                       "<p>L&#39;argon &egrave; il primo.</p>' --field publisher:Einaudi "
                                       "--field 'series:Super ET' --field series_index:2 --field pubdate:1975-05-01 "
                                       "--field languages:ita >/dev/null 2>&1").c_str()), 0);
    const fs::path metadata = library / "metadata.db";
    const std::string before = fileBytes(metadata);
    const bookimport::ImportReport report = bookimport::importIntoNewCatalogue(library, fresh(), {});
    EXPECT_EQ(report.kind, "calibre");
    EXPECT_EQ(report.exitStatus(), 0) << bookimport::reportText(report);
    EXPECT_EQ(query(fresh(), "SELECT titolo, autore, isbn, editore, anno, collana, numero, lingua, voto, genere, note "
                             "FROM dorvi"),
              (Rows{{t("Il sistema periodico"), t("Primo Levi, Italo Calvino"), t("9788806219185"), t("Einaudi"),
                     i(1975), t("Super ET"), i(2), t("ita"), i(4), t("chimica, memorie"),
                     t("Ventuno racconti, uno per elemento.\n\nL'argon è il primo.")}}));
    EXPECT_EQ(fileBytes(metadata), before);
    EXPECT_EQ(bookimport::importIntoCatalogue(metadata, fresh(), {}).skipped, 1u); // the file itself, too

    // calibre writing to it meanwhile
    sqlite3* raw = nullptr;
    sqlite3_open(metadata.c_str(), &raw);
    catalogue::DatabaseHandle calibre(raw);
    ASSERT_EQ(sqlite3_exec(calibre.get(), "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_TRUE(contains(failureOf([&] { bookimport::importIntoCatalogue(library, fresh(), {}); }),
                         "è bloccata da calibre"));
    sqlite3_exec(calibre.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

// A new catalogue has the starter's table, its columns, types and indexes.
TEST_F(Books, ANewCatalogueHasTheStartersTable)
{
    bookimport::importIntoNewCatalogue(file("uno.csv", "titolo\nCanti\n"), fresh(), {});
    const fs::path starter = m_folder / "starter.mdb";
    exec(starter, fileBytes(STARTER_SQL));
    const std::string columns = "SELECT name, type, pk FROM pragma_table_info('dorvi')";
    const std::string indexes = "SELECT l.name, i.name, i.coll FROM pragma_index_list('dorvi') l, "
                                "pragma_index_xinfo(l.name) i WHERE i.key ORDER BY l.name";
    EXPECT_EQ(query(fresh(), columns), query(starter, columns));
    EXPECT_EQ(query(fresh(), indexes), query(starter, indexes));
}

// A row the catalogue's own rules refuse is named; the others are written.
TEST_F(Books, ARowTheCatalogueRefusesIsNamedAndTheRestWritten)
{
    const fs::path catalogue = oldCatalogue();
    exec(catalogue, "CREATE UNIQUE INDEX unico ON dorvi (genere)");
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(
        file("libri.csv", "autore;titolo;genere\nA;Uno;Romanzo\nB;Due;Poesia\nC;Tre;Poesia;in più\n"), catalogue, {});
    EXPECT_EQ(report.read, 3u);
    EXPECT_EQ(report.added, 1u);
    EXPECT_EQ(report.refused, 2u);
    ASSERT_EQ(report.refusals.size(), 2u);
    EXPECT_TRUE(contains(report.refusals[0].text, "il catalogo rifiuta il libro")) << report.refusals[0].text;
    EXPECT_TRUE(contains(report.refusals[1].text, "ha 4 campi ma l'intestazione ne nomina 3"));
    EXPECT_EQ(report.exitStatus(), 1);
}

// A report holds the same whatever the size of the source: past its first lines of
// a kind it counts the rest, and says so, every row still accounted for.
TEST_F(Books, AReportListsItsFirstLinesAndCountsTheRest)
{
    const std::size_t copies = bookimport::ReportLines::listed + 3;
    std::string csv = "autore;titolo\n";
    for (std::size_t n = 0; n <= copies; ++n)
        csv += "Primo Levi;La tregua\n";
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(file("libri.csv", csv), oldCatalogue(), {});
    EXPECT_EQ(report.read, copies + 1);
    EXPECT_EQ(report.added + report.skipped + report.refused, report.read);
    EXPECT_EQ(report.skipped, copies);
    EXPECT_EQ(report.duplicates.size(), bookimport::ReportLines::listed);
    EXPECT_EQ(report.duplicates.total(), copies);
    EXPECT_EQ(report.exitStatus(), 0);
    const std::string text = bookimport::reportText(report);
    EXPECT_TRUE(contains(text, "  … e altre 3 righe, contate sopra ma non elencate\n")) << text.substr(text.size() - 300);
    EXPECT_TRUE(contains(text, "doppioni non aggiunti: " + std::to_string(copies)));
}

// Another program's trigger that takes back the whole transaction ends the import
// there: nothing is written, neither the books before it nor those after it, which
// would otherwise be written straight to the file; the preview, a trial rolled
// back, writes nothing either.
TEST_F(Books, ATriggerThatRollsBackStopsTheImportWithNothingWritten)
{
    const fs::path catalogue = oldCatalogue();
    exec(catalogue, "CREATE TRIGGER stopper BEFORE INSERT ON dorvi WHEN new.titolo = 'STOP' "
                    "BEGIN SELECT RAISE(ROLLBACK, 'vietato'); END");
    std::string csv = "autore;titolo\n";
    for (int n = 1; n <= 30; ++n)
        csv += "Autore " + std::to_string(n) + ";" + (n == 5 ? std::string("STOP") : "Libro " + std::to_string(n)) + "\n";
    const fs::path list = file("libri.csv", csv);
    const std::string before = fileBytes(catalogue);

    const std::string failure = failureOf([&] { bookimport::importIntoCatalogue(list, catalogue, {}); });
    EXPECT_TRUE(contains(failure, "riga 6 («Autore 5», «STOP»)")) << failure;
    EXPECT_TRUE(contains(failure, "«vietato»")) << failure;
    EXPECT_EQ(fileBytes(catalogue), before);

    bookimport::ImportOptions keep;
    keep.keepDuplicates = true;
    for (const bookimport::ImportOptions& options : {bookimport::ImportOptions{}, keep}) {
        EXPECT_TRUE(contains(failureOf([&] { bookimport::previewImport(list, catalogue, options, 20); }), "vietato"));
        EXPECT_EQ(fileBytes(catalogue), before);
    }
    // a preview that ends before the refused book shows its books and writes nothing
    EXPECT_EQ(bookimport::previewImport(list, catalogue, {}, 3).books.size(), 3u);
    EXPECT_EQ(fileBytes(catalogue), before);
}

// A trigger that leaves a book out without an error (RAISE(IGNORE)): the book is
// counted as refused, not as added, in the import and in its preview, and a
// duplicate of it later in the list is not taken for one of a book written.
TEST_F(Books, ABookATriggerLeavesOutIsCountedAsRefused)
{
    const fs::path catalogue = oldCatalogue();
    exec(catalogue, "CREATE TRIGGER stopper BEFORE INSERT ON dorvi WHEN new.titolo = 'STOP' "
                    "BEGIN SELECT RAISE(IGNORE); END");
    const fs::path list = file("libri.csv", "autore;titolo;isbn\nA;Uno;\nB;Due;\nC;STOP;9788806172978\n"
                                            "D;Quattro;\nE;Cinque;9788806172978\n");
    const bookimport::ImportPreview preview = bookimport::previewImport(list, catalogue, {});
    ASSERT_EQ(preview.books.size(), 5u);
    EXPECT_FALSE(preview.books[2].added);
    EXPECT_TRUE(contains(preview.books[2].note, "scartato")) << preview.books[2].note;
    EXPECT_EQ(preview.books[2].values[1], "STOP") << "the source's values, not another book's";
    EXPECT_TRUE(preview.books[4].added) << preview.books[4].note;

    const bookimport::ImportReport report = bookimport::importIntoCatalogue(list, catalogue, {});
    EXPECT_EQ(report.read, 5u);
    EXPECT_EQ(report.added, 4u);
    EXPECT_EQ(report.refused, 1u);
    EXPECT_EQ(report.skipped, 0u);
    EXPECT_EQ(report.exitStatus(), 1);
    EXPECT_TRUE(contains(bookimport::reportText(report), "Libri letti: 5; aggiunti: 4;"));
    EXPECT_EQ(query(catalogue, "SELECT count(*) FROM dorvi"), (Rows{{i(5)}}));
}

// Another catalogue's values arrive with the type they have there: bytes stay
// bytes, a real stays a real in a column of no rule of its own, and nothing is
// reported changed; a standard field's rule still reads a number, and where it
// keeps the value as given, it keeps its type.
TEST_F(Books, AnotherCataloguesValuesKeepTheirOwnType)
{
    const fs::path source = m_folder / "altro.mdb";
    exec(source, bookimport::newCatalogueTable() +
                     "ALTER TABLE dorvi ADD COLUMN copertina BLOB;"
                     "ALTER TABLE dorvi ADD COLUMN peso REAL;"
                     "INSERT INTO dorvi (autore, titolo, copertina, peso, voto, isbn, anno) VALUES "
                     "('Primo Levi', 'La tregua', x'89504E470D0A1A0A00FF', 0.30000000000000004, 4.5, 9788806172978, "
                     "1963.5),"
                     "('Italo Calvino', 'Palomar', 3.25, 2, 4, NULL, 1983),"
                     "('Elsa Morante', 'La storia', 'testo', '1,5', NULL, NULL, NULL);");
    const fs::path target = oldCatalogue();
    exec(target, "ALTER TABLE dorvi ADD COLUMN copertina BLOB; ALTER TABLE dorvi ADD COLUMN peso;");

    const bookimport::ImportReport report = bookimport::importIntoCatalogue(source, target, {});
    EXPECT_EQ(report.added, 3u);
    EXPECT_EQ(query(target, "SELECT copertina, peso, voto, isbn, anno FROM dorvi WHERE iddorvo > 1 ORDER BY iddorvo"),
              (Rows{{Value(catalogue::Blob{std::string("\x89PNG\r\n\x1a\n\0\xff", 10)}), Value(0.30000000000000004),
                     i(5), t("9788806172978"), Value(1963.5)},
                    {Value(3.25), Value(2.0), i(4), null, i(1983)},
                    {t("testo"), t("1,5"), null, null, null}}));
    // only the vote rounded and the year that is no year are told
    std::vector<std::string> told;
    for (const bookimport::ReportLine& line : report.changes)
        told.push_back(line.where + " " + line.column);
    EXPECT_EQ(told, (std::vector<std::string>{"libro 1 anno", "libro 1 voto"}));
    EXPECT_EQ(report.changedBooks, 1u);
}

} // namespace

// A book that arrives lent gets its line in the loans' table, as Presta… would
// have written it, in the import's transaction: into the catalogue in use and
// into a new one. A book not lent, a name of spaces only and a duplicate skipped
// get none; a loan without its day gets a line without a day; a trial writes none.
TEST_F(Books, ALentBookArrivesWithItsLineInTheLoansTable)
{
    const fs::path inUse = oldCatalogue();
    const fs::path tellico = file("libri.xml", tellicoBooks);
    const std::string csv = "autore;titolo;prestato_a;prestato_il\n"
                            "Primo Levi;La tregua;Marta;\n"
                            "Cesare Pavese;La luna e i falò;   ;2026-01-01\n"
                            "Italo Calvino;Le città invisibili;Anna;2026-02-02\n"
                            "primo levi;LA TREGUA;Marta;\n";
    const auto trial = bookimport::tryImport(tellico, inUse, {}, {});
    EXPECT_EQ(trial.added, 2u);
    EXPECT_EQ(query(inUse, "SELECT count(*) FROM sqlite_schema WHERE name = 'prestiti'"), (Rows{{i(0)}}))
        << "a trial writes nothing";

    EXPECT_EQ(bookimport::importIntoCatalogue(tellico, inUse, {}).added, 2u);
    // The preview and the duplicate check find the lent book itself, not its loan line.
    const bookimport::ImportPreview preview = bookimport::previewImport(file("prestiti.csv", csv), inUse, {});
    ASSERT_FALSE(preview.books.empty());
    EXPECT_NE(std::find(preview.books[0].values.begin(), preview.books[0].values.end(), "La tregua"),
              preview.books[0].values.end());
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(file("prestiti.csv", csv), inUse, {});
    EXPECT_EQ(report.added, 2u);
    ASSERT_EQ(report.duplicates.size(), 2u);
    EXPECT_TRUE(contains(report.duplicates[1].text, "«La tregua» (iddorvo 4)")) << report.duplicates[1].text;
    const Rows ledger{{i(3), t("Luca Bianchi"), t("2026-10-01"), null}, {i(4), t("Marta"), null, null}};
    const std::string lines = "SELECT iddorvo, a, dal, al FROM prestiti ORDER BY id";
    EXPECT_EQ(query(inUse, lines), ledger);
    EXPECT_EQ(query(inUse, "SELECT titolo FROM dorvi WHERE iddorvo = 3"), (Rows{{t("Lessico famigliare")}}));
    EXPECT_EQ(query(inUse, "SELECT count(*) FROM pragma_index_list('dorvi') WHERE name = 'dorvi_in_prestito'"),
              (Rows{{i(1)}}))
        << "with the index Libri in prestito reads";

    bookimport::importIntoNewCatalogue(tellico, fresh(), {});
    EXPECT_EQ(query(fresh(), lines), (Rows{{i(2), t("Luca Bianchi"), t("2026-10-01"), null}}));
}

// A catalogue locked by the program writing it is not called calibre's: that name
// belongs to a calibre library only.
TEST_F(Books, ALockedCatalogueIsNotCalledACalibreLibrary)
{
    const fs::path other = oldCatalogue();
    sqlite3* raw = nullptr;
    sqlite3_open(other.c_str(), &raw);
    catalogue::DatabaseHandle writer(raw);
    ASSERT_EQ(sqlite3_exec(writer.get(), "BEGIN EXCLUSIVE; UPDATE dorvi SET genere = 'x'", nullptr, nullptr, nullptr),
              SQLITE_OK);
    const std::string failure = failureOf([&] { bookimport::importIntoNewCatalogue(other, fresh(), {}); });
    EXPECT_TRUE(contains(failure, "bloccato da un altro programma")) << failure;
    EXPECT_FALSE(contains(failure, "calibre")) << failure;
    sqlite3_exec(writer.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

// Fields of one's own declared as a date, a sì/no and a number take a list's
// values as the grid takes them typed: 8/12/2026 as 2026-12-08, sì as 1.
TEST_F(Books, OnesOwnDateAndYesNoFieldsTakeTheirValuesAsTheGridDoes)
{
    const fs::path target = oldCatalogue();
    exec(target, "ALTER TABLE dorvi ADD COLUMN finito DATE; ALTER TABLE dorvi ADD COLUMN regalo BOOLEAN;"
                 "ALTER TABLE dorvi ADD COLUMN peso NUM;");
    const std::string csv = "autore;titolo;finito;regalo;peso\n"
                            "Giovanni Verga;I Malavoglia;8/12/2026;sì;1,5\n"
                            "Grazia Deledda;Canne al vento;l'estate scorsa;forse;circa 2\n";
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(file("propri.csv", csv), target, {});
    EXPECT_EQ(report.added, 2u);
    EXPECT_EQ(query(target, "SELECT finito, regalo, peso FROM dorvi WHERE iddorvo > 1 ORDER BY iddorvo"),
              (Rows{{t("2026-12-08"), i(1), Value(1.5)}, {t("l'estate scorsa"), t("forse"), t("circa 2")}}));
    std::vector<std::string> told;
    for (const bookimport::ReportLine& line : report.changes)
        told.push_back(line.column + ": " + line.text);
    EXPECT_EQ(told, (std::vector<std::string>{"finito: non è una data: tenuta com'è", "regalo: non è sì o no: tenuto com'è",
                                              "peso: non è un numero: tenuto com'è"}));
}

// The engine folds the letter case of ASCII letters only: "CITTÀ" and "città" are
// two columns of one catalogue, and each heading fills its own.
TEST_F(Books, ColumnsTheEngineTellsApartAreFilledEachFromItsOwnHeading)
{
    const fs::path inUse = oldCatalogue();
    exec(inUse, "ALTER TABLE dorvi ADD COLUMN \"CITTÀ\" TEXT; ALTER TABLE dorvi ADD COLUMN \"città\" TEXT;");
    const std::string csv = "autore;titolo;città;CITTÀ\nItalo Svevo;La coscienza di Zeno;Trieste;TRIESTE\n";
    bookimport::importIntoCatalogue(file("citta.csv", csv), inUse, {});
    EXPECT_EQ(query(inUse, "SELECT \"CITTÀ\", \"città\" FROM dorvi WHERE autore = 'Italo Svevo'"),
              (Rows{{t("TRIESTE"), t("Trieste")}}));

    // A heading that differs from the one column only beyond ASCII still finds it.
    const fs::path other = m_folder / "altro.mdb";
    exec(other, "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT, titolo TEXT, \"città\" TEXT);");
    bookimport::importIntoCatalogue(file("maiuscole.csv", "autore;titolo;CITTÀ\nItalo Svevo;Senilità;Trieste\n"), other,
                                    {});
    EXPECT_EQ(query(other, "SELECT \"città\" FROM dorvi"), (Rows{{t("Trieste")}}));
}

// A standard field spelled with capitals by another program is that field: the
// day of the import goes into it, not into a second column the insert names twice.
TEST_F(Books, TheDayAddedGoesIntoTheColumnSpelledWithCapitals)
{
    const fs::path inUse = oldCatalogue();
    exec(inUse, "ALTER TABLE dorvi ADD COLUMN Aggiunto_il DATE;");
    bookimport::importIntoCatalogue(file("svevo.csv", "autore;titolo\nItalo Svevo;Una vita\n"), inUse, {});
    const Rows added = query(inUse, "SELECT Aggiunto_il IS NOT NULL FROM dorvi WHERE autore = 'Italo Svevo'");
    EXPECT_EQ(added, (Rows{{catalogue::Value(std::int64_t{1})}}));
}

// Another tool's catalogue may spell the standard fields with capitals: they are
// still the author and the title a duplicate is known by.
TEST_F(Books, DuplicatesAreFoundInFieldsSpelledWithCapitals)
{
    const fs::path inUse = m_folder / "maiuscole.mdb";
    exec(inUse, "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, Autore TEXT, Titolo TEXT);"
                "INSERT INTO dorvi VALUES (1, 'Italo Svevo', 'Una vita');");
    const bookimport::ImportReport report =
        bookimport::importIntoCatalogue(file("svevo.csv", "autore;titolo\nItalo Svevo;Una vita\n"), inUse, {});
    EXPECT_EQ(report.skipped, 1u);
    EXPECT_EQ(query(inUse, "SELECT count(*) FROM dorvi WHERE Titolo = 'Una vita'"), (Rows{{i(1)}}));
}

// A heading that names the one column exactly fills it, even after another that
// only folds to it; the other is reported as not imported.
TEST_F(Books, TheHeadingThatNamesTheColumnExactlyFillsIt)
{
    const fs::path inUse = m_folder / "citta.mdb";
    exec(inUse, "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT, titolo TEXT, \"città\" TEXT);");
    const bookimport::ImportReport report = bookimport::importIntoCatalogue(
        file("due.csv", "autore;titolo;CITTÀ;città\nItalo Svevo;Senilità;TRIESTE;Trieste\n"), inUse, {});
    EXPECT_EQ(query(inUse, "SELECT \"città\" FROM dorvi"), (Rows{{t("Trieste")}}));
    EXPECT_EQ(report.exitStatus(), 1) << "one heading's values were not imported";
}
