// The services' replies read into the catalogue's fields, without a network:
// names, dates, pages, series, languages, traps of each service, and covers.
#include "bookrecord.h"
#include "coverimage.h"
#include "fieldtext.h"
#include "googlebooksreader.h"
#include "openlibraryreader.h"
#include "sbnreader.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <gtest/gtest.h>

using namespace lookup;
namespace ft = lookup::fieldtext;

namespace {

const QString italian = QStringLiteral("9788804661238");
const QString other = QStringLiteral("9788807121234");
const QUrl covers(QStringLiteral("http://127.0.0.1:9/copertine"));

QByteArray recorded(const char* name)
{
    QFile file(QStringLiteral(DORVI_ISBN_TESTDATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray imageBytes(int width, int height, const char* format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

} // namespace

TEST(LookupFieldText, NamesYearsPagesSeriesAndLanguagesAsTheCatalogueStoresThem)
{
    EXPECT_EQ(ft::personName(QStringLiteral("Eco, Umberto")), QStringLiteral("Umberto Eco"));
    EXPECT_EQ(ft::personName(QStringLiteral("Calvino, Italo <1923-1985>")), QStringLiteral("Italo Calvino"));
    EXPECT_EQ(ft::personName(QStringLiteral("Omero")), QStringLiteral("Omero"));
    EXPECT_EQ(ft::authors({QStringLiteral("A B"), QStringLiteral(" "), QStringLiteral("C D"), QStringLiteral("a b")}),
              QStringLiteral("A B, C D"));

    EXPECT_EQ(ft::year(QStringLiteral("2019-10-03T00:00:00+02:00")), QStringLiteral("2019"));
    EXPECT_EQ(ft::year(QStringLiteral("March 2009")), QStringLiteral("2009"));
    EXPECT_EQ(ft::year(QStringLiteral("s.d.")), QString());
    EXPECT_EQ(ft::year(QStringLiteral("[19--]")), QString());
    EXPECT_EQ(ft::year(QStringLiteral("c20155")), QString()) << "five digits are no year";

    EXPECT_EQ(ft::pages(QStringLiteral("XXIII, 612 p. ; 21 cm")), QStringLiteral("612"));
    EXPECT_EQ(ft::pages(QStringLiteral("2 v. ; 24 cm")), QString());
    EXPECT_EQ(ft::pages(QJsonValue(0)), QString()) << "Google writes 0 for pages it does not know";
    EXPECT_EQ(ft::pages(QJsonValue(QStringLiteral("many"))), QString());

    EXPECT_EQ(ft::series(QStringLiteral("Oscar classici ; 234")),
              std::make_pair(QStringLiteral("Oscar classici"), QStringLiteral("234")));
    EXPECT_EQ(ft::series(QStringLiteral("Nevermoor")), std::make_pair(QStringLiteral("Nevermoor"), QString()));

    EXPECT_EQ(ft::language(QStringLiteral("ita")), QStringLiteral("italiano"));
    EXPECT_EQ(ft::language(QStringLiteral("/languages/eng")), QStringLiteral("inglese"));
    EXPECT_EQ(ft::language(QStringLiteral("en-GB")), QStringLiteral("inglese"));
    EXPECT_EQ(ft::language(QStringLiteral("Tedesco")), QStringLiteral("tedesco"));
    EXPECT_EQ(ft::language(QStringLiteral("xx")), QString()) << "an unknown code is not written as a language";

    EXPECT_EQ(ft::isbn13(QStringLiteral("88-04-66123-X")), QString()) << "a wrong check digit is no ISBN";
    EXPECT_EQ(ft::isbnsIn(QStringLiteral("978-88-04-66123-8, 978-88-07-12123-4")), (QStringList{italian, other}));
}

TEST(LookupSbnReader, MatchesTheIsbnAskedAndCleansTitlesAndNames)
{
    // The search answers another edition first, with the sorting marks around the article.
    const QByteArray reply = QStringLiteral(R"({"numFound": 2, "briefRecords": [
        {"codiceIdentificativo": "IT\\ICCU\\AAA\\1", "titolo": "Altro libro", "isbn": "978-88-07-12123-4"},
        {"codiceIdentificativo": "IT\\ICCU\\BBB\\2", "titolo": "\u0088Il \u0089nome della rosa / Umberto Eco",
         "autorePrincipale": "Eco, Umberto", "pubblicazione": "Milano : Bompiani, [19--]",
         "isbn": ["88-04-66123-2", "978-88-04-66123-8"], "copertina": "http://127.0.0.1:9/c.jpg"}]})").toUtf8();
    const ServiceFinding finding = SbnReader::brief(reply, italian);
    ASSERT_TRUE(finding.known);
    EXPECT_EQ(finding.recordId, QStringLiteral("IT\\ICCU\\BBB\\2"));
    EXPECT_EQ(finding.fields.value("titolo"), QStringLiteral("Il nome della rosa"));
    EXPECT_EQ(finding.fields.value("autore"), QStringLiteral("Umberto Eco"));
    EXPECT_EQ(finding.fields.value("editore"), QStringLiteral("Bompiani"));
    EXPECT_EQ(finding.fields.value("anno"), QString());
    EXPECT_EQ(finding.coverLinks.value(0), QUrl(QStringLiteral("http://127.0.0.1:9/c.jpg")));

    const ServiceFinding onlyOther = SbnReader::brief(reply, QStringLiteral("9791250011236"));
    EXPECT_TRUE(onlyOther.readable);
    EXPECT_FALSE(onlyOther.known) << "a search that names only other ISBNs does not know this one";

    // Wrong types everywhere: nothing taken, nothing thrown.
    const ServiceFinding odd = SbnReader::brief(R"({"briefRecords": [{"isbn": 9788804661238, "titolo": {}},
        "text", null], "numFound": "x"})", italian);
    EXPECT_TRUE(odd.readable);
    EXPECT_TRUE(odd.known);
    EXPECT_EQ(odd.fields.value("titolo"), QString());
    EXPECT_EQ(odd.fields.value("autore"), QString()) << "an author missing stays missing";

