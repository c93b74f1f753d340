// A program killed in the middle of a stream of edits loses nothing that it had
// written. crash_editor edits a catalogue through the real window and grid and logs
// each edit before and after its write; this test kills it with SIGKILL at random
// moments, many times over on the same file, and after every kill checks that the
// file is sound and holds exactly the edits whose write had returned, plus at most
// the one edit under way.
//
// A kill is checked on a copy of the file and of its journal, as the kill left them:
// the copy is opened first by the check, which rolls any unfinished write back, while
// the original is first opened again by the next run of the program, which must do
// the same.
#include "sqlitehandles.h"
#include "testcatalogue.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <optional>
#include <random>
#include <spawn.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <sqlite3.h>

extern char** environ;

namespace {

using Row = std::array<std::optional<std::string>, 3>; // autore, titolo, genere
using State = std::map<std::int64_t, Row>;

struct Edit {
    enum Kind { Set, Add, Delete } kind;
    std::int64_t key = 0; ///< for Add, known only once the write returned
    int column = 0;       ///< 1..3, as in the grid
    std::string value;
};

// What one run of the editor wrote to its log.
struct Log {
    bool ready = false;
    std::vector<Edit> done;
    std::optional<Edit> underWay; ///< announced, not known to have returned
};

std::vector<std::string> split(const std::string& line)
{
    std::vector<std::string> fields;
    std::stringstream stream(line);
    for (std::string field; std::getline(stream, field, '\t');)
        fields.push_back(field);
    return fields;
}

std::string readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// Only whole lines count: a kill may cut the last one short.
Log parseLog(const std::string& text)
{
    Log log;
    std::stringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (stream.eof())
            break; // no newline: a line the kill interrupted
        const std::vector<std::string> f = split(line);
        if (f.empty())
            continue;
        if (f[0] == "ready") {
            log.ready = true;
        } else if (f[0] == "intent" && f.size() >= 4) {
            Edit edit;
            if (f[2] == "set" && f.size() == 6)
                edit = {Edit::Set, std::stoll(f[3]), std::stoi(f[4]), f[5]};
            else if (f[2] == "add" && f.size() == 6)
                edit = {Edit::Add, 0, std::stoi(f[4]), f[5]};
            else if (f[2] == "del" && f.size() == 4)
                edit = {Edit::Delete, std::stoll(f[3]), 0, {}};
            else
                throw std::runtime_error("bad log line: " + line);
            log.underWay = edit;
        } else if (f[0] == "done" && log.underWay) {
            Edit edit = *log.underWay;
            if (edit.kind == Edit::Add)
                edit.key = std::stoll(f.at(2));
            log.done.push_back(edit);
            log.underWay.reset();
        } else {
            throw std::runtime_error("bad log line: " + line);
        }
    }
    return log;
}

void applyEdit(State& state, const Edit& edit)
{
    switch (edit.kind) {
    case Edit::Set:
        if (!state.contains(edit.key))
            throw std::runtime_error("an edit changed book " + std::to_string(edit.key) + ", which the file lacks");
        state[edit.key][edit.column - 1] = edit.value;
        break;
    case Edit::Add: {
        const auto [added, isNew] = state.try_emplace(edit.key);
        if (!isNew)
            throw std::runtime_error("a new book took the key of book " + std::to_string(edit.key));
        added->second[edit.column - 1] = edit.value;
        break;
    }
    case Edit::Delete:
        state.erase(edit.key);
        break;
    }
}

std::string describe(const State& state)
{
    std::string text;
    for (const auto& [key, row] : state) {
        text += std::to_string(key);
        for (const auto& cell : row)
            text += " | " + cell.value_or("NULL");
        text += '\n';
    }
    return text;
}

// The file's health and contents, read with plain SQLite as any other program would.
struct FileCheck {
    std::string integrity;
    State state;
};

