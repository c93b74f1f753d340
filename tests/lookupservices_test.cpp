// Whole lookups by ISBN against one scripted server on loopback that answers as
// SBN, Open Library, Google Books and the covers service: the order of the
// services, what each fills in, batching, covers and failures.
#include "isbnlookup.h"
#include "loopbackserver.h"
#include "politeclient.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QSignalSpy>
#include <QUrlQuery>
#include <gtest/gtest.h>

#include <algorithm>

using namespace lookup;

namespace {

const QString italian = QStringLiteral("9788804661238");

QByteArray recorded(const char* name)
{
    QFile file(QStringLiteral(DORVI_ISBN_TESTDATA "/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray png(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

const QByteArray gifPlaceholder =
    QByteArray::fromBase64("R0lGODlhAQABAIAAAP///wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==");

// The answers of one lookup, gathered from its signals.
struct Answers {
    QList<BookRecord> found;
    QStringList notFound;
    QStringList failed;
};

Answers lookUp(LoopbackServer& server, const QStringList& isbns, bool enabled = true)
{
    LookupSettings settings;
    settings.sbn = server.url(QStringLiteral("/sbn"));
    settings.openLibrary = server.url(QStringLiteral("/ol"));
    settings.googleBooks = server.url(QStringLiteral("/gb/books/v1"));
    settings.covers = server.url(QStringLiteral("/covers"));
    settings.redirected = true;
    settings.enabled = enabled;
    IsbnLookup lookup(settings);
    PoliteClient::Limits limits;
    limits.spacingMs = 0;
    lookup.client().setLimits(limits);
    Answers answers;
    QObject::connect(&lookup, &IsbnLookup::found, [&](const BookRecord& book) { answers.found.append(book); });
    QObject::connect(&lookup, &IsbnLookup::notFound, [&](const QString& isbn) { answers.notFound.append(isbn); });
    QObject::connect(&lookup, &IsbnLookup::failed,
                     [&](const QString&, const QString& message) { answers.failed.append(message); });
    QSignalSpy idle(&lookup, &IsbnLookup::idle);
    lookup.lookUp(isbns);
    EXPECT_EQ(lookup.pending(), isbns.size());
    EXPECT_TRUE(idle.wait(20000));
    EXPECT_EQ(answers.found.size() + answers.notFound.size() + answers.failed.size(), isbns.size())
        << "every ISBN asked is answered once";
    return answers;
}

QByteArray sbnSearch(const QString& isbnRecord, const QByteArray& extra = {})
{
    return QStringLiteral(R"({"numFound": 2, "briefRecords": [
        {"codiceIdentificativo": "ALTRO", "titolo": "Un altro libro / Altri", "autorePrincipale": "Altri, Tali",
         "isbn": "978-88-07-12123-4"},
        {"codiceIdentificativo": "QUESTO", "titolo": "\u0088La \u0089coscienza di Zeno / Italo Svevo",
         "autorePrincipale": "Svevo, Italo", "pubblicazione": "Milano : Mondadori, 2020", "isbn": "%1" %2}]})")
        .arg(isbnRecord, QString::fromUtf8(extra))
        .toUtf8();
}

} // namespace

TEST(LookupServices, AnItalianIsbnIsAskedOfSbnFirstAndTheOthersOnlyFillWhatIsMissing)
{
    LoopbackServer server([](const QUrl& target) {
        const QString path = target.path();
        if (path == QLatin1String("/sbn/search.json"))
            return ScriptedReply::json(sbnSearch(QStringLiteral("978-88-04-66123-8")));
        if (path == QLatin1String("/sbn/full.json"))
            return QUrlQuery(target).queryItemValue(QStringLiteral("bid")) == QLatin1String("QUESTO")
                ? ScriptedReply::json(R"({"collezione": "Oscar classici ; 234", "descrizioneFisica": "s.n."})")
                : ScriptedReply::withStatus(404);
        if (path == QLatin1String("/ol/api/books"))
            return ScriptedReply::json("{}");
        if (path == QLatin1String("/gb/books/v1/volumes"))
            return ScriptedReply::json(R"({"items": [
                {"volumeInfo": {"title": "Wrong", "pageCount": 99, "industryIdentifiers": [{"identifier": "9788807121234"}]}},
                {"volumeInfo": {"title": "Titolo di Google", "authors": ["Altro Nome"], "pageCount": 612, "language": "it",
                 "industryIdentifiers": [{"type": "ISBN_13", "identifier": "9788804661238"}]}}]})");
        if (path == QLatin1String("/covers/b/isbn/9788804661238-M.jpg"))
            return QUrlQuery(target).queryItemValue(QStringLiteral("default")) == QLatin1String("false")
                ? ScriptedReply{200, png(40, 60), {{"Content-Type", "image/png"}}}
                : ScriptedReply{200, gifPlaceholder, {}};
        return ScriptedReply::withStatus(404);
    });
    const Answers answers = lookUp(server, {QStringLiteral("978-88-04-66123-8")});
    ASSERT_EQ(answers.found.size(), 1);
    const BookRecord& book = answers.found.first();
    EXPECT_EQ(book.service, QStringLiteral("SBN"));
    EXPECT_EQ(book.fields.value("titolo"), QStringLiteral("La coscienza di Zeno"));
    EXPECT_EQ(book.fields.value("autore"), QStringLiteral("Italo Svevo"));
    EXPECT_EQ(book.fields.value("editore"), QStringLiteral("Mondadori"));
    EXPECT_EQ(book.fields.value("anno"), QStringLiteral("2020"));
    EXPECT_EQ(book.fields.value("collana"), QStringLiteral("Oscar classici"));
    EXPECT_EQ(book.fields.value("numero"), QStringLiteral("234"));
    EXPECT_EQ(book.fields.value("pagine"), QStringLiteral("612")) << "Google fills the pages SBN lacks";
    EXPECT_EQ(book.fields.value("lingua"), QStringLiteral("italiano"));
    EXPECT_EQ(book.fields.value("isbn"), italian);
    EXPECT_EQ(book.coverType, QStringLiteral("image/png"));
    EXPECT_EQ(QImage::fromData(book.cover).size(), QSize(40, 60));

    ASSERT_FALSE(server.seen().empty());
    EXPECT_EQ(server.seen().front().target.path(), QStringLiteral("/sbn/search.json"));
    EXPECT_EQ(QUrlQuery(server.seen().front().target).queryItemValue(QStringLiteral("isbn")), italian);
}

