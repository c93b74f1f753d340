// The pieces of dorvi-import that need no Jet file: value decoding, long values,
// the catalogue layout, the report and the command line.
#include "codepage.h"
#include "commandline.h"
#include "decimal.h"
#include "importerror.h"
#include "jetobjects.h"
#include "jetvalues.h"
#include "longvalue.h"
#include "report.h"
#include "schema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

using namespace jetimport;

namespace {

std::vector<unsigned char> bytesOf(std::initializer_list<int> values)
{
    std::vector<unsigned char> bytes;
    for (int v : values)
        bytes.push_back(static_cast<unsigned char>(v));
    return bytes;
}

std::vector<unsigned char> bytesOf(const std::string& text)
{
    return {text.begin(), text.end()};
}

// ---- dates -------------------------------------------------------------------

struct DateCase {
    double days;
    const char* text; ///< nullptr: outside Jet's range
};

class JetDate : public testing::TestWithParam<DateCase> {};

TEST_P(JetDate, IsIsoText)
{
    const auto text = jetDateText(GetParam().days);
    if (GetParam().text)
        EXPECT_EQ(text, std::optional<std::string>(GetParam().text)) << GetParam().days;
    else
        EXPECT_FALSE(text) << GetParam().days;
}

INSTANTIATE_TEST_SUITE_P(
    Days, JetDate,
    testing::Values(DateCase{0.0, "1899-12-30 00:00:00"}, DateCase{1.0, "1899-12-31 00:00:00"},
                    DateCase{42179.0, "2015-06-24 00:00:00"}, DateCase{60.0, "1900-02-28 00:00:00"},
                    DateCase{61.0, "1900-03-01 00:00:00"},
                    // Before 1900, where libmdb's formatter gives "1900-01-00".
                    DateCase{-50976.0, "1760-06-05 00:00:00"}, DateCase{-110839.0, "1596-07-12 00:00:00"},
                    // Negative days count back; the fraction still runs forward.
                    DateCase{-1.25, "1899-12-29 06:00:00"}, DateCase{-0.5, "1899-12-30 12:00:00"},
                    DateCase{36526.75, "2000-01-01 18:00:00"},
                    DateCase{0.5 + 0.123 / 86400, "1899-12-30 12:00:00.123"},
                    // A time that rounds to midnight is the next day, either side of 1899.
                    DateCase{1.0 - 1e-10, "1899-12-31 00:00:00"}, DateCase{-1.9999999999, "1899-12-30 00:00:00"},
                    DateCase{-657434.0, "0100-01-01 00:00:00"}, DateCase{2958465.0 + 86399.0 / 86400, "9999-12-31 23:59:59"},
                    DateCase{-657435.0, nullptr}, DateCase{2958466.0, nullptr},
                    DateCase{std::numeric_limits<double>::quiet_NaN(), nullptr},
                    DateCase{std::numeric_limits<double>::infinity(), nullptr}));

// ---- numbers -----------------------------------------------------------------

TEST(Currency, IsExactWithFourDecimals)
{
    EXPECT_EQ(currencyText(0), "0.0000");
    EXPECT_EQ(currencyText(62300), "6.2300");
    EXPECT_EQ(currencyText(-1), "-0.0001");
    EXPECT_EQ(currencyText(-23412340345), "-2341234.0345");
    EXPECT_EQ(currencyText(std::numeric_limits<std::int64_t>::max()), "922337203685477.5807");
    EXPECT_EQ(currencyText(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
}

// A decimal as Jet stores it: sign byte, then four little-endian 32-bit words,
// the most significant first.
std::vector<unsigned char> storedDecimal(bool negative, unsigned __int128 magnitude)
{
    std::vector<unsigned char> bytes{static_cast<unsigned char>(negative ? 0x80 : 0)};
    for (int word = 3; word >= 0; --word) {
        const auto value = static_cast<std::uint32_t>(magnitude >> (32 * word));
        for (int b = 0; b < 4; ++b)
            bytes.push_back(static_cast<unsigned char>(value >> (8 * b)));
    }
    return bytes;
}

std::optional<std::string> numericText(const std::vector<unsigned char>& bytes, int scale)
{
    const auto value = readDecimal(bytes);
    return value ? std::optional<std::string>(decimalText(*value, scale)) : std::nullopt;
}

TEST(Decimal, KeepsEveryDigitAndTheScale)
{
    const unsigned __int128 big = static_cast<unsigned __int128>(2392343445343636ULL) * 1000000 + 234219;
    EXPECT_EQ(numericText(storedDecimal(false, big), 8), "23923434453436.36234219");
    EXPECT_EQ(numericText(storedDecimal(true, 12340345), 4), "-1234.0345");
    EXPECT_EQ(numericText(storedDecimal(false, 37), 0), "37");
    EXPECT_EQ(numericText(storedDecimal(false, 5), 3), "0.005");
    EXPECT_EQ(numericText(storedDecimal(true, 0), 2), "0.00"); // no "-0"
    EXPECT_FALSE(numericText(bytesOf({0, 1, 2}), 2));
}

// Raw stored decimals, spelled out byte by byte from Jet's layout as Jackcess
// reads it (ColumnImpl.readNumericValue): one sign byte, non-zero when negative,
// then 16 bytes of magnitude as four 32-bit words, the most significant word
// first, each word's least significant byte first. The words of each magnitude
// are worked out in the row's comment, independently of the code under test.
struct DecimalCase {
    const char* name;
    std::vector<unsigned char> stored;
    DecimalType type; ///< precision, scale
    catalogue::Value expected;
    bool named; ///< the report names the value
};

class StoredDecimalValue : public testing::TestWithParam<DecimalCase> {};

TEST_P(StoredDecimalValue, ConvertsExactly)
{
    const DecimalCase& row = GetParam();
    const ConvertedDecimal converted = convertDecimal(row.stored, row.type);
    EXPECT_EQ(converted.value, row.expected);
    EXPECT_EQ(!converted.problem.empty(), row.named) << converted.problem;
}

catalogue::Value blobOf(const std::vector<unsigned char>& bytes)
{
    return catalogue::Blob{std::string(bytes.begin(), bytes.end())};
}

// 10^28 - 1 = 0x0000_0000'204F_CE5E'3E25_0261'0FFF_FFFF, the largest value of Numeric(28).
const std::vector<unsigned char> largest28 = bytesOf(
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x5E, 0xCE, 0x4F, 0x20, 0x61, 0x02, 0x25, 0x3E, 0xFF, 0xFF, 0xFF, 0x0F});
// 2^63 = 0x0000_0000'0000_0000'8000_0000'0000_0000, one past the largest 64-bit integer.
const std::vector<unsigned char> twoTo63 = bytesOf(
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00});
// -2^63, the smallest 64-bit integer: sign byte 0x80 and the same magnitude.
const std::vector<unsigned char> minusTwoTo63 = bytesOf(
    {0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00});
// 2^96 - 1: every bit of the three low words, 29 digits, more than Access allows.
const std::vector<unsigned char> all96 = bytesOf(
    {0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});

INSTANTIATE_TEST_SUITE_P(
    Jet4, StoredDecimalValue,
    testing::Values(
        // As fixedNumericTestV2000.mdb stores 1 and -1 in its Numeric(18, 0) columns.
        DecimalCase{"one", bytesOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}), {18, 0}, std::int64_t{1}, false},
        DecimalCase{"minus_one", bytesOf({0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}), {18, 0}, std::int64_t{-1}, false},
        // Older writers set the sign byte to 1: any non-zero sign byte is negative.
        DecimalCase{"sign_byte_one", bytesOf({0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 0, 0}), {18, 0}, std::int64_t{-4}, false},
        DecimalCase{"negative_zero_integer", bytesOf({0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), {18, 0}, std::int64_t{0}, false},
        DecimalCase{"negative_zero_text", bytesOf({0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), {10, 2}, std::string("0.00"), false},
        // -1110.554 in Numeric(12, 3): 1110554 = 0x0010F21A in the last word.
        DecimalCase{"scale_3", bytesOf({0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1A, 0xF2, 0x10, 0x00}), {12, 3}, std::string("-1110.554"), false},
        // 5 at scale 4 keeps every zero the scale asks for.
        DecimalCase{"scale_4_leading_zeros", bytesOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 0, 0}), {6, 4}, std::string("0.0005"), false},
        // 2,500 at scale 2: trailing zeros stay, as they would in Access.
        DecimalCase{"scale_2_trailing_zeros", bytesOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC4, 0x09, 0, 0}), {5, 2}, std::string("25.00"), false},
        // Above 2^63, in a column of 19 digits or more: exact text.
        DecimalCase{"above_2_63", twoTo63, {19, 0}, std::string("9223372036854775808"), false},
        DecimalCase{"largest_28_digits", largest28, {28, 0}, std::string("9999999999999999999999999999"), false},
        DecimalCase{"largest_28_digits_scale_28", largest28, {28, 28}, std::string("0.9999999999999999999999999999"), false},
        DecimalCase{"largest_28_digits_scale_10", largest28, {28, 10}, std::string("999999999999999999.9999999999"), false},
        DecimalCase{"negative_largest_28_digits", [] { auto b = largest28; b[0] = 0x80; return b; }(), {28, 4},
                    std::string("-999999999999999999999999.9999"), false},
        // More digits than the column allows: Access never writes one, so it is
        // named, but still written exactly.
        DecimalCase{"beyond_precision_integer", minusTwoTo63, {18, 0}, std::numeric_limits<std::int64_t>::min(), true},
        DecimalCase{"beyond_96_bits_text", all96, {28, 0}, std::string("79228162514264337593543950335"), true},
        // An integer column cannot hold it without rounding: the stored bytes.
        DecimalCase{"beyond_64_bits_integer_column", twoTo63, {18, 0}, blobOf(twoTo63), true},
        DecimalCase{"impossible_scale", bytesOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0}), {28, 29},
                    blobOf(bytesOf({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0})), true},
        DecimalCase{"too_few_bytes", bytesOf({0, 1, 2}), {18, 0}, blobOf(bytesOf({0, 1, 2})), true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Guid, ReadsAsAccessShowsIt)
{
    const auto bytes = bytesOf({0x01, 0x9F, 0xA5, 0x32, 0x34, 0xAA, 0x29, 0x3E, 0x45, 0x3F, 0x45, 0x23, 0x45,
                                0x3C, 0xD2, 0xE6});
    EXPECT_EQ(guidText(bytes), "{32A59F01-AA34-3E29-453F-4523453CD2E6}");
}

