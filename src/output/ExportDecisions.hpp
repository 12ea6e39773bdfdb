#pragma once

#include "core/CancellationToken.hpp"
#include "core/GpuFamily.hpp"
#include "core/PlatformContext.hpp"
#include "core/SpptDocument.hpp"
#include "devicepath/DevicePathDetector.hpp"

#include <optional>
#include <string>
#include <vector>

namespace ventora {

/// The export's three decisions about identity: whether the source may be patched for this
/// family at all, which DeviceProperties path the output uses, and whether a device-id spoof
/// is injected. Each appends its messages, in order, to the export's list.
namespace ExportDecisions {

inline constexpr const char* fallbackDevicePath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";

struct PathDecision {
    /// In canonical form, as the config and the snippet key it.
    std::string devicePath;
    std::optional<DetectedGPU> localGPU;
};

struct SpoofDecision {
    std::optional<int> spoofDeviceID;
    bool noGfxSpoof = false;
    std::string identitySourceLabel;
};

/// Throws when the source ROM names an AMD device of another supported family than the
/// patched table's.
void checkSourceIdentity(const SpptDocument& document, GpuFamily family);

/// A usable override is authoritative; otherwise the local GFX0 path is used only when the
/// GPU found there is the source GPU, and the generic fallback path in every other case.
[[nodiscard]] PathDecision decideDevicePath(const SpptDocument& document, GpuFamily family,
                                            const std::optional<std::string>& override,
                                            std::vector<std::string>& messages,
                                            const CancellationToken* token,
                                            const PlatformContext& context);

/// Decided from the trusted physical id of the source alone, never from the host GPU.
[[nodiscard]] SpoofDecision decideSpoof(const SpptDocument& document,
                                        std::optional<int> physicalDeviceID,
                                        std::vector<std::string>& messages);

} // namespace ExportDecisions
} // namespace ventora
