// What the user reads when a write fails: each class of cause named as it is,
// through the engine's codes and through real files that refuse the change.
#include "recordset.h"
#include "testcatalogue.h"
#include "engineerror.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <gtest/gtest.h>
#include <iostream>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace catalogue;

namespace {

const std::string path = "/libri/casa/dorvi.mdb";
const std::string notWritten = "la modifica non è stata scritta.";

bool endsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

struct Cause {
    const char* name;
    int code;
    int systemError;
    const char* engineMessage;
    ErrorNumber number;
    const char* named; ///< what the text must name
};

class WriteCause : public ::testing::TestWithParam<Cause> {};

} // namespace

TEST_P(WriteCause, NamesItsCauseAndSaysNothingWasWritten)
{
    const Cause cause = GetParam();
    const Error raised(ErrorNumber::Generic, "testo generico", cause.code, cause.engineMessage);
    const Error shown = writeError(raised, cause.systemError, path);
    EXPECT_EQ(shown.number(), cause.number);
    EXPECT_NE(shown.description().find(cause.named), std::string::npos) << shown.description();
    EXPECT_TRUE(endsWith(shown.description(), notWritten)) << shown.description();
    EXPECT_EQ(shown.engineCode(), cause.code) << "the engine's own code travels along";
    EXPECT_EQ(shown.engineMessage(), cause.engineMessage);
}

