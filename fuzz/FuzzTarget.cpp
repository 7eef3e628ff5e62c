// The libFuzzer executable of one entry; QUILLON_FUZZ_ENTRY names it.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzz::QUILLON_FUZZ_ENTRY(data, size);
}
