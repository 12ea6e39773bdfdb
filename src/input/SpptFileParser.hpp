#pragma once

#include "core/ByteUtils.hpp"
#include "core/CancellationToken.hpp"
#include "core/SpptDocument.hpp"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
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

/// The structural checks every loaded table must pass; `source` is the input's file name.
void validateSppt(ByteView data, std::string_view source);

/// At least 256 bytes starting 55 AA (or the reversed AA 55 of UEFI-first dumps).
[[nodiscard]] bool isLikelyVbiosRom(ByteView data);

// Text import, pure functions without messages: a failure is an absent or empty result.

/// The file's bytes as text: UTF-16 by byte-order mark or by the share of zero bytes, else
/// UTF-8, else byte-order-mark-driven UTF-16; nothing when the chosen decoding fails.
[[nodiscard]] std::optional<std::u32string> decodeText(ByteView bytes);

/// The table held by a REG export's PP_PhmSoftPowerPlayTable value or, failing that, by a
/// plain hex dump; empty when the text has neither shape.
[[nodiscard]] Bytes extractHexBytes(std::u32string_view text);
[[nodiscard]] std::optional<Bytes> extractRegistryHexBytes(std::u32string_view text);
[[nodiscard]] Bytes extractCleanHexBytes(std::u32string_view text);

/// 512 to 40960 hex digits, an even number of them, as bytes; nothing otherwise.
[[nodiscard]] std::optional<Bytes> dataFromEvenHex(std::u32string_view digits);

} // namespace SpptFileParser
} // namespace ventora
