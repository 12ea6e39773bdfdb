#include "patch/FamilyDetectors.hpp"

#include "patch/DetectorSupport.hpp"

namespace ventora {

bool DetectorSupport::allHold(ByteView data, std::span<const FieldRule> rules) {
    for (const FieldRule& rule : rules) {
        if (!ByteUtils::isRangeValid(data, rule.offset, rule.width)) {
            return false;
        }
        std::uint32_t value = 0;
        switch (rule.width) {
        case 1:
            value = data[static_cast<std::size_t>(rule.offset)];
            break;
        case 2:
            value = ByteUtils::readUInt16LE(data, rule.offset);
            break;
        default:
            value = ByteUtils::readUInt32LE(data, rule.offset);
            break;
        }
        if (value < rule.minimum || value > rule.maximum) {
            return false;
        }
    }
    return true;
}

namespace FamilyDetectors {

std::optional<PowerPlayLayoutKind> familyForRevisions(std::uint8_t formatRevision,
                                                      std::uint8_t contentRevision) {
    if (contentRevision == 1) {
        if (formatRevision == 7) {
            return PowerPlayLayoutKind::polaris;
        }
        if (formatRevision == 8) {
            return PowerPlayLayoutKind::vega10;
        }
        return std::nullopt;
    }
    if (contentRevision != 0) {
        return std::nullopt;
    }
    switch (formatRevision) {
    case 11:
        return PowerPlayLayoutKind::vega20;
    case 12:
        return PowerPlayLayoutKind::navi10;
    // 17 is not an SMU 11.0.7 table revision and stays unsupported.
    case 15:
    case 16:
    case 18:
    case 19:
        return PowerPlayLayoutKind::rdna2;
    default:
        return std::nullopt;
    }
}

PowerPlayLayout detect(PowerPlayLayoutKind kind, ByteView data, std::uint8_t formatRevision,
                       std::uint8_t contentRevision, MessageSink messages) {
    switch (kind) {
    case PowerPlayLayoutKind::polaris:
        return detectPolarisLayout(data, messages);
    case PowerPlayLayoutKind::vega10:
        return detectVega10Layout(data, messages);
    case PowerPlayLayoutKind::vega20:
        return detectVega20Layout(data, messages);
    case PowerPlayLayoutKind::navi10:
        return detectNavi10Layout(data, messages);
    case PowerPlayLayoutKind::rdna2:
        break;
    }
    return detectRdna2Layout(data, formatRevision, contentRevision, messages);
}

std::optional<PowerPlayLayout> recognise(ByteView table) {
    if (table.size() < 4) {
        return std::nullopt;
    }
    const auto kind = familyForRevisions(table[2], table[3]);
    if (!kind) {
        return std::nullopt;
    }
    PowerPlayLayout layout = detect(*kind, table, table[2], table[3], nullptr);
    if (!layout.isSupported()) {
        return std::nullopt;
    }
    return layout;
}

} // namespace FamilyDetectors
} // namespace ventora
