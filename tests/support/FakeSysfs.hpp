#pragma once

#include "core/ByteUtils.hpp"
#include "support/TemporaryFolder.hpp"

#include <filesystem>
#include <optional>
#include <string>

namespace ventora::test {

/// A made-up sysfs tree in a private temporary folder, laid out like Linux's: PCI functions
/// as folders under devices/pciDDDD:BB/..., bus/pci/devices links to them, firmware_node
/// links to ACPI nodes holding a uid, and vendor/device/class files. The folder
/// also has room for a test's own files beside the tree; it is removed when the object goes.
class FakeSysfs {
public:
    FakeSysfs();

    /// The private folder; the tree itself is its "sys" subfolder.
    [[nodiscard]] const std::filesystem::path& folder() const { return m_folder.path(); }
    [[nodiscard]] std::filesystem::path sys() const { return folder() / "sys"; }

    /// The host bridge devices/`name` (pciDDDD:BB); without `uid` it has no firmware_node.
    void addRoot(const std::string& name, const std::optional<std::string>& uid) {
        node(name, uid.has_value(), uid);
    }

    /// The function at devices/`chain` ("pci0000:00/0000:00:01.1/0000:01:00.0"), its
    /// bus/pci/devices link and, when `inAcpi`, its firmware_node.
    void addFunction(const std::string& chain, unsigned vendor, unsigned device, unsigned pciClass,
                     bool inAcpi = true);

    /// The driver's table file of the function at `address`.
    void writePowerPlayTable(const std::string& address, ByteView table);

private:
    /// The folder devices/`chain`; when `inAcpi`, its firmware_node leads to an ACPI node
    /// holding `uid` if there is one.
    std::filesystem::path node(const std::string& chain, bool inAcpi,
                               const std::optional<std::string>& uid);

    TemporaryFolder m_folder;
    int m_acpiNodes = 0;
};

} // namespace ventora::test
