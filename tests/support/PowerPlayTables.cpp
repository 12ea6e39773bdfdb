#include "support/PowerPlayTables.hpp"

#include <stdexcept>

namespace ventora::test {
namespace {

Bytes filledTable(std::size_t length, std::uint32_t seed) {
    Bytes table(length);
    std::uint32_t state = seed * 2654435761u + 1u;
    for (auto& byte : table) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return table;
}

Bytes withHeader(std::size_t length, std::uint8_t formatRevision, std::uint8_t contentRevision,
                 std::uint32_t seed) {
    Bytes table = filledTable(length, seed);
    fitU16(table, 0, static_cast<std::uint16_t>(length));
    fitU8(table, 2, formatRevision);
    fitU8(table, 3, contentRevision);
    return table;
}

struct Vega10Row {
    std::size_t target, minimumPwm, enable, stop, start, length;
};

Vega10Row vega10Row(std::uint8_t revision) {
    if (revision == 10) {
        return {9, 11, 29, 30, 32, 34};
    }
    return {7, 9, 27, 28, 30, revision == 11 ? std::size_t{35} : std::size_t{37}};
}

} // namespace

void fitU8(Bytes& table, std::size_t offset, std::uint8_t value) {
    if (offset < table.size()) {
        table[offset] = value;
    }
}

void fitU16(Bytes& table, std::size_t offset, std::uint16_t value) {
    fitU8(table, offset, static_cast<std::uint8_t>(value));
    fitU8(table, offset + 1, static_cast<std::uint8_t>(value >> 8));
}

void fitU32(Bytes& table, std::size_t offset, std::uint32_t value) {
    fitU16(table, offset, static_cast<std::uint16_t>(value));
    fitU16(table, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

void putU8(Bytes& table, std::size_t offset, std::uint8_t value) {
    table.at(offset) = value;
}

void putU16(Bytes& table, std::size_t offset, std::uint16_t value) {
    putU8(table, offset, static_cast<std::uint8_t>(value));
    putU8(table, offset + 1, static_cast<std::uint8_t>(value >> 8));
}

void putU32(Bytes& table, std::size_t offset, std::uint32_t value) {
    putU16(table, offset, static_cast<std::uint16_t>(value));
    putU16(table, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

Bytes polarisTable(std::size_t length, std::uint16_t fanTableOffset, std::uint32_t fillSeed) {
    Bytes table = withHeader(length, 7, 1, fillSeed);
    fitU16(table, 5, 77);
    fitU16(table, 37, fanTableOffset);
    const std::size_t f = fanTableOffset;
    fitU8(table, f, 9);
    fitU16(table, f + 21, 3200);
    fitU8(table, f + 27, 75);
    fitU8(table, f + 28, 20);
    fitU8(table, f + 43, 1);
    fitU8(table, f + 44, 50);
    fitU8(table, f + 45, 60);
    return table;
}

Bytes vega10Table(std::uint8_t fanTableRevision, std::size_t length, std::uint16_t fanTableOffset,
                  std::uint32_t fillSeed) {
    Bytes table = withHeader(length, 8, 1, fillSeed);
    fitU16(table, 5, 92);
    fitU16(table, 48, 0x60);
    fitU16(table, 50, fanTableOffset);
    const std::size_t f = fanTableOffset;
    const Vega10Row row = vega10Row(fanTableRevision);
    fitU8(table, f, fanTableRevision);
    fitU16(table, f + row.target, 85);
    fitU16(table, f + row.minimumPwm, 25);
    fitU8(table, f + row.enable, 1);
    fitU16(table, f + row.stop, 50);
    fitU16(table, f + row.start, 60);
    return table;
}

Bytes vega20Table(std::uint32_t fillSeed) {
    Bytes table = withHeader(1730, 11, 0, fillSeed);
    fitU8(table, 4, 2);
    fitU16(table, 5, 1730);
    fitU8(table, 21, 26);
    fitU8(table, 34, 1);
    fitU32(table, 35, 11);
    fitU8(table, 167, 1);
    fitU32(table, 168, 14);
    fitU8(table, 181, 1);
    fitU32(table, 204, 29);
    fitU32(table, 474, 3);
    fitU16(table, 1090, 50);
    fitU16(table, 1092, 60);
    fitU16(table, 1114, 3850);
    fitU16(table, 1116, 95);
    fitU8(table, 1120, 1);
    fitU8(table, 1121, 4);
    return table;
}

Bytes navi10Table(std::uint32_t fillSeed) {
    Bytes table = withHeader(1674, 12, 0, fillSeed);
    fitU8(table, 4, 1);
    fitU16(table, 5, 482);
    fitU8(table, 21, 27);
    fitU8(table, 182, 0x80);
    fitU32(table, 186, 14);
    fitU32(table, 190, 30);
    fitU8(table, 203, 1);
    fitU32(table, 482, 8);
    fitU16(table, 1118, 50);
    fitU16(table, 1120, 55);
    fitU16(table, 1148, 3200);
    fitU16(table, 1150, 95);
    fitU8(table, 1154, 0);
    fitU8(table, 1156, 1);
    fitU8(table, 1157, 2);
    return table;
}

Bytes rdna2Table(std::uint8_t formatRevision, std::size_t length, std::uint32_t fillSeed) {
    Bytes table = withHeader(length, formatRevision, 0, fillSeed);
    fitU8(table, 4, 2);
    fitU16(table, 5, 802);
    fitU8(table, 182, 0x81);
    fitU32(table, 186, 16);
    fitU32(table, 190, 30);
    fitU8(table, 203, 1);
    fitU32(table, 802, 118);
    fitU16(table, 1790, 50);
    fitU16(table, 1792, 60);
    fitU8(table, 1832, 1);
    return table;
}

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

} // namespace ventora::test
