#include "output/PlistService.hpp"

#include "OutputSandbox.hpp"
#include "output/Plist.hpp"
#include "support/ErrorMessage.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

namespace fs = std::filesystem;

const std::string polarisPath = "PciRoot(0x0)/Pci(0x1,0x0)/Pci(0x0,0x0)";
const Bytes table = {0x10, 0x20, 0x30, 0x40, 0x50};

std::string plistXml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body +
           "</plist>\n";
}

// <key>key</key><data>base64</data>
std::string data(const std::string& key, const std::string& base64) {
    return "<key>" + key + "</key><data>" + base64 + "</data>";
}

class PlistService : public ::testing::Test {
protected:
    test::OutputSandbox sandbox;
};

TEST_F(PlistService, RefusalsNameTheirCauseAndWriteNothing) {
    const fs::path mine = sandbox.root() / "MY.plist";
    const fs::path shipped = sandbox.context().resourcesDirectory / "BaseConfig.plist";
    // Contents of both configs (absent: no files at all), whether the user's config is the
    // base, the device path and the refusal.
    const std::vector<std::tuple<std::optional<std::string>, bool, std::string, std::string>>
        cases = {
            {{}, false, polarisPath, "BaseConfig.plist is missing from the app bundle."},
            {plistXml("<array/>"), false, polarisPath,
             "BaseConfig.plist is not a valid plist dictionary."},
            // The path is checked before the template is parsed.
            {"not a plist", false, "Pci(0x1,0x0)",
             "Invalid DeviceProperties path. Use a complete PciRoot(...)/Pci(...) chain."},
            {"[Boot]\ntimeout=5\n", false, polarisPath,
             "Could not read a property list from " + shipped.string() + "."},
            {plistXml("<array><dict/></array>"), true, polarisPath,
             "The chosen base config " + mine.string() + " is not a valid plist dictionary."},
            {{},
             true,
             polarisPath,
             "Could not read the chosen base config " + mine.string() +
                 ": No such file or directory."},
        };
    for (const auto& [contents, chosen, path, message] : cases) {
        fs::remove(shipped);
        fs::remove(mine);
        if (contents) {
            sandbox.write(shipped, *contents);
            sandbox.write(mine, *contents);
        }
        std::vector<std::string> messages;
        // Named copies: clang 14 cannot capture structured bindings.
        const bool isChosen = chosen;
        const std::string& target = path;
        EXPECT_EQ(test::appErrorOf([&] {
                      (void)(isChosen ? ventora::PlistService::generateConfigFrom(
                                            ventora::PlistService::readUserConfig(mine), table,
                                            sandbox.root(), target, {}, false, messages)
                                      : ventora::PlistService::generateConfig(table, sandbox.root(),
                                                                              target, {}, false,
                                                                              sandbox.context()));
                  }),
                  message);
        EXPECT_FALSE(fs::exists(sandbox.root() / "config.plist"));
    }
}

