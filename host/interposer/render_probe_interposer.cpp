// Replaces the heap and lock functions for the whole process so that the
// render probe (render_probe.h) can count them per thread and make a thread's
// allocations fail. A plug-in library binds its malloc, operator new,
// pthread_mutex_lock, syscall... to the first definition in the process,
// which is this one: the executable comes first in the global scope. Every
// replacement counts the call on the calling thread and then calls glibc's
// own function.
//
// Linked into executables only (hpi-host and the test binaries), as object
// files, never into a library the plug-in could pick up. Sanitizer builds
// replace operator new and delete only: the sanitizers own malloc and the
// lock functions.
#include <dlfcn.h>
#include <linux/futex.h>
#include <sys/syscall.h>

#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <new>

#include "render_probe.h"
#include "sanitized.h"

using hpihost::probe_detail::Call;
using hpihost::probe_detail::Note;

namespace {

// Counts an allocation; false when the thread's allocations are to fail.
bool Allocate() {
    Note(Call::Allocation);
    return !hpihost::probe_detail::AllocationsFail();
}

}  // namespace

#if !TW_HOST_SANITIZED

#define TW_INTERPOSED extern "C" __attribute__((visibility("default")))

// glibc's own allocator entry points, which never come back here.
extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* __libc_memalign(std::size_t, std::size_t);
void* __libc_valloc(std::size_t);
void* __libc_pvalloc(std::size_t);
void __libc_free(void*);
}

namespace {

// The next definition of a lock function, looked up once. Lookups may happen
// before main (static initialisers take locks); dlsym takes only the loader's
// internal locks, so this never recurses.
template <typename Function>
Function Next(Function& cached, const char* name, const char* version = nullptr) {
    if (cached == nullptr) {
        void* found = version != nullptr ? dlvsym(RTLD_NEXT, name, version) : nullptr;
        if (found == nullptr) {
            found = dlsym(RTLD_NEXT, name);
        }
        cached = reinterpret_cast<Function>(found);
    }
    return cached;
}

using LockFunction = int (*)(void*);
using TimedLockFunction = int (*)(void*, const void*);
using ClockLockFunction = int (*)(void*, int, const void*);
using CondWaitFunction = int (*)(void*, void*);
using CondTimedWaitFunction = int (*)(void*, void*, const void*);
using CondClockWaitFunction = int (*)(void*, void*, int, const void*);
using SyscallFunction = long (*)(long, ...);

LockFunction gMutexLock, gMutexTryLock, gReadLock, gWriteLock, gTryReadLock, gTryWriteLock,
    gSpinLock, gSpinTryLock, gSemWait, gSemTryWait;
TimedLockFunction gMutexTimedLock, gTimedReadLock, gTimedWriteLock, gSemTimedWait;
ClockLockFunction gMutexClockLock, gClockReadLock, gClockWriteLock, gSemClockWait;
CondWaitFunction gCondWait;
CondTimedWaitFunction gCondTimedWait;
CondClockWaitFunction gCondClockWait;
SyscallFunction gSyscall;

// The condition functions exist in two versions; the old one is a
// compatibility shim for binaries from before 2002.
constexpr const char* kCondVersion = "GLIBC_2.3.2";
constexpr const char* kSemVersion = "GLIBC_2.34";

struct Registration {
    Registration() { hpihost::probe_detail::MarkInterposed(true, true); }
};
const Registration kRegistration;

}  // namespace

// --- heap ----------------------------------------------------------------------

TW_INTERPOSED void* malloc(std::size_t size) {
    return Allocate() ? __libc_malloc(size) : nullptr;
}
TW_INTERPOSED void* calloc(std::size_t count, std::size_t size) {
    return Allocate() ? __libc_calloc(count, size) : nullptr;
}
TW_INTERPOSED void* realloc(void* pointer, std::size_t size) {
    return Allocate() ? __libc_realloc(pointer, size) : nullptr;
}
TW_INTERPOSED void* memalign(std::size_t alignment, std::size_t size) {
    return Allocate() ? __libc_memalign(alignment, size) : nullptr;
}
TW_INTERPOSED void* aligned_alloc(std::size_t alignment, std::size_t size) {
    return Allocate() ? __libc_memalign(alignment, size) : nullptr;
}
TW_INTERPOSED void* valloc(std::size_t size) {
    return Allocate() ? __libc_valloc(size) : nullptr;
}
TW_INTERPOSED void* pvalloc(std::size_t size) {
    return Allocate() ? __libc_pvalloc(size) : nullptr;
}
TW_INTERPOSED int posix_memalign(void** out, std::size_t alignment, std::size_t size) {
    if (!Allocate()) {
        return 12;  // ENOMEM
    }
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) {
        return 22;  // EINVAL
    }
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr) {
        return 12;  // ENOMEM
    }
    *out = pointer;
    return 0;
}
TW_INTERPOSED void free(void* pointer) {
    if (pointer != nullptr) {
        Note(Call::Free);
    }
    __libc_free(pointer);
}
TW_INTERPOSED void cfree(void* pointer) {
    free(pointer);
}

