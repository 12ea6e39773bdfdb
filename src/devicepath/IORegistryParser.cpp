#include "devicepath/IORegistryParser.hpp"

#include "core/Ascii.hpp"
#include "core/HexFormat.hpp"
#include "core/PciIdentity.hpp"
#include "devicepath/DevicePathSyntax.hpp"
#include "devicepath/GpuIdentityTables.hpp"
#include "devicepath/HexNumber.hpp"

#include <algorithm>
#include <cstdint>
#include <map>

namespace ventora::DevicePathDetector {
namespace {

using Ascii::hexDigitValue;
using Ascii::isHexDigit;

constexpr std::string_view nodeMarker = "+-o ";

/// One entry of the ancestry stack: the node's indentation column and its printed name.
struct Node {
    int depth;
    std::string name;
};

// Hex digits without sign or prefix; absent when empty or beyond 64-bit signed.
std::optional<std::int64_t> readUnsignedHex(std::string_view digits) {
    const auto value = parsePaddedHex(digits, 16);
    if (!value || *value > static_cast<std::uint64_t>(INT64_MAX)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*value);
}

// The usual integer reading in base 16: an optional sign, then at least one hex digit.
std::optional<std::int64_t> readSignedHex(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) {
        text.remove_prefix(1);
    }
    const auto magnitude = readUnsignedHex(text);
    if (!magnitude) {
        return std::nullopt;
    }
    return negative ? -*magnitude : *magnitude;
}

// The name before the first "@", upper-cased.
std::string nodeStem(std::string_view name) {
    return Ascii::uppercased(name.substr(0, name.find('@')));
}

// The id of a PCI root named PCIx, or PCxx (hexadecimal), before any "@".
std::optional<int> pciRootUID(std::string_view name) {
    const std::string stem = nodeStem(name);
    if (stem.size() != 4 || !stem.starts_with("PC")) {
        return std::nullopt;
    }
    if (stem.starts_with("PCI")) {
        return isHexDigit(stem[3]) ? std::optional<int>(hexDigitValue(stem[3])) : std::nullopt;
    }
    if (!isHexDigit(stem[2]) || !isHexDigit(stem[3])) {
        return std::nullopt;
    }
    return hexDigitValue(stem[2]) * 16 + hexDigitValue(stem[3]);
}

// The (device, function) address after the last "@": "1F" or "1C,4".
std::optional<std::pair<int, int>> parseHexPair(std::string_view name) {
    const std::size_t at = name.rfind('@');
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view address = name.substr(at + 1);
    const std::size_t comma = address.find(',');
    const std::string_view devicePart = address.substr(0, comma);
    if (devicePart.empty()) {
        return std::nullopt;
    }
    const auto device = readSignedHex(devicePart);
    if (!device || *device < 0 || *device > 31) {
        return std::nullopt;
    }
    if (comma == std::string_view::npos) {
        return std::pair{static_cast<int>(*device), 0};
    }
    const std::string_view functionPart = address.substr(comma + 1);
    if (functionPart.empty() || functionPart.find(',') != std::string_view::npos) {
        return std::nullopt;
    }
    const auto function = readSignedHex(functionPart);
    if (!function || *function < 0 || *function > 7) {
        return std::nullopt;
    }
    return std::pair{static_cast<int>(*device), static_cast<int>(*function)};
}

// The OpenCore path of the last node of `stack`, from the shallowest PCI root down.
std::optional<std::string> convertStackToOpenCorePath(const std::vector<Node>& stack) {
    if (stack.empty() || !parseHexPair(stack.back().name)) {
        return std::nullopt;
    }
    auto node = stack.begin();
    std::optional<int> rootID;
    for (; node != stack.end() && !rootID; ++node) {
        rootID = pciRootUID(node->name);
    }
    if (!rootID) {
        return std::nullopt;
    }
    std::string path = "PciRoot(" + hexOffset(static_cast<std::uint64_t>(*rootID)) + ")";
    bool contributed = false;
    // Nodes without a readable address, such as those without "@", add no hop.
    for (; node != stack.end(); ++node) {
        if (const auto pair = parseHexPair(node->name)) {
            path += "/Pci(" + hexOffset(static_cast<std::uint64_t>(pair->first)) + "," +
                    hexOffset(static_cast<std::uint64_t>(pair->second)) + ")";
            contributed = true;
        }
    }
    if (!contributed) {
        return std::nullopt;
    }
    return path;
}

// Number of characters (code points) in front of the node marker.
int columnOf(std::string_view prefix) {
    return static_cast<int>(std::count_if(prefix.begin(), prefix.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The first blank-separated token after the marker; empty when there is none.
std::string nameToken(std::string_view afterMarker) {
    const std::size_t start = afterMarker.find_first_not_of(' ');
    if (start == std::string_view::npos) {
        return {};
    }
    const std::size_t end = afterMarker.find(' ', start);
    return std::string(
        afterMarker.substr(start, end == std::string_view::npos ? end : end - start));
}

// A 16-bit id from an ioreg data value: <02100000> or <df67>.
std::optional<int> littleEndianPciId(std::string_view line) {
    const std::size_t open = line.find('<');
    const std::size_t close = open == std::string_view::npos ? open : line.find('>', open + 1);
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    std::string digits;
    for (const char c : line.substr(open + 1, close - open - 1)) {
        if (isHexDigit(c)) {
            digits.push_back(c);
        }
    }
    if (digits.size() != 4 && digits.size() != 8) {
        return std::nullopt;
    }
    std::vector<int> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(hexDigitValue(digits[i]) * 16 + hexDigitValue(digits[i + 1]));
    }
    if (bytes.size() == 4 && (bytes[2] != 0 || bytes[3] != 0)) {
        return std::nullopt;
    }
    return bytes[0] + 256 * bytes[1];
}

// The hexadecimal number after the first "0x" of the line.
std::optional<std::int64_t> textualHexValue(std::string_view line) {
    const std::size_t prefix = line.find("0x");
    if (prefix == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = line.substr(prefix + 2);
    const std::size_t end = std::find_if_not(rest.begin(), rest.end(), isHexDigit) - rest.begin();
    return readUnsignedHex(rest.substr(0, end));
}

// The id on a vendor-id or device-id line: a data value first, else a 0x number up to 0xFFFF.
std::optional<int> propertyId(std::string_view lowerCaseLine) {
    if (const auto id = littleEndianPciId(lowerCaseLine)) {
        return id;
    }
    const auto value = textualHexValue(lowerCaseLine);
    if (value && *value <= 0xFFFF) {
        return static_cast<int>(*value);
    }
    return std::nullopt;
}

// True when `word` occurs other than as part of "subsystem-" + `word`: the subsystem ids
// name the board's maker (Sapphire, XFX, ...), not the GPU, and must not overwrite its ids.
[[nodiscard]] bool mentionsOwnId(std::string_view lowerCaseLine, std::string_view word) {
    constexpr std::string_view subsystem = "subsystem-";
    for (std::size_t at = lowerCaseLine.find(word); at != std::string_view::npos;
         at = lowerCaseLine.find(word, at + 1)) {
        if (at < subsystem.size() ||
            lowerCaseLine.substr(at - subsystem.size(), subsystem.size()) != subsystem) {
            return true;
        }
    }
    return false;
}

/// The node whose property lines are being read, with what they told so far.
struct OpenCandidate {
    std::vector<Node> stack;
    std::optional<int> vendorID;
    std::optional<int> deviceID;
    bool vendorPropertySeen = false;

    void readPropertyLine(std::string_view line) {
        const std::string lowered = Ascii::lowercased(line);
        if (mentionsOwnId(lowered, "vendor-id")) {
            vendorPropertySeen = true;
            vendorID = propertyId(lowered);
        }
        if (mentionsOwnId(lowered, "device-id")) {
            deviceID = propertyId(lowered);
        }
    }
};

void finalizeCandidate(const OpenCandidate& candidate,
                       std::map<std::string, RegistryTarget>& targets) {
    const auto built = convertStackToOpenCorePath(candidate.stack);
    const auto path = built ? canonicalDevicePropertiesPath(*built) : std::nullopt;
    if (!path) {
        return;
    }
    targets.insert_or_assign(*path,
                             RegistryTarget{*path, candidate.vendorID, candidate.deviceID,
                                            candidate.vendorPropertySeen,
                                            nodeStem(candidate.stack.back().name) == "GFX0"});
}

} // namespace

std::vector<RegistryTarget> parseIORegistryTargets(std::string_view text) {
    std::vector<Node> stack;
    std::optional<OpenCandidate> candidate;
    std::map<std::string, RegistryTarget> targets;
    for (const std::string_view line : Ascii::lines(text)) {
        const std::size_t marker = line.find(nodeMarker);
        if (marker == std::string_view::npos) {
            if (candidate) {
                candidate->readPropertyLine(line);
            }
            continue;
        }
        if (candidate) {
            finalizeCandidate(*candidate, targets);
        }
        const int depth = columnOf(line.substr(0, marker));
        while (!stack.empty() && stack.back().depth >= depth) {
            stack.pop_back();
        }
        stack.push_back({depth, nameToken(line.substr(marker + nodeMarker.size()))});
        candidate = OpenCandidate{stack, std::nullopt, std::nullopt, false};
    }
    if (candidate) {
        finalizeCandidate(*candidate, targets);
    }
    std::vector<RegistryTarget> sorted;
    sorted.reserve(targets.size());
    for (auto& [path, target] : targets) {
        sorted.push_back(std::move(target));
    }
    return sorted;
}

std::optional<std::string> parseIORegistry(std::string_view text) {
    const auto targets = parseIORegistryTargets(text);
    std::vector<const RegistryTarget*> gfx0Candidates;
    for (const auto& target : targets) {
        if (target.isGFX0 && (!target.vendorPropertySeen || target.vendorID == amdVendorID)) {
            gfx0Candidates.push_back(&target);
        }
    }
    if (gfx0Candidates.size() == 1) {
        return gfx0Candidates.front()->path;
    }
    const auto gpus = supportedGPUs(targets);
    if (gpus.size() == 1) {
        return gpus.front().path;
    }
    return std::nullopt;
}

std::vector<DetectedGPU> supportedGPUs(const std::vector<RegistryTarget>& targets) {
    std::map<std::string, DetectedGPU> gpus;
    for (const auto& target : targets) {
        if (target.vendorID != amdVendorID || !target.deviceID) {
            continue;
        }
        if (const auto gpuFamily = family(*target.deviceID)) {
            gpus.insert_or_assign(
                target.path, DetectedGPU{target.path, amdVendorID, *target.deviceID, *gpuFamily});
        }
    }
    std::vector<DetectedGPU> sorted;
    sorted.reserve(gpus.size());
    for (auto& [path, gpu] : gpus) {
        sorted.push_back(std::move(gpu));
    }
    return sorted;
}

} // namespace ventora::DevicePathDetector
