// The safety copies in the data layer: which copies the folder keeps, copies made
// while another program writes, restores undone by the copy they made, folders
// that refuse copies, and every copy read back by the stock sqlite3 shell.
#include "backgroundbackup.h"
#include "backupgate.h"
#include "safetycopies.h"
#include "testcatalogue.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sqlite3.h>

using namespace std::chrono;
using catalogue::CopyControl;
using catalogue::Error;
using catalogue::SafetyCopies;
namespace fs = std::filesystem;

namespace {

year_month_day date(int y, unsigned m, unsigned d) { return year{y} / month{m} / day{d}; }

std::string name(const year_month_day& day, const char* time = "120000")
{
    catalogue::CopyStamp stamp{day};
    stamp.hour = (time[0] - '0') * 10 + (time[1] - '0');
    stamp.minute = (time[2] - '0') * 10 + (time[3] - '0');
    stamp.second = (time[4] - '0') * 10 + (time[5] - '0');
    return catalogue::copyName(stamp);
}

std::set<std::string> kept(const std::vector<std::string>& names, year_month_day today)
{
    const auto removed = catalogue::copiesToRemove(names, today);
    std::set<std::string> result(names.begin(), names.end());
    for (const auto& gone : removed)
        result.erase(gone);
    return result;
}

// A clock the test moves by hand: local noon of the given day, plus seconds.
struct MadeUpClock {
    std::shared_ptr<std::atomic<long long>> seconds = std::make_shared<std::atomic<long long>>(0);
    void set(year_month_day day, int hour = 12)
    {
        std::tm local{};
        local.tm_year = int(day.year()) - 1900;
        local.tm_mon = int(unsigned(day.month())) - 1;
        local.tm_mday = int(unsigned(day.day()));
        local.tm_hour = hour;
        local.tm_isdst = -1;
        *seconds = std::mktime(&local);
    }
    SafetyCopies::Clock clock() const
    {
        return [s = seconds] { return system_clock::from_time_t(static_cast<std::time_t>(s->load())); };
    }
};

std::string shell(const std::string& path, const std::string& sql)
{
    QProcess process;
    process.start(QStringLiteral(SQLITE3_SHELL), {QString::fromStdString(path), QString::fromStdString(sql)});
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return "failed: " + process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().trimmed().toStdString();
}

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The sample books and `count` more, added in one statement: enough pages for a
// copy of several steps.
void addBooks(const TestCatalogue& catalogue, int count)
{
    catalogue.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
                   std::to_string(count) +
                   ") INSERT INTO dorvi (autore, titolo, genere) SELECT 'Autore ' || i, "
                   "'Un titolo abbastanza lungo, il numero ' || i, 'Genere' FROM n");
}

// Whether another program holds the file's lock, without waiting for it.
bool lockedByAnother(const std::string& path)
{
    catalogue::DatabaseHandle db = openDatabase(path);
    return sqlite3_exec(db.get(), "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_BUSY;
}

// A catalogue of a few hundred pages and a copy of it made 8 pages a step, told
// after each step.
struct SmallSteps {
    SmallSteps() { addBooks(catalogue, 3000); }
    void copy(std::function<bool(int remaining, int total)> afterStep)
    {
        CopyControl control;
        control.pagesPerStep = 8;
        control.afterStep = std::move(afterStep);
        catalogue::copyDatabase(catalogue.path(), target, control);
    }

    TestCatalogue catalogue;
    const std::string target = catalogue.folder().toStdString() + "/copia.mdb";
};

} // namespace

