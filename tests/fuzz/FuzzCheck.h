#pragma once

// A property check for fuzz targets: names the failed condition on standard
// error, then aborts so libFuzzer keeps the input as a finding.
#include <cstdio>
#include <cstdlib>

#define Check(ok)                                                               \
    do {                                                                        \
        if (!(ok)) {                                                            \
            std::fprintf(stderr, "%s:%d: %s failed\n", __FILE__, __LINE__, #ok); \
            std::abort();                                                       \
        }                                                                       \
    } while (false)