TEST(LookupServices, OtherIsbnsGoToOpenLibraryInOneBatchWithEditionsAuthorsAndCovers)
{
    const QByteArray books = recorded("openlibrary_9780734418227.json");
    const QByteArray wundersmith = recorded("openlibrary2_9780734418227.json");
    const QByteArray percy = recorded("openlibrary2_9780141346830.json");
    const QByteArray otherVolume = recorded("google-books-volume-search.json");
    if (books.isEmpty() || wundersmith.isEmpty() || percy.isEmpty() || otherVolume.isEmpty())
        GTEST_SKIP() << "the recorded replies are not in " DORVI_ISBN_TESTDATA;

    LoopbackServer server([&](const QUrl& target) {
        const QString path = target.path();
        if (path == QLatin1String("/ol/api/books"))
            return ScriptedReply::json(books);
        if (path == QLatin1String("/ol/isbn/9780734418227.json"))
            return ScriptedReply::json(wundersmith);
        if (path == QLatin1String("/ol/isbn/9780141346830.json"))
            return ScriptedReply::json(percy);
        if (path == QLatin1String("/ol/authors/OL30765A.json"))
            return ScriptedReply::json(R"({"name": "Rick Riordan", "key": "/authors/OL30765A"})");
        if (path == QLatin1String("/gb/books/v1/volumes"))
            return ScriptedReply::json(otherVolume);
        if (path == QLatin1String("/sbn/search.json"))
            return ScriptedReply::json(R"({"numFound": 0, "briefRecords": []})");
        if (path == QLatin1String("/covers/b/id/13769253-M.jpg"))
            return ScriptedReply{200, gifPlaceholder, {}};
        if (path == QLatin1String("/covers/b/id/14615097-M.jpg"))
            return ScriptedReply{200, "<html>not an image</html>", {}};
        if (path == QLatin1String("/covers/b/id/14615096-M.jpg"))
            return ScriptedReply{200, png(30, 45), {}};
        return ScriptedReply::withStatus(404);
    });
    const Answers answers = lookUp(server, {QStringLiteral("9780734418227"), QStringLiteral("0-14-134683-3")});
    ASSERT_EQ(answers.found.size(), 2);

    const auto batches = server.seenUnder(QStringLiteral("/ol/api/books"));
    ASSERT_EQ(batches.size(), 1u) << "ISBNs asked together share one Books API request";
    EXPECT_EQ(QUrlQuery(batches[0].target).queryItemValue(QStringLiteral("bibkeys")),
              QStringLiteral("ISBN:9780734418227,ISBN:9780141346830"));

    const auto byIsbn = [&](const QString& isbn) {
        for (const BookRecord& book : answers.found)
            if (book.fields.value("isbn") == isbn)
                return book;
        return BookRecord{};
    };
    const BookRecord first = byIsbn(QStringLiteral("9780734418227"));
    EXPECT_EQ(first.service, QStringLiteral("Open Library"));
    EXPECT_EQ(first.fields.value("titolo"), QStringLiteral("Wundersmith"));
    EXPECT_EQ(first.fields.value("collana"), QStringLiteral("Nevermoor"));
    EXPECT_EQ(first.fields.value("lingua"), QStringLiteral("inglese"));
    EXPECT_FALSE(first.fields.contains(QStringLiteral("autore"))) << "an author no service knows stays out";
    EXPECT_FALSE(first.fields.value("titolo").contains(QStringLiteral("Children of Time")))
        << "Google's volume of another ISBN is not used";
    EXPECT_TRUE(first.cover.isEmpty()) << "the 1×1 placeholder is no cover";

    const BookRecord second = byIsbn(QStringLiteral("9780141346830"));
    EXPECT_EQ(second.fields.value("autore"), QStringLiteral("Rick Riordan"));
    EXPECT_EQ(second.fields.value("isbn"), QStringLiteral("9780141346830"));
    EXPECT_EQ(second.fields.value("anno"), QStringLiteral("2013"));
    EXPECT_EQ(QImage::fromData(second.cover).size(), QSize(30, 45)) << "a cover that is not an image is passed over";
}

