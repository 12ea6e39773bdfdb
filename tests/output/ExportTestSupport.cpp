#include "ExportTestSupport.hpp"

#include "support/PowerPlayTables.hpp"
#include "support/RomBuilder.hpp"

namespace ventora::test {
namespace fs = std::filesystem;

ExportTest::ExportTest() {
    writeFile(finalArchive(PatchMode::zeroRpmPure), previousZero);
    writeFile(finalArchive(PatchMode::fan35), previousFan35);
    options.zipTimeouts = {.archiveSeconds = 5.0, .validationSeconds = 5.0};
}

SpptDocument ExportTest::romDocument(GpuFamily family, int deviceID, int vendorID) {
    SpptDocument document;
    document.data = tableOfFamily(family);
    RomImageLayout layout;
    layout.vendorID = static_cast<std::uint16_t>(vendorID);
    layout.deviceID = static_cast<std::uint16_t>(deviceID);
    layout.table = document.data;
    layout.length = 0x8000;
    document.originalRom = romImage(layout);
    document.sourceVendorID = vendorID;
    document.sourceDeviceID = deviceID;
    document.sourceDescription = inputFile.string();
    writeFile(inputFile, *document.originalRom);
    inputBytes = *document.originalRom;
    return document;
}

SpptDocument ExportTest::rawDocument(GpuFamily family) {
    SpptDocument document;
    document.data = tableOfFamily(family);
    document.sourceDescription = inputFile.string();
    writeFile(inputFile, document.data);
    inputBytes = document.data;
    return document;
}

ExportResult ExportTest::runExport(const SpptDocument& document, PatchMode mode,
                                   const std::optional<std::string>& override,
                                   const CancellationToken* token) {
    return OutputBuilder::exportPackage(document, mode, override, token, sandbox.context(),
                                        options);
}

std::string ExportTest::exportFailure(const SpptDocument& document, PatchMode mode,
                                      const std::optional<std::string>& override,
                                      const CancellationToken* token) {
    try {
        (void)runExport(document, mode, override, token);
        return "";
    } catch (const std::exception& error) {
        return error.what();
    }
}

void ExportTest::useGfxutil(const std::string& ids, const std::string& path) {
    sandbox.context().gfxutilLocations = {sandbox.writeScript(
        "gfxutil", "echo '01:00.0 " + ids + " /PCI0@0/PEG0@1/GFX0@0 = " + path + "'")};
}

fs::path ExportTest::finalArchive(PatchMode mode) const {
    return sandbox.root() / "Desktop" /
           (mode == PatchMode::fan35 ? "ZeroRPM35.zip" : "ZeroRPM.zip");
}

void ExportTest::expectPreviousArchivesUntouched() const {
    EXPECT_EQ(readFile(finalArchive(PatchMode::zeroRpmPure)), previousZero);
    EXPECT_EQ(readFile(finalArchive(PatchMode::fan35)), previousFan35);
}

void ExportTest::expectNoTemporariesAndInputUnchanged() const {
    EXPECT_EQ(sandbox.leftoverTemporaries(), std::vector<std::string>{});
    EXPECT_EQ(readFile(inputFile), inputBytes);
}

Plist::PlistPtr ExportTest::parsed(const Bytes& bytes) {
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + std::min<std::size_t>(5, bytes.size())),
              "<?xml");
    return Plist::parse(bytes, "archive member");
}

plist_t ExportTest::addSection(const Plist::PlistPtr& root) {
    return Plist::item(Plist::item(root.get(), "DeviceProperties", PLIST_DICT), "Add", PLIST_DICT);
}

} // namespace ventora::test
