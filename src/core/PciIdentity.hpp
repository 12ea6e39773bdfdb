#pragma once

namespace ventora {

/// AMD's PCI vendor id: the only maker whose GPUs this program patches.
inline constexpr int amdVendorID = 0x1002;

/// A PCI vendor and device id, as a VBIOS image or the driver states them.
struct PciIdentity {
    int vendorID = 0;
    int deviceID = 0;

    [[nodiscard]] bool isAmd() const { return vendorID == amdVendorID; }
    friend bool operator==(const PciIdentity&, const PciIdentity&) = default;
};

} // namespace ventora
