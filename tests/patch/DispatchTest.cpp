#include "PatchTestSupport.hpp"
#include "support/PowerPlayTables.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace test;

TEST(dispatch_test, table_shorter_than_256_bytes_is_refused_without_header_line) {
    Bytes table(255, 0x11);
    putU16(table, 0, 255);
    const PatchResult result = patch(table, PatchMode::zeroRpmPure);
    std::vector<std::string> expected = patchPreamble;
    expected.insert(expected.end(), {blockedLine, "Patch status: NOT_APPLIED_UNSUPPORTED_LAYOUT.",
                                     "Preset: ZeroRPM OFF / Fan Always On.", "Changed bytes: 0."});
    EXPECT_EQ(result.messages, expected);
    EXPECT_FALSE(result.automaticLayoutSupported);
    EXPECT_FALSE(result.gpuFamily.has_value());
    EXPECT_EQ(result.data, table);
    EXPECT_EQ(result.presetName, "ZeroRPM OFF / Fan Always On");
}

TEST(dispatch_test, declared_size_must_equal_length) {
    Bytes table = polarisTable(300, 0x100);
    putU16(table, 0, 299);
    const auto lines = afterPreamble(patch(table, PatchMode::fan35));
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "PowerPlay header: size=299 bytes, revision=7.1.");
    EXPECT_EQ(lines[1], "Declared PowerPlay size is invalid or differs from the loaded bytes. "
                        "Automatic patching was blocked.");
    EXPECT_EQ(lines[2], blockedLine);

    putU16(table, 0, 0);
    EXPECT_EQ(afterPreamble(patch(table, PatchMode::fan35))[1], lines[1]);
}

TEST(dispatch_test, unsupported_revisions_name_the_revision) {
    struct Row {
        std::uint8_t format, content;
    };
    for (const Row row : {Row{7, 0}, Row{8, 0}, Row{17, 0}, Row{11, 1}, Row{12, 1}, Row{7, 2},
                          Row{15, 1}, Row{13, 0}, Row{20, 0}}) {
        SCOPED_TRACE(testing::Message() << int(row.format) << "." << int(row.content));
        Bytes table = rdna2Table(15);
        putU8(table, 2, row.format);
        putU8(table, 3, row.content);
        const PatchResult result = patch(table, PatchMode::fan35);
        const auto lines = afterPreamble(result);
        const std::string revision = std::to_string(row.format) + "." + std::to_string(row.content);
        EXPECT_EQ(lines.at(1),
                  "Unsupported PowerPlay table revision for automatic patching: " + revision + ".");
        EXPECT_EQ(lines.at(2), blockedLine);
        EXPECT_EQ(result.patchStatus, "NOT_APPLIED_UNSUPPORTED_LAYOUT");
        EXPECT_EQ(result.data, table);
    }
}

TEST(dispatch_test, each_revision_reaches_its_family) {
    struct Row {
        Bytes table;
        GpuFamily family;
    };
    const std::vector<Row> rows{
        {polarisTable(), GpuFamily::polaris}, {vega10Table(10), GpuFamily::vega10},
        {vega10Table(11), GpuFamily::vega10}, {vega10Table(12), GpuFamily::vega10},
        {vega20Table(), GpuFamily::vega20},   {navi10Table(), GpuFamily::navi10},
        {rdna2Table(15), GpuFamily::rdna2},   {rdna2Table(16), GpuFamily::rdna2},
        {rdna2Table(18), GpuFamily::rdna2},   {rdna2Table(19), GpuFamily::rdna2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(rawValue(row.family)));
        const PatchResult result = patch(row.table, PatchMode::fan35);
        EXPECT_TRUE(result.automaticLayoutSupported);
        EXPECT_EQ(result.gpuFamily, row.family);
        EXPECT_EQ(result.patchStatus, "APPLIED");
    }
}

} // namespace
} // namespace ventora
