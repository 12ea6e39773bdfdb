#include "core/FileBuffer.hpp"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace ventora::FileBufferStorage {

#ifdef MADV_HUGEPAGE
namespace {

constexpr std::size_t largePage = std::size_t{1} << 21;

constexpr std::size_t roundUpToLargePage(std::size_t bytes) {
    return (bytes + largePage - 1) & ~(largePage - 1);
}

bool useLargePages(std::size_t bytes) {
    return bytes >= largePage && bytes <= SIZE_MAX - 2 * largePage;
}

} // namespace

void* allocate(std::size_t bytes) {
    if (!useLargePages(bytes)) {
        return ::operator new(bytes);
    }
    // Mapped with one large page to spare, then trimmed to the aligned part: the kernel only
    // places large pages on aligned 2 MiB ranges.
    const std::size_t length = roundUpToLargePage(bytes);
    void* mapping = ::mmap(nullptr, length + largePage, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    const std::uintptr_t aligned = roundUpToLargePage(start);
    if (aligned > start) {
        (void)::munmap(mapping, aligned - start);
    }
    const std::uintptr_t spareEnd = start + length + largePage;
    if (spareEnd > aligned + length) {
        (void)::munmap(reinterpret_cast<void*>(aligned + length), spareEnd - aligned - length);
    }
    auto* storage = reinterpret_cast<void*>(aligned);
    (void)::madvise(storage, length, MADV_HUGEPAGE);
    return storage;
}

void release(void* storage, std::size_t bytes) noexcept {
    if (!useLargePages(bytes)) {
        ::operator delete(storage);
        return;
    }
    (void)::munmap(storage, roundUpToLargePage(bytes));
}

#else

void* allocate(std::size_t bytes) {
    return ::operator new(bytes);
}

void release(void* storage, std::size_t /*bytes*/) noexcept {
    ::operator delete(storage);
}

#endif

} // namespace ventora::FileBufferStorage
