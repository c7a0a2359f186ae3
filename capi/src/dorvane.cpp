// The C interface of the control: a thin, exception-proof layer over
// DorvaneCtl and its surface table. Every entry point catches everything and
// turns it into a status code plus a per-handle message.
#include "dorvane.h"

#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "common/platform.h"
#include "common/types.h"
#include "common/variant.h"
#include "control/dorvane_ctl.h"
#include "control/surface.h"
#include "forecourt/members.h"
#include "panel/panel.h"
#include "run/recorder.h"

#ifndef DORVANE_VERSION_STRING
#error "DORVANE_VERSION_STRING must be defined by the build"
#endif

namespace {

using dorvane::DorvaneCtl;
using dorvane::ValueType;
using dorvane::Variant;

// The C type tags are the core's value types, number for number.
static_assert(DORVANE_EMPTY == static_cast<int>(ValueType::Empty));
static_assert(DORVANE_INTEGER == static_cast<int>(ValueType::Integer));
static_assert(DORVANE_LONG == static_cast<int>(ValueType::Long));
static_assert(DORVANE_BOOLEAN == static_cast<int>(ValueType::Boolean));
static_assert(DORVANE_DOUBLE == static_cast<int>(ValueType::Double));
static_assert(DORVANE_STRING == static_cast<int>(ValueType::String));

// A required pointer was NULL.
class NullArgument : public std::runtime_error {
  public:
    explicit NullArgument(const char* what) : std::runtime_error(std::string(what) + " is NULL") {}
};

// An unknown property, method, widget or member name.
class UnknownName : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The caller's buffer cannot hold the text.
class BufferTooSmall : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

template <typename T>
T* required(T* p, const char* what) {
    if (!p) throw NullArgument(what);
    return p;
}

// Platform services from the host's callbacks, falling back to the machine.
class HostPlatform : public dorvane::Platform {
  public:
    explicit HostPlatform(const dorvane_platform* p) {
        if (p) callbacks_ = *p;
    }
    dorvane::LocalDateTime now() override {
        if (!callbacks_.now) return system_.now();
        dorvane_datetime d{last_.year, last_.month,  last_.day,
                           last_.hour, last_.minute, last_.second};
        callbacks_.now(callbacks_.user, &d);
        dorvane::LocalDateTime t{d.year, d.month, d.day, d.hour, d.minute, d.second};
        // A time that is not a real one would reach the date formatting and
        // the calendar arithmetic; keep the last good one instead.
        if (dorvane::is_valid(t)) last_ = t;
        return last_;
    }
    void beep() override {
        if (callbacks_.beep) callbacks_.beep(callbacks_.user);
    }

  private:
    dorvane_platform callbacks_{nullptr, nullptr, nullptr};
    dorvane::SystemPlatform system_;
    dorvane::LocalDateTime last_{};
};

thread_local std::string create_error;

}  // namespace

struct dorvane_ctl {
    explicit dorvane_ctl(const dorvane_platform* p) : platform(p), ctl(platform) {}
    HostPlatform platform;  // declared first: it must outlive the control
    DorvaneCtl ctl;
    // Declared after the control, which it listens to, so that it goes first.
    std::unique_ptr<dorvane::script::Recorder> recorder;
    std::string last_error;
    // Strings handed out as const char*; a deque never moves its elements.
    std::deque<std::string> handed_out;
};

