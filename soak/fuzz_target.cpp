// libFuzzer target: the first byte picks the walk's mode, the rest decode
// into the soak's actions, checked after every step exactly as the soak does.
#include <cstdio>
#include <cstdlib>

#include "soak.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dorvane::soak;
    constexpr long long kMaxActions = 3000;
    BufferBytes in(data, size);
    const Mode mode = decode_mode(in);
    WalkResult r = run_walk(in, mode, kMaxActions);
    if (r.violation) {
        std::fprintf(stderr, "%s\n", to_script(r.actions, {"fuzz finding"}, r.violation).c_str());
        std::abort();
    }
    return 0;
}