    const ServiceFinding full = SbnReader::full(R"({"descrizioneFisica": "XXIII, 612 p. ; 21 cm",
        "collezione": "Oscar classici ; 234", "linguaPubblicazione": "ita"})");
    EXPECT_EQ(full.fields.value("pagine"), QStringLiteral("612"));
    EXPECT_EQ(full.fields.value("collana"), QStringLiteral("Oscar classici"));
    EXPECT_EQ(full.fields.value("numero"), QStringLiteral("234"));
    EXPECT_EQ(full.fields.value("lingua"), QStringLiteral("italiano"));

    EXPECT_EQ(SbnReader::publication(QStringLiteral("Milano : Mondadori, s.d.")),
              std::make_pair(QStringLiteral("Mondadori"), QString()));
}

TEST(LookupReaders, RepliesThatAreNotTheJsonExpectedAreUnreadable)
{
    const QByteArray html = "<!DOCTYPE html><html><body>Service Unavailable</body></html>";
    const QByteArray cut = R"({"briefRecords": [{"isbn": "9788804661238", "tito)";
    EXPECT_FALSE(SbnReader::brief(html, italian).readable);
    EXPECT_FALSE(SbnReader::brief(cut, italian).readable);
    EXPECT_FALSE(SbnReader::brief("[1, 2]", italian).readable);
    EXPECT_FALSE(GoogleBooksReader::volumes(html, italian).readable);
    EXPECT_FALSE(OpenLibraryReader::edition("{\"title\": ", italian, covers).readable);
    EXPECT_FALSE(OpenLibraryReader::books(html, {italian}, covers).value(italian).readable);
    EXPECT_EQ(OpenLibraryReader::authorName("not json"), QString());
}

TEST(LookupGoogleBooksReader, UsesOnlyAVolumeThatHoldsTheIsbnAsked)
{
    const QByteArray reply = R"({"kind": "books#volumes", "totalItems": 2, "items": [
        {"volumeInfo": {"title": "Another book", "industryIdentifiers": [{"type": "ISBN_13", "identifier": "9788807121234"}]}},
        {"volumeInfo": {"title": "Asked", "authors": ["Ann Author", 7], "publishedDate": "2019-10-03T00:00:00+02:00",
         "pageCount": 321, "language": "it",
         "industryIdentifiers": [{"type": "ISBN_10", "identifier": "8804661232"}]}}]})";
    const ServiceFinding finding = GoogleBooksReader::volumes(reply, italian);
    ASSERT_TRUE(finding.known);
    EXPECT_EQ(finding.fields.value("titolo"), QStringLiteral("Asked"));
    EXPECT_EQ(finding.fields.value("autore"), QStringLiteral("Ann Author"));
    EXPECT_EQ(finding.fields.value("anno"), QStringLiteral("2019"));
    EXPECT_EQ(finding.fields.value("lingua"), QStringLiteral("italiano"));

    const QByteArray onlyOther = R"({"items": [{"volumeInfo": {"title": "Another book",
        "industryIdentifiers": [{"type": "ISBN_13", "identifier": "9788807121234"}]}}]})";
    EXPECT_FALSE(GoogleBooksReader::volumes(onlyOther, italian).known);
}

