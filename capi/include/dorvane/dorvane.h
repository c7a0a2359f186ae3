/* dorvane.h: the C interface of the Dorvane forecourt simulator control.
 *
 * Valid C99 and C++. One opaque handle per control instance; every function
 * returns an int status (DORVANE_OK or a negative DORVANE_E_* code) and no
 * exception or crash ever crosses this interface.
 *
 * Threads: a handle is used by one thread at a time (the host's user-interface
 * thread); different handles are independent.
 *
 * Text: every string is UTF-8 and NUL-terminated.
 *  - Strings passed in (setters, names, dorvane_value.as.string arguments) stay
 *    owned by the caller; the control copies what it keeps before returning.
 *  - Strings handed out through caller-supplied buffers (buf, size, length):
 *    *length (length may be NULL) receives the text's length in bytes without
 *    the NUL. The text and its NUL are written only when size > that length;
 *    otherwise nothing is written and the call returns DORVANE_E_BUFFER. With
 *    buf NULL and size 0 the call only reports the length, and succeeds.
 *  - Strings handed out as const char* (dorvane_last_error, string values
 *    returned by dorvane_get_property and dorvane_invoke) are owned by the
 *    handle and stay valid until the next call that takes the same handle, or
 *    its destruction. Copy them if you need them longer; never free them.
 *  - dorvane_version, dorvane_status_text and the table names are static.
 */
#ifndef DORVANE_H
#define DORVANE_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
/* dorvane.dll exports exactly what is declared here; a consumer imports it. */
#if defined(DORVANE_BUILDING_DLL)
#define DORVANE_API __declspec(dllexport)
#else
#define DORVANE_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define DORVANE_API __attribute__((visibility("default")))
#else
#define DORVANE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The interface's revision; also the shared library's soname version. */
#define DORVANE_ABI_VERSION 1

/* ---- Status codes ------------------------------------------------------ */
#define DORVANE_OK 0
#define DORVANE_E_OVERFLOW (-1)     /* a value does not fit its 16 or 32 bits */
#define DORVANE_E_INDEX (-2)        /* an index outside its array's bounds */
#define DORVANE_E_UNKNOWN_NAME (-3) /* no property, method, widget or member of that name */
#define DORVANE_E_TYPE (-4)         /* a value of the wrong kind, or a wrong argument count */
#define DORVANE_E_NULL (-5)         /* a required pointer argument is NULL */
#define DORVANE_E_BUFFER (-6)       /* the caller's buffer is too small for the text */
#define DORVANE_E_FAILED (-7)       /* anything else (out of memory, behaviour not available) */

/* 16-bit flag of the surface: True is -1, False is 0. */
typedef int16_t dorvane_bool;
#define DORVANE_TRUE ((dorvane_bool)-1)
#define DORVANE_FALSE ((dorvane_bool)0)

typedef struct dorvane_ctl dorvane_ctl;

/* ---- Platform services ------------------------------------------------- */
typedef struct dorvane_datetime {
    int year, month, day;     /* month 1..12, day 1..31 */
    int hour, minute, second; /* 0..23, 0..59, 0..59 */
} dorvane_datetime;

/* Either callback may be NULL: the machine's local clock is used for a
 * missing `now`, a missing `beep` is silent. A `now` that yields a time which
 * is not a real date and time is ignored: the control keeps the last valid
 * one it was given. Callbacks must return normally (no longjmp, no exception). */
typedef struct dorvane_platform {
    void (*now)(void* user, dorvane_datetime* out);
    void (*beep)(void* user);
    void* user;
} dorvane_platform;

/* Library version ("major.minor.patch") and interface revision. */
DORVANE_API const char* dorvane_version(void);
DORVANE_API int dorvane_abi_version(void);
/* A fixed English text for a status code. */
DORVANE_API const char* dorvane_status_text(int status);

/* Creates a control; start-up runs here and ends with the terminal closed.
 * platform may be NULL (system clock, silent beep); it is copied. */
DORVANE_API int dorvane_create(const dorvane_platform* platform, dorvane_ctl** out);
/* Destroys a control; NULL is ignored. */
DORVANE_API void dorvane_destroy(dorvane_ctl* ctl);
/* Describes why the most recent call on this handle failed; "" after a call
 * that succeeded. Owned by the handle. With NULL: why the most recent
 * dorvane_create on this thread failed. */
DORVANE_API const char* dorvane_last_error(const dorvane_ctl* ctl);

/* ---- Properties, in interface order ------------------------------------
 * The list below drives the typed getters and setters and the function table;
 * a test checks it against the control's own surface table. Each entry is
 * X(name, TYPE) with TYPE one of INTEGER, LONG, BOOLEAN, STRING. */
