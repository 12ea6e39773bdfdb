#pragma once

#include "core/ByteUtils.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// The ATOMBIOS way to the table: the ROM header, its master data table and that table's
/// PowerPlayInfo entry.
namespace ventora::VbiosPowerPlayExtractor {

/// The table the ATOM chain of the image `rom` (at file offset `baseOffset`) points at; each
/// broken link adds one line to `messages` and gives nothing.
[[nodiscard]] std::optional<Bytes>
tryExtractByAtomMasterDataTable(ByteView rom, std::int64_t baseOffset,
                                std::vector<std::string>& messages);

} // namespace ventora::VbiosPowerPlayExtractor
