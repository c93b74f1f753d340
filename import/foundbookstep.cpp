// Books found by ISBN as one step of Annulla: the books first, their covers after
// them on the way back in and gone with them on the way out.
#include "foundbookstep.h"

namespace bookimport {

FoundBookStep::FoundBookStep(std::unique_ptr<catalogue::ImportedBooks> books,
                             std::unique_ptr<catalogue::History::Step> covers, std::string text)
    : m_books(std::move(books)), m_covers(std::move(covers)), m_text(std::move(text))
{
}

bool FoundBookStep::undo(catalogue::Recordset& shown, const std::function<bool(std::size_t)>& progress)
{
    // A deletion takes the covers of the books it removes in its own transaction;
    // the covers' own undo then only makes sure none is left.
    if (!m_books->undo(shown, progress))
        return false;
    if (m_covers)
        m_covers->undo(shown, progress);
    return true;
}

bool FoundBookStep::redo(catalogue::Recordset& shown, const std::function<bool(std::size_t)>& progress)
{
    // A book refused on its way back (its key taken meanwhile) throws here, and no
    // other book's cover is written.
    if (!m_books->redo(shown, progress))
        return false;
    if (m_covers)
        m_covers->redo(shown, progress);
    return true;
}

} // namespace bookimport
