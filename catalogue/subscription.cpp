// The handle that keeps a listener of the catalogue's changes subscribed.
#include "subscription.h"

#include "changeevents.h"

#include <utility>

namespace catalogue {

Subscription::Subscription(std::weak_ptr<ChangeEvents> events, unsigned long long id)
    : m_events(std::move(events)), m_id(id)
{
}

Subscription::Subscription(Subscription&& other) noexcept
    : m_events(std::move(other.m_events)), m_id(std::exchange(other.m_id, 0))
{
}

Subscription& Subscription::operator=(Subscription&& other) noexcept
{
    if (this != &other) {
        cancel();
        m_events = std::move(other.m_events);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

Subscription::~Subscription()
{
    cancel();
}

void Subscription::cancel()
{
    if (const auto events = m_events.lock(); events && m_id != 0)
        events->remove(m_id);
    m_events.reset();
    m_id = 0;
}

bool Subscription::active() const
{
    const auto events = m_events.lock();
    return events && m_id != 0 && events->holds(m_id);
}

} // namespace catalogue
