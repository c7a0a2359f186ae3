/* The library as a foreign-function interface sees it: loaded by name at run
 * time (LoadLibrary on Windows, dlopen elsewhere), every entry looked up by its
 * exported name. It plays the Python binding's tests in C, so that they run
 * where that binding cannot: a prepaid sale through the POS, the beep through
 * the host's callback, faults as statuses with the control going on, and
 * UTF-8 text round trips.
 *
 *   capi_dll_client [LIBRARY]   (default: dorvane.dll beside the program)
 */
#include <dorvane/dorvane.h>
#include <stdio.h>
#include <string.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

enum { IDLE = 1, CALL = 2, AUTH = 3 };
static const char* const non_ascii =
    "Z\xc3\xbcrich S\xc3\xbc"
    "d \xe2\x9b\xbd 5\xe2\x82\xac";
static const int cents_per_tick = 37;

/* ---- Loading ------------------------------------------------------------ */
typedef void (*entry)(void);
static void* library;

static entry lookup(const char* name) {
#ifdef _WIN32
    return (entry)(void (*)(void))GetProcAddress((HMODULE)library, name);
#else
    entry e;
    void* p = dlsym(library, name);
    memcpy(&e, &p, sizeof e);
    return e;
#endif
}

/* The entries used here besides the function table, as a binding declares them. */
static int (*create)(const dorvane_platform*, dorvane_ctl**);
static void (*destroy)(dorvane_ctl*);
static const char* (*last_error)(const dorvane_ctl*);
static const dorvane_function_table* (*functions)(void);
static int (*click)(dorvane_ctl*, const char*, int);
static int (*tick)(dorvane_ctl*, int);
static int (*member)(dorvane_ctl*, const char*, int, int, int32_t*);
static int (*caption)(dorvane_ctl*, const char*, int, char*, size_t, size_t*);
static int (*property_count)(void);
static int (*property_info)(int, const char**, int*);
static int (*get_property)(dorvane_ctl*, int, dorvane_value*);
static int (*set_property)(dorvane_ctl*, int, const dorvane_value*);

#define RESOLVE(var, name)                                    \
    do {                                                      \
        entry e_ = lookup(name);                              \
        if (!e_) {                                            \
            printf("the library does not export %s\n", name); \
            return 0;                                         \
        }                                                     \
        memcpy(&var, &e_, sizeof var);                        \
    } while (0)

static int load(const char* path) {
#ifdef _WIN32
    library = (void*)LoadLibraryA(path);
#else
    library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
#endif
    if (!library) {
        printf("cannot load %s\n", path);
        return 0;
    }
    RESOLVE(create, "dorvane_create");
    RESOLVE(destroy, "dorvane_destroy");
    RESOLVE(last_error, "dorvane_last_error");
    RESOLVE(functions, "dorvane_functions");
    RESOLVE(click, "dorvane_click");
    RESOLVE(tick, "dorvane_tick");
    RESOLVE(member, "dorvane_member");
    RESOLVE(caption, "dorvane_widget_caption");
    RESOLVE(property_count, "dorvane_property_count");
    RESOLVE(property_info, "dorvane_property_info");
    RESOLVE(get_property, "dorvane_get_property");
    RESOLVE(set_property, "dorvane_set_property");
    return 1;
}

/* ---- Checks --------------------------------------------------------------- */
static int failures;
static const char* current_case = "";

#define CHECK_EQ(actual, expected)                                                                \
    do {                                                                                          \
        long a_ = (long)(actual), e_ = (long)(expected);                                          \
        if (a_ != e_) {                                                                           \
            printf("%s: line %d: %s is %ld, expected %ld\n", current_case, __LINE__, #actual, a_, \
                   e_);                                                                           \
            ++failures;                                                                           \
        }                                                                                         \
    } while (0)

