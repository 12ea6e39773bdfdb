#include "devicepath/SysfsPciTree.hpp"

#include "core/FileSystem.hpp"
#include "core/HexFormat.hpp"
#include "core/PciIdentity.hpp"
#include "devicepath/DevicePathSyntax.hpp"
#include "devicepath/GpuIdentityTables.hpp"
#include "devicepath/HexNumber.hpp"

#include <algorithm>
#include <charconv>
#include <system_error>

namespace ventora::SysfsPciTree {
namespace {

namespace fs = std::filesystem;
using DevicePathDetector::parseHexOfWidth;

constexpr std::size_t largestAttribute = 64;

struct PciFunction {
    unsigned device;
    unsigned function;
};

// A sysfs attribute such as "0x1002\n"; absent when it is missing, unreadable or too long.
std::optional<std::string> readAttribute(const fs::path& path) {
    Bytes bytes;
    try {
        bytes = FileSystem::readWholeFile(path, largestAttribute);
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    if (bytes.size() > largestAttribute) {
        return std::nullopt;
    }
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

std::optional<unsigned> hexAttribute(const fs::path& path) {
    const auto text = readAttribute(path);
    if (!text || !text->starts_with("0x")) {
        return std::nullopt;
    }
    return parseHexOfWidth(std::string_view(*text).substr(2), 1, 8);
}

// "DDDD:BB:dd.f": the kernel's name of a PCI function; the domain may be wider than four
// digits behind a volume management device.
std::optional<PciFunction> parseAddress(std::string_view name) {
    const std::size_t firstColon = name.find(':');
    if (firstColon == std::string_view::npos ||
        !parseHexOfWidth(name.substr(0, firstColon), 4, 8)) {
        return std::nullopt;
    }
    const std::string_view rest = name.substr(firstColon + 1);
    if (rest.size() != 7 || rest[2] != ':' || rest[5] != '.' ||
        !parseHexOfWidth(rest.substr(0, 2), 2, 2) || rest[6] < '0' || rest[6] > '7') {
        return std::nullopt;
    }
    const auto device = parseHexOfWidth(rest.substr(3, 2), 2, 2);
    if (!device || *device >= 0x20) {
        return std::nullopt;
    }
    return PciFunction{*device, static_cast<unsigned>(rest[6] - '0')};
}

// "pciDDDD:BB", the folder of a PCI host bridge.
bool isRootName(std::string_view name) {
    const std::size_t colon = name.find(':');
    return name.starts_with("pci") && colon != std::string_view::npos &&
           parseHexOfWidth(name.substr(3, colon - 3), 4, 8) &&
           parseHexOfWidth(name.substr(colon + 1), 2, 2);
}

std::optional<SysfsGPU> supportedGPU(const fs::path& folder, const std::string& address) {
    const auto pciClass = hexAttribute(folder / "class");
    const auto vendor = hexAttribute(folder / "vendor");
    const auto device = hexAttribute(folder / "device");
    if (!pciClass || (*pciClass >> 16) != 0x03 || vendor != amdVendorID || !device) {
        return std::nullopt;
    }
    const int deviceID = static_cast<int>(*device);
    const auto family = DevicePathDetector::family(deviceID);
    if (!family) {
        return std::nullopt;
    }
    return SysfsGPU{address, amdVendorID, deviceID, *family};
}

fs::path devicesFolder(const fs::path& sysfs) {
    return sysfs / "bus" / "pci" / "devices";
}

// The root's _UID is written in decimal; a string _UID has no PciRoot(0x...) spelling.
std::optional<std::uint32_t> decimalUid(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Sets the result's path from the root folder's _UID and the functions after it.
void formPath(const fs::path& rootFolder, const std::vector<PciFunction>& hops, const SysfsGPU& gpu,
              SysfsDevicePath& result) {
    const std::string rootName = rootFolder.filename().string();
    const fs::path uidFile = rootFolder / "firmware_node" / "uid";
    std::error_code error;
    std::uint32_t uid = 0;
    if (!fs::exists(uidFile, error)) {
        result.rootNote = "PCI root " + rootName + " of the GPU at " + gpu.address +
                          " has no ACPI _UID in sysfs; it is taken as PciRoot(0x0).";
    } else {
        const auto text = readAttribute(uidFile);
        const auto value = text ? decimalUid(*text) : std::nullopt;
        if (!value) {
            result.failure = "PCI root " + rootName + " of the GPU at " + gpu.address +
                             " has the ACPI _UID \"" + text.value_or("") +
                             "\", which is not a decimal number PciRoot(0x...) can hold; no "
                             "DeviceProperties path was formed.";
            return;
        }
        uid = *value;
    }
    std::string text = "PciRoot(" + hexOffset(uid) + ")";
    for (const PciFunction& hop : hops) {
        text += "/Pci(" + hexOffset(hop.device) + "," + hexOffset(hop.function) + ")";
    }
    result.path = DevicePathDetector::canonicalDevicePropertiesPath(text);
}

} // namespace

std::optional<std::vector<SysfsGPU>> supportedGPUs(const fs::path& sysfs) {
    std::error_code error;
    fs::directory_iterator entries(devicesFolder(sysfs), error);
    if (error) {
        return std::nullopt;
    }
    std::vector<SysfsGPU> gpus;
    // Stepping with an error code: a folder that fails half-way ends the list, never throws.
    for (; !error && entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string address = entries->path().filename().string();
        if (!parseAddress(address)) {
            continue;
        }
        if (auto gpu = supportedGPU(entries->path(), address)) {
            gpus.push_back(std::move(*gpu));
        }
    }
    std::sort(gpus.begin(), gpus.end(),
              [](const SysfsGPU& a, const SysfsGPU& b) { return a.address < b.address; });
    return gpus;
}

SysfsDevicePath devicePath(const fs::path& sysfs, const SysfsGPU& gpu) {
    SysfsDevicePath result;
    std::error_code error;
    const fs::path link = devicesFolder(sysfs) / gpu.address;
    const fs::path chain = fs::canonical(link, error);
    const fs::path devices = error ? fs::path() : fs::canonical(sysfs / "devices", error);
    const fs::path relative = error ? fs::path() : chain.lexically_relative(devices);
    if (relative.empty() || !isRootName(relative.begin()->string())) {
        result.failure = "The sysfs entry of the GPU at " + gpu.address +
                         " does not lead to a PCI root under devices; no DeviceProperties path "
                         "was formed.";
        return result;
    }
    std::vector<PciFunction> hops;
    for (auto component = std::next(relative.begin()); component != relative.end(); ++component) {
        const auto hop = parseAddress(component->string());
        if (!hop) {
            result.failure = "The sysfs chain of the GPU at " + gpu.address + " passes through " +
                             component->string() +
                             ", which is not a PCI function; no DeviceProperties path was "
                             "formed.";
            return result;
        }
        hops.push_back(*hop);
    }
    result.describedInAcpi = fs::exists(fs::symlink_status(chain / "firmware_node", error));
    formPath(devices / *relative.begin(), hops, gpu, result);
    return result;
}

fs::path powerPlayTablePath(const fs::path& sysfs, const SysfsGPU& gpu) {
    return devicesFolder(sysfs) / gpu.address / "pp_table";
}

std::string describe(const SysfsGPU& gpu) {
    return std::string(rawValue(gpu.family)) + ", device-id " +
           hexId(static_cast<std::uint64_t>(gpu.deviceID)) + " (" + gpu.address + ")";
}

std::string describe(const std::vector<SysfsGPU>& gpus) {
    std::string text;
    for (const SysfsGPU& gpu : gpus) {
        text += (text.empty() ? "" : "; ") + describe(gpu);
    }
    return text;
}

} // namespace ventora::SysfsPciTree
