#include "core/FileSystem.hpp"

#include "core/RunAlongside.hpp"
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

// Where the live StepRecorder keeps its steps, if there is one.
std::vector<Step>* recordedSteps = nullptr;

void report(Step::Kind kind, const std::filesystem::path& path,
            const std::filesystem::path& target = {}) {
    if (recordedSteps != nullptr) {
        recordedSteps->push_back({kind, path, target});
    }
}

[[noreturn]] void throwErrno(const std::filesystem::path& path) {
    throw std::system_error(errno, std::generic_category(), path.string());
}

// The one place that knows how each platform reaches stable storage. On macOS fsync only
// hands the data to the drive, which may hold it in its cache; F_FULLFSYNC makes the drive
// write it out. File systems that refuse it (some network and external volumes) offer no
// more than fsync.
void flushToStorage(int fd, const std::filesystem::path& path) {
#ifdef F_FULLFSYNC
    if (::fcntl(fd, F_FULLFSYNC) == 0) {
        return;
    }
#endif
    if (::fsync(fd) != 0) {
        throwErrno(path);
    }
}

void flushFile(int fd, const std::filesystem::path& path) {
    flushToStorage(fd, path);
    report(Step::Kind::flushFile, path);
}

// Makes a rename in `folder` durable. A file system that cannot flush folders at all answers
// EINVAL; there is nothing more to do on it.
void flushDirectory(const std::filesystem::path& folder) {
    const std::filesystem::path path = folder.empty() ? "." : folder;
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd.valid()) {
        throwErrno(path);
    }
    try {
        flushToStorage(fd.get(), path);
    } catch (const std::system_error& error) {
        if (error.code() != std::errc::invalid_argument) {
            throw;
        }
    }
    report(Step::Kind::flushDirectory, path);
}

void renameFile(const std::filesystem::path& source, const std::filesystem::path& target) {
    if (::rename(source.c_str(), target.c_str()) != 0) {
        throwErrno(target);
    }
    report(Step::Kind::rename, source, target);
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

// The size a read starts from when the file does not state its own (pipes, some kernel files).
constexpr std::size_t unknownSizeGuess = std::size_t{1} << 17;
// Files from this size on are read in two halves at once.
constexpr std::size_t halvedReadSize = std::size_t{4} << 20;

// The size fstat states, 0 when it states none.
std::size_t statedSize(int fd) {
    struct stat info {};
    return ::fstat(fd, &info) == 0 && info.st_size > 0 ? static_cast<std::size_t>(info.st_size) : 0;
}

struct ReadCount {
    std::size_t count = 0;
    int error = 0;
};

// Reads the file from `offset` into [data, data + length) until that is full or the file ends.
ReadCount readAt(int fd, std::uint8_t* data, std::size_t length, std::size_t offset) {
    ReadCount result;
    while (result.count < length) {
        const ssize_t n = ::pread(fd, data + result.count, length - result.count,
                                  static_cast<off_t>(offset + result.count));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            result.error = n < 0 ? errno : 0;
            break;
        }
        result.count += static_cast<std::size_t>(n);
    }
    return result;
}

// Most of a large read is the kernel clearing fresh pages and copying into them; a second
// thread reading the second half meanwhile nearly halves the time. Leaves the file position
// after the bytes read, which end early where the file did.
std::size_t readInHalves(int fd, const std::filesystem::path& path, std::uint8_t* data,
                         std::size_t length) {
    const std::size_t middle = length / 2;
    ReadCount first;
    ReadCount second;
    runAlongside([&] { second = readAt(fd, data + middle, length - middle, middle); },
                 [&] { first = readAt(fd, data, middle, 0); });
    for (const ReadCount& half : {first, second}) {
        if (half.error != 0) {
            throw std::system_error(half.error, std::generic_category(), path.string());
        }
    }
    const std::size_t filled = first.count < middle ? first.count : middle + second.count;
    if (::lseek(fd, static_cast<off_t>(filled), SEEK_SET) < 0) {
        throwErrno(path);
    }
    return filled;
}

void writeThroughTemporary(const std::filesystem::path& target, ByteView bytes, bool durable) {
    // Appended piecewise: GCC 12 at -O3 reports a false -Wrestrict for "." + std::string.
    std::string name = ".";
    name += target.filename().string();
    name += ".Ventora-";
    name += newUuidString();
    const auto temporary = target.parent_path() / name;
    try {
        UniqueFd fd = createExclusiveFile(temporary);
        writeAll(fd.get(), bytes, temporary);
        if (durable) {
            flushFile(fd.get(), temporary);
        }
        if (::close(fd.release()) != 0) {
            throwErrno(temporary);
        }
        renameFile(temporary, target);
    } catch (...) {
        ::unlink(temporary.c_str());
        throw;
    }
    if (durable) {
        flushDirectory(target.parent_path());
    }
}

} // namespace

StepRecorder::StepRecorder() {
    recordedSteps = &m_steps;
}

StepRecorder::~StepRecorder() {
    recordedSteps = nullptr;
}

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
    writeThroughTemporary(target, bytes, false);
}

void writeFileDurably(const std::filesystem::path& target, ByteView bytes) {
    writeThroughTemporary(target, bytes, true);
}

void replaceDurably(const std::filesystem::path& source, const std::filesystem::path& target) {
    {
        UniqueFd fd(::open(source.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd.valid()) {
            throwErrno(source);
        }
        flushFile(fd.get(), source);
    }
    renameFile(source, target);
    flushDirectory(target.parent_path());
}

template <class Buffer>
Buffer readWholeFile(const std::filesystem::path& path, std::size_t maximumBytes) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        throwErrno(path);
    }
    // One byte past the limit is enough to tell the caller the file is too large, however
    // much it may have grown since its size was checked.
    const std::size_t ceiling = maximumBytes == SIZE_MAX ? SIZE_MAX : maximumBytes + 1;
    const std::size_t stated = statedSize(fd.get());
    // Read straight into the buffer: one pass over the bytes, and a FileBuffer is not zeroed
    // before the read overwrites it.
    Buffer bytes;
    bytes.resize(std::min(stated > 0 ? stated + 1 : unknownSizeGuess, ceiling));
    std::size_t filled = 0;
    if (stated >= halvedReadSize) {
        filled = readInHalves(fd.get(), path, bytes.data(), std::min(stated, bytes.size()));
    }
    while (filled < ceiling) {
        if (filled == bytes.size()) {
            bytes.resize(bytes.size() <= (ceiling - bytes.size()) ? 2 * bytes.size() : ceiling);
        }
        const ssize_t n = ::read(fd.get(), bytes.data() + filled, bytes.size() - filled);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throwErrno(path);
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return bytes;
}

template Bytes readWholeFile<Bytes>(const std::filesystem::path&, std::size_t);
template FileBuffer readWholeFile<FileBuffer>(const std::filesystem::path&, std::size_t);

} // namespace FileSystem
} // namespace ventora
