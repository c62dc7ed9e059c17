#pragma once

// Plumbing shared by the fuzz targets. The converter's report on standard
// output goes to /dev/null; run.sh silences standard error with
// -close_fd_mask=2, which keeps the sanitizer reports visible.

#include <cstdio>
#include <cstdlib>

inline void fuzz_silence_stdout() {
    if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

/// Stops the run as a crash when a property of the converter does not hold.
#define FUZZ_CHECK(condition)                                                                  \
    ((condition)                                                                               \
         ? (void)0                                                                             \
         : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), \
            std::abort()))
