// libFuzzer target on the request decoder: the first byte picks the HTTP
// method, the bytes up to the first newline are the path, the rest the body.
// Every input must decode or be refused with a 4xx; nothing else may escape.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace dorvane::server;
    constexpr std::string_view kMethods[] = {"GET", "POST", "PUT", "DELETE", "PATCH", "OPTIONS"};
    if (size == 0) return 0;
    const std::string_view method = kMethods[data[0] % std::size(kMethods)];
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t newline = rest.find('\n');
    const std::string_view path = rest.substr(0, newline);
    const std::string_view body =
        newline == std::string_view::npos ? std::string_view() : rest.substr(newline + 1);
    try {
        const Operation op = decode_request(method, path, body);
        (void)op;
    } catch (const Refusal& r) {
        if (r.status() < 400 || r.status() > 499) {
            std::fprintf(stderr, "refusal with status %d: %s\n", r.status(), r.what());
            std::abort();
        }
    }
    return 0;
}
