#pragma once
// What every fuzz target does when an invariant breaks: say which, and stop for libFuzzer.
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void require(bool holds, const char* what)
{
    if (!holds)
        fail(what);
}
