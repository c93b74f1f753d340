#pragma once

#include "history.h"
#include "importedbooks.h"

#include <memory>
#include <string>

namespace bookimport {

// Books found by ISBN and added, with their covers, as one change of Annulla.
// Taking it back removes the books (their covers go with them) only while each is
// as it was, or refuses whole; doing it again puts the books back, then their
// covers.
class FoundBookStep : public catalogue::History::Step {
public:
    // `covers` may be null: no book came with one.
    FoundBookStep(std::unique_ptr<catalogue::ImportedBooks> books, std::unique_ptr<catalogue::History::Step> covers,
                  std::string text);

    std::string text() const override { return m_text; }
    std::size_t books() const override { return m_books->books(); }
    bool undo(catalogue::Recordset& shown, const std::function<bool(std::size_t)>& progress) override;
    bool redo(catalogue::Recordset& shown, const std::function<bool(std::size_t)>& progress) override;

private:
    std::unique_ptr<catalogue::ImportedBooks> m_books;
    std::unique_ptr<catalogue::History::Step> m_covers;
    std::string m_text;
};

} // namespace bookimport
