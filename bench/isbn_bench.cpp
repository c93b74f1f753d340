// dorvi-isbn-bench: books added from their ISBNs, our own part of it. The services
// are a server on loopback, on a thread of its own, that answers at once (Open
// Library's Books API in batches of 25, the edition records, a cover of ~30 KB a
// book), and the pace kept with the real services is set to none, so what is
// measured is ours: the requests, reading the replies, checking the cover,
// writing the book and its cover into a catalogue of 10,000 books.
//   1. time per ISBN, 100 ISBNs, against a reference in the same run: the same
//      requests made by a bare QNetworkAccessManager, their replies not read, and
//      each book and its cover written by two prepared INSERTs in a transaction;
//   2. the heap's growth while 500 ISBNs are looked up and added and the step of
//      Annulla holding them is made, against the covers' own bytes.
// Our time is the process's CPU time less the server thread's; the wall time,
// which adds the disk's own time to make each book's transaction durable, is shown
// beside it.
//   cmake --build build --target dorvi-isbn-bench && build/bench/dorvi-isbn-bench
#include "bookimport.h"
#include "foundbooks.h"
#include "isbnlookup.h"
#include "loopbackserver.h"
#include "politeclient.h"
#include "sqlitehandles.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QThread>
#include <QUrlQuery>

#include <malloc.h>
#include <pthread.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int catalogueBooks = 10'000;
constexpr int timedIsbns = 100;
constexpr int memoryIsbns = 500;
constexpr int repetitions = 3;

QString isbnFor(int n)
{
    QString twelve = QStringLiteral("978%1").arg(100000000 + n, 9, 10, QLatin1Char('0'));
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += twelve.at(i).digitValue() * (i % 2 ? 3 : 1);
    return twelve + QString::number((10 - sum % 10) % 10);
}

