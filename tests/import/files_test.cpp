// Converts the real Jet files of the test data (the shared test data beside the project) and checks the catalogue
// value by value. The expected values come from the files' published
// descriptions and from readings independent of this converter: libmdb's own
// text and OLE output, and the stored day counts turned into dates by Python's
// calendar.
#include "importtesting.h"

#include "cataloguewriter.h"
#include "connection.h"
#include "converter.h"
#include "jetsource.h"
#include "recordset.h"
#include "schema.h"

#include <mdbtools.h>

#include <limits>
#include <sqlite3.h>

using namespace importtesting;
using catalogue::Value;

namespace {

const Value null{};

Value t(const char* text) { return std::string(text); }
Value i(std::int64_t number) { return number; }

// CRC-32 (the zlib one), enough to pin down a blob too long to spell out.
std::uint32_t crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

class JetFiles : public testing::Test {
protected:
    void SetUp() override { SKIP_WITHOUT_JET_FILES(); }

    // Converts one test file; the report must be complete and name no change.
    fs::path convert(const std::string& name, const std::string& codePage = "CP1252")
    {
        const fs::path target = m_folder / (name + ".sqlite");
        const jetimport::ImportReport report = jetimport::convertCatalogue(jetFile(name), target, codePage);
        EXPECT_FALSE(report.failure) << report.failure->what();
        EXPECT_TRUE(report.complete()) << jetimport::summaryText(report);
        EXPECT_TRUE(report.changes.empty()) << jetimport::summaryText(report);
        m_report = report;
        return target;
    }
    const jetimport::TableReport& table(const std::string& name) const
    {
        for (const auto& table : m_report.tables) {
            if (table.name == name)
                return table;
        }
        throw std::runtime_error("no table " + name);
    }

