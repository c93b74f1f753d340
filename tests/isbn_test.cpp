// Typed ISBNs read as the catalogue stores them: real books' numbers in every
// form people type them, and the wrong ones with the digit that would be right.
#include "isbn.h"

#include <gtest/gtest.h>

using catalogue::IsbnReading;
using catalogue::readIsbn;

namespace {

std::string stored(const char* typed)
{
    const IsbnReading reading = readIsbn(typed);
    EXPECT_TRUE(reading.valid()) << typed;
    return reading.isbn13;
}

TEST(Isbn, TenDigitsBecomeTheirIsbn13)
{
    // Kernighan and Ritchie, The C Programming Language, 2nd edition
    EXPECT_EQ(stored("0-13-110362-8"), "9780131103627");
    EXPECT_EQ(stored("0131103628"), "9780131103627");
    // Gamma and others, Design Patterns
    EXPECT_EQ(stored("0 201 63361 2"), "9780201633610");
    // Cormen and others, Introduction to Algorithms, 3rd edition
    EXPECT_EQ(stored("0-262-03384-4"), "9780262033848");
    // a check digit X, small or capital
    EXPECT_EQ(stored("0-8044-2957-X"), "9780804429573");
    EXPECT_EQ(stored("0-8044-2957-x"), "9780804429573");
}

TEST(Isbn, ThirteenDigitsAreKeptWithoutSeparators)
{
    EXPECT_EQ(stored("978 88 07 90007 5"), "9788807900075");
    EXPECT_EQ(stored("978-0-13-110362-7"), "9780131103627");
    EXPECT_EQ(stored("9783161484100"), "9783161484100");
    EXPECT_EQ(stored("979-10-90636-07-1"), "9791090636071"); // 979: no ISBN-10 exists
    EXPECT_EQ(stored("  978-1-4028-9462-6 "), "9781402894626");
}

TEST(Isbn, LabelsInFrontAreRead)
{
    EXPECT_EQ(stored("ISBN 978-88-07-90007-5"), "9788807900075");
    EXPECT_EQ(stored("ISBN-13: 978-88-07-90007-5"), "9788807900075");
    EXPECT_EQ(stored("isbn10 0-13-110362-8"), "9780131103627");
    EXPECT_EQ(stored("ISBN:0131103628"), "9780131103627");
}

TEST(Isbn, AWrongCheckDigitNamesTheRightOne)
{
    IsbnReading reading = readIsbn("88-04-12345-x");
    EXPECT_EQ(reading.status, IsbnReading::Status::WrongCheckDigit);
    EXPECT_EQ(reading.rightCheckDigit, '1');
    EXPECT_TRUE(reading.isbn13.empty());
    EXPECT_EQ(catalogue::isbnProblem(reading), "ISBN non valido: la cifra di controllo dovrebbe essere 1");

    reading = readIsbn("0-8044-2957-3"); // the right one is X
    EXPECT_EQ(reading.status, IsbnReading::Status::WrongCheckDigit);
    EXPECT_EQ(reading.rightCheckDigit, 'X');

    reading = readIsbn("978-88-07-90007-4");
    EXPECT_EQ(reading.status, IsbnReading::Status::WrongCheckDigit);
    EXPECT_EQ(reading.rightCheckDigit, '5');
}

TEST(Isbn, OtherTextIsNotAnIsbn)
{
    for (const char* text : {"", "   ", "ISBN", "12345", "978880790007", "97888079000755", "1234567890123",
                             "978-88-07-9000X-5", "X131103628", "0-13-110362-8a",
                             "0,13,110362,8", "٠١٣١١٠٣٦٢٨"}) {
        const IsbnReading reading = readIsbn(text);
        EXPECT_EQ(reading.status, IsbnReading::Status::NotAnIsbn) << text;
        EXPECT_FALSE(catalogue::isbnProblem(reading).empty());
    }
}

} // namespace
