#pragma once

#include "core/ByteUtils.hpp"
#include "core/GpuFamily.hpp"
#include "core/PciIdentity.hpp"

#include <optional>

/// The fixed knowledge about AMD device ids: which are supported, in which PowerPlay family,
/// and which id OpenCore is to inject in place of another.
namespace ventora::DevicePathDetector {

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

} // namespace ventora::DevicePathDetector
