#pragma once

#include <memory>

namespace catalogue {

class ChangeEvents;

// A listener's place among a ChangeEvents' listeners, for as long as this handle
// lives: destroying or cancelling it removes the listener, at once, also in the
// middle of a notification. It may outlive the events it was given by.
class Subscription {
public:
    Subscription() = default;
    Subscription(std::weak_ptr<ChangeEvents> events, unsigned long long id);
    Subscription(Subscription&& other) noexcept;
    Subscription& operator=(Subscription&& other) noexcept;
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription();

    void cancel();
    bool active() const;

private:
    std::weak_ptr<ChangeEvents> m_events;
    unsigned long long m_id = 0;
};

} // namespace catalogue