TEST(Rotation, KeepsTheNewestOfEachOfTheLastSevenDaysFiveWeeksAndTwelveMonths)
{
    // Two copies a day, morning and evening, for two years up to Tuesday 8 December 2026.
    std::vector<std::string> names;
    for (sys_days d = sys_days{date(2024, 12, 1)}; d <= sys_days{date(2026, 12, 8)}; d += days{1}) {
        names.push_back(name(year_month_day{d}, "083000"));
        names.push_back(name(year_month_day{d}, "203000"));
    }
    const std::set<std::string> expected{
        // the 3 newest
        name(date(2026, 12, 8), "203000"), name(date(2026, 12, 8), "083000"), name(date(2026, 12, 7), "203000"),
        // the days back to Wednesday 2 December
        name(date(2026, 12, 6), "203000"), name(date(2026, 12, 5), "203000"), name(date(2026, 12, 4), "203000"),
        name(date(2026, 12, 3), "203000"), name(date(2026, 12, 2), "203000"),
        // the Sundays ending the weeks before this one, back to Monday 9 November
        name(date(2026, 11, 29), "203000"), name(date(2026, 11, 22), "203000"), name(date(2026, 11, 15), "203000"),
        // the last day of the eleven months before this one
        name(date(2026, 11, 30), "203000"), name(date(2026, 10, 31), "203000"), name(date(2026, 9, 30), "203000"),
        name(date(2026, 8, 31), "203000"), name(date(2026, 7, 31), "203000"), name(date(2026, 6, 30), "203000"),
        name(date(2026, 5, 31), "203000"), name(date(2026, 4, 30), "203000"), name(date(2026, 3, 31), "203000"),
        name(date(2026, 2, 28), "203000"), name(date(2026, 1, 31), "203000")};
    EXPECT_EQ(kept(names, date(2026, 12, 8)), expected);
}

TEST(Rotation, KeepsTheLastThreeWhateverTheirAgeAndCopiesDatedAfterToday)
{
    const std::vector<std::string> old{name(date(2019, 3, 1)), name(date(2020, 5, 1)), name(date(2020, 5, 2)),
                                       name(date(2020, 5, 3))};
    EXPECT_EQ(catalogue::copiesToRemove(old, date(2026, 12, 8)), std::vector<std::string>{name(date(2019, 3, 1))});
    EXPECT_TRUE(catalogue::copiesToRemove({name(date(2031, 1, 1)), name(date(2020, 1, 1)), name(date(2020, 1, 2)),
                                           name(date(2020, 1, 3))},
                                          date(2026, 12, 8)) == std::vector<std::string>{name(date(2020, 1, 1))});
}

TEST(Rotation, NeverTakesAnotherFileForACopy)
{
    std::vector<std::string> names{"note.txt", "dorvi.mdb", "dorvi-20200101-120000.mdb.parziale",
                                   "dorvi-20201301-120000.mdb", "dorvi-2020010-1120000.mdb", "Dorvi-20200101-120000.mdb",
                                   "dorvi-20200101-250000.mdb", "dorvi-20200101-120000.MDB"};
    for (int d = 1; d <= 9; ++d)
        names.push_back(name(date(2019, 1, unsigned(d))));
    const auto removed = catalogue::copiesToRemove(names, date(2026, 12, 8));
    EXPECT_EQ(removed.size(), 6u) << "nine copies of one old month: the newest three stay";
    for (const auto& gone : removed)
        EXPECT_TRUE(catalogue::parseCopyName(gone)) << gone;
}

// A year of days, each with a copy at start: the folder ends up with what the
// rotation keeps, and the user's own file there is untouched.
TEST(SafetyCopiesFolder, ThinsItselfOverAYearOfMadeUpDaysAndTouchesNothingElse)
{
    TestCatalogue catalogue;
    MadeUpClock clock;
    const SafetyCopies copies(catalogue.path(), clock.clock());
    QDir().mkpath(QString::fromStdString(copies.folder()));
    QFile note(QString::fromStdString(copies.folder()) + QStringLiteral("/leggimi.txt"));
    ASSERT_TRUE(note.open(QIODevice::WriteOnly));
    note.write("mie note");
    note.close();

    for (sys_days d = sys_days{date(2025, 12, 1)}; d <= sys_days{date(2026, 12, 8)}; d += days{1}) {
        clock.set(year_month_day{d});
        if (!copies.madeToday())
            copies.make();
        ASSERT_TRUE(copies.madeToday());
    }
    const auto names = filesIn(copies.folder());
    EXPECT_NE(std::find(names.begin(), names.end(), "leggimi.txt"), names.end());
    EXPECT_EQ(names.size(), 1u + 7 + 3 + 11) << "7 days, 3 more weeks, 11 more months, and the note";
    const auto list = copies.list();
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(list.front().made.text(), "20261208-120000") << "newest first";
    EXPECT_GT(list.front().bytes, 0);
}