TEST(Single, PrintsAsTypedAndKeepsItsValue)
{
    for (float value : {444.555f, 0.1f, -3.4028235e38f, 1.17549435e-38f, 7.0f}) {
        const double widened = singleAsDouble(value);
        EXPECT_EQ(static_cast<float>(widened), value);
    }
    EXPECT_EQ(singleAsDouble(444.555f), 444.555);
    EXPECT_EQ(singleAsDouble(0.1f), 0.1);
    EXPECT_TRUE(std::isinf(singleAsDouble(std::numeric_limits<float>::infinity())));
}

// ---- text ----------------------------------------------------------------------

TEST(Jet4Text, ReadsPlainAndCompressedUtf16)
{
    EXPECT_EQ(decodeJet4Text(bytesOf({0x1C, 0x04, 0x38, 0x04, 0x40, 0x04})).utf8, "Мир");
    EXPECT_EQ(decodeJet4Text(bytesOf({0xFF, 0xFE, 'a', 'b', 'c'})).utf8, "abc");
    // A zero byte switches to two bytes a character and back.
    EXPECT_EQ(decodeJet4Text(bytesOf({0xFF, 0xFE, 'a', 0, 0x1C, 0x04, 0, 'b'})).utf8, "aМb");
    EXPECT_EQ(decodeJet4Text(bytesOf({0xFF, 0xFE, 0xE4, 'k'})).utf8, "äk");
    const DecodedText empty = decodeJet4Text({});
    EXPECT_EQ(empty.utf8, "");
    EXPECT_FALSE(empty.replaced);
}

