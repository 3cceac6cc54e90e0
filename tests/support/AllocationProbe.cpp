#include "AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> Armed{false};
std::atomic<size_t> LargestSeen{0};

void* Allocate(size_t size) {
    if (Armed.load(std::memory_order_relaxed)) {
        size_t seen = LargestSeen.load(std::memory_order_relaxed);
        while (size > seen && !LargestSeen.compare_exchange_weak(seen, size)) {
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

TAllocationProbe::TAllocationProbe() {
    LargestSeen = 0;
    Armed = true;
}

TAllocationProbe::~TAllocationProbe() { Armed = false; }

size_t TAllocationProbe::Largest() const { return LargestSeen.load(); }

// Every form that pairs with the plain ones, so that no allocation of this binary meets a
// deallocation from elsewhere.
void* operator new(size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
