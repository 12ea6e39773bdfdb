#pragma once

#include "core/GpuFamily.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace ventora {

/// Where the three fields a preset edits sit: the one-byte enable flag and the two
/// temperatures, which are `temperatureWidth` bytes wide (1 or 2, little-endian).
struct FanFields {
    std::int64_t enable;
    std::int64_t stop;
    std::int64_t start;
    int temperatureWidth;
};

/// A table a family accepted: its family, the layout's name as logged, and the fan fields as
/// offsets into the table, all of which lie inside it.
struct PowerPlayLayout {
    /// The fan table a Polaris or Vega 10 table points to, which holds its fan fields.
    struct FanTable {
        std::int64_t offset;
        int revision;
    };

    GpuFamily family;
    std::string name;
    FanFields fields;
    std::optional<FanTable> fanTable;
};

} // namespace ventora
