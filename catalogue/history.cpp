// The undo history. Each change keeps copies of the rows it concerns (packed as the
// result set packs them, a few hundred bytes for a cell, about 75 bytes a book for
// a deletion) and never a position it relies on: positions are only hints for
// finding a row shown, so the history survives every new listing. Invariant: the
// changes in m_done are in the file, in order; those in m_undone were taken back,
// the last taken back at the end.
#include "history.h"

#include "error.h"
#include "recordset.h"

#include <numeric>

namespace catalogue {

namespace {

// A cell edit keeps two rows: a first block the size of a page, not of a fetch.
constexpr std::size_t smallBlockBytes = 512;

bool isConflict(const Error& error)
{
    return error.number() == ErrorNumber::RowChanged || error.number() == ErrorNumber::RowGone ||
           error.number() == ErrorNumber::DuplicateKey;
}

// "4.751": the grouping an Italian reader expects.
std::string grouped(std::size_t count)
{
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ".");
    return digits;
}

} // namespace

// One change written by the user, as it can be undone and done again.
class History::Change {
public:
    explicit Change(const Recordset& shown, std::size_t rowsKept)
        : m_columns(shown.columnNames()),
          m_rows(shown.columnCount(), rowsKept > 4 ? 64 * 1024 : smallBlockBytes)
    {
    }
    virtual ~Change() = default;

    virtual std::string text() const = 0;
    void undo(Recordset& shown)
    {
        checkColumns(shown);
        undoIn(shown);
    }
    void redo(Recordset& shown)
    {
        checkColumns(shown);
        redoIn(shown);
    }

protected:
    virtual void undoIn(Recordset& shown) = 0;
    virtual void redoIn(Recordset& shown) = 0;

    // The rows are written back by column position, so the result shown must have
    // the columns the change was made in.
    void checkColumns(const Recordset& shown) const
    {
        if (shown.columnNames() != m_columns) {
            throw Error(ErrorNumber::NotUpdatable,
                        "Le colonne mostrate non sono quelle in cui è stata fatta la modifica: non si può "
                        "annullare né ripetere finché non si torna a «Gestione».");
        }
    }

    std::vector<std::string> m_columns;
    RowStore m_rows;
};

namespace {

class CellEdit : public History::Change {
public:
    CellEdit(const Recordset& shown, int column, RowStore::Packed before, RowStore::Packed after, std::size_t row)
        : Change(shown, 2), m_column(column), m_row(row)
    {
        m_rows.append(m_rows.copy(before));
        m_rows.append(m_rows.copy(after));
    }
    std::string text() const override { return "modifica di «" + m_columns[m_column] + "»"; }

protected:
    void undoIn(Recordset& shown) override { write(shown, 1, 0); }
    void redoIn(Recordset& shown) override { write(shown, 0, 1); }

private:
    void write(Recordset& shown, std::size_t from, std::size_t to)
    {
        shown.rewrite(m_rows.rowValues(from), m_column, m_rows.value(to, m_column), m_row);
    }

    int m_column;
    std::size_t m_row; ///< where the book was shown, a hint
};

class BookAddition : public History::Change {
public:
    BookAddition(const Recordset& shown, RowStore::Packed row, std::size_t position)
        : Change(shown, 1), m_position(position)
    {
        m_rows.append(m_rows.copy(row));
    }
    std::string text() const override { return "aggiunta di un libro"; }

protected:
    void undoIn(Recordset& shown) override { shown.removeBooks(m_rows, {m_position}); }
    void redoIn(Recordset& shown) override { shown.restore(m_rows, {m_position}); }

private:
    std::size_t m_position;
};

class BookDeletion : public History::Change {
public:
    BookDeletion(const Recordset& shown, const std::vector<RowStore::Packed>& rows,
                 const std::vector<std::size_t>& positions)
        : Change(shown, rows.size()), m_positions(positions)
    {
        for (RowStore::Packed row : rows)
            m_rows.append(m_rows.copy(row));
    }
    std::string text() const override
    {
        const std::size_t count = m_rows.size();
        return count == 1 ? "eliminazione di un libro" : "eliminazione di " + grouped(count) + " libri";
    }

protected:
    void undoIn(Recordset& shown) override { shown.restore(m_rows, m_positions); }
    void redoIn(Recordset& shown) override { shown.removeBooks(m_rows, m_positions); }

private:
    std::vector<std::size_t> m_positions; ///< where the books were shown, ascending
};

} // namespace

History::History() = default;
History::~History() = default;

void History::recordEdit(const Recordset& shown, int column, RowStore::Packed before, RowStore::Packed after,
                         std::size_t row)
{
    push(std::make_unique<CellEdit>(shown, column, before, after, row));
}

void History::recordAddition(const Recordset& shown, RowStore::Packed row, std::size_t position)
{
    push(std::make_unique<BookAddition>(shown, row, position));
}

void History::recordDeletion(const Recordset& shown, const std::vector<RowStore::Packed>& rows,
                             const std::vector<std::size_t>& positions)
{
    push(std::make_unique<BookDeletion>(shown, rows, positions));
}

void History::push(std::unique_ptr<Change> change)
{
    m_done.push_back(std::move(change));
    m_undone.clear();
    notify();
}

std::string History::undoText() const
{
    return m_done.empty() ? std::string() : m_done.back()->text();
}

std::string History::redoText() const
{
    return m_undone.empty() ? std::string() : m_undone.back()->text();
}

void History::undo(Recordset& shown)
{
    replay(m_done, m_undone, &Change::undo, shown);
}

void History::redo(Recordset& shown)
{
    replay(m_undone, m_done, &Change::redo, shown);
}

// Writes the last change of `from` through `write` and moves it to `to`. A change
// another program has made impossible is dropped; any other refusal keeps it.
void History::replay(std::vector<std::unique_ptr<Change>>& from, std::vector<std::unique_ptr<Change>>& to,
                     void (Change::*write)(Recordset&), Recordset& shown)
{
    if (from.empty())
        return;
    try {
        (from.back().get()->*write)(shown);
    } catch (const Error& error) {
        if (isConflict(error)) {
            from.pop_back();
            notify();
        }
        throw;
    }
    to.push_back(std::move(from.back()));
    from.pop_back();
    notify();
}

void History::notify()
{
    if (m_onChanged)
        m_onChanged();
}

} // namespace catalogue
