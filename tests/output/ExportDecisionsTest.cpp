#include "output/ExportDecisions.hpp"

#include "OutputSandbox.hpp"
#include "core/HexFormat.hpp"
#include "support/ErrorMessage.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace ExportDecisions;

using Lines = std::vector<std::string>;

const std::string gpuPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";
const std::string fallbackLine =
    std::string("Using generic DeviceProperties fallback path: ") + fallbackDevicePath +
    ". Move the generated properties to the actual GPU path on the target machine if its "
    "topology differs.";
const std::string differsLine = "Local GPU identity differs from, or cannot authoritatively "
                                "identify, the loaded source. This does not block offline "
                                "patch generation.";
const std::string exactLine = "Loaded source identity matches the local GPU exactly.";
const std::string acceptedLine =
    "Manual DeviceProperties path accepted as authoritative for this export.";

SpptDocument sourceWith(std::optional<int> deviceID, int vendorID = 0x1002) {
    SpptDocument document;
    if (deviceID) {
        document.sourceIdentity = PciIdentity{vendorID, *deviceID};
    }
    return document;
}

TEST(ExportDecisions, IdentityGuardBlocksOnlyAnotherSupportedAmdFamily) {
    for (const auto& source : {sourceWith(0x7310), sourceWith(0x73BF, 0x1022), sourceWith(0x67DF),
                               sourceWith(std::nullopt)}) {
        EXPECT_NO_THROW(checkSourceIdentity(source, GpuFamily::polaris));
    }
    EXPECT_EQ(
        test::appErrorOf([] { checkSourceIdentity(sourceWith(0x73BF), GpuFamily::polaris); }),
        "PowerPlay/source identity mismatch: loaded Polaris table does not match source VBIOS "
        "device-id 0x73BF (RDNA2). Output was blocked.");
}

TEST(ExportDecisions, SpoofComesFromThePhysicalIdAndTheSpoofMap) {
    struct Case {
        std::optional<int> physicalID, sourceID, spoof;
        bool noGfxSpoof; // Polaris ids macOS does not drive need the framebuffer spoof as well
    };
    const std::vector<Case> cases = {
        {{}, {}, {}, false},
        {{}, 0x7310, {}, false},
        {0x67DF, 0x67DF, {}, false},
        {0x73AF, 0x73AF, 0x73BF, false},
        {0x6985, 0x6985, 0x67E3, true},
    };
    for (const Case& c : cases) {
        Lines messages;
        const SpoofDecision decision = decideSpoof(sourceWith(c.sourceID), c.physicalID, messages);
        const std::string physical = hexId(c.physicalID.value_or(0));
        EXPECT_EQ(messages.front(),
                  !c.physicalID
                      ? "Loaded source does not provide a confirmed AMD PCI device-id "
                        "matching this PowerPlay family; device-id and no-gfx-spoof are "
                        "intentionally omitted instead of borrowing the host GPU identity."
                  : !c.spoof ? "Confirmed source VBIOS physical device-id: " + physical +
                                   ". No OpenCore device-id spoof is mapped for this ID."
                             : "OpenCore device-id spoof will be generated from source VBIOS "
                               "physical identity: " +
                                   physical + " -> " + hexId(*c.spoof) + ".");
        EXPECT_EQ(messages.back(), c.sourceID
                                       ? "Source VBIOS device-id: " + hexId(*c.sourceID) + "."
                                       : "Source input has no VBIOS PCI device identity.");
        EXPECT_EQ(decision.spoofDeviceID, c.spoof);
        EXPECT_EQ(decision.noGfxSpoof, c.noGfxSpoof);
        EXPECT_EQ(decision.identitySourceLabel, c.physicalID ? "source VBIOS" : "unavailable");
    }
}

// The detector's own lines come first; these are the decision's.
TEST(ExportDecisions, DevicePathFollowsBothDecisionTables) {
    const auto crossed = [](const std::string& source) {
        return Lines{"Warning: local GFX0 is Polaris device-id 0x67DF but loaded source device-id "
                     "is " +
                         source +
                         ". This is an offline/cross-GPU export; the local GFX0 path "
                         "will not be used.",
                     fallbackLine, differsLine};
    };
    const Lines nothing = {"No usable local GFX0 path was detected.", fallbackLine};
    const std::string typed = " PciRoot(0x00)/Pci(0x01,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)\n";
    const std::string unconfirmed = "A local GFX0 path was found but its PCI identity could not "
                                    "be confirmed. It will not be assumed to belong to the loaded "
                                    "source.";
    const std::string matched = "Automatically detected GFX0 belongs to the loaded source GPU; "
                                "using its DeviceProperties path.";
    const std::string manualUnconfirmed = "IORegistry did not confirm a supported AMD device-id "
                                          "at the manual path; generation continues without "
                                          "inventing a local GPU identity.";
    const std::string manualMatched =
        "The live GPU at the manual path matches the loaded source identity.";
    const std::string manualOther = "Warning: manual path points to local Polaris device-id "
                                    "0x67DF, while the loaded source is being patched "
                                    "independently. Generation continues because manual paths "
                                    "are authoritative.";
    struct Case {
        std::string gfxutilID; // empty: no gfxutil; there is never an ioreg
        std::optional<int> sourceID;
        std::optional<std::string> override;
        bool usesGpuPath; // otherwise the fallback path
        Lines messages;
    };
    const std::vector<Case> cases = {
        {"", 0x67DF, {}, false, nothing},
        {"", 0x67DF, "\u00A0\u2028 \t", false, nothing},
        {"7310", 0x67DF, {}, false, {unconfirmed, fallbackLine}},
        {"67df", 0x67DF, {}, true, {matched, exactLine}},
        {"67df", 0x6985, {}, false, crossed("0x6985")},
        {"67df", {}, {}, false, crossed("unknown")},
        {"", 0x67DF, typed, true, {acceptedLine, manualUnconfirmed}},
        {"67df", 0x67DF, gpuPath, true, {acceptedLine, manualMatched, exactLine}},
        {"67df", 0x6985, gpuPath, true, {acceptedLine, manualOther, differsLine}},
    };
    test::OutputSandbox sandbox;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.messages.front());
        sandbox.context().gfxutilLocations.clear();
        if (!c.gfxutilID.empty()) {
            sandbox.context().gfxutilLocations = {
                sandbox.writeScript("gfxutil", "echo '01:00.0 1002:" + c.gfxutilID +
                                                   " /PCI0@0/PEG0@1/GFX0@0 = " + gpuPath + "'")};
        }
        Lines messages;
        const PathDecision decision =
            decideDevicePath(sourceWith(c.sourceID), GpuFamily::polaris, c.override, messages,
                             nullptr, sandbox.context());
        ASSERT_GE(messages.size(), c.messages.size());
        EXPECT_EQ(
            Lines(messages.end() - static_cast<std::ptrdiff_t>(c.messages.size()), messages.end()),
            c.messages);
        EXPECT_EQ(decision.devicePath, c.usesGpuPath ? gpuPath : fallbackDevicePath);
        EXPECT_EQ(decision.localGPU.has_value(), c.gfxutilID == "67df");
    }
    Lines messages;
    EXPECT_EQ(test::appErrorOf([&] {
                  (void)decideDevicePath(sourceWith(0x67DF), GpuFamily::polaris, "PciRoot(0x0)",
                                         messages, nullptr, sandbox.context());
              }),
              "Invalid DeviceProperties path override. Output was blocked instead of silently "
              "using another path.");
}

} // namespace
} // namespace ventora