TEST(SafetyCopiesFolder, TwoCopiesInOneSecondKeepDifferentNames)
{
    TestCatalogue catalogue;
    MadeUpClock clock;
    clock.set(date(2026, 12, 8));
    const SafetyCopies copies(catalogue.path(), clock.clock());
    const auto first = copies.make();
    const auto second = copies.make();
    EXPECT_NE(first.path, second.path);
    EXPECT_EQ(copies.list().size(), 2u);
}

TEST(CopyWhileWriting, AWriteOfAnotherProgramBetweenTwoStepsStartsTheCopyAgainWithIt)
{
    SmallSteps steps;
    int step = 0;
    steps.copy([&](int, int) {
        if (++step == 3)
            steps.catalogue.exec("INSERT INTO dorvi (autore, titolo) VALUES ('Italo Calvino', 'Palomar')");
        return true;
    });
    EXPECT_EQ(shell(steps.target, "PRAGMA integrity_check; SELECT count(*) FROM dorvi WHERE titolo = 'Palomar';"), "ok\n1");
    EXPECT_EQ(shell(steps.target, "SELECT count(*) FROM dorvi;"), "3006");
}

TEST(CopyWhileWriting, AProgramThatNeverStopsWritingMakesTheCopyGiveUpLeavingNoFile)
{
    SmallSteps steps;
    int written = 0;
    try {
        steps.copy([&](int, int) {
            steps.catalogue.exec("INSERT INTO dorvi (autore) VALUES ('Scrittore " + std::to_string(++written) + "')");
            return true;
        });
        FAIL() << "the copy ended although the file never stopped changing";
    } catch (const Error& error) {
        EXPECT_NE(error.description().find("un altro programma continuava a scriverlo"), std::string::npos)
            << error.description();
    }
    EXPECT_EQ(filesIn(steps.catalogue.folder().toStdString()), std::vector<std::string>{"dorvi.mdb"});
}

// The program's own write during the day's copy waits at the gate: the copy
// holds the file as it was before it, and the write is in the file afterwards.
TEST(CopyWhileWriting, TheProgramsOwnWriteWaitsForTheCopyInTheBackground)
{
    TestCatalogue catalogue;
    const std::string target = catalogue.folder().toStdString() + "/copia.mdb";
    std::atomic<bool> release{false};
    auto rs = openRecordset(catalogue.path(), "select * from dorvi;");
    bool waited = false;
    catalogue::BackupGate::setWaiter([&](const std::function<bool()>& finished) {
        waited = true;
        release = true;
        while (!finished())
            std::this_thread::sleep_for(milliseconds(1));
    });
    {
        catalogue::BackgroundBackup copy(catalogue.path(), [&](const std::function<bool()>& stopRequested) {
            while (!release && !stopRequested())
                std::this_thread::sleep_for(milliseconds(1));
            catalogue::copyDatabase(catalogue.path(), target);
        });
        rs->update(0, 2, std::string("I promessi sposi (riveduto)"));
        EXPECT_TRUE(copy.finished());
        EXPECT_FALSE(copy.failure());
    }
    catalogue::BackupGate::setWaiter({});
    EXPECT_TRUE(waited);
    EXPECT_EQ(shell(target, "SELECT titolo FROM dorvi WHERE iddorvo = 1;"), "I promessi sposi");
    EXPECT_EQ(catalogue.scalar("SELECT titolo FROM dorvi WHERE iddorvo = 1"), "I promessi sposi (riveduto)");
}

