#include "static_files.h"

#include <httplib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "request.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace dorvane::server {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kWebPrefix = "/web/";
constexpr std::string_view kSitesPrefix = "/sites/";
constexpr std::string_view kSiteListPage = "index.html";
constexpr std::string_view kPanelPage = "panel.html";
constexpr std::string_view kPosPage = "pos.html";
constexpr std::string_view kPosSuffix = "pos";

// The pages load nothing from anywhere but this server.
constexpr const char* kContentPolicy =
    "default-src 'self'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
    "connect-src 'self'; media-src 'self'; object-src 'none'; frame-ancestors 'none'";

struct MediaType {
    std::string_view extension;
    const char* type;
};

constexpr std::array kMediaTypes{
    MediaType{".html", "text/html; charset=utf-8"},
    MediaType{".js", "text/javascript; charset=utf-8"},
    MediaType{".css", "text/css; charset=utf-8"},
    MediaType{".svg", "image/svg+xml"},
    MediaType{".png", "image/png"},
};

const char* media_type_of(std::string_view name) {
    for (const MediaType& m : kMediaTypes)
        if (name.size() > m.extension.size() && name.ends_with(m.extension)) return m.type;
    return nullptr;
}

// A file name of the web folder: letters, digits, '_', '-' and one '.', so
// that no request reaches outside the folder.
bool plain_file_name(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '.') return false;
    int dots = 0;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!ok) return false;
        dots += c == '.';
    }
    return dots == 1;
}

bool all_digits(std::string_view s) {
    return !s.empty() && s.size() <= 18 &&
           s.find_first_not_of("0123456789") == std::string_view::npos;
}

// A file's version as an HTTP entity tag: a 64-bit FNV-1a hash of its bytes.
std::string entity_tag(const std::string& bytes) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ULL;
    }
    char text[19];
    std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(h));
    return text;
}

fs::path program_path() {
#ifdef _WIN32
    std::wstring name(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()))) ==
           name.size())
        name.resize(name.size() * 2);
    name.resize(length);
    return fs::path(name);
#else
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self;
#endif
}

const fs::path& web_folder() {
    static const fs::path folder = find_web_folder(program_path());
    return folder;
}

// The protocol's error body.
void send_refusal(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    res.set_content(json_text({{"error", message}, {"status", status}}), "application/json");
}

}  // namespace

fs::path find_web_folder(const fs::path& program) {
    const fs::path dir = program.parent_path();
    for (const fs::path& candidate : {dir / "web", dir / DORVANE_WEB_FROM_PROGRAM}) {
        std::error_code ec;
        if (fs::is_regular_file(candidate / std::string(kPanelPage), ec))
            return candidate.lexically_normal();
    }
    return {};
}

std::optional<std::string> web_file_of(const std::string& path) {
    const std::string_view p = path;
    if (p == "/" || p == "/index.html") return std::string(kSiteListPage);
    if (p.starts_with(kWebPrefix)) return std::string(p.substr(kWebPrefix.size()));
    if (!p.starts_with(kSitesPrefix)) return std::nullopt;
    // /sites/{id}/ is the panel, /sites/{id}/pos the POS console.
    const std::string_view rest = p.substr(kSitesPrefix.size());
    const std::size_t slash = rest.find('/');
    if (slash == std::string_view::npos || !all_digits(rest.substr(0, slash))) return std::nullopt;
    const std::string_view page = rest.substr(slash + 1);
    if (page.empty()) return std::string(kPanelPage);
    if (page == kPosSuffix) return std::string(kPosPage);
    return std::nullopt;
}

bool serve_web_request(const httplib::Request& req, httplib::Response& res) {
    if (req.method != "GET" && req.method != "HEAD") return false;
    const std::optional<std::string> name = web_file_of(req.path);
    if (!name) return false;
    const char* type = media_type_of(*name);
    if (!plain_file_name(*name) || !type) {
        send_refusal(res, 404, "no such page");
        return true;
    }
    if (web_folder().empty()) {
        send_refusal(res, 404,
                     "the pages are not installed: no web folder beside the program or under its "
                     "share folder");
        return true;
    }
    std::ifstream in(web_folder() / *name, std::ios::binary);
    if (!in) {
        send_refusal(res, 404, "no such page");
        return true;
    }
    std::ostringstream body;
    body << in.rdbuf();
    // A browser keeps the files and asks each time whether they changed: a
    // reload costs a short answer, not the file again (the library would
    // compress it anew for every browser that accepts compression).
    const std::string tag = entity_tag(body.str());
    res.headers.erase("Cache-Control");
    res.set_header("Cache-Control", "no-cache");
    res.set_header("ETag", tag);
    res.set_header("Content-Security-Policy", kContentPolicy);
    res.set_header("X-Content-Type-Options", "nosniff");
    if (req.get_header_value("If-None-Match") == tag) {
        res.status = 304;
        return true;
    }
    res.status = 200;
    res.set_content(body.str(), type);
    return true;
}

}  // namespace dorvane::server
