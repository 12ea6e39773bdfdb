#pragma once

#include "core/ByteUtils.hpp"

#include <string_view>

namespace ventora {

/// True when the bytes at `offset` spell `signature` exactly, all of them inside `data`.
[[nodiscard]] inline bool hasRomSignature(ByteView data, std::int64_t offset,
                                          std::string_view signature) {
    const auto length = static_cast<std::int64_t>(signature.size());
    if (!ByteUtils::isRangeValid(data, offset, length)) {
        return false;
    }
    const ByteView bytes = data.subspan(static_cast<std::size_t>(offset), signature.size());
    for (std::size_t i = 0; i < signature.size(); ++i) {
        if (bytes[i] != static_cast<std::uint8_t>(signature[i])) {
            return false;
        }
    }
    return true;
}

} // namespace ventora
