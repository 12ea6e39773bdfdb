#include "core/ByteUtils.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

TEST(byte_utils_test, range_check_boundaries) {
    const Bytes four(4, 0);
    struct Row {
        std::int64_t offset, length;
        bool valid;
    };
    for (const Row row : {Row{4, 0, true}, Row{4, 1, false}, Row{0, -1, false}, Row{-1, 0, false},
                          Row{0, 4, true}, Row{1, 4, false}, Row{5, 0, false}}) {
        SCOPED_TRACE(testing::Message() << row.offset << "+" << row.length);
        EXPECT_EQ(ByteUtils::isRangeValid(four, row.offset, row.length), row.valid);
    }
}

TEST(byte_utils_test, little_endian_reads_and_out_of_range_zero) {
    const Bytes word{0x34, 0x12};
    EXPECT_EQ(ByteUtils::readUInt16LE(word, 0), 0x1234);
    EXPECT_EQ(ByteUtils::readUInt16LE(word, 1), 0);
    EXPECT_EQ(ByteUtils::readUInt16LE(word, -1), 0);
    const Bytes dword{0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(ByteUtils::readUInt32LE(dword, 0), 0x12345678u);
    EXPECT_EQ(ByteUtils::readUInt32LE(dword, 1), 0u);
}

TEST(byte_utils_test, write_stores_low_byte_first_and_ignores_out_of_range) {
    Bytes data{0, 0, 0};
    ByteUtils::writeUInt16LE(data, 2, 0xABCD);
    EXPECT_EQ(data, (Bytes{0, 0, 0}));
    ByteUtils::writeUInt16LE(data, 0, 0xABCD);
    EXPECT_EQ(data, (Bytes{0xCD, 0xAB, 0}));
}

TEST(byte_utils_test, changed_byte_count_counts_length_difference) {
    EXPECT_EQ(ByteUtils::changedByteCount(Bytes{1, 2, 3}, Bytes{1, 0xFF}), 2);
    EXPECT_EQ(ByteUtils::changedByteCount(Bytes{1, 2}, Bytes{1, 2}), 0);
    EXPECT_EQ(ByteUtils::changedByteCount(Bytes{}, Bytes(5, 0)), 5);
}

TEST(byte_utils_test, hex_string_is_upper_case_without_separators) {
    EXPECT_EQ(ByteUtils::hexString(Bytes{0x0A, 0xFF}), "0AFF");
    EXPECT_EQ(ByteUtils::hexString(Bytes{}), "");
}

} // namespace
} // namespace ventora
