#include "output/PlistService.hpp"

#include "OutputSandbox.hpp"
#include "core/AppError.hpp"
#include "output/Plist.hpp"

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
    void useTemplate(const std::string& xml) {
        test::writeFile(sandbox.context().resourcesDirectory / "BaseConfig.plist", xml);
    }

    // Generates into the sandbox root and returns the written config, parsed back.
    Plist::PlistPtr generate(const std::string& path, std::optional<int> spoof = std::nullopt,
                             bool noGfxSpoof = false) {
        const fs::path written = PlistService::generateConfig(table, sandbox.root(), path, spoof,
                                                              noGfxSpoof, sandbox.context());
        EXPECT_EQ(written, sandbox.root() / "config.plist");
        const Bytes bytes = test::readFile(written);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "<?xml");
        return Plist::parse(bytes, written.string());
    }

    static plist_t addSection(const Plist::PlistPtr& root) {
        return Plist::item(Plist::item(root.get(), "DeviceProperties", PLIST_DICT), "Add",
                           PLIST_DICT);
    }

    static std::optional<Bytes> property(const Plist::PlistPtr& root, const std::string& path,
                                         const char* key) {
        return Plist::dataValue(
            Plist::item(Plist::item(addSection(root), path, PLIST_DICT), key, PLIST_DATA));
    }

    test::OutputSandbox sandbox;
};

TEST_F(PlistServiceTest, shipped_template_gains_the_spoof_properties_due_and_keeps_the_rest) {
    struct Case {
        std::optional<int> spoof;
        bool noGfxSpoof;
        std::optional<Bytes> deviceID;
        std::optional<Bytes> noGfxSpoofValue;
    };
    // Without a spoof id the flag is ignored: neither property is written.
    for (const Case& c : {Case{0x67E3, true, Bytes{0xE3, 0x67, 0, 0}, Bytes{1, 0, 0, 0}},
                          Case{0x73BF, false, Bytes{0xBF, 0x73, 0, 0}, std::nullopt},
                          Case{std::nullopt, true, std::nullopt, std::nullopt}}) {
        SCOPED_TRACE(c.spoof.value_or(-1));
        const Plist::PlistPtr root = generate(polarisPath, c.spoof, c.noGfxSpoof);
        EXPECT_EQ(property(root, polarisPath, "PP_PhmSoftPowerPlayTable"), table);
        EXPECT_EQ(property(root, polarisPath, "device-id"), c.deviceID);
        EXPECT_EQ(property(root, polarisPath, "no-gfx-spoof"), c.noGfxSpoofValue);
        EXPECT_EQ(plist_dict_get_size(addSection(root)), 1U);
        const Plist::PlistPtr original =
            Plist::parse(test::readFile(VENTORA_BASE_CONFIG_PATH), VENTORA_BASE_CONFIG_PATH);
        for (const char* section :
             {"ACPI", "Booter", "Kernel", "Misc", "NVRAM", "PlatformInfo", "UEFI"}) {
            EXPECT_EQ(Plist::toXml(plist_dict_get_item(root.get(), section)),
                      Plist::toXml(plist_dict_get_item(original.get(), section)))
                << section;
        }
    }
}

TEST_F(PlistServiceTest, non_canonical_path_is_stored_under_its_canonical_spelling) {
    const auto root = generate("  PciRoot(0x0)/Pci(0x01,0x0)/Pci(0x0,0x0)\n");
    EXPECT_EQ(property(root, polarisPath, "PP_PhmSoftPowerPlayTable"), table);
    EXPECT_EQ(plist_dict_get_size(addSection(root)), 1U);
}

TEST_F(PlistServiceTest, missing_or_mistyped_sections_are_created) {
    for (const char* body :
         {"<dict><key>Timeout</key><integer>-1</integer></dict>",
          "<dict><key>DeviceProperties</key><string>x</string></dict>",
          "<dict><key>DeviceProperties</key><dict><key>Add</key><array/></dict></dict>"}) {
        SCOPED_TRACE(body);
        useTemplate(plistXml(body));
        EXPECT_EQ(property(generate(polarisPath), polarisPath, "PP_PhmSoftPowerPlayTable"), table);
        // Negative integers survive the round trip (OpenCore has several -1 defaults).
        const Bytes written = test::readFile(sandbox.root() / "config.plist");
        EXPECT_EQ(std::string(written.begin(), written.end()).find("<integer>-1</integer>") !=
                      std::string::npos,
                  std::string(body).find("-1") != std::string::npos);
    }
}

