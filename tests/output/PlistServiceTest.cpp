#include "output/PlistService.hpp"

#include "OutputSandbox.hpp"
#include "output/Plist.hpp"
#include "support/ErrorMessage.hpp"

#include <functional>
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

std::string data(const std::string& base64) {
    return "<data>" + base64 + "</data>";
}

class PlistServiceTest : public ::testing::Test {
protected:
    test::OutputSandbox sandbox;
};

TEST_F(PlistServiceTest, RefusalsNameTheirCauseAndWriteNothing) {
    const fs::path mine = sandbox.root() / "MY.plist";
    const fs::path shipped = sandbox.context().resourcesDirectory / "BaseConfig.plist";
    const auto fromTemplate = [&](const std::string& path) {
        (void)PlistService::generateConfig(table, sandbox.root(), path, {}, false,
                                           sandbox.context());
    };
    const auto fromMine = [&] {
        std::vector<std::string> messages;
        (void)PlistService::generateConfigFrom(PlistService::readUserConfig(mine), table,
                                               sandbox.root(), polarisPath, {}, false, messages);
    };
    const std::string invalidPath =
        "Invalid DeviceProperties path. Use a complete PciRoot(...)/Pci(...) chain.";
    // Absent contents: no file at all.
    const std::vector<std::tuple<std::optional<std::string>, std::function<void()>, std::string>>
        cases = {
            {{},
             [&] { fromTemplate(polarisPath); },
             "BaseConfig.plist is missing from the app bundle."},
            {plistXml("<array/>"), [&] { fromTemplate(polarisPath); },
             "BaseConfig.plist is not a valid plist dictionary."},
            {plistXml("<dict/>"), [&] { fromTemplate("PciRoot(0x0)"); }, invalidPath},
            // The path is checked before the template is parsed.
            {"not a plist", [&] { fromTemplate("Pci(0x1,0x0)"); }, invalidPath},
            {"<?xml version=\"1.0\"?><plist><dict><key>a</key>", [&] { fromTemplate(polarisPath); },
             "Could not read a property list from " + shipped.string() + "."},
            {plistXml("<array><dict/></array>"), fromMine,
             "The chosen base config " + mine.string() + " is not a valid plist dictionary."},
            {"[Boot]\ntimeout=5\n", fromMine,
             "Could not read a property list from " + mine.string() + "."},
            {{},
             fromMine,
             "Could not read the chosen base config " + mine.string() +
                 ": No such file or directory."},
        };
    for (const auto& [contents, generate, message] : cases) {
        SCOPED_TRACE(message);
        fs::remove(shipped);
        fs::remove(mine);
        if (contents) {
            sandbox.write(shipped, *contents);
            sandbox.write(mine, *contents);
        }
        EXPECT_EQ(test::appErrorOf(generate), message);
        EXPECT_FALSE(fs::exists(sandbox.root() / "config.plist"));
    }
}

