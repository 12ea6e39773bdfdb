#pragma once

#include "core/ByteUtils.hpp"
#include "core/GpuFamily.hpp"
#include "core/PatchMode.hpp"

#include <cstddef>
#include <cstdint>

namespace ventora::test {

/// Builders of synthetic PowerPlay tables, one per family, laid out from the documented
/// structures. Each returns a table that its family detector accepts, with the common header's
/// size equal to the length; a test then changes only the fields it is about. Bytes that no
/// check reads are filled from `fillSeed`, so property tests can vary them.

/// Stores the low `width` bytes of `value` little-endian at `offset`; `put` throws when the
/// field does not fit (a test's own edits), `fit` leaves out whatever does not (builders asked
/// for truncated structures).
void put(Bytes& table, std::size_t offset, int width, std::uint32_t value);
void fit(Bytes& table, std::size_t offset, int width, std::uint32_t value);

inline constexpr std::uint16_t defaultPolarisFanTableOffset = 0x180;
inline constexpr std::uint16_t defaultVega10FanTableOffset = 0x140;

[[nodiscard]] Bytes polarisTable(std::size_t length = 640,
                                 std::uint16_t fanTableOffset = defaultPolarisFanTableOffset,
                                 std::uint32_t fillSeed = 1);
[[nodiscard]] Bytes vega10Table(std::uint8_t fanTableRevision = 11, std::size_t length = 600,
                                std::uint16_t fanTableOffset = defaultVega10FanTableOffset,
                                std::uint32_t fillSeed = 1);
[[nodiscard]] Bytes vega20Table(std::uint32_t fillSeed = 1);
[[nodiscard]] Bytes navi10Table(std::uint32_t fillSeed = 1);
[[nodiscard]] Bytes rdna2Table(std::uint8_t formatRevision = 15, std::size_t length = 2470,
                               std::uint32_t fillSeed = 1);

/// A valid table of the family with its builder's defaults.
[[nodiscard]] Bytes tableOfFamily(GpuFamily family, std::uint32_t fillSeed = 1);

/// `table` of `family` as a preset must leave it: the enable flag set or cleared and, for a
/// fan-stop preset, the thresholds in the family's width; every other byte as it was. For
/// Polaris and Vega 10 the fields follow the fan table offset stored in the table itself.
[[nodiscard]] Bytes presetApplied(Bytes table, GpuFamily family, PatchMode mode);

} // namespace ventora::test