    ScratchFolder m_folder;
    jetimport::ImportReport m_report;
};

TEST_F(JetFiles, Jet3EveryTypeAndTheKeys)
{
    const fs::path db = convert("testV1997.mdb");
    ASSERT_EQ(m_report.tables.size(), 4u);
    EXPECT_EQ(table("Table1").read, 2u);
    EXPECT_EQ(table("Table1").written, 2u);
    EXPECT_EQ(columnsOf(db, "Table1"),
              (std::vector<std::string>{"A TEXT pk", "B TEXT", "C INTEGER", "D INTEGER", "E INTEGER", "F REAL",
                                        "G DATETIME", "H TEXT", "I INTEGER"}));
    EXPECT_EQ(query(db, "SELECT * FROM Table1 ORDER BY A"),
              (std::vector<std::vector<Value>>{
                  {t("a"), t("b"), i(0), i(0), i(0), 0.0, t("1981-12-12 00:00:00"), t("0.0000"), i(0)},
                  {t("abcdefg"), t("hijklmnop"), i(2), i(222), i(333333333), 444.555, t("1974-09-21 00:00:00"),
                   t("3.5000"), i(1)}}));

    // A table whose definition spans pages, empty; an AutoNumber key; a GUID key.
    EXPECT_EQ(columnsOf(db, "Table2").size(), 89u);
    EXPECT_EQ(columnsOf(db, "Table2")[88], "column89 TEXT");
    EXPECT_EQ(columnsOf(db, "Table3"), (std::vector<std::string>{"a INTEGER pk", "b TEXT"}));
    EXPECT_EQ(columnsOf(db, "Table4"), (std::vector<std::string>{"name TEXT", "data TEXT pk"}));
    for (const char* empty : {"Table2", "Table3", "Table4"})
        EXPECT_EQ(table(empty).read, 0u);
}

TEST_F(JetFiles, Jet3TextFollowsTheCodePageGiven)
{
    // Its text is plain ASCII, the same in every Windows code page.
    const fs::path db = convert("testV1997.mdb", "CP1251");
    EXPECT_EQ(query(db, "SELECT A, B FROM Table1 ORDER BY A"),
              (std::vector<std::vector<Value>>{{t("a"), t("b")}, {t("abcdefg"), t("hijklmnop")}}));
}

TEST_F(JetFiles, Jet4EveryKindOfValue)
{
    const fs::path db = convert("testAccess2_2000.mdb");
    EXPECT_EQ(columnsOf(db, "Table1"),
              (std::vector<std::string>{"ID INTEGER pk", "ShortTextField TEXT", "NumberField INTEGER",
                                        "CurrencyField TEXT", "DateField DATETIME", "YesNoField INTEGER",
                                        "PlainTextMemo TEXT", "RichTextMemo TEXT", "RichTextField TEXT",
                                        "OLEObject BLOB", "HyperLinkField TEXT"}));
    const auto rows = query(db, "SELECT * FROM Table1 ORDER BY ID");
    ASSERT_EQ(rows.size(), 2u);
    const std::vector<Value> first(rows[0].begin(), rows[0].begin() + 9);
    EXPECT_EQ(first, (std::vector<Value>{i(1), t("the quick"), i(3), t("6.2300"), t("2015-06-24 00:00:00"), i(1),
                                          t("red and brown"), t("<div><strong>fox</strong> jumped</div>"),
                                          t("<div><font color=\"#333333\">over the <strong>bold </strong>"
                                            "<em>italic</em> dog</font></div>")}));
    EXPECT_EQ(rows[0][10], t("#http://tika.apach.org#"));

    // The OLE object spans many long-value pages. Its length is the one its
    // reference declares; the checksum is that of libmdb's own OLE reader's bytes.
    const std::string& ole = std::get<catalogue::Blob>(rows[0][9]).bytes;
    EXPECT_EQ(ole.size(), 121036u);
    EXPECT_EQ(ole.substr(0, 4), std::string("\x15\x1C\x2E\x00", 4));
    EXPECT_EQ(ole.find("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"), 87u); // the Word document inside
    EXPECT_EQ(crc32(ole), 1843094906u);

    // The Chinese row: NULL date, memos and OLE, but an empty (not NULL) plain memo.
    EXPECT_EQ(rows[1], (std::vector<Value>{i(2), t("普林斯顿大学"), i(0), t("0.0000"), null, i(0), t(""), null, null,
                                           null, null}));
    EXPECT_EQ(query(db, "SELECT * FROM Table2"), (std::vector<std::vector<Value>>{{i(1), t("2015-06-29 00:00:00")}}));
}

TEST_F(JetFiles, Jet4CompressedUnicodeByteForByte)
{
    const fs::path db = convert("testUnicodeCompV2003.mdb");
    std::string everyCharacter;
    for (char32_t c = 0x01; c <= 0xFF; ++c)
        everyCharacter += utf8(c);
    // Escapes, so that no editor normalises them: the Greek has oxia accents
    // (U+1F79, U+1F7B), not the look-alike tonos ones.
    const std::vector<std::string> expected{
        "only ascii chars",
        "\u00E4\u00E4kk\u00F6si\u00E4",
        "\u041C\u0438\u0440",
        "\u03F0\u03B1\u1F76 \u03C4\u1F79\u03C4' \u1F10\u03B3\u1F7C \u039A\u1F7B\u03F0\u03BB\u03C9\u03C0\u03B1",
        "\u6F22\u5B57\u4EEE\u540D\u4EA4\u3058\u308A\u6587",
        "3L9\x1D" "52\x02_AB(\u00A5\x05!!V",
        "\u00FCmlaut",
        everyCharacter,
    };
    const auto rows = query(db, "SELECT ID, Unicode FROM \"Table\" ORDER BY ID");
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        EXPECT_EQ(rows[r][0], i(static_cast<std::int64_t>(r + 1)));
        EXPECT_EQ(rows[r][1], Value(expected[r])) << "ID " << r + 1;
    }
}