// A config as users keep theirs: the GPU's own properties, a table left under the iGPU, the
// audio device, a Delete section and values of every kind around DeviceProperties. Each
// case spells the GPU's entry differently; the result must equal `expectedAdd` inside an
// otherwise untouched config, in XML and in binary form alike.
TEST_F(PlistServiceTest, UserConfigKeepsEverythingButTheDesignedChanges) {
    const std::string gpu = "PciRoot(0x0)/Pci(0x1C,0x4)/Pci(0x0,0x0)";
    const auto entry = [](const std::string& key, const std::string& properties) {
        return "<key>" + key + "</key><dict>" + properties + "</dict>";
    };
    const std::string name = "<key>@0,name</key><string>ATY,Python</string>";
    const std::string model = "<key>model</key><string>AMD Radeon RX 6800</string>";
    const std::string ownDeviceID = "<key>device-id</key>" + data("33MAAA==");
    const std::string slot = "<key>AAPL,slot-name</key><string>Slot-1</string>";
    // A device-id the entry had is overwritten in place; new properties come last.
    const std::string spoof = "<key>device-id</key>" + data("v3MAAA==");
    const std::string tableKey = "<key>PP_PhmSoftPowerPlayTable</key>" + data("ECAwQFA=");
    const std::string igpuWithTable = entry(
        "PciRoot(0x0)/Pci(0x2,0x0)", "<key>AAPL,ig-platform-id</key>" + data("AACbPg==") +
                                         "<key>PP_PhmSoftPowerPlayTable</key>" + data("AAEC"));
    const std::string igpu =
        entry("PciRoot(0x0)/Pci(0x2,0x0)", "<key>AAPL,ig-platform-id</key>" + data("AACbPg=="));
    const std::string audio =
        entry("PciRoot(0x0)/Pci(0x1F,0x3)", "<key>layout-id</key>" + data("AQAAAA=="));
    const std::string gpuDone = entry(gpu, name + model + spoof + tableKey);
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
    struct Case {
        const char* name;
        std::string add;
        std::string expectedAdd;
        std::vector<std::string> respelled;
    };
    const std::string lowerCase = "PciRoot(0x0)/Pci(0x1c,0x4)/Pci(0x0,0x0)";
    const std::string oldTable = "<key>PP_PhmSoftPowerPlayTable</key>" + data("AAEC");
    const std::string other = "<key>PciRoot(0x2)/Pci(0x0,0x0)</key><string>keep</string>";
    const std::string padded = " PciRoot(0x00)/Pci(0x1C,0x04)/Pci(0x00,0x000) ";
    const std::vector<Case> cases = {
        {"canonical key",
         igpuWithTable + entry(gpu, name + model + ownDeviceID) + audio,
         igpu + gpuDone + audio,
         {}},
        {"lower-case key",
         igpuWithTable + entry(lowerCase, name + model + ownDeviceID) + audio,
         igpu + gpuDone + audio,
         {lowerCase}},
        {"zero-padded key with blanks",
         igpu + entry(padded, name + model) + audio,
         igpu + entry(gpu, name + model + tableKey + spoof) + audio,
         {padded}},
        // Both spellings: one entry where the first stood, the canonical entry's values win.
        {"both spellings",
         igpu + entry(lowerCase, name + "<key>model</key><string>Old</string>" + slot) + audio +
             entry(gpu, model),
         igpu + entry(gpu, model + name + slot + tableKey + spoof) + audio,
         {lowerCase}},
        // An entry left empty goes only when its key is a device path; other values stay.
        {"old tables elsewhere",
         entry("PciRoot(0x1)/Pci(0x3,0x0)", oldTable) + entry("#Comment", oldTable) + other +
             entry(gpu, ownDeviceID + "<key>no-gfx-spoof</key>" + data("AQAAAA==")),
         entry("#Comment", "") + other + entry(gpu, spoof + tableKey),
         {}},
    };
    for (const Case& c : cases) {
        for (const bool binary : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (binary ? ", binary" : ", XML"));
            const std::string xml = config(c.add);
            PlistService::UserConfig base{sandbox.root() / "My config.plist",
                                          Bytes(xml.begin(), xml.end())};
            if (binary) {
                base.bytes = Plist::toBinary(Plist::parse(base.bytes, "case").get());
            }
            std::vector<std::string> messages;
            const fs::path written = PlistService::generateConfigFrom(base, table, sandbox.root(),
                                                                      gpu, 0x73BF, false, messages);
            const Plist::PlistPtr result = Plist::parse(test::readFile(written), "result");
            const std::string expected = config(c.expectedAdd);
            EXPECT_EQ(
                Plist::toXml(result.get()),
                Plist::toXml(Plist::parse(Bytes(expected.begin(), expected.end()), "").get()));
            // Compared as text, a real rounded by the writer would be rounded alike on both
            // sides; its value proves it came back whole.
            double scale = 0;
            plist_get_real_val(
                Plist::item(Plist::item(result.get(), "Misc", PLIST_DICT), "Scale", PLIST_REAL),
                &scale);
            EXPECT_EQ(scale, 1.5e-10);
            std::vector<std::string> expectedMessages;
            for (const std::string& key : c.respelled) {
                expectedMessages.push_back("DeviceProperties -> Add entry \"" + key +
                                           "\" of the base config names the same device as " + gpu +
                                           "; it was respelled to that key with its "
                                           "other properties kept.");
            }
            EXPECT_EQ(messages, expectedMessages);
        }
    }
}

TEST_F(PlistServiceTest, ValidateReportsEachMismatch) {
    const std::string entryHead =
        "<dict><key>DeviceProperties</key><dict><key>Add</key><dict><key>" + polarisPath +
        "</key><dict>";
    const std::string entryTail = "</dict></dict></dict></dict>";
    const std::string goodTable = "<key>PP_PhmSoftPowerPlayTable</key>" + data("ECAwQFA=");
    struct Case {
        const char* name;
        std::string entry;
        std::optional<int> spoof;
        bool noGfxSpoof;
        std::string messageEnd; // empty: validation passes
    };
    const std::vector<Case> cases = {
        {"all good",
         goodTable + "<key>device-id</key>" + data("42cAAA==") + "<key>no-gfx-spoof</key>" +
             data("AQAAAA=="),
         0x67E3, true, ""},
        {"table differs", "<key>PP_PhmSoftPowerPlayTable</key>" + data("ECAwQFE="), std::nullopt,
         false, "SPPT data was not written correctly."},
        {"device-id unexpected", goodTable + "<key>device-id</key>" + data("42cAAA=="),
         std::nullopt, false, "device-id spoof does not match the target mapping."},
        {"no-gfx-spoof missing", goodTable + "<key>device-id</key>" + data("42cAAA=="), 0x67E3,
         true, "no-gfx-spoof does not match the target mapping."},
        {"no-gfx-spoof unexpected", goodTable + "<key>no-gfx-spoof</key>" + data("AQAAAA=="),
         std::nullopt, true, "no-gfx-spoof does not match the target mapping."},
    };
    const fs::path config = sandbox.root() / "handmade.plist";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sandbox.write(config, plistXml(entryHead + c.entry + entryTail));
        EXPECT_EQ(test::appErrorOf([&] {
                      PlistService::validate(config, table, polarisPath, c.spoof, c.noGfxSpoof);
                  }),
                  c.messageEnd.empty()
                      ? "<no AppError>"
                      : "Generated config.plist validation failed. " + c.messageEnd);
    }
}

} // namespace
} // namespace ventora