QByteArray noisyPng()
{
    QImage image(90, 130, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, random.generate() | 0xFF000000u);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The services as Open Library answers: the Books API lacks the language and
// series, which the edition record gives with the cover's number.
ScriptedReply answer(const QUrl& target, const QByteArray& cover)
{
    const QString path = target.path();
    if (path == QLatin1String("/api/books")) {
        QJsonObject books;
        const QString keys = QUrlQuery(target).queryItemValue(QStringLiteral("bibkeys"));
        for (const QString& key : keys.split(QLatin1Char(','))) {
            const QString n = key.right(5);
            books.insert(key, QJsonObject{{"title", "Libro " + n},
                                          {"authors", QJsonArray{QJsonObject{{"name", "Autore " + n}}}},
                                          {"publishers", QJsonArray{QJsonObject{{"name", "Editore"}}}},
                                          {"publish_date", "March 2009"},
                                          {"number_of_pages", 320}});
        }
        return ScriptedReply::json(QJsonDocument(books).toJson(QJsonDocument::Compact));
    }
    if (path.startsWith(QLatin1String("/isbn/"))) {
        const QJsonObject edition{{"title", "Libro"},
                                  {"languages", QJsonArray{QJsonObject{{"key", "/languages/ita"}}}},
                                  {"series", QJsonArray{"Collana di prova"}},
                                  {"covers", QJsonArray{path.mid(6, 13).right(7).toInt()}}};
        return ScriptedReply::json(QJsonDocument(edition).toJson(QJsonDocument::Compact));
    }
    if (path.startsWith(QLatin1String("/b/id/")))
        return {200, cover, {{"Content-Type", "image/png"}}};
    return ScriptedReply::withStatus(404);
}

// The server on a thread of its own, whose CPU time is not ours.
class ServerThread {
public:
    explicit ServerThread(QByteArray cover)
    {
        m_thread.start();
        m_home.moveToThread(&m_thread);
        QMetaObject::invokeMethod(
            &m_home,
            [this, cover] {
                m_server = new LoopbackServer([cover](const QUrl& target) { return answer(target, cover); });
                pthread_getcpuclockid(pthread_self(), &m_clock);
            },
            Qt::BlockingQueuedConnection);
    }
    ~ServerThread()
    {
        QMetaObject::invokeMethod(&m_home, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    QUrl url(const QString& path = {}) const { return m_server->url(path); }
    double cpuSeconds() const
    {
        timespec t{};
        clock_gettime(m_clock, &t);
        return t.tv_sec + t.tv_nsec / 1e9;
    }

private:
    QThread m_thread;
    QObject m_home;
    LoopbackServer* m_server = nullptr;
    clockid_t m_clock{};
};

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

std::size_t heapInUse()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void execute(sqlite3* db, const std::string& sql)
{
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

// A fresh catalogue of 10,000 books, every standard field, none with these ISBNs.
std::string freshCatalogue(const fs::path& folder, const char* name)
{
    const std::string path = (folder / name).string();
    fs::remove(path);
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    const catalogue::DatabaseHandle db(raw);
    execute(db.get(), bookimport::newCatalogueTable() + bookimport::newCatalogueIndexes());
    execute(db.get(), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                          std::to_string(catalogueBooks) +
                          ") INSERT INTO dorvi (autore, titolo, genere, isbn, anno) SELECT 'Autrice ' || i, "
                          "'Titolo ' || i, 'Romanzo', '979' || printf('%010d', i), 1900 + i % 120 FROM n");
    return path;
}

lookup::LookupSettings settingsFor(const QUrl& server)
{
    lookup::LookupSettings settings;
    settings.sbn = settings.openLibrary = settings.googleBooks = settings.covers = server;
    settings.redirected = true;
    return settings;
}

struct Figures {
    double wall = 0;
    double cpu = 0; ///< the process's, less the server's
    std::size_t added = 0;
    std::size_t peakGrowth = 0;
    std::size_t coverBytes = 0;
};

// Ours: the lookup and FoundBooks, as the dialog and dorvi-import use them.
Figures ours(const ServerThread& server, const std::string& path, int isbns, bool keepStep)
{
    Figures figures;
    const std::size_t before = heapInUse();
    std::size_t peak = before;
    QElapsedTimer wall;
    const double cpu = processCpuSeconds(), serverCpu = server.cpuSeconds();
    wall.start();
    {
        bookimport::FoundBooks books(path);
        lookup::IsbnLookup lookup(settingsFor(server.url()));
        lookup::PoliteClient::Limits limits;
        limits.spacingMs = 0;
        lookup.client().setLimits(limits);
        QEventLoop loop;
        QObject::connect(&lookup, &lookup::IsbnLookup::found, &loop, [&](const lookup::BookRecord& book) {
            figures.coverBytes += static_cast<std::size_t>(book.cover.size());
            if (books.add(book).kind == bookimport::FoundBookOutcome::Kind::Added)
                ++figures.added;
            if (keepStep && figures.added % 50 == 0)
                peak = std::max(peak, heapInUse());
        });
        QObject::connect(&lookup, &lookup::IsbnLookup::idle, &loop, &QEventLoop::quit);
        QStringList list;
        for (int i = 0; i < isbns; ++i)
            list << isbnFor(i);
        lookup.lookUp(list);
        loop.exec();
        if (keepStep) {
            const auto step = books.step("aggiunta da ISBN");
            peak = std::max(peak, heapInUse());
        }
    }
    figures.wall = wall.nsecsElapsed() / 1e9;
    figures.cpu = processCpuSeconds() - cpu - (server.cpuSeconds() - serverCpu);
    figures.peakGrowth = peak - std::min(peak, before);
    return figures;
}

// The floor: the same requests, one service's after another's as ours go, their
// replies taken whole and not read; each book written by two prepared INSERTs.
Figures reference(const ServerThread& server, const std::string& path, int isbns)
{
    Figures figures;
    QElapsedTimer wall;
    const double cpu = processCpuSeconds(), serverCpu = server.cpuSeconds();
    wall.start();
    QNetworkAccessManager manager;
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    const catalogue::DatabaseHandle db(raw);
    sqlite3_stmt* book = nullptr;
    sqlite3_stmt* cover = nullptr;
    sqlite3_prepare_v2(db.get(), "INSERT INTO dorvi (autore, titolo, editore, anno, pagine, lingua, collana, isbn, "
                                 "aggiunto_il) VALUES (?, ?, 'Editore', 2009, 320, 'italiano', 'Collana di prova', ?, "
                                 "date('now'))", -1, &book, nullptr);
    execute(db.get(), "CREATE TABLE IF NOT EXISTS copertine (iddorvo INTEGER PRIMARY KEY, immagine BLOB NOT NULL, "
                      "tipo TEXT, fonte TEXT)");
    sqlite3_prepare_v2(db.get(), "INSERT INTO copertine VALUES (?, ?, 'image/png', 'Open Library')", -1, &cover,
                       nullptr);
    const auto get = [&](const QUrl& url) {
        QEventLoop loop;
        QNetworkReply* reply = manager.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
        const QByteArray body = reply->readAll();
        reply->deleteLater();
        return body;
    };
    for (int start = 0; start < isbns; start += 25) {
        QStringList keys;
        for (int i = start; i < std::min(isbns, start + 25); ++i)
            keys << "ISBN:" + isbnFor(i);
        QUrl batch = server.url(QStringLiteral("/api/books"));
        batch.setQuery("bibkeys=" + keys.join(QLatin1Char(',')) + "&format=json&jscmd=data");
        get(batch);
        for (int i = start; i < std::min(isbns, start + 25); ++i) {
            const QString isbn = isbnFor(i);
            get(server.url("/isbn/" + isbn + ".json"));
            const QByteArray image = get(server.url("/b/id/" + isbn.right(7) + "-M.jpg"));
            figures.coverBytes += static_cast<std::size_t>(image.size());
            const std::string name = "Libro " + isbn.right(5).toStdString(), isbn13 = isbn.toStdString();
            execute(db.get(), "BEGIN IMMEDIATE");
            sqlite3_bind_text(book, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(book, 2, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(book, 3, isbn13.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(book);
            sqlite3_reset(book);
            sqlite3_bind_int64(cover, 1, sqlite3_last_insert_rowid(db.get()));
            sqlite3_bind_blob(cover, 2, image.constData(), static_cast<int>(image.size()), SQLITE_TRANSIENT);
            sqlite3_step(cover);
            sqlite3_reset(cover);
            execute(db.get(), "COMMIT");
            ++figures.added;
        }
    }
    sqlite3_finalize(book);
    sqlite3_finalize(cover);
    figures.wall = wall.nsecsElapsed() / 1e9;
    figures.cpu = processCpuSeconds() - cpu - (server.cpuSeconds() - serverCpu);
    return figures;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const fs::path folder = fs::temp_directory_path() / ("dorvi-isbn-bench-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const QByteArray cover = noisyPng();
    const ServerThread server(cover);

    std::vector<double> ourWall, ourCpu, refWall, refCpu;
    for (int run = 0; run < repetitions; ++run) {
        const Figures mine = ours(server, freshCatalogue(folder, "ours.mdb"), timedIsbns, false);
        const Figures floor = reference(server, freshCatalogue(folder, "reference.mdb"), timedIsbns);
        if (mine.added != timedIsbns || floor.added != timedIsbns) {
            std::fprintf(stderr, "dorvi-isbn-bench: %zu and %zu books added, not %d\n", mine.added, floor.added,
                         timedIsbns);
            return 1;
        }
        ourWall.push_back(mine.wall / timedIsbns * 1e3);
        ourCpu.push_back(mine.cpu / timedIsbns * 1e3);
        refWall.push_back(floor.wall / timedIsbns * 1e3);
        refCpu.push_back(floor.cpu / timedIsbns * 1e3);
    }
    const double cpu = median(ourCpu), wall = median(ourWall);
    std::printf("Per ISBN (%d ISBNs into %d books, cover %lld bytes, median of %d):\n", timedIsbns,
                catalogueBooks, static_cast<long long>(cover.size()), repetitions);
    std::printf("  ours       CPU %.3f ms, wall %.3f ms\n", cpu, wall);
    std::printf("  reference  CPU %.3f ms, wall %.3f ms\n", median(refCpu), median(refWall));
    // The wall time is mostly the disk's: each book is its own transaction, on
    // the disk when it returns, for ours and the reference alike.
    std::printf("  ratio      CPU %.2fx, wall %.2fx; target our CPU time <= 5 ms: %s\n", cpu / median(refCpu),
                wall / median(refWall), cpu <= 5.0 ? "met" : "MISSED");

    const Figures memory = ours(server, freshCatalogue(folder, "memory.mdb"), memoryIsbns, true);
    const double ratio = static_cast<double>(memory.peakGrowth) / static_cast<double>(memory.coverBytes);
    std::printf("Memory for %d ISBNs with covers: heap growth at its peak %.1f MiB, covers %.1f MiB: %.2fx; "
                "target <= 2x: %s\n",
                memoryIsbns, memory.peakGrowth / 1048576.0, memory.coverBytes / 1048576.0, ratio,
                ratio <= 2.0 ? "met" : "MISSED");
    fs::remove_all(folder);
    return 0;
}
