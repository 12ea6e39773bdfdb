#pragma once

#include "devicepath/DevicePathDetector.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

/// Reading the text of `ioreg -p IODeviceTree -w0 -l`: the node tree (marker "+-o ",
/// indentation, name token) and the vendor-id / device-id property lines, turned into PCI
/// device candidates with canonical OpenCore paths. Pure functions of the text: nothing is
/// run, logged or thrown; unreadable parts simply yield absent values or dropped candidates.
namespace ventora::DevicePathDetector {

/// One entry of the ancestry stack: the node's indentation column and its printed name.
struct Node {
    int depth;
    std::string name;
};

/// One PCI device candidate, keyed by its canonical path.
struct RegistryTarget {
    std::string path;
    std::optional<int> vendorID;
    std::optional<int> deviceID;
    bool vendorPropertySeen; // a vendor-id line was seen, readable or not
    bool isGFX0;

    bool operator==(const RegistryTarget&) const = default;
};

/// One candidate per distinct canonical path, sorted by path.
[[nodiscard]] std::vector<RegistryTarget> parseIORegistryTargets(std::string_view text);

/// The path automatic detection uses: the one GFX0 whose vendor is AMD or not stated, else
/// the one supported AMD GPU; absent when neither is unique.
[[nodiscard]] std::optional<std::string> parseIORegistry(std::string_view text);

/// The supported AMD GPUs among `targets`, one per path, sorted by path.
[[nodiscard]] std::vector<DetectedGPU> supportedGPUs(const std::vector<RegistryTarget>& targets);

/// The OpenCore path of the last node of `stack`, from the shallowest PCI root down.
[[nodiscard]] std::optional<std::string> convertStackToOpenCorePath(const std::vector<Node>& stack);

/// The id of a PCI root named PCIx, or PCxx (hexadecimal), before any "@".
[[nodiscard]] std::optional<int> pciRootUID(std::string_view name);

/// The (device, function) address after the last "@": "1F" or "1C,4".
[[nodiscard]] std::optional<std::pair<int, int>> parseHexPair(std::string_view name);

/// The name before the first "@", upper-cased.
[[nodiscard]] std::string nodeStem(std::string_view name);

/// A 16-bit id from an ioreg data value: <02100000> or <df67>.
[[nodiscard]] std::optional<int> littleEndianPciId(std::string_view line);

/// The hexadecimal number after the first "0x" of the line.
[[nodiscard]] std::optional<std::int64_t> textualHexValue(std::string_view line);

} // namespace ventora::DevicePathDetector
