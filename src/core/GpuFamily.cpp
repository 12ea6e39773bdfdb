#include "core/GpuFamily.hpp"

#include <array>
#include <utility>

namespace ventora {
namespace {

constexpr std::array<std::pair<GpuFamily, std::string_view>, 5> rawValues{{
    {GpuFamily::rdna2, "RDNA2"},
    {GpuFamily::polaris, "Polaris"},
    {GpuFamily::vega10, "Vega 10"},
    {GpuFamily::vega20, "Vega 20"},
    {GpuFamily::navi10, "Navi 10"},
}};

} // namespace

std::string_view rawValue(GpuFamily family) {
    for (const auto& [candidate, raw] : rawValues) {
        if (candidate == family) {
            return raw;
        }
    }
    return {};
}

std::optional<GpuFamily> gpuFamilyFromRawValue(std::string_view raw) {
    for (const auto& [family, candidate] : rawValues) {
        if (candidate == raw) {
            return family;
        }
    }
    return std::nullopt;
}

} // namespace ventora
