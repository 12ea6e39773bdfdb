#include "input/SpptFileParser.hpp"

#include "core/AppError.hpp"
#include "core/Ascii.hpp"
#include "core/FileSystem.hpp"
#include "core/HexFormat.hpp"
#include "input/HexExtraction.hpp"
#include "input/PciExpansionRom.hpp"
#include "input/TextDecoding.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <system_error>

namespace ventora::SpptFileParser {
namespace {

constexpr const char* loadingCancelled = "Input loading cancelled.";

struct FileAttributes {
    bool isRegularFile;
    std::int64_t size;
};

/// Follows symbolic links, so a link to a ROM loads like the ROM itself; a missing or
/// inaccessible path throws the platform's error.
FileAttributes attributesOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        throw std::system_error(errno, std::generic_category(), path.string());
    }
    return {S_ISREG(info.st_mode), static_cast<std::int64_t>(info.st_size)};
}

std::string lowercaseExtension(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    return Ascii::lowercased(std::string_view(extension).substr(extension.empty() ? 0 : 1));
}

bool isTextExtension(const std::string& extension) {
    return extension == "txt" || extension == "reg";
}

void checkFileSize(std::int64_t size) {
    if (size > maximumInputFileSize) {
        throw AppError("Input file is too large (" + std::to_string(size) + " bytes; maximum " +
                           std::to_string(maximumInputFileSize) + " bytes).",
                       ErrorKind::invalidInput);
    }
}

void checkTextSize(const std::string& extension, std::int64_t size) {
    if (isTextExtension(extension) && size > maximumTextInputSize) {
        throw AppError("Text/REG input is too large (" + std::to_string(size) + " bytes; maximum " +
                           std::to_string(maximumTextInputSize) + " bytes).",
                       ErrorKind::invalidInput);
    }
}

/// The structural checks every loaded table must pass; `source` is the input's file name.
void validateSppt(ByteView data, std::string_view source) {
    const std::string prefix = "Parsed SPPT from " + std::string(source);
    const std::string count = std::to_string(data.size());
    if (data.size() < minimumTableSize) {
        throw AppError(prefix + " is too small (" + count + " bytes).", ErrorKind::invalidInput);
    }
    if (data.size() > maximumTableSize) {
        throw AppError(prefix + " is too large (" + count + " bytes).", ErrorKind::invalidInput);
    }
    const std::uint16_t declared = ByteUtils::readUInt16LE(data, 0);
    if (declared == 0) {
        throw AppError(prefix + " has an invalid zero declared table size.",
                       ErrorKind::invalidInput);
    }
    if (declared != data.size()) {
        throw AppError(prefix + " declares " + std::to_string(declared) + " bytes but contains " +
                           count + " bytes.",
                       ErrorKind::invalidInput);
    }
    if (std::all_of(data.begin(), data.end(), [&](std::uint8_t b) { return b == data[0]; })) {
        throw AppError("Parsed SPPT data is invalid: all bytes are identical.",
                       ErrorKind::invalidInput);
    }
}

/// At least 256 bytes starting 55 AA (or the reversed AA 55 of UEFI-first dumps).
bool isLikelyVbiosRom(ByteView data) {
    if (data.size() < 256) {
        return false;
    }
    return (data[0] == 0x55 && data[1] == 0xAA) || (data[0] == 0xAA && data[1] == 0x55);
}

/// Everything a load needs to know about the input besides its bytes.
struct Input {
    std::string fullPath;
    std::string fileName;
    std::string extension;
};

LoadResult loadRom(const Input& input, FileBuffer bytes, const CancellationToken* token) {
    auto extraction = VbiosPowerPlayExtractor::extract(std::move(bytes), token);
    throwIfCancelled(token, loadingCancelled);
    const std::string wording = input.extension == "rom"
                                    ? "saved VBIOS ROM"
                                    : "VBIOS ROM stored with ." + input.extension + " extension";
    LoadResult result;
    auto& messages = result.messages;
    messages.push_back("Loaded " + wording + ": " + input.fullPath);
    messages.emplace_back("Trying to extract PowerPlayInfo/SPPT from the saved ROM, GPU-Z style "
                          "read-only workflow...");
    messages.insert(messages.end(), extraction.messages.begin(), extraction.messages.end());
    validateSppt(extraction.table, input.fileName);
    messages.push_back("SPPT data ready from saved VBIOS. Size: " +
                       std::to_string(extraction.table.size()) + " bytes.");
    messages.emplace_back("ROM flashing is not supported and will never be executed by this app.");
    const auto identity = VbiosPowerPlayExtractor::pciIdentity(extraction.originalRom);
    if (identity) {
        messages.push_back("Source VBIOS PCIR identity: vendor " + hexId(identity->vendorID) +
                           ", device " + hexId(identity->deviceID) + ".");
        result.document.sourceIdentity = identity;
    } else {
        messages.emplace_back("Source VBIOS PCIR identity was not available; target validation "
                              "will use the PowerPlay family only.");
    }
    result.document.data = std::move(extraction.table);
    result.document.sourceDescription = input.fullPath;
    result.document.originalRom = std::move(extraction.originalRom);
    return result;
}