namespace {

void* NewBlock(std::size_t size) {
    if (void* pointer = malloc(size == 0 ? 1 : size)) {
        return pointer;
    }
    throw std::bad_alloc();
}

void* NewAlignedBlock(std::size_t size, std::align_val_t alignment) {
    void* pointer = nullptr;
    if (posix_memalign(&pointer, static_cast<std::size_t>(alignment), size == 0 ? 1 : size) != 0) {
        throw std::bad_alloc();
    }
    return pointer;
}

}  // namespace

#define TW_NEW_DELETE __attribute__((visibility("default")))
TW_NEW_DELETE void* operator new(std::size_t size) {
    return NewBlock(size);
}
TW_NEW_DELETE void* operator new[](std::size_t size) {
    return NewBlock(size);
}
TW_NEW_DELETE void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
TW_NEW_DELETE void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return malloc(size == 0 ? 1 : size);
}
TW_NEW_DELETE void* operator new(std::size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
TW_NEW_DELETE void* operator new[](std::size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
TW_NEW_DELETE void* operator new(std::size_t size, std::align_val_t alignment,
                                 const std::nothrow_t&) noexcept {
    void* pointer = nullptr;
    return posix_memalign(&pointer, static_cast<std::size_t>(alignment), size == 0 ? 1 : size) == 0
               ? pointer
               : nullptr;
}
TW_NEW_DELETE void* operator new[](std::size_t size, std::align_val_t alignment,
                                   const std::nothrow_t& tag) noexcept {
    return operator new(size, alignment, tag);
}
TW_NEW_DELETE void operator delete(void* pointer) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete[](void* pointer) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete(void* pointer, std::size_t) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete[](void* pointer, std::size_t) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete(void* pointer, std::align_val_t) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete[](void* pointer, std::align_val_t) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    free(pointer);
}
TW_NEW_DELETE void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    free(pointer);
}

// --- locks -----------------------------------------------------------------------
// Declared here with opaque pointers: only the C names matter to the linker,
// and the system headers' declarations would differ in exception specifiers.

