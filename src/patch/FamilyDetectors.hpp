#pragma once

#include "patch/PowerPlayLayout.hpp"

#include <optional>
#include <string>
#include <vector>

namespace ventora {

/// Where a detector writes its log lines; nullptr keeps it silent and allocation-free on
/// rejection, which the VBIOS header scan relies on when it tries every byte position.
using MessageSink = std::vector<std::string>*;

/// The strict structural signature of each family, shared by the patcher and the VBIOS header
/// scan so that both accept exactly the same tables. Each detector returns a validated layout
/// or the unsupported layout plus the one line naming the first check that failed.
namespace FamilyDetectors {

/// Which family's detector a common header's revisions select: 7.1 Polaris, 8.1 Vega 10,
/// 11.0 Vega 20, 12.0 Navi 10, 15.0/16.0/18.0/19.0 Navi 21/22/23; anything else none.
[[nodiscard]] std::optional<PowerPlayLayoutKind> familyForRevisions(std::uint8_t formatRevision,
                                                                    std::uint8_t contentRevision);

PowerPlayLayout detectPolarisLayout(ByteView data, MessageSink messages);
PowerPlayLayout detectVega10Layout(ByteView data, MessageSink messages);
PowerPlayLayout detectVega20Layout(ByteView data, MessageSink messages);
PowerPlayLayout detectNavi10Layout(ByteView data, MessageSink messages);
PowerPlayLayout detectRdna2Layout(ByteView data, std::uint8_t formatRevision,
                                  std::uint8_t contentRevision, MessageSink messages);

/// Runs the detector of `kind`, appending its lines to `messages` when given.
PowerPlayLayout detect(PowerPlayLayoutKind kind, ByteView data, std::uint8_t formatRevision,
                       std::uint8_t contentRevision, MessageSink messages);

/// Runs the detector selected by the table's own header revisions, silently. The table's
/// length is taken as given (the caller has already bounded it).
[[nodiscard]] std::optional<PowerPlayLayout> recognise(ByteView table);

} // namespace FamilyDetectors
} // namespace ventora
