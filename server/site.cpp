#include "site.h"

#include <cstdio>
#include <limits>

#include "dorvane/common/arrays.h"
#include "dorvane/control/surface.h"

namespace dorvane::server {

namespace {

const char* kind_name(WidgetKind k) {
    switch (k) {
        case WidgetKind::CommandButton:
            return "CommandButton";
        case WidgetKind::OptionButton:
            return "OptionButton";
        case WidgetKind::TextBox:
            return "TextBox";
        case WidgetKind::Timer:
            return "Timer";
    }
    return "?";
}

// A back colour as the scenario language writes it: #RRGGBB, or face for the
// platform's button face; a standard button says standard.
json colour_json(Colour c) {
    if (c.kind == Colour::Kind::Standard) return "standard";
    return script::format_value(script::Value::of_colour(c));
}

json widget_value(const WidgetChange& c) {
    switch (c.what) {
        case WidgetProperty::Caption:
            return c.caption;
        case WidgetProperty::BackColour:
            return colour_json(c.back);
        case WidgetProperty::Enabled:
        case WidgetProperty::Visible:
        case WidgetProperty::Selected:
            return c.on;
    }
    return nullptr;
}

// What a widget change's JSON text takes besides its value, about.
constexpr std::size_t kWidgetEventBytes = 80;

const char* fault_kind(const RangeFault& f) {
    return dynamic_cast<const IndexFault*>(&f) ? "index" : "overflow";
}

template <typename T>
bool fits(long long n) {
    return n >= std::numeric_limits<T>::min() && n <= std::numeric_limits<T>::max();
}

// The caller's variable for a Variant parameter: a flag a Boolean, a whole
// number the narrowest of Integer and Long, or else a Double, as a by-name
// call types a literal; for a typed parameter the value converted to it,
// where a number that does not fit is an overflow fault naming the value.
Variant argument(ValueType type, std::string_view what, const script::Value& v) {
    if (v.kind == script::Value::Kind::Text) return Variant::string(v.text);
    if (type == kVariantParam) {
        if (v.flag) return Variant::boolean(static_cast<Boolean>(v.number));
        if (fits<Integer>(v.number)) return Variant::integer(static_cast<Integer>(v.number));
        if (fits<Long>(v.number)) return Variant::long_(static_cast<Long>(v.number));
        return Variant::real(static_cast<double>(v.number));
    }
    try {
        return Variant::of_type(type, v.number);
    } catch (const OverflowFault&) {
        throw OverflowFault(std::string(what) + " = " + std::to_string(v.number) +
                            " does not fit " + value_type_name(type));
    }
}

}  // namespace

const char* widget_property_name(WidgetProperty p) {
    switch (p) {
        case WidgetProperty::Caption:
            return "caption";
        case WidgetProperty::BackColour:
            return "color";
        case WidgetProperty::Enabled:
            return "enabled";
        case WidgetProperty::Visible:
            return "visible";
        case WidgetProperty::Selected:
            return "selected";
    }
    return "?";
}

json widget_json(const Panel& panel, int id) {
    const Widget& w = panel.at(id);
    json j = {{"name", Panel::name_of(w.name)},
              {"index", w.index},
              {"kind", kind_name(w.kind)},
              {"layer", id},
              {"place",
               {{"left", w.place.left},
                {"top", w.place.top},
                {"width", w.place.width},
                {"height", w.place.height}}},
              {"color", colour_json(w.back)},
              {"font",
               {{"family", w.font.family == Font::Family::Mono ? "mono" : "sans"},
                {"points", w.font.points},
                {"bold", w.font.bold}}},
              {"enabled", w.enabled},
              {"visible", w.visible},
              {"selected", w.selected},
              {"right_aligned", w.right_aligned}};
    j[w.kind == WidgetKind::TextBox ? "text" : "caption"] = w.caption;
    return j;
}

// ---- Platform.

SitePlatform::SitePlatform(const SiteSettings& settings) : virtual_clock_(settings.virtual_clock) {
    clock_.set_clock(settings.start);
}

void SitePlatform::beep() {
    ++beeps_;
    if (on_beep_) on_beep_(beeps_);
}

// ---- Events.

void EventLog::append(std::string type, json data) {
    {
        std::lock_guard lock(mutex_);
        Kept k;
        k.event.seq = next_seq_++;
        k.event.type = std::move(type);
        data["seq"] = k.event.seq;
        data["type"] = k.event.type;
        k.event.data = json_text(data);
        k.bytes = k.event.data.size() + k.event.type.size();
        keep(std::move(k));
    }
    changed_.notify_all();
}

void EventLog::append(WidgetChange change) {
    {
        std::lock_guard lock(mutex_);
        Kept k;
        k.event.seq = next_seq_++;
        k.event.type = "widget";
        k.bytes = kWidgetEventBytes + change.caption.size();
        k.change = std::move(change);
        keep(std::move(k));
    }
    changed_.notify_all();
}

void EventLog::keep(Kept k) {
    bytes_ += k.bytes;
    events_.push_back(std::move(k));
    while (events_.size() > limits_.events || (bytes_ > limits_.bytes && events_.size() > 1)) {
        bytes_ -= events_.front().bytes;
        events_.pop_front();
    }
}

EventLog::Read EventLog::read_after(long long after, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, wait, [&] { return closed_ || next_seq_ - 1 > after; });
    Read r;
    r.closed = closed_;
    if (events_.empty()) return r;
    const long long first = events_.front().event.seq;
    if (after + 1 < first) {
        r.lost_first = after + 1;
        r.lost_last = first - 1;
    }
    for (Kept& k : events_) {
        if (k.event.seq <= after) continue;
        if (k.change) {
            const WidgetChange& c = *k.change;
            k.event.data = json_text({{"widget", Panel::name_of(c.name)},
                                      {"index", c.index},
                                      {"property", widget_property_name(c.what)},
                                      {"value", widget_value(c)},
                                      {"seq", k.event.seq},
                                      {"type", k.event.type}});
            k.change.reset();
        }
        r.events.push_back(k.event);
    }
    return r;
}

