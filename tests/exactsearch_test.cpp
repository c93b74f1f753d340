// The exact searches under the old engine's letter rule: accented capitals through
// each of the window's three searches, the statement the data layer runs in their
// place and its use of the index, and the catalogue still the stock sqlite3 shell's
// to read, change and check after the program wrote it.
#include "exactsearch.h"
#include "sqlitehandles.h"
#include "windowonfakes.h"

#include <QProcess>
#include <gtest/gtest.h>

#include <set>
#include <sqlite3.h>

using namespace catalogue;

namespace {

const TestCatalogue::Books accentedBooks = {
    {"Niccolò Machiavelli", "Il principe", "Attualità"},                               // 1
    {"NICCOLÒ MACHIAVELLI", "Discorsi", "ATTUALITÀ"},                                  // 2
    {"Niccolo Machiavelli", "La mandragola", "Attualita"},                             // 3
    {"Gabriele D'Annunzio", "è primavera", "Poesia"},                                  // 4
    {"Giosuè Carducci", "È PRIMAVERA", "Poesia"},                                      // 5
    {"Giosue Carducci", "e primavera", "poesia "},                                     // 6
    {"Όμηρος", "ΟΔΥΣΣΕΙΑ ΚΑΙ ΙΛΙΑΔΑ ΤΟΥ ΟΜΗΡΟΥ", "Ἔπος"},                              // 7
    {"ΌΜΗΡΟΣ", "οδυσσεια και ιλιαδα του ομηρου", "ἔπος"},                              // 8
    {"Омир", "одуссеια", "Эпос"},                                                      // 9
    {"Лев Толстой", "ВОЙНА И МИР", "роман"},                                           // 10
    {"ЛЕВ ТОЛСТОЙ", "Война и мир", "РОМАН"},                                           // 11
    {"Mark Twain", "MISSISSIPPI MISSISSIPPI", "Viaggi"},                               // 12
    {"Mark Twain", "Mississippi Mississipp", "Viaggi"},                                // 13
    {"Mark Twain", "Mississippi  Mississippi", "Viaggi"},                              // 14
};

struct AnswerCase {
    const char* name;
    const char* item;   ///< the menu command
    const char* column;
    const char* answer;
    std::set<std::string> ids; ///< iddorvo of the books shown; none: "Nessun record trovato"
};

class AccentedAnswers : public ::testing::TestWithParam<AnswerCase>, public WindowOnFakes {
protected:
    AccentedAnswers() : WindowOnFakes(accentedBooks) {}
};

TEST_P(AccentedAnswers, FindTheBooksThatDifferOnlyInLetterCase)
{
    const AnswerCase& c = GetParam();
    services.promptAnswers = {QString::fromUtf8(c.answer)};
    trigger(c.item);
    const QString literal = QString::fromUtf8(c.answer).replace("'", "''");
    EXPECT_EQ(window.str, QString("select * from dorvi where %1='%2';").arg(c.column, literal));
    EXPECT_TRUE(services.errors.empty());
    std::set<std::string> shown;
    if (c.ids.empty()) {
        ASSERT_EQ(services.informations.size(), 1u);
        EXPECT_EQ(services.informations[0].text, "Nessun record trovato");
        return;
    }
    ASSERT_TRUE(grid.dataSource);
    for (std::size_t row = 0; row < grid.dataSource->rowCount(); ++row)
        shown.insert(std::to_string(std::get<std::int64_t>(grid.dataSource->value(row, 0))));
    EXPECT_EQ(shown, c.ids);
}

INSTANTIATE_TEST_SUITE_P(
    EachSearch, AccentedAnswers,
    ::testing::Values(
        AnswerCase{"author_capitals", "mnuaut", "autore", "NICCOLÒ MACHIAVELLI", {"1", "2"}},
        AnswerCase{"author_small", "mnuaut", "autore", "niccolò machiavelli", {"1", "2"}},
        AnswerCase{"author_accent_counts", "mnuaut", "autore", "NICCOLO MACHIAVELLI", {"3"}},
        AnswerCase{"author_inner_accent", "mnuaut", "autore", "GIOSUÈ CARDUCCI", {"5"}},
        AnswerCase{"author_greek_first_letter", "mnuaut", "autore", "όμηρος", {"7", "8"}},
        AnswerCase{"author_cyrillic", "mnuaut", "autore", "лев толстой", {"10", "11"}},
        AnswerCase{"author_apostrophe", "mnuaut", "autore", "GABRIELE D'ANNUNZIO", {"4"}},
        AnswerCase{"title_first_letter_capital", "mnutit", "titolo", "È primavera", {"4", "5"}},
        AnswerCase{"title_first_letter_small", "mnutit", "titolo", "è PRIMAVERA", {"4", "5"}},
        AnswerCase{"title_no_accent", "mnutit", "titolo", "E PRIMAVERA", {"6"}},
        AnswerCase{"title_partial", "mnutit", "titolo", "È primaver", {}},
        AnswerCase{"title_many_spellings", "mnutit", "titolo", "Οδυσσεια και Ιλιαδα του Ομηρου", {"7", "8"}},
        AnswerCase{"title_cyrillic", "mnutit", "titolo", "война и мир", {"10", "11"}},
        AnswerCase{"title_many_ascii_spellings", "mnutit", "titolo", "mississippi mississippi", {"12"}},
        AnswerCase{"genre_capitals", "mnugen", "genere", "ATTUALITÀ", {"1", "2"}},
        AnswerCase{"genre_breathing_mark", "mnugen", "genere", "ἜΠΟΣ", {"7", "8"}},
        AnswerCase{"genre_cyrillic_first_letter", "mnugen", "genere", "эпос", {"9"}},
        AnswerCase{"genre_spaces_count", "mnugen", "genere", "POESIA", {"4", "5"}}),
    [](const auto& info) { return std::string(info.param.name); });

DatabaseHandle openFile(const std::string& path)
{
    return openDatabase(path, true);
}

// The plan the engine picks for the statement the search runs, one line a step.
std::vector<std::string> planOf(sqlite3* db, const ExactSearch& search)
{
    const std::optional<BoundSearch> bound = planExactSearch(db, search);
    if (!bound)
        throw std::runtime_error("no letter-rule statement for " + search.answer);
    const std::string sql = "EXPLAIN QUERY PLAN " + bound->sql;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        throw std::runtime_error(sql + ": " + sqlite3_errmsg(db));
    StatementHandle statement(raw);
    for (std::size_t i = 0; i < bound->values.size(); ++i)
        sqlite3_bind_text(raw, static_cast<int>(i) + 1, bound->values[i].c_str(), -1, SQLITE_TRANSIENT);
    std::vector<std::string> steps;
    while (sqlite3_step(raw) == SQLITE_ROW)
        steps.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(raw, 3)));
    return steps;
}

