// The libFuzzer entry point of one harness, chosen at build time.
#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return QUAVERLY_FUZZ_TARGET(data, size);
}