long long EventLog::last_seq() {
    std::lock_guard lock(mutex_);
    return next_seq_ - 1;
}

void EventLog::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    changed_.notify_all();
}

// ---- Site.

Site::Site(long long id, const SiteSettings& settings, WorkerPool& pool, HistoryLimits history)
    : id_(id),
      settings_(settings),
      platform_(settings),
      ctl_(platform_),
      events_(history),
      recorder_(ctl_, script::Recorder::Sink([this](std::string_view text) {
                    if (session_.size() + text.size() > kMaxSessionBytes) return false;
                    session_ += text;
                    return true;
                })),
      strand_(std::make_shared<Strand>(pool)) {
    ctl_.panel_for_view().set_observer(this);
    platform_.on_beep([this](long n) { events_.append("beep", {{"beeps", n}}); });
}

Site::~Site() {
    ctl_.panel_for_view().set_observer(nullptr);
    events_.close();
}

std::string Site::session_script() {
    recorder_.flush();
    if (recorder_.failed())
        return session_ + "# The recording stopped here: the session passed " +
               std::to_string(kMaxSessionBytes) + " bytes.\n";
    return session_;
}

void Site::widget_changed(int id, WidgetProperty what) {
    const Widget& w = ctl_.panel().at(id);
    const bool on = what == WidgetProperty::Enabled   ? w.enabled
                    : what == WidgetProperty::Visible ? w.visible
                                                      : w.selected;
    events_.append(WidgetChange{w.name, w.index, what,
                                what == WidgetProperty::Caption ? w.caption : std::string(), w.back,
                                on});
}

json Site::info() {
    return {{"id", id_},
            {"clock", settings_.virtual_clock ? "virtual" : "system"},
            {"ticks", settings_.manual_ticks ? "manual" : "real"},
            {"speed", settings_.speed},
            {"time", script::format_clock(platform_.now())},
            {"beeps", platform_.beeps()},
            {"last_event", events_.last_seq()}};
}

void Site::check(const Operation& op) const {
    if (op.route == Route::Tick && !settings_.manual_ticks)
        throw Refusal(409, "site " + std::to_string(id_) +
                               " has real ticks: only a site made with \"ticks\": \"manual\" is "
                               "ticked by request");
    if (op.route == Route::SetClock && !settings_.virtual_clock)
        throw Refusal(409, "site " + std::to_string(id_) +
                               " runs on the system clock: only a virtual clock is set");
    for (const Operation& inner : op.batch)
        check(inner);
}

json Site::fault_answer(const RangeFault& f) {
    json j = {{"fault", fault_kind(f)}, {"message", f.what()}};
    events_.append("fault", j);
    return j;
}

void Site::due() {
    // A tick still waiting on a busy strand is not doubled.
    if (tick_queued_.exchange(true)) return;
    strand_->post([self = shared_from_this()] {
        self->tick_queued_ = false;
        self->run_tick(1);
    });
}