TEST(LookupRecordedReplies, RealRepliesOfOpenLibraryAndGoogleBooksGiveTheirFields)
{
    const QByteArray books = recorded("openlibrary_9780734418227.json");
    const QByteArray edition = recorded("openlibrary2_9780734418227.json");
    const QByteArray authorsByKey = recorded("openlibrary2_9780141346830.json");
    const QByteArray volume = recorded("google-books-single-volume-en.json");
    const QByteArray search = recorded("google-books-volume-search.json");
    if (books.isEmpty() || edition.isEmpty() || authorsByKey.isEmpty() || volume.isEmpty() || search.isEmpty())
        GTEST_SKIP() << "the recorded replies are not in " DORVI_ISBN_TESTDATA;

    const QString wundersmith = QStringLiteral("9780734418227");
    const ServiceFinding fromBooks = OpenLibraryReader::books(books, {wundersmith}, covers).value(wundersmith);
    ASSERT_TRUE(fromBooks.known);
    EXPECT_EQ(fromBooks.fields.value("titolo"), QStringLiteral("Wundersmith"));
    EXPECT_EQ(fromBooks.fields.value("editore"), QStringLiteral("Lothian Children's Books"));
    EXPECT_EQ(fromBooks.fields.value("pagine"), QStringLiteral("473"));
    EXPECT_EQ(fromBooks.fields.value("autore"), QString());
    EXPECT_EQ(fromBooks.coverLinks.value(0), QUrl(QStringLiteral("http://127.0.0.1:9/copertine/b/id/13769253-M.jpg")))
        << "the cover is asked where the covers service is configured, not on the real host";

    const ServiceFinding fromEdition = OpenLibraryReader::edition(edition, wundersmith, covers);
    EXPECT_EQ(fromEdition.fields.value("collana"), QStringLiteral("Nevermoor"));
    EXPECT_EQ(fromEdition.fields.value("lingua"), QStringLiteral("inglese"));
    EXPECT_FALSE(OpenLibraryReader::edition(edition, italian, covers).known) << "an edition record of another ISBN";

    const ServiceFinding percy = OpenLibraryReader::edition(authorsByKey, QStringLiteral("9780141346830"), covers);
    EXPECT_EQ(percy.authorKeys, QStringList{QStringLiteral("/authors/OL30765A")});
    EXPECT_EQ(percy.fields.value("anno"), QStringLiteral("2013"));
    EXPECT_EQ(percy.coverLinks.size(), 3);

    const QString childrenOfTime = QStringLiteral("9780316452502");
    const ServiceFinding single = GoogleBooksReader::volumes(volume, childrenOfTime);
    ASSERT_TRUE(single.known) << "a reply that starts with a byte order mark";
    EXPECT_EQ(single.fields.value("pagine"), QStringLiteral("640"));
    const ServiceFinding fromSearch = GoogleBooksReader::volumes(search, childrenOfTime);
    ASSERT_TRUE(fromSearch.known);
    EXPECT_EQ(fromSearch.fields.value("pagine"), QString()) << "pageCount 0 is no count";
    EXPECT_EQ(fromSearch.fields.value("autore"), QStringLiteral("Adrian Tchaikovsky"));
}