TEST(CopyWhileWriting, ACopyStoppedHalfWayKeepsNoName)
{
    SmallSteps steps;
    EXPECT_THROW(steps.copy([](int remaining, int total) { return remaining > total / 2; }), Error);
    EXPECT_EQ(filesIn(steps.catalogue.folder().toStdString()), std::vector<std::string>{"dorvi.mdb"});
}

TEST(Restore, IsUndoneByRestoringTheCopyItMade)
{
    TestCatalogue catalogue;
    MadeUpClock clock;
    clock.set(date(2026, 12, 8), 9);
    const SafetyCopies copies(catalogue.path(), clock.clock());
    const auto full = copies.make();
    catalogue.exec("DELETE FROM dorvi");
    clock.set(date(2026, 12, 8), 10);

    const auto empty = copies.restore(full);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
    EXPECT_EQ(catalogue::countBooks(empty.path), 0);

    clock.set(date(2026, 12, 8), 11);
    const auto restoredFull = copies.restore(empty);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "0") << "the restore undone";
    EXPECT_EQ(catalogue::countBooks(restoredFull.path), 5);
    EXPECT_EQ(copies.list().size(), 3u);
    for (const auto& copy : copies.list())
        EXPECT_EQ(shell(copy.path, "PRAGMA integrity_check;"), "ok") << copy.path;
    EXPECT_EQ(shell(catalogue.path(), "PRAGMA integrity_check;"), "ok");
}

// A restore goes in steps the window can stop; stopped in either half (the copy of
// the catalogue first, then the restore itself), the catalogue stays as it was.
TEST(Restore, StoppedInEitherHalfLeavesTheCatalogueAsItWas)
{
    TestCatalogue catalogue;
    for (int i = 0; i < 200; ++i)
        catalogue.exec("INSERT INTO dorvi (autore, titolo, genere) VALUES ('A', hex(randomblob(600)), 'G')");
    const SafetyCopies copies(catalogue.path());
    const auto copy = copies.make();
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo > 3");
    const std::string before = shell(catalogue.path(), "SELECT group_concat(iddorvo) FROM dorvi;");

    for (const double stopAt : {0.75, 0.25}) { // the fraction of work still to do when stopped
        catalogue::CopyControl control;
        control.pagesPerStep = 4;
        std::vector<double> told;
        control.afterStep = [&](int remaining, int total) {
            told.push_back(static_cast<double>(remaining) / total);
            return told.back() > stopAt;
        };
        EXPECT_THROW(copies.restore(copy, control), Error) << stopAt;
        ASSERT_FALSE(told.empty());
        EXPECT_TRUE(std::is_sorted(told.rbegin(), told.rend())) << "the two halves are told as one task";
        EXPECT_EQ(shell(catalogue.path(), "SELECT group_concat(iddorvo) FROM dorvi;"), before) << stopAt;
        EXPECT_EQ(shell(catalogue.path(), "PRAGMA integrity_check;"), "ok");
    }
    catalogue::CopyControl steps;
    steps.pagesPerStep = 4;
    int calls = 0;
    steps.afterStep = [&](int, int) { return ++calls > 0; };
    copies.restore(copy, steps);
    EXPECT_GT(calls, 2) << "done in steps";
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "205");
}

TEST(Restore, IsRefusedWhileAnotherProgramHoldsTheCatalogue)
{
    TestCatalogue catalogue;
    const SafetyCopies copies(catalogue.path());
    const auto copy = copies.make();
    catalogue.exec("DELETE FROM dorvi WHERE iddorvo = 1");

    catalogue::DatabaseHandle other = openDatabase(catalogue.path());
    ASSERT_TRUE(other);
    sqlite3* raw = other.get();
    ASSERT_EQ(sqlite3_exec(raw, "BEGIN; SELECT count(*) FROM dorvi;", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt* reading = nullptr;
    sqlite3_prepare_v2(raw, "SELECT * FROM dorvi", -1, &reading, nullptr);
    catalogue::StatementHandle held(reading);
    ASSERT_EQ(sqlite3_step(reading), SQLITE_ROW) << "the other program is in the middle of reading";
    try {
        copies.restore(copy);
        FAIL() << "restored under another program's feet";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), catalogue::ErrorNumber::Locked);
        EXPECT_NE(error.description().find("in uso da un altro programma"), std::string::npos);
        EXPECT_NE(error.description().find("Chiudere l'altro programma e riprovare"), std::string::npos);
    }
    held.reset();
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "4") << "the catalogue as it was";
}