json Site::run_tick(long long count) {
    json faults = json::array(), messages = json::array();
    for (long long n = 1; n <= count; ++n) {
        const std::string before1 = ctl_.panel()(W::Message1).caption;
        const std::string before2 = ctl_.panel()(W::Message2).caption;
        if (platform_.is_virtual()) platform_.virtual_clock().advance_seconds(1);
        try {
            ctl_.tick();
        } catch (const RangeFault& f) {
            json j = fault_answer(f);
            j["tick"] = n;
            faults.push_back(std::move(j));
        }
        for (auto [name, before] :
             {std::pair{W::Message1, &before1}, std::pair{W::Message2, &before2}})
            if (ctl_.panel()(name).caption != *before)
                messages.push_back({{"tick", n},
                                    {"widget", Panel::name_of(name)},
                                    {"caption", ctl_.panel()(name).caption}});
    }
    return {{"time", script::format_clock(platform_.now())},
            {"faults", faults},
            {"messages", messages}};
}

json Site::call(const Operation& op) {
    const MethodInfo& m = surface_methods()[static_cast<std::size_t>(op.method)];
    json answer;
    json given = json::array();
    for (const script::Value& v : op.values)
        given.push_back(v.kind == script::Value::Kind::Text ? json(v.text) : json(v.number));
    try {
        std::vector<Variant> passed;
        for (std::size_t a = 0; a < op.values.size(); ++a)
            passed.push_back(argument(m.params[a].type, m.params[a].name, op.values[a]));
        const Variant r = invoke_method(ctl_, op.method, passed);
        answer["result"] = m.result ? to_json(r) : json(nullptr);
        json args = json::array(), types = json::array();
        for (const Variant& v : passed) {
            args.push_back(to_json(v));
            types.push_back(value_type_name(v.type()));
        }
        answer["args"] = std::move(args);
        answer["arg_types"] = std::move(types);
    } catch (const RangeFault& f) {
        answer = fault_answer(f);
        answer["args"] = given;
    }
    json event = answer;
    event["method"] = m.name;
    event["given"] = std::move(given);
    events_.append("call", std::move(event));
    return answer;
}

