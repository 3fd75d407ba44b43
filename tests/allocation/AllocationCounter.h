#pragma once

namespace tarn::test {

// Counts the allocations made, on any thread, while an instance lives.
// Counting needs the replacement of every global operator new in
// AllocationCounter.cpp, which only the binaries that prove a path
// allocation-free link (it would slow every other test binary); the
// counter cannot be used anywhere else. Instances must not overlap.
class AllocationCounter {
public:
    AllocationCounter();
    ~AllocationCounter();
    AllocationCounter(const AllocationCounter&) = delete;
    AllocationCounter& operator=(const AllocationCounter&) = delete;

    long Count() const;
};

} // namespace tarn::test
