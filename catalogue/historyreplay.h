#pragma once

#include "rowstore.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace catalogue {

class BookMatch;
class Recordset;

// The undo history's writes: a change taken back or done again, written through
// the result the grid shows. The history keeps its books by column name, so the
// table may have gained or reordered columns since; a column the change needs and
// the table has lost is named, and the change refused. Every book must still hold
// every value the history kept, or nothing is written. Rows shown are found by
// key, at their hints first, and follow what was written. Each throws Error as
// the result set's own writes do; those taking a Progress return false, with
// nothing written, when it stops them.
class HistoryReplay {
public:
    using Progress = std::function<bool(std::size_t done)>;

    // `recorded` names the columns of the history's rows, in their order.
    HistoryReplay(Recordset& shown, const std::vector<std::string>& recorded);

    // The book kept as row `from` of `rows` gets row `to`'s value in `column`.
    void rewriteCells(const RowStore& rows, std::size_t from, std::size_t to, const std::vector<int>& columns,
                      std::size_t hint);
    // Puts the books back with their own keys, each where it was shown as far as
    // the rows shown still allow.
    bool restoreBooks(const RowStore& rows, const std::vector<std::size_t>& positions, const Progress& progress);
    bool removeBooks(const RowStore& rows, const std::vector<std::size_t>& hints, const Progress& progress);

private:
    void refuseMissing(const BookMatch& match, const RowStore& rows, const std::vector<int>& needed) const;
    bool sameBook(const BookMatch& match, std::size_t shownRow, const RowStore& rows, std::size_t row) const;
    std::optional<std::size_t> shownRow(const BookMatch& match, const RowStore& rows, std::size_t row,
                                        std::size_t hint) const;
    std::vector<std::size_t> shownRows(const BookMatch& match, const RowStore& rows,
                                       const std::vector<std::size_t>& hints) const;
    std::string label(const RowStore& rows, std::size_t row) const;
    std::string shownColumnList() const;

    Recordset& m_shown;
    const std::vector<std::string>& m_recorded;
    std::vector<int> m_shownColumn; ///< for each recorded column, the shown one of that name, or -1
    bool m_sameColumns = true;      ///< the result shows the recorded columns, in their order
};

} // namespace catalogue
