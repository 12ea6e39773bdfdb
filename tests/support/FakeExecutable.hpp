#pragma once

#include "support/TemporaryFolder.hpp"

#include <filesystem>
#include <string>
#include <vector>

namespace ventora::test {

/// A private folder for fake outside tools: small /bin/sh scripts that tests write and point
/// the PlatformContext at, removed with everything in it when the object goes. It also holds
/// a separate "tmp" folder to serve as the temporary directory, so tests can check that
/// nothing is left behind there.
class FakeExecutableFolder {
public:
    FakeExecutableFolder();

    [[nodiscard]] const std::filesystem::path& path() const { return m_folder.path(); }
    [[nodiscard]] std::filesystem::path temporaryDirectory() const { return path() / "tmp"; }

    /// Writes the executable script `name` whose body (after "#!/bin/sh") is `body`.
    std::filesystem::path writeScript(const std::string& name, const std::string& body) const;

    /// Names of the entries of the temporary directory.
    [[nodiscard]] std::vector<std::string> temporaryEntries() const;

private:
    TemporaryFolder m_folder;
};

/// True when this process still has a child, running or unreaped. A zombie found here is
/// reaped, so one leak does not spill into later tests.
[[nodiscard]] bool hasChildProcesses();

} // namespace ventora::test