TEST_F(JetFiles, Jet4DatesBefore1900AndNulls)
{
    const fs::path db = convert("historicRecords.mdb");
    EXPECT_EQ(columnsOf(db, "merchant_taylors"),
              (std::vector<std::string>{"Id No INTEGER pk", "Surname TEXT", "Forenames TEXT", "How Admitted TEXT",
                                        "Forenames_Master_or_Father TEXT", "Surname_Master_or_Father TEXT",
                                        "Notes TEXT", "Date of order of Court DATETIME", "Freedom DATETIME",
                                        "Livery DATETIME", "Remarks TEXT", "Source Ref TEXT"}));
    const std::vector<std::vector<Value>> expected{
        {i(1), t("Aaron"), t("William"), t("Redn."), null, null, t("Order of Court"), t("1760-06-05 00:00:00"), t("1760-07-03 00:00:00"), null, null, t("MF 324")},
        {i(2), t("Abbey"), t("Richard"), t("Redn."), null, null, null, null, t("1601-05-11 00:00:00"), null, null, t("MF 324")},
        {i(3), t("Abbis"), t("John"), null, null, null, null, null, null, t("1699-03-22 00:00:00"), null, t("MF 324")},
        {i(4), t("Abbis"), t("Thomas"), t("Serv."), t("William George"), null, null, null, t("1681-09-27 00:00:00"), null, null, t("MF 324")},
        {i(5), t("Abbis"), t("James"), t("Serv."), t("David Clark"), null, null, null, t("1772-02-05 00:00:00"), null, null, t("MF 324")},
        {i(6), t("Abbot"), t("Francis"), t("Serv."), t("Joseph Drake"), null, null, null, t("1670-07-27 00:00:00"), null, null, t("MF 324")},
        {i(7), t("Abbot"), t("John"), t("Serv."), t("James"), t("Damaske"), null, null, t("1680-05-05 00:00:00"), null, null, t("MF 324")},
        {i(19), t("Abbott"), t("John"), t("Serv."), t("Thomas"), t("Bowcher"), null, null, t("1664-06-07 00:00:00"), null, null, t("MF 324")},
        {i(20), t("Abbott"), t("Micheal"), t("Patr."), t("Simon"), t("Abbott (deceased)"), null, null, t("1655-01-09 00:00:00"), null, null, t("MF 324")},
        {i(22), t("Abbott"), t("Morris"), t("Serv."), t("Thomas"), t("Cage"), null, null, t("1911-11-07 00:00:00"), null, null, t("MF 324")},
        {i(23), t("Abbott"), t("Robert"), t("Serv."), t("William"), t("Downes (relict)"), null, null, t("1596-07-12 00:00:00"), null, null, t("MF 324")},
        {i(24), t("Abbott"), t("Robert"), t("Serv."), t("John"), t("Robinson"), null, null, t("1614-06-29 00:00:00"), null, null, t("MF 324")},
        {i(25), t("Abbott"), t("Samuel"), t("Patr."), t("Robert"), t("Abbott"), null, null, t("1629-01-30 00:00:00"), null, null, t("MF 324")},
        {i(26), t("Abbott"), t("Samuel"), t("Serv."), t("William"), t("Edmonds"), null, null, t("1680-12-14 00:00:00"), null, null, t("MF 324")},
        {i(27), t("Abbott"), t("Simon"), t("Serv."), t("Richard"), t("Eston (relict)"), null, null, t("1599-06-18 00:00:00"), null, null, t("MF 324")},
        {i(28), t("Abbott"), t("Thomas"), t("Serv."), t("Richard"), t("Wennam"), null, null, t("1604-08-06 00:00:00"), null, null, t("MF 324")},
        {i(29), t("Abbott"), t("Thomas"), t("Serv."), t("Richard"), t("Blofield"), null, null, t("1605-06-03 00:00:00"), null, null, t("MF 324")},
        {i(30), t("Abbott"), t("Thomas"), t("Patr."), t("Thomas"), t("Abbott (deceased)"), null, null, t("1629-03-15 00:00:00"), null, null, t("MF 324")},
        {i(31), t("Abbott"), t("Thomas"), t("Redn."), null, null, null, null, t("1808-10-05 00:00:00"), t("1808-10-27 00:00:00"), null, t("MF 324")},
        {i(25491), t("'"), t("Richard"), t("Serv."), t("Samuel"), t("Price"), null, null, t("1750-11-07 00:00:00"), null, null, t("MF 324")},
    };
    const auto rows = query(db, "SELECT * FROM merchant_taylors ORDER BY \"Id No\"");
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(rows[r], expected[r]) << "row " << r;
    EXPECT_EQ(table("merchant_taylors").declared, 20u);
}