LoadResult loadBinaryTable(const Input& input, ByteView bytes) {
    validateSppt(bytes, input.fileName);
    LoadResult result;
    result.messages.push_back("Loaded binary SPPT: " + input.fullPath);
    result.messages.push_back("SPPT data ready. Size: " + std::to_string(bytes.size()) + " bytes.");
    result.document.data.assign(bytes.begin(), bytes.end());
    result.document.sourceDescription = input.fullPath;
    return result;
}

LoadResult loadText(const Input& input, ByteView bytes, const CancellationToken* token) {
    checkTextSize(input.extension, static_cast<std::int64_t>(bytes.size()));
    const auto text = decodeText(bytes);
    if (!text) {
        throw AppError(
            "Unsupported file format. Load a GPU-Z .rom, SPPT .bin, .reg or text export.",
            ErrorKind::invalidInput);
    }
    throwIfCancelled(token, loadingCancelled);
    Bytes converted = extractHexBytes(*text);
    throwIfCancelled(token, loadingCancelled);
    validateSppt(converted, input.fileName);
    LoadResult result;
    result.messages.push_back("Loaded SPPT text/REG export: " + input.fullPath);
    result.messages.push_back("Clean hexadecimal converted to " + std::to_string(converted.size()) +
                              " bytes.");
    result.document.data = std::move(converted);
    result.document.sourceDescription = input.fullPath;
    return result;
}

// The driver's answer cut to the table's declared length, which older drivers pad up to
// 4095 bytes; the kernel cuts anything of 4096 bytes and more, which leaves it short.
Bytes declaredTable(Bytes bytes, const std::filesystem::path& ppTable,
                    std::vector<std::string>& messages) {
    const std::size_t declared = ByteUtils::readUInt16LE(bytes, 0);
    if (declared > bytes.size()) {
        throw AppError("The PowerPlay table in " + ppTable.string() + " declares " +
                           std::to_string(declared) + " bytes but the driver returned only " +
                           std::to_string(bytes.size()) +
                           " bytes: the table was truncated by the driver.",
                       ErrorKind::invalidInput);
    }
    if (declared != 0 && declared < bytes.size()) {
        messages.push_back("The driver returned " + std::to_string(bytes.size()) +
                           " bytes; the table declares " + std::to_string(declared) +
                           " bytes, so the " + std::to_string(bytes.size() - declared) +
                           " bytes after it were dropped as padding.");
        bytes.resize(declared);
    }
    return bytes;
}

} // namespace

LoadResult loadDriverTable(const std::filesystem::path& ppTable, int vendorID, int deviceID,
                           const CancellationToken* token) {
    throwIfCancelled(token, loadingCancelled);
    Bytes bytes;
    try {
        bytes = FileSystem::readWholeFile(ppTable, maximumTableSize);
    } catch (const std::system_error& error) {
        throw AppError("Could not read the PowerPlay table from the driver at " + ppTable.string() +
                       " (" + error.code().message() +
                       "). The driver may refuse while the GPU is suspended.");
    }
    throwIfCancelled(token, loadingCancelled);
    LoadResult result;
    auto& messages = result.messages;
    messages.push_back("Loaded PowerPlay table from the running driver: " + ppTable.string());
    bytes = declaredTable(std::move(bytes), ppTable, messages);
    validateSppt(bytes, ppTable.filename().string());
    messages.push_back("SPPT data ready. Size: " + std::to_string(bytes.size()) + " bytes.");
    messages.push_back("GPU PCI identity from sysfs: vendor " + hexId(vendorID) + ", device " +
                       hexId(deviceID) + ".");
    result.document.data = std::move(bytes);
    result.document.sourceDescription = ppTable.string();
    result.document.sourceIdentity = PciIdentity{vendorID, deviceID};
    return result;
}

LoadResult load(const std::filesystem::path& url, const CancellationToken* token) {
    throwIfCancelled(token, loadingCancelled);
    const FileAttributes attributes = attributesOf(url);
    throwIfCancelled(token, loadingCancelled);
    if (!attributes.isRegularFile) {
        throw AppError("Input path is not a regular file.", ErrorKind::invalidInput);
    }
    checkFileSize(attributes.size);
    const Input input{std::filesystem::absolute(url).string(), url.filename().string(),
                      lowercaseExtension(url)};
    checkTextSize(input.extension, attributes.size);
    FileBuffer bytes =
        FileSystem::readWholeFile<FileBuffer>(url, static_cast<std::size_t>(maximumInputFileSize));
    throwIfCancelled(token, loadingCancelled);
    checkFileSize(static_cast<std::int64_t>(bytes.size()));
    if (input.extension == "rom" || isLikelyVbiosRom(bytes)) {
        return loadRom(input, std::move(bytes), token);
    }
    if (input.extension == "bin" || input.extension == "pp_table" || input.extension == "sppt") {
        return loadBinaryTable(input, bytes);
    }
    return loadText(input, bytes, token);
}

} // namespace ventora::SpptFileParser