// A config as users keep theirs: the GPU's own properties, a table left under the iGPU, the
// audio device, a Delete section and values of every kind around DeviceProperties. Each
// case spells the GPU's entry differently; the result must equal `expectedAdd` inside an
// otherwise untouched config, in XML and in binary form alike.
TEST_F(PlistService, UserConfigKeepsEverythingButTheDesignedChanges) {
    const std::string gpu = "PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0)";
    const auto entry = [](const std::string& key, const std::string& properties) {
        return "<key>" + key + "</key><dict>" + properties + "</dict>";
    };
    const std::string name = "<key>@0,name</key><string>ATY,Python</string>";
    const std::string model = "<key>model</key><string>AMD Radeon RX 6800</string>";
    const std::string ownDeviceID = data("device-id", "33MAAA==");
    const std::string slot = "<key>AAPL,slot-name</key><string>Slot-1</string>";
    // A device-id the entry had is overwritten in place; new properties come last.
    const std::string spoof = data("device-id", "v3MAAA==");
    const std::string tableKey = data("PP_PhmSoftPowerPlayTable", "ECAwQFA=");
    const std::string igpuWithTable =
        entry("PciRoot(0x0)/Pci(0x2,0x0)",
              data("AAPL,ig-platform-id", "AACbPg==") + data("PP_PhmSoftPowerPlayTable", "AAEC"));
    const std::string igpu =
        entry("PciRoot(0x0)/Pci(0x2,0x0)", data("AAPL,ig-platform-id", "AACbPg=="));
    const std::string audio = entry("PciRoot(0x0)/Pci(0x1F,0x3)", data("layout-id", "AQAAAA=="));
    const auto config = [&](const std::string& add) {
        return plistXml(
            "<dict><key>ACPI</key><dict><key>Add</key><array><dict><key>Enabled</key><true/>"
            "<key>Path</key><string>SSDT-EC.aml</string></dict></array></dict>"
            "<key>DeviceProperties</key><dict><key>Add</key><dict>" +
            add +
            "</dict><key>Delete</key><dict><key>PciRoot(0x0)/Pci(0x2,0x0)</key><array>"
            "<string>AAPL,ig-platform-id</string></array></dict></dict>"
            "<key>Misc</key><dict><key>Timeout</key><integer>-1</integer><key>Scale</key>"
            "<real>1.5e-10</real><key>Built</key><date>2024-02-29T12:34:56Z</date>"
            "<key>Matrix</key><array><array><integer>18446744073709551615</integer><array/>"
            "</array><data>AAE=</data><false/></array></dict></dict>");
    };
    const std::string lowerCase = "PciRoot(0x0)/Pci(0x1c,0x4)/Pci(0x0,0x0)";
    const std::string oldTable = data("PP_PhmSoftPowerPlayTable", "AAEC");
    const std::string other = "<key>PciRoot(0x2)/Pci(0x0,0x0)</key><string>keep</string>";
    const std::string padded = " PciRoot(0x00)/Pci(0x1C,0x04)/Pci(0x00,0x000) ";
    struct Case {
        std::string add, expectedAdd, respelled = {}; // respelled: the key reported, if any
    };
    const std::vector<Case> cases = {
        {igpuWithTable + entry(gpu, name + model + ownDeviceID) + audio,
         igpu + entry(gpu, name + model + spoof + tableKey) + audio},
        {igpu + entry(padded, name + model) + audio,
         igpu + entry(gpu, name + model + tableKey + spoof) + audio, padded},
        // Both spellings: one entry where the first stood, the canonical entry's values win.
        {igpu + entry(lowerCase, name + "<key>model</key><string>Old</string>" + slot) + audio +
             entry(gpu, model),
         igpu + entry(gpu, model + name + slot + tableKey + spoof) + audio, lowerCase},
        // An entry left empty goes only when its key is a device path; other values stay.
        {entry("PciRoot(0x1)/Pci(0x3,0x0)", oldTable) + entry("#Comment", oldTable) + other +
             entry(gpu, ownDeviceID + data("no-gfx-spoof", "AQAAAA==")),
         entry("#Comment", "") + other + entry(gpu, spoof + tableKey)},
    };
    for (std::size_t i = 0; i < cases.size() * 2; ++i) {
        const Case& c = cases[i / 2];
        SCOPED_TRACE(c.add + (i % 2 == 1 ? ", binary" : ", XML"));
        const std::string xml = config(c.add);
        ventora::PlistService::UserConfig base{sandbox.root() / "My config.plist",
                                               Bytes(xml.begin(), xml.end())};
        if (i % 2 == 1) {
            base.bytes = Plist::toBinary(Plist::parse(base.bytes, "case").get());
        }
        std::vector<std::string> messages;
        const fs::path written = ventora::PlistService::generateConfigFrom(
            base, table, sandbox.root(), gpu, 0x73BF, false, messages);
        const Plist::PlistPtr result = Plist::parse(test::readFile(written), "result");
        const std::string expected = config(c.expectedAdd);
        EXPECT_EQ(Plist::toXml(result.get()),
                  Plist::toXml(Plist::parse(Bytes(expected.begin(), expected.end()), "").get()));
        // Compared as text, a real rounded by the writer would be rounded alike on both sides;
        // its value proves it came back whole.
        double scale = 0;
        plist_get_real_val(
            Plist::item(Plist::item(result.get(), "Misc", PLIST_DICT), "Scale", PLIST_REAL),
            &scale);
        EXPECT_EQ(scale, 1.5e-10);
        EXPECT_EQ(messages, c.respelled.empty()
                                ? std::vector<std::string>{}
                                : std::vector<std::string>{
                                      "DeviceProperties -> Add entry \"" + c.respelled +
                                      "\" of the base config names the same device as " + gpu +
                                      "; it was respelled to that key with its other properties "
                                      "kept."});
    }
}

TEST_F(PlistService, ValidateReportsEachMismatch) {
    const std::string goodTable = data("PP_PhmSoftPowerPlayTable", "ECAwQFA=");
    const std::string spoof = data("device-id", "42cAAA==");
    const std::string noGfx = data("no-gfx-spoof", "AQAAAA==");
    // The entry written, the spoof and no-gfx-spoof expected, and how the check fails.
    const std::vector<std::tuple<std::string, std::optional<int>, bool, std::string>> cases = {
        {goodTable + spoof + noGfx, 0x67E3, true, ""},
        {data("PP_PhmSoftPowerPlayTable", "ECAwQFE="),
         {},
         false,
         "SPPT data was not written correctly."},
        {goodTable + spoof, {}, false, "device-id spoof does not match the target mapping."},
        {goodTable + spoof, 0x67E3, true, "no-gfx-spoof does not match the target mapping."},
    };
    const fs::path config = sandbox.root() / "handmade.plist";
    for (const auto& [entry, expectedSpoof, noGfxSpoof, messageEnd] : cases) {
        sandbox.write(config, plistXml("<dict><key>DeviceProperties</key><dict><key>Add</key><dict>"
                                       "<key>" +
                                       polarisPath + "</key><dict>" + entry +
                                       "</dict></dict></dict></dict>"));
        const std::optional<int> spoofID = expectedSpoof;
        const bool withNoGfxSpoof = noGfxSpoof;
        EXPECT_EQ(test::appErrorOf([&] {
                      ventora::PlistService::validate(config, table, polarisPath, spoofID,
                                                      withNoGfxSpoof);
                  }),
                  messageEnd.empty() ? "<no AppError>"
                                     : "Generated config.plist validation failed. " + messageEnd);
    }
}

} // namespace
} // namespace ventora