TEST(Restore, ADamagedCatalogueIsKeptAsDanneggiatoAndReplaced)
{
    TestCatalogue catalogue;
    const SafetyCopies copies(catalogue.path());
    const auto copy = copies.make();
    {
        QFile file(QString::fromStdString(catalogue.path()));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write(QByteArray(100, 'x'));
    }
    const QByteArray damaged = [&] {
        QFile file(QString::fromStdString(catalogue.path()));
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }();
    QFile(QString::fromStdString(catalogue.path() + ".danneggiato")).open(QIODevice::WriteOnly);

    const std::string kept = copies.replaceDamaged(copy);
    EXPECT_EQ(kept, catalogue.path() + ".danneggiato-2") << "an older damaged file is not overwritten";
    QFile keptFile(QString::fromStdString(kept));
    ASSERT_TRUE(keptFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(keptFile.readAll(), damaged);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi"), "5");
}

TEST(RefusedFolder, APlaceForTheFolderTakenByAFileSaysWhyAndLeavesNothing)
{
    TestCatalogue catalogue;
    const SafetyCopies copies(catalogue.path());
    QFile blocker(QString::fromStdString(copies.folder()));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        copies.make();
        FAIL() << "a copy was made in a folder that is a file";
    } catch (const Error& error) {
        EXPECT_NE(error.description().find("non è una cartella"), std::string::npos) << error.description();
        EXPECT_NE(error.description().find(copies.folder()), std::string::npos);
    }
    EXPECT_TRUE(copies.list().empty());
    EXPECT_FALSE(copies.madeToday());
}

TEST(RefusedFolder, AFullDiskSaysSo)
{
    const Error error = catalogue::copyFolderError(ENOSPC, "/media/chiavetta");
    EXPECT_EQ(error.number(), catalogue::ErrorNumber::DiskFull);
    EXPECT_NE(error.description().find("il disco è pieno"), std::string::npos);
    EXPECT_NE(catalogue::copyFolderError(EROFS, "/x").description().find("sola lettura"), std::string::npos);
}

TEST(StockShell, OpensEveryCopyAndFindsItIntact)
{
    TestCatalogue catalogue;
    addBooks(catalogue, 2000);
    MadeUpClock clock;
    const SafetyCopies copies(catalogue.path(), clock.clock());
    for (unsigned d = 1; d <= 4; ++d) {
        clock.set(date(2026, 12, d));
        copies.make();
        catalogue.exec("INSERT INTO dorvi (autore) VALUES ('Giorno " + std::to_string(d) + "')");
    }
    const auto list = copies.list();
    ASSERT_EQ(list.size(), 4u);
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(shell(list[i].path, "PRAGMA integrity_check; SELECT count(*) FROM dorvi;"),
                  "ok\n" + std::to_string(2005 + 3 - i))
            << list[i].path;
        EXPECT_EQ(shell(list[i].path, "PRAGMA journal_mode;"), "delete") << "a plain catalogue, like the original";
    }
}

