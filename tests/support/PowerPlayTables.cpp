#include "support/PowerPlayTables.hpp"

#include <stdexcept>
#include <tuple>

namespace ventora::test {
namespace {

/// One little-endian field: offset, width in bytes, value.
using Field = std::tuple<std::size_t, int, std::uint32_t>;

void fitAll(Bytes& table, std::size_t base, std::initializer_list<Field> fields) {
    for (const auto& [offset, width, value] : fields) {
        fit(table, base + offset, width, value);
    }
}

/// A table of `length` bytes filled from `seed`, with the common header and then `fields`.
Bytes builtTable(std::size_t length, std::uint8_t formatRevision, std::uint8_t contentRevision,
                 std::uint32_t seed, std::initializer_list<Field> fields) {
    Bytes table(length);
    std::uint32_t state = seed * 2654435761u + 1u;
    for (auto& byte : table) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    fit(table, 0, 4, (length & 0xFFFFu) | formatRevision << 16u | contentRevision << 24u);
    fitAll(table, 0, fields);
    return table;
}

struct Vega10Row {
    std::size_t target, minimumPwm, enable, stop, start;
};

Vega10Row vega10Row(std::uint8_t revision) {
    return revision == 10 ? Vega10Row{9, 11, 29, 30, 32} : Vega10Row{7, 9, 27, 28, 30};
}

/// Offsets of the three fields a preset edits.
struct FanFields {
    std::size_t stopTemperature;
    std::size_t startTemperature;
    std::size_t zeroRpmEnable;
    int temperatureWidth;
};

FanFields fanFieldsOf(GpuFamily family, ByteView table) {
    switch (family) {
    case GpuFamily::polaris: {
        const std::size_t f = ByteUtils::readUInt16LE(table, 37);
        return {f + 44, f + 45, f + 43, 1};
    }
    case GpuFamily::vega10: {
        const std::size_t f = ByteUtils::readUInt16LE(table, 50);
        const Vega10Row row = vega10Row(table[f]);
        return {f + row.stop, f + row.start, f + row.enable, 2};
    }
    case GpuFamily::vega20:
        return {1090, 1092, 1120, 2};
    case GpuFamily::navi10:
        return {1118, 1120, 1156, 2};
    case GpuFamily::rdna2:
        return {1790, 1792, 1832, 2};
    }
    throw std::logic_error("unknown family");
}

} // namespace

void fit(Bytes& table, std::size_t offset, int width, std::uint32_t value) {
    for (int i = 0; i < width && offset + i < table.size(); ++i) {
        table[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void put(Bytes& table, std::size_t offset, int width, std::uint32_t value) {
    if (offset + width > table.size()) {
        throw std::out_of_range("field past the table end");
    }
    fit(table, offset, width, value);
}

// clang-format off
Bytes polarisTable(std::size_t length, std::uint16_t fanTableOffset, std::uint32_t fillSeed) {
    Bytes table = builtTable(length, 7, 1, fillSeed, {{5, 2, 77}, {37, 2, fanTableOffset}});
    fitAll(table, fanTableOffset, {{0, 1, 9}, {21, 2, 3200}, {27, 1, 75}, {28, 1, 20},
                                   {43, 1, 1}, {44, 1, 50}, {45, 1, 60}});
    return table;
}

Bytes vega10Table(std::uint8_t fanTableRevision, std::size_t length, std::uint16_t fanTableOffset,
                  std::uint32_t fillSeed) {
    Bytes table = builtTable(length, 8, 1, fillSeed,
                             {{5, 2, 92}, {48, 2, 0x60}, {50, 2, fanTableOffset}});
    const Vega10Row row = vega10Row(fanTableRevision);
    fitAll(table, fanTableOffset, {{0, 1, fanTableRevision}, {row.target, 2, 85},
                                   {row.minimumPwm, 2, 25}, {row.enable, 1, 1},
                                   {row.stop, 2, 50}, {row.start, 2, 60}});
    return table;
}

Bytes vega20Table(std::uint32_t fillSeed) {
    return builtTable(1730, 11, 0, fillSeed,
                      {{4, 1, 2}, {5, 2, 1730}, {21, 1, 26}, {34, 1, 1}, {35, 4, 11},
                       {167, 1, 1}, {168, 4, 14}, {181, 1, 1}, {204, 4, 29}, {474, 4, 3},
                       {1090, 2, 50}, {1092, 2, 60}, {1114, 2, 3850}, {1116, 2, 95},
                       {1120, 1, 1}, {1121, 1, 4}});
}

Bytes navi10Table(std::uint32_t fillSeed) {
    return builtTable(1674, 12, 0, fillSeed,
                      {{4, 1, 1}, {5, 2, 482}, {21, 1, 27}, {182, 1, 0x80}, {186, 4, 14},
                       {190, 4, 30}, {203, 1, 1}, {482, 4, 8}, {1118, 2, 50}, {1120, 2, 55},
                       {1148, 2, 3200}, {1150, 2, 95}, {1154, 1, 0}, {1156, 1, 1},
                       {1157, 1, 2}});
}

Bytes rdna2Table(std::uint8_t formatRevision, std::size_t length, std::uint32_t fillSeed) {
    return builtTable(length, formatRevision, 0, fillSeed,
                      {{4, 1, 2}, {5, 2, 802}, {182, 1, 0x81}, {186, 4, 16}, {190, 4, 30},
                       {203, 1, 1}, {802, 4, 118}, {1790, 2, 50}, {1792, 2, 60}, {1832, 1, 1}});
}
// clang-format on

Bytes tableOfFamily(GpuFamily family, std::uint32_t fillSeed) {
    switch (family) {
    case GpuFamily::polaris:
        return polarisTable(640, defaultPolarisFanTableOffset, fillSeed);
    case GpuFamily::vega10:
        return vega10Table(11, 600, defaultVega10FanTableOffset, fillSeed);
    case GpuFamily::vega20:
        return vega20Table(fillSeed);
    case GpuFamily::navi10:
        return navi10Table(fillSeed);
    case GpuFamily::rdna2:
        return rdna2Table(15, 2470, fillSeed);
    }
    throw std::logic_error("unknown family");
}

Bytes presetApplied(Bytes table, GpuFamily family, PatchMode mode) {
    const FanFields fields = fanFieldsOf(family, table);
    table.at(fields.zeroRpmEnable) = mode.fanStop() ? 1 : 0;
    if (const auto fanStop = mode.fanStop()) {
        put(table, fields.startTemperature, fields.temperatureWidth, fanStop->start);
        put(table, fields.stopTemperature, fields.temperatureWidth, fanStop->stop);
    }
    return table;
}

} // namespace ventora::test
