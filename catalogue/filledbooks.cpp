// Books completed from what a service knows of them: only their empty fields and a
// missing cover are written, through the result the grid shows, and the whole
// completion is one step of Annulla.
#include "filledbooks.h"

#include "booklabel.h"
#include "connection.h"
#include "coverhistory.h"
#include "error.h"
#include "fieldnames.h"
#include "fieldschema.h"
#include "history.h"
#include "recordset.h"
#include "textblanks.h"
#include "transaction.h"
#include "valuerules.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

namespace catalogue {

namespace {

int columnNamed(const Recordset& shown, const std::string& name)
{
    for (int c = 0; c < shown.columnCount(); ++c) {
        if (sameColumnName(shown.columnName(c), name))
            return c;
    }
    return -1;
}

// The rows of the books shown, by iddorvo: read in one pass, not one a book, and
// read again when a row has moved (a book another program deleted leaves the rows).
class BookRows {
public:
    explicit BookRows(const Recordset& shown) : m_shown(shown), m_column(columnNamed(shown, "iddorvo")) {}

    std::optional<std::size_t> find(std::int64_t book)
    {
        if (m_column < 0)
            return std::nullopt;
        if (const auto row = known(book))
            return row;
        m_rows.clear();
        for (std::size_t row = 0; row < m_shown.rowCount(); ++row) {
            const Value id = m_shown.value(row, m_column);
            if (const auto* number = std::get_if<std::int64_t>(&id))
                m_rows.emplace(*number, row);
        }
        return known(book);
    }

private:
    std::optional<std::size_t> known(std::int64_t book) const
    {
        const auto found = m_rows.find(book);
        if (found == m_rows.end() || found->second >= m_shown.rowCount() ||
            m_shown.value(found->second, m_column) != Value(book))
            return std::nullopt;
        return found->second;
    }

    const Recordset& m_shown;
    int m_column;
    std::unordered_map<std::int64_t, std::size_t> m_rows;
};

std::string plainText(const Value& value)
{
    if (const auto* text = std::get_if<std::string>(&value))
        return *text;
    if (const auto* whole = std::get_if<std::int64_t>(&value))
        return std::to_string(*whole);
    if (const auto* real = std::get_if<double>(&value)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", *real);
        std::string text = buffer;
        for (char& c : text)
            if (c == '.')
                c = ',';
        return text;
    }
    return {};
}

// Why a rule refused a value a service gave, in a few words.
std::string refusal(const ValueReading& reading)
{
    switch (reading.problem) {
    case Misreading::NotNumber:
        return "non è un numero";
    case Misreading::NotWhole:
        return "non è un numero intero";
    case Misreading::NotDate:
        return "non è una data";
    case Misreading::NotYesNo:
        return "non è né sì né no";
    case Misreading::NotRating:
        return "non è un voto da 1 a 5";
    case Misreading::NotIsbn:
        return reading.detail.empty() ? "non è un ISBN valido" : reading.detail;
    case Misreading::None:
        break;
    }
    return {};
}

std::string completionText(std::size_t books)
{
    return books == 1 ? std::string("completamento da ISBN")
                      : "completamento da ISBN di " + grouped(books) + " libri";
}

// A cover for a book whose fields all got written meanwhile: written alone, in a
// transaction of its own.
std::optional<CoverChange> writeCoverAlone(const std::string& path, const Cover& cover)
{
    Connection connection = Connection::openedForWriting(path);
    sqlite3* db = connection.handle();
    Transaction transaction(db);
    if (readCover(db, cover.book))
        return std::nullopt;
    storeCover(db, cover);
    transaction.commit();
    return CoverChange{cover.book, std::nullopt, cover};
}

class BookWriter {
public:
    BookWriter(Recordset& shown, const std::string& path, std::vector<CoverChange>& covers, FillOutcome& outcome)
        : m_shown(shown), m_rows(shown), m_path(path), m_covers(covers), m_outcome(outcome)
    {
    }