// Why a copy was made travels in its name: any text, cut whole, in characters no
// shell, no FAT disk and no older program trips on; a name that says something
// else is nobody's copy.
TEST(CopyReasons, SurviveTheirNameInCharactersEveryToolTakes)
{
    const catalogue::CopyStamp stamp{date(2026, 12, 8), 10, 30, 15};
    for (const std::string& source : {std::string("goodreads.csv"), std::string("Libri d'Anna / 2026 «città».csv"),
                                      std::string("l'elenco; rm -rf ~ $(x) *.csv"), std::string(300, 'a')}) {
        const std::string name = catalogue::copyName(stamp, catalogue::CopyReason{"importazione", source});
        EXPECT_LE(name.size() + std::strlen(".parziale"), 255u) << name;
        EXPECT_EQ(name.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789._-%"),
                  std::string::npos)
            << name;
        const auto read = catalogue::parseCopy(name);
        ASSERT_TRUE(read) << name;
        EXPECT_EQ(read->stamp, stamp);
        EXPECT_EQ(read->reason.kind, "importazione");
        if (source.size() < 60)
            EXPECT_EQ(read->reason.detail, source) << "whole, accents and all";
        else
            EXPECT_EQ(read->reason.detail, std::string(120, 'a')) << "cut";
    }
    // Cut between two characters, never inside one.
    const std::string longAccented = std::string(100, 'x') + "àààààààààà";
    const auto accented = catalogue::parseCopy(catalogue::copyName(stamp, catalogue::beforeImport(longAccented)));
    ASSERT_TRUE(accented);
    EXPECT_EQ(accented->reason.detail, std::string(100, 'x') + "ààà");

    EXPECT_EQ(catalogue::beforeImport("/home/anna/Biblioteca calibre/metadata.db").text(),
              "prima dell'importazione di Biblioteca calibre");
    EXPECT_EQ(catalogue::beforeImport("/home/anna/Biblioteca calibre/").text(),
              "prima dell'importazione di Biblioteca calibre");
    EXPECT_EQ(catalogue::beforeFieldRemoval("dedica").text(), "prima dell'eliminazione del campo «dedica»");
    EXPECT_EQ(catalogue::beforeRestore(catalogue::CopyStamp{date(2026, 12, 1), 8, 5, 0}).text(),
              "prima del ripristino della copia del 01/12/2026 alle 08:05:00");
    EXPECT_EQ(catalogue::CopyReason{}.text(), "copia del giorno");
    const auto later = catalogue::parseCopy("dorvi-20261208-103015-riordino-a%20b.mdb");
    ASSERT_TRUE(later) << "a kind a later version names is still a copy";
    EXPECT_TRUE(later->reason.beforeChange());
    EXPECT_EQ(later->reason.text(), "prima di una modifica (riordino: a b)");

    for (const char* other : {"dorvi-20261208-103015-.mdb", "dorvi-20261208-103015-Import.mdb",
                              "dorvi-20261208-103015-importazione-.mdb", "dorvi-20261208-103015-importazione-a%2.mdb",
                              "dorvi-20261208-103015-importazione-a%zz.mdb",
                              "dorvi-20261208-103015-importazione-a b.mdb",
                              "dorvi-20261208-103015 copia.mdb", "dorvi-20261208-103015-importazione-a.mdb.parziale"})
        EXPECT_FALSE(catalogue::parseCopy(other)) << other;
}

// Four imports in an afternoon: the copy from before the first is kept, and so is
// every copy made before a change for thirty days, whatever the rotation; then the
// rotation takes them as any other.
TEST(CopyReasons, ACopyBeforeAChangeStaysThirtyDaysWhateverTheRotation)
{
    TestCatalogue catalogue;
    MadeUpClock clock;
    const SafetyCopies copies(catalogue.path(), clock.clock());
    clock.set(date(2026, 11, 1), 9);
    copies.make();
    std::vector<std::string> beforeImports;
    for (const char* file : {"goodreads.csv", "calibre", "tellico.tc", "gcstar.gcs"}) {
        *clock.seconds += 60;
        beforeImports.push_back(copies.make(catalogue::beforeImport(file)).path);
    }
    const auto listed = copies.list();
    ASSERT_EQ(listed.size(), 4u) << "the day's copy gave way to the newer ones, the four stay";
    EXPECT_EQ(listed.back().reason.text(), "prima dell'importazione di goodreads.csv");
    EXPECT_EQ(listed.back().path, beforeImports.front());

    // A copy a day for the next thirty days: the four stay to the last of them.
    for (unsigned d = 2; d <= 30; ++d) {
        clock.set(date(2026, 11, d));
        copies.make();
    }
    clock.set(date(2026, 12, 1));
    copies.make();
    for (const std::string& path : beforeImports)
        EXPECT_TRUE(fs::exists(path)) << path << " on its thirtieth day";
    clock.set(date(2026, 12, 2));
    copies.make();
    int left = 0;
    for (const std::string& path : beforeImports)
        left += fs::exists(path);
    EXPECT_EQ(left, 0) << "on the thirty-first day the rotation takes them as any other";
}

