#include "core/AppError.hpp"
#include "core/CancellationToken.hpp"
#include "core/GpuFamily.hpp"
#include "core/HexFormat.hpp"
#include "core/PatchMode.hpp"
#include "core/Uuid.hpp"

#include <gtest/gtest.h>
#include <regex>
#include <thread>

namespace ventora {
namespace {

TEST(foundation_test, gpu_family_round_trips_only_exact_raw_values) {
    for (const GpuFamily family : {GpuFamily::rdna2, GpuFamily::polaris, GpuFamily::vega10,
                                   GpuFamily::vega20, GpuFamily::navi10}) {
        EXPECT_EQ(gpuFamilyFromRawValue(rawValue(family)), family);
    }
    EXPECT_EQ(gpuFamilyFromRawValue("Vega 10"), GpuFamily::vega10);
    EXPECT_EQ(gpuFamilyFromRawValue("vega 10"), std::nullopt);
    EXPECT_EQ(gpuFamilyFromRawValue("Vega10"), std::nullopt);
}

TEST(foundation_test, preset_names) {
    EXPECT_EQ(presetName(PatchMode::fan35), "Fan 35 \xC2\xB0"
                                            "C / Stop 30 \xC2\xB0"
                                            "C");
    EXPECT_EQ(presetName(PatchMode::zeroRpmPure), "ZeroRPM OFF / Fan Always On");
    EXPECT_EQ(presetName(PatchMode::custom(45, 40)), "Fan 45 °C / Stop 40 °C");
}

TEST(foundation_test, custom_thresholds_keep_to_their_ranges) {
    for (const auto& [start, stop] : {std::pair{25, 20}, {25, 22}, {90, 87}, {90, 20}, {45, 40}}) {
        EXPECT_EQ(PatchMode::custom(start, stop).fanStop(), (FanStopTemperatures{start, stop}));
    }
    // Below or above the start range, a stop under 20, and stops closer than 3 °C to the start.
    for (const auto& [start, stop] :
         {std::pair{24, 20}, {91, 40}, {95, 40}, {45, 19}, {40, 38}, {40, 40}, {40, 45}}) {
        SCOPED_TRACE(std::to_string(start) + "/" + std::to_string(stop));
        EXPECT_THROW((void)PatchMode::custom(start, stop), AppError);
    }
}

TEST(foundation_test, hex_formats) {
    EXPECT_EQ(hexOffset(0), "0x0");
    EXPECT_EQ(hexOffset(0x728), "0x728");
    EXPECT_EQ(hexByte(1), "0x01");
    EXPECT_EQ(hexByte(0xFF), "0xFF");
    EXPECT_EQ(hexId(0x67DF), "0x67DF");
    EXPECT_EQ(hexId(0x2), "0x0002");
    EXPECT_EQ(hexId(0x12345), "0x12345");
}

TEST(foundation_test, cancellation_is_sticky_and_visible_across_threads) {
    CancellationToken token;
    EXPECT_FALSE(token.isCancelled());
    EXPECT_FALSE(isCancelled(nullptr));
    std::thread([&] { token.cancel(); }).join();
    EXPECT_TRUE(token.isCancelled());
    EXPECT_TRUE(isCancelled(&token));
}

TEST(foundation_test, app_error_what_is_its_message) {
    const AppError error("Export cancelled.");
    EXPECT_STREQ(error.what(), "Export cancelled.");
    EXPECT_EQ(error.message(), "Export cancelled.");
}

TEST(foundation_test, uuids_are_fresh_upper_case_version_4) {
    const std::regex shape("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    const std::string first = newUuidString();
    EXPECT_TRUE(std::regex_match(first, shape)) << first;
    EXPECT_NE(first, newUuidString());
}

} // namespace
} // namespace ventora
