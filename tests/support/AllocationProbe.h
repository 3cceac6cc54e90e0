#pragma once
#include <cstddef>

// The largest single allocation made through operator new, by any thread, while a probe lives.
// The binary that links AllocationProbe.cpp gets its operator new and delete.
class TAllocationProbe {
public:
    TAllocationProbe();
    ~TAllocationProbe();
    TAllocationProbe(const TAllocationProbe&) = delete;
    TAllocationProbe& operator=(const TAllocationProbe&) = delete;
    size_t Largest() const;
};
