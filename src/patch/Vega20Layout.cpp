#include "core/HexFormat.hpp"
#include "patch/DetectorSupport.hpp"

#include <array>

// Vega 20 (Radeon VII / Pro VII, PowerPlay 11.0): accepted only in its one exact 1730-byte
// shape, so every fan field sits at a fixed offset.

namespace ventora::FamilyDetectors {
namespace {

using namespace DetectorSupport;

constexpr std::int64_t tableLength = 1730;

constexpr std::array outerHeader{equals(4, 1, 2), equals(5, 2, 1730), equals(21, 1, 26)};

constexpr std::array structuralSignature{equals(34, 1, 1),   equals(35, 4, 11),  equals(167, 1, 1),
                                         equals(168, 4, 14), equals(204, 4, 29), equals(474, 4, 3)};

constexpr std::array fanSanity{within(181, 1, 0, 1),      within(1120, 1, 0, 1),
                               within(1090, 2, 0, 125),   within(1092, 2, 0, 125),
                               within(1114, 2, 1, 20000), within(1116, 2, 1, 125),
                               within(1121, 1, 1, 16)};

} // namespace

PowerPlayLayout detectVega20Layout(ByteView data, MessageSink messages) {
    if (static_cast<std::int64_t>(data.size()) != tableLength || !allHold(data, outerHeader)) {
        return reject(messages, "Vega 20 outer PowerPlay header does not match the validated "
                                "Radeon VII 11.0 layout.");
    }
    if (!allHold(data, structuralSignature)) {
        return reject(messages, "Vega 20 PowerSaving/OverDrive/SMC structural signature is not "
                                "the validated Radeon VII layout.");
    }
    if (!ByteUtils::isRangeValid(data, 181, 1) || !ByteUtils::isRangeValid(data, 1121, 1)) {
        return reject(messages, "Vega 20 Zero RPM/fan fields are truncated.");
    }
    if (!allHold(data, fanSanity)) {
        return reject(messages, "Vega 20 Zero RPM/fan safety fields failed sanity validation. "
                                "Automatic patching was blocked.");
    }
    const PowerPlayLayout layout{
        "Vega 20 Radeon VII / PowerPlay 11.0", PowerPlayLayoutKind::vega20, 474, 1090, 1092, 1120};
    if (!layout.isInRange(data)) {
        return reject(messages, "Vega 20 Zero RPM/fan fields are truncated.");
    }
    note(messages, "Detected supported layout: " + layout.name + ".");
    note(messages, "Validated offsets: OD8 ZeroRPM cap=" + hexOffset(181) +
                       ", StopTemp=" + hexOffset(1090) + ", StartTemp=" + hexOffset(1092) +
                       ", FanZeroRpmEnable=" + hexOffset(1120) + ".");
    return layout;
}

} // namespace ventora::FamilyDetectors
