// The browser pages of dorvane-server: the site list, each site's panel and
// its POS console, and the files they load, served from the web folder that
// ships with the program.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace dorvane::server {

// The web folder: beside the program in the build tree, or under the
// package's share folder when installed. Empty when neither holds the pages.
std::filesystem::path find_web_folder(const std::filesystem::path& program);

// What a GET of a page path asks for: the file of the web folder to answer
// with, or nothing when the path belongs to the protocol.
std::optional<std::string> web_file_of(const std::string& path);

// Answers a request for a page or one of its files; false when the request
// is not one (the protocol answers it).
bool serve_web_request(const httplib::Request& req, httplib::Response& res);

}  // namespace dorvane::server