TEST(LookupServices, FailuresNameTheServiceAndTheCauseAndNothingFoundIsNotFound)
{
    LoopbackServer server([](const QUrl& target) {
        const QString path = target.path();
        if (path == QLatin1String("/sbn/search.json"))
            return ScriptedReply{200, "<html><body>Errore interno</body></html>", {{"Content-Type", "text/html"}}};
        if (path == QLatin1String("/ol/api/books"))
            return ScriptedReply::json(R"({"ISBN:9788804661238": {"title": )");
        if (path == QLatin1String("/gb/books/v1/volumes"))
            return ScriptedReply::withStatus(500);
        return ScriptedReply::withStatus(404);
    });
    const Answers broken = lookUp(server, {italian});
    ASSERT_EQ(broken.failed.size(), 1);
    EXPECT_TRUE(broken.failed[0].contains(QStringLiteral("SBN"))) << broken.failed[0].toStdString();
    EXPECT_TRUE(broken.failed[0].contains(QStringLiteral("Open Library")));
    EXPECT_TRUE(broken.failed[0].contains(QStringLiteral("Google Books: il servizio risponde con l'errore 500")));
    EXPECT_TRUE(server.seenUnder(QStringLiteral("/covers")).empty()) << "no cover is asked for a book not found";

    LoopbackServer empty([](const QUrl&) { return ScriptedReply::withStatus(404); });
    const Answers nothing = lookUp(empty, {QStringLiteral("9780201611236")});
    EXPECT_EQ(nothing.notFound, QStringList{QStringLiteral("9780201611236")});

    const Answers wrong = lookUp(empty, {QStringLiteral("978-88-04-66123-9"), QStringLiteral("abc")});
    ASSERT_EQ(wrong.failed.size(), 2);
    EXPECT_TRUE(wrong.failed[0].contains(QStringLiteral("8"))) << wrong.failed[0].toStdString();
    const std::size_t before = empty.seen().size();
    const Answers off = lookUp(empty, {italian}, false);
    ASSERT_EQ(off.failed.size(), 1);
    EXPECT_EQ(empty.seen().size(), before) << "turned off, no service is asked anything";
}

TEST(LookupServices, AServiceDownIsNotAskedAgainForEachIsbnOfItsBatch)
{
    LoopbackServer server([](const QUrl& target) {
        return target.path().startsWith(QLatin1String("/ol/")) ? ScriptedReply::withStatus(502)
                                                              : ScriptedReply::withStatus(404);
    });
    const Answers answers = lookUp(server, {QStringLiteral("9780201611236"), QStringLiteral("9780141341231")});
    EXPECT_EQ(answers.failed.size(), 2);
    EXPECT_EQ(server.seenUnder(QStringLiteral("/ol/")).size(), 1u) << "one batch, no edition records after it failed";
    ASSERT_FALSE(server.seen().empty());
    EXPECT_EQ(server.seen().front().target.path(), QStringLiteral("/ol/api/books"));
    ASSERT_FALSE(server.seenUnder(QStringLiteral("/sbn")).empty());
    ASSERT_FALSE(server.seenUnder(QStringLiteral("/gb")).empty());
    const auto& seen = server.seen();
    const auto isSbn = [](const SeenRequest& r) { return r.target.path().startsWith(QLatin1String("/sbn/")); };
    const auto firstSbn = std::find_if(seen.begin(), seen.end(), isSbn);
    EXPECT_TRUE(std::all_of(firstSbn, seen.end(), isSbn))
        << "outside the Italian groups SBN is asked last";
}