// Numeric(18, 0) columns, their precision and scale read from the table's
// definition: integers, whatever libmdb calls the definition's two bytes. The
// values are the ones Jackcess's own test of this file reads.
TEST_F(JetFiles, Jet4DecimalsAreExact)
{
    const jetimport::JetHeader header = jetimport::readJetHeader(jetFile("fixedNumericTestV2000.mdb"));
    jetimport::JetSource source(jetFile("fixedNumericTestV2000.mdb"), header, "CP1252");
    const auto table = source.openTable(0);
    for (std::size_t c = 1; c <= 6; ++c) {
        EXPECT_EQ(table->columns()[c].precision, 18) << c;
        EXPECT_EQ(table->columns()[c].scale, 0) << c;
    }

    const fs::path db = convert("fixedNumericTestV2000.mdb");
    EXPECT_EQ(columnsOf(db, "test"), (std::vector<std::string>{"col1 TEXT", "col2 INTEGER", "col3 INTEGER",
                                                                "col4 INTEGER", "col5 INTEGER", "col6 INTEGER",
                                                                "col7 INTEGER"}));
    EXPECT_EQ(query(db, "SELECT * FROM test"),
              (std::vector<std::vector<Value>>{{t("some data"), i(1), i(0), i(0), i(4), i(-1), i(1)}}));
}

// Values Access would never write, put into a copy of the same file in place of
// col5's 4 and col6's -1: each is carried without rounding and named in the
// report, so the tool ends with status 1.
TEST(JetDecimals, ValuesBeyondTheirColumnAreNamed)
{
    SKIP_WITHOUT_JET_FILES();
    const std::string four(std::string(13, '\0') + std::string("\x04\x00\x00\x00", 4));
    const std::string minusOne(std::string("\x80", 1) + std::string(12, '\0') + std::string("\x01\x00\x00\x00", 4));
    std::string bytes = fileBytes(jetFile("fixedNumericTestV2000.mdb"));
    const std::size_t at = bytes.find(four + minusOne);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find(four + minusOne, at + 1), std::string::npos);
    // 2^63 (0x80000000'00000000 in the two low words): past the largest integer.
    const std::string twoTo63 = std::string(9, '\0') + std::string("\x00\x00\x00\x80\x00\x00\x00\x00", 8);
    // -2^63: the smallest integer, but 19 digits in a column of 18.
    const std::string minusTwoTo63 = std::string("\x80", 1) + twoTo63.substr(1);
    bytes.replace(at, 34, twoTo63 + minusTwoTo63);
    ScratchFolder folder;
    writeFile(folder / "beyond.mdb", bytes);

    const jetimport::ImportReport report = jetimport::convertCatalogue(folder / "beyond.mdb", folder / "out.sqlite", "CP1252");
    ASSERT_FALSE(report.failure) << report.failure->what();
    ASSERT_EQ(report.changes.size(), 2u) << jetimport::summaryText(report);
    EXPECT_EQ(report.changes[0].column, "col5");
    EXPECT_NE(report.changes[0].reason.find("9223372036854775808"), std::string::npos) << report.changes[0].reason;
    EXPECT_EQ(report.changes[1].column, "col6");
    EXPECT_NE(report.changes[1].reason.find("-9223372036854775808"), std::string::npos) << report.changes[1].reason;
    EXPECT_TRUE(report.complete()); // nothing lost: the catalogue may be installed
    EXPECT_EQ(report.exitCode(), jetimport::ExitCode::Incomplete);
    EXPECT_EQ(query(folder / "out.sqlite", "SELECT col5, col6 FROM test"),
              (std::vector<std::vector<Value>>{{catalogue::Blob{twoTo63}, std::numeric_limits<std::int64_t>::min()}}));
}

