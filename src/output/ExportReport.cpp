#include "output/ExportReport.hpp"

#include "core/HexFormat.hpp"

namespace ventora::ExportReport {
namespace {

std::string hexIdOf(int id) {
    return hexId(static_cast<std::uint64_t>(id));
}

std::vector<std::string> headLines() {
    return {
        "Ventora",
        "Made by the Ventora contributors",
        std::string(72, '='),
        "Security policy:",
        "- No VBIOS flashing.",
        "- No firmware writing.",
        "- DeviceProperties only.",
        "- No telemetry or network upload; bundled gfxutil is used only for read-only PCI path "
        "detection.",
        "",
        "Usage:",
        "- Review the complete DeviceProperties path before using the generated config.plist.",
        "- Detected paths preserve the complete EFI PCI chain; topology varies by machine.",
        "- The bundled config.plist template targets OpenCore MOD/Olarila.",
        "- With official Acidanthera OpenCore, merge Snippets/OpenCore-DeviceProperties.plist "
        "into your existing validated config instead of replacing it.",
        "",
    };
}

std::string sourceGpuLine(const Facts& facts) {
    const std::string family(rawValue(facts.family));
    if (!facts.document.sourceIdentity) {
        return "Loaded source GPU: PowerPlay family " + family +
               " / physical device-id unavailable";
    }
    return "Loaded source GPU: " + family + " / physical device-id " +
           hexIdOf(facts.document.sourceIdentity->deviceID) + " (source VBIOS)";
}

std::string localGpuLine(const Facts& facts) {
    const auto& gpu = facts.path.localGPU;
    if (!gpu) {
        return "Local host GPU detected: unavailable";
    }
    return "Local host GPU detected: " + std::string(rawValue(gpu->family)) + " / device-id " +
           hexIdOf(gpu->deviceID) +
           " (used only to decide whether local GFX0 belongs to the loaded source)";
}

std::vector<std::string> factLines(const Facts& facts) {
    const auto& document = facts.document;
    return {
        "Source: " + document.sourceDescription,
        "SPPT size: " + std::to_string(document.data.size()) + " bytes",
        "Preset: " + facts.patch.presetName(),
        "Patch status: " + facts.patch.patchStatus(),
        "Changed bytes: " + std::to_string(facts.patch.changedByteCount),
        "DeviceProperties path used: " + facts.path.devicePath,
        sourceGpuLine(facts),
        localGpuLine(facts),
        facts.physicalDeviceID
            ? "Confirmed source physical device-id: " + hexIdOf(*facts.physicalDeviceID) + " (" +
                  facts.spoof.identitySourceLabel + ")"
            : "Confirmed source physical device-id: unavailable",
        facts.spoof.spoofDeviceID
            ? "Injected OpenCore device-id spoof: " + hexIdOf(*facts.spoof.spoofDeviceID)
            : "Injected OpenCore device-id spoof: none",
        facts.spoof.noGfxSpoof ? "Injected no-gfx-spoof: <01000000>"
                               : "Injected no-gfx-spoof: none",
        document.sourceIdentity
            ? "Source VBIOS device-id: " + hexIdOf(document.sourceIdentity->deviceID)
            : "Source VBIOS device-id: unavailable",
        "IMPORTANT: Review/confirm this DeviceProperties path before using the generated "
        "config.plist.",
        "Config: config.plist",
        facts.baseConfig ? "Base config: " + facts.baseConfig->filename().string()
                         : "Base config: embedded template (BaseConfig.plist)",
        "",
    };
}

} // namespace

std::string build(const Facts& facts) {
    std::vector<std::string> lines = headLines();
    for (auto& line : factLines(facts)) {
        lines.push_back(std::move(line));
    }
    lines.insert(lines.end(), facts.messages.begin(), facts.messages.end());
    lines.emplace_back();
    lines.insert(lines.end(), facts.patch.messages.begin(), facts.patch.messages.end());
    std::string report;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            report += '\n';
        }
        report += lines[i];
    }
    return report;
}

} // namespace ventora::ExportReport