TEST(Jet4Text, KeepsCharactersBeyondTheBasicPlaneAndNul)
{
    // U+1F600 as a surrogate pair: libmdb's own conversion gives "?" here.
    const DecodedText emoji = decodeJet4Text(bytesOf({'a', 0, 0x3D, 0xD8, 0x00, 0xDE}));
    EXPECT_EQ(emoji.utf8, "a\xF0\x9F\x98\x80");
    EXPECT_FALSE(emoji.replaced);
    EXPECT_EQ(decodeJet4Text(bytesOf({'a', 0, 0, 0, 'b', 0})).utf8, std::string("a\0b", 3));
}

TEST(Jet4Text, MarksWhatItCouldNotRead)
{
    const DecodedText lone = decodeJet4Text(bytesOf({0x3D, 0xD8, 'a', 0}));
    EXPECT_EQ(lone.utf8, "\xEF\xBF\xBD" "a");
    EXPECT_TRUE(lone.replaced);
    EXPECT_TRUE(decodeJet4Text(bytesOf({'a', 0, 'b'})).replaced);
    EXPECT_TRUE(decodeJet4Text(bytesOf({0xFF, 0xFE, 'a', 0, 0x1C})).replaced);
}

TEST(CodePageText, FollowsTheChosenCodePage)
{
    CodePage western;
    EXPECT_EQ(western.decode(bytesOf("caff\xE8 \x80 5")).utf8, "caffè € 5");
    CodePage cyrillic("CP1251");
    EXPECT_EQ(cyrillic.decode(bytesOf("\xCC\xE8\xF0")).utf8, "Мир");
    const DecodedText undefined = western.decode(bytesOf("a\x81z"));
    EXPECT_EQ(undefined.utf8, "a\xC2\x81z");
    EXPECT_TRUE(undefined.replaced);
    EXPECT_THROW(CodePage("NO-SUCH-CODEPAGE"), std::invalid_argument);
}

