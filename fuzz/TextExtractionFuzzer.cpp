// Feeds arbitrary file contents through the text import: decoding, REG and plain-dump
// extraction. Whatever the input, a conversion is either empty or a table-sized buffer.
#include "input/SpptFileParser.hpp"

#include <cstdlib>

using namespace ventora;

namespace {

bool isTableSized(std::size_t size) {
    return size >= SpptFileParser::minimumTableSize && size <= SpptFileParser::maximumTableSize;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = SpptFileParser::decodeText(ByteView(data, size));
    if (!text) {
        return 0;
    }
    const Bytes converted = SpptFileParser::extractHexBytes(*text);
    const auto registry = SpptFileParser::extractRegistryHexBytes(*text);
    const Bytes clean = SpptFileParser::extractCleanHexBytes(*text);
    if ((!converted.empty() && !isTableSized(converted.size())) ||
        (registry && !isTableSized(registry->size())) ||
        (!clean.empty() && !isTableSized(clean.size()))) {
        std::abort();
    }
    return 0;
}
