// Memory for event lists. A large song holds millions of small list nodes and index tables;
// carving them from 2 MB chunks that the kernel may back with huge pages keeps page faults
// and allocator overhead from dominating the time it takes to read a song.
#pragma once

#include <cstddef>
#include <new>

namespace tarvio::pool {

void* allocate(size_t bytes);
void deallocate(void* p, size_t bytes) noexcept;

template <class T>
struct Allocator {
    using value_type = T;
    Allocator() noexcept = default;
    template <class U>
    Allocator(const Allocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(pool::allocate(n * sizeof(T))); }
    void deallocate(T* p, size_t n) noexcept { pool::deallocate(p, n * sizeof(T)); }
    template <class U>
    bool operator==(const Allocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace tarvio::pool
