#include "patch/ZeroRpmPatcher.hpp"

#include "patch/FamilyDetector.hpp"
#include "patch/PresetProcedures.hpp"

namespace ventora {
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

} // namespace

std::string PatchResult::patchStatus() const {
    if (changedByteCount > 0) {
        return "APPLIED";
    }
    return gpuFamily ? "ALREADY_MATCHED_OR_NO_BYTE_CHANGE" : "NOT_APPLIED_UNSUPPORTED_LAYOUT";
}

std::optional<PowerPlayLayout> ZeroRpmPatcher::detectLayout(ByteView data, MessageSink messages) {
    if (data.size() < smallestTable) {
        return std::nullopt;
    }
    // Lines are only built when someone listens: the VBIOS header scan calls this silently at
    // every byte position.
    const auto log = [messages](auto buildLine) {
        if (messages != nullptr) {
            messages->push_back(buildLine());
        }
    };
    const std::uint16_t size = ByteUtils::readUInt16LE(data, 0);
    const auto revision = [&] {
        return std::to_string(data[2]) + "." + std::to_string(data[3]);
    };
    log([&] {
        return "PowerPlay header: size=" + std::to_string(size) + " bytes, revision=" + revision() +
               ".";
    });
    if (size == 0 || size != data.size()) {
        log([] {
            return std::string("Declared PowerPlay size is invalid or differs from the loaded "
                               "bytes. Automatic patching was blocked.");
        });
        return std::nullopt;
    }
    const FamilyDescription* family = FamilyDescriptions::forRevisions(data[2], data[3]);
    if (family == nullptr) {
        log([&] {
            return "Unsupported PowerPlay table revision for automatic patching: " + revision() +
                   ".";
        });
        return std::nullopt;
    }
    return FamilyDetector::detect(*family, data, messages);
}

PatchResult ZeroRpmPatcher::apply(const SpptDocument& input, PatchMode mode) {
    PatchResult result{input.data, mode, std::nullopt, 0, {}};
    appendPreamble(result.messages);
    if (const auto layout = detectLayout(result.data, &result.messages)) {
        PresetProcedures::run(result.data, *layout, mode, result.messages);
        result.gpuFamily = layout->family;
    } else {
        result.messages.emplace_back("Automatic patcher does not support this PowerPlay table "
                                     "revision. Output generation was blocked to avoid unsafe "
                                     "bytes.");
    }
    result.changedByteCount = ByteUtils::changedByteCount(input.data, result.data);
    result.messages.push_back("Patch status: " + result.patchStatus() + ".");
    result.messages.push_back("Preset: " + result.presetName() + ".");
    result.messages.push_back("Changed bytes: " + std::to_string(result.changedByteCount) + ".");
    if (result.changedByteCount > 0) {
        result.messages.emplace_back("Preset applied successfully to the PowerPlay/SPPT bytes.");
    }
    return result;
}

} // namespace ventora
