#pragma once

#include "cataloguechange.h"
#include "subscription.h"

#include <functional>
#include <memory>
#include <vector>

namespace catalogue {

// The listeners of one catalogue's changes. Make it with std::make_shared: the
// subscriptions it hands out hold it weakly.
//
// A notification goes to the listeners subscribed when it starts, in the order
// they subscribed; one subscribed during it hears the next change, one removed
// during it (by itself or by another) is not called afterwards.
class ChangeEvents : public std::enable_shared_from_this<ChangeEvents> {
public:
    using Listener = std::function<void(const CatalogueChange&)>;

    [[nodiscard]] Subscription subscribe(Listener listener);
    void announce(const CatalogueChange& change);

private:
    friend class Subscription;
    struct Entry {
        unsigned long long id;
        std::shared_ptr<Listener> listener;
    };
    void remove(unsigned long long id);
    bool holds(unsigned long long id) const;

    std::vector<Entry> m_entries;
    unsigned long long m_lastId = 0;
};

} // namespace catalogue
