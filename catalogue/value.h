#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <variant>

namespace catalogue {

// Bytes that the engine holds as a BLOB: kept apart from text so that the two are
// never compared or written back as each other.
struct Blob {
    std::string bytes;
    auto operator<=>(const Blob&) const = default;
};

// One cell as the engine gave it. NULL (monostate) and the empty text differ.
using Value = std::variant<std::monostate, std::int64_t, double, std::string, Blob>;

inline bool isNull(const Value& value) { return std::holds_alternative<std::monostate>(value); }

} // namespace catalogue