json Site::perform(const Operation& op) {
    switch (op.route) {
        case Route::GetSite:
            return info();
        case Route::ListProperties: {
            json j = json::object();
            for (std::size_t p = 0; p < surface_properties().size(); ++p)
                j[std::string(surface_properties()[p].name)] =
                    to_json(get_property(ctl_, static_cast<int>(p)));
            return j;
        }
        case Route::GetProperty:
            return {{"value", to_json(get_property(ctl_, op.property))}};
        case Route::SetProperty: {
            const PropertyInfo& p = surface_properties()[static_cast<std::size_t>(op.property)];
            const script::Value& v = op.values[0];
            json answer = json::object();
            try {
                set_property(ctl_, op.property, argument(p.type, p.name, v));
            } catch (const RangeFault& f) {
                answer = fault_answer(f);
            }
            json event = answer;
            event["property"] = p.name;
            event["value"] = v.kind == script::Value::Kind::Text ? json(v.text) : json(v.number);
            events_.append("set", std::move(event));
            return answer;
        }
        case Route::CallMethod:
            return call(op);
        case Route::Click: {
            const Widget& w = ctl_.panel()(op.widget, op.index);
            json answer = json::object();
            if (!w.visible)
                answer["ignored"] = "hidden";
            else if (!w.enabled)
                answer["ignored"] = "disabled";
            try {
                ctl_.click(op.widget, op.index);
            } catch (const RangeFault& f) {
                answer = fault_answer(f);
            }
            json event = answer;
            event["widget"] = Panel::name_of(op.widget);
            event["index"] = op.index;
            events_.append("click", std::move(event));
            return answer;
        }
        case Route::Purchase: {
            json answer = json::object();
            if (!ctl_.panel()(W::Purchase).visible) answer["ignored"] = "hidden";
            const script::Value& v = op.values[0];
            try {
                ctl_.enter_purchase(v.text);
            } catch (const RangeFault& f) {
                answer = fault_answer(f);
            }
            json event = answer;
            event["text"] = v.text;
            events_.append("purchase", std::move(event));
            return answer;
        }
        case Route::Tick: {
            json answer = run_tick(op.count);
            events_.append("tick", {{"count", op.count}, {"time", answer["time"]}});
            return answer;
        }
        case Route::GetClock:
            return {{"time", script::format_clock(platform_.now())},
                    {"clock", settings_.virtual_clock ? "virtual" : "system"}};
        case Route::SetClock:
            platform_.virtual_clock().set_clock(op.clock);
            events_.append("clock", {{"time", script::format_clock(op.clock)}});
            return {{"time", script::format_clock(op.clock)}};
        case Route::Widgets: {
            json list = json::array();
            for (int id = 0; id < ctl_.panel().size(); ++id)
                list.push_back(widget_json(ctl_.panel(), id));
            return {{"widgets", std::move(list)}};
        }
        case Route::Widget:
            return widget_json(ctl_.panel(), ctl_.panel().id(op.widget, op.index));
        case Route::Pump: {
            json j = {{"pump", op.index}};
            for (const MemberInfo& m : pump_table_members()) {
                if (m.shape == MemberShape::PerPump)
                    j[std::string(m.name)] = m.read(ctl_.pump_table(), 0, op.index);
                if (m.shape == MemberShape::PerItem) {
                    json items = json::array();
                    for (int k = 0; k < kItemKinds; ++k)
                        items.push_back(m.read(ctl_.pump_table(), k, op.index));
                    j[std::string(m.name)] = std::move(items);
                }
            }
            return j;
        }
        case Route::Members: {
            json j = json::object();
            for (const MemberInfo& m : pump_table_members())
                if (m.shape == MemberShape::Scalar)
                    j[std::string(m.name)] = m.read(ctl_.pump_table(), 0, 0);
            return j;
        }
        case Route::Member: {
            const MemberInfo& m = *op.member;
            const PumpTable& t = ctl_.pump_table();
            if (m.shape == MemberShape::Scalar) return {{"value", m.read(t, 0, 0)}};
            json rows = json::array();
            for (int k = 0; k < (m.shape == MemberShape::PerItem ? kItemKinds : 1); ++k) {
                json row = json::array();
                for (int i = 0; i < kPumpSlots; ++i)
                    row.push_back(m.read(t, k, i));
                rows.push_back(std::move(row));
            }
            return {{"value", m.shape == MemberShape::PerPump ? rows[0] : rows}};
        }
        case Route::Beeps:
            return {{"beeps", platform_.beeps()}};
        case Route::Batch: {
            json results = json::array();
            for (const Operation& inner : op.batch)
                results.push_back(perform(inner));
            return {{"results", std::move(results)}};
        }
        default:
            throw Refusal(404, "not an operation of a site");
    }
}

// ---- Sites.

Sites::Sites(int workers, Limits limits, TickScheduler::Thread timer)
    : limits_(limits), pool_(workers), scheduler_(timer) {}

Sites::~Sites() {
    std::lock_guard lock(mutex_);
    for (auto& [id, site] : sites_)
        site->events().close();
}

std::shared_ptr<Site> Sites::create(const SiteSettings& settings) {
    std::shared_ptr<Site> site;
    {
        std::lock_guard lock(mutex_);
        if (static_cast<long long>(sites_.size()) >= limits_.sites)
            throw Refusal(409, "the server holds " + std::to_string(limits_.sites) +
                                   " sites, the most it keeps: delete one first");
        site = std::make_shared<Site>(next_id_++, settings, pool_, limits_.history);
        sites_.emplace(site->id(), site);
    }
    if (!settings.manual_ticks)
        scheduler_.add(site, TickScheduler::Clock::now(),
                       std::chrono::duration_cast<TickScheduler::Clock::duration>(
                           std::chrono::milliseconds(1000)) /
                           settings.speed);
    return site;
}

std::shared_ptr<Site> Sites::find(long long id) {
    std::lock_guard lock(mutex_);
    auto it = sites_.find(id);
    if (it == sites_.end()) throw Refusal(404, "no site " + std::to_string(id));
    return it->second;
}

bool Sites::remove(long long id) {
    std::shared_ptr<Site> site;
    {
        std::lock_guard lock(mutex_);
        auto it = sites_.find(id);
        if (it == sites_.end()) return false;
        site = std::move(it->second);
        sites_.erase(it);
    }
    site->events().close();
    return true;
}

std::vector<std::shared_ptr<Site>> Sites::list() {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<Site>> out;
    for (auto& [id, site] : sites_)
        out.push_back(site);
    return out;
}

std::size_t Sites::size() {
    std::lock_guard lock(mutex_);
    return sites_.size();
}

}  // namespace dorvane::server