namespace {

int record(dorvane_ctl* h, int status, const char* what) noexcept {
    try {
        h->last_error = what;
    } catch (...) {
        h->last_error.clear();
    }
    return status;
}

// Runs body on a handle and turns every exception into a status.
template <typename Body>
int guarded(dorvane_ctl* h, Body&& body) noexcept {
    if (!h) return DORVANE_E_NULL;
    h->last_error.clear();
    try {
        body(h->ctl);
        return DORVANE_OK;
    } catch (const dorvane::OverflowFault& e) {
        return record(h, DORVANE_E_OVERFLOW, e.what());
    } catch (const dorvane::IndexFault& e) {
        return record(h, DORVANE_E_INDEX, e.what());
    } catch (const dorvane::TypeMismatch& e) {
        return record(h, DORVANE_E_TYPE, e.what());
    } catch (const NullArgument& e) {
        return record(h, DORVANE_E_NULL, e.what());
    } catch (const UnknownName& e) {
        return record(h, DORVANE_E_UNKNOWN_NAME, e.what());
    } catch (const BufferTooSmall& e) {
        return record(h, DORVANE_E_BUFFER, e.what());
    } catch (const std::exception& e) {
        return record(h, DORVANE_E_FAILED, e.what());
    } catch (...) {
        return record(h, DORVANE_E_FAILED, "unknown failure");
    }
}

// Copies text into a caller-supplied buffer (see the header's text rules).
void copy_out(std::string_view text, char* buf, size_t size, size_t* length) {
    if (!buf && !length) throw NullArgument("buf");
    if (length) *length = text.size();
    if (!buf) {
        if (size != 0) throw NullArgument("buf");
        return;
    }
    if (size <= text.size())
        throw BufferTooSmall("buffer of " + std::to_string(size) + " bytes, text needs " +
                             std::to_string(text.size() + 1));
    std::memcpy(buf, text.data(), text.size());
    buf[text.size()] = '\0';
}

Variant to_variant(const dorvane_value& v) {
    switch (v.type) {
        case DORVANE_EMPTY:
            return {};
        case DORVANE_INTEGER:
            return Variant::integer(v.as.integer);
        case DORVANE_LONG:
            return Variant::long_(v.as.long_value);
        case DORVANE_BOOLEAN:
            return Variant::boolean(v.as.boolean);
        case DORVANE_DOUBLE:
            return Variant::real(v.as.real);
        case DORVANE_STRING:
            return Variant::string(required(v.as.string, "string value"));
    }
    throw dorvane::TypeMismatch("unknown value type " + std::to_string(v.type));
}

void from_variant(dorvane_ctl* h, const Variant& v, dorvane_value& out) {
    out = dorvane_value{};
    out.type = static_cast<int32_t>(v.type());
    switch (v.type()) {
        case ValueType::Empty:
            break;
        case ValueType::Integer:
            out.as.integer = static_cast<int16_t>(v.as_int());
            break;
        case ValueType::Long:
            out.as.long_value = static_cast<int32_t>(v.as_int());
            break;
        case ValueType::Boolean:
            out.as.boolean = static_cast<dorvane_bool>(v.as_int());
            break;
        case ValueType::Double:
            out.as.real = v.as_double();
            break;
        case ValueType::String:
            h->handed_out.push_back(v.as_string());
            out.as.string = h->handed_out.back().c_str();
            break;
    }
}

// Names handed out as static NUL-terminated strings.
const std::vector<std::string>& property_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const auto& p : dorvane::surface_properties())
            v.emplace_back(p.name);
        return v;
    }();
    return names;
}

const std::vector<std::string>& method_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const auto& m : dorvane::surface_methods())
            v.emplace_back(m.name);
        return v;
    }();
    return names;
}

const std::vector<std::vector<std::string>>& arg_names() {
    static const std::vector<std::vector<std::string>> names = [] {
        std::vector<std::vector<std::string>> v;
        for (const auto& m : dorvane::surface_methods()) {
            v.emplace_back();
            for (const auto& a : m.params)
                v.back().emplace_back(a.name);
        }
        return v;
    }();
    return names;
}

template <typename T>
void set_if(T* out, T value) {
    if (out) *out = value;
}

// Numbers of the surface tables, checked before use.
int checked_index(int index, std::size_t size) {
    return (index >= 0 && static_cast<std::size_t>(index) < size) ? DORVANE_OK : DORVANE_E_INDEX;
}

// ---- Typed properties ---------------------------------------------------

using CType_INTEGER = int16_t;
using CType_LONG = int32_t;
using CType_BOOLEAN = dorvane_bool;
using CType_STRING = dorvane::String;

template <typename T>
int get_number(dorvane_ctl* h, T DorvaneCtl::*member, T* value) {
    return guarded(h, [&](DorvaneCtl& c) { *required(value, "value") = c.*member; });
}

