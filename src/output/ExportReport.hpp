#pragma once

#include "core/GpuFamily.hpp"
#include "core/SpptDocument.hpp"
#include "devicepath/DevicePathDetector.hpp"
#include "output/ExportDecisions.hpp"
#include "patch/ZeroRpmPatcher.hpp"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ventora {

/// The plain-text report written as ZeroRPM-Report.txt and shown in the log: a fixed head,
/// the export's facts, then every export message and the patch log.
namespace ExportReport {

struct Facts {
    const SpptDocument& document;
    const PatchResult& patch;
    GpuFamily family;
    const ExportDecisions::PathDecision& path;
    std::optional<int> physicalDeviceID;
    const ExportDecisions::SpoofDecision& spoof;
    const std::vector<std::string>& messages;
    /// The user's own config the export merged into; absent for the shipped template.
    const std::optional<std::filesystem::path>& baseConfig;
};

/// Lines joined by single line feeds, with no line feed after the last.
[[nodiscard]] std::string build(const Facts& facts);

} // namespace ExportReport
} // namespace ventora