TEST_F(PlistServiceTest, old_tables_leave_every_other_entry) {
    // Table-only entry under another PciRoot: removed entirely. Entry with other properties:
    // loses only the table. Non-PciRoot key: never removed, even when emptied. A value that
    // is no dictionary is left alone. The target entry keeps unrelated properties, and its
    // old device-id goes because there is no spoof.
    useTemplate(
        plistXml("<dict><key>DeviceProperties</key><dict><key>Add</key><dict>"
                 "<key>PciRoot(0x1)/Pci(0x3,0x0)</key><dict><key>PP_PhmSoftPowerPlayTable</key>" +
                 data("AAEC") +
                 "</dict>"
                 "<key>PciRoot(0x0)/Pci(0x1b,0x0)</key><dict><key>PP_PhmSoftPowerPlayTable</key>" +
                 data("AAEC") + "<key>layout-id</key>" + data("AQAAAA==") +
                 "</dict>"
                 "<key>#Comment</key><dict><key>PP_PhmSoftPowerPlayTable</key>" +
                 data("AAEC") +
                 "</dict>"
                 "<key>PciRoot(0x2)/Pci(0x0,0x0)</key><string>keep</string>"
                 "<key>" +
                 polarisPath + "</key><dict><key>device-id</key>" + data("32cAAA==") +
                 "<key>no-gfx-spoof</key>" + data("AQAAAA==") + "<key>hda-gfx</key>" +
                 "<string>onboard-1</string></dict>"
                 "</dict><key>Delete</key><dict><key>x</key><array/></dict></dict></dict>"));
    const auto root = generate(polarisPath);
    plist_t add = addSection(root);
    EXPECT_EQ(plist_dict_get_item(add, "PciRoot(0x1)/Pci(0x3,0x0)"), nullptr);
    EXPECT_FALSE(property(root, "PciRoot(0x0)/Pci(0x1b,0x0)", "PP_PhmSoftPowerPlayTable"));
    EXPECT_EQ(property(root, "PciRoot(0x0)/Pci(0x1b,0x0)", "layout-id"),
              (Bytes{0x01, 0x00, 0x00, 0x00}));
    ASSERT_NE(Plist::item(add, "#Comment", PLIST_DICT), nullptr);
    EXPECT_EQ(plist_dict_get_size(Plist::item(add, "#Comment", PLIST_DICT)), 0U);
    EXPECT_NE(Plist::item(add, "PciRoot(0x2)/Pci(0x0,0x0)", PLIST_STRING), nullptr);
    plist_t target = Plist::item(add, polarisPath, PLIST_DICT);
    EXPECT_NE(Plist::item(target, "hda-gfx", PLIST_STRING), nullptr);
    EXPECT_FALSE(property(root, polarisPath, "device-id"));
    EXPECT_FALSE(property(root, polarisPath, "no-gfx-spoof"));
    EXPECT_NE(
        Plist::item(Plist::item(root.get(), "DeviceProperties", PLIST_DICT), "Delete", PLIST_DICT),
        nullptr);
}

TEST_F(PlistServiceTest, binary_template_yields_xml_config) {
    const Plist::PlistPtr shipped = Plist::parse(test::readFile(VENTORA_BASE_CONFIG_PATH), "t");
    test::writeFile(sandbox.context().resourcesDirectory / "BaseConfig.plist",
                    Plist::toBinary(shipped.get()));
    EXPECT_EQ(property(generate(polarisPath), polarisPath, "PP_PhmSoftPowerPlayTable"), table);
}

TEST_F(PlistServiceTest, refusals_name_their_cause) {
    struct Case {
        const char* name;
        std::optional<std::string> templateXml; // absent: no template file at all
        std::string path;
        std::string message;
    };
    const std::string invalidPath =
        "Invalid DeviceProperties path. Use a complete PciRoot(...)/Pci(...) chain.";
    const std::vector<Case> cases = {
        {"missing template", std::nullopt, polarisPath,
         "BaseConfig.plist is missing from the app bundle."},
        {"array root", plistXml("<array><string>a</string></array>"), polarisPath,
         "BaseConfig.plist is not a valid plist dictionary."},
        {"invalid path", plistXml("<dict/>"), "PciRoot(0x0)", invalidPath},
        // The path is checked before the template is parsed.
        {"invalid path, broken template", std::string("not a plist"), "Pci(0x1,0x0)", invalidPath},
        // libplist gives no reason of its own; the parse error names the file.
        {"unparsable template", std::string("<?xml version=\"1.0\"?><plist><dict><key>a</key>"),
         polarisPath,
         "Could not read a property list from " +
             (sandbox.context().resourcesDirectory / "BaseConfig.plist").string() + "."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path templatePath = sandbox.context().resourcesDirectory / "BaseConfig.plist";
        fs::remove(templatePath);
        if (c.templateXml) {
            useTemplate(*c.templateXml);
        }
        try {
            (void)generate(c.path);
            ADD_FAILURE() << "no error";
        } catch (const std::exception& error) {
            EXPECT_EQ(error.what(), c.message);
        }
        EXPECT_FALSE(fs::exists(sandbox.root() / "config.plist"));
    }
}

TEST_F(PlistServiceTest, validate_reports_each_mismatch) {
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
        {"table not data", "<key>PP_PhmSoftPowerPlayTable</key><string>x</string>", std::nullopt,
         false, "SPPT data was not written correctly."},
        {"device-id unexpected", goodTable + "<key>device-id</key>" + data("42cAAA=="),
         std::nullopt, false, "device-id spoof does not match the target mapping."},
        {"device-id wrong", goodTable + "<key>device-id</key>" + data("/2cAAA=="), 0x67E3, false,
         "device-id spoof does not match the target mapping."},
        {"no-gfx-spoof missing", goodTable + "<key>device-id</key>" + data("42cAAA=="), 0x67E3,
         true, "no-gfx-spoof does not match the target mapping."},
        {"no-gfx-spoof unexpected", goodTable + "<key>no-gfx-spoof</key>" + data("AQAAAA=="),
         std::nullopt, true, "no-gfx-spoof does not match the target mapping."},
    };
    const fs::path config = sandbox.root() / "handmade.plist";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::writeFile(config, plistXml(entryHead + c.entry + entryTail));
        if (c.messageEnd.empty()) {
            EXPECT_NO_THROW(
                PlistService::validate(config, table, polarisPath, c.spoof, c.noGfxSpoof));
            continue;
        }
        try {
            PlistService::validate(config, table, polarisPath, c.spoof, c.noGfxSpoof);
            ADD_FAILURE() << "no error";
        } catch (const AppError& error) {
            EXPECT_EQ(error.message(), "Generated config.plist validation failed. " + c.messageEnd);
        }
    }
}

} // namespace
} // namespace ventora
