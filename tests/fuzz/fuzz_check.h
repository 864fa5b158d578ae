#pragma once
// What the fuzz targets share: a property that must hold, reported as a crash so that the fuzzer
// keeps the input that broke it.

#include <cstdio>
#include <cstdlib>

#define LAB_FUZZ_CHECK(condition)                                                             \
  do {                                                                                        \
    if (!(condition)) {                                                                       \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                           \
    }                                                                                         \
  } while (false)
