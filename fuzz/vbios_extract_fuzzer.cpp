// Treats arbitrary bytes as a saved VBIOS: the chain walk, the ATOM tables and the header scan
// must never read outside the buffer, and a returned table is always a table-sized copy.
#include "core/AppError.hpp"
#include "input/PciExpansionRom.hpp"
#include "input/SpptFileParser.hpp"
#include "input/VbiosPowerPlayExtractor.hpp"

#include <algorithm>
#include <cstdlib>

using namespace ventora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteView rom(data, size);
    (void)VbiosPowerPlayExtractor::pciIdentity(rom);
    try {
        const auto extraction =
            VbiosPowerPlayExtractor::extract(FileBuffer(rom.begin(), rom.end()));
        const std::size_t length = extraction.table.size();
        const bool sane = length >= SpptFileParser::minimumTableSize &&
                          length <= SpptFileParser::maximumTableSize &&
                          std::equal(rom.begin(), rom.end(), extraction.originalRom.begin(),
                                     extraction.originalRom.end());
        if (!sane) {
            std::abort();
        }
    } catch (const AppError&) {
        // A refusal is a correct outcome for most inputs.
    }
    return 0;
}