// The password and the encoding key lie under the first page's key stream, the
// Jet 4 password also under its date mask: every real file, none protected,
// must read as unprotected, and a copy given either must read as having it.
TEST(JetHeaders, ProtectionIsReadUnderTheHeaderMask)
{
    SKIP_WITHOUT_JET_FILES();
    for (const char* name : {"testV1997.mdb", "testAccess2_2000.mdb", "testUnicodeCompV2003.mdb",
                             "historicRecords.mdb", "fixedNumericTestV2000.mdb"}) {
        const jetimport::JetHeader header = jetimport::readJetHeader(jetFile(name));
        EXPECT_FALSE(header.password) << name;
        EXPECT_FALSE(header.encoded) << name;
    }
    ScratchFolder folder;
    struct Copy {
        const char* source;
        std::string password;
        std::uint32_t key;
    };
    for (const Copy& copy : {Copy{"testV1997.mdb", "x", 0}, Copy{"historicRecords.mdb", std::string("x\0y", 3), 0},
                             Copy{"testV1997.mdb", "", 1}, Copy{"testAccess2_2000.mdb", "", 0x80000000}}) {
        std::string bytes = fileBytes(jetFile(copy.source));
        protect(bytes, copy.password, copy.key);
        writeFile(folder / "copy.mdb", bytes);
        const jetimport::JetHeader header = jetimport::readJetHeader(folder / "copy.mdb");
        EXPECT_EQ(header.password, !copy.password.empty()) << copy.source;
        EXPECT_EQ(header.encoded, copy.key != 0) << copy.source;
    }
    const std::string encoded =
        jetimport::protectedFileError("vecchio.mdb", {jetimport::JetVersion::Jet4, 4096, 0, false, true}).what();
    EXPECT_NE(encoded.find("codificato"), std::string::npos) << encoded;
    EXPECT_NE(encoded.find("Codifica/decodifica database"), std::string::npos) << encoded;
    EXPECT_EQ(encoded.find("password"), std::string::npos) << encoded;
}

TEST_F(JetFiles, TheProgramOpensAndEditsAConvertedCatalogue)
{
    const fs::path db = convert("testAccess2_2000.mdb");
    auto connection = std::make_shared<catalogue::Connection>();
    connection->setProvider(catalogue::Connection::catalogueProvider);
    connection->setConnectionString(db);
    connection->open();
    catalogue::Recordset recordset;
    recordset.setLockType(catalogue::LockType::Optimistic);
    recordset.setCursorLocation(catalogue::CursorLocation::Client);
    recordset.setActiveConnection(connection);
    recordset.setSource("select * from Table1;");
    recordset.open();
    ASSERT_EQ(recordset.rowCount(), 2u);
    ASSERT_TRUE(recordset.isUpdatable()) << recordset.notUpdatableReason();
    recordset.update(0, 1, std::string("the slow"));
    EXPECT_EQ(query(db, "SELECT ShortTextField FROM Table1 WHERE ID = 1")[0][0], t("the slow"));
}

