#pragma once

#include "covers.h"
#include "history.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace catalogue {

// What a command changed in `copertine`, book by book: the cover as it was and as
// it became, none where there was or is no cover. Annulla puts the covers back as
// they were; Ripeti writes them again.
struct CoverChange {
    std::int64_t book = 0;
    std::optional<Cover> before;
    std::optional<Cover> after;
};

// The covers' part of a change, written on a connection of its own to the
// catalogue at `path`, as the loans' table is; `text` names the change.
std::unique_ptr<History::Step> coverStep(std::string path, std::vector<CoverChange> changes, std::string text);

// The covers of the catalogue at `path` as the card sets and takes them: each
// change written at once, in its own transaction, and recorded in `history` (may be
// null) as one step of Annulla.
class CoverShelf {
public:
    CoverShelf(std::string path, std::shared_ptr<History> history);

    std::optional<Cover> cover(std::int64_t book) const;
    void put(std::int64_t book, std::string image, std::string type, std::string source);
    void take(std::int64_t book);

private:
    void change(std::int64_t book, std::optional<Cover> after, std::string text);

    std::string m_path;
    std::shared_ptr<History> m_history;
};

} // namespace catalogue
