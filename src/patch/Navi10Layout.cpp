#include "core/HexFormat.hpp"
#include "patch/DetectorSupport.hpp"

#include <array>

// Navi 10 (RX 5600/5700 family, PowerPlay 12.0): accepted only in its one exact 1674-byte
// shape, validated against the RX 5700 XT table, so every fan field sits at a fixed offset.

namespace ventora::FamilyDetectors {
namespace {

using namespace DetectorSupport;

constexpr std::int64_t tableLength = 1674;

constexpr std::array outerHeader{equals(4, 1, 1), equals(5, 2, 482), equals(21, 1, 27)};

constexpr std::array structuralSignature{equals(182, 1, 0x80), equals(186, 4, 14),
                                         equals(190, 4, 30), equals(482, 4, 8)};

constexpr std::array fanSanity{within(203, 1, 0, 1),      within(1156, 1, 0, 1),
                               within(1118, 2, 0, 125),   within(1120, 2, 0, 125),
                               within(1148, 2, 1, 20000), within(1150, 2, 1, 125),
                               within(1154, 1, 0, 15),    within(1157, 1, 1, 16)};

} // namespace

PowerPlayLayout detectNavi10Layout(ByteView data, MessageSink messages) {
    if (static_cast<std::int64_t>(data.size()) != tableLength || !allHold(data, outerHeader)) {
        return reject(messages,
                      "Navi 10 outer PowerPlay header does not match the validated 12.0 layout.");
    }
    if (!allHold(data, structuralSignature)) {
        return reject(messages, "Navi 10 OverDrive/SMC structural signature is not the "
                                "validated RX 5700 XT layout.");
    }
    if (!ByteUtils::isRangeValid(data, 203, 1) || !ByteUtils::isRangeValid(data, 1157, 1)) {
        return reject(messages, "Navi 10 Zero RPM/fan fields are truncated.");
    }
    if (!allHold(data, fanSanity)) {
        return reject(messages, "Navi 10 Zero RPM/fan safety fields failed sanity validation. "
                                "Automatic patching was blocked.");
    }
    const PowerPlayLayout layout{"Navi 10 RX 5600/5700 family / PowerPlay 12.0",
                                 PowerPlayLayoutKind::navi10,
                                 482,
                                 1118,
                                 1120,
                                 1156};
    if (!layout.isInRange(data)) {
        return reject(messages, "Navi 10 Zero RPM/fan fields are truncated.");
    }
    note(messages, "Detected supported layout: " + layout.name + ".");
    note(messages, "Validated offsets: OD ZeroRPM cap=" + hexOffset(203) +
                       ", StopTemp=" + hexOffset(1118) + ", StartTemp=" + hexOffset(1120) +
                       ", FanZeroRpmEnable=" + hexOffset(1156) + ".");
    return layout;
}

} // namespace ventora::FamilyDetectors
