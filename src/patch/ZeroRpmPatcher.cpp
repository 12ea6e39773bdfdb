#include "patch/ZeroRpmPatcher.hpp"

#include "core/GpuFamily.hpp"
#include "patch/FamilyDetectors.hpp"
#include "patch/PresetProcedures.hpp"

namespace ventora::ZeroRpmPatcher {
namespace {

constexpr std::size_t smallestTable = 256;

void appendPreamble(std::vector<std::string>& messages) {
    messages.emplace_back("Mode: DeviceProperties only. SSDT/ACPI generation disabled.");
    messages.emplace_back("Safety: VBIOS flashing code is not present in this app.");
    messages.emplace_back("Internal patcher: built-in PowerPlay edit; no MorePowerTool process, "
                          "driver or helper is used.");
    messages.push_back("Supported GPU targets: " + std::string(supportedGpuTargets) + ".");
    messages.emplace_back("Support is selected by a validated RDNA2, Polaris, Vega 10, Vega 20 or "
                          "Navi 10 PowerPlay table layout, not by one user hardware profile.");
}

std::string_view statusFor(std::int64_t changed, bool supported) {
    if (changed > 0) {
        return "APPLIED";
    }
    return supported ? "ALREADY_MATCHED_OR_NO_BYTE_CHANGE" : "NOT_APPLIED_UNSUPPORTED_LAYOUT";
}

} // namespace

PowerPlayLayout detectLayout(ByteView data, std::vector<std::string>& messages) {
    if (data.size() < smallestTable) {
        return PowerPlayLayout::unsupported();
    }
    const std::uint16_t size = ByteUtils::readUInt16LE(data, 0);
    const std::uint8_t formatRevision = data[2];
    const std::uint8_t contentRevision = data[3];
    const std::string revision =
        std::to_string(formatRevision) + "." + std::to_string(contentRevision);
    messages.push_back("PowerPlay header: size=" + std::to_string(size) +
                       " bytes, revision=" + revision + ".");
    if (size == 0 || size != data.size()) {
        messages.emplace_back("Declared PowerPlay size is invalid or differs from the loaded "
                              "bytes. Automatic patching was blocked.");
        return PowerPlayLayout::unsupported();
    }
    const auto kind = FamilyDetectors::familyForRevisions(formatRevision, contentRevision);
    if (!kind) {
        messages.push_back(
            "Unsupported PowerPlay table revision for automatic patching: " + revision + ".");
        return PowerPlayLayout::unsupported();
    }
    return FamilyDetectors::detect(*kind, data, formatRevision, contentRevision, &messages);
}

PatchResult apply(const SpptDocument& input, PatchMode mode) {
    PatchResult result;
    result.data = input.data;
    appendPreamble(result.messages);

    const PowerPlayLayout layout = detectLayout(result.data, result.messages);
    result.automaticLayoutSupported = layout.isSupported();
    if (result.automaticLayoutSupported) {
        PresetProcedures::run(result.data, layout, mode, result.messages);
        result.gpuFamily = gpuFamily(layout.kind);
    } else {
        result.messages.emplace_back("Automatic patcher does not support this PowerPlay table "
                                     "revision. Output generation was blocked to avoid unsafe "
                                     "bytes.");
    }

    result.changedByteCount = ByteUtils::changedByteCount(input.data, result.data);
    result.patchStatus = statusFor(result.changedByteCount, result.automaticLayoutSupported);
    result.presetName = presetName(mode);
    result.messages.push_back("Patch status: " + result.patchStatus + ".");
    result.messages.push_back("Preset: " + result.presetName + ".");
    result.messages.push_back("Changed bytes: " + std::to_string(result.changedByteCount) + ".");
    if (result.changedByteCount > 0) {
        result.messages.emplace_back("Preset applied successfully to the PowerPlay/SPPT bytes.");
    }
    return result;
}

} // namespace ventora::ZeroRpmPatcher
