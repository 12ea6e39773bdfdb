// Writes the fuzz seed corpora from the test-support builders, so the seeds always match the
// current synthetic fixtures instead of being committed blobs.
//   ventora_fuzz_seeds text|rom|table <folder>
// The folder is recreated; each seed is one file.
#include "core/ByteUtils.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

using namespace ventora;

namespace {

constexpr GpuFamily families[] = {GpuFamily::rdna2, GpuFamily::polaris, GpuFamily::vega10,
                                  GpuFamily::vega20, GpuFamily::navi10};

Bytes asBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string registryExport(ByteView table) {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\X]\r\n"
                       "\"PP_PhmSoftPowerPlayTable\"=hex:";
    for (std::size_t i = 0; i < table.size(); ++i) {
        text += ByteUtils::hexString(table.subspan(i, 1)) + (i + 1 == table.size() ? "" : ",");
        if (i % 25 == 24) {
            text += "\\\r\n  ";
        }
    }
    return text + "\r\n";
}

std::string spacedPairs(ByteView table, std::string_view prefix, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < table.size(); ++i) {
        text += (i == 0 ? "" : std::string(separator)) + std::string(prefix) +
                ByteUtils::hexString(table.subspan(i, 1));
    }
    return text;
}

Bytes utf16LittleEndian(std::string_view text) {
    Bytes bytes = {0xFF, 0xFE};
    for (const char c : text) {
        bytes.push_back(static_cast<std::uint8_t>(c));
        bytes.push_back(0);
    }
    return bytes;
}

std::vector<Bytes> textSeeds() {
    const Bytes table = test::polarisTable(300, 0x80);
    return {asBytes(registryExport(table)),
            utf16LittleEndian(registryExport(table)),
            asBytes(ByteUtils::hexString(table)),
            asBytes(spacedPairs(table, "", " ")),
            asBytes(spacedPairs(table, "0x", ", ")),
            asBytes("\xEF\xBB\xBF" + spacedPairs(table, "", "\n"))};
}

test::RomImageLayout smallImage(Bytes table) {
    test::RomImageLayout layout;
    layout.length = 0x2000;
    layout.table = std::move(table);
    return layout;
}

std::vector<Bytes> romSeeds() {
    std::vector<Bytes> seeds;
    for (const GpuFamily family : families) {
        seeds.push_back(test::romImage(smallImage(test::tableOfFamily(family))));
    }
    auto uefi = smallImage({});
    uefi.codeType = 3;
    uefi.lastImage = false;
    uefi.atom.reset();
    seeds.push_back(test::romChain({uefi, smallImage(test::navi10Table())}));
    auto scanOnly = smallImage(test::polarisTable());
    scanOnly.atom->powerPlayInfoOffset = 0;
    scanOnly.tableOffset = 0x800;
    seeds.push_back(test::romImage(scanOnly));
    auto moved = smallImage(test::vega10Table());
    moved.atom->romHeaderOffset = 0x110;
    seeds.push_back(test::romImage(moved));
    seeds.push_back(test::uefiFirstDump(smallImage(test::vega20Table())));
    return seeds;
}

std::vector<Bytes> tableSeeds() {
    std::vector<Bytes> seeds;
    for (const GpuFamily family : families) {
        seeds.push_back(test::tableOfFamily(family));
    }
    seeds.push_back(test::vega10Table(10));
    seeds.push_back(test::vega10Table(12));
    seeds.push_back(test::rdna2Table(19, 1833));
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: ventora_fuzz_seeds text|rom|table <folder>\n";
        return 2;
    }
    const std::string_view kind = argv[1];
    const std::vector<Bytes> seeds = kind == "text"    ? textSeeds()
                                     : kind == "rom"   ? romSeeds()
                                     : kind == "table" ? tableSeeds()
                                                       : std::vector<Bytes>{};
    if (seeds.empty()) {
        std::cerr << "unknown seed kind: " << kind << "\n";
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        const auto path = folder / ("seed-" + std::to_string(i));
        std::FILE* out = std::fopen(path.c_str(), "wb");
        const bool written = out != nullptr && std::fwrite(seeds[i].data(), 1, seeds[i].size(),
                                                           out) == seeds[i].size();
        if (out != nullptr && std::fclose(out) != 0) {
            return 1;
        }
        if (!written) {
            std::cerr << "cannot write seed " << i << " in " << folder << "\n";
            return 1;
        }
    }
    return 0;
}