// ---- long values (memo, OLE) -------------------------------------------------------

class LongValues : public testing::Test {
protected:
    static std::vector<unsigned char> reference(std::uint32_t header, std::uint32_t pageRow,
                                                const std::string& inlineData = {})
    {
        std::vector<unsigned char> bytes;
        for (std::uint32_t word : {header, pageRow, 0u}) {
            for (int b = 0; b < 4; ++b)
                bytes.push_back(static_cast<unsigned char>(word >> (8 * b)));
        }
        bytes.insert(bytes.end(), inlineData.begin(), inlineData.end());
        return bytes;
    }
    static std::string chained(std::uint32_t next, const std::string& data)
    {
        std::string row(4, '\0');
        for (int b = 0; b < 4; ++b)
            row[b] = static_cast<char>(next >> (8 * b));
        return row + data;
    }
    LongValue read(const std::vector<unsigned char>& reference) const
    {
        return readLongValue(reference, [this](std::uint32_t pageRow) -> std::optional<std::string_view> {
            const auto found = m_rows.find(pageRow);
            if (found == m_rows.end())
                return std::nullopt;
            return std::string_view(found->second);
        });
    }

    std::map<std::uint32_t, std::string> m_rows;
};

TEST_F(LongValues, InlineAndSingleRow)
{
    EXPECT_EQ(read(reference(0x80000003, 0, "abc")).bytes, "abc");
    const LongValue empty = read(reference(0x80000000, 0));
    EXPECT_EQ(empty.bytes, "");
    EXPECT_TRUE(empty.complete);
    m_rows[0x0501] = "hello world";
    const LongValue single = read(reference(0x40000005, 0x0501));
    EXPECT_EQ(single.bytes, "hello");
    EXPECT_TRUE(single.complete);
}

TEST_F(LongValues, ChainLongerThanLibmdbsBindBuffer)
{
    // 40 rows of 1000 bytes: past the 16384 bytes at which libmdb cuts memos.
    std::string expected;
    for (std::uint32_t i = 0; i < 40; ++i) {
        const std::string data(1000, static_cast<char>('A' + i % 26));
        m_rows[(10 + i) << 8] = chained(i + 1 < 40 ? (11 + i) << 8 : 0, data);
        expected += data;
    }
    const LongValue value = read(reference(static_cast<std::uint32_t>(expected.size()), 10 << 8));
    EXPECT_TRUE(value.complete);
    EXPECT_EQ(value.bytes, expected);
}

