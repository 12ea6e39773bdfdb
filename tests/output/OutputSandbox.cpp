#include "OutputSandbox.hpp"

#include "core/Ascii.hpp"
#include "core/FileSystem.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace ventora::test {
namespace fs = std::filesystem;

OutputSandbox::OutputSandbox() {
    for (const char* folder : {"tmp", "Desktop", "resources", "tools"}) {
        fs::create_directory(root() / folder);
    }
    fs::copy_file(VENTORA_BASE_CONFIG_PATH, root() / "resources" / "BaseConfig.plist");
    m_context.temporaryDirectory = root() / "tmp";
    m_context.desktopDirectory = root() / "Desktop";
    m_context.resourcesDirectory = root() / "resources";
    m_context.ioregExecutable = root() / "tools" / "no-ioreg";
    m_context.zipExecutable = "/usr/bin/zip";
}

// A test may leave the Desktop read-only; the folder must still go.
OutputSandbox::~OutputSandbox() {
    std::error_code ignored;
    fs::permissions(root() / "Desktop", fs::perms::owner_all, fs::perm_options::add, ignored);
}

fs::path OutputSandbox::writeScript(const std::string& name, const std::string& body) const {
    const fs::path path = root() / "tools" / name;
    writeFile(path, "#!/bin/sh\n" + body + "\n");
    fs::permissions(path, fs::perms::owner_all);
    return path;
}

std::vector<std::string> OutputSandbox::leftoverTemporaries() const {
    std::vector<std::string> names;
    for (const auto& [folder, prefix] : {std::pair{m_context.temporaryDirectory, "Ventora-"},
                                         std::pair{m_context.desktopDirectory, ".Ventora-"}}) {
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            if (const std::string name = entry.path().filename().string();
                name.starts_with(prefix)) {
                names.push_back(name);
            }
        }
    }
    return names;
}

Bytes readFile(const fs::path& path) {
    return FileSystem::readWholeFile(path);
}

void writeFile(const fs::path& path, ByteView bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

void writeFile(const fs::path& path, const std::string& text) {
    writeFile(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
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
