#include "support/FakeExecutable.hpp"

#include <cerrno>
#include <sys/wait.h>

namespace ventora::test {

namespace fs = std::filesystem;

FakeExecutableFolder::FakeExecutableFolder() {
    fs::create_directory(temporaryDirectory());
}

fs::path FakeExecutableFolder::writeScript(const std::string& name, const std::string& body) const {
    const fs::path script = m_folder.write(name, "#!/bin/sh\n" + body + "\n");
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

std::vector<std::string> FakeExecutableFolder::temporaryEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(temporaryDirectory())) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

bool hasChildProcesses() {
    int status = 0;
    const pid_t pid = ::waitpid(-1, &status, WNOHANG);
    return !(pid < 0 && errno == ECHILD);
}

} // namespace ventora::test
