#include "support/FakeSysfs.hpp"

#include <cstdio>
#include <fstream>

namespace ventora::test {
namespace {

namespace fs = std::filesystem;

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text << '\n';
}

std::string hex(unsigned value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*x", digits, value);
    return text;
}

// sysfs links are relative, e.g. ../../../devices/pci0000:00/0000:00:01.0.
void linkRelative(const fs::path& link, const fs::path& target) {
    fs::create_directory_symlink(fs::relative(target, link.parent_path()), link);
}

} // namespace

FakeSysfs::FakeSysfs() {
    fs::create_directories(sys() / "bus/pci/devices");
}

fs::path FakeSysfs::node(const std::string& chain, bool inAcpi,
                         const std::optional<std::string>& uid) {
    const fs::path folder = sys() / "devices" / chain;
    fs::create_directories(folder);
    if (inAcpi) {
        const fs::path acpi = sys() / "devices/LNXSYSTM:00" / std::to_string(m_acpiNodes++);
        fs::create_directories(acpi);
        if (uid) {
            writeText(acpi / "uid", *uid);
        }
        linkRelative(folder / "firmware_node", acpi);
    }
    return folder;
}

void FakeSysfs::addFunction(const std::string& chain, unsigned vendor, unsigned device,
                            unsigned pciClass, bool inAcpi) {
    const fs::path folder = node(chain, inAcpi, std::nullopt);
    writeText(folder / "vendor", hex(vendor, 4));
    writeText(folder / "device", hex(device, 4));
    writeText(folder / "class", hex(pciClass, 6));
    linkRelative(sys() / "bus/pci/devices" / folder.filename(), folder);
}

void FakeSysfs::writePowerPlayTable(const std::string& address, ByteView table) {
    std::ofstream file(sys() / "bus/pci/devices" / address / "pp_table", std::ios::binary);
    file.write(reinterpret_cast<const char*>(table.data()),
               static_cast<std::streamsize>(table.size()));
}

} // namespace ventora::test
