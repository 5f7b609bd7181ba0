// One libFuzzer program; TESSALY_FUZZ_TARGET names the body it runs.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return TESSALY_FUZZ_TARGET(data, size); }