FileCheck checkFile(const std::string& path)
{
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(raw);
        throw std::runtime_error("cannot open " + path);
    }
    catalogue::DatabaseHandle db(raw);
    const auto query = [&](const char* sql, auto each) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db.get(), sql, -1, &s, nullptr) != SQLITE_OK)
            throw std::runtime_error(std::string(sql) + ": " + sqlite3_errmsg(db.get()));
        catalogue::StatementHandle statement(s);
        int rc;
        while ((rc = sqlite3_step(s)) == SQLITE_ROW)
            each(s);
        if (rc != SQLITE_DONE)
            throw std::runtime_error(std::string(sql) + ": " + sqlite3_errmsg(db.get()));
    };
    const auto text = [](sqlite3_stmt* s, int column) -> std::optional<std::string> {
        const auto* value = sqlite3_column_text(s, column);
        if (!value)
            return std::nullopt;
        return std::string(reinterpret_cast<const char*>(value));
    };
    FileCheck check;
    query("PRAGMA integrity_check", [&](sqlite3_stmt* s) { check.integrity += text(s, 0).value_or("?"); });
    query("SELECT iddorvo, autore, titolo, genere FROM dorvi", [&](sqlite3_stmt* s) {
        check.state[sqlite3_column_int64(s, 0)] = {text(s, 1), text(s, 2), text(s, 3)};
    });
    return check;
}

// The file may hold the edit under way or not, but nothing else: for a book being
// added its key is unknown, so any one new key holding just the value typed counts.
bool holdsEditUnderWay(const State& before, const State& file, const Edit& edit)
{
    if (edit.kind != Edit::Add) {
        State after = before;
        if (edit.kind == Edit::Set && !after.contains(edit.key))
            return false;
        applyEdit(after, edit);
        return after == file;
    }
    if (file.size() != before.size() + 1)
        return false;
    for (const auto& [key, row] : file) {
        if (before.contains(key))
            continue;
        Edit added = edit;
        added.key = key;
        State after = before;
        applyEdit(after, added);
        return after == file;
    }
    return false;
}

// One run of crash_editor as a child process, its output kept in a file.
class Editor {
public:
    Editor(const QString& folder, const QString& log, unsigned seed, long first, long count = 0)
        : m_output(folder + QStringLiteral("/editor-output.txt"))
    {
        const std::vector<std::string> args = {CRASH_EDITOR,
                                               folder.toStdString(),
                                               log.toStdString(),
                                               std::to_string(seed),
                                               std::to_string(first),
                                               std::to_string(count)};
        std::vector<char*> argv;
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string output = m_output.toStdString();
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        const int rc = posix_spawn(&m_pid, CRASH_EDITOR, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            throw std::runtime_error("cannot start " CRASH_EDITOR);
    }
    ~Editor()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // The exit status once ended, or nothing while it runs.
    std::optional<int> poll()
    {
        int status = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            m_status = status;
        }
        return m_status;
    }
    int wait()
    {
        if (m_pid > 0) {
            ::waitpid(m_pid, &m_status.emplace(), 0);
            m_pid = -1;
        }
        return *m_status;
    }
    int kill()
    {
        if (m_pid > 0)
            ::kill(m_pid, SIGKILL);
        return wait();
    }
    std::string output() const { return readFile(m_output); }

private:
    QString m_output;
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

class KilledEditor : public ::testing::Test {
protected:
    static TestCatalogue::Books startingBooks()
    {
        TestCatalogue::Books books;
        for (int i = 1; i <= 20; ++i)
            books.push_back({"Autore " + std::to_string(i), "Titolo dell'opera " + std::to_string(i), "Genere"});
        return books;
    }

