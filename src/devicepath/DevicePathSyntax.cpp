#include "devicepath/DevicePathSyntax.hpp"

#include "core/HexFormat.hpp"
#include "core/Unicode.hpp"
#include "devicepath/HexNumber.hpp"

#include <cstdint>
#include <utility>

namespace ventora::DevicePathDetector {
namespace {

constexpr std::string_view rootPrefix = "PciRoot(0x";
constexpr std::string_view pciPrefix = "Pci(0x";
constexpr std::string_view functionSeparator = ",0x";

// A non-empty run of hex digits (leading zeros allowed) with at most `maximumDigits`
// significant ones, which keeps it within 32 bits.
std::optional<std::uint32_t> readHex(std::string_view digits, std::size_t maximumDigits) {
    const auto value = parsePaddedHex(digits, maximumDigits);
    return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
}

// Strips `prefix` and a final ")" from `component`; absent when either is missing.
std::optional<std::string_view> bodyBetween(std::string_view component, std::string_view prefix) {
    if (component.size() < prefix.size() + 1 || !component.starts_with(prefix) ||
        !component.ends_with(')')) {
        return std::nullopt;
    }
    return component.substr(prefix.size(), component.size() - prefix.size() - 1);
}

// "PciRoot(0x" HEX ")" with a 32-bit unsigned id.
std::optional<std::uint32_t> parsePciRootComponent(std::string_view component) {
    const auto body = bodyBetween(component, rootPrefix);
    return body ? readHex(*body, 8) : std::nullopt;
}

// "Pci(0x" HEX ",0x" HEX ")" with device 0..31 and function 0..7.
std::optional<std::pair<std::uint8_t, std::uint8_t>> parsePciComponent(std::string_view component) {
    const auto body = bodyBetween(component, pciPrefix);
    if (!body || body->empty()) {
        return std::nullopt;
    }
    const std::size_t separator = body->find(functionSeparator);
    if (separator == std::string_view::npos ||
        body->find(functionSeparator, separator + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    const auto device = readHex(body->substr(0, separator), 2);
    const auto function = readHex(body->substr(separator + functionSeparator.size()), 2);
    if (!device || !function || *device >= 0x20 || *function >= 8) {
        return std::nullopt;
    }
    return std::pair{static_cast<std::uint8_t>(*device), static_cast<std::uint8_t>(*function)};
}

} // namespace

std::optional<std::string> canonicalDevicePropertiesPath(std::string_view text) {
    const std::string_view trimmed = Unicode::trimWhitespace(text);
    const std::size_t firstSlash = trimmed.find('/');
    if (trimmed.empty() || firstSlash == std::string_view::npos) {
        return std::nullopt;
    }
    const auto root = parsePciRootComponent(trimmed.substr(0, firstSlash));
    if (!root) {
        return std::nullopt;
    }
    std::string canonical = "PciRoot(" + hexOffset(*root) + ")";
    std::string_view rest = trimmed.substr(firstSlash + 1);
    for (;;) {
        const std::size_t slash = rest.find('/');
        const auto pci = parsePciComponent(rest.substr(0, slash));
        if (!pci) {
            return std::nullopt;
        }
        canonical += "/Pci(" + hexOffset(pci->first) + "," + hexOffset(pci->second) + ")";
        if (slash == std::string_view::npos) {
            return canonical;
        }
        rest.remove_prefix(slash + 1);
    }
}

} // namespace ventora::DevicePathDetector
