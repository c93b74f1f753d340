#pragma once

#include "rowstore.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace catalogue {

class Recordset;

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
    void recordEdit(const Recordset& shown, int column, RowStore::Packed before, RowStore::Packed after,
                    std::size_t row);
    void recordAddition(const Recordset& shown, RowStore::Packed row, std::size_t position);
    void recordDeletion(const Recordset& shown, const std::vector<RowStore::Packed>& rows,
                        const std::vector<std::size_t>& positions);

    bool canUndo() const { return !m_done.empty(); }
    bool canRedo() const { return !m_undone.empty(); }
    // The change the next undo or redo concerns, in words ("modifica di «autore»",
    // "eliminazione di 3 libri"); empty when there is none.
    std::string undoText() const;
    std::string redoText() const;

    // Each is one short write through `shown`, checked against what the change left
    // in the file (or, to do it again, what it found there). Throws Error with
    // nothing written; a change that another program has made impossible leaves the
    // history, while one refused for any other reason (a locked file) stays.
    void undo(Recordset& shown);
    void redo(Recordset& shown);

    // Told after every change to what undo and redo would do.
    void setOnChanged(std::function<void()> onChanged) { m_onChanged = std::move(onChanged); }

    class Change;

private:
    void push(std::unique_ptr<Change> change);
    void replay(std::vector<std::unique_ptr<Change>>& from, std::vector<std::unique_ptr<Change>>& to,
                void (Change::*write)(Recordset&), Recordset& shown);
    void notify();

    std::vector<std::unique_ptr<Change>> m_done;   ///< the last one is undone first
    std::vector<std::unique_ptr<Change>> m_undone; ///< the last one is done again first
    std::function<void()> m_onChanged;
};

} // namespace catalogue