INSTANTIATE_TEST_SUITE_P(
    EachClass, WriteCause,
    ::testing::Values(
        Cause{"FolderRefusesTheJournal", SQLITE_READONLY_DIRECTORY, 0, "attempt to write a readonly database",
              ErrorNumber::ReadOnlyFile, "La cartella «/libri/casa» è protetta da scrittura"},
        Cause{"FolderRefusesTheJournalAsCannotOpen", SQLITE_CANTOPEN, EACCES, "unable to open database file",
              ErrorNumber::ReadOnlyFile, "La cartella «/libri/casa»"},
        Cause{"ReadOnlyMount", SQLITE_CANTOPEN, EROFS, "unable to open database file", ErrorNumber::ReadOnlyFile,
              "montato in sola lettura"},
        Cause{"ReadOnlyMountOnWrite", SQLITE_IOERR_WRITE, EROFS, "disk I/O error", ErrorNumber::ReadOnlyFile,
              "montato in sola lettura"},
        Cause{"ReadOnlyFile", SQLITE_READONLY, 0, "attempt to write a readonly database", ErrorNumber::ReadOnlyFile,
              "«/libri/casa/dorvi.mdb» è protetto da scrittura"},
        Cause{"FileMoved", SQLITE_READONLY_DBMOVED, 0, "attempt to write a readonly database",
              ErrorNumber::FileReplaced, "spostato o eliminato"},
        Cause{"JournalCannotBeCreated", SQLITE_CANTOPEN, EMFILE, "unable to open database file",
              ErrorNumber::Generic, "file di appoggio"},
        Cause{"DiskFull", SQLITE_FULL, 0, "database or disk is full", ErrorNumber::DiskFull, "è pieno"},
        Cause{"DiskFullWhileWriting", SQLITE_IOERR_WRITE, ENOSPC, "disk I/O error", ErrorNumber::DiskFull,
              "è pieno"},
        Cause{"DeviceError", SQLITE_IOERR_FSYNC, EIO, "disk I/O error", ErrorNumber::Generic, "Il disco"},
        Cause{"LockedByAnotherProgram", SQLITE_BUSY, 0, "database is locked", ErrorNumber::Locked,
              "bloccato da un altro programma"},
        Cause{"DuplicateKey", SQLITE_CONSTRAINT_PRIMARYKEY, 0, "UNIQUE constraint failed: dorvi.iddorvo",
              ErrorNumber::DuplicateKey, "già presente"},
        Cause{"EmptyRequiredColumn", SQLITE_CONSTRAINT_NOTNULL, 0, "NOT NULL constraint failed: dorvi.autore",
              ErrorNumber::ValueRefused, "La colonna «autore» non può restare vuota"},
        Cause{"CheckRule", SQLITE_CONSTRAINT_CHECK, 0, "CHECK constraint failed: anno_valido",
              ErrorNumber::ValueRefused, "anno_valido"},
        Cause{"TriggerRule", SQLITE_CONSTRAINT_TRIGGER, 0, "i classici non si toccano", ErrorNumber::ValueRefused,
              "«i classici non si toccano»"},
        Cause{"WrongType", SQLITE_MISMATCH, 0, "datatype mismatch", ErrorNumber::ValueRefused, "tipo"},
        Cause{"TooLong", SQLITE_TOOBIG, 0, "string or blob too big", ErrorNumber::ValueRefused, "troppo lungo"},
        Cause{"Damaged", SQLITE_CORRUPT, 0, "database disk image is malformed", ErrorNumber::Corrupt, "danneggiato"},
        Cause{"OutOfMemory", SQLITE_NOMEM, 0, "out of memory", ErrorNumber::OutOfMemory, "Memoria"},
        Cause{"TableGone", SQLITE_ERROR, 0, "no such table: dorvi", ErrorNumber::TableMissing, "«dorvi»"},
        Cause{"AnythingElse", SQLITE_INTERRUPT, 0, "interrupted", ErrorNumber::Generic, "codice 9"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriteError, ErrorsNotFromTheEngineStayAsTheyAre)
{
    const Error conflict(ErrorNumber::RowChanged, "Un altro programma ha modificato questo libro…");
    EXPECT_EQ(writeError(conflict, EIO, path).description(), conflict.description());
    EXPECT_NE(unwritableFileError(EROFS, path).description().find("sola lettura"), std::string::npos);
    EXPECT_EQ(unwritableFileError(EACCES, path).number(), ErrorNumber::ReadOnlyFile);
}

namespace {

std::shared_ptr<Recordset> openOn(const std::shared_ptr<Connection>& connection)
{
    auto rs = std::make_shared<Recordset>();
    rs->setLockType(LockType::Optimistic);
    rs->setCursorLocation(CursorLocation::Client);
    rs->setSource("select * from dorvi;");
    rs->setActiveConnection(connection);
    rs->open();
    return rs;
}

std::shared_ptr<Connection> connectionTo(const std::string& file)
{
    auto connection = std::make_shared<Connection>();
    connection->setProvider("microsoft.jet.oledb.4.0");
    connection->setConnectionString(file);
    connection->open();
    return connection;
}

// The description of the error `write` raises, or "nothing thrown".
std::string refusal(const std::function<void()>& write)
{
    try {
        write();
    } catch (const Error& error) {
        return error.description();
    }
    return "nothing thrown";
}

} // namespace

// Real files refusing for their own reasons: the message names the rule or the
// disk, and the file holds what it held.
TEST(WriteRefused, RulesOfTheTableAndAFullDiskAreNamed)
{
    TestCatalogue catalogue;
    catalogue.exec("CREATE TRIGGER classici BEFORE UPDATE ON dorvi WHEN old.genere = 'Poema' "
                   "BEGIN SELECT RAISE(ABORT, 'i classici non si toccano'); END;"
                   "CREATE TABLE rilegati (titolo TEXT NOT NULL, pagine INTEGER CHECK (pagine > 0));"
                   "INSERT INTO rilegati VALUES ('Alcyone', 200);");
    auto connection = connectionTo(catalogue.path());
    auto rs = openOn(connection);

    const std::string trigger = refusal([&] { rs->update(3, 1, std::string("Dante")); });
    EXPECT_NE(trigger.find("«i classici non si toccano»"), std::string::npos) << trigger;
    EXPECT_TRUE(endsWith(trigger, notWritten)) << trigger;

    // The engine refuses to grow the file past its pages as a full disk would.
    execute(connection->handle(), "PRAGMA max_page_count = 1");
    const std::string full = refusal([&] { rs->addNew(1, std::string(100000, 'x')); });
    EXPECT_NE(full.find("è pieno"), std::string::npos) << full;
    EXPECT_EQ(catalogue.scalar("select count(*) from dorvi"), "5");
    EXPECT_EQ(catalogue.scalar("select autore from dorvi where iddorvo=4"), "Dante Alighieri");
}

TEST(WriteRefused, ColumnRulesAreNamed)
{
    TestCatalogue catalogue;
    catalogue.exec("CREATE TABLE rilegati (id INTEGER PRIMARY KEY, titolo TEXT NOT NULL, "
                   "pagine INTEGER CONSTRAINT pagine_positive CHECK (pagine > 0));"
                   "INSERT INTO rilegati VALUES (1, 'Alcyone', 200);");
    auto rs = openRecordset(catalogue.path(), "select * from rilegati;");
    const std::string check = refusal([&] { rs->update(0, 2, std::int64_t(-3)); });
    EXPECT_NE(check.find("pagine_positive"), std::string::npos) << check;
    const std::string notNull = refusal([&] { rs->update(0, 1, std::monostate{}); });
    EXPECT_NE(notNull.find("«titolo» non può restare vuota"), std::string::npos) << notNull;
    EXPECT_EQ(catalogue.rows("select titolo, pagine from rilegati"),
              (std::vector<std::vector<std::string>>{{"Alcyone", "200"}}));
}

// A folder that refuses new files, holding a catalogue that is itself writable:
// the change needs its journal there. The superuser may write anywhere, so when
// the test runs as root the write is made as the ordinary user "nobody".
TEST(WriteRefused, ReadOnlyFolderIsNamed)
{
    TestCatalogue source;
    const QString folder = QDir::tempPath() + QStringLiteral("/dorvi-cartella-%1").arg(::getpid());
    QDir().mkpath(folder);
    const std::string file = (folder + QStringLiteral("/dorvi.mdb")).toStdString();
    ASSERT_TRUE(QFile::copy(QString::fromStdString(source.path()), QString::fromStdString(file)));
    ASSERT_EQ(::chmod(file.c_str(), 0666), 0);
    ASSERT_EQ(::chmod(folder.toLocal8Bit().constData(), 0555), 0);

    EXPECT_EXIT(
        {
            if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
                std::exit(2);
            auto rs = openRecordset(file, "select * from dorvi;");
            std::cerr << refusal([&] { rs->update(0, 3, std::string("Classico")); });
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "La cartella «.*dorvi-cartella-[0-9]+» è protetta da scrittura.*non è stata scritta");

    ::chmod(folder.toLocal8Bit().constData(), 0755);
    EXPECT_EQ(std::get<std::string>(openRecordset(file, "select * from dorvi;")->value(0, 3)), "Romanzo storico");
    QDir(folder).removeRecursively();
}