struct PlanCase {
    const char* name;
    const char* column;
    const char* answer;
};

class SearchPlans : public ::testing::TestWithParam<PlanCase> {};

TEST_P(SearchPlans, KeepToTheColumnsIndex)
{
    const PlanCase& c = GetParam();
    TestCatalogue catalogue(accentedBooks);
    const DatabaseHandle db = openFile(catalogue.path());
    const std::vector<std::string> steps = planOf(db.get(), ExactSearch{"dorvi", c.column, c.answer});
    ASSERT_FALSE(steps.empty());
    for (const std::string& step : steps) {
        EXPECT_EQ(step.find("SCAN"), std::string::npos) << step;
        if (step.rfind("SEARCH", 0) == 0) {
            EXPECT_NE(step.find(std::string("USING INDEX dorvi_") + c.column), std::string::npos) << step;
        }
    }
    EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [](const std::string& s) { return s.rfind("SEARCH", 0) == 0; }));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SearchPlans,
    ::testing::Values(PlanCase{"ascii", "autore", "Dante Alighieri"}, PlanCase{"accented", "autore", "NICCOLÒ MACHIAVELLI"},
                      PlanCase{"accent_first", "titolo", "È PRIMAVERA"},
                      PlanCase{"ranges", "titolo", "ΟΔΥΣΣΕΙΑ ΚΑΙ ΙΛΙΑΔΑ"},
                      PlanCase{"ascii_ranges", "genere", "Mississippi Mississippi"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LetterRuleSearch, LooksUpFewSpellingsOneByOneAndRangesBeyond)
{
    const auto spellings = [](const char* answer, TextOrder order) {
        return letterRuleSearch(ExactSearch{"dorvi", "autore", answer}, order);
    };
    EXPECT_EQ(spellings("Dante Alighieri", TextOrder::NoCase).values, std::vector<std::string>{"dante alighieri"});
    EXPECT_EQ(spellings("NICCOLÒ", TextOrder::NoCase).values, (std::vector<std::string>{"niccolÒ", "niccolò"}));
    EXPECT_EQ(spellings("Èa", TextOrder::Binary).values, (std::vector<std::string>{"ÈA", "Èa", "èA", "èa"}));
    EXPECT_FALSE(spellings("NICCOLÒ", TextOrder::NoCase).needsLetterRule);

    // Eight letters with two spellings each: ranges over the first five, checked by the rule.
    const BoundSearch greek = spellings("ΓΔΖΗΛΞΠΤ", TextOrder::NoCase);
    EXPECT_TRUE(greek.needsLetterRule);
    ASSERT_EQ(greek.values.size(), 2 * 32 + 1u);
    EXPECT_EQ(greek.values[0], "ΓΔΖΗΛ");
    EXPECT_EQ(greek.values[1], "ΓΔΖΗΜ") << "the bound above every text beginning with the prefix";
    EXPECT_EQ(greek.values.back(), "ΓΔΖΗΛΞΠΤ");

    const BoundSearch everyRow = letterRuleSearch(ExactSearch{"dorvi", "autore", "ΓΔΖΗΛΞΠΤ"}, TextOrder::NoCase, false);
    EXPECT_EQ(everyRow.values, std::vector<std::string>{"ΓΔΖΗΛΞΠΤ"});
}

struct AnswerAsTyped {
    const char* name;
    std::string answer;
    std::string literal; ///< between the statement's quotes
};

class WindowStatesTheSearch : public ::testing::TestWithParam<AnswerAsTyped>, public WindowOnFakes {
protected:
    WindowStatesTheSearch() : WindowOnFakes(accentedBooks) {}
};

// The statement text keeps the answer with its quotes doubled; the search the data
// layer runs holds the answer exactly as typed, whatever it holds, and nothing in
// it can become statement.
TEST_P(WindowStatesTheSearch, WithTheAnswerExactlyAsTyped)
{
    const AnswerAsTyped& c = GetParam();
    services.promptAnswers = {QString::fromStdString(c.answer)};
    trigger("mnuaut");
    EXPECT_TRUE(services.errors.empty());
    EXPECT_EQ(window.str.toStdString(), "select * from dorvi where autore='" + c.literal + "';");
    ASSERT_TRUE(window.recordset());
    ASSERT_TRUE(window.recordset()->search().has_value());
    EXPECT_EQ(window.recordset()->search()->table, "dorvi");
    EXPECT_EQ(window.recordset()->search()->column, "autore");
    EXPECT_EQ(window.recordset()->search()->answer, c.answer);
    EXPECT_EQ(catalogue.scalar("SELECT count(*) FROM dorvi;"), std::to_string(accentedBooks.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, WindowStatesTheSearch,
    ::testing::Values(
        AnswerAsTyped{"author", "NICCOLÒ", "NICCOLÒ"},
        AnswerAsTyped{"doubled_quotes", "D'Annunzio'", "D''Annunzio''"},
        AnswerAsTyped{"spaces_kept", "  a ", "  a "},
        AnswerAsTyped{"injection_stays_a_value", "x' or '1'='1", "x'' or ''1''=''1"},
        AnswerAsTyped{"lone_quote", "a'b", "a''b"},
        AnswerAsTyped{"second_statement", "a'; delete from dorvi;", "a''; delete from dorvi;"},
        AnswerAsTyped{"unterminated", "a;", "a;"},
        AnswerAsTyped{"percent_signs", "%1 %2", "%1 %2"}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the window's own searches run under the letter rule: a statement text of the
// same shape, given with no search, runs as it is written and compares as the
// column's collation does (A-Z without regard to case, other letters exactly).
TEST(LetterRuleSearch, IsAskedForNeverReadBackFromStatementText)
{
    TestCatalogue catalogue(accentedBooks);
    EXPECT_EQ(openRecordset(catalogue.path(), "select * from dorvi where autore='NICCOLÒ MACHIAVELLI';")->rowCount(),
              1u);
    EXPECT_EQ(openRecordset(catalogue.path(), "SELECT * FROM dorvi WHERE autore = 'NICCOLÒ MACHIAVELLI';")->rowCount(),
              1u);
    EXPECT_EQ(openSearch(catalogue.path(), ExactSearch{"dorvi", "autore", "NICCOLÒ MACHIAVELLI"})->rowCount(), 2u);
}

// A column with the binary collation, as a hand-made catalogue may have: the
// letter rule holds there too, and the engine still reports a missing column.
TEST(LetterRuleSearch, HoldsOnBinaryColumnsAndLeavesOthersAlone)
{
    TestCatalogue catalogue(TestCatalogue::Books{});
    catalogue.exec("CREATE TABLE libri (id INTEGER PRIMARY KEY, nome TEXT, anno INTEGER, altro TEXT COLLATE RTRIM);"
                   "INSERT INTO libri (nome, anno, altro) VALUES ('Niccolò', 1513, 'a'), ('NICCOLÒ', 1532, 'A  '),"
                   " ('niccolo', 1500, 'b');");
    EXPECT_EQ(openSearch(catalogue.path(), ExactSearch{"libri", "nome", "niccolò"})->rowCount(), 2u);
    EXPECT_EQ(openSearch(catalogue.path(), ExactSearch{"libri", "anno", "1513"})->rowCount(), 1u)
        << "a number column compares as before";
    EXPECT_EQ(openSearch(catalogue.path(), ExactSearch{"libri", "altro", "a"})->rowCount(), 2u)
        << "trailing spaces still count as the column's collation says";
    try {
        openSearch(catalogue.path(), ExactSearch{"libri", "manca", "x"});
        ADD_FAILURE() << "a missing column was searched";
    } catch (const Error& error) {
        EXPECT_EQ(error.number(), ErrorNumber::ColumnMissing);
    }
}

std::string shell(const std::string& path, const std::string& sql)
{
    QProcess process;
    process.start(QStringLiteral(SQLITE3_SHELL), {QString::fromStdString(path), QString::fromStdString(sql)});
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return "failed: " + process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().trimmed().toStdString();
}

// The program writes, the shell changes and checks, the program searches and
// writes again, the shell checks again: the file never holds anything of ours
// the shell cannot read.
TEST(StockShell, ReadsChangesAndChecksTheCatalogueTheProgramWrote)
{
    TestCatalogue catalogue(accentedBooks);
    auto rs = openSearch(catalogue.path(), ExactSearch{"dorvi", "titolo", "ΟΔΥΣΣΕΙΑ ΚΑΙ ΙΛΙΑΔΑ ΤΟΥ ΟΜΗΡΟΥ"});
    ASSERT_EQ(rs->rowCount(), 2u) << "a search that calls the letter rule on the connection";
    auto all = openRecordset(catalogue.path(), "select * from dorvi;");
    all->update(0, 1, std::string("NICCOLÒ MACHIAVELLI"));
    all->addNew(2, std::string("Mandragola"));

    EXPECT_EQ(shell(catalogue.path(), "PRAGMA integrity_check;"), "ok");
    EXPECT_EQ(shell(catalogue.path(), "SELECT count(*) FROM dorvi WHERE autore = 'niccolÒ machiavelli';"), "2");
    EXPECT_EQ(shell(catalogue.path(), "UPDATE dorvi SET autore = 'niccolò machiavelli' WHERE iddorvo = 3;"
                                      "SELECT count(*) FROM sqlite_schema WHERE sql LIKE '%same_letters%';"),
              "0");

    EXPECT_EQ(openSearch(catalogue.path(), ExactSearch{"dorvi", "autore", "Niccolò Machiavelli"})->rowCount(), 3u);
    auto again = openRecordset(catalogue.path(), "select * from dorvi;");
    again->remove(again->rowCount() - 1);
    EXPECT_EQ(shell(catalogue.path(), "PRAGMA integrity_check; SELECT count(*) FROM dorvi;"),
              "ok\n" + std::to_string(accentedBooks.size()));
}

} // namespace
