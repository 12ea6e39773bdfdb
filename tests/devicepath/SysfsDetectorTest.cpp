#include "devicepath/SysfsDetector.hpp"

#include "support/FakeSysfs.hpp"

#include <gtest/gtest.h>

namespace ventora {
namespace {

using Lines = std::vector<std::string>;

const std::string polarisPath = "PciRoot(0x0)/Pci(0x3,0x1)/Pci(0x0,0x0)";
const std::string naviPath = "PciRoot(0x0)/Pci(0x1,0x0)";
const std::string polarisFound = "Detected supported AMD GPU at 0000:03:00.0 in sysfs: Polaris, "
                                 "device-id 0x67DF, path " +
                                 polarisPath + ".";

// A root with `uid`, a Polaris card behind a root port and, when asked, a Navi 21 card on
// the root bus with no ACPI object of its own.
void machine(test::FakeSysfs& sysfs, const std::optional<std::string>& uid, bool withNavi) {
    sysfs.addRoot("pci0000:00", uid);
    sysfs.addFunction("pci0000:00/0000:00:03.1", 0x1022, 0x1453, 0x060400);
    sysfs.addFunction("pci0000:00/0000:00:03.1/0000:03:00.0", 0x1002, 0x67DF, 0x030000);
    if (withNavi) {
        sysfs.addFunction("pci0000:00/0000:00:01.0", 0x1002, 0x73BF, 0x030000, false);
    }
}

using Outcome = std::pair<std::optional<std::string>, Lines>;

Outcome detect(const std::optional<std::string>& uid, bool withNavi,
               std::optional<int> sourceDeviceID = std::nullopt) {
    test::FakeSysfs sysfs;
    machine(sysfs, uid, withNavi);
    Lines messages;
    auto path = SysfsDetector::detectPath(sysfs.sys(), messages, nullptr, sourceDeviceID);
    return {path, messages};
}

TEST(SysfsDetector, FormsThePathFromTheRootUidOrSaysWhyNot) {
    EXPECT_EQ(detect("0", false), Outcome(polarisPath, {polarisFound}));
    EXPECT_EQ(detect(std::nullopt, false),
              Outcome(polarisPath, {"PCI root pci0000:00 of the GPU at 0000:03:00.0 has no ACPI "
                                    "_UID in sysfs; it is taken as PciRoot(0x0).",
                                    polarisFound}));
    EXPECT_EQ(detect("PCI0", false),
              Outcome(std::nullopt, {"PCI root pci0000:00 of the GPU at 0000:03:00.0 has the ACPI "
                                     "_UID \"PCI0\", which is not a decimal number "
                                     "PciRoot(0x...) can hold; no DeviceProperties path was "
                                     "formed."}));
}

TEST(SysfsDetector, SeveralGpusNeedTheSourceDeviceIdToChoose) {
    EXPECT_EQ(detect("0", true, 0x67FF),
              Outcome(std::nullopt,
                      {"Found 2 supported AMD GPUs in sysfs (RDNA2, device-id 0x73BF "
                       "(0000:00:01.0); Polaris, device-id 0x67DF (0000:03:00.0)) and none is "
                       "chosen by order; type the DeviceProperties path of the card to use."}));
    EXPECT_EQ(detect("0", true, 0x73BF),
              Outcome(naviPath, {"Detected supported AMD GPU at 0000:00:01.0 in sysfs, the one "
                                 "with the loaded source's device-id: RDNA2, device-id 0x73BF, "
                                 "path " +
                                     naviPath + ".",
                                 "The GPU at 0000:00:01.0 has no ACPI object (no firmware_node "
                                 "in sysfs); macOS may ignore properties injected for a device "
                                 "missing from ACPI unless an SSDT adds it."}));
}

} // namespace
} // namespace ventora
