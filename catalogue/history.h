#pragma once

#include "rowstore.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace catalogue {

class Recordset;

// "4.751": a count as an Italian reader groups it, for the history's texts.
std::string grouped(std::size_t count);

// What the user has written in this run of the program, change by change, so each
// can be taken back and done again: a changed cell, an added book, a deletion of
// any number of books. It lives in memory only and outlasts the results it was
// recorded from, so its books are found again by their key.
class History {
public:
    History();
    ~History();
    History(const History&) = delete;
    History& operator=(const History&) = delete;

    // Called by the result set once each write is in the file. A new change ends
    // whatever could still be done again.
    void recordEdit(const Recordset& shown, std::vector<int> columns, RowStore::Packed before, RowStore::Packed after,
                    std::size_t row);
    void recordAddition(const Recordset& shown, RowStore::Packed row, std::size_t position);
    // `rows` were packed in `store`, the result's own rows: a deletion of most of
    // them keeps them where they lie, with no copy.
    void recordDeletion(const Recordset& shown, const RowStore& store, const std::vector<RowStore::Packed>& rows,
                        const std::vector<std::size_t>& positions);

    // A change of a kind kept by a unit of its own (an import of many books, a field
    // added, renamed or removed): it keeps what it needs and writes it back itself,
    // or through the result shown; the history only orders it among the others.
    class Step {
    public:
        virtual ~Step() = default;
        virtual std::string text() const = 0;
        virtual std::size_t books() const = 0;
        virtual bool undo(Recordset& shown, const std::function<bool(std::size_t)>& progress) = 0;
        virtual bool redo(Recordset& shown, const std::function<bool(std::size_t)>& progress) = 0;
    };
    void recordStep(std::unique_ptr<Step> step);

    // One command that writes several times (a loan of three books: six cells, and
    // the loans' own table beside them) is one change to undo. Every change
    // recorded since `mark()` is joined into one, called `text`, with `besides`
    // (may be null) done after them and undone before them. An undo refused half
    // way writes the changes it had taken back again, so the joined change stays
    // whole in the file or wholly taken back; a change that cannot be written again
    // either is named in the error ("Il libro «Titolo» di Autore, n. 12 non è stato
    // rimesso com'era"), with why.
    std::size_t mark() const { return m_done.size(); }
    void joinSince(std::size_t mark, std::string text, std::unique_ptr<Step> besides);

    bool canUndo() const { return !m_done.empty(); }
    bool canRedo() const { return !m_undone.empty(); }
    // The change the next undo or redo concerns, in words ("modifica di «autore»",
    // "eliminazione di 3 libri"); empty when there is none.
    std::string undoText() const;
    std::string redoText() const;
    // How many books the next undo or redo writes, for its progress.
    std::size_t undoBooks() const;
    std::size_t redoBooks() const;

    // Each is one write through `shown`, the result the grid shows, checked against
    // every value the change left in the file (or, to do it again, found there).
    // Throws Error with nothing written, and the change stays where it was, to be
    // tried again once the cause is gone. Returns false, with nothing written, when
    // `progress` stops it.
    using Progress = std::function<bool(std::size_t done)>;
    bool undo(Recordset& shown, const Progress& progress = {});
    bool redo(Recordset& shown, const Progress& progress = {});

    // Forgets every change, undone or not: the file they were written to has been
    // replaced whole (a restore), so none of them can be checked against it any
    // more. The restore itself is taken back by restoring the copy it made.
    void clear();

    // Told after every change to what undo and redo would do.
    void setOnChanged(std::function<void()> onChanged) { m_onChanged = std::move(onChanged); }

    class Change;

private:
    void push(std::unique_ptr<Change> change);
    bool replay(std::vector<std::unique_ptr<Change>>& from, std::vector<std::unique_ptr<Change>>& to,
                bool (Change::*write)(Recordset&, const Progress&), Recordset& shown, const Progress& progress);
    void notify();

    std::vector<std::unique_ptr<Change>> m_done;   ///< the last one is undone first
    std::vector<std::unique_ptr<Change>> m_undone; ///< the last one is done again first
    std::function<void()> m_onChanged;
};

} // namespace catalogue
