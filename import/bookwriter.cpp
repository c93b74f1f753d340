// The books of a source written into `dorvi` inside the caller's transaction; every
// value kept, duplicates looked up first, everything counted in the report.
#include "bookwriter.h"

#include "fieldnames.h"
#include "fieldvalues.h"
#include "importfailure.h"
#include "loans.h"

#include <algorithm>
#include <ctime>

namespace bookimport {

namespace {

std::optional<std::size_t> indexOf(const std::vector<std::string>& columns, std::string_view name)
{
    const auto found = std::find_if(columns.begin(), columns.end(),
                                    [&](const std::string& column) { return catalogue::sameColumnName(column, name); });
    if (found == columns.end())
        return std::nullopt;
    return static_cast<std::size_t>(found - columns.begin());
}

std::string today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char out[11];
    std::strftime(out, sizeof out, "%Y-%m-%d", &local);
    return out;
}

// The source's columns, and the date each book is added on when the source has
// none (today's, see m_today).
std::vector<std::string> withDateAdded(std::vector<std::string> columns)
{
    if (!indexOf(columns, "aggiunto_il"))
        columns.emplace_back("aggiunto_il");
    return columns;
}

// A line of the report, its text made only while the report still lists lines of
// its kind: past that, finding the matched book's author and title for each of
// 200,000 duplicates was time spent on text nobody keeps.
template <typename MakeLine>
void note(ReportLines& lines, MakeLine&& makeLine)
{
    if (lines.full())
        lines.countUnlisted();
    else
        lines.push_back(makeLine());
}

} // namespace

BookWriter::BookWriter(sqlite3* db, const std::vector<std::string>& columns, bool keepDuplicates,
                       ImportReport& report, bool keepLoanLines)
    : m_db(db), m_columns(withDateAdded(columns)), m_keepDuplicates(keepDuplicates),
      m_keepLoanLines(keepLoanLines), m_report(report), m_duplicates(db), m_insert(db, m_columns)
{
    if (m_columns.size() > columns.size())
        m_today = today();
    m_rules.assign(m_columns.size(), ValueRule::Text);
    m_values.resize(m_columns.size());
    for (const auto& [name, type] : catalogue::columnTypes(db)) {
        if (const auto index = indexOf(m_columns, name))
            m_rules[*index] = valueRule(name, type);
    }
    m_author = indexOf(m_columns, "autore");
    m_title = indexOf(m_columns, "titolo");
    m_isbn = indexOf(m_columns, "isbn");
    m_lentTo = indexOf(m_columns, "prestato_a");
    m_lentSince = indexOf(m_columns, "prestato_il");
}

std::string BookWriter::describe(const SourceBook& book) const
{
    std::string text;
    for (const auto& index : {m_author, m_title}) {
        if (index && *index < book.values.size() && book.values[*index])
            text += (text.empty() ? "" : ", ") + quoted(*book.values[*index]);
    }
    return text;
}

std::string BookWriter::describeBook(std::int64_t id) const
{
    std::string text;
    for (const std::optional<std::string>& value : catalogue::authorAndTitle(m_db, id)) {
        if (value)
            text += (text.empty() ? "" : ", ") + quoted(*value);
    }
    return text + (text.empty() ? "" : " ") + "(iddorvo " + std::to_string(id) + ")";
}

// Binds every value; false when the book has none to write.
bool BookWriter::bindValues(const SourceBook& book)
{
    bool any = false;
    bool changed = false;
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        catalogue::Value& value = m_values[i];
        value = std::monostate{};
        if (i < book.values.size() && book.values[i]) {
            const bool typed = i < book.typed.size() && !catalogue::isNull(book.typed[i]);
            StoredValue stored = typed ? storedValue(m_rules[i], book.typed[i], *book.values[i])
                                       : storedValue(m_rules[i], *book.values[i]);
            if (!stored.change.empty()) {
                note(m_report.changes,
                     [&] { return ReportLine{book.where, describe(book), m_columns[i], stored.change}; });
                changed = true;
            }
            value = std::move(stored.value);
            any = true;
        } else if (i >= book.values.size() && m_today) {
            value = *m_today;
        }
    }
    m_insert.bindBook(m_values);
    for (const SourceNote& told : book.notes) {
        note(m_report.changes, [&] { return ReportLine{book.where, describe(book), told.column, told.reason}; });
        changed = true;
    }
    m_changedValues = changed;
    return any;
}

