#include "output/ExportDecisions.hpp"

#include "OutputSandbox.hpp"
#include "core/HexFormat.hpp"
#include "support/ErrorMessage.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using namespace ExportDecisions;

const std::string gpuPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)";
const std::string fallbackLine =
    std::string("Using generic DeviceProperties fallback path: ") + fallbackDevicePath +
    ". Move the generated properties to the actual GPU path on the target machine if its "
    "topology differs.";
const std::string differsLine = "Local GPU identity differs from, or cannot authoritatively "
                                "identify, the loaded source. This does not block offline "
                                "patch generation.";
const std::string exactLine = "Loaded source identity matches the local GPU exactly.";
const std::string noRegistryLine =
    "Could not read IORegistry while detecting the GPU DeviceProperties path.";
const std::string notVerifiedLine =
    "Could not read IORegistry to verify the manual DeviceProperties path.";
const std::string acceptedLine =
    "Manual DeviceProperties path accepted as authoritative for this export.";
const std::string resolvedLine =
    "Resolved GFX0 with gfxutil: vendor-id 0x1002, device-id 0x67DF, path " + gpuPath + ".";
const std::string verifiedLine =
    "Verified DeviceProperties target with gfxutil GFX0: Polaris, device-id 0x67DF, path " +
    gpuPath + ".";

SpptDocument sourceWith(std::optional<int> deviceID, int vendorID = 0x1002) {
    SpptDocument document;
    if (deviceID) {
        document.sourceIdentity = PciIdentity{vendorID, *deviceID};
    }
    return document;
}

TEST(ExportDecisions, IdentityGuardBlocksOnlyAnotherSupportedAmdFamily) {
    const std::string mismatch =
        "PowerPlay/source identity mismatch: loaded Polaris table does not match source VBIOS "
        "device-id 0x73BF (RDNA2). Output was blocked.";
    for (const auto& [source, message] :
         std::vector<std::pair<SpptDocument, std::string>>{{sourceWith(0x73BF), mismatch},
                                                           {sourceWith(0x7310), ""},
                                                           {sourceWith(0x73BF, 0x1022), ""},
                                                           {sourceWith(0x67DF), ""},
                                                           {sourceWith(std::nullopt), ""}}) {
        const std::string thrown =
            test::appErrorOf([&] { checkSourceIdentity(source, GpuFamily::polaris); });
        EXPECT_EQ(thrown, message.empty() ? "<no AppError>" : message);
    }
}

