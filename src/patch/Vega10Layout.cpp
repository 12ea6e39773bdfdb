#include "core/HexFormat.hpp"
#include "patch/DetectorSupport.hpp"

// Vega 10: the 92-byte ATOM Vega 10 header with state and fan table offsets. The fan table's
// revision decides its length and where the fan fields sit inside it.

namespace ventora::FamilyDetectors {
namespace {

using namespace DetectorSupport;

struct FanTableRow {
    std::int64_t length, target, minimumPwm, enable, stop, start;
};

FanTableRow fanTableRow(std::uint8_t revision) {
    if (revision == 10) {
        return {34, 9, 11, 29, 30, 32};
    }
    return {revision == 11 ? 35 : 37, 7, 9, 27, 28, 30};
}

} // namespace

PowerPlayLayout detectVega10Layout(ByteView data, MessageSink messages) {
    const auto size = static_cast<std::int64_t>(data.size());
    if (!ByteUtils::isRangeValid(data, 5, 2) || ByteUtils::readUInt16LE(data, 5) != 92) {
        return reject(messages, "Vega 10 PowerPlay header size is not the validated 92-byte "
                                "ATOM Vega 10 layout.");
    }
    if (!ByteUtils::isRangeValid(data, 48, 4)) {
        return reject(messages, "Vega 10 state/fan table offset fields are truncated.");
    }
    const std::int64_t s = ByteUtils::readUInt16LE(data, 48);
    const std::int64_t f = ByteUtils::readUInt16LE(data, 50);
    if (s < 92 || s >= size) {
        return reject(messages, [&] {
            return "Vega 10 state table offset " + hexOffset(s) + " is invalid.";
        });
    }
    if (f < 92 || f >= size) {
        return reject(messages,
                      [&] { return "Vega 10 fan table offset " + hexOffset(f) + " is invalid."; });
    }
    const std::uint8_t revision = byteAt(data, f);
    if (revision < 10) {
        return reject(messages, [&] {
            return "Unsupported Vega 10 fan table revision " + std::to_string(revision) +
                   "; expected revision 10, 11 or a V3 revision > 11.";
        });
    }
    const FanTableRow row = fanTableRow(revision);
    if (!ByteUtils::isRangeValid(data, f, row.length)) {
        return reject(messages, [&] {
            return "Vega 10 fan table revision " + std::to_string(revision) + " is truncated.";
        });
    }
    if (byteAt(data, f + row.enable) > 1 || ByteUtils::readUInt16LE(data, f + row.stop) > 125 ||
        ByteUtils::readUInt16LE(data, f + row.start) > 125 ||
        ByteUtils::readUInt16LE(data, f + row.target) > 125 ||
        ByteUtils::readUInt16LE(data, f + row.minimumPwm) > 100) {
        return reject(messages,
                      "Vega 10 fan table sanity checks failed. Automatic patching was blocked.");
    }
    const PowerPlayLayout layout{"Vega 10 RX Vega 56/64/Frontier Edition / ATOM Fan Table rev " +
                                     std::to_string(revision),
                                 PowerPlayLayoutKind::vega10,
                                 -1,
                                 f + row.stop,
                                 f + row.start,
                                 f + row.enable};
    if (!layout.isInRange(data)) {
        return reject(messages, "Validated Vega 10 fan offsets fall outside the loaded table. "
                                "Automatic patching was blocked.");
    }
    note(messages, "Detected supported layout: " + layout.name + ".");
    note(messages, "Vega 10 fan table offset: " + hexOffset(f) + ", revision " +
                       std::to_string(revision) + ".");
    note(messages, "Validated offsets: ZeroRPM=" + hexOffset(layout.fanZeroRpmEnableOffset) +
                       ", StopTemp=" + hexOffset(layout.fanStopTempOffset) +
                       ", StartTemp=" + hexOffset(layout.fanStartTempOffset) + ".");
    return layout;
}

} // namespace ventora::FamilyDetectors