TEST_F(LongValues, DamagedReferencesEndAndSaySo)
{
    EXPECT_FALSE(read(reference(0x80000009, 0, "abc")).complete);        // shorter than declared
    EXPECT_FALSE(read(reference(0x40000005, 0x0701)).complete);          // row missing
    EXPECT_FALSE(read(reference(0xC0000005, 0x0701)).complete);          // unknown kind
    EXPECT_FALSE(read(std::vector<unsigned char>(5, 0)).complete);       // no reference at all
    m_rows[0x0100] = chained(0x0200, "ab");
    m_rows[0x0200] = chained(0x0100, "cd"); // back to the first row: a loop
    const LongValue looped = read(reference(100, 0x0100));
    EXPECT_FALSE(looped.complete);
    EXPECT_EQ(looped.bytes, "abcd");
    m_rows[0x0300] = chained(0, "xyz");
    EXPECT_FALSE(read(reference(10, 0x0300)).complete); // chain ends early
}

// ---- catalogue layout ------------------------------------------------------------

struct TypeCase {
    int jetType;
    const char* declared;
};

class DeclaredType : public testing::TestWithParam<TypeCase> {};

TEST_P(DeclaredType, KeepsValuesExact)
{
    EXPECT_EQ(declaredType(GetParam().jetType), GetParam().declared);
}

INSTANTIATE_TEST_SUITE_P(
    JetTypes, DeclaredType,
    testing::Values(TypeCase{MDB_BOOL, "INTEGER"}, TypeCase{MDB_BYTE, "INTEGER"}, TypeCase{MDB_INT, "INTEGER"},
                    TypeCase{MDB_LONGINT, "INTEGER"}, TypeCase{MDB_MONEY, "TEXT"}, TypeCase{MDB_FLOAT, "REAL"},
                    TypeCase{MDB_DOUBLE, "REAL"}, TypeCase{MDB_DATETIME, "DATETIME"}, TypeCase{MDB_BINARY, "BLOB"},
                    TypeCase{MDB_TEXT, "TEXT"}, TypeCase{MDB_OLE, "BLOB"}, TypeCase{MDB_MEMO, "TEXT"},
                    TypeCase{MDB_REPID, "TEXT"}, TypeCase{MDB_NUMERIC, "TEXT"}, TypeCase{0x7E, "BLOB"}));

TEST(DeclaredType, DecimalIsIntegerOnlyWhenEveryValueFits)
{
    const auto decimal = [](int precision, int scale) { return JetColumn{"d", MDB_NUMERIC, false, scale, precision}; };
    EXPECT_EQ(declaredType(decimal(18, 0)), "INTEGER");
    EXPECT_EQ(declaredType(decimal(1, 0)), "INTEGER");
    EXPECT_EQ(declaredType(decimal(19, 0)), "TEXT"); // 10^19 - 1 is beyond 64 bits
    EXPECT_EQ(declaredType(decimal(12, 3)), "TEXT");
    EXPECT_EQ(declaredType(decimal(0, 0)), "TEXT"); // no precision: nothing to rely on
    EXPECT_EQ(declaredType(JetColumn{"n", MDB_INT, false, 0, 0}), "INTEGER");
}

JetColumn column(const std::string& name, int type, bool autoNumber = false)
{
    return {name, type, autoNumber, 0};
}

TEST(Schema, BooksTableComparesWithoutCaseAndIsIndexed)
{
    const TableSchema schema =
        tableSchema("Dorvi", {column("iddorvo", MDB_LONGINT, true), column("Autore", MDB_TEXT), column("titolo", MDB_MEMO),
                              column("genere", MDB_TEXT), column("anno", MDB_INT)},
                    {0});
    EXPECT_EQ(createTableStatement(schema),
              "CREATE TABLE \"Dorvi\" (\"iddorvo\" INTEGER PRIMARY KEY, \"Autore\" TEXT COLLATE NOCASE, "
              "\"titolo\" TEXT COLLATE NOCASE, \"genere\" TEXT COLLATE NOCASE, \"anno\" INTEGER)");
    EXPECT_EQ(createIndexStatements(schema),
              (std::vector<std::string>{"CREATE INDEX \"dorvi_autore\" ON \"Dorvi\" (\"Autore\")",
                                        "CREATE INDEX \"dorvi_titolo\" ON \"Dorvi\" (\"titolo\")",
                                        "CREATE INDEX \"dorvi_genere\" ON \"Dorvi\" (\"genere\")"}));
    const TableSchema other = tableSchema("libri", {column("autore", MDB_TEXT)}, {});
    EXPECT_FALSE(other.columns[0].noCase);
    EXPECT_TRUE(createIndexStatements(other).empty());
}

