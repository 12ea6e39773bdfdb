#include "OutputSandbox.hpp"

#include "core/Ascii.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <stdexcept>

namespace ventora::test {
namespace fs = std::filesystem;

OutputSandbox::OutputSandbox() {
    for (const char* folder : {"tmp", "Desktop", "tools"}) {
        fs::create_directory(root() / folder);
    }
    write("resources/BaseConfig.plist", FileSystem::readWholeFile(VENTORA_BASE_CONFIG_PATH));
    m_context.temporaryDirectory = root() / "tmp";
    m_context.desktopDirectory = root() / "Desktop";
    m_context.resourcesDirectory = root() / "resources";
    m_context.ioregExecutable = root() / "tools" / "no-ioreg";
    m_context.zipExecutable = "/usr/bin/zip";
}

fs::path OutputSandbox::writeScript(const std::string& name, const std::string& body) const {
    const fs::path path = write("tools/" + name, "#!/bin/sh\n" + body + "\n");
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

std::vector<std::string> OutputSandbox::leftoverTemporaries() const {
    std::vector<std::string> names;
    for (const auto& [folder, prefix] : {std::pair{m_context.temporaryDirectory, "Ventora-"},
                                         std::pair{m_context.desktopDirectory, ".Ventora-"}}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            if (entry.path().filename().string().starts_with(prefix)) {
                names.push_back(entry.path().filename().string());
            }
        }
    }
    return names;
}

std::string commandOutput(const std::string& command) {
    const std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) {
        throw std::runtime_error("popen failed: " + command);
    }
    std::string output;
    std::array<char, 4096> chunk{};
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), pipe.get())) > 0;) {
        output.append(chunk.data(), n);
    }
    return output;
}

std::vector<std::string> archiveEntries(const fs::path& archive) {
    const std::string listing = commandOutput("unzip -Z1 '" + archive.string() + "'");
    const auto lines = Ascii::lines(listing);
    std::vector<std::string> entries(lines.begin(), lines.end());
    std::sort(entries.begin(), entries.end());
    return entries;
}

Bytes archiveMember(const fs::path& archive, const std::string& name) {
    const std::string data = commandOutput("unzip -p '" + archive.string() + "' '" + name + "'");
    return Bytes(data.begin(), data.end());
}

} // namespace ventora::test
