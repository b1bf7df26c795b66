#include "allocation_counter.h"

#include <cstdlib>
#include <new>

// Sanitizer builds intercept malloc themselves; there only operator new is
// counted, which is what C++ code on the audio path would call anyway.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TW_COUNT_MALLOC 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define TW_COUNT_MALLOC 0
#endif
#endif
#ifndef TW_COUNT_MALLOC
#define TW_COUNT_MALLOC 1
#endif

namespace {
thread_local std::size_t tAllocations = 0;
thread_local bool tFailing = false;
}

namespace test_support {
std::size_t ThreadAllocationCount() { return tAllocations; }
bool MallocIsCounted() { return TW_COUNT_MALLOC != 0; }
AllocationFailureScope::AllocationFailureScope() : mWasFailing(tFailing) { tFailing = true; }
AllocationFailureScope::~AllocationFailureScope() { tFailing = mWasFailing; }
}  // namespace test_support

#if TW_COUNT_MALLOC
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);

void* malloc(std::size_t size) {
    ++tAllocations;
    if (tFailing) return nullptr;
    return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
    ++tAllocations;
    if (tFailing) return nullptr;
    return __libc_calloc(count, size);
}
void* realloc(void* p, std::size_t size) {
    ++tAllocations;
    if (tFailing) return nullptr;
    return __libc_realloc(p, size);
}
void* memalign(std::size_t alignment, std::size_t size) {
    ++tAllocations;
    if (tFailing) return nullptr;
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(std::size_t alignment, std::size_t size) {
    ++tAllocations;
    if (tFailing) return nullptr;
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    ++tAllocations;
    if (tFailing) return 12;  // ENOMEM
    void* p = __libc_memalign(alignment, size);
    if (!p) return 12;  // ENOMEM
    *out = p;
    return 0;
}
}
#endif

namespace {
void* CountedNew(std::size_t size) {
#if !TW_COUNT_MALLOC
    ++tAllocations;
#endif
    if (tFailing) throw std::bad_alloc();
    if (size == 0) size = 1;
    if (void* p = std::malloc(size)) return p;
    throw std::bad_alloc();
}
void* CountedAlignedNew(std::size_t size, std::align_val_t alignment) {
#if !TW_COUNT_MALLOC
    ++tAllocations;
#endif
    if (tFailing) throw std::bad_alloc();
    void* p = nullptr;
    if (posix_memalign(&p, static_cast<std::size_t>(alignment), size ? size : 1) != 0)
        throw std::bad_alloc();
    return p;
}
}  // namespace

void* operator new(std::size_t size) { return CountedNew(size); }
void* operator new[](std::size_t size) { return CountedNew(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try { return CountedNew(size); } catch (...) { return nullptr; }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try { return CountedNew(size); } catch (...) { return nullptr; }
}
void* operator new(std::size_t size, std::align_val_t a) { return CountedAlignedNew(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return CountedAlignedNew(size, a); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