int get_text(dorvane_ctl* h, dorvane::String DorvaneCtl::*member, char* buf, size_t size,
             size_t* length) {
    return guarded(h, [&](DorvaneCtl& c) { copy_out(c.*member, buf, size, length); });
}

template <typename T>
int set_number(dorvane_ctl* h, T DorvaneCtl::*member, T value) {
    return guarded(h, [&](DorvaneCtl& c) { c.*member = value; });
}

int set_text(dorvane_ctl* h, dorvane::String DorvaneCtl::*member, const char* value) {
    return guarded(h, [&](DorvaneCtl& c) { c.*member = required(value, "value"); });
}

#define DORVANE_GET_INTEGER get_number
#define DORVANE_GET_LONG get_number
#define DORVANE_GET_BOOLEAN get_number
#define DORVANE_GET_STRING get_text
#define DORVANE_SET_INTEGER set_number
#define DORVANE_SET_LONG set_number
#define DORVANE_SET_BOOLEAN set_number
#define DORVANE_SET_STRING set_text
#define DORVANE_GET_ARGS_INTEGER value
#define DORVANE_GET_ARGS_LONG value
#define DORVANE_GET_ARGS_BOOLEAN value
#define DORVANE_GET_ARGS_STRING buf, size, length

// ---- Methods: each C signature must mirror its C++ member -----------------

template <typename T>
struct CArg {
    using type = T;
};
template <typename T>
struct CArg<T&> {
    using type = T*;
};
template <>
struct CArg<Variant&> {
    using type = dorvane_value*;
};

template <typename M>
struct CSignature;
template <typename R, typename... A>
struct CSignature<R (DorvaneCtl::*)(A...)> {
    using type = int(dorvane_ctl*, typename CArg<A>::type..., R*);
};
template <typename... A>
struct CSignature<void (DorvaneCtl::*)(A...)> {
    using type = int(dorvane_ctl*, typename CArg<A>::type...);
};

