#include "core/HexFormat.hpp"
#include "patch/DetectorSupport.hpp"

#include <array>

// Navi 21/22/23 with the SMU 11.0.7 table: recognised by structural guards (table revision,
// SMC PPTable offset, OverDrive signature and counts, field plausibility). The SMC PPTable
// version is logged but deliberately never compared against a list of known versions.

namespace ventora::FamilyDetectors {
namespace {

using namespace DetectorSupport;

constexpr std::int64_t smcOffset = 802;
constexpr std::int64_t minimumLength = 1833;

constexpr std::array fanSanity{within(203, 1, 0, 1), within(1832, 1, 0, 1), within(1790, 2, 0, 125),
                               within(1792, 2, 0, 125)};

constexpr const char* fanOffsetsOutside = "Validated SMU 11.0.7 fan offsets fall outside the "
                                          "loaded table. Automatic patching was blocked.";

} // namespace

PowerPlayLayout detectRdna2Layout(ByteView data, std::uint8_t formatRevision,
                                  std::uint8_t contentRevision, MessageSink messages) {
    const std::uint8_t tableRevision = byteAt(data, 4);
    const std::uint16_t smcPptableOffset = ByteUtils::readUInt16LE(data, 5);
    note(messages, [&] {
        return "RDNA2 PowerPlay details: revision=" + std::to_string(formatRevision) + "." +
               std::to_string(contentRevision) +
               ", table revision=" + std::to_string(tableRevision) +
               ", SMC offset=" + hexOffset(smcPptableOffset) + ".";
    });
    if (tableRevision != 2) {
        return reject(messages, [&] {
            return "Unexpected SMU 11.0.7 table_revision " + std::to_string(tableRevision) +
                   "; expected 2. Automatic patching was blocked.";
        });
    }
    if (smcPptableOffset != smcOffset) {
        return reject(messages, [&] {
            return "Unexpected SMC PPTable offset " + hexOffset(smcPptableOffset) + "; expected " +
                   hexOffset(smcOffset) + ". Automatic patching was blocked.";
        });
    }
    if (!ByteUtils::isRangeValid(data, 182, 44) || byteAt(data, 182) != 0x81) {
        return reject(messages,
                      "SMU 11.0.7 OverDrive table signature/revision is missing or unsupported.");
    }
    if (ByteUtils::readUInt32LE(data, 186) != 16 || ByteUtils::readUInt32LE(data, 190) != 30) {
        return reject(messages, "SMU 11.0.7 OverDrive feature/setting counts do not match the "
                                "validated 0x81 layout.");
    }
    if (!ByteUtils::isRangeValid(data, smcOffset, 4)) {
        return reject(messages, "SMC PPTable header is truncated.");
    }
    note(messages, [&] {
        return "SMC PPTable Version " + std::to_string(ByteUtils::readUInt32LE(data, smcOffset)) +
               " observed; compatibility is determined by the strict SMU 11.0.7 structural "
               "guards, not by a version allowlist.";
    });
    if (static_cast<std::int64_t>(data.size()) < minimumLength) {
        return reject(messages, fanOffsetsOutside);
    }
    if (!allHold(data, fanSanity)) {
        return reject(messages, "SMU 11.0.7 Zero RPM/fan safety fields failed sanity validation. "
                                "Automatic patching was blocked.");
    }
    const PowerPlayLayout layout{
        "Navi 21/22/23 / SMU 11.0.7", PowerPlayLayoutKind::rdna2, smcOffset, 1790, 1792, 1832};
    if (!layout.isInRange(data) || !ByteUtils::isRangeValid(data, 203, 1)) {
        return reject(messages, fanOffsetsOutside);
    }
    note(messages, "Detected supported layout: " + layout.name + ".");
    note(messages, "Validated offsets: Features cap=" + hexOffset(203) +
                       ", StopTemp=" + hexOffset(1790) + ", StartTemp=" + hexOffset(1792) +
                       ", FanZeroRpmEnable=" + hexOffset(1832) + ".");
    note(messages, "SMC FeaturesToRun bit 9 is DPM_XGMI and is intentionally left unchanged.");
    return layout;
}

} // namespace ventora::FamilyDetectors
