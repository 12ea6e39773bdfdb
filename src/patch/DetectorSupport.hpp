#pragma once

#include "patch/FamilyDetectors.hpp"

#include <concepts>
#include <string>
#include <utility>

namespace ventora::DetectorSupport {

/// A byte of the table, 0 when outside it; callers check ranges where 0 would be accepted.
[[nodiscard]] inline std::uint8_t byteAt(ByteView data, std::int64_t offset) {
    return ByteUtils::isRangeValid(data, offset, 1) ? data[static_cast<std::size_t>(offset)] : 0;
}

inline void note(MessageSink messages, std::string line) {
    if (messages != nullptr) {
        messages->push_back(std::move(line));
    }
}

/// A line whose text is only built when someone listens.
template <std::invocable Build> void note(MessageSink messages, Build&& buildLine) {
    if (messages != nullptr) {
        messages->push_back(std::forward<Build>(buildLine)());
    }
}

/// Rejection with a fixed reason.
[[nodiscard]] inline PowerPlayLayout reject(MessageSink messages, const char* reason) {
    if (messages != nullptr) {
        messages->emplace_back(reason);
    }
    return PowerPlayLayout::unsupported();
}

/// Rejection whose reason names a value; the text is only built when someone listens.
template <std::invocable Build>
[[nodiscard]] PowerPlayLayout reject(MessageSink messages, Build&& buildReason) {
    if (messages != nullptr) {
        messages->push_back(std::forward<Build>(buildReason)());
    }
    return PowerPlayLayout::unsupported();
}

} // namespace ventora::DetectorSupport

namespace ventora::DetectorSupport {

/// One checked field of a fixed-shape table: its width in bytes and the inclusive bounds its
/// little-endian value must lie in. A field outside the table never holds.
struct FieldRule {
    std::int64_t offset;
    int width;
    std::uint32_t minimum;
    std::uint32_t maximum;
};

[[nodiscard]] constexpr FieldRule equals(std::int64_t offset, int width, std::uint32_t value) {
    return {offset, width, value, value};
}

[[nodiscard]] constexpr FieldRule within(std::int64_t offset, int width, std::uint32_t minimum,
                                         std::uint32_t maximum) {
    return {offset, width, minimum, maximum};
}

/// True when every rule holds, checked in order.
[[nodiscard]] bool allHold(ByteView data, std::span<const FieldRule> rules);

} // namespace ventora::DetectorSupport
