#include "input/VbiosPowerPlayExtractor.hpp"

#include "core/AppError.hpp"
#include "input/AtomPowerPlayInfo.hpp"
#include "input/PciExpansionRom.hpp"
#include "input/PowerPlayHeaderScan.hpp"
#include "input/RomSignature.hpp"

namespace ventora::VbiosPowerPlayExtractor {
namespace {

constexpr std::int64_t uefiFirstMinimumSize = 0x40100;

constexpr const char* extractionCancelled = "VBIOS extraction cancelled.";

struct DirectImage {
    ByteView bytes;
    std::int64_t baseOffset;
};

/// A UEFI-first dump (reversed signature at 0, a legacy image at 0x40000) is read from its
/// legacy image; anything else from the start of the file.
DirectImage chooseDirectImage(ByteView rom, std::vector<std::string>& messages) {
    const bool uefiFirst = hasRomSignature(rom, 0, "\xAA\x55") &&
                           static_cast<std::int64_t>(rom.size()) > uefiFirstMinimumSize &&
                           hasRomSignature(rom, uefiFirstLegacyImageOffset, "\x55\xAA");
    if (!uefiFirst) {
        return {rom, 0};
    }
    messages.emplace_back(
        "UEFI-first ROM detected. Using legacy ATOMBIOS image at offset 0x40000.");
    return {rom.subspan(static_cast<std::size_t>(uefiFirstLegacyImageOffset)),
            uefiFirstLegacyImageOffset};
}

std::optional<Bytes> findTable(ByteView rom, const CancellationToken* token,
                               std::vector<std::string>& messages) {
    if (hasRomSignature(rom, 0, "\x55\xAA")) {
        if (auto table = tryExtractFromPciExpansionRomChain(rom, messages)) {
            throwIfCancelled(token, extractionCancelled);
            return table;
        }
    }
    throwIfCancelled(token, extractionCancelled);
    const DirectImage image = chooseDirectImage(rom, messages);
    if (!hasRomSignature(image.bytes, 0, "\x55\xAA")) {
        throw AppError("VBIOS signature 55 AA was not found. The file may not be a raw GPU-Z "
                       "VBIOS dump.",
                       ErrorKind::invalidInput);
    }
    if (auto table = tryExtractByAtomMasterDataTable(image.bytes, image.baseOffset, messages)) {
        throwIfCancelled(token, extractionCancelled);
        return table;
    }
    throwIfCancelled(token, extractionCancelled);
    auto table = tryExtractByPowerPlayHeaderScan(image.bytes, image.baseOffset, messages);
    throwIfCancelled(token, extractionCancelled);
    return table;
}

} // namespace

Extraction extract(FileBuffer rom, const CancellationToken* token) {
    throwIfCancelled(token, extractionCancelled);
    const auto count = static_cast<std::int64_t>(rom.size());
    if (count > maximumRomSize) {
        throw AppError("VBIOS file is too large (" + std::to_string(count) + " bytes; maximum " +
                           std::to_string(maximumRomSize) + " bytes).",
                       ErrorKind::invalidInput);
    }
    if (count < minimumRomSize) {
        throw AppError("VBIOS file is too small.", ErrorKind::invalidInput);
    }
    Extraction result;
    auto table = findTable(rom, token, result.messages);
    if (!table) {
        throw AppError("Could not locate a valid PowerPlayInfo/SPPT table in this ROM.",
                       ErrorKind::invalidInput);
    }
    result.table = std::move(*table);
    result.originalRom = std::move(rom);
    return result;
}

} // namespace ventora::VbiosPowerPlayExtractor
