#pragma once

#include "core/ByteUtils.hpp"
#include "patch/PowerPlayLayout.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ventora {

/// One little-endian field of a table and the inclusive bounds its value must lie in. A field
/// outside the table never holds. A field that holds an offset may also demand that
/// `pointedBytes` bytes from that offset lie inside the table.
struct FieldCheck {
    std::int64_t offset;
    int width;
    std::uint32_t minimum;
    std::uint32_t maximum;
    std::int64_t pointedBytes = 0;
};

/// Checks that share one rejection line, in which "{value}" stands for the first failing
/// field's value in decimal and "{offset}" for it in hexadecimal. `note`, when set, builds a
/// line logged before the checks run.
struct SignatureStep {
    std::vector<FieldCheck> checks;
    std::string_view rejection;
    std::string (*note)(ByteView table) = nullptr;
};

/// The fan fields of one range of fan table revisions, with the table's length and the other
/// fields that must hold plausible values. Offsets count from the fan table, or from the
/// PowerPlay table in families without one.
struct FanTableShape {
    int firstRevision = 0;
    int lastRevision = 0;
    std::int64_t length = 0;
    FanFields fields;
    std::vector<FieldCheck> plausible;
};

/// How a table points to its fan table, whose first byte is the fan table's revision.
struct FanTableLink {
    FieldCheck pointer;
    std::string_view invalidOffset;
    std::string_view unsupportedRevision;
};

/// A fan-stop capability byte the presets never write but the signature requires to be 0 or 1.
struct Capability {
    std::string_view label;
    std::int64_t offset = 0;
};

/// What a family's presets say: two announcement lines per preset, in which "{start}" and
/// "{stop}" stand for the thresholds, and the labels of the three edits.
struct PresetWording {
    std::string_view zeroSelected, zeroTarget, fanSelected, fanTarget;
    std::string_view enableLabel, startLabel, stopLabel;
};

/// Everything this program knows about one family's PowerPlay table: the header revisions that
/// select it, its signature checked step by step, where its fan fields sit, and its wording.
struct FamilyDescription {
    struct Revision {
        std::uint8_t format;
        std::uint8_t content;
    };

    GpuFamily family;
    std::vector<Revision> revisions;
    /// The layout's name; a family with a fan table appends " / ATOM Fan Table rev N".
    std::string_view layoutName;
    std::vector<SignatureStep> signature;
    std::optional<FanTableLink> fanTableLink = std::nullopt;
    /// One shape per fan table revision range; exactly one when there is no fan table.
    std::vector<FanTableShape> shapes;
    std::string_view implausible;
    std::optional<Capability> capability = std::nullopt;
    std::string_view closingNote = {};
    /// The SMC PPTable version a family logs but deliberately never compares.
    std::optional<std::int64_t> observedSmcVersion = std::nullopt;
    /// How the VBIOS header scan names the family.
    std::string_view scanName;
    PresetWording wording;
};

namespace FamilyDescriptions {

[[nodiscard]] const FamilyDescription& of(GpuFamily family);

/// The family a common header's revisions select, or nullptr.
[[nodiscard]] const FamilyDescription* forRevisions(std::uint8_t formatRevision,
                                                    std::uint8_t contentRevision);

} // namespace FamilyDescriptions
} // namespace ventora