#define DORVANE_PROPERTIES(X)              \
    X(Tender_ID, INTEGER)                  \
    X(Itemization_Type, INTEGER)           \
    X(POS_Entry_ID, INTEGER)               \
    X(Pump_Number, INTEGER)                \
    X(ZRD_Sequence_Number, LONG)           \
    X(Total_Price, LONG)                   \
    X(Fuel_PLU, STRING)                    \
    X(Fuel_Grade, INTEGER)                 \
    X(Gallons_Sold, LONG)                  \
    X(Price_Per_Gallon_Sold, INTEGER)      \
    X(Cash_Price_Per_Gallon, INTEGER)      \
    X(Credit_Price_Per_Gallon, INTEGER)    \
    X(Rejection_Code, STRING)              \
    X(Rejected_Card_Number, STRING)        \
    X(Rejection_Reference_Code, LONG)      \
    X(Track1, STRING)                      \
    X(Track2, STRING)                      \
    X(Car_Wash_Status, INTEGER)            \
    X(Transaction_Total, INTEGER)          \
    X(Fuel_Gallons_Sold, INTEGER)          \
    X(Car_Wash_PIN, INTEGER)               \
    X(Car_Wash_Price, LONG)                \
    X(Car_Wash_PLU, STRING)                \
    X(Fuel_Pricing_Group, INTEGER)         \
    X(Fuel_Price_Change_Date_Time, STRING) \
    X(Fuel_Pricing_Entries, INTEGER)       \
    X(Fuel_Pricing_Entry, INTEGER)         \
    X(Fuel_Price_State, STRING)            \
    X(Fuel_Product_Id, INTEGER)            \
    X(Fuel_Product_Name, STRING)           \
    X(Fuel_Service_Level, INTEGER)         \
    X(Fuel_Price_Media, INTEGER)           \
    X(Fuel_Price, INTEGER)                 \
    X(Refund_Sale_Price, LONG)             \
    X(BeepFrequency, LONG)                 \
    X(BeepDuration, LONG)                  \
    X(TimerSwx, BOOLEAN)

/* Getter and setter shapes per type. A getter of a number writes *value; a
 * getter of text fills a caller-supplied buffer (see the text rules above). */
#define DORVANE_GET_PARAMS_INTEGER int16_t* value
#define DORVANE_GET_PARAMS_LONG int32_t* value
#define DORVANE_GET_PARAMS_BOOLEAN dorvane_bool* value
#define DORVANE_GET_PARAMS_STRING char *buf, size_t size, size_t *length
#define DORVANE_SET_PARAM_INTEGER int16_t value
#define DORVANE_SET_PARAM_LONG int32_t value
#define DORVANE_SET_PARAM_BOOLEAN dorvane_bool value
#define DORVANE_SET_PARAM_STRING const char* value

/* int dorvane_get_<name>(dorvane_ctl*, ...); int dorvane_set_<name>(dorvane_ctl*, value);
 * A host write stores the value with no check and no side effect. */
#define DORVANE_DECLARE_PROPERTY_(name, T)                                        \
    DORVANE_API int dorvane_get_##name(dorvane_ctl* ctl, DORVANE_GET_PARAMS_##T); \
    DORVANE_API int dorvane_set_##name(dorvane_ctl* ctl, DORVANE_SET_PARAM_##T);
DORVANE_PROPERTIES(DORVANE_DECLARE_PROPERTY_)

/* ---- Methods, in interface order ----------------------------------------
 * Arguments passed by reference are pointers the method may write; a result
 * is written through the last argument. Every pointer argument is required
 * (DORVANE_E_NULL, checked before anything runs). */
typedef struct dorvane_value dorvane_value;

DORVANE_API int dorvane_Car_Wash_Request(dorvane_ctl* ctl, dorvane_bool* result);
DORVANE_API int dorvane_Poll_Car_Wash_Itemization(dorvane_ctl* ctl);
DORVANE_API int dorvane_Get_Fuel_Promos(dorvane_ctl* ctl, dorvane_value* Promos, int16_t* result);
DORVANE_API int dorvane_Apply_Fuel_Price_Changes(dorvane_ctl* ctl, dorvane_bool* result);
DORVANE_API int dorvane_Fuel_Pricing_Request(dorvane_ctl* ctl, dorvane_bool* result);
DORVANE_API int dorvane_Poll_Fuel_Pricing(dorvane_ctl* ctl, int16_t* result);
DORVANE_API int dorvane_Poll_Fuel_Itemization(dorvane_ctl* ctl, dorvane_bool* result);
DORVANE_API int dorvane_Fuel_Itemization_Complete(dorvane_ctl* ctl, dorvane_bool* SuccessFlag,
                                                  int16_t DisplayMessage);
DORVANE_API int dorvane_Put_Fuel_Discount(dorvane_ctl* ctl, int16_t EntryID, int32_t Discount,
                                          int16_t CentsOffPerGallon);
