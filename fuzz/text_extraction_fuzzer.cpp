// Feeds arbitrary file contents through the text import: decoding, then REG and plain-dump
// extraction. Whatever the input, a conversion is either empty or a table-sized buffer.
#include "input/HexExtraction.hpp"
#include "input/SpptFileParser.hpp"
#include "input/TextDecoding.hpp"

#include <cstdlib>

using namespace ventora;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = SpptFileParser::decodeText(ByteView(data, size));
    if (!text) {
        return 0;
    }
    const std::size_t length = SpptFileParser::extractHexBytes(*text).size();
    if (length != 0 &&
        (length < SpptFileParser::minimumTableSize || length > SpptFileParser::maximumTableSize)) {
        std::abort();
    }
    return 0;
}