TEST(ExportDecisions, SpoofComesFromThePhysicalIdAndTheSpoofMap) {
    const std::string noIdentity =
        "Loaded source does not provide a confirmed AMD PCI device-id matching this PowerPlay "
        "family; device-id and no-gfx-spoof are intentionally omitted instead of borrowing the "
        "host GPU identity.";
    const std::string spoofed = "OpenCore device-id spoof will be generated from source VBIOS "
                                "physical identity: ";
    struct Case {
        std::optional<int> physicalID, sourceID, spoof;
        bool noGfxSpoof;
        std::vector<std::string> messages;
    };
    std::vector<Case> cases = {
        {{}, {}, {}, false, {noIdentity, "Source input has no VBIOS PCI device identity."}},
        {{}, 0x7310, {}, false, {noIdentity, "Source VBIOS device-id: 0x7310."}},
        {0x67DF,
         0x67DF,
         {},
         false,
         {"Confirmed source VBIOS physical device-id: 0x67DF. No OpenCore device-id spoof is "
          "mapped for this ID.",
          "Source VBIOS device-id: 0x67DF."}},
        {0x73AF,
         0x73AF,
         0x73BF,
         false,
         {spoofed + "0x73AF -> 0x73BF.", "Source VBIOS device-id: 0x73AF."}},
    };
    // Polaris ids macOS does not drive need the framebuffer spoof as well.
    for (const int id : {0x6981, 0x6985, 0x6987, 0x6995, 0x699F}) {
        const int spoof = id == 0x6987 || id == 0x699F ? 0x67FF : 0x67E3;
        cases.push_back({id,
                         id,
                         spoof,
                         true,
                         {spoofed + hexId(id) + " -> " + hexId(spoof) + ".",
                          "Source VBIOS device-id: " + hexId(id) + "."}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.physicalID.value_or(-1));
        std::vector<std::string> messages;
        const SpoofDecision decision = decideSpoof(sourceWith(c.sourceID), c.physicalID, messages);
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(decision.spoofDeviceID, c.spoof);
        EXPECT_EQ(decision.noGfxSpoof, c.noGfxSpoof);
        EXPECT_EQ(decision.identitySourceLabel, c.physicalID ? "source VBIOS" : "unavailable");
    }
}

TEST(ExportDecisions, DevicePathFollowsBothDecisionTables) {
    using Lines = std::vector<std::string>;
    struct Case {
        const char* name;
        std::string gfxutilIDs; // empty: no gfxutil; there is never an ioreg
        SpptDocument document;
        GpuFamily family;
        std::optional<std::string> override;
        Lines messages;
        bool usesGpuPath; // otherwise the fallback path
        bool confirmsGpu; // the local GPU 0x67DF
    };
    const auto polaris = GpuFamily::polaris;
    const SpptDocument source67DF = sourceWith(0x67DF);
    const Lines nothing = {noRegistryLine, "No usable local GFX0 path was detected.", fallbackLine};
    const Lines unconfirmed = {
        "Resolved GFX0 with gfxutil: vendor-id 0x1002, device-id 0x7310, path " + gpuPath + ".",
        notVerifiedLine,
        "A local GFX0 path was found but its PCI identity could not be confirmed. It will not be "
        "assumed to belong to the loaded source.",
        fallbackLine};
    const Lines matched = {resolvedLine, verifiedLine,
                           "Automatically detected GFX0 belongs to the loaded source GPU; using "
                           "its DeviceProperties path.",
                           exactLine};
    const auto crossed = [](const std::string& source) {
        return Lines{resolvedLine, verifiedLine,
                     "Warning: local GFX0 is Polaris device-id 0x67DF but loaded source "
                     "device-id is " +
                         source +
                         ". This is an offline/cross-GPU export; the local GFX0 path will not "
                         "be used.",
                     fallbackLine, differsLine};
    };
    const Lines manualUnconfirmed = {
        notVerifiedLine, acceptedLine,
        "IORegistry did not confirm a supported AMD device-id at the manual path; generation "
        "continues without inventing a local GPU identity."};
    const Lines manualMatched = {
        verifiedLine, acceptedLine,
        "The live GPU at the manual path matches the loaded source identity.", exactLine};
    const Lines manualOther = {
        verifiedLine, acceptedLine,
        "Warning: manual path points to local Polaris device-id 0x67DF, while the loaded source "
        "is being patched independently. Generation continues because manual paths are "
        "authoritative.",
        differsLine};
    const std::string typed = " PciRoot(0x00)/Pci(0x01,0x0)/Pci(0x0,0x0)/Pci(0x0,0x0)\n";
    const std::vector<Case> cases = {
        {"no path", "", source67DF, polaris, std::nullopt, nothing, false, false},
        {"blank override", "", source67DF, polaris, " \t\n ", nothing, false, false},
        {"Unicode blanks", "", source67DF, polaris, "\u00A0\u2028\u3000", nothing, false, false},
        {"unconfirmed", "1002:7310", source67DF, polaris, std::nullopt, unconfirmed, false, false},
        {"the source GPU", "1002:67df", source67DF, polaris, std::nullopt, matched, true, true},
        {"another GPU", "1002:67df", sourceWith(0x6985), polaris, std::nullopt, crossed("0x6985"),
         false, true},
        {"no source identity",
         "1002:67df",
         {},
         polaris,
         std::nullopt,
         crossed("unknown"),
         false,
         true},
        {"another vendor", "1002:67df", sourceWith(0x67DF, 0x1022), polaris, std::nullopt,
         crossed("0x67DF"), false, true},
        {"another family's table", "1002:67df", source67DF, GpuFamily::rdna2, std::nullopt,
         crossed("0x67DF"), false, true},
        {"manual, unconfirmed", "", source67DF, polaris, typed, manualUnconfirmed, true, false},
        {"manual, the source GPU", "1002:67df", source67DF, polaris, gpuPath, manualMatched, true,
         true},
        {"manual, another GPU", "1002:67df", sourceWith(0x6985), polaris, gpuPath, manualOther,
         true, true},
    };
    test::OutputSandbox sandbox;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.context().gfxutilLocations.clear();
        if (!c.gfxutilIDs.empty()) {
            sandbox.context().gfxutilLocations = {
                sandbox.writeScript("gfxutil", "echo '01:00.0 " + c.gfxutilIDs +
                                                   " /PCI0@0/PEG0@1/GFX0@0 = " + gpuPath + "'")};
        }
        std::vector<std::string> messages;
        const PathDecision decision = decideDevicePath(c.document, c.family, c.override, messages,
                                                       nullptr, sandbox.context());
        EXPECT_EQ(messages, c.messages);
        EXPECT_EQ(decision.devicePath, c.usesGpuPath ? gpuPath : fallbackDevicePath);
        EXPECT_EQ(decision.localGPU ? std::optional(decision.localGPU->deviceID) : std::nullopt,
                  c.confirmsGpu ? std::optional(0x67DF) : std::nullopt);
    }
}

} // namespace
} // namespace ventora