DORVANE_API int dorvane_Terminal_Opened(dorvane_ctl* ctl, int16_t Cashier_Number,
                                        int16_t Terminal_Number, int16_t TCF_Day_Number);
DORVANE_API int dorvane_Terminal_Unlocked(dorvane_ctl* ctl);
DORVANE_API int dorvane_Terminal_Closed(dorvane_ctl* ctl);
DORVANE_API int dorvane_Terminal_Locked(dorvane_ctl* ctl);
DORVANE_API int dorvane_Reset_Fuel_Controller(dorvane_ctl* ctl, dorvane_bool* result);
DORVANE_API int dorvane_Fuel_Price_Change_Pending(dorvane_ctl* ctl, dorvane_bool* result);
DORVANE_API int dorvane_Transaction_Finalized(dorvane_ctl* ctl, int16_t Cash_Sale_Flag);
DORVANE_API int dorvane_Transaction_Canceled(dorvane_ctl* ctl);
DORVANE_API int dorvane_Reset_Fuel_Pump(dorvane_ctl* ctl, int16_t* Pump, dorvane_bool* result);

/* ---- The function table --------------------------------------------------
 * A read and a write entry for each property in property order, then the
 * methods in method order: the same functions as above. */
#define DORVANE_TABLE_PROPERTY_(name, T)                          \
    int (*get_##name)(dorvane_ctl * ctl, DORVANE_GET_PARAMS_##T); \
    int (*set_##name)(dorvane_ctl * ctl, DORVANE_SET_PARAM_##T);

typedef struct dorvane_function_table {
    DORVANE_PROPERTIES(DORVANE_TABLE_PROPERTY_)
    int (*Car_Wash_Request)(dorvane_ctl* ctl, dorvane_bool* result);
    int (*Poll_Car_Wash_Itemization)(dorvane_ctl* ctl);
    int (*Get_Fuel_Promos)(dorvane_ctl* ctl, dorvane_value* Promos, int16_t* result);
    int (*Apply_Fuel_Price_Changes)(dorvane_ctl* ctl, dorvane_bool* result);
    int (*Fuel_Pricing_Request)(dorvane_ctl* ctl, dorvane_bool* result);
    int (*Poll_Fuel_Pricing)(dorvane_ctl* ctl, int16_t* result);
    int (*Poll_Fuel_Itemization)(dorvane_ctl* ctl, dorvane_bool* result);
    int (*Fuel_Itemization_Complete)(dorvane_ctl* ctl, dorvane_bool* SuccessFlag,
                                     int16_t DisplayMessage);
    int (*Put_Fuel_Discount)(dorvane_ctl* ctl, int16_t EntryID, int32_t Discount,
                             int16_t CentsOffPerGallon);
    int (*Terminal_Opened)(dorvane_ctl* ctl, int16_t Cashier_Number, int16_t Terminal_Number,
                           int16_t TCF_Day_Number);
    int (*Terminal_Unlocked)(dorvane_ctl* ctl);
    int (*Terminal_Closed)(dorvane_ctl* ctl);
    int (*Terminal_Locked)(dorvane_ctl* ctl);
    int (*Reset_Fuel_Controller)(dorvane_ctl* ctl, dorvane_bool* result);
    int (*Fuel_Price_Change_Pending)(dorvane_ctl* ctl, dorvane_bool* result);
    int (*Transaction_Finalized)(dorvane_ctl* ctl, int16_t Cash_Sale_Flag);
    int (*Transaction_Canceled)(dorvane_ctl* ctl);
    int (*Reset_Fuel_Pump)(dorvane_ctl* ctl, int16_t* Pump, dorvane_bool* result);
} dorvane_function_table;

/* The one static table; never NULL. */
DORVANE_API const dorvane_function_table* dorvane_functions(void);

/* ---- By-name dispatch ----------------------------------------------------- */
typedef enum dorvane_type {
    DORVANE_EMPTY = 0,
    DORVANE_INTEGER = 1, /* as.integer */
    DORVANE_LONG = 2,    /* as.long_value */
    DORVANE_BOOLEAN = 3, /* as.boolean */
    DORVANE_DOUBLE = 4,  /* as.real */
    DORVANE_STRING = 5   /* as.string (UTF-8; NULL is refused) */
} dorvane_type;

/* A tagged value. On input a string stays owned by the caller; a string the
 * control hands back is owned by the handle (see the text rules above). */
struct dorvane_value {
    int32_t type; /* a dorvane_type */
    union {
        int16_t integer;
        int32_t long_value;
        dorvane_bool boolean;
        double real;
        const char* string;
    } as;
};

/* The surface tables: property number p in 0..count-1, method number m. */
DORVANE_API int dorvane_property_count(void);
DORVANE_API int dorvane_method_count(void);
/* Name to number; DORVANE_E_UNKNOWN_NAME if there is none (names are exact). */
DORVANE_API int dorvane_find_property(const char* name, int* index);
DORVANE_API int dorvane_find_method(const char* name, int* index);
/* What property p is: its name (static) and type. Either output may be NULL. */
DORVANE_API int dorvane_property_info(int index, const char** name, int* type);
/* What method m is: name, argument count and result type (DORVANE_EMPTY for
 * none). Any output may be NULL. */
DORVANE_API int dorvane_method_info(int index, const char** name, int* arg_count, int* result_type);
/* Argument a of method m: name, type (DORVANE_EMPTY where any value is
 * accepted) and whether it is passed by reference. Any output may be NULL. */
DORVANE_API int dorvane_method_arg(int index, int arg, const char** name, int* type, int* by_ref);

/* Reads property p into *out (its own type). */
DORVANE_API int dorvane_get_property(dorvane_ctl* ctl, int index, dorvane_value* out);
/* Writes property p. A number of another integral type is converted; one that
 * does not fit is DORVANE_E_OVERFLOW and the property keeps its value; a value
 * of the wrong kind is DORVANE_E_TYPE. */
DORVANE_API int dorvane_set_property(dorvane_ctl* ctl, int index, const dorvane_value* value);
/* Calls method m with arg_count arguments (args may be NULL when it is 0).
 * Every argument is converted to its parameter's type before the call; a
 * by-reference argument is written back into args[a] when the method changed
 * it. *result (may be NULL) receives the result, DORVANE_EMPTY for none. */
DORVANE_API int dorvane_invoke(dorvane_ctl* ctl, int index, dorvane_value* args, size_t arg_count,
                               dorvane_value* result);

/* ---- The tester's side ----------------------------------------------------
 * Widgets are named as on the panel ("Pump", "Message1", "SimPump"); index is
 * the control-array index, or -1 for a single widget. */

/* Clicks a widget: its handler runs only when it is visible and enabled. */
DORVANE_API int dorvane_click(dorvane_ctl* ctl, const char* widget, int index);
/* Replaces the purchase box's text and validates it. */
DORVANE_API int dorvane_enter_purchase(dorvane_ctl* ctl, const char* text);
/* Delivers count beats of the one-second timer; stops at the first fault. A
 * negative count is DORVANE_E_INDEX. */
DORVANE_API int dorvane_tick(dorvane_ctl* ctl, int count);

/* ---- Recording --------------------------------------------------------------
 * A session recorded as a scenario script that dorvane-run replays and checks:
 * every call, property write, click, entry and tick on this handle, each
 * followed by what it did (results, by-reference arguments, faults, the
 * widget states it changed, beeps). Each event is written and flushed as it
 * finishes, so a host that dies leaves a script up to its last event.
 * Setting DORVANE_RECORD=DIR in the environment makes every dorvane_create
 * record into a new file in DIR without any call. */

/* Leaves the expectations out: the script replays but checks nothing. */
#define DORVANE_RECORD_NO_EXPECTATIONS 1

/* Starts recording into a new file at path (replacing one there), ending a
 * recording in progress. A file that cannot be created is DORVANE_E_FAILED
 * with the reason in dorvane_last_error; the control works on, unrecorded.
 * Unknown flags are DORVANE_E_TYPE. */
DORVANE_API int dorvane_record_start(dorvane_ctl* ctl, const char* path, int flags);
/* Ends the recording (nothing to end is no error). If writing failed on the
 * way, recording stopped then, the control went on, and this call returns
 * DORVANE_E_FAILED with the reason. */
DORVANE_API int dorvane_record_stop(dorvane_ctl* ctl);

#define DORVANE_COLOUR_RGB 0      /* back_rgb holds 0xRRGGBB */
#define DORVANE_COLOUR_FACE 1     /* the platform's button face */
#define DORVANE_COLOUR_STANDARD 2 /* a standard button nobody recolours */

typedef struct dorvane_widget_state {
    int enabled, visible, selected; /* 1 or 0 */
    int back_kind;                  /* a DORVANE_COLOUR_* */
    uint32_t back_rgb;
} dorvane_widget_state;

DORVANE_API int dorvane_widget_state_of(dorvane_ctl* ctl, const char* widget, int index,
                                        dorvane_widget_state* out);
/* The caption of a widget (the text of the purchase box). */
DORVANE_API int dorvane_widget_caption(dorvane_ctl* ctl, const char* widget, int index, char* buf,
                                       size_t size, size_t* length);
/* Reads a pump-table member by name: pump is the pump index 0..31 for per-pump
 * and per-item members, item the item index 0..2 for per-item ones; an index a
 * member does not have is ignored. */
DORVANE_API int dorvane_member(dorvane_ctl* ctl, const char* name, int pump, int item,
                               int32_t* value);

#ifdef __cplusplus
}
#endif

#endif /* DORVANE_H */
