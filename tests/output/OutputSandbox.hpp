#pragma once

#include "core/FileSystem.hpp"
#include "core/PlatformContext.hpp"
#include "support/TemporaryFolder.hpp"

#include <filesystem>
#include <string>
#include <vector>

namespace ventora::test {

/// A private folder per test with its own temporary folder, Desktop, resources (holding a
/// copy of the shipped BaseConfig.plist) and a place for fake tools. Its context points at
/// these, at no detection tool at all, and at the system's zip.
class OutputSandbox {
public:
    OutputSandbox();

    [[nodiscard]] const std::filesystem::path& root() const { return m_folder.path(); }
    [[nodiscard]] PlatformContext& context() { return m_context; }

    /// Writes `contents` to `path`, absolute or relative to the root.
    template <typename Contents>
    std::filesystem::path write(const std::filesystem::path& path, const Contents& contents) const {
        return m_folder.write(path.string(), contents);
    }

    /// Writes an executable /bin/sh script `name` in the tools folder and returns its path.
    std::filesystem::path writeScript(const std::string& name, const std::string& body) const;

    /// Names in the temporary folder and on the Desktop that this program's temporaries use.
    [[nodiscard]] std::vector<std::string> leftoverTemporaries() const;

private:
    TemporaryFolder m_folder;
    PlatformContext m_context;
};

inline Bytes readFile(const std::filesystem::path& path) {
    return FileSystem::readWholeFile(path);
}

/// What `command` (run by /bin/sh) printed on standard output.
[[nodiscard]] std::string commandOutput(const std::string& command);

/// Entry names of a ZIP archive as the system's unzip lists them, sorted.
[[nodiscard]] std::vector<std::string> archiveEntries(const std::filesystem::path& archive);

/// One member of a ZIP archive, extracted by the system's unzip.
[[nodiscard]] Bytes archiveMember(const std::filesystem::path& archive, const std::string& name);

} // namespace ventora::test