// A book counts as written only when the engine wrote it: another program's
// trigger may leave it out without an error (RAISE(IGNORE)), or take back the
// whole import (RAISE(ROLLBACK)), which then stops here with nothing written.
bool BookWriter::insert(const SourceBook& book)
{
    catalogue::BookInsert::Outcome outcome;
    try {
        outcome = m_insert.add();
    } catch (const catalogue::Error& ended) {
        if (ended.number() != catalogue::ErrorNumber::TransactionEnded)
            throw;
        const std::string named = describe(book);
        throw catalogue::Error(ended.number(),
                               "Importazione fermata a " + book.where + (named.empty() ? "" : " (" + named + ")") +
                                   ". " + ended.description(),
                               ended.engineCode(), ended.engineMessage());
    }
    if (outcome == catalogue::BookInsert::Outcome::Added)
        return true;
    if (outcome == catalogue::BookInsert::Outcome::LeftOut) {
        note(m_report.refusals, [&] {
            return ReportLine{book.where, describe(book), {},
                              "una regola del catalogo (trigger) lo ha scartato senza dire perché: non scritto"};
        });
        return false;
    }
    note(m_report.refusals, [&] {
        return ReportLine{book.where, describe(book), {},
                          "il catalogo rifiuta il libro (" + m_insert.refusal() + "): non scritto"};
    });
    return false;
}

// A book that arrives lent gets its line in the loans' table, as Presta… writes
// it, in the import's transaction: the card then shows the loan, and the book
// and its line are written together or not at all.
void BookWriter::recordLoan(std::int64_t book)
{
    if (!m_lentTo || !m_lentSince)
        return;
    const auto* to = std::get_if<std::string>(&m_values[*m_lentTo]);
    if (!to || to->find_first_not_of(" ") == std::string::npos)
        return;
    const auto* since = std::get_if<std::string>(&m_values[*m_lentSince]);
    catalogue::LedgerChanges lines =
        catalogue::writeLoanLine(m_db, book, *to, since ? *since : std::string());
    if (m_keepLoanLines)
        m_report.loanLines.insert(m_report.loanLines.end(), std::make_move_iterator(lines.begin()),
                                  std::make_move_iterator(lines.end()));
    // Whoever watches the import (the preview) finds the book just written by the
    // connection's last insert: the book's, not its loan line's.
    catalogue::markLastAdded(m_db, book);
}

void BookWriter::write(const SourceBook& book)
{
    ++m_report.read;
    m_lastAdded.reset();
    m_lastMatch.reset();
    if (!book.refusal.empty()) {
        ++m_report.refused;
        note(m_report.refusals, [&] { return ReportLine{book.where, describe(book), {}, book.refusal}; });
        return;
    }
    const auto valueAt = [&](const std::optional<std::size_t>& index) -> std::optional<std::string_view> {
        if (!index || *index >= book.values.size() || !book.values[*index])
            return std::nullopt;
        return *book.values[*index];
    };
    m_identities.make(m_identity, valueAt(m_isbn), valueAt(m_author), valueAt(m_title));
    if (const auto match = m_duplicates.find(m_identity)) {
        m_lastMatch = match;
        const std::string outcome = m_keepDuplicates ? ": aggiunto lo stesso" : ": non aggiunto";
        note(m_report.duplicates, [&] {
            return ReportLine{book.where, describe(book), {}, "doppione di " + describeBook(*match) + outcome};
        });
        if (!m_keepDuplicates) {
            ++m_report.skipped;
            return;
        }
    }
    if (!bindValues(book)) {
        ++m_report.refused;
        note(m_report.refusals,
             [&] { return ReportLine{book.where, {}, {}, "nessun campo importato ha un valore: non scritta"}; });
        return;
    }
    if (!insert(book)) {
        ++m_report.refused;
        return;
    }
    ++m_report.added;
    m_report.changedBooks += m_changedValues;
    const std::int64_t added = m_insert.addedBook();
    recordLoan(added);
    m_duplicates.add(m_identity, added);
    m_lastAdded = added;
}

} // namespace bookimport
