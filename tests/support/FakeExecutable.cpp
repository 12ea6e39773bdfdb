#include "support/FakeExecutable.hpp"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>

namespace ventora::test {

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << content;
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace

FakeExecutableFolder::FakeExecutableFolder() {
    std::string pattern = (fs::temp_directory_path() / "ventora-fake-tools-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    m_path = pattern;
    fs::create_directory(temporaryDirectory());
}

FakeExecutableFolder::~FakeExecutableFolder() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

fs::path FakeExecutableFolder::writeScript(const std::string& name, const std::string& body) const {
    const fs::path script = m_path / name;
    writeFile(script, "#!/bin/sh\n" + body + "\n");
    fs::permissions(script, fs::perms::owner_all);
    return script;
}

fs::path FakeExecutableFolder::writePrinter(const std::string& name, const std::string& text,
                                            Stream stream, int exitStatus) const {
    const fs::path textFile = m_path / (name + ".text");
    writeFile(textFile, text);
    const std::string redirect = stream == Stream::standardError ? " >&2" : "";
    return writeScript(name, "cat '" + textFile.string() + "'" + redirect + "\nexit " +
                                 std::to_string(exitStatus));
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
