#include "process/CaptureFile.hpp"

#include "core/Uuid.hpp"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace ventora {

CaptureFile::CaptureFile(const std::filesystem::path& folder, std::string_view suffix)
    : m_path(folder / ("Ventora-" + newUuidString() + "." + std::string(suffix))),
      m_fd(FileSystem::createExclusiveFile(m_path)) {}

CaptureFile::~CaptureFile() {
    m_fd.reset();
    ::unlink(m_path.c_str());
}

Bytes CaptureFile::read(std::size_t maximumBytes) {
    m_fd.reset();
    Bytes bytes = FileSystem::readWholeFile(m_path, maximumBytes);
    bytes.resize(std::min(bytes.size(), maximumBytes));
    return bytes;
}

} // namespace ventora
