// libFuzzer target for the PE version reader: the input is a whole file.
#include "platform/peversion.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const quillon::PeVersionInfo info = quillon::ReadPeVersionInfo({data, size});
    // Use every result, so that nothing of the walk is optimised away.
    size_t total = info.language + info.codepage;
    for (const auto& [key, value] : info.strings)
        total += key.size() + value.size();
    volatile size_t sink = total;
    (void)sink;
    return 0;
}