TEST(LookupServices, ManyIsbnsAreAskedOfOpenLibraryTwentyFiveAtATime)
{
    QStringList isbns;
    for (int n = 0; n < 30; ++n) {
        QString body = QStringLiteral("978020100%1").arg(n, 3, 10, QLatin1Char('0'));
        int sum = 0;
        for (int i = 0; i < 12; ++i)
            sum += body.at(i).digitValue() * (i % 2 == 0 ? 1 : 3);
        isbns.append(body + QString::number((10 - sum % 10) % 10));
    }
    LoopbackServer server([](const QUrl&) { return ScriptedReply::withStatus(404); });
    const Answers answers = lookUp(server, isbns);
    EXPECT_EQ(answers.notFound.size(), 30);
    const auto batches = server.seenUnder(QStringLiteral("/ol/api/books"));
    ASSERT_EQ(batches.size(), 2u);
    EXPECT_EQ(QUrlQuery(batches[0].target).queryItemValue(QStringLiteral("bibkeys")).count(QLatin1Char(',')), 24);
    EXPECT_EQ(QUrlQuery(batches[1].target).queryItemValue(QStringLiteral("bibkeys")).count(QLatin1Char(',')), 4);
}

TEST(LookupServices, ALookupClosedWhileTheServicesAreSilentAnswersNothingAndLeavesNothingBehind)
{
    LoopbackServer server([](const QUrl&) {
        ScriptedReply reply;
        reply.silent = true;
        return reply;
    });
    LookupSettings settings;
    settings.sbn = server.url(QStringLiteral("/sbn"));
    settings.openLibrary = server.url(QStringLiteral("/ol"));
    settings.googleBooks = server.url(QStringLiteral("/gb"));
    settings.covers = server.url(QStringLiteral("/covers"));
    settings.redirected = true;
    int answers = 0;
    {
        IsbnLookup lookup(settings);
        QObject::connect(&lookup, &IsbnLookup::found, [&] { ++answers; });
        QObject::connect(&lookup, &IsbnLookup::notFound, [&] { ++answers; });
        QObject::connect(&lookup, &IsbnLookup::failed, [&] { ++answers; });
        lookup.lookUp({italian, QStringLiteral("9780201611236")});
        QDeadlineTimer deadline(5000);
        while (server.seen().size() < 2 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
        ASSERT_EQ(server.seen().size(), 2u) << "SBN and Open Library asked at once, each at its own pace";
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(answers, 0);
}

TEST(LookupServices, AddressesComeFromTheEnvironmentBeforeTheSettings)
{
    QSettings settings(QStringLiteral("Dorvi"), QStringLiteral("Gestione Dorvi prova"));
    settings.setValue(QStringLiteral("ricerca_isbn/sbn"), QStringLiteral("http://127.0.0.1:1/impostato"));
    settings.setValue(QStringLiteral("ricerca_isbn/googlebooks"), QStringLiteral("http://127.0.0.1:2/gb"));
    settings.setValue(QStringLiteral("ricerca_isbn/attiva"), false);
    qputenv("DORVI_SBN_URL", "http://127.0.0.1:3/ambiente");
    const LookupSettings read = LookupSettings::read(settings);
    qunsetenv("DORVI_SBN_URL");
    EXPECT_EQ(read.sbn, QUrl(QStringLiteral("http://127.0.0.1:3/ambiente")));
    EXPECT_EQ(read.googleBooks, QUrl(QStringLiteral("http://127.0.0.1:2/gb")));
    EXPECT_EQ(read.openLibrary, QUrl(QStringLiteral("https://openlibrary.org")));
    EXPECT_FALSE(read.enabled);
    EXPECT_TRUE(read.redirected);
    EXPECT_FALSE(read.mayFollow(QUrl(QStringLiteral("https://books.google.com/books/content?id=1"))))
        << "with the services moved, a link in a reply never leads to the real ones";
    EXPECT_TRUE(read.mayFollow(QUrl(QStringLiteral("http://127.0.0.1:2/cover.jpg"))));
    EXPECT_TRUE(LookupSettings{}.mayFollow(QUrl(QStringLiteral("https://books.google.com/x"))));
    EXPECT_FALSE(LookupSettings{}.mayFollow(QUrl(QStringLiteral("file:///etc/passwd"))));
    settings.clear();
}
