#include "request.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "dorvane/common/arrays.h"
#include "dorvane/control/surface.h"

namespace dorvane::server {

namespace {

struct RouteRow {
    std::string_view method;  // lower case, as OpenAPI writes it
    std::string_view path;    // segments; {id}, {name}, {index}, {pump} stand for a value
    Route route;
};

// Every route the server answers, once.
constexpr RouteRow kRoutes[] = {
    {"get", "/api", Route::Api},
    {"get", "/openapi.json", Route::OpenApi},
    {"get", "/sites", Route::ListSites},
    {"post", "/sites", Route::CreateSite},
    {"get", "/sites/{id}", Route::GetSite},
    {"delete", "/sites/{id}", Route::DeleteSite},
    {"get", "/sites/{id}/properties", Route::ListProperties},
    {"get", "/sites/{id}/properties/{name}", Route::GetProperty},
    {"put", "/sites/{id}/properties/{name}", Route::SetProperty},
    {"post", "/sites/{id}/methods/{name}", Route::CallMethod},
    {"post", "/sites/{id}/batch", Route::Batch},
    {"post", "/sites/{id}/click", Route::Click},
    {"post", "/sites/{id}/purchase", Route::Purchase},
    {"post", "/sites/{id}/tick", Route::Tick},
    {"get", "/sites/{id}/clock", Route::GetClock},
    {"put", "/sites/{id}/clock", Route::SetClock},
    {"get", "/sites/{id}/widgets", Route::Widgets},
    {"get", "/sites/{id}/widgets/{name}", Route::Widget},
    {"get", "/sites/{id}/widgets/{name}/{index}", Route::Widget},
    {"get", "/sites/{id}/pumps/{pump}", Route::Pump},
    {"get", "/sites/{id}/members", Route::Members},
    {"get", "/sites/{id}/members/{name}", Route::Member},
    {"get", "/sites/{id}/beeps", Route::Beeps},
    {"get", "/sites/{id}/events", Route::Events},
    {"get", "/sites/{id}/session.dvs", Route::SessionScript},
};

// The routes a batch may hold: one site's reads, writes, calls and tester actions.
bool batchable(Route r) {
    switch (r) {
        case Route::ListProperties:
        case Route::GetProperty:
        case Route::SetProperty:
        case Route::CallMethod:
        case Route::Click:
        case Route::Purchase:
        case Route::Tick:
        case Route::GetClock:
        case Route::SetClock:
        case Route::Widgets:
        case Route::Widget:
        case Route::Pump:
        case Route::Members:
        case Route::Member:
        case Route::Beeps:
            return true;
        default:
            return false;
    }
}

std::vector<std::string_view> split_path(std::string_view path) {
    std::vector<std::string_view> out;
    if (path.empty() || path[0] != '/') throw Refusal(400, "a path starts with '/'");
    path.remove_prefix(1);
    while (true) {
        std::size_t slash = path.find('/');
        out.push_back(path.substr(0, slash));
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return out;
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// A decimal number that fits an int, or nothing.
std::optional<int> small_number(std::string_view s) {
    int v = 0;
    if (s.empty() || s.size() > 9) return std::nullopt;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return v;
}

std::string in_quotes(std::string_view s) {
    return "'" + std::string(s) + "'";
}

// ---- Bodies.

struct DepthExceeded {};

const json& field(const json& body, std::string_view name) {
    static const json missing;
    auto it = body.find(name);
    return it == body.end() ? missing : *it;
}

void only_fields(const json& body, std::initializer_list<std::string_view> allowed,
                 std::string_view what) {
    if (!body.is_object()) throw Refusal(400, std::string(what) + " wants a JSON object");
    for (auto it = body.begin(); it != body.end(); ++it)
        if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end())
            throw Refusal(400, "unknown field " + in_quotes(it.key()) + " in " + std::string(what));
}

const char* json_kind(const json& v) {
    switch (v.type()) {
        case json::value_t::null:
            return "null";
        case json::value_t::boolean:
            return "a boolean";
        case json::value_t::number_integer:
        case json::value_t::number_unsigned:
            return "a whole number";
        case json::value_t::number_float:
            return "a fraction";
        case json::value_t::string:
            return "a text";
        case json::value_t::array:
            return "a list";
        default:
            return "an object";
    }
}

long long whole_number(const json& v, const std::string& what) {
    if (v.is_number_unsigned() &&
        v.get<unsigned long long>() >
            static_cast<unsigned long long>(std::numeric_limits<long long>::max()))
        throw Refusal(400, what + " is beyond 64 bits");
    if (!v.is_number_integer())
        throw Refusal(400, what + " is a whole number, not " + json_kind(v));
    return v.get<long long>();
}

std::string text_of(const json& v, const std::string& what) {
    if (v.is_null()) throw Refusal(400, what + " is missing");
    if (!v.is_string()) throw Refusal(400, what + " is a text, not " + json_kind(v));
    std::string s = v.get<std::string>();
    if (s.find('\0') != std::string::npos) throw Refusal(400, what + " contains a NUL character");
    return s;
}

// A host value for a slot of the declared type: a whole number (a JSON
// boolean is True = -1 or False = 0) or a text. Whether the number fits the
// slot is the call's business (an overflow fault), not the request's.
script::Value host_value(const json& v, ValueType declared, const std::string& what) {
    const bool text_slot = declared == ValueType::String;
    const bool any = declared == kVariantParam;
    if (v.is_boolean() && !text_slot)
        return script::Value::of_number(v.get<bool>() ? True : False, true);
    if (v.is_string() && (text_slot || any)) return script::Value::of_text(text_of(v, what));
    if (v.is_number() && !text_slot) return script::Value::of_number(whole_number(v, what));
    throw Refusal(400, what + " is " +
                           (text_slot ? "a text"
                            : any     ? "a number or a text"
                                      : "a number") +
                           ", not " + json_kind(v));
}

// A date and time as the scenario language writes it, read by its parser.
LocalDateTime clock_of(const json& v, const std::string& what) {
    const std::string s = text_of(v, what);
    if (s.find_first_of("#\n\r") == std::string::npos) {
        try {
            if (auto st = script::parse_statement("clock " + s, 1)) return st->clock;
        } catch (const script::ScriptError& e) {
            if (std::string_view(e.what()).starts_with("no such date"))
                throw Refusal(400, e.what());
        }
    }
    throw Refusal(400, what + " is written \"YYYY-MM-DD HH:MM:SS\", not " + in_quotes(s));
}

// ---- Names of the control.

// Kinds and array sizes are the same in every control: one model answers them.
const Panel& model() {
    static const Panel panel;
    return panel;
}

int property_named(std::string_view name) {
    int p = find_property(name);
    if (p < 0) throw Refusal(404, "no property " + in_quotes(name));
    return p;
}

W widget_named(std::string_view name) {
    std::optional<W> w = Panel::find_name(name);
    if (!w) throw Refusal(404, "no widget " + in_quotes(name));
    return *w;
}

// A widget of the panel: a single one without index, a control array's
// element with one in range.
void check_widget_index(W w, std::optional<long long> index, Operation& op) {
    const int size = Panel::array_size(w);
    const std::string name(Panel::name_of(w));
    if (size == 0 && index) throw Refusal(400, name + " is a single widget: it takes no index");
    if (size > 0 && !index)
        throw Refusal(
            400, name + " is a control array: give an index, 0 to " + std::to_string(size - 1));
    if (size > 0 && (*index < 0 || *index >= size))
        throw Refusal(404, "no widget " + name + "(" + std::to_string(*index) +
                               "): indexes run 0 to " + std::to_string(size - 1));
    op.widget = w;
    op.index = size > 0 ? static_cast<int>(*index) : -1;
}

Operation route_request(std::string_view http_method, std::string_view path);

void decode_body(Operation& op, const json& body) {
    switch (op.route) {
        case Route::CreateSite: {
            only_fields(body, {"clock", "start", "ticks", "speed"}, "a new site");
            if (const json& c = field(body, "clock"); !c.is_null()) {
                const std::string s = text_of(c, "clock");
                if (s != "system" && s != "virtual")
                    throw Refusal(400, "clock is \"system\" or \"virtual\", not " + in_quotes(s));
                op.settings.virtual_clock = s == "virtual";
            }
            if (const json& t = field(body, "ticks"); !t.is_null()) {
                const std::string s = text_of(t, "ticks");
                if (s != "real" && s != "manual")
                    throw Refusal(400, "ticks is \"real\" or \"manual\", not " + in_quotes(s));
                op.settings.manual_ticks = s == "manual";
            }
            if (const json& s = field(body, "start"); !s.is_null()) {
                op.settings.start = clock_of(s, "start");
                if (!op.settings.virtual_clock)
                    throw Refusal(
                        400, "start is for a virtual clock: the system clock starts where it is");
            }
            if (const json& s = field(body, "speed"); !s.is_null()) {
                const long long speed = whole_number(s, "speed");
                if (speed < 1 || speed > kMaxSpeed)
                    throw Refusal(400, "speed runs 1 to " + std::to_string(kMaxSpeed));
                if (speed != 1 && (!op.settings.virtual_clock || op.settings.manual_ticks))
                    throw Refusal(
                        400,
                        "speed is for a site with real ticks on a virtual clock: a faster "
                        "tick on the system clock would not match its time");
                op.settings.speed = static_cast<int>(speed);
            }
            break;
        }
        case Route::SetProperty: {
            only_fields(body, {"value"}, "a property write");
            const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(op.property)];
            if (!p.writable) throw Refusal(409, std::string(p.name) + " cannot be written");
            if (!body.contains("value"))
                throw Refusal(400, "a property write wants {\"value\": v}");
            op.values.push_back(host_value(body["value"], p.type, std::string(p.name)));
            break;
        }
        case Route::CallMethod: {
            only_fields(body, {"args"}, "a method call");
            const MethodInfo& m = surface_methods()[static_cast<std::size_t>(op.method)];
            const json& args = field(body, "args");
            if (!args.is_null() && !args.is_array())
                throw Refusal(400, "args is a list, not " + std::string(json_kind(args)));
            const std::size_t given = args.is_array() ? args.size() : 0;
            if (given != m.params.size())
                throw Refusal(400, std::string(m.name) + " takes " +
                                       std::to_string(m.params.size()) + " argument(s), got " +
                                       std::to_string(given));
            for (std::size_t a = 0; a < given; ++a)
                op.values.push_back(host_value(args[a], m.params[a].type,
                                               "argument " + std::to_string(a + 1) + " of " +
                                                   std::string(m.name) + " (" +
                                                   std::string(m.params[a].name) + ")"));
            break;
        }
        case Route::Click: {
            only_fields(body, {"widget", "index"}, "a click");
            const W w = widget_named(text_of(field(body, "widget"), "widget"));
            const json& i = field(body, "index");
            std::optional<long long> index;
            if (!i.is_null()) index = whole_number(i, "index");
            check_widget_index(w, index, op);
            if (model()(w, op.index).kind == WidgetKind::Timer)
                throw Refusal(400, std::string(Panel::name_of(w)) +
                                       " is a timer: nobody clicks it (tick the site)");
            break;
        }
        case Route::Purchase:
            only_fields(body, {"text"}, "a purchase entry");
            op.values.push_back(script::Value::of_text(text_of(field(body, "text"), "text")));
            break;
        case Route::Tick: {
            only_fields(body, {"count"}, "a tick");
            if (const json& c = field(body, "count"); !c.is_null())
                op.count = whole_number(c, "count");
            if (op.count < 0 || op.count > kMaxTicksPerRequest)
                throw Refusal(400, "count runs 0 to " + std::to_string(kMaxTicksPerRequest) +
                                       " ticks per request");
            break;
        }
        case Route::SetClock:
            only_fields(body, {"time"}, "a clock setting");
            op.clock = clock_of(field(body, "time"), "time");
            break;
        case Route::Batch: {
            if (!body.is_array()) throw Refusal(400, "a batch is a list of operations");
            long long ticks = 0;
            for (std::size_t n = 0; n < body.size(); ++n) {
                const json& e = body[n];
                const std::string where = "batch operation " + std::to_string(n + 1);
                try {
                    only_fields(e, {"method", "path", "body"}, where);
                    const std::string method = text_of(field(e, "method"), "method");
                    const std::string path = text_of(field(e, "path"), "path");
                    if (path.empty() || path[0] == '/')
                        throw Refusal(
                            400, "path is relative to the site, such as properties/Total_Price");
                    const json& inner_body = field(e, "body");
                    Operation inner =
                        route_request(method, "/sites/" + std::to_string(op.site) + "/" + path);
                    if (!batchable(inner.route))
                        throw Refusal(400, method + " " + path + " cannot be part of a batch");
                    if (changes_state(method))
                        decode_body(inner, inner_body.is_null() ? json::object() : inner_body);
                    if (inner.route == Route::Tick) ticks += inner.count;
                    op.batch.push_back(std::move(inner));
                } catch (const Refusal& r) {
                    throw Refusal(r.status(), where + ": " + r.what());
                }
            }
            if (ticks > kMaxTicksPerRequest)
                throw Refusal(
                    400, "a batch ticks at most " + std::to_string(kMaxTicksPerRequest) + " times");
            break;
        }
        default:
            break;
    }
}

Operation route_request(std::string_view http_method, std::string_view path) {
    const std::vector<std::string_view> segments = split_path(path);
    const std::string method = lower(http_method);
    bool path_known = false;
    std::string allowed;
    // The routes' segments, split once.
    static const std::vector<std::vector<std::string_view>> patterns = [] {
        std::vector<std::vector<std::string_view>> all;
        for (const RouteRow& row : kRoutes)
            all.push_back(split_path(row.path));
        return all;
    }();
    for (std::size_t r = 0; r < std::size(kRoutes); ++r) {
        const RouteRow& row = kRoutes[r];
        const std::vector<std::string_view>& pattern = patterns[r];
        if (pattern.size() != segments.size()) continue;
        bool match = true;
        for (std::size_t s = 0; s < pattern.size() && match; ++s)
            match = pattern[s].front() == '{' || pattern[s] == segments[s];
        if (!match) continue;
        path_known = true;
        if (row.method != method) {
            allowed += (allowed.empty() ? "" : ", ") + lower(row.method);
            continue;
        }
        Operation op;
        op.route = row.route;
        for (std::size_t s = 0; s < pattern.size(); ++s) {
            const std::string_view seg = segments[s];
            if (pattern[s] == "{id}") {
                std::optional<int> id = small_number(seg);
                if (!id || *id < 1) throw Refusal(404, "no site " + in_quotes(seg));
                op.site = *id;
            } else if (pattern[s] == "{name}") {
                if (row.route == Route::GetProperty || row.route == Route::SetProperty)
                    op.property = property_named(seg);
                else if (row.route == Route::CallMethod) {
                    op.method = find_method(seg);
                    if (op.method < 0) throw Refusal(404, "no method " + in_quotes(seg));
                } else if (row.route == Route::Member) {
                    op.member = find_member(seg);
                    if (!op.member) throw Refusal(404, "no pump-table member " + in_quotes(seg));
                } else {
                    op.widget = widget_named(seg);
                }
            } else if (pattern[s] == "{index}") {
                std::optional<int> i = small_number(seg);
                if (!i)
                    throw Refusal(404, "no widget " + std::string(Panel::name_of(op.widget)) + "(" +
                                           std::string(seg) + ")");
                check_widget_index(op.widget, *i, op);
            } else if (pattern[s] == "{pump}") {
                std::optional<int> i = small_number(seg);
                if (!i || *i >= kPumpSlots)
                    throw Refusal(404, "no pump " + in_quotes(seg) + ": pumps run 0 to " +
                                           std::to_string(kPumpSlots - 1));
                op.index = *i;
            }
        }
        if (row.route == Route::Widget && pattern.size() == 4)
            check_widget_index(op.widget, std::nullopt, op);
        return op;
    }
    if (path_known)
        throw Refusal(405, std::string(http_method) + " is not answered here (" + allowed + ")");
    throw Refusal(404, "no such resource: " + std::string(path));
}

}  // namespace

bool is_site_route(Route r) {
    return r != Route::Api && r != Route::OpenApi && r != Route::ListSites &&
           r != Route::CreateSite;
}

bool changes_state(std::string_view http_method) {
    const std::string m = lower(http_method);
    return m != "get" && m != "head" && m != "options";
}

json parse_body(std::string_view body) {
    if (body.find_first_not_of(" \t\r\n") == std::string_view::npos) return json::object();
    if (body.size() > kMaxBodyBytes)
        throw Refusal(413, "a body is at most " + std::to_string(kMaxBodyBytes) + " bytes");
    try {
        return json::parse(body, [](int depth, json::parse_event_t event, json&) {
            if ((event == json::parse_event_t::object_start ||
                 event == json::parse_event_t::array_start) &&
                depth >= kMaxJsonDepth)
                throw DepthExceeded{};
            return true;
        });
    } catch (const DepthExceeded&) {
        throw Refusal(400, "JSON nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
    } catch (const json::exception& e) {
        // A syntax error, or a number too large for a double (out_of_range).
        throw Refusal(400, std::string("malformed JSON: ") + e.what());
    }
}

Operation decode_request(std::string_view http_method, std::string_view path,
                         std::string_view body) {
    Operation op = route_request(http_method, path);
    if (changes_state(http_method) && op.route != Route::DeleteSite)
        decode_body(op, parse_body(body));
    return op;
}

std::vector<std::pair<std::string, std::string>> route_table() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const RouteRow& row : kRoutes)
        out.emplace_back(std::string(row.path), std::string(row.method));
    return out;
}

std::string json_text(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

json to_json(const Variant& v) {
    switch (v.type()) {
        case ValueType::String:
            return v.as_string();
        case ValueType::Double:
            return v.as_double();
        case ValueType::Empty:
            return nullptr;
        default:
            return v.as_int();
    }
}

}  // namespace dorvane::server