TEST(Schema, PrimaryKeys)
{
    // A lone AutoNumber stands in for a missing primary key; two do not.
    EXPECT_TRUE(tableSchema("t", {column("a", MDB_TEXT), column("id", MDB_LONGINT, true)}, {}).rowidKey);
    EXPECT_TRUE(tableSchema("t", {column("a", MDB_LONGINT, true), column("b", MDB_LONGINT, true)}, {}).primaryKey.empty());
    EXPECT_EQ(createTableStatement(tableSchema("t", {column("code", MDB_TEXT), column("n", MDB_INT)}, {0})),
              "CREATE TABLE \"t\" (\"code\" TEXT, \"n\" INTEGER, PRIMARY KEY (\"code\"))");
    EXPECT_EQ(createTableStatement(tableSchema("t", {column("a", MDB_INT), column("b", MDB_INT)}, {1, 0})),
              "CREATE TABLE \"t\" (\"a\" INTEGER, \"b\" INTEGER, PRIMARY KEY (\"b\", \"a\"))");
    EXPECT_EQ(createTableStatement(tableSchema("t", {column("n", MDB_BYTE)}, {0})),
              "CREATE TABLE \"t\" (\"n\" INTEGER PRIMARY KEY)");
}

TEST(Schema, QuotesNamesWithQuotesAndSpaces)
{
    const TableSchema schema = tableSchema("my \"books\"", {column("Id No", MDB_LONGINT)}, {});
    EXPECT_EQ(insertStatement(schema), "INSERT INTO \"my \"\"books\"\"\" (\"Id No\") VALUES (?1)");
}

// ---- linked tables ----------------------------------------------------------------

TEST(LinkedTables, NameEachLinkedFileOnceWithItsTables)
{
    const std::vector<JetObject> objects{
        {"MSysObjects", 1, "", ""},
        {"dorvi", 6, "C:\\dati\\dorvi_be.mdb", ""},
        {"Query1", 5, "", ""},
        {"prestiti", 6, "", "Excel 8.0;HDR=YES;DATABASE=C:\\dati\\prestiti.xls"},
        {"clienti", 4, "", "ODBC;DSN=Biblioteca;UID=ospite"},
        {"generi", 6, "C:\\dati\\dorvi_be.mdb", ";DATABASE=C:\\dati\\dorvi_be.mdb"},
    };
    std::vector<bool> linked;
    for (const JetObject& object : objects)
        linked.push_back(isLinkedTable(object));
    EXPECT_EQ(linked, (std::vector<bool>{false, true, false, true, true, true}));

    const std::string message = onlyLinkedTables("vecchio.mdb", objects).what();
    EXPECT_NE(message.find("«vecchio.mdb»"), std::string::npos) << message;
    EXPECT_NE(message.find("«C:\\dati\\dorvi_be.mdb»: tabelle «dorvi», «generi»\n"), std::string::npos) << message;
    EXPECT_NE(message.find("«C:\\dati\\prestiti.xls»: tabelle «prestiti»"), std::string::npos) << message;
    EXPECT_NE(message.find("«ODBC;DSN=Biblioteca;UID=ospite»: tabelle «clienti»"), std::string::npos) << message;
    EXPECT_EQ(message.find("Query1"), std::string::npos) << message;
    EXPECT_EQ(message.find("MSysObjects"), std::string::npos) << message;
}

// ---- report --------------------------------------------------------------------

