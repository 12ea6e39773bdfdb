// Writes the seed inputs of one fuzz target from the test fixtures, so the seeds always match
// the current synthetic tables, ROMs and tool texts instead of being committed blobs.
//   fuzz_seeds text|rom|table|path|ioreg|gfxutil <folder>
// The folder is recreated; each seed is one file.
#include "core/FileSystem.hpp"
#include "support/GfxutilSamples.hpp"
#include "support/IoregSamples.hpp"
#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"
#include "support/TextExports.hpp"

#include <iostream>
#include <map>

using namespace ventora;

namespace {

constexpr GpuFamily families[] = {GpuFamily::rdna2, GpuFamily::polaris, GpuFamily::vega10,
                                  GpuFamily::vega20, GpuFamily::navi10};

Bytes asBytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::vector<Bytes> textSeeds() {
    const Bytes table = test::polarisTable(300, 0x80);
    return {asBytes(test::registryExport(table)),
            test::utf16LittleEndian(test::registryExport(table)),
            asBytes(test::hexPairs(table, "", "")),
            asBytes(test::hexPairs(table, "", " ")),
            asBytes(test::hexPairs(table, "0x", ", ")),
            asBytes("\xEF\xBB\xBF" + test::hexPairs(table, "", "\n"))};
}

std::vector<Bytes> romSeeds() {
    const auto small = [](Bytes table, test::LayoutEdit edit = nullptr) {
        auto layout = test::legacyImage(std::move(table), edit);
        layout.length = 0x2000;
        return layout;
    };
    std::vector<Bytes> seeds;
    for (const GpuFamily family : families) {
        seeds.push_back(test::romImage(small(test::tableOfFamily(family))));
    }
    const auto uefi = test::uefiImage([](auto& l) { l.length = 0x2000; });
    seeds.push_back(test::romChain({uefi, small(test::navi10Table())}));
    seeds.push_back(test::romImage(small(test::polarisTable(), [](auto& l) {
        l.atom->powerPlayInfoOffset = 0;
        l.tableOffset = 0x800;
    })));
    seeds.push_back(test::romImage(
        small(test::vega10Table(), [](auto& l) { l.atom->romHeaderOffset = 0x110; })));
    seeds.push_back(test::uefiFirstDump(small(test::vega20Table())));
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

std::vector<Bytes> pathSeeds() {
    return {asBytes("PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)"),
            asBytes("  PciRoot(0x00)/Pci(0x01,0x00)\n"),
            asBytes("PciRoot(0xFFFFFFFF)/Pci(0x1f,0x7)"),
            asBytes("PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)")};
}

std::vector<Bytes> ioregSeeds() {
    std::vector<Bytes> seeds;
    for (const auto& text : {test::ioregNavi21WithNvidia(), test::ioregTwoRootsGfx0WithoutIds(),
                             test::ioregTwoAmdGpusNoGfx0()}) {
        seeds.push_back(asBytes(text));
    }
    return seeds;
}

std::vector<Bytes> gfxutilSeeds() {
    namespace samples = test::GfxutilSamples;
    std::vector<Bytes> seeds;
    for (const auto text :
         {samples::navi21, samples::polaris, samples::withoutIdentity, samples::twoGfx0,
          samples::oldVersion, std::string_view("DevicePath not found!\n")}) {
        seeds.push_back(asBytes(text));
    }
    return seeds;
}

} // namespace

int main(int argc, char** argv) {
    const std::map<std::string_view, std::vector<Bytes> (*)()> kinds = {
        {"text", textSeeds}, {"rom", romSeeds},     {"table", tableSeeds},
        {"path", pathSeeds}, {"ioreg", ioregSeeds}, {"gfxutil", gfxutilSeeds}};
    const auto kind = argc == 3 ? kinds.find(argv[1]) : kinds.end();
    if (kind == kinds.end()) {
        std::cerr << "usage: fuzz_seeds text|rom|table|path|ioreg|gfxutil <folder>\n";
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::vector<Bytes> seeds = kind->second();
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        FileSystem::writeFileAtomically(folder / ("seed-" + std::to_string(i)), seeds[i]);
    }
    return 0;
}