    // Another program may have written the book since it was read: the row then
    // shows what the file holds, and the fields still empty there are tried once more.
    void write(const BookFill& fill)
    {
        for (int attempt = 0;; ++attempt) {
            try {
                writeOnce(fill);
                return;
            } catch (const Error& error) {
                if (error.number() == ErrorNumber::RowGone) {
                    m_outcome.gone.push_back(fill.label);
                    return;
                }
                if (error.number() != ErrorNumber::RowChanged || attempt > 0)
                    throw;
            }
        }
    }

private:
    void writeOnce(const BookFill& fill)
    {
        const std::optional<std::size_t> row = m_rows.find(fill.book);
        if (!row) {
            m_outcome.gone.push_back(fill.label);
            return;
        }
        Recordset::Cells cells;
        std::vector<std::string> filledMeanwhile;
        for (const FieldFill& field : fill.fields) {
            const int column = columnNamed(m_shown, field.field);
            if (column < 0 || !isEmptyValue(m_shown.value(*row, column)))
                filledMeanwhile.push_back(fill.label + ": " + field.field);
            else
                cells.emplace_back(column, field.value);
        }
        std::optional<CoverChange> cover;
        if (cells.empty()) {
            if (fill.cover)
                cover = writeCoverAlone(m_path, *fill.cover);
        } else {
            m_shown.update(*row, cells, [&](sqlite3* db) {
                if (fill.cover && !readCover(db, fill.book)) {
                    storeCover(db, *fill.cover);
                    cover = CoverChange{fill.book, std::nullopt, *fill.cover};
                }
            });
        }
        m_outcome.leftAlone.insert(m_outcome.leftAlone.end(), filledMeanwhile.begin(), filledMeanwhile.end());
        m_outcome.fields += cells.size();
        if (cover) {
            m_covers.push_back(*std::move(cover));
            ++m_outcome.covers;
        }
        if (!cells.empty() || cover)
            ++m_outcome.books;
    }

    Recordset& m_shown;
    BookRows m_rows;
    const std::string& m_path;
    std::vector<CoverChange>& m_covers;
    FillOutcome& m_outcome;
};

} // namespace

bool isEmptyValue(const Value& value)
{
    if (isNull(value))
        return true;
    const auto* text = std::get_if<std::string>(&value);
    return text && withoutBlanks(*text).empty();
}

BookFill planFill(const Recordset& shown, std::size_t row, std::int64_t book, const std::vector<FoundValue>& found)
{
    BookFill fill;
    fill.book = book;
    fill.label = bookLabel(shown.columnNames(), shown.rowValues(row));
    for (const FoundValue& value : found) {
        if (withoutBlanks(value.text).empty())
            continue;
        const int column = columnNamed(shown, value.field);
        if (column < 0) {
            fill.leftOut.push_back({value.field, value.text, "il catalogo non ha questo campo"});
            continue;
        }
        if (!isEmptyValue(shown.value(row, column)))
            continue;
        const FieldKind kind = fieldKindOf(shown.columnName(column), shown.columnDeclaredType(column));
        const ValueReading reading = readValue(kind, value.text);
        if (!reading.accepted()) {
            fill.leftOut.push_back({shown.columnName(column), value.text, refusal(reading)});
            continue;
        }
        if (isEmptyValue(reading.value))
            continue;
        const std::optional<std::string> shownText = shownValue(kind, reading.value);
        fill.fields.push_back(
            {shown.columnName(column), reading.value, shownText ? *shownText : plainText(reading.value)});
    }
    // In the order of the catalogue's columns, as the grid and the card show them.
    std::stable_sort(fill.fields.begin(), fill.fields.end(), [&](const FieldFill& a, const FieldFill& b) {
        return columnNamed(shown, a.field) < columnNamed(shown, b.field);
    });
    return fill;
}

FillOutcome writeFills(Recordset& shown, History& history, const std::string& path, const std::vector<BookFill>& fills)
{
    std::size_t books = 0;
    for (const BookFill& fill : fills)
        books += fill.writesAnything() ? 1 : 0;
    const std::string text = completionText(books);
    const std::size_t mark = history.mark();
    std::vector<CoverChange> covers;
    FillOutcome outcome;
    const auto join = [&] {
        history.joinSince(mark, text, covers.empty() ? nullptr : coverStep(path, std::move(covers), text));
    };
    try {
        BookWriter writer(shown, path, covers, outcome);
        for (const BookFill& fill : fills) {
            if (fill.writesAnything())
                writer.write(fill);
        }
    } catch (...) {
        join();
        throw;
    }
    join();
    return outcome;
}

} // namespace catalogue
