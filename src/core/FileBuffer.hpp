#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace ventora {

/// Where FileBufferAllocator gets its memory from.
namespace FileBufferStorage {

/// At least `bytes` of uninitialised memory. From 2 MiB on, on systems that offer large pages
/// on request, a private mapping aligned to 2 MiB and marked for them: the first touch of
/// fresh memory faults once per page, and for a file of many MiB that costs more than reading
/// it. Throws std::bad_alloc.
[[nodiscard]] void* allocate(std::size_t bytes);

/// Gives back memory from allocate(bytes), with the same `bytes`.
void release(void* storage, std::size_t bytes) noexcept;

} // namespace FileBufferStorage

/// An allocator for buffers a whole file is read into. Elements are default-initialised, so
/// resizing before a read does not zero bytes the read overwrites at once.
template <class T> class FileBufferAllocator {
public:
    using value_type = T;

    FileBufferAllocator() = default;
    template <class U> explicit FileBufferAllocator(const FileBufferAllocator<U>& /*other*/) {}

    [[nodiscard]] T* allocate(std::size_t count) {
        if (count > SIZE_MAX / sizeof(T)) {
            throw std::bad_array_new_length();
        }
        return static_cast<T*>(FileBufferStorage::allocate(count * sizeof(T)));
    }

    void deallocate(T* storage, std::size_t count) noexcept {
        FileBufferStorage::release(storage, count * sizeof(T));
    }

    template <class U>
    void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(place)) U;
    }

    template <class U, class... Arguments> void construct(U* place, Arguments&&... arguments) {
        ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
    }

    template <class U> bool operator==(const FileBufferAllocator<U>& /*other*/) const {
        return true;
    }
};

/// The bytes of an input file as read; used where the file may be large (a VBIOS image of up to
/// 64 MiB), elsewhere files are read into Bytes.
using FileBuffer = std::vector<std::uint8_t, FileBufferAllocator<std::uint8_t>>;

} // namespace ventora
