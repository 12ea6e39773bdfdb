#include "devicepath/WindowsLocationPath.hpp"

#include "core/HexFormat.hpp"
#include "devicepath/DevicePathSyntax.hpp"
#include "devicepath/HexNumber.hpp"

namespace ventora::DevicePathDetector {
namespace {

constexpr std::string_view rootPrefix = "PCIROOT(";
constexpr std::string_view pciPrefix = "PCI(";
constexpr std::string_view acpiPrefix = "ACPI(";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The text between `prefix` and a final ")" when it is `minimum` to `maximum` hex digits.
std::optional<std::uint32_t> hexBody(std::string_view node, std::string_view prefix,
                                     std::size_t minimum, std::size_t maximum) {
    if (!node.starts_with(prefix) || !node.ends_with(')')) {
        return std::nullopt;
    }
    return parseHexOfWidth(node.substr(prefix.size(), node.size() - prefix.size() - 1), minimum,
                           maximum);
}

// PCIROOT(r)#PCI(ddff)#...: every number hexadecimal, device dd and function ff.
std::optional<std::string> convertPciRootLine(std::string_view line) {
    std::size_t hash = line.find('#');
    const auto root = hexBody(line.substr(0, hash), rootPrefix, 1, 8);
    if (!root || hash == std::string_view::npos) {
        return std::nullopt;
    }
    std::string path = "PciRoot(" + hexOffset(*root) + ")";
    while (hash != std::string_view::npos) {
        line.remove_prefix(hash + 1);
        hash = line.find('#');
        const auto node = hexBody(line.substr(0, hash), pciPrefix, 4, 4);
        if (!node) {
            return std::nullopt;
        }
        path += "/Pci(" + hexOffset(*node >> 8) + "," + hexOffset(*node & 0xFF) + ")";
    }
    return canonicalDevicePropertiesPath(path);
}

} // namespace

std::optional<std::string> canonicalFromLocationPaths(std::string_view text) {
    std::optional<std::string_view> pciRootLine;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = start;
        while (end < text.size() && !isBlank(text[end])) {
            ++end;
        }
        const std::string_view word = text.substr(start, end - start);
        start = end + 1;
        if (word.empty() || word.starts_with(acpiPrefix)) {
            continue;
        }
        if (!word.starts_with(rootPrefix) || pciRootLine) {
            return std::nullopt;
        }
        pciRootLine = word;
    }
    return pciRootLine ? convertPciRootLine(*pciRootLine) : std::nullopt;
}

std::string acceptTypedDevicePath(std::string_view text) {
    return canonicalFromLocationPaths(text).value_or(std::string(text));
}

} // namespace ventora::DevicePathDetector
