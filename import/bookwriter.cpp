// The books of a source written into `dorvi` inside the caller's transaction; every
// value kept, duplicates looked up first, everything counted in the report.
#include "bookwriter.h"

#include "engineerror.h"
#include "fieldnames.h"
#include "fieldvalues.h"
#include "importfailure.h"
#include "loans.h"
#include "sqltext.h"
#include "statement.h"

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

// Failures that belong to the one book; anything else stops the import.
bool refusesTheBook(int resultCode)
{
    const int primary = resultCode & 0xFF;
    return primary == SQLITE_CONSTRAINT || primary == SQLITE_MISMATCH || primary == SQLITE_TOOBIG;
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
    : m_db(db), m_columns(columns), m_keepDuplicates(keepDuplicates), m_keepLoanLines(keepLoanLines),
      m_report(report), m_duplicates(db)
{
    if (!indexOf(m_columns, "aggiunto_il")) {
        m_columns.emplace_back("aggiunto_il");
        m_today = today();
    }
    catalogue::Statement types(db, "SELECT name, type FROM pragma_table_info('dorvi')");
    m_rules.assign(m_columns.size(), ValueRule::Text);
    m_values.resize(m_columns.size());
    while (types.step()) {
        const std::string name = reinterpret_cast<const char*>(sqlite3_column_text(types.handle(), 0));
        if (const auto index = indexOf(m_columns, name))
            m_rules[*index] = valueRule(name, reinterpret_cast<const char*>(sqlite3_column_text(types.handle(), 1)));
    }
    std::string names;
    std::string marks;
    for (const std::string& column : m_columns) {
        names += (names.empty() ? "" : ", ") + catalogue::quotedIdentifier(column);
        marks += marks.empty() ? "?" : ", ?";
    }
    const std::string sql = "INSERT INTO dorvi (" + names + ") VALUES (" + marks + ")";
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr);
    m_insert.reset(raw);
    if (rc != SQLITE_OK)
        throw catalogue::engineError(db, rc);
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
    catalogue::Statement book(m_db, "SELECT autore, titolo FROM dorvi WHERE iddorvo = ?");
    book.bind(1, id);
    std::string text;
    if (book.step()) {
        for (int c = 0; c < 2; ++c) {
            if (const auto* value = sqlite3_column_text(book.handle(), c))
                text += (text.empty() ? "" : ", ") + quoted(reinterpret_cast<const char*>(value));
        }
    }
    return text + (text.empty() ? "" : " ") + "(iddorvo " + std::to_string(id) + ")";
}

// Binds every value; false when the book has none to write.
bool BookWriter::bindValues(const SourceBook& book)
{
    sqlite3_stmt* insert = m_insert.get();
    sqlite3_reset(insert);
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
        const int rc = catalogue::bindValue(insert, static_cast<int>(i + 1), value, catalogue::BoundBytes::Kept);
        if (rc != SQLITE_OK)
            throw catalogue::engineError(m_db, rc);
    }
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
    int rc = SQLITE_OK;
    try {
        rc = catalogue::stepChecked(m_insert.get());
    } catch (const catalogue::Error& ended) {
        if (ended.number() != catalogue::ErrorNumber::TransactionEnded)
            throw;
        const std::string named = describe(book);
        throw catalogue::Error(ended.number(),
                               "Importazione fermata a " + book.where + (named.empty() ? "" : " (" + named + ")") +
                                   ". " + ended.description(),
                               ended.engineCode(), ended.engineMessage());
    }
    if (rc == SQLITE_DONE && catalogue::rowsChanged(m_db) > 0)
        return true;
    if (rc == SQLITE_DONE) {
        note(m_report.refusals, [&] {
            return ReportLine{book.where, describe(book), {},
                              "una regola del catalogo (trigger) lo ha scartato senza dire perché: non scritto"};
        });
        return false;
    }
    if (!refusesTheBook(rc))
        throw catalogue::engineError(m_db, rc);
    note(m_report.refusals, [&] {
        return ReportLine{book.where, describe(book), {},
                          std::string("il catalogo rifiuta il libro (") + sqlite3_errmsg(m_db) + "): non scritto"};
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
    sqlite3_set_last_insert_rowid(m_db, book);
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
    const std::int64_t added = sqlite3_last_insert_rowid(m_db);
    recordLoan(added);
    m_duplicates.add(m_identity, added);
    m_lastAdded = added;
}

} // namespace bookimport
