// The listeners of a catalogue's changes, and the telling of each change to them.
#include "changeevents.h"

#include <algorithm>

namespace catalogue {

Subscription ChangeEvents::subscribe(Listener listener)
{
    m_entries.push_back({++m_lastId, std::make_shared<Listener>(std::move(listener))});
    return Subscription(weak_from_this(), m_lastId);
}

void ChangeEvents::announce(const CatalogueChange& change)
{
    // The listeners of the moment, each kept alive while it runs: a listener may
    // subscribe others, or cancel itself or another, while it is being told.
    const std::vector<Entry> told = m_entries;
    const std::shared_ptr<ChangeEvents> keep = shared_from_this();
    for (const Entry& entry : told) {
        if (holds(entry.id))
            (*entry.listener)(change);
    }
}

void ChangeEvents::remove(unsigned long long id)
{
    std::erase_if(m_entries, [id](const Entry& entry) { return entry.id == id; });
}

bool ChangeEvents::holds(unsigned long long id) const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [id](const Entry& entry) { return entry.id == id; });
}

} // namespace catalogue
