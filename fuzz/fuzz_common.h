#pragma once

// Plumbing shared by the fuzz targets. The converter prints its report on
// standard output; a fuzzer has no use for it, so it goes to /dev/null.
// Standard error stays where it is: run.sh passes -close_fd_mask=2 so the
// converter's messages vanish while the sanitizer reports remain visible.

#include <cstdio>
#include <cstdlib>

inline void fuzz_silence_stdout() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

/// Stops the run as a crash when a property of the converter does not hold.
#define FUZZ_CHECK(condition)                                                   \
    do {                                                                        \
        if (!(condition)) {                                                     \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                         #condition);                                           \
            std::abort();                                                       \
        }                                                                       \
    } while (0)
