#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace bench {

// splitmix64: tiny, and its sequence does not depend on the standard library, so a
// generated catalogue is the same file on every machine and every day.
class Random {
public:
    explicit Random(std::uint64_t state) : m_state(state) {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    template <std::size_t N>
    const char* pick(const std::array<const char*, N>& from) { return from[below(N)]; }

private:
    std::uint64_t m_state;
};

} // namespace bench