// `copie` may be a link to a folder of anyone's: copies are written there and read
// from there, but nothing is ever removed through the link; in the real folder a
// link named like an old copy goes neither, and the file it points at stays whole.
TEST(Rotation, NeverRemovesThroughALink)
{
    TestCatalogue catalogue;
    MadeUpClock clock;
    clock.set(date(2026, 12, 8));
    const SafetyCopies copies(catalogue.path(), clock.clock());
    QTemporaryDir elsewhere;
    const fs::path other(elsewhere.path().toStdString());
    std::vector<std::string> theirs;
    for (unsigned d = 1; d <= 24; ++d) {
        theirs.push_back(name(date(2020, 1, d)));
        std::ofstream(other / theirs.back()) << "not ours";
    }
    fs::create_directory_symlink(other, copies.folder());
    copies.make();
    EXPECT_EQ(copies.list().size(), 25u) << "the copy written and listed through the link";
    for (const std::string& file : theirs)
        EXPECT_TRUE(fs::exists(other / file)) << file;

    fs::remove(copies.folder());
    const fs::path real(copies.folder());
    fs::create_directory(real);
    for (unsigned d = 1; d <= 5; ++d)
        copies.make();
    const fs::path precious = other / "precious.mdb";
    std::ofstream(precious) << "precious";
    fs::create_symlink(precious, real / name(date(2019, 1, 1)));
    copies.rotate();
    EXPECT_TRUE(fs::is_symlink(real / name(date(2019, 1, 1))));
    EXPECT_TRUE(fs::exists(precious));
}

// A copy cut short by a kill leaves its temporary file; the next start removes it,
// but not one being written now, nor one another program holds, nor anything else.
TEST(StalePartials, GoAtTheNextStartButNotOneStillBeingWritten)
{
    TestCatalogue catalogue;
    const SafetyCopies copies(catalogue.path());
    const fs::path folder(copies.folder());
    fs::create_directory(folder);
    const auto partial = [&](const std::string& file, int minutesOld) {
        fs::copy_file(catalogue.path(), folder / file);
        fs::last_write_time(folder / file, fs::file_time_type::clock::now() - std::chrono::minutes(minutesOld));
        return folder / file;
    };
    const fs::path killed = partial(name(date(2026, 12, 1)) + ".parziale", 60);
    const fs::path running = partial(name(date(2026, 12, 8)) + ".parziale", 1);
    const fs::path held = partial(name(date(2026, 12, 2)) + ".parziale", 60);
    const fs::path mine = partial("mio.mdb.parziale", 60);

    QProcess other;
    other.start(QStringLiteral(SQLITE3_SHELL), {QString::fromStdString(held.string())});
    ASSERT_TRUE(other.waitForStarted());
    other.write("BEGIN EXCLUSIVE;\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return lockedByAnother(held.string()); }, 10000))
        << "the other program holds the file";
    fs::last_write_time(held, fs::file_time_type::clock::now() - std::chrono::minutes(60));

    copies.removeStalePartials();
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(held));
    EXPECT_TRUE(fs::exists(mine));

    other.write("ROLLBACK;\n.quit\n");
    other.closeWriteChannel();
    ASSERT_TRUE(other.waitForFinished(10000));
    fs::last_write_time(held, fs::file_time_type::clock::now() - std::chrono::minutes(60));
    copies.removeStalePartials();
    EXPECT_FALSE(fs::exists(held)) << "once let go";
}
