#pragma once

#include "core/ByteUtils.hpp"
#include "core/CancellationToken.hpp"
#include "core/GpuFamily.hpp"
#include "core/PciIdentity.hpp"
#include "core/PlatformContext.hpp"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventora {

/// A supported AMD GPU found or confirmed at a device path. Detection only produces
/// records with vendor 0x1002 and a device id whose family is known.
struct DetectedGPU {
    std::string path;
    int vendorID;
    int deviceID;
    GpuFamily family;

    bool operator==(const DetectedGPU&) const = default;
};

/// Works out the OpenCore DeviceProperties path of this machine's GPU through gfxutil and
/// the I/O Registry (macOS) or sysfs (Linux), and holds the fixed knowledge about supported
/// device ids, the device-id spoof map and the path syntax. Stateless: every call starts
/// afresh; nothing throws, and the detection operations report through exactly one appended
/// log line.
namespace DevicePathDetector {

/// The path in canonical form (PciRoot(0x..)/Pci(0x..,0x..)..., upper-case digits, no
/// leading zeros), or absent when the text is not a complete, valid path.
[[nodiscard]] std::optional<std::string> canonicalDevicePropertiesPath(std::string_view text);

/// The PowerPlay family of an AMD device id, or absent when the id is not supported.
[[nodiscard]] std::optional<GpuFamily> family(int deviceID);

/// The device id OpenCore is to inject for a physical device id, when there is one.
[[nodiscard]] std::optional<int> spoofDeviceID(int physicalDeviceID);

/// The id's two low bytes in little-endian order, then two zero bytes.
[[nodiscard]] Bytes littleEndianDeviceIDData(int deviceID);

/// The value of the no-gfx-spoof property: 01 00 00 00.
[[nodiscard]] const Bytes& noGfxSpoofData();

/// The source file's device id when it may be trusted as the identity of the card whose
/// table of family `powerPlayFamily` is patched: an AMD vendor id and a device id of that
/// very family.
[[nodiscard]] std::optional<int> sourcePhysicalDeviceID(GpuFamily powerPlayFamily,
                                                        const std::optional<PciIdentity>& source);

/// Automatic detection: from sysfs when the context has it (Linux), else gfxutil's GFX0 first,
/// then the I/O Registry. `sourceDeviceID`, the loaded source's AMD device id during an
/// export, picks among several GPUs in sysfs when exactly one of them has it.
[[nodiscard]] std::optional<std::string>
detectPath(std::vector<std::string>& messages, const CancellationToken* token,
           const PlatformContext& context = PlatformContext::fromSystem(),
           std::optional<int> sourceDeviceID = std::nullopt);

/// Confirms a supported AMD GPU at a typed path, through sysfs when the context has it, else
/// through gfxutil or the I/O Registry.
[[nodiscard]] std::optional<DetectedGPU>
detectGPU(std::string_view path, std::vector<std::string>& messages, const CancellationToken* token,
          const PlatformContext& context = PlatformContext::fromSystem());

/// The canonical path of Windows Device Manager's "Location paths" text
/// (PCIROOT(0)#PCI(0101)#PCI(0000), hexadecimal numbers); when both of its lines were pasted,
/// the PCIROOT one is used. Absent for any other text.
[[nodiscard]] std::optional<std::string> canonicalFromLocationPaths(std::string_view text);

/// A typed path as the rest of the program is to see it: Windows location paths in canonical
/// form, anything else unchanged.
[[nodiscard]] std::string acceptTypedDevicePath(std::string_view text);

} // namespace DevicePathDetector
} // namespace ventora
