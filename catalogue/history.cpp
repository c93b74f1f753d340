// The undo history. Each change keeps the rows it concerns, packed as the result
// set packs them, with the names of their columns, and never a position it relies
// on: positions are only hints for finding a row shown, so the history survives
// every new listing and every column another program adds or moves. A cell edit
// or a small deletion copies its rows (a few hundred bytes, about 75 bytes a
// book); a deletion of most of a result keeps the result's own blocks instead, so
// deleting a million books costs the history 8 bytes a book. Invariant: the
// changes in m_done are in the file, in order; those in m_undone were taken back,
// the last taken back at the end.
#include "history.h"

#include "booklabel.h"
#include "error.h"
#include "historyreplay.h"
#include "recordset.h"

#include <optional>

namespace catalogue {

namespace {

// A cell edit keeps two rows: a first block the size of a page, not of a fetch.
constexpr std::size_t smallBlockBytes = 512;

} // namespace

std::string grouped(std::size_t count)
{
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ".");
    return digits;
}

// One change written by the user, as it can be undone and done again.
class History::Change {
public:
    explicit Change(const Recordset& shown, std::size_t rowsKept)
        : m_columns(shown.columnNames()),
          m_rows(shown.columnCount(), rowsKept > 4 ? 64 * 1024 : smallBlockBytes)
    {
    }
    Change() : m_rows(0, smallBlockBytes) {}
    virtual ~Change() = default;

    virtual std::string text() const = 0;
    virtual std::size_t books() const { return m_rows.size(); }
    virtual bool undo(Recordset& shown, const Progress& progress) = 0;
    virtual bool redo(Recordset& shown, const Progress& progress) = 0;

    // The start of the sentence telling the user that this change could not be
    // written back and what to look at: "Il libro «Titolo» di Autore, n. 12 non è
    // stato rimesso com'era".
    virtual std::string notPutBack() const { return booksNotPutBack(m_rows.size()); }

protected:
    std::string booksNotPutBack(std::size_t count) const
    {
        if (count == 0)
            return "La modifica «" + text() + "» non è stata rimessa com'era";
        const std::string first = bookLabelAndNumber(m_columns, m_rows.rowValues(0));
        if (count == 1)
            return "Il libro " + first + " non è stato rimesso com'era";
        const std::string others = count == 2 ? "un altro" : "altri " + grouped(count - 1);
        return "I libri " + first + " e " + others + " non sono stati rimessi com'erano";
    }

    std::vector<std::string> m_columns; ///< the names of the kept rows' columns
    RowStore m_rows;
};

namespace {

// One or more cells of one book written together (a loan's name and date): taken
// back and done again together, in one statement.
class CellEdit : public History::Change {
public:
    CellEdit(const Recordset& shown, std::vector<int> columns, RowStore::Packed before, RowStore::Packed after,
             std::size_t row)
        : Change(shown, 2), m_changed(std::move(columns)), m_row(row)
    {
        m_rows.append(m_rows.copy(before));
        m_rows.append(m_rows.copy(after));
    }
    std::string text() const override
    {
        std::string names;
        for (const int column : m_changed)
            names += (names.empty() ? "«" : ", «") + m_columns[column] + "»";
        return "modifica di " + names;
    }
    bool undo(Recordset& shown, const History::Progress&) override { return write(shown, 1, 0); }
    bool redo(Recordset& shown, const History::Progress&) override { return write(shown, 0, 1); }
    std::string notPutBack() const override { return booksNotPutBack(1); } // its rows: before and after

private:
    bool write(Recordset& shown, std::size_t from, std::size_t to)
    {
        HistoryReplay(shown, m_columns).rewriteCells(m_rows, from, to, m_changed, m_row);
        return true;
    }

