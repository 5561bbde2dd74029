#pragma once
#include <cstddef>
#include <fstream>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (GCC ships no header for it).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

// The resident set of this process in KiB, from /proc/self/statm; 0 where there is none.
inline long residentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    if (!(statm >> size >> resident))
        return 0;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// What the program itself holds, in KiB: the resident set, except under AddressSanitizer,
// whose resident set also carries its quarantine of freed blocks and its store of allocation
// stacks, which keeps growing because the fast unwinder gives ragged stacks through Qt, built
// without frame pointers; so there the sanitizer's own count of live heap bytes is used.
inline long heldKiB()
{
#if defined(__SANITIZE_ADDRESS__)
    return long(__sanitizer_get_current_allocated_bytes() / 1024);
#else
    return residentKiB();
#endif
}

inline constexpr const char* kHeldMeasure =
#if defined(__SANITIZE_ADDRESS__)
    "live heap";
#else
    "resident set";
#endif
