// libFuzzer target for the phone link's receive side.
#include "TelProtocolFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return TelProtocolFuzzOne(data, size);
}