TEST(Report, SurvivesTheTripBetweenProcesses)
{
    ImportReport report;
    report.tables.push_back({"tab\tle\nname\\", 3, 3, 2, "errore: x"});
    report.changes.push_back({"t", "col\tumn", 2, "ID = 7", "motivo\ncon a capo", true});
    report.failure = ImportError(ExitCode::TargetUnwritable, "disco pieno");
    const ImportReport back = deserialize(serialize(report));
    ASSERT_EQ(back.tables.size(), 1u);
    EXPECT_EQ(back.tables[0].name, "tab\tle\nname\\");
    EXPECT_EQ(back.tables[0].written, 2u);
    EXPECT_EQ(back.tables[0].error, "errore: x");
    ASSERT_EQ(back.changes.size(), 1u);
    EXPECT_EQ(back.changes[0].column, "col\tumn");
    EXPECT_EQ(back.changes[0].key, "ID = 7");
    EXPECT_EQ(back.changes[0].reason, "motivo\ncon a capo");
    EXPECT_TRUE(back.changes[0].lost);
    ASSERT_TRUE(back.failure);
    EXPECT_EQ(back.failure->code(), ExitCode::TargetUnwritable);
    EXPECT_STREQ(back.failure->what(), "disco pieno");
}

TEST(Report, ExitCodeAndCompleteness)
{
    ImportReport report;
    report.tables.push_back({"t", 2, 2, 2, ""});
    EXPECT_EQ(report.exitCode(), ExitCode::Success);
    report.changes.push_back({"t", "c", 1, "", "data fuori"});
    EXPECT_TRUE(report.complete()); // written, with a change named
    EXPECT_EQ(report.exitCode(), ExitCode::Incomplete);
    report.changes.push_back({"t", "memo", 2, "", "valore lungo interrotto", true});
    EXPECT_FALSE(report.complete()); // a value only partly read is never installed
    report.changes.pop_back();
    report.tables.push_back({"u", 3, 2, 2, ""}); // a row libmdb never gave back
    EXPECT_FALSE(report.complete());
    report.tables.back() = {"u", 2, 2, 1, ""};
    EXPECT_FALSE(report.complete());
    const std::string summary = summaryText(report);
    EXPECT_NE(summary.find("Tabella «u»: righe lette 2, righe scritte 1"), std::string::npos) << summary;
    EXPECT_NE(summary.find("tabella «t», colonna «c», riga 1: data fuori"), std::string::npos) << summary;
}

// ---- command line ------------------------------------------------------------------

ExitCode usageFailure(const std::vector<std::string>& arguments)
{
    try {
        parseCommandLine(arguments);
    } catch (const ImportError& error) {
        return error.code();
    }
    return ExitCode::Success;
}

TEST(CommandLine, ReadsOptionsAnywhere)
{
    const CommandLine line = parseCommandLine({"vecchio.mdb", "--codepage", "CP1251", "nuovo.mdb", "--force"});
    EXPECT_EQ(line.source, "vecchio.mdb");
    EXPECT_EQ(line.target, "nuovo.mdb");
    EXPECT_TRUE(line.force);
    EXPECT_EQ(line.codePage, "CP1251");
    const CommandLine defaults = parseCommandLine({"--", "-strano.mdb"});
    EXPECT_EQ(defaults.source, "-strano.mdb");
    EXPECT_FALSE(defaults.target);
    EXPECT_EQ(defaults.codePage, "CP1252");
    EXPECT_EQ(parseCommandLine({"--codepage=CP850", "a.mdb"}).codePage, "CP850");
    EXPECT_TRUE(parseCommandLine({"--help"}).help);
}

TEST(CommandLine, RefusesWrongUse)
{
    EXPECT_EQ(usageFailure({}), ExitCode::Usage);
    EXPECT_EQ(usageFailure({"a", "b", "c"}), ExitCode::Usage);
    EXPECT_EQ(usageFailure({"--overwrite", "a"}), ExitCode::Usage);
    EXPECT_EQ(usageFailure({"a", "--codepage"}), ExitCode::Usage);
    EXPECT_EQ(usageFailure({"a", "--codepage", "KLINGON"}), ExitCode::Usage);
}

} // namespace