#define CHECK_TEXT(actual, expected)                                                       \
    do {                                                                                   \
        if (strcmp((actual), (expected)) != 0) {                                           \
            printf("%s: line %d: %s is \"%s\", expected \"%s\"\n", current_case, __LINE__, \
                   #actual, (actual), (expected));                                         \
            ++failures;                                                                    \
        }                                                                                  \
    } while (0)

/* ---- A host: a clock that moves one second per tick, a beep counter ------- */
typedef struct host {
    long seconds; /* since 2026-12-05 06:10:00 */
    int beeps;
} host;

static void host_now(void* user, dorvane_datetime* out) {
    const host* h = (const host*)user;
    long s = 10 * 60 + h->seconds;
    dorvane_datetime t = {2026, 12, 5, 6 + (int)(s / 3600), (int)(s / 60 % 60), (int)(s % 60)};
    *out = t;
}

static void host_beep(void* user) {
    ++((host*)user)->beeps;
}

static dorvane_ctl* open_control(host* h) {
    dorvane_platform platform = {host_now, host_beep, h};
    dorvane_ctl* ctl = NULL;
    CHECK_EQ(create(&platform, &ctl), DORVANE_OK);
    if (!ctl) return NULL;
    CHECK_EQ(functions()->Terminal_Opened(ctl, 44, 81, 129), DORVANE_OK);
    CHECK_EQ(click(ctl, "Pump", 0), DORVANE_OK); /* the attendant opens pump 1 */
    int32_t state = -1;
    member(ctl, "Pump_State", 0, 0, &state);
    CHECK_EQ(state, IDLE);
    return ctl;
}

static void ticks(dorvane_ctl* ctl, host* h, int n) {
    for (int k = 0; k < n; ++k) {
        ++h->seconds;
        CHECK_EQ(tick(ctl, 1), DORVANE_OK);
    }
}

static int32_t read_member(dorvane_ctl* ctl, const char* name) {
    int32_t v = -99;
    CHECK_EQ(member(ctl, name, 0, 0, &v), DORVANE_OK);
    return v;
}

/* Polls one fuel item, checks its type and price, and confirms it. */
static void itemize(dorvane_ctl* ctl, int16_t type, int32_t total, const char* plu) {
    const dorvane_function_table* f = functions();
    dorvane_bool polled = 0, success = DORVANE_TRUE;
    int16_t item_type = -1;
    int32_t price = -1;
    CHECK_EQ(f->Poll_Fuel_Itemization(ctl, &polled), DORVANE_OK);
    CHECK_EQ(polled, DORVANE_TRUE);
    f->get_Itemization_Type(ctl, &item_type);
    f->get_Total_Price(ctl, &price);
    CHECK_EQ(item_type, type);
    CHECK_EQ(price, total);
    if (plu) {
        char text[32] = "";
        CHECK_EQ(f->get_Fuel_PLU(ctl, text, sizeof text, NULL), DORVANE_OK);
        CHECK_TEXT(text, plu);
    }
    CHECK_EQ(f->Fuel_Itemization_Complete(ctl, &success, 0), DORVANE_OK);
    CHECK_EQ(success, DORVANE_TRUE);
}

/* ---- The cases ------------------------------------------------------------ */
static void prepaid_sale_runs_through_the_pos(void) {
    current_case = "prepaid sale";
    host h = {0, 0};
    dorvane_ctl* ctl = open_control(&h);
    if (!ctl) return;
    const dorvane_function_table* f = functions();
    click(ctl, "Value", 2); /* the 20.00 preset */
    click(ctl, "Pump", 0);
    f->set_POS_Entry_ID(ctl, 7);
    itemize(ctl, 2, 2000, NULL); /* ring up the prepay */
    int16_t pump_number = -1;
    f->get_Pump_Number(ctl, &pump_number);
    CHECK_EQ(pump_number, 1);
    CHECK_EQ(read_member(ctl, "Pump_State"), AUTH);
    CHECK_EQ(read_member(ctl, "Prepaid"), DORVANE_TRUE);
    f->Transaction_Finalized(ctl, 1);

    const struct {
        const char* widget;
        int index;
    } customer[] = {{"Message1", -1}, {"SimPump", 0}, {"PumpGas", -1}, {"Status", 0}};
    for (size_t k = 0; k < sizeof customer / sizeof customer[0]; ++k)
        CHECK_EQ(click(ctl, customer[k].widget, customer[k].index), DORVANE_OK);
    ticks(ctl, &h, 41);
    CHECK_EQ(read_member(ctl, "Dispensed"), 41 * cents_per_tick);
    click(ctl, "Hook", -1);
    char sale[32] = "";
    caption(ctl, "Sale", 0, sale, sizeof sale, NULL);
    CHECK_TEXT(sale, "REFUND 4.83");
    click(ctl, "Sale", 0);
    itemize(ctl, 4, 2000, NULL);                    /* refund the prepay */
    itemize(ctl, 0, 41 * cents_per_tick, "555001"); /* the sale itself */
    f->Transaction_Finalized(ctl, 1);
    CHECK_EQ(read_member(ctl, "Sales_Waiting"), 0);
    destroy(ctl);
}

static void a_calling_pump_beeps_through_the_callback(void) {
    current_case = "beep";
    host h = {0, 0};
    dorvane_ctl* ctl = open_control(&h);
    if (!ctl) return;
    click(ctl, "Message1", -1);
    click(ctl, "SimPump", 0);
    click(ctl, "Hook", -1);
    CHECK_EQ(read_member(ctl, "Pump_State"), CALL);
    ticks(ctl, &h, 5);
    CHECK_EQ(h.beeps, 4); /* four ticks out of five */
    destroy(ctl);
}

/* Each fault comes back as its status with a reason, and the control goes on. */
static int find_property(const char* name) {
    for (int p = 0; p < property_count(); ++p) {
        const char* n = NULL;
        if (property_info(p, &n, NULL) == DORVANE_OK && strcmp(n, name) == 0) return p;
    }
    return -1;
}

static int set_long(dorvane_ctl* ctl, const char* property, int32_t v) {
    dorvane_value value = {DORVANE_LONG, {.long_value = v}};
    return set_property(ctl, find_property(property), &value);
}
static int set_text(dorvane_ctl* ctl, const char* property, const char* v) {
    dorvane_value value = {DORVANE_STRING, {.string = v}};
    return set_property(ctl, find_property(property), &value);
}
static int integer_property_too_big(dorvane_ctl* c) {
    return set_long(c, "Tender_ID", 40000);
}
static int result_pointer_missing(dorvane_ctl* c) {
    int16_t pump = 7;
    return functions()->Reset_Fuel_Pump(c, &pump, NULL);
}
static int pump_button_24(dorvane_ctl* c) {
    return click(c, "Pump", 24);
}
static int pump_table_index_32(dorvane_ctl* c) {
    int32_t v;
    return member(c, "Pump_State", 32, 0, &v);
}
static int unknown_widget(dorvane_ctl* c) {
    return click(c, "Pmp", 0);
}
static int text_for_a_number(dorvane_ctl* c) {
    return set_text(c, "POS_Entry_ID", "7");
}
static int number_for_a_text(dorvane_ctl* c) {
    return set_long(c, "Fuel_PLU", 555001);
}
static int buffer_too_small(dorvane_ctl* c) {
    char small[3];
    return caption(c, "Status", 0, small, sizeof small, NULL); /* "IDLE" */
}

static void faults_come_back_as_statuses_and_the_control_goes_on(void) {
    const struct {
        const char* name;
        int (*call)(dorvane_ctl*);
        int status;
        int has_reason;
    } rows[] = {
        {"Integer property too big", integer_property_too_big, DORVANE_E_OVERFLOW, 1},
        {"result pointer missing", result_pointer_missing, DORVANE_E_NULL, 1},
        {"pump button 24", pump_button_24, DORVANE_E_INDEX, 1},
        {"pump-table index 32", pump_table_index_32, DORVANE_E_INDEX, 1},
        {"unknown widget", unknown_widget, DORVANE_E_UNKNOWN_NAME, 1},
        {"text for a number", text_for_a_number, DORVANE_E_TYPE, 1},
        {"number for a text", number_for_a_text, DORVANE_E_TYPE, 1},
        {"buffer too small for the caption", buffer_too_small, DORVANE_E_BUFFER, 0},
    };
    host h = {0, 0};
    current_case = "faults";
    dorvane_ctl* ctl = open_control(&h);
    if (!ctl) return;
    const dorvane_function_table* f = functions();
    for (size_t k = 0; k < sizeof rows / sizeof rows[0]; ++k) {
        current_case = rows[k].name;
        f->set_Tender_ID(ctl, 12);
        CHECK_EQ(rows[k].call(ctl), rows[k].status);
        if (rows[k].has_reason && last_error(ctl)[0] == '\0') {
            printf("%s: no reason given\n", current_case);
            ++failures;
        }
        int16_t tender = -1;
        dorvane_bool reset = 0;
        f->get_Tender_ID(ctl, &tender);
        CHECK_EQ(tender, 12);
        CHECK_EQ(f->Reset_Fuel_Controller(ctl, &reset), DORVANE_OK);
        CHECK_EQ(reset, DORVANE_TRUE);
        CHECK_TEXT(last_error(ctl), "");
    }
    destroy(ctl);
}

static void text_properties_round_trip_utf8(void) {
    host h = {0, 0};
    current_case = "text";
    dorvane_ctl* ctl = open_control(&h);
    if (!ctl) return;
    int strings = 0;
    for (int p = 0; p < property_count(); ++p) {
        const char* name = NULL;
        int type = -1;
        property_info(p, &name, &type);
        if (type != DORVANE_STRING) continue;
        ++strings;
        current_case = name;
        char text[128];
        snprintf(text, sizeof text, "%s %s", non_ascii, name);
        dorvane_value in = {DORVANE_STRING, {.string = text}}, out = {DORVANE_EMPTY, {0}};
        CHECK_EQ(set_property(ctl, p, &in), DORVANE_OK);
        CHECK_EQ(get_property(ctl, p, &out), DORVANE_OK);
        CHECK_EQ(out.type, DORVANE_STRING);
        if (out.type == DORVANE_STRING) CHECK_TEXT(out.as.string, text);
    }
    current_case = "text";
    CHECK_EQ(strings > 0, 1);
    destroy(ctl);
}

int main(int argc, char** argv) {
#ifdef _WIN32
    const char* path = argc > 1 ? argv[1] : "dorvane.dll";
#else
    const char* path = argc > 1 ? argv[1] : "libdorvane.so";
#endif
    if (!load(path)) return 2;
    prepaid_sale_runs_through_the_pos();
    a_calling_pump_beeps_through_the_callback();
    faults_come_back_as_statuses_and_the_control_goes_on();
    text_properties_round_trip_utf8();
    printf("%s: %s\n", path, failures ? "FAILED" : "all cases held");
    return failures ? 1 : 0;
}