TEST(LookupCoverImage, PlaceholdersAndNonImagesAreNoCoverAndLargeOnesAreScaled)
{
    const QByteArray placeholder = QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");
    ASSERT_FALSE(QImage::fromData(placeholder, "GIF").isNull()) << "the test's GIF must decode";
    EXPECT_TRUE(CoverImage::fromReceived(placeholder).isNull()) << "the 1×1 placeholder";
    EXPECT_TRUE(CoverImage::fromReceived(imageBytes(9, 40, "PNG")).isNull());
    EXPECT_TRUE(CoverImage::fromReceived("<html>not found</html>").isNull());
    EXPECT_TRUE(CoverImage::fromReceived(imageBytes(200, 300, "PNG").left(60)).isNull()) << "an image cut short";

    const QByteArray small = imageBytes(200, 300, "JPEG");
    const CoverImage kept = CoverImage::fromReceived(small);
    EXPECT_EQ(kept.bytes, small) << "a JPEG of fitting size is kept as received";
    EXPECT_EQ(kept.type, QStringLiteral("image/jpeg"));
    // A fitting JPEG is only checked, at an eighth of its size: its own size decides.
    EXPECT_FALSE(CoverImage::fromReceived(imageBytes(12, 12, "JPEG")).isNull());
    EXPECT_TRUE(CoverImage::fromReceived(imageBytes(9, 40, "JPEG")).isNull());
    EXPECT_TRUE(CoverImage::fromReceived(small.left(200)).isNull()) << "a JPEG cut before its pixels";

    const CoverImage scaled = CoverImage::fromReceived(imageBytes(500, 1200, "PNG"));
    EXPECT_EQ(scaled.type, QStringLiteral("image/png"));
    const QImage read = QImage::fromData(scaled.bytes);
    EXPECT_EQ(read.height(), 600);
    EXPECT_EQ(read.width(), 250);

    const CoverImage fromBmp = CoverImage::fromReceived(imageBytes(100, 150, "BMP"));
    EXPECT_EQ(fromBmp.type, QStringLiteral("image/png")) << "another format is stored as PNG";
    EXPECT_FALSE(QImage::fromData(fromBmp.bytes, "PNG").isNull());
}

// Several records under the ISBN asked are editions to choose from: the first
// gives the book, the others are kept apart, a record repeating one is none,
// and a record of another ISBN is never an edition.
TEST(LookupEditions, FurtherRecordsOfTheSameIsbnAreEditionsAndTheChosenOneFillsFromTheFirst)
{
    const QByteArray sbn = QStringLiteral(R"({"briefRecords": [
        {"codiceIdentificativo": "A", "titolo": "Altro / X", "isbn": "978-88-07-12123-4"},
        {"codiceIdentificativo": "B", "titolo": "Il libro / Eco", "autorePrincipale": "Eco, Umberto",
         "pubblicazione": "Milano : Bompiani, 1980", "isbn": "%1"},
        {"codiceIdentificativo": "B2", "titolo": "Il libro / Eco", "autorePrincipale": "Eco, Umberto",
         "pubblicazione": "Milano : Bompiani, 1980", "isbn": "%1"},
        {"codiceIdentificativo": "C", "titolo": "Il libro / Eco", "pubblicazione": "Milano : Fabbri, 2002",
         "isbn": "%1"}]})").arg(italian).toUtf8();
    const ServiceFinding finding = SbnReader::brief(sbn, italian);
    ASSERT_TRUE(finding.known);
    EXPECT_EQ(finding.recordId, QStringLiteral("B"));
    EXPECT_EQ(finding.fields.value("editore"), QStringLiteral("Bompiani"));
    ASSERT_EQ(finding.otherEditions.size(), 1) << "the repeated record is not another edition";
    EXPECT_EQ(finding.otherEditions[0].value("editore"), QStringLiteral("Fabbri"));

    const QByteArray google = QStringLiteral(R"({"items": [
        {"volumeInfo": {"title": "Primo", "publisher": "Uno", "industryIdentifiers": [{"identifier": "%1"}]}},
        {"volumeInfo": {"title": "Altro", "industryIdentifiers": [{"identifier": "9788807121234"}]}},
        {"volumeInfo": {"title": "Primo", "publisher": "Due", "industryIdentifiers": [{"identifier": "%1"}]}}]})")
                                  .arg(italian)
                                  .toUtf8();
    const ServiceFinding volumes = GoogleBooksReader::volumes(google, italian);
    ASSERT_EQ(volumes.otherEditions.size(), 1);
    EXPECT_EQ(volumes.otherEditions[0].value("editore"), QStringLiteral("Due"));

    BookRecord book;
    book.fields = finding.fields;
    book.fields.insert(QStringLiteral("pagine"), QStringLiteral("503"));
    book.service = QStringLiteral("SBN");
    book.otherEditions = finding.otherEditions;
    ASSERT_EQ(book.editions(), 2);
    const BookRecord second = book.edition(1);
    EXPECT_EQ(second.fields.value("editore"), QStringLiteral("Fabbri"));
    EXPECT_EQ(second.fields.value("anno"), QStringLiteral("2002"));
    EXPECT_EQ(second.fields.value("autore"), QStringLiteral("Umberto Eco")) << "what the edition lacks comes from the first";
    EXPECT_EQ(second.fields.value("pagine"), QStringLiteral("503"));
    EXPECT_TRUE(second.otherEditions.isEmpty());
    EXPECT_EQ(book.edition(0).fields, book.fields);
    EXPECT_EQ(book.edition(7).fields, book.fields) << "an edition out of range is the first";
}