    std::vector<int> m_changed;
    std::size_t m_row; ///< where the book was shown, a hint
};

class BookAddition : public History::Change {
public:
    BookAddition(const Recordset& shown, RowStore::Packed row, std::size_t position)
        : Change(shown, 1), m_positions{position}
    {
        m_rows.append(m_rows.copy(row));
    }
    std::string text() const override { return "aggiunta di un libro"; }
    bool undo(Recordset& shown, const History::Progress& progress) override
    {
        return HistoryReplay(shown, m_columns).removeBooks(m_rows, m_positions, progress);
    }
    bool redo(Recordset& shown, const History::Progress& progress) override
    {
        return HistoryReplay(shown, m_columns).restoreBooks(m_rows, m_positions, progress);
    }

private:
    std::vector<std::size_t> m_positions;
};

class BookDeletion : public History::Change {
public:
    BookDeletion(const Recordset& shown, const RowStore& store, const std::vector<RowStore::Packed>& rows,
                 const std::vector<std::size_t>& positions)
        : Change(shown, rows.size()), m_positions(positions)
    {
        if (keepsInPlace(store, rows)) {
            m_rows.keepBlocksOf(store);
            for (RowStore::Packed row : rows)
                m_rows.append(row);
        } else {
            for (RowStore::Packed row : rows)
                m_rows.append(m_rows.copy(row));
        }
    }
    std::string text() const override
    {
        const std::size_t count = m_rows.size();
        return count == 1 ? "eliminazione di un libro" : "eliminazione di " + grouped(count) + " libri";
    }
    bool undo(Recordset& shown, const History::Progress& progress) override
    {
        return HistoryReplay(shown, m_columns).restoreBooks(m_rows, m_positions, progress);
    }
    bool redo(Recordset& shown, const History::Progress& progress) override
    {
        return HistoryReplay(shown, m_columns).removeBooks(m_rows, m_positions, progress);
    }

private:
    // Keeping the result's blocks costs nothing while the result lives, and after
    // it at most twice the rows kept: only when they are at least half its bytes.
    static bool keepsInPlace(const RowStore& store, const std::vector<RowStore::Packed>& rows)
    {
        if (rows.size() < 1024)
            return false;
        std::size_t bytes = 0;
        for (RowStore::Packed row : rows)
            bytes += store.rowBytes(row);
        return bytes * 2 >= store.blockBytes();
    }

    std::vector<std::size_t> m_positions; ///< where the books were shown, ascending
};

// A step of another unit, as the history keeps its changes.
class StepChange : public History::Change {
public:
    explicit StepChange(std::unique_ptr<History::Step> step) : m_step(std::move(step)) {}
    std::string text() const override { return m_step->text(); }
    std::size_t books() const override { return m_step->books(); }
    bool undo(Recordset& shown, const History::Progress& progress) override { return m_step->undo(shown, progress); }
    bool redo(Recordset& shown, const History::Progress& progress) override { return m_step->redo(shown, progress); }
    std::string notPutBack() const override { return "La parte «" + text() + "» non è stata rimessa com'era"; }

private:
    std::unique_ptr<History::Step> m_step;
};

// Changes recorded one by one and undone as one, with another unit's step beside
// them. Undo goes backwards, redo forwards; a part refused or stopped has the
// parts already replayed replayed back, and the whole stays where it was. Only a
// part that cannot be replayed back either (another program changed its book
// between the two writes) is left, and named in the error.
class JoinedChange : public History::Change {
public:
    JoinedChange(std::vector<std::unique_ptr<History::Change>> parts, std::string text,
                 std::unique_ptr<History::Step> besides)
        : m_parts(std::move(parts)), m_text(std::move(text))
    {
        if (besides)
            m_parts.push_back(std::make_unique<StepChange>(std::move(besides)));
    }
    std::string text() const override { return m_text; }
    std::size_t books() const override
    {
        std::size_t books = 0;
        for (const auto& part : m_parts)
            books += part->books();
        return books;
    }
    bool undo(Recordset& shown, const History::Progress& progress) override
    {
        std::vector<Change*> backwards;
        for (auto part = m_parts.rbegin(); part != m_parts.rend(); ++part)
            backwards.push_back(part->get());
        return replayAll(backwards, &Change::undo, &Change::redo, shown, progress);
    }
    bool redo(Recordset& shown, const History::Progress& progress) override
    {
        std::vector<Change*> forwards;
        for (const auto& part : m_parts)
            forwards.push_back(part.get());
        return replayAll(forwards, &Change::redo, &Change::undo, shown, progress);
    }

private:
    using Write = bool (Change::*)(Recordset&, const History::Progress&);

    static bool replayAll(const std::vector<Change*>& parts, Write write, Write back, Recordset& shown,
                          const History::Progress& progress)
    {
        std::size_t done = 0;
        try {
            for (; done < parts.size(); ++done) {
                if (!(parts[done]->*write)(shown, progress))
                    break;
            }
        } catch (const Error& refused) {
            const std::optional<Error> left = putBack(parts, done, back, shown);
            if (left)
                throw Error(refused.number(), refused.description() + " " + left->description(), refused.engineCode(),
                            refused.engineMessage());
            throw;
        } catch (const std::exception& failure) {
            const std::optional<Error> left = putBack(parts, done, back, shown);
            if (left)
                throw Error(left->number(), unexpectedError(failure).description() + " " + left->description());
            throw;
        } catch (...) {
            if (std::optional<Error> left = putBack(parts, done, back, shown))
                throw *std::move(left);
            throw;
        }
        if (done == parts.size())
            return true;
        if (std::optional<Error> left = putBack(parts, done, back, shown))
            throw *std::move(left);
        return false;
    }