#define TW_LOCK(name, cache, kind)       \
    TW_INTERPOSED int name(void* lock) { \
        Note(kind);                      \
        return Next(cache, #name)(lock); \
    }
TW_LOCK(pthread_mutex_lock, gMutexLock, Call::Lock)
TW_LOCK(pthread_mutex_trylock, gMutexTryLock, Call::Lock)
TW_LOCK(pthread_rwlock_rdlock, gReadLock, Call::Lock)
TW_LOCK(pthread_rwlock_wrlock, gWriteLock, Call::Lock)
TW_LOCK(pthread_rwlock_tryrdlock, gTryReadLock, Call::Lock)
TW_LOCK(pthread_rwlock_trywrlock, gTryWriteLock, Call::Lock)
TW_LOCK(pthread_spin_lock, gSpinLock, Call::Lock)
TW_LOCK(pthread_spin_trylock, gSpinTryLock, Call::Lock)
#undef TW_LOCK

#define TW_TIMED_LOCK(name, cache, kind)                       \
    TW_INTERPOSED int name(void* lock, const void* deadline) { \
        Note(kind);                                            \
        return Next(cache, #name)(lock, deadline);             \
    }
TW_TIMED_LOCK(pthread_mutex_timedlock, gMutexTimedLock, Call::Lock)
TW_TIMED_LOCK(pthread_rwlock_timedrdlock, gTimedReadLock, Call::Lock)
TW_TIMED_LOCK(pthread_rwlock_timedwrlock, gTimedWriteLock, Call::Lock)
#undef TW_TIMED_LOCK

#define TW_CLOCK_LOCK(name, cache, kind)                                  \
    TW_INTERPOSED int name(void* lock, int clock, const void* deadline) { \
        Note(kind);                                                       \
        return Next(cache, #name)(lock, clock, deadline);                 \
    }
TW_CLOCK_LOCK(pthread_mutex_clocklock, gMutexClockLock, Call::Lock)
TW_CLOCK_LOCK(pthread_rwlock_clockrdlock, gClockReadLock, Call::Lock)
TW_CLOCK_LOCK(pthread_rwlock_clockwrlock, gClockWriteLock, Call::Lock)
#undef TW_CLOCK_LOCK

TW_INTERPOSED int sem_wait(void* semaphore) {
    Note(Call::Wait);
    return Next(gSemWait, "sem_wait", kSemVersion)(semaphore);
}
TW_INTERPOSED int sem_trywait(void* semaphore) {
    Note(Call::Wait);
    return Next(gSemTryWait, "sem_trywait", kSemVersion)(semaphore);
}
TW_INTERPOSED int sem_timedwait(void* semaphore, const void* deadline) {
    Note(Call::Wait);
    return Next(gSemTimedWait, "sem_timedwait", kSemVersion)(semaphore, deadline);
}
TW_INTERPOSED int sem_clockwait(void* semaphore, int clock, const void* deadline) {
    Note(Call::Wait);
    return Next(gSemClockWait, "sem_clockwait", kSemVersion)(semaphore, clock, deadline);
}

TW_INTERPOSED int pthread_cond_wait(void* condition, void* mutex) {
    Note(Call::Wait);
    return Next(gCondWait, "pthread_cond_wait", kCondVersion)(condition, mutex);
}
TW_INTERPOSED int pthread_cond_timedwait(void* condition, void* mutex, const void* deadline) {
    Note(Call::Wait);
    return Next(gCondTimedWait, "pthread_cond_timedwait", kCondVersion)(condition, mutex, deadline);
}
TW_INTERPOSED int pthread_cond_clockwait(void* condition, void* mutex, int clock,
                                         const void* deadline) {
    Note(Call::Wait);
    return Next(gCondClockWait, "pthread_cond_clockwait")(condition, mutex, clock, deadline);
}

// std::atomic<T>::wait and std::counting_semaphore reach the kernel through
// syscall(SYS_futex, ...), not through a pthread function.
TW_INTERPOSED long syscall(long number, ...) {
    va_list arguments;
    va_start(arguments, number);
    long a[6];
    for (long& argument : a) {
        argument = va_arg(arguments, long);
    }
    va_end(arguments);
    if (number == SYS_futex) {
        const long operation = a[1] & FUTEX_CMD_MASK;
        if (operation == FUTEX_WAIT || operation == FUTEX_WAIT_BITSET ||
            operation == FUTEX_LOCK_PI || operation == FUTEX_WAIT_REQUEUE_PI) {
            Note(Call::Wait);
        }
    }
    return Next(gSyscall, "syscall")(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}

#else  // sanitizer build: operator new only, on the sanitizer's malloc

namespace {

struct Registration {
    Registration() {
        hpihost::probe_detail::MarkUnavailable(
            "sanitizer build: the sanitizer owns malloc and the lock functions, so none is "
            "counted");
    }
};
const Registration kRegistration;

void* NewBlock(std::size_t size) {
    if (!Allocate()) {
        throw std::bad_alloc();
    }
    if (void* pointer = std::malloc(size == 0 ? 1 : size)) {
        return pointer;
    }
    throw std::bad_alloc();
}

void* NewAlignedBlock(std::size_t size, std::align_val_t alignment) {
    void* pointer = nullptr;
    if (!Allocate() ||
        posix_memalign(&pointer, static_cast<std::size_t>(alignment), size == 0 ? 1 : size) != 0) {
        throw std::bad_alloc();
    }
    return pointer;
}

void Release(void* pointer) {
    if (pointer != nullptr) {
        Note(Call::Free);
    }
    std::free(pointer);
}

}  // namespace

void* operator new(std::size_t size) {
    return NewBlock(size);
}
void* operator new[](std::size_t size) {
    return NewBlock(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return NewBlock(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return NewAlignedBlock(size, alignment);
}
void operator delete(void* pointer) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, std::align_val_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, std::align_val_t) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, std::size_t, std::align_val_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, std::size_t, std::align_val_t) noexcept {
    Release(pointer);
}

#endif
