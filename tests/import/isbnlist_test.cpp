// A list of ISBNs as a source: told apart from other text files by its first
// line, read with its blank lines left out and its line numbers kept, and turned
// away by the import of books, which cannot look anything up.
#include "bookimport.h"
#include "error.h"
#include "isbnlist.h"
#include "sourcekind.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class IsbnList : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() / ("isbnlist-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string file(const std::string& text, const char* name = "isbn.txt") const
    {
        const std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    bookimport::SourceKind kindOf(const std::string& text) const
    {
        return bookimport::recogniseSource(file(text)).kind;
    }

    fs::path folder;
};

using bookimport::SourceKind;

} // namespace

TEST_F(IsbnList, RecognisedByItsFirstLineNotByItsName)
{
    EXPECT_EQ(kindOf("978-88-06-21918-5\n88 04 62012 X\n"), SourceKind::IsbnList);
    EXPECT_EQ(kindOf("\xEF\xBB\xBF\r\n\r\n  9788806219185  \r\n"), SourceKind::IsbnList) << "BOM, CRLF, blank lines";
    EXPECT_EQ(kindOf("978-88-06-21918-4\n"), SourceKind::IsbnList) << "a wrong check digit is named, not misread";
    EXPECT_EQ(kindOf("ISBN 978-88-06-21918-5"), SourceKind::IsbnList) << "one line, no line end";
    // The heading of a CSV, even of a single column of ISBNs, keeps it a CSV.
    EXPECT_EQ(kindOf("isbn\n9788806219185\n"), SourceKind::Delimited);
    EXPECT_EQ(kindOf("9788806219185;Il sistema periodico\n"), SourceKind::Delimited);
    EXPECT_EQ(kindOf("97888062191\n"), SourceKind::Delimited) << "eleven digits are no ISBN";
    EXPECT_EQ(kindOf(std::string(600, '9')), SourceKind::Delimited) << "a line longer than the beginning read";
}

TEST_F(IsbnList, ReadWithLineNumbersAndBlankLinesLeftOut)
{
    const auto lines = bookimport::readIsbnList(file("\xEF\xBB\xBF 978-88-06-21918-5 \r\n\r\n\t\n88 04 62012 X\nabc"));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].line, 1u);
    EXPECT_EQ(lines[0].typed, "978-88-06-21918-5");
    EXPECT_EQ(lines[1].line, 4u);
    EXPECT_EQ(lines[1].typed, "88 04 62012 X");
    EXPECT_EQ(lines[2].typed, "abc") << "kept, to be named as no ISBN";
}

TEST_F(IsbnList, AnEmptyOrEndlessListIsRefused)
{
    EXPECT_THROW(bookimport::readIsbnList(file("\n \r\n")), catalogue::Error);
    std::string many;
    for (std::size_t i = 0; i <= bookimport::maxListedIsbns; ++i)
        many += "9788806219185\n";
    try {
        bookimport::readIsbnList(file(many));
        FAIL() << "a list over the limit was read";
    } catch (const catalogue::Error& error) {
        EXPECT_NE(error.description().find("10000"), std::string::npos) << error.description();
    }
}

// The import of books (the window's Importa…) cannot look anything up: it says
// where a list of ISBNs goes, and the catalogue is left as it was.
TEST_F(IsbnList, TheImportOfBooksPointsToTheLookupAndWritesNothing)
{
    const std::string list = file("9788806219185\n");
    const std::string catalogue = (folder / "nuovo.mdb").string();
    try {
        bookimport::importIntoNewCatalogue(list, catalogue, {});
        FAIL() << "a list of ISBNs was imported as books";
    } catch (const catalogue::Error& error) {
        EXPECT_NE(error.description().find("Aggiungi da ISBN"), std::string::npos) << error.description();
        EXPECT_NE(error.description().find("--aggiungi"), std::string::npos) << error.description();
    }
}
