#pragma once
// Counts heap allocations made by the calling thread, so a test can prove that
// a stretch of audio-thread code allocates nothing. Linked into every test
// binary; it replaces the global operator new and malloc family.
#include <cstddef>

namespace test_support {

// Allocations (new, new[], malloc, calloc, realloc, aligned forms) made by this
// thread since it started.
std::size_t ThreadAllocationCount();

// False in sanitizer builds, where the sanitizer owns malloc and only
// operator new is counted.
bool MallocIsCounted();

// While one is alive, every operator new on this thread throws std::bad_alloc
// (and, where malloc is counted, every malloc-family call answers null), so a
// test can show that an entry point survives an allocation failure.
class AllocationFailureScope {
public:
    AllocationFailureScope();
    ~AllocationFailureScope();
    AllocationFailureScope(const AllocationFailureScope&) = delete;
    AllocationFailureScope& operator=(const AllocationFailureScope&) = delete;

private:
    bool mWasFailing;
};

// Counts the allocations made on this thread while it is alive.
class AllocationScope {
public:
    AllocationScope() : mStart(ThreadAllocationCount()) {}
    std::size_t Count() const { return ThreadAllocationCount() - mStart; }

private:
    std::size_t mStart;
};

}  // namespace test_support