#define DORVANE_CHECK_SIGNATURE(name)                                                            \
    static_assert(                                                                               \
        std::is_same_v<CSignature<decltype(&DorvaneCtl::name)>::type, decltype(dorvane_##name)>, \
        "C signature of " #name " differs from the control's")

DORVANE_CHECK_SIGNATURE(Car_Wash_Request);
DORVANE_CHECK_SIGNATURE(Poll_Car_Wash_Itemization);
DORVANE_CHECK_SIGNATURE(Get_Fuel_Promos);
DORVANE_CHECK_SIGNATURE(Apply_Fuel_Price_Changes);
DORVANE_CHECK_SIGNATURE(Fuel_Pricing_Request);
DORVANE_CHECK_SIGNATURE(Poll_Fuel_Pricing);
DORVANE_CHECK_SIGNATURE(Poll_Fuel_Itemization);
DORVANE_CHECK_SIGNATURE(Fuel_Itemization_Complete);
DORVANE_CHECK_SIGNATURE(Put_Fuel_Discount);
DORVANE_CHECK_SIGNATURE(Terminal_Opened);
DORVANE_CHECK_SIGNATURE(Terminal_Unlocked);
DORVANE_CHECK_SIGNATURE(Terminal_Closed);
DORVANE_CHECK_SIGNATURE(Terminal_Locked);
DORVANE_CHECK_SIGNATURE(Reset_Fuel_Controller);
DORVANE_CHECK_SIGNATURE(Fuel_Price_Change_Pending);
DORVANE_CHECK_SIGNATURE(Transaction_Finalized);
DORVANE_CHECK_SIGNATURE(Transaction_Canceled);
DORVANE_CHECK_SIGNATURE(Reset_Fuel_Pump);

template <typename R>
int call_with_result(dorvane_ctl* h, R (DorvaneCtl::*method)(), R* result) {
    return guarded(h, [&](DorvaneCtl& c) {
        required(result, "result");
        *result = (c.*method)();
    });
}

int call(dorvane_ctl* h, void (DorvaneCtl::*method)()) {
    return guarded(h, [&](DorvaneCtl& c) { (c.*method)(); });
}

const dorvane::Widget& widget_of(const DorvaneCtl& c, const char* name, int index) {
    auto w = dorvane::Panel::find_name(required(name, "widget"));
    if (!w) throw UnknownName(std::string("no widget named ") + name);
    return c.panel()(*w, index);
}

}  // namespace

extern "C" {

// ---- Library, handles, errors ---------------------------------------------

const char* dorvane_version(void) {
    return DORVANE_VERSION_STRING;
}

int dorvane_abi_version(void) {
    return DORVANE_ABI_VERSION;
}

const char* dorvane_status_text(int status) {
    switch (status) {
        case DORVANE_OK:
            return "ok";
        case DORVANE_E_OVERFLOW:
            return "overflow";
        case DORVANE_E_INDEX:
            return "index out of range";
        case DORVANE_E_UNKNOWN_NAME:
            return "unknown name";
        case DORVANE_E_TYPE:
            return "wrong type";
        case DORVANE_E_NULL:
            return "null argument";
        case DORVANE_E_BUFFER:
            return "buffer too small";
        case DORVANE_E_FAILED:
            return "failed";
    }
    return "unknown status";
}

// DORVANE_RECORD=DIR: every control created here records into a new file in
// DIR. Nobody asked for it through a call, so a folder that cannot be written
// is said once per process on the standard error, and the control works on.
void record_from_environment(dorvane_ctl& h) {
    const std::string path = dorvane::script::environment_record_path();
    if (path.empty()) return;
    h.recorder = std::make_unique<dorvane::script::Recorder>(h.ctl, path);
    if (!h.recorder->failed()) return;
    static bool said = false;
    if (!said) std::fprintf(stderr, "dorvane: DORVANE_RECORD: %s\n", h.recorder->error().c_str());
    said = true;
    h.recorder.reset();
}

int dorvane_create(const dorvane_platform* platform, dorvane_ctl** out) {
    create_error.clear();
    if (!out) return DORVANE_E_NULL;
    *out = nullptr;
    try {
        auto h = std::make_unique<dorvane_ctl>(platform);
        record_from_environment(*h);
        *out = h.release();
        return DORVANE_OK;
    } catch (const std::exception& e) {
        try {
            create_error = e.what();
        } catch (...) {
        }
    } catch (...) {
        create_error = "unknown failure";
    }
    return DORVANE_E_FAILED;
}

void dorvane_destroy(dorvane_ctl* ctl) {
    delete ctl;
}

const char* dorvane_last_error(const dorvane_ctl* ctl) {
    return ctl ? ctl->last_error.c_str() : create_error.c_str();
}

// ---- Typed properties -----------------------------------------------------

#define DORVANE_DEFINE_PROPERTY(name, T)                                      \
    static_assert(std::is_same_v<decltype(DorvaneCtl::name), CType_##T>,      \
                  "C type of " #name " differs from the control's");          \
    int dorvane_get_##name(dorvane_ctl* ctl, DORVANE_GET_PARAMS_##T) {        \
        return DORVANE_GET_##T(ctl, &DorvaneCtl::name, DORVANE_GET_ARGS_##T); \
    }                                                                         \
    int dorvane_set_##name(dorvane_ctl* ctl, DORVANE_SET_PARAM_##T) {         \
        return DORVANE_SET_##T(ctl, &DorvaneCtl::name, value);                \
    }
DORVANE_PROPERTIES(DORVANE_DEFINE_PROPERTY)
#undef DORVANE_DEFINE_PROPERTY

// ---- Methods ----------------------------------------------------------------

int dorvane_Car_Wash_Request(dorvane_ctl* ctl, dorvane_bool* result) {
    return call_with_result(ctl, &DorvaneCtl::Car_Wash_Request, result);
}

int dorvane_Poll_Car_Wash_Itemization(dorvane_ctl* ctl) {
    return call(ctl, &DorvaneCtl::Poll_Car_Wash_Itemization);
}

int dorvane_Get_Fuel_Promos(dorvane_ctl* ctl, dorvane_value* Promos, int16_t* result) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        required(Promos, "Promos");
        required(result, "result");
        const Variant before = to_variant(*Promos);
        Variant promos = before;
        *result = c.Get_Fuel_Promos(promos);
        if (!(promos == before)) {
            ctl->handed_out.clear();
            from_variant(ctl, promos, *Promos);
        }
    });
}