    TestCatalogue catalogue{startingBooks()};
    QString log = catalogue.folder() + QStringLiteral("/edits.log");
    unsigned seed = [] {
        if (const char* fixed = std::getenv("DORVI_CRASH_SEED"))
            return static_cast<unsigned>(std::strtoul(fixed, nullptr, 10));
        return std::random_device{}();
    }();
};

TEST_F(KilledEditor, UninterruptedStreamIsAllInTheFile)
{
    SCOPED_TRACE("DORVI_CRASH_SEED=" + std::to_string(seed));
    State expected = checkFile(catalogue.path()).state;
    Editor editor(catalogue.folder(), log, seed, 1, 60);
    const int status = editor.wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << editor.output();

    const Log written = parseLog(readFile(log));
    ASSERT_EQ(written.done.size(), 60u);
    EXPECT_FALSE(written.underWay);
    for (const Edit& edit : written.done)
        applyEdit(expected, edit);
    const FileCheck file = checkFile(catalogue.path());
    EXPECT_EQ(file.integrity, "ok");
    EXPECT_EQ(describe(file.state), describe(expected));
}

TEST_F(KilledEditor, KillAtAnyMomentLosesNoReturnedEdit)
{
    SCOPED_TRACE("DORVI_CRASH_SEED=" + std::to_string(seed));
    const char* cyclesSetting = std::getenv("DORVI_CRASH_CYCLES");
    const int cycles = cyclesSetting ? std::atoi(cyclesSetting) : 40;
    std::mt19937 random(seed);
    const QString file = QString::fromStdString(catalogue.path());
    const QString journal = file + QStringLiteral("-journal");

    State held = checkFile(catalogue.path()).state;
    int editsReturned = 0, killsInWrite = 0, editsUnderWayKept = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        SCOPED_TRACE("kill " + std::to_string(cycle + 1));
        QFile::remove(log);
        Editor editor(catalogue.folder(), log, random(), (cycle + 1) * 100000L);

        // Killed only once editing has begun, then anywhere in the stream.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!parseLog(readFile(log)).ready) {
            ASSERT_FALSE(editor.poll()) << "the editor ended by itself:\n" << editor.output();
            ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "the editor never began";
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<>(0, 300)(random)));
        const int status = editor.kill();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the editor ended before the kill:\n" << editor.output();

        const Log written = parseLog(readFile(log));
        State expected = held;
        for (const Edit& edit : written.done)
            applyEdit(expected, edit);
        editsReturned += static_cast<int>(written.done.size());

        QTemporaryDir copy;
        ASSERT_TRUE(copy.isValid());
        const QString copied = copy.filePath(QStringLiteral("dorvi.mdb"));
        ASSERT_TRUE(QFile::copy(file, copied));
        if (QFile::exists(journal)) {
            ++killsInWrite;
            ASSERT_TRUE(QFile::copy(journal, copied + QStringLiteral("-journal")));
        }
        const FileCheck check = checkFile(copied.toStdString());
        ASSERT_EQ(check.integrity, "ok");
        if (check.state != expected) {
            ASSERT_TRUE(written.underWay && holdsEditUnderWay(expected, check.state, *written.underWay))
                << "the file holds:\n" << describe(check.state) << "but the edits that returned make:\n"
                << describe(expected);
            ++editsUnderWayKept;
        }
        held = check.state;
    }

    // The program itself, started again on the file as the last kill left it.
    QFile::remove(log);
    Editor last(catalogue.folder(), log, random(), (cycles + 1) * 100000L, 1);
    const int status = last.wait();
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << last.output();
    applyEdit(held, parseLog(readFile(log)).done.at(0));
    const FileCheck final = checkFile(catalogue.path());
    EXPECT_EQ(final.integrity, "ok");
    EXPECT_EQ(describe(final.state), describe(held));

    // Kills that all fell before the first edit would prove nothing.
    EXPECT_GT(editsReturned, cycles);
    std::printf("%d kills, %d of them during a write; %d edits had returned, all in the file; "
                "%d edits under way were found written\n",
                cycles, killsInWrite, editsReturned, editsUnderWayKept);
    RecordProperty("kills", cycles);
    RecordProperty("killsDuringWrite", killsInWrite);
    RecordProperty("editsReturned", editsReturned);
}

} // namespace
