// Writes one synthetic PowerPlay table per family into the folder given on the command line,
// so a new user has something to try the tools on. The tables are made up, not real cards'.

#include "core/FileSystem.hpp"
#include "support/PowerPlayTables.hpp"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: ventora-make-examples FOLDER\n";
        return 2;
    }
    using ventora::GpuFamily;
    const std::filesystem::path folder = argv[1];
    const std::pair<GpuFamily, const char*> examples[] = {
        {GpuFamily::polaris, "polaris.bin"}, {GpuFamily::vega10, "vega10.bin"},
        {GpuFamily::vega20, "vega20.bin"},   {GpuFamily::navi10, "navi10.bin"},
        {GpuFamily::rdna2, "navi21.bin"},
    };
    for (const auto& [family, name] : examples) {
        ventora::FileSystem::writeFileAtomically(folder / name,
                                                 ventora::test::tableOfFamily(family));
        std::cout << (folder / name).string() << '\n';
    }
    return 0;
}