int dorvane_Apply_Fuel_Price_Changes(dorvane_ctl* ctl, dorvane_bool* result) {
    return call_with_result(ctl, &DorvaneCtl::Apply_Fuel_Price_Changes, result);
}

int dorvane_Fuel_Pricing_Request(dorvane_ctl* ctl, dorvane_bool* result) {
    return call_with_result(ctl, &DorvaneCtl::Fuel_Pricing_Request, result);
}

int dorvane_Poll_Fuel_Pricing(dorvane_ctl* ctl, int16_t* result) {
    return call_with_result(ctl, &DorvaneCtl::Poll_Fuel_Pricing, result);
}

int dorvane_Poll_Fuel_Itemization(dorvane_ctl* ctl, dorvane_bool* result) {
    return call_with_result(ctl, &DorvaneCtl::Poll_Fuel_Itemization, result);
}

int dorvane_Fuel_Itemization_Complete(dorvane_ctl* ctl, dorvane_bool* SuccessFlag,
                                      int16_t DisplayMessage) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        c.Fuel_Itemization_Complete(*required(SuccessFlag, "SuccessFlag"), DisplayMessage);
    });
}

int dorvane_Put_Fuel_Discount(dorvane_ctl* ctl, int16_t EntryID, int32_t Discount,
                              int16_t CentsOffPerGallon) {
    return guarded(
        ctl, [&](DorvaneCtl& c) { c.Put_Fuel_Discount(EntryID, Discount, CentsOffPerGallon); });
}

int dorvane_Terminal_Opened(dorvane_ctl* ctl, int16_t Cashier_Number, int16_t Terminal_Number,
                            int16_t TCF_Day_Number) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        c.Terminal_Opened(Cashier_Number, Terminal_Number, TCF_Day_Number);
    });
}

int dorvane_Terminal_Unlocked(dorvane_ctl* ctl) {
    return call(ctl, &DorvaneCtl::Terminal_Unlocked);
}

int dorvane_Terminal_Closed(dorvane_ctl* ctl) {
    return call(ctl, &DorvaneCtl::Terminal_Closed);
}

int dorvane_Terminal_Locked(dorvane_ctl* ctl) {
    return call(ctl, &DorvaneCtl::Terminal_Locked);
}

int dorvane_Reset_Fuel_Controller(dorvane_ctl* ctl, dorvane_bool* result) {
    return call_with_result(ctl, &DorvaneCtl::Reset_Fuel_Controller, result);
}

int dorvane_Fuel_Price_Change_Pending(dorvane_ctl* ctl, dorvane_bool* result) {
    return call_with_result(ctl, &DorvaneCtl::Fuel_Price_Change_Pending, result);
}

int dorvane_Transaction_Finalized(dorvane_ctl* ctl, int16_t Cash_Sale_Flag) {
    return guarded(ctl, [&](DorvaneCtl& c) { c.Transaction_Finalized(Cash_Sale_Flag); });
}

int dorvane_Transaction_Canceled(dorvane_ctl* ctl) {
    return call(ctl, &DorvaneCtl::Transaction_Canceled);
}

int dorvane_Reset_Fuel_Pump(dorvane_ctl* ctl, int16_t* Pump, dorvane_bool* result) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        required(Pump, "Pump");
        required(result, "result");
        *result = c.Reset_Fuel_Pump(*Pump);
    });
}

// ---- The function table -----------------------------------------------------