    // The first `done` parts written back the other way, the last first. A part
    // that cannot be (the file changed meanwhile) leaves the change in two halves:
    // the others are still written back, and the error names every part left, so
    // the user knows which books to look at.
    static std::optional<Error> putBack(const std::vector<Change*>& parts, std::size_t done, Write back,
                                        Recordset& shown)
    {
        std::optional<Error> left;
        for (std::size_t part = done; part-- > 0;) {
            try {
                (parts[part]->*back)(shown, {});
            } catch (const Error& refused) {
                addNotPutBack(left, *parts[part], refused);
            } catch (const std::exception& failure) {
                addNotPutBack(left, *parts[part], unexpectedError(failure));
            }
        }
        return left;
    }

    static void addNotPutBack(std::optional<Error>& left, const Change& part, const Error& reason)
    {
        const std::string sentence = part.notPutBack() + ": " + reason.description();
        const ErrorNumber number = left ? left->number() : reason.number();
        const std::string text = left ? left->description() + " " + sentence : sentence;
        left.emplace(number, text);
    }

    std::vector<std::unique_ptr<History::Change>> m_parts;
    std::string m_text;
};

} // namespace

History::History() = default;
History::~History() = default;

void History::recordEdit(const Recordset& shown, std::vector<int> columns, RowStore::Packed before,
                         RowStore::Packed after, std::size_t row)
{
    push(std::make_unique<CellEdit>(shown, std::move(columns), before, after, row));
}

void History::recordAddition(const Recordset& shown, RowStore::Packed row, std::size_t position)
{
    push(std::make_unique<BookAddition>(shown, row, position));
}

void History::recordDeletion(const Recordset& shown, const RowStore& store, const std::vector<RowStore::Packed>& rows,
                             const std::vector<std::size_t>& positions)
{
    push(std::make_unique<BookDeletion>(shown, store, rows, positions));
}

void History::recordStep(std::unique_ptr<Step> step)
{
    push(std::make_unique<StepChange>(std::move(step)));
}

void History::joinSince(std::size_t mark, std::string text, std::unique_ptr<Step> besides)
{
    if (mark > m_done.size())
        mark = m_done.size();
    if (mark == m_done.size() && !besides)
        return;
    const auto first = m_done.begin() + static_cast<std::ptrdiff_t>(mark);
    std::vector<std::unique_ptr<Change>> parts(std::make_move_iterator(first), std::make_move_iterator(m_done.end()));
    m_done.erase(first, m_done.end());
    push(std::make_unique<JoinedChange>(std::move(parts), std::move(text), std::move(besides)));
}

void History::push(std::unique_ptr<Change> change)
{
    m_done.push_back(std::move(change));
    m_undone.clear();
    notify();
}

void History::clear()
{
    m_done.clear();
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

std::size_t History::undoBooks() const
{
    return m_done.empty() ? 0 : m_done.back()->books();
}

std::size_t History::redoBooks() const
{
    return m_undone.empty() ? 0 : m_undone.back()->books();
}

bool History::undo(Recordset& shown, const Progress& progress)
{
    return replay(m_done, m_undone, &Change::undo, shown, progress);
}

bool History::redo(Recordset& shown, const Progress& progress)
{
    return replay(m_undone, m_done, &Change::redo, shown, progress);
}

// Writes the last change of `from` through `write` and moves it to `to`. A refused
// or stopped write leaves it where it was: the other program's change may be
// taken back, the file put back, the index dropped, and the change tried again.
bool History::replay(std::vector<std::unique_ptr<Change>>& from, std::vector<std::unique_ptr<Change>>& to,
                     bool (Change::*write)(Recordset&, const Progress&), Recordset& shown, const Progress& progress)
{
    if (from.empty())
        return false;
    if (!(from.back().get()->*write)(shown, progress))
        return false;
    to.push_back(std::move(from.back()));
    from.pop_back();
    notify();
    return true;
}

void History::notify()
{
    if (m_onChanged)
        m_onChanged();
}

} // namespace catalogue
