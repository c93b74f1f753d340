// Fuzzes the one place where text typed by the user becomes part of a statement:
// the three searches of the window, "select * from dorvi where <column>='" + the
// answer with its quotes doubled + "';". Whatever the answer, the statement must be
// a single read-only select without parameters whose literal is the answer itself,
// and an answer holding a NUL must be refused with the input error and nothing else.
//
// The window gets its answers from a text field as a QString and hands
// QString::toStdString() (UTF-8) to quotedTextBody, so the bytes that reach it are
// always valid UTF-8. The input is therefore read as UTF-8 the way Qt reads it,
// malformed sequences becoming U+FFFD, and the statement is put together through
// QString exactly as the window does. quotedTextBody itself works on bytes, so the
// raw input, valid UTF-8 or not, is checked as well.
//
// The window states the same search to the data layer, which runs one statement of
// its own in its place, under the old engine's letter rule: it must stay one
// read-only select with the answer only in bound values, and find exactly the rows
// whose text folds to the answer's key, on a binary column and on a NOCASE one
// with its index.
#include "error.h"
#include "exactsearch.h"
#include "fold.h"
#include "sqlitehandles.h"
#include "sqltext.h"

#include <QString>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <sqlite3.h>

namespace {

const std::array<const char*, 3> prefixes = {
    "select * from dorvi where autore='",
    "select * from dorvi where titolo='",
    "select * from dorvi where genere='",
};
const std::array<const char*, 3> columns = {"autore", "titolo", "genere"};

void printEscaped(std::string_view text)
{
    for (unsigned char c : text) {
        if (c == '\\')
            std::fputs("\\\\", stderr);
        else
            std::fprintf(stderr, c >= 0x20 && c < 0x7F ? "%c" : "\\x%02X", c);
    }
}

[[noreturn]] void fail(const char* what, std::string_view answer, std::string_view sql = {})
{
    std::fprintf(stderr, "\n*** %s\n*** answer (%zu bytes): ", what, answer.size());
    printEscaped(answer);
    std::fputs("\n*** statement: ", stderr);
    printEscaped(sql);
    std::fputs("\n", stderr);
    std::abort();
}

void check(bool condition, const char* what, std::string_view answer, std::string_view sql = {})
{
    if (!condition)
        fail(what, answer, sql);
}

// The search statement as the window builds it, or nothing when the answer is refused.
// Any refusal other than the input error, or none for a NUL, is a failure.
std::optional<std::string> windowStatement(const char* prefix, const QString& answer)
{
    const std::string answerBytes = answer.toStdString();
    const bool holdsNul = answerBytes.find('\0') != std::string::npos;
    try {
        const QString str = QString::fromUtf8(prefix) +
                            QString::fromStdString(catalogue::quotedTextBody(answerBytes)) + QStringLiteral("';");
        check(!holdsNul, "an answer holding a NUL was placed in a statement", answerBytes);
        return str.toStdString();
    } catch (const catalogue::Error& error) {
        check(holdsNul, "an answer without a NUL was refused", answerBytes);
        check(error.number() == catalogue::ErrorNumber::InputError, "a NUL was refused with the wrong error",
              answerBytes);
        return std::nullopt;
    }
}

std::optional<std::string> byteStatement(const char* prefix, std::string_view answer)
{
    const bool holdsNul = answer.find('\0') != std::string_view::npos;
    try {
        std::string sql = prefix + catalogue::quotedTextBody(answer) + "';";
        check(!holdsNul, "raw bytes holding a NUL were placed in a statement", answer);
        return sql;
    } catch (const catalogue::Error& error) {
        check(holdsNul, "raw bytes without a NUL were refused", answer);
        check(error.number() == catalogue::ErrorNumber::InputError, "a NUL was refused with the wrong error",
              answer);
        return std::nullopt;
    }
}

// Reads the literal back without SQLite: between the prefix and the closing "';"
// every quote must come doubled, and undoubling must give the answer.
void checkLiteralByHand(const char* prefix, std::string_view sql, std::string_view answer)
{
    const std::string_view head(prefix);
    check(sql.size() >= head.size() + 2 && sql.substr(0, head.size()) == head && sql.substr(sql.size() - 2) == "';",
          "the statement does not have the search's shape", answer, sql);
    const std::string_view body = sql.substr(head.size(), sql.size() - head.size() - 2);
    std::string literal;
    for (std::size_t i = 0; i < body.size(); ++i) {
        literal += body[i];
        if (body[i] == '\'') {
            check(i + 1 < body.size() && body[i + 1] == '\'', "a lone quote ends the literal early", answer, sql);
            ++i;
        }
    }
    check(literal == answer, "the undoubled literal differs from the answer", answer, sql);
}

// The answer with each letter that has another case spelled in it: the same key
// under the letter rule.
std::string otherCaseOf(std::string_view answer)
{
    std::string other;
    for (std::size_t at = 0; at < answer.size();) {
        const catalogue::Utf8Char c = catalogue::readUtf8(answer, at);
        if (!c.valid) {
            other += answer[at];
        } else {
            const std::vector<char32_t> variants = catalogue::caseVariants(c.value);
            catalogue::appendUtf8(other, variants.back() != c.value ? variants.back() : variants.front());
        }
        at += c.length;
    }
    return other;
}

// An in-memory catalogue whose one matching row holds the answer in every searched
// column, beside rows that differ from it only slightly. With the binary collation
// "equal" means byte for byte for the statement as written; with NOCASE the columns
// are indexed, as in the program's catalogues.
class Probe {
public:
    explicit Probe(bool noCase)
    {
        sqlite3* raw = nullptr;
        if (sqlite3_open_v2(":memory:", &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            std::abort();
        m_db.reset(raw);
        if (noCase) {
            exec("CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT COLLATE NOCASE, "
                 "titolo TEXT COLLATE NOCASE, genere TEXT COLLATE NOCASE);"
                 "CREATE INDEX dorvi_autore ON dorvi (autore); CREATE INDEX dorvi_titolo ON dorvi (titolo);"
                 "CREATE INDEX dorvi_genere ON dorvi (genere)");
        } else {
            exec("CREATE TABLE dorvi (iddorvo INTEGER PRIMARY KEY, autore TEXT, titolo TEXT, genere TEXT)");
        }
        m_insert = prepare("INSERT INTO dorvi VALUES (?1, ?2, ?2, ?2)");
    }

    void fill(std::string_view answer)
    {
        exec("DELETE FROM dorvi");
        m_texts.clear();
        insert(1, answer);
        std::vector<std::string> nearMisses = {
            std::string(answer) + "'",
            std::string(answer) + " ",
            "'" + std::string(answer),
            std::string(),
        };
        if (answer.find('\0') == std::string_view::npos)
            nearMisses.push_back(catalogue::quotedTextBody(answer)); // the doubled text, never undoubled
        if (!answer.empty())
            nearMisses.emplace_back(answer.substr(0, answer.size() - 1));
        std::string otherCase(answer);
        for (char& c : otherCase)
            c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c >= 'A' && c <= 'Z' ? c + 32 : c);
        nearMisses.push_back(otherCase);
        nearMisses.push_back(otherCaseOf(answer));
        nearMisses.push_back(std::string(answer) + "\xCC\x80"); // a combining accent more
        std::int64_t id = 2;
        for (const std::string& miss : nearMisses) {
            if (miss != answer)
                insert(id++, miss);
        }
    }

    // Prepares the whole text, which must be one read-only select with no parameters,
    // and returns the keys of the rows it finds.
    std::vector<std::int64_t> run(const std::string& sql, std::string_view answer)
    {
        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(m_db.get(), sql.data(), static_cast<int>(sql.size()), &raw, &tail);
        catalogue::StatementHandle statement(raw);
        check(rc == SQLITE_OK, "SQLite refuses the statement", answer, sql);
        check(statement != nullptr, "the statement is empty", answer, sql);
        check(std::all_of(tail, sql.data() + sql.size(),
                          [](char c) { return c == ';' || c == ' ' || c == '\n' || c == '\t' || c == '\r'; }),
              "text follows the first statement", answer, sql);
        check(sqlite3_stmt_readonly(raw) != 0, "the statement is not read-only", answer, sql);
        check(sqlite3_bind_parameter_count(raw) == 0, "the statement has parameters", answer, sql);
        check(sqlite3_column_count(raw) == 4, "the statement does not return the table's columns", answer, sql);
        std::vector<std::int64_t> keys;
        int step;
        while ((step = sqlite3_step(raw)) == SQLITE_ROW)
            keys.push_back(sqlite3_column_int64(raw, 0));
        check(step == SQLITE_DONE, "the statement fails while running", answer, sql);
        return keys;
    }

    // Runs the statement the data layer makes for the window's search of `column`,
    // and checks it finds exactly the rows whose text has the answer's key under the
    // letter rule.
    void checkLetterRule(const char* column, std::string_view answer)
    {
        const catalogue::ExactSearch search{"dorvi", column, std::string(answer)};
        const std::optional<catalogue::BoundSearch> bound = catalogue::planExactSearch(m_db.get(), search);
        check(bound.has_value(), "the data layer runs the search without the letter rule", answer, column);
        // Made of keywords, quoted names and parameters only: no byte of the answer.
        check(std::all_of(bound->sql.begin(), bound->sql.end(),
                          [](char c) {
                              return std::isalnum(static_cast<unsigned char>(c)) ||
                                     std::string_view(" _?*(),=<>\"").find(c) != std::string_view::npos;
                          }),
              "the answer reaches the data layer's statement text", answer, bound->sql);

        sqlite3_stmt* raw = nullptr;
        const char* tail = nullptr;
        const int rc = sqlite3_prepare_v2(m_db.get(), bound->sql.c_str(), -1, &raw, &tail);
        catalogue::StatementHandle statement(raw);
        check(rc == SQLITE_OK && statement && *tail == '\0', "SQLite refuses the data layer's statement", answer,
              bound->sql);
        check(sqlite3_stmt_readonly(raw) != 0, "the data layer's statement is not read-only", answer, bound->sql);
        check(sqlite3_bind_parameter_count(raw) == static_cast<int>(bound->values.size()),
              "the data layer's statement and its values disagree", answer, bound->sql);
        for (std::size_t i = 0; i < bound->values.size(); ++i) {
            const std::string& value = bound->values[i];
            sqlite3_bind_text64(raw, static_cast<int>(i) + 1, value.data(), value.size(), SQLITE_STATIC, SQLITE_UTF8);
        }
        std::vector<std::int64_t> keys;
        int step;
        while ((step = sqlite3_step(raw)) == SQLITE_ROW)
            keys.push_back(sqlite3_column_int64(raw, 0));
        check(step == SQLITE_DONE, "the data layer's statement fails while running", answer, bound->sql);

        const std::string key = catalogue::foldCase(answer);
        std::vector<std::int64_t> expected;
        for (const auto& [id, text] : m_texts) {
            if (catalogue::foldCase(text) == key)
                expected.push_back(id);
        }
        std::sort(keys.begin(), keys.end());
        check(keys == expected, "the letter rule finds other rows than those with the answer's key", answer,
              bound->sql);
    }

private:
    void exec(const char* sql)
    {
        if (sqlite3_exec(m_db.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
            std::abort();
    }

    catalogue::StatementHandle prepare(const char* sql)
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(m_db.get(), sql, -1, &raw, nullptr) != SQLITE_OK)
            std::abort();
        return catalogue::StatementHandle(raw);
    }

    void insert(std::int64_t id, std::string_view text)
    {
        sqlite3_stmt* insert = m_insert.get();
        sqlite3_bind_int64(insert, 1, id);
        sqlite3_bind_text(insert, 2, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(insert) != SQLITE_DONE)
            std::abort();
        sqlite3_reset(insert);
        m_texts.emplace_back(id, text);
    }

    catalogue::DatabaseHandle m_db;
    catalogue::StatementHandle m_insert; // declared after m_db, so finalized before the close
    std::vector<std::pair<std::int64_t, std::string>> m_texts; ///< the rows held, by key
};

void checkStatements(Probe& binary, Probe& noCase, std::string_view answer,
                     const std::vector<std::optional<std::string>>& statements)
{
    binary.fill(answer);
    noCase.fill(answer);
    for (std::size_t i = 0; i < prefixes.size(); ++i) {
        if (!statements[i])
            continue;
        checkLiteralByHand(prefixes[i], *statements[i], answer);
        const std::vector<std::int64_t> keys = binary.run(*statements[i], answer);
        check(keys == std::vector<std::int64_t>{1}, "the statement does not find exactly the answer's row", answer,
              *statements[i]);
        binary.checkLetterRule(columns[i], answer);
        noCase.checkLetterRule(columns[i], answer);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Probe probe(false);
    static Probe indexed(true);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // As typed into the window.
    const QString answer = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::string answerBytes = answer.toStdString();
    std::vector<std::optional<std::string>> statements;
    for (const char* prefix : prefixes)
        statements.push_back(windowStatement(prefix, answer));
    checkStatements(probe, indexed, answerBytes, statements);

    // As bytes, when they differ from what the window would pass.
    if (answerBytes != bytes) {
        statements.clear();
        for (const char* prefix : prefixes)
            statements.push_back(byteStatement(prefix, bytes));
        checkStatements(probe, indexed, bytes, statements);
    } else {
        for (std::size_t i = 0; i < prefixes.size(); ++i)
            check(statements[i] == byteStatement(prefixes[i], bytes),
                  "the window's statement differs from the one built from the bytes", bytes);
    }
    return 0;
}
