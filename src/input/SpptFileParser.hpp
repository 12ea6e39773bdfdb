#pragma once

#include "core/CancellationToken.hpp"
#include "core/SpptDocument.hpp"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ventora {

/// Turns one input file (VBIOS ROM image, raw PowerPlay table, REG export or hex text) into
/// an SpptDocument and the log lines describing what was done. Read-only: it never writes a
/// file and never touches hardware. Every refusal is thrown; platform errors pass unchanged.
namespace SpptFileParser {

inline constexpr std::int64_t maximumInputFileSize = 67108864;
inline constexpr std::int64_t maximumTextInputSize = 1048576;
inline constexpr std::size_t minimumTableSize = 256;
inline constexpr std::size_t maximumTableSize = 20480;

struct LoadResult {
    SpptDocument document;
    std::vector<std::string> messages;
};

/// Loads `url`, checking the token at the documented checkpoints ("Input loading cancelled.").
[[nodiscard]] LoadResult load(const std::filesystem::path& url,
                              const CancellationToken* token = nullptr);

/// The table the running driver uses, read from its sysfs file `ppTable` to end of file (the
/// file's size says nothing). Padding after the declared length is dropped with a log line; a
/// read shorter than the declared length was truncated by the driver and is refused. The
/// document carries the GPU's PCI identity, `vendorID` and `deviceID`, as read from sysfs.
[[nodiscard]] LoadResult loadDriverTable(const std::filesystem::path& ppTable, int vendorID,
                                         int deviceID, const CancellationToken* token = nullptr);

} // namespace SpptFileParser
} // namespace ventora
