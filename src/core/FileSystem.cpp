#include "core/FileSystem.hpp"

#include "core/Uuid.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace ventora {

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        reset();
        m_fd = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    reset();
}

int UniqueFd::release() {
    const int fd = m_fd;
    m_fd = -1;
    return fd;
}

void UniqueFd::reset() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

namespace FileSystem {
namespace {

[[noreturn]] void throwErrno(const std::filesystem::path& path) {
    throw std::system_error(errno, std::generic_category(), path.string());
}

void writeAll(int fd, ByteView bytes, const std::filesystem::path& path) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(path);
        }
        written += static_cast<std::size_t>(n);
    }
}

} // namespace

UniqueFd createExclusiveFile(const std::filesystem::path& path) {
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid()) {
        throwErrno(path);
    }
    return fd;
}

void createPrivateDirectory(const std::filesystem::path& path) {
    if (::mkdir(path.c_str(), 0700) != 0) {
        throwErrno(path);
    }
}

void writeFileAtomically(const std::filesystem::path& target, ByteView bytes) {
    // Appended piecewise: GCC 12 at -O3 reports a false -Wrestrict for "." + std::string.
    std::string name = ".";
    name += target.filename().string();
    name += ".Ventora-";
    name += newUuidString();
    const auto temporary = target.parent_path() / name;
    try {
        UniqueFd fd = createExclusiveFile(temporary);
        writeAll(fd.get(), bytes, temporary);
        if (::fsync(fd.get()) != 0) {
            throwErrno(temporary);
        }
        if (::close(fd.release()) != 0) {
            throwErrno(temporary);
        }
        if (::rename(temporary.c_str(), target.c_str()) != 0) {
            throwErrno(target);
        }
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
}

Bytes readWholeFile(const std::filesystem::path& path, std::size_t maximumBytes) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        throwErrno(path);
    }
    // One byte past the limit is enough to tell the caller the file is too large, however
    // much it may have grown since its size was checked.
    const std::size_t ceiling = maximumBytes == SIZE_MAX ? SIZE_MAX : maximumBytes + 1;
    struct stat info {};
    std::size_t expected = 1 << 16;
    if (::fstat(fd.get(), &info) == 0 && info.st_size > 0) {
        expected = static_cast<std::size_t>(info.st_size) + 1;
    }
    Bytes bytes(std::min(expected, ceiling));
    std::size_t used = 0;
    while (used < ceiling) {
        if (used == bytes.size()) {
            bytes.resize(std::min(ceiling, bytes.size() * 2));
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(path);
        }
        if (n == 0) {
            break;
        }
        used += static_cast<std::size_t>(n);
    }
    bytes.resize(used);
    return bytes;
}

} // namespace FileSystem
} // namespace ventora
