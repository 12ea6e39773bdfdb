#include "devicepath/GpuIdentityTables.hpp"

#include <array>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace ventora::DevicePathDetector {
namespace {

using DeviceIDSet = std::unordered_set<int>;

// The supported device ids of each PowerPlay family, in the order family() tries them.
// Built on first use; function-local statics make that safe when several threads ask.
const std::array<std::pair<GpuFamily, DeviceIDSet>, 5>& supportedDeviceIDSets() {
    static const std::array<std::pair<GpuFamily, DeviceIDSet>, 5> sets{{
        {GpuFamily::rdna2, {0x73A0, 0x73A1, 0x73A2, 0x73A3, 0x73A5, 0x73A8, 0x73A9, 0x73AB, 0x73AC,
                            0x73AD, 0x73AE, 0x73AF, 0x73BF, 0x73C0, 0x73C1, 0x73C3, 0x73DA, 0x73DB,
                            0x73DC, 0x73DD, 0x73DE, 0x73DF, 0x73E0, 0x73E1, 0x73E2, 0x73E3, 0x73E8,
                            0x73E9, 0x73EA, 0x73EB, 0x73EC, 0x73ED, 0x73EF, 0x73FF}},
        {GpuFamily::polaris,
         {0x67C4, 0x67C7, 0x67DF, 0x6FDF, 0x67E3, 0x67EF, 0x67FF, 0x6981, 0x6985, 0x6987, 0x6995,
          0x699F}},
        {GpuFamily::vega10, {0x687F, 0x6863, 0x6868, 0x6861}},
        {GpuFamily::vega20, {0x66AF, 0x66A1}},
        {GpuFamily::navi10, {0x731F, 0x7312, 0x7340, 0x7341}},
    }};
    return sets;
}

// Physical device id -> the id macOS is to see; each pair stays within one family.
const std::unordered_map<int, int>& spoofMap() {
    static const std::unordered_map<int, int> map{
        {0x6981, 0x67E3}, {0x6985, 0x67E3}, {0x6995, 0x67E3}, {0x6987, 0x67FF},
        {0x699F, 0x67FF}, {0x73A5, 0x73BF}, {0x73AF, 0x73BF}, {0x73EF, 0x73FF},
    };
    return map;
}

} // namespace

std::optional<GpuFamily> family(int deviceID) {
    for (const auto& [gpuFamily, ids] : supportedDeviceIDSets()) {
        if (ids.contains(deviceID)) {
            return gpuFamily;
        }
    }
    return std::nullopt;
}

std::optional<int> spoofDeviceID(int physicalDeviceID) {
    const auto& map = spoofMap();
    const auto found = map.find(physicalDeviceID);
    return found == map.end() ? std::nullopt : std::optional<int>(found->second);
}

Bytes littleEndianDeviceIDData(int deviceID) {
    const auto id = static_cast<unsigned>(deviceID);
    return {static_cast<std::uint8_t>(id & 0xFF), static_cast<std::uint8_t>((id >> 8) & 0xFF), 0x00,
            0x00};
}

const Bytes& noGfxSpoofData() {
    static const Bytes data{0x01, 0x00, 0x00, 0x00};
    return data;
}

std::optional<int> sourcePhysicalDeviceID(GpuFamily powerPlayFamily,
                                          const std::optional<PciIdentity>& source) {
    if (!source || !source->isAmd() || family(source->deviceID) != powerPlayFamily) {
        return std::nullopt;
    }
    return source->deviceID;
}

} // namespace ventora::DevicePathDetector
