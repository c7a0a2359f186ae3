// libFuzzer target: the first byte picks the walk's mode, the rest decode
// into the soak's actions, checked after every step exactly as the soak does.
//
// A finding aborts the run with its script on stderr, and the same script is
// written as `<artifact_prefix>finding-<hash>.dvs` beside libFuzzer's own
// crash artifact, so a finding of a long unattended campaign is not lost in
// a log.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "soak.h"

namespace {

std::string artifact_prefix;  // from libFuzzer's -artifact_prefix=, "" if none

// FNV-1a of the input: names the finding's script after the input it came from.
std::uint64_t input_hash(const std::uint8_t* data, std::size_t size) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

void keep_finding(const std::string& script, const std::uint8_t* data, std::size_t size) {
    char name[40];
    std::snprintf(name, sizeof name, "finding-%016llx.dvs",
                  static_cast<unsigned long long>(input_hash(data, size)));
    const std::string path = artifact_prefix + name;
    std::ofstream out(path);
    out << script;
    out.flush();
    if (out)
        std::fprintf(stderr, "finding's script written to %s\n", path.c_str());
    else
        std::fprintf(stderr, "could not write the finding's script to %s\n", path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    constexpr std::string_view flag = "-artifact_prefix=";
    for (int i = 1; i < *argc; ++i) {
        const std::string_view arg = (*argv)[i];
        if (arg.substr(0, flag.size()) == flag)
            artifact_prefix = std::string(arg.substr(flag.size()));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dorvane::soak;
    constexpr long long kMaxActions = 3000;
    BufferBytes in(data, size);
    const Mode mode = decode_mode(in);
    WalkResult r = run_walk(in, mode, kMaxActions);
    if (r.violation) {
        const std::string script = to_script(r.actions, {"fuzz finding"}, r.violation);
        std::fprintf(stderr, "%s\n", script.c_str());
        keep_finding(script, data, size);
        std::abort();
    }
    return 0;
}