#define DORVANE_TABLE_ENTRY(name, T) dorvane_get_##name, dorvane_set_##name,
static const dorvane_function_table kFunctions = {
    DORVANE_PROPERTIES(DORVANE_TABLE_ENTRY)  //
    dorvane_Car_Wash_Request,
    dorvane_Poll_Car_Wash_Itemization,
    dorvane_Get_Fuel_Promos,
    dorvane_Apply_Fuel_Price_Changes,
    dorvane_Fuel_Pricing_Request,
    dorvane_Poll_Fuel_Pricing,
    dorvane_Poll_Fuel_Itemization,
    dorvane_Fuel_Itemization_Complete,
    dorvane_Put_Fuel_Discount,
    dorvane_Terminal_Opened,
    dorvane_Terminal_Unlocked,
    dorvane_Terminal_Closed,
    dorvane_Terminal_Locked,
    dorvane_Reset_Fuel_Controller,
    dorvane_Fuel_Price_Change_Pending,
    dorvane_Transaction_Finalized,
    dorvane_Transaction_Canceled,
    dorvane_Reset_Fuel_Pump,
};
#undef DORVANE_TABLE_ENTRY

const dorvane_function_table* dorvane_functions(void) {
    return &kFunctions;
}

// ---- By-name dispatch -------------------------------------------------------

int dorvane_property_count(void) {
    return static_cast<int>(dorvane::surface_properties().size());
}

int dorvane_method_count(void) {
    return static_cast<int>(dorvane::surface_methods().size());
}

int dorvane_find_property(const char* name, int* index) {
    if (!name || !index) return DORVANE_E_NULL;
    int i = dorvane::find_property(name);
    if (i < 0) return DORVANE_E_UNKNOWN_NAME;
    *index = i;
    return DORVANE_OK;
}

int dorvane_find_method(const char* name, int* index) {
    if (!name || !index) return DORVANE_E_NULL;
    int i = dorvane::find_method(name);
    if (i < 0) return DORVANE_E_UNKNOWN_NAME;
    *index = i;
    return DORVANE_OK;
}

int dorvane_property_info(int index, const char** name, int* type) {
    try {
        const auto& names = property_names();
        if (int s = checked_index(index, names.size())) return s;
        set_if(name, names[static_cast<std::size_t>(index)].c_str());
        set_if(type, static_cast<int>(
                         dorvane::surface_properties()[static_cast<std::size_t>(index)].type));
        return DORVANE_OK;
    } catch (...) {
        return DORVANE_E_FAILED;
    }
}

int dorvane_method_info(int index, const char** name, int* arg_count, int* result_type) {
    try {
        const auto& names = method_names();
        if (int s = checked_index(index, names.size())) return s;
        const auto& m = dorvane::surface_methods()[static_cast<std::size_t>(index)];
        set_if(name, names[static_cast<std::size_t>(index)].c_str());
        set_if(arg_count, static_cast<int>(m.params.size()));
        set_if(result_type, static_cast<int>(m.result.value_or(ValueType::Empty)));
        return DORVANE_OK;
    } catch (...) {
        return DORVANE_E_FAILED;
    }
}

int dorvane_method_arg(int index, int arg, const char** name, int* type, int* by_ref) {
    try {
        const auto& names = arg_names();
        if (int s = checked_index(index, names.size())) return s;
        const auto& args = names[static_cast<std::size_t>(index)];
        if (int s = checked_index(arg, args.size())) return s;
        const auto& p = dorvane::surface_methods()[static_cast<std::size_t>(index)]
                            .params[static_cast<std::size_t>(arg)];
        set_if(name, args[static_cast<std::size_t>(arg)].c_str());
        set_if(type, static_cast<int>(p.type));
        set_if(by_ref, p.by_ref ? 1 : 0);
        return DORVANE_OK;
    } catch (...) {
        return DORVANE_E_FAILED;
    }
}

int dorvane_get_property(dorvane_ctl* ctl, int index, dorvane_value* out) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        required(out, "out");
        Variant v = dorvane::get_property(c, index);
        ctl->handed_out.clear();
        from_variant(ctl, v, *out);
    });
}

int dorvane_set_property(dorvane_ctl* ctl, int index, const dorvane_value* value) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        dorvane::set_property(c, index, to_variant(*required(value, "value")));
    });
}

