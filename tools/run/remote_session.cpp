#include "run/remote_session.h"

#include <httplib.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "control/surface.h"

namespace dorvane::script {

using json = nlohmann::json;

namespace {

// The server takes at most this many ticks in one request.
constexpr long long kTicksPerRequest = 86400;

const Panel& model() {
    static const Panel panel;
    return panel;
}

std::string widget_name(const WidgetRef& w) {
    return model().display_name(model().id(w.name, w.index));
}

std::string widget_path(const WidgetRef& w) {
    std::string p = "widgets/" + std::string(Panel::name_of(w.name));
    if (w.index >= 0) p += "/" + std::to_string(w.index);
    return p;
}

// A script value as the protocol carries it: True and False as JSON
// booleans, so that a Variant argument stays a Boolean.
json wire(const Value& v) {
    if (v.kind == Value::Kind::Text) return v.text;
    if (v.flag) return v.number == True;
    return v.number;
}

Value from_wire(const json& j, bool flag) {
    if (j.is_string()) return Value::of_text(j.get<std::string>());
    if (j.is_boolean()) return Value::of_number(j.get<bool>() ? True : False, true);
    if (j.is_number_integer()) return Value::of_number(j.get<long long>(), flag);
    if (j.is_number()) return Value::of_number(static_cast<long long>(j.get<double>()), flag);
    return Value::of_number(0);
}

Value colour_from_wire(const std::string& s) {
    if (s == "face" || s == "standard")
        return Value::of_colour(s == "face" ? Colour::face() : Colour::standard());
    return Value::of_colour(
        Colour::from_rgb(static_cast<std::uint32_t>(std::stoul(s.substr(1), nullptr, 16))));
}

Fault fault_from_wire(const json& answer) {
    return answer.value("fault", "") == "index" ? Fault::Index : Fault::Overflow;
}

json op(const std::string& method, const std::string& path, json body = nullptr) {
    json o = {{"method", method}, {"path", path}};
    if (!body.is_null()) o["body"] = std::move(body);
    return o;
}

const json kMessageReads =
    json::array({op("GET", "widgets/Message1"), op("GET", "widgets/Message2")});

}  // namespace

struct RemoteSession::Reply {
    int status = 0;
    json body;
};

RemoteSession::RemoteSession(const std::string& url)
    : http_(std::make_unique<httplib::Client>(url)) {
    if (!http_->is_valid()) throw std::runtime_error("not a site server address: " + url);
    http_->set_tcp_nodelay(true);
    http_->set_keep_alive(true);
    http_->set_read_timeout(60, 0);
    if (const char* token = std::getenv("DORVANE_TOKEN")) http_->set_bearer_token_auth(token);
    Reply r = request("POST", "/sites",
                      json{{"clock", "virtual"},
                           {"ticks", "manual"},
                           {"start", format_clock(Session().platform().clock())}}
                          .dump());
    if (r.status != 201)
        throw std::runtime_error("the site server at " + url + " made no site: " + r.body.dump());
    site_ = "/sites/" + std::to_string(r.body.at("id").get<long long>());
}

RemoteSession::~RemoteSession() {
    if (!site_.empty()) http_->Delete(site_.c_str());
}

RemoteSession::Reply RemoteSession::request(const std::string& method, const std::string& path,
                                            const std::string& body) {
    httplib::Result res = method == "GET"   ? http_->Get(path.c_str())
                          : method == "PUT" ? http_->Put(path.c_str(), body, "application/json")
                                            : http_->Post(path.c_str(), body, "application/json");
    if (!res)
        throw std::runtime_error("the site server did not answer " + method + " " + path + ": " +
                                 httplib::to_string(res.error()));
    Reply r;
    r.status = res->status;
    r.body = json::parse(res->body, nullptr, false);
    return r;
}

// Runs operations back to back on the site; a refusal is the script's error.
std::vector<RemoteSession::Reply> RemoteSession::batch(const std::string& ops, int line) {
    Reply r = request("POST", site_ + "/batch", ops);
    if (r.status != 200) {
        const std::string message = r.body.is_object() ? r.body.value("error", "") : "";
        if (r.status == 400 || r.status == 404) throw ScriptError(line, message);
        throw std::runtime_error("site server answered " + std::to_string(r.status) + ": " +
                                 message);
    }
    std::vector<Reply> out;
    for (const json& j : r.body.at("results"))
        out.push_back({200, j});
    return out;
}

void RemoteSession::note_messages(const std::vector<std::pair<std::string, std::string>>& now,
                                  std::vector<std::string>& notes, const std::string& prefix) {
    for (const auto& [name, caption] : now) {
        std::string& seen = name == "Message1" ? seen_message1_ : seen_message2_;
        if (caption == seen) continue;
        seen = caption;
        notes.push_back(prefix + name + ".caption = " + format_value(Value::of_text(caption)));
    }
}

std::vector<std::string> RemoteSession::message_lines() {
    std::vector<Reply> r = batch(kMessageReads.dump(), 0);
    seen_message1_ = r[0].body.at("caption");
    seen_message2_ = r[1].body.at("caption");
    return {"Message1.caption = " + format_value(Value::of_text(seen_message1_)),
            "Message2.caption = " + format_value(Value::of_text(seen_message2_))};
}

Outcome RemoteSession::execute(const Statement& s) {
    Outcome out;
    json ops = json::array();
    switch (s.op) {
        case Op::Clock:
            ops.push_back(op("PUT", "clock", {{"time", format_clock(s.clock)}}));
            batch(ops.dump(), s.line);
            return out;
        case Op::Tick: {
            fault_ = Fault::None;
            std::string time = "";
            for (long long done = 0; done < s.count || (s.count == 0 && time.empty());) {
                const long long n = std::min(kTicksPerRequest, s.count - done);
                json answer =
                    batch(json::array({op("POST", "tick", {{"count", n}})}).dump(), s.line)[0].body;
                time = answer.at("time");
                // Notes in the order a tick makes them: its fault, then its messages.
                std::size_t f = 0, m = 0;
                const json& faults = answer.at("faults");
                const json& messages = answer.at("messages");
                while (f < faults.size() || m < messages.size()) {
                    const long long tf =
                        f < faults.size() ? faults[f].at("tick").get<long long>() : n + 1;
                    const long long tm =
                        m < messages.size() ? messages[m].at("tick").get<long long>() : n + 1;
                    const long long t = std::min(tf, tm);
                    const std::string prefix =
                        s.count > 1 ? "tick " + std::to_string(done + t) + ": " : "";
                    for (; f < faults.size() && faults[f].at("tick") == t; ++f) {
                        fault_ = fault_from_wire(faults[f]);
                        out.notes.push_back(prefix +
                                            "fault: " + faults[f].at("message").get<std::string>());
                    }
                    std::vector<std::pair<std::string, std::string>> now;
                    for (; m < messages.size() && messages[m].at("tick") == t; ++m)
                        now.emplace_back(messages[m].at("widget"), messages[m].at("caption"));
                    note_messages(now, out.notes, prefix);
                }
                done += n;
                if (s.count == 0) break;
            }
            out.detail = "clock " + time;
            if (fault_ != Fault::None)
                out.detail += ", error " + format_value(Value::of_fault(fault_));
            return out;
        }
        case Op::Click:
            ops.push_back(
                op("POST", "click",
                   s.widget.index >= 0
                       ? json{{"widget", Panel::name_of(s.widget.name)}, {"index", s.widget.index}}
                       : json{{"widget", Panel::name_of(s.widget.name)}}));
            break;
        case Op::Enter:
            ops.push_back(op("POST", "purchase", {{"text", s.values[0].text}}));
            break;
        case Op::Call: {
            json args = json::array();
            for (const Value& v : s.values)
                args.push_back(wire(v));
            ops.push_back(
                op("POST",
                   "methods/" +
                       std::string(surface_methods()[static_cast<std::size_t>(s.method)].name),
                   {{"args", std::move(args)}}));
            break;
        }
        case Op::Set:
            ops.push_back(
                op("PUT",
                   "properties/" +
                       std::string(surface_properties()[static_cast<std::size_t>(s.property)].name),
                   {{"value", wire(s.values[0])}}));
            break;
        case Op::Expect: {
            const Value& want = s.values[0];
            try {
                out.value = evaluate(s.target);
            } catch (const ScriptError& e) {
                throw ScriptError(e.line() == 0 ? s.line : e.line(), e.what());
            }
            out.held = matches(want, *out.value);
            out.detail = out.held ? "ok"
                                  : "expect " + format_target(s.target) + ": expected " +
                                        format_value(want) + ", got " + format_value(*out.value);
            return out;
        }
        case Op::Print:
            try {
                out.value = evaluate(s.target);
            } catch (const ScriptError& e) {
                throw ScriptError(e.line() == 0 ? s.line : e.line(), e.what());
            }
            out.detail = format_target(s.target) + " = " + format_value(*out.value);
            return out;
    }

    for (const json& read : kMessageReads)
        ops.push_back(read);
    std::vector<Reply> r;
    try {
        r = batch(ops.dump(), s.line);
    } catch (const ScriptError& e) {
        if (s.op == Op::Call)
            throw ScriptError(
                s.line, std::string(surface_methods()[static_cast<std::size_t>(s.method)].name) +
                            ": " + e.what());
        throw;
    }
    const json& answer = r[0].body;
    const bool faulted = answer.contains("fault");
    fault_ = faulted ? fault_from_wire(answer) : Fault::None;
    if (s.op == Op::Click || s.op == Op::Enter) {
        if (answer.contains("ignored"))
            out.detail = "ignored: " + widget_name(s.widget) + " is " +
                         answer.at("ignored").get<std::string>();
    } else if (s.op == Op::Call) {
        const MethodInfo& m = surface_methods()[static_cast<std::size_t>(s.method)];
        last_method_ = s.method;
        last_line_ = s.line;
        last_faulted_ = faulted;
        last_result_.reset();
        last_args_.clear();
        for (const Value& v : s.values)
            last_args_.push_back(v);
        if (!faulted) {
            std::vector<std::string> parts;
            if (m.result) {
                last_result_ = from_wire(answer.at("result"), *m.result == ValueType::Boolean);
                parts.push_back("result " + format_value(*last_result_));
            }
            for (std::size_t a = 0; a < m.params.size(); ++a) {
                if (!m.params[a].by_ref) continue;
                last_args_[a] =
                    from_wire(answer.at("args")[a], answer.at("arg_types")[a] == "Boolean");
                parts.push_back("arg " + std::to_string(a + 1) + " = " +
                                format_value(last_args_[a]));
            }
            for (const std::string& p : parts)
                out.detail += (out.detail.empty() ? "" : ", ") + p;
        }
    }
    if (faulted) out.detail = "fault: " + answer.at("message").get<std::string>();
    note_messages({{"Message1", r[1].body.at("caption")}, {"Message2", r[2].body.at("caption")}},
                  out.notes);
    return out;
}

Value RemoteSession::evaluate(const Target& t) {
    switch (t.kind) {
        case TargetKind::Property: {
            const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(t.property)];
            json a =
                batch(json::array({op("GET", "properties/" + std::string(p.name))}).dump(), 0)[0]
                    .body;
            return from_wire(a.at("value"), p.type == ValueType::Boolean);
        }
        case TargetKind::Member: {
            json a =
                batch(json::array({op("GET", "members/" + std::string(t.member->name))}).dump(),
                      0)[0]
                    .body;
            json v = a.at("value");
            if (t.member->shape == MemberShape::PerPump) v = v.at(static_cast<std::size_t>(t.i));
            if (t.member->shape == MemberShape::PerItem)
                v = v.at(static_cast<std::size_t>(t.k)).at(static_cast<std::size_t>(t.i));
            return from_wire(v, t.member->type == ValueType::Boolean);
        }
        case TargetKind::Widget: {
            json w = batch(json::array({op("GET", widget_path(t.widget))}).dump(), 0)[0].body;
            auto flag = [](bool b) { return Value::of_number(to_boolean(b), true); };
            switch (t.attr) {
                case WidgetAttr::Caption:
                    return Value::of_text(w.at("caption"));
                case WidgetAttr::Text:
                    return Value::of_text(w.at("text"));
                case WidgetAttr::Color:
                    return colour_from_wire(w.at("color"));
                case WidgetAttr::Enabled:
                    return flag(w.at("enabled"));
                case WidgetAttr::Visible:
                    return flag(w.at("visible"));
                case WidgetAttr::Selected:
                    return flag(w.at("selected"));
                case WidgetAttr::Left:
                    return Value::of_number(w.at("place").at("left"));
                case WidgetAttr::Top:
                    return Value::of_number(w.at("place").at("top"));
                case WidgetAttr::Width:
                    return Value::of_number(w.at("place").at("width"));
                case WidgetAttr::Height:
                    return Value::of_number(w.at("place").at("height"));
            }
            break;
        }
        case TargetKind::Error:
            return Value::of_fault(fault_);
        case TargetKind::Beeps:
            return Value::of_number(
                batch(json::array({op("GET", "beeps")}).dump(), 0)[0].body.at("beeps"));
        case TargetKind::Result:
        case TargetKind::Arg: {
            const std::string what = format_target(t);
            if (last_method_ < 0) throw ScriptError(0, what + ": no method has been called yet");
            const std::string name(surface_methods()[static_cast<std::size_t>(last_method_)].name);
            const std::string call =
                "the call of " + name + " on line " + std::to_string(last_line_);
            if (t.kind == TargetKind::Arg) {
                if (static_cast<std::size_t>(t.arg) > last_args_.size())
                    throw ScriptError(0, what + ": " + call + " had " +
                                             std::to_string(last_args_.size()) +
                                             (last_args_.size() == 1 ? " argument" : " arguments"));
                return last_args_[static_cast<std::size_t>(t.arg - 1)];
            }
            if (last_faulted_)
                throw ScriptError(0, what + ": " + call + " faulted and returned nothing");
            if (!last_result_)
                throw ScriptError(0, what + ": " + name + " returns nothing (" + call + ")");
            return *last_result_;
        }
    }
    throw ScriptError(0, "unknown target");
}

RunnerFactory remote_sessions(const std::string& url) {
    return [url] { return std::make_unique<RemoteSession>(url); };
}

}  // namespace dorvane::script
