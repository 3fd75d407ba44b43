// Replaces every form of the global operator new (plain, array, nothrow and
// aligned) so that the allocations of an armed counter are seen whichever
// form the code under test uses; each delete form frees what its new made.
#include "allocation/AllocationCounter.h"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> armed = false;
std::atomic<long> allocations = 0;

void* TryAllocate(std::size_t size, std::size_t alignment) noexcept {
    if (armed.load(std::memory_order_relaxed)) {
        allocations.fetch_add(1, std::memory_order_relaxed);
    }
    const std::size_t bytes = size == 0 ? 1 : size;
    return alignment > alignof(std::max_align_t)
               ? std::aligned_alloc(alignment, (bytes + alignment - 1) / alignment * alignment)
               : std::malloc(bytes);
}

void* Allocate(std::size_t size, std::size_t alignment = 0) {
    void* block = TryAllocate(size, alignment);
    if (block == nullptr) {
        throw std::bad_alloc();
    }
    return block;
}

// Kept out of line so that the compiler does not pair the inlined free with
// the operator new it cannot see is ours.
[[gnu::noinline]] void Release(void* block) noexcept {
    std::free(block);
}

std::size_t Alignment(std::align_val_t alignment) {
    return static_cast<std::size_t>(alignment);
}

} // namespace

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return TryAllocate(size, 0);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return TryAllocate(size, 0);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return Allocate(size, Alignment(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return Allocate(size, Alignment(alignment));
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return TryAllocate(size, Alignment(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return TryAllocate(size, Alignment(alignment));
}

void operator delete(void* block) noexcept {
    Release(block);
}
void operator delete[](void* block) noexcept {
    Release(block);
}
void operator delete(void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    Release(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    Release(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    Release(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    Release(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    Release(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    Release(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    Release(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    Release(block);
}

namespace tarn::test {

AllocationCounter::AllocationCounter() {
    allocations = 0;
    armed = true;
}

AllocationCounter::~AllocationCounter() {
    armed = false;
}

long AllocationCounter::Count() const {
    return allocations.load();
}

} // namespace tarn::test
