#pragma once

#include <optional>
#include <string_view>

namespace ventora {

/// The supported GPU families. Their raw values are the family names used in every message.
enum class GpuFamily { rdna2, polaris, vega10, vega20, navi10 };

[[nodiscard]] std::string_view rawValue(GpuFamily family);

/// Exact, case-sensitive match of one of the five raw values; anything else has no family.
[[nodiscard]] std::optional<GpuFamily> gpuFamilyFromRawValue(std::string_view raw);

} // namespace ventora
