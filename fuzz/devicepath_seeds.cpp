// Writes the device path fuzz corpora from the made-up ioreg and gfxutil texts of the tests.
//   devicepath_fuzz_seeds path|ioreg|gfxutil <folder>
// The folder is recreated; each seed is one file.
#include "support/GfxutilSamples.hpp"
#include "support/IoregSamples.hpp"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using namespace ventora;

namespace {

std::vector<std::string> pathSeeds() {
    return {"PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)", "  PciRoot(0x00)/Pci(0x01,0x00)\n",
            "PciRoot(0xFFFFFFFF)/Pci(0x1f,0x7)",
            "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)/"
            "Pci(0x0,0x0)/Pci(0x0,0x0)"};
}

std::vector<std::string> ioregSeeds() {
    return {test::ioregNavi21WithNvidia(), test::ioregTwoRootsGfx0WithoutIds(),
            test::ioregTwoAmdGpusNoGfx0()};
}

std::vector<std::string> gfxutilSeeds() {
    namespace samples = test::GfxutilSamples;
    std::vector<std::string> seeds;
    for (const auto sample :
         {samples::navi21, samples::polaris, samples::withoutIdentity, samples::twoGfx0,
          samples::oldVersion, std::string_view("DevicePath not found!\n")}) {
        seeds.emplace_back(sample);
    }
    return seeds;
}

std::vector<std::string> seedsOf(const std::string& kind) {
    if (kind == "path") {
        return pathSeeds();
    }
    if (kind == "ioreg") {
        return ioregSeeds();
    }
    if (kind == "gfxutil") {
        return gfxutilSeeds();
    }
    return {};
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: devicepath_fuzz_seeds path|ioreg|gfxutil <folder>\n";
        return 2;
    }
    const std::string kind = argv[1];
    const std::vector<std::string> seeds = seedsOf(kind);
    if (seeds.empty()) {
        std::cerr << "unknown seed kind " << kind << "\n";
        return 2;
    }
    const std::filesystem::path folder = argv[2];
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream(folder / ("seed-" + std::to_string(i)), std::ios::binary) << seeds[i];
    }
    return 0;
}
