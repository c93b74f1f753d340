// A pass over the books cut into parts read side by side: every book read by one
// part only, the pass kept whole where parts would read something else, and the
// duplicates and the summary the same whether read whole or in parts.
#include "error.h"
#include "librarysummary.h"
#include "nearduplicates.h"
#include "partedscan.h"
#include "testcatalogue.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <mutex>

namespace {

using catalogue::PartedScan;

// The ids each part reads, in part order.
std::vector<std::vector<std::int64_t>> idsByPart(const PartedScan& scan)
{
    std::vector<std::vector<std::int64_t>> ids(scan.parts());
    scan.run([&](sqlite3* db, const std::string& condition, std::size_t part) {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(db, ("SELECT iddorvo FROM dorvi WHERE " + condition).c_str(), -1, &raw, nullptr);
        const catalogue::StatementHandle statement(raw);
        while (sqlite3_step(raw) == SQLITE_ROW)
            ids[part].push_back(sqlite3_column_int64(raw, 0));
    });
    return ids;
}

// 1..n, spread over several genres; every seventh book is the book three before it
// under a leading article or without one.
TestCatalogue::Books manyBooks(int n)
{
    TestCatalogue::Books books;
    for (int i = 1; i <= n; ++i) {
        const int title = i % 7 == 0 ? i - 3 : i;
        books.push_back({"Autore " + std::to_string(title % 13), (i % 2 ? "Il libro " : "Libro ") + std::to_string(title),
                         "Genere " + std::to_string(i % 5)});
    }
    return books;
}

std::string summaryText(const catalogue::LibrarySummary& summary)
{
    std::string text = std::to_string(summary.books);
    for (const catalogue::SummarySection& section : summary.sections) {
        text += "\n" + section.title + section.missing + ":";
        for (const catalogue::SummaryCount& count : section.counts)
            text += " " + count.label + "=" + std::to_string(count.books) + "[" + count.where + "]";
    }
    return text;
}

} // namespace

TEST(PartedScan, EveryBookIsReadByExactlyOnePartWhateverTheGapsInTheIds)
{
    TestCatalogue books(manyBooks(400));
    books.exec("DELETE FROM dorvi WHERE iddorvo BETWEEN 120 AND 260; "
               "INSERT INTO dorvi (iddorvo, autore, titolo) VALUES (5000, 'Ultimo', 'Ultimo')");
    const auto db = openDatabase(books.path());
    const PartedScan scan(db.get(), 100, 4);
    ASSERT_EQ(scan.parts(), 4u);
    // A book written after the parts were cut, above the span, is read too.
    books.exec("INSERT INTO dorvi (iddorvo, autore, titolo) VALUES (9000, 'Dopo', 'Dopo')");
    const auto parts = idsByPart(scan);
    std::vector<std::int64_t> read;
    for (const auto& part : parts)
        read.insert(read.end(), part.begin(), part.end());
    EXPECT_FALSE(parts.front().empty());
    EXPECT_EQ(parts.back(), (std::vector<std::int64_t>{5000, 9000}));
    std::sort(read.begin(), read.end());
    std::vector<std::int64_t> all;
    for (const auto& row : books.rows("SELECT iddorvo FROM dorvi ORDER BY iddorvo"))
        all.push_back(std::stoll(row.front()));
    EXPECT_EQ(read, all);
}

TEST(PartedScan, StaysWholeOnTheCallersConnectionWhereAPartWouldReadSomethingElse)
{
    const auto whole = [](sqlite3* db) {
        const PartedScan scan(db, 10, 4);
        std::vector<std::string> conditions;
        std::vector<sqlite3*> connections;
        std::mutex lock; // parts run side by side, each on a thread of its own
        scan.run([&](sqlite3* partDb, const std::string& condition, std::size_t) {
            const std::lock_guard<std::mutex> held(lock);
            conditions.push_back(condition);
            connections.push_back(partDb);
        });
        return scan.parts() == 1 && conditions == std::vector<std::string>{"1"} && connections.front() == db;
    };
    TestCatalogue books(manyBooks(200));
    const auto db = openDatabase(books.path());
    EXPECT_FALSE(whole(db.get()));
    // Within a transaction, where other connections would not see its changes.
    sqlite3_exec(db.get(), "BEGIN; DELETE FROM dorvi WHERE iddorvo > 100", nullptr, nullptr, nullptr);
    EXPECT_TRUE(whole(db.get()));
    sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    // Too few books for two parts.
    EXPECT_TRUE(PartedScan(db.get(), 150, 4).parts() == 1);
    // An id typed by the user is no row key: a range of it would read the whole table.
    books.makeKeyTyped();
    EXPECT_TRUE(whole(db.get()));
    // A catalogue in memory has no file for other connections.
    sqlite3* raw = nullptr;
    sqlite3_open(":memory:", &raw);
    const catalogue::DatabaseHandle memory(raw);
    sqlite3_exec(raw, "CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT); "
                      "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100) "
                      "INSERT INTO dorvi SELECT i, 'A' FROM n",
                 nullptr, nullptr, nullptr);
    EXPECT_TRUE(whole(raw));
}

TEST(PartedScan, APartThatFailsIsThrownOnceEveryPartHasStopped)
{
    TestCatalogue books(manyBooks(200));
    const auto db = openDatabase(books.path());
    const PartedScan scan(db.get(), 50, 4);
    std::mutex lock;
    std::size_t finished = 0;
    const auto run = [&] {
        scan.run([&](sqlite3*, const std::string&, std::size_t part) {
            if (part == 2)
                throw catalogue::Error(catalogue::ErrorNumber::InputError, "parte non letta");
            const std::lock_guard<std::mutex> guard(lock);
            ++finished;
        });
    };
    EXPECT_THROW(run(), catalogue::Error);
    EXPECT_EQ(finished, scan.parts() - 1);
}

TEST(PartedScan, DuplicatesAndSummaryAreTheSameReadWholeOrInParts)
{
    TestCatalogue books(manyBooks(700));
    books.exec("ALTER TABLE dorvi ADD COLUMN anno INTEGER; ALTER TABLE dorvi ADD COLUMN letto INTEGER; "
               "UPDATE dorvi SET anno = 1900 + iddorvo % 120, letto = iddorvo % 3 - 1 WHERE iddorvo % 4 <> 0; "
               "INSERT INTO dorvi (autore, titolo) VALUES ('Autore 1', 'Libro 1')"); // the first book, in the last part
    const auto db = openDatabase(books.path());
    ASSERT_GT(PartedScan(db.get(), 100).parts(), 1u);
    const auto groups = catalogue::findDuplicateGroups(db.get(), 100);
    ASSERT_EQ(groups.size(), 101u); // every seventh book, with the book three before it
    EXPECT_EQ(groups.front(), (std::vector<std::int64_t>{1, 701}));
    EXPECT_EQ(groups, catalogue::findDuplicateGroups(db.get(), 1'000'000));
    EXPECT_EQ(summaryText(catalogue::summarize(db.get(), 100)), summaryText(catalogue::summarize(db.get(), 1'000'000)));
}
