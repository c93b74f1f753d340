#pragma once

#include "subscription.h"

#include <functional>
#include <memory>
#include <vector>

namespace catalogue {
class Catalogue;
}

// The window's tools as listeners of the catalogue's changes: "a book written" is
// what the grid or the card writes, one book at a time; "the catalogue changed" is
// every other change (books added, removed or written many at once, the fields,
// the file). Each listener stays subscribed as long as the window lives.
class CatalogueListeners {
public:
    explicit CatalogueListeners(std::shared_ptr<catalogue::Catalogue> catalogue);
    ~CatalogueListeners();

    void whenBookWritten(std::function<void()> listener);
    void whenCatalogueChanged(std::function<void()> listener);

    // Before the whole catalogue is listed again: a change that the command making
    // it has not announced (a tool that only asks for the listing) is announced as
    // one of the whole file, so no listener keeps what it read before.
    void beforeRelist();
    // A command of the window starts or ends: what it announced is its own.
    void commandBoundary() { m_changeTold = false; }

private:
    std::shared_ptr<catalogue::Catalogue> m_catalogue;
    std::vector<catalogue::Subscription> m_subscriptions;
    catalogue::Subscription m_watch;
    bool m_changeTold = false; ///< the fields or the file announced changed in this command
};