int dorvane_invoke(dorvane_ctl* ctl, int index, dorvane_value* args, size_t arg_count,
                   dorvane_value* result) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        if (arg_count != 0) required(args, "args");
        std::vector<Variant> before;
        before.reserve(arg_count);
        for (size_t a = 0; a < arg_count; ++a)
            before.push_back(to_variant(args[a]));
        std::vector<Variant> after = before;
        Variant r = dorvane::invoke_method(c, index, after);
        // Only now may strings handed out earlier go: the arguments are copied.
        ctl->handed_out.clear();
        for (size_t a = 0; a < arg_count; ++a)
            if (!(after[a] == before[a])) from_variant(ctl, after[a], args[a]);
        if (result) from_variant(ctl, r, *result);
    });
}

// ---- The tester's side --------------------------------------------------------

int dorvane_click(dorvane_ctl* ctl, const char* widget, int index) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        const dorvane::Widget& w = widget_of(c, widget, index);
        c.click(w.name, w.index);
    });
}

int dorvane_enter_purchase(dorvane_ctl* ctl, const char* text) {
    return guarded(ctl, [&](DorvaneCtl& c) { c.enter_purchase(required(text, "text")); });
}

int dorvane_tick(dorvane_ctl* ctl, int count) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        if (count < 0) throw dorvane::IndexFault("tick count " + std::to_string(count));
        for (int n = 0; n < count; ++n)
            c.tick();
    });
}

// ---- Recording --------------------------------------------------------------

int dorvane_record_start(dorvane_ctl* ctl, const char* path, int flags) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        required(path, "path");
        if (flags & ~DORVANE_RECORD_NO_EXPECTATIONS)
            throw dorvane::TypeMismatch("unknown recording flags " + std::to_string(flags));
        ctl->recorder.reset();
        auto recorder = std::make_unique<dorvane::script::Recorder>(
            c, path,
            (flags & DORVANE_RECORD_NO_EXPECTATIONS) ? dorvane::script::Expectations::LeftOut
                                                     : dorvane::script::Expectations::Written);
        if (recorder->failed()) throw std::runtime_error(recorder->error());
        ctl->recorder = std::move(recorder);
    });
}

int dorvane_record_stop(dorvane_ctl* ctl) {
    return guarded(ctl, [&](DorvaneCtl&) {
        if (!ctl->recorder) return;
        ctl->recorder->stop();
        const std::string error = ctl->recorder->error();
        ctl->recorder.reset();
        if (!error.empty()) throw std::runtime_error(error);
    });
}

int dorvane_widget_state_of(dorvane_ctl* ctl, const char* widget, int index,
                            dorvane_widget_state* out) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        required(out, "out");
        const dorvane::Widget& w = widget_of(c, widget, index);
        dorvane_widget_state s{};
        s.enabled = w.enabled ? 1 : 0;
        s.visible = w.visible ? 1 : 0;
        s.selected = w.selected ? 1 : 0;
        switch (w.back.kind) {
            case dorvane::Colour::Kind::Rgb:
                s.back_kind = DORVANE_COLOUR_RGB;
                break;
            case dorvane::Colour::Kind::Face:
                s.back_kind = DORVANE_COLOUR_FACE;
                break;
            case dorvane::Colour::Kind::Standard:
                s.back_kind = DORVANE_COLOUR_STANDARD;
                break;
        }
        s.back_rgb = w.back.kind == dorvane::Colour::Kind::Rgb ? w.back.rgb : 0;
        *out = s;
    });
}

int dorvane_widget_caption(dorvane_ctl* ctl, const char* widget, int index, char* buf, size_t size,
                           size_t* length) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        copy_out(widget_of(c, widget, index).caption, buf, size, length);
    });
}

int dorvane_member(dorvane_ctl* ctl, const char* name, int pump, int item, int32_t* value) {
    return guarded(ctl, [&](DorvaneCtl& c) {
        required(value, "value");
        const dorvane::MemberInfo* m = dorvane::find_member(required(name, "name"));
        if (!m) throw UnknownName(std::string("no pump-table member named ") + name);
        *value = static_cast<int32_t>(m->read(c.pump_table(), item, pump));
    });
}

}  // extern "C"
