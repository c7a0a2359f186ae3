// The request decoder: an HTTP method, a path and a body become one
// operation with every name resolved through the control's own tables, or a
// refusal with its status and a message that says what was wrong. Nothing
// runs until a request has been decoded whole, so a bad request (a bad batch
// element included) changes nothing.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "dorvane/common/platform.h"
#include "dorvane/forecourt/members.h"
#include "dorvane/panel/panel.h"
#include "run/script.h"

namespace dorvane::server {

using json = nlohmann::json;

// Limits on what one request may ask for.
inline constexpr std::size_t kMaxBodyBytes = 64 * 1024;
inline constexpr int kMaxJsonDepth = 32;
inline constexpr long long kMaxTicksPerRequest = 86400;
inline constexpr long long kMaxSites = 10000;
inline constexpr int kMaxSpeed = 1000;

// A request the server refuses: `status` is the HTTP status (400, 404, 405,
// 409, ...), the message says what was wrong.
class Refusal : public std::runtime_error {
  public:
    Refusal(int status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

  private:
    int status_;
};

enum class Route : std::uint8_t {
    Api,
    OpenApi,
    ListSites,
    CreateSite,
    GetSite,
    DeleteSite,
    ListProperties,
    GetProperty,
    SetProperty,
    CallMethod,
    Batch,
    Click,
    Purchase,
    Tick,
    GetClock,
    SetClock,
    Widgets,
    Widget,
    Pump,
    Members,
    Member,
    Beeps,
    Events,
    SessionScript,
};

// What a new site runs on.
struct SiteSettings {
    bool virtual_clock = false;
    LocalDateTime start{2026, 1, 1, 0, 0, 0};
    bool manual_ticks = false;
    int speed = 1;  // ticks per second of a real-tick site on a virtual clock
};

struct Operation {
    Route route = Route::Api;
    long long site = 0;
    int property = -1;                   // GetProperty, SetProperty
    int method = -1;                     // CallMethod
    const MemberInfo* member = nullptr;  // Member
    W widget{};                          // Click, Widget
    int index = -1;                      // Click, Widget: control-array index; Pump: the pump
    std::vector<script::Value> values;   // SetProperty: 1; CallMethod: the arguments; Purchase: 1
    long long count = 1;                 // Tick
    LocalDateTime clock;                 // SetClock
    SiteSettings settings;               // CreateSite
    std::vector<Operation> batch;        // Batch
};

// Whether a route belongs to one site (and so runs on that site's strand).
bool is_site_route(Route r);
// Whether a route changes state (refused to foreign origins).
bool changes_state(std::string_view http_method);

// Parses a JSON body, refusing (400) invalid JSON or UTF-8 and nesting deeper
// than kMaxJsonDepth. An empty body is an empty object.
json parse_body(std::string_view body);

// Decodes one request. Throws Refusal.
Operation decode_request(std::string_view http_method, std::string_view path,
                         std::string_view body);

// The routes the server answers, as OpenAPI path templates with their HTTP
// methods ("/sites/{id}/properties/{name}", "get"), for the description test.
std::vector<std::pair<std::string, std::string>> route_table();

// JSON text that never throws: bytes that are not UTF-8 (a name in a path
// echoed back) are replaced.
std::string json_text(const json& j);

// A value as JSON, typed as on the C interface: numbers (True = -1), texts.
json to_json(const Variant& v);

}  // namespace dorvane::server
