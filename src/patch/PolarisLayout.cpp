#include "core/HexFormat.hpp"
#include "patch/DetectorSupport.hpp"

// Polaris: the ATOM Tonga/Polaris table with its 77-byte header and a fan table of revision 9
// found through the offset at 37. The only family whose fan temperatures are single bytes.

namespace ventora::FamilyDetectors {

using namespace DetectorSupport;

PowerPlayLayout detectPolarisLayout(ByteView data, MessageSink messages) {
    if (!ByteUtils::isRangeValid(data, 5, 2) || ByteUtils::readUInt16LE(data, 5) != 77) {
        return reject(messages, "Polaris PowerPlay header size is not the validated 77-byte ATOM "
                                "Tonga/Polaris layout.");
    }
    if (!ByteUtils::isRangeValid(data, 37, 2)) {
        return reject(messages, "Polaris fan table offset field is truncated.");
    }
    const std::int64_t f = ByteUtils::readUInt16LE(data, 37);
    if (f < 77 || !ByteUtils::isRangeValid(data, f, 48)) {
        return reject(messages, [&] {
            return "Polaris fan table offset " + hexOffset(f) + " is invalid or truncated.";
        });
    }
    const std::uint8_t revision = byteAt(data, f);
    if (revision != 9) {
        return reject(messages, [&] {
            return "Unsupported Polaris fan table revision " + std::to_string(revision) +
                   "; expected revision 9.";
        });
    }
    const std::uint16_t maximumRpm = ByteUtils::readUInt16LE(data, f + 21);
    if (byteAt(data, f + 43) > 1 || byteAt(data, f + 44) > 125 || byteAt(data, f + 45) > 125 ||
        byteAt(data, f + 27) > 125 || byteAt(data, f + 28) > 100 || maximumRpm == 0 ||
        maximumRpm > 20000) {
        return reject(messages,
                      "Polaris fan table sanity checks failed. Automatic patching was blocked.");
    }
    const PowerPlayLayout layout{"Polaris RX 560/570/580 / ATOM Fan Table rev 9",
                                 PowerPlayLayoutKind::polaris,
                                 -1,
                                 f + 44,
                                 f + 45,
                                 f + 43};
    if (!layout.isInRange(data)) {
        return reject(messages, "Validated Polaris fan offsets fall outside the loaded table. "
                                "Automatic patching was blocked.");
    }
    note(messages, "Detected supported layout: " + layout.name + ".");
    note(messages, "Polaris fan table offset: " + hexOffset(f) + ", revision 9.");
    note(messages, "Validated offsets: ZeroRPM=" + hexOffset(f + 43) + ", StopTemp=" +
                       hexOffset(f + 44) + ", StartTemp=" + hexOffset(f + 45) + ".");
    return layout;
}

} // namespace ventora::FamilyDetectors
