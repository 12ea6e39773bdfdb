#include "OutputSandbox.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace ventora::test {
namespace fs = std::filesystem;

OutputSandbox::OutputSandbox() {
    std::string pattern = (fs::temp_directory_path() / "output-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_root = pattern;
    for (const char* folder : {"tmp", "Desktop", "resources", "tools"}) {
        fs::create_directory(m_root / folder);
    }
    fs::copy_file(VENTORA_BASE_CONFIG_PATH, m_root / "resources" / "BaseConfig.plist");
    m_context.temporaryDirectory = m_root / "tmp";
    m_context.desktopDirectory = m_root / "Desktop";
    m_context.resourcesDirectory = m_root / "resources";
    m_context.ioregExecutable = m_root / "tools" / "no-ioreg";
    m_context.zipExecutable = "/usr/bin/zip";
}

OutputSandbox::~OutputSandbox() {
    std::error_code ignored;
    fs::permissions(m_root / "Desktop", fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_root, ignored);
}

fs::path OutputSandbox::writeScript(const std::string& name, const std::string& body) const {
    const fs::path path = m_root / "tools" / name;
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
            const std::string name = entry.path().filename().string();
            if (name.rfind(prefix, 0) == 0) {
                names.push_back(name);
            }
        }
    }
    return names;
}

Bytes readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
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
    struct PipeCloser {
        void operator()(FILE* pipe) const { ::pclose(pipe); }
    };
    const std::unique_ptr<FILE, PipeCloser> pipe(::popen(command.c_str(), "r"));
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
    auto entries = splitLines(commandOutput("unzip -Z1 '" + archive.string() + "'"));
    std::erase(entries, "");
    std::sort(entries.begin(), entries.end());
    return entries;
}

Bytes archiveMember(const fs::path& archive, const std::string& name) {
    const std::string data = commandOutput("unzip -p '" + archive.string() + "' '" + name + "'");
    return Bytes(data.begin(), data.end());
}

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace ventora::test
