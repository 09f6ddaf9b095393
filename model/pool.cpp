#include "model/pool.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>

namespace tarvio::pool {

namespace {

constexpr size_t kChunk = size_t(2) << 20;
constexpr size_t kSmallMax = 256;             // 8-byte classes up to here
constexpr size_t kMediumMax = size_t(1) << 20;  // power-of-two classes up to here
constexpr int kSmallClasses = kSmallMax / 8;
constexpr int kMediumClasses = 21;  // 2^0 .. 2^20

struct FreeNode {
    FreeNode* next;
};

struct Pool {
    std::atomic_flag lock = ATOMIC_FLAG_INIT;
    FreeNode* small[kSmallClasses] = {};
    FreeNode* medium[kMediumClasses] = {};
    char* bump = nullptr;
    char* bumpEnd = nullptr;
};

Pool& thePool() {
    static Pool p;  // never destroyed: nodes may be freed during static destruction
    return p;
}

struct Guard {
    std::atomic_flag& f;
    explicit Guard(std::atomic_flag& flag) : f(flag) {
        while (f.test_and_set(std::memory_order_acquire)) {
        }
    }
    ~Guard() { f.clear(std::memory_order_release); }
};

// A 2 MB-aligned region, advised for huge pages.
void* hugeRegion(size_t bytes) {
    size_t len = bytes + kChunk;
    void* raw = mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    uintptr_t aligned = (start + kChunk - 1) & ~(uintptr_t(kChunk) - 1);
    if (aligned > start) munmap(raw, aligned - start);
    uintptr_t end = start + len;
    if (end > aligned + bytes) munmap(reinterpret_cast<void*>(aligned + bytes), end - (aligned + bytes));
#ifdef MADV_HUGEPAGE
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void* carve(Pool& p, size_t bytes) {
    if (size_t(p.bumpEnd - p.bump) < bytes) {
        p.bump = static_cast<char*>(hugeRegion(kChunk));
        p.bumpEnd = p.bump + kChunk;
    }
    void* r = p.bump;
    p.bump += bytes;
    return r;
}

int mediumClass(size_t bytes) {
    int c = 0;
    while ((size_t(1) << c) < bytes) ++c;
    return c;
}

size_t roundHuge(size_t bytes) { return (bytes + kChunk - 1) & ~(kChunk - 1); }

}  // namespace

void* allocate(size_t bytes) {
    if (bytes == 0) bytes = 8;
    Pool& p = thePool();
    if (bytes <= kSmallMax) {
        int c = int((bytes + 7) / 8) - 1;
        Guard g(p.lock);
        if (FreeNode* n = p.small[c]) {
            p.small[c] = n->next;
            return n;
        }
        return carve(p, size_t(c + 1) * 8);
    }
    if (bytes <= kMediumMax) {
        int c = mediumClass(bytes);
        Guard g(p.lock);
        if (FreeNode* n = p.medium[c]) {
            p.medium[c] = n->next;
            return n;
        }
        return carve(p, size_t(1) << c);
    }
    return hugeRegion(roundHuge(bytes));
}

void deallocate(void* ptr, size_t bytes) noexcept {
    if (!ptr) return;
    if (bytes == 0) bytes = 8;
    Pool& p = thePool();
    FreeNode* n = static_cast<FreeNode*>(ptr);
    if (bytes <= kSmallMax) {
        int c = int((bytes + 7) / 8) - 1;
        Guard g(p.lock);
        n->next = p.small[c];
        p.small[c] = n;
        return;
    }
    if (bytes <= kMediumMax) {
        int c = mediumClass(bytes);
        Guard g(p.lock);
        n->next = p.medium[c];
        p.medium[c] = n;
        return;
    }
    munmap(ptr, roundHuge(bytes));
}

}  // namespace tarvio::pool