// No Jet test file has a books table, and libmdb cannot write one: the books
// table's layout goes through the same writer, and is compared with the starter
// catalogue's.
TEST(BooksTable, MatchesTheStarterCatalogue)
{
    ScratchFolder folder;
    const fs::path imported = folder / "imported.sqlite";
    const jetimport::TableSchema schema = jetimport::tableSchema(
        "dorvi",
        {{"iddorvo", MDB_LONGINT, true, 0}, {"autore", MDB_TEXT, false, 0}, {"titolo", MDB_TEXT, false, 0},
         {"genere", MDB_MEMO, false, 0}, {"anno", MDB_INT, false, 0}},
        {0});
    {
        jetimport::CatalogueWriter writer(imported);
        writer.addTable(schema);
        writer.insert({i(7), t("Dante Alighieri"), t("La Divina Commedia"), t("Poema"), i(1321)});
        writer.insert({i(9), t("dante alighieri"), t("Vita nova"), t("Prosimetro"), null});
        writer.insert({i(11), t("Niccolò Machiavelli"), t("È primavera"), t("Attualità"), null});
        writer.addIndexes(schema);
        writer.commit();
    }
    const fs::path starter = folder / "starter.sqlite";
    {
        sqlite3* raw = nullptr;
        sqlite3_open(starter.c_str(), &raw);
        catalogue::DatabaseHandle db(raw);
        ASSERT_EQ(sqlite3_exec(db.get(), fileBytes(STARTER_SQL).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    const std::string indexes = "SELECT l.name, i.name, i.coll FROM pragma_index_list('dorvi') l, "
                                "pragma_index_xinfo(l.name) i WHERE i.key ORDER BY l.name";
    const std::string columns = "SELECT name, type, pk FROM pragma_table_info('dorvi') ORDER BY cid LIMIT 4";
    EXPECT_EQ(query(imported, indexes), query(starter, indexes));
    EXPECT_EQ(query(imported, columns), query(starter, columns));
    EXPECT_EQ(query(imported, "SELECT count(*) FROM dorvi WHERE autore = 'DANTE ALIGHIERI'")[0][0], i(2));
    EXPECT_EQ(query(imported, "SELECT iddorvo FROM dorvi WHERE titolo = 'vita NOVA'")[0][0], i(9));
    const auto plan = query(imported, "EXPLAIN QUERY PLAN SELECT * FROM dorvi WHERE genere = 'poema'");
    EXPECT_NE(std::get<std::string>(plan[0][3]).find("dorvi_genere"), std::string::npos);

    auto connection = std::make_shared<catalogue::Connection>();
    connection->setProvider(catalogue::Connection::catalogueProvider);
    connection->setConnectionString(imported);
    connection->open();
    catalogue::Recordset books;
    books.setLockType(catalogue::LockType::Optimistic);
    books.setCursorLocation(catalogue::CursorLocation::Client);
    books.setActiveConnection(connection);
    books.setSource("select * from dorvi;");
    books.open();
    EXPECT_EQ(books.rowCount(), 3u);
    EXPECT_TRUE(books.isUpdatable()) << books.notUpdatableReason();

    // The program's searches compare the converted file's letters as the old engine did.
    for (const catalogue::ExactSearch& search : {catalogue::ExactSearch{"dorvi", "autore", "NICCOLÒ MACHIAVELLI"},
                                                 catalogue::ExactSearch{"dorvi", "titolo", "è PRIMAVERA"},
                                                 catalogue::ExactSearch{"dorvi", "genere", "ATTUALITÀ"}}) {
        catalogue::Recordset found;
        found.setLockType(catalogue::LockType::ReadOnly);
        found.setActiveConnection(connection);
        found.setSource("select * from dorvi where " + search.column + "='" + search.answer + "';");
        found.setSearch(search);
        found.open();
        ASSERT_EQ(found.rowCount(), 1u) << search.answer;
        EXPECT_EQ(found.value(0, 0), catalogue::Value(std::int64_t(11))) << search.answer;
    }
}

} // namespace
