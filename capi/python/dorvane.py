"""Python binding of the Dorvane forecourt simulator control (standard library only).

The control's properties are attributes of a ``Dorvane`` object and its methods
are methods; both are made at import time from the library's own surface
tables. A method with by-reference arguments returns a small result object
(a named tuple) with ``result`` and the final value of each such argument.
Flags are 16-bit: True is -1 and False is 0; a Python ``bool`` passed where a
flag is expected is turned into -1 or 0.

The library is found through the DORVANE_LIBRARY environment variable (a path),
else by its soname on the system's library path.
"""

import collections
import ctypes
import os

ABI_VERSION = 1
TRUE = -1
FALSE = 0

_SONAME = "libdorvane.so.%d" % ABI_VERSION

OK = 0
E_OVERFLOW = -1
E_INDEX = -2
E_UNKNOWN_NAME = -3
E_TYPE = -4
E_NULL = -5
E_BUFFER = -6
E_FAILED = -7

EMPTY, INTEGER, LONG, BOOLEAN, DOUBLE, STRING = range(6)
_TYPE_NAMES = ("Empty", "Integer", "Long", "Boolean", "Double", "String")
_RANGES = {INTEGER: (-(2**15), 2**15 - 1), BOOLEAN: (-(2**15), 2**15 - 1),
           LONG: (-(2**31), 2**31 - 1)}


class DorvaneError(Exception):
    """A call into the control failed; ``status`` is the library's code."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status


class DorvaneOverflowError(DorvaneError, OverflowError):
    """A value did not fit its 16 or 32 bits."""


class DorvaneIndexError(DorvaneError, IndexError):
    """An index was outside its array's bounds."""


class DorvaneNameError(DorvaneError, LookupError):
    """No widget, member, property or method has that name."""


class DorvaneTypeError(DorvaneError, TypeError):
    """A value of the wrong kind, or a wrong number of arguments."""


_ERRORS = {E_OVERFLOW: DorvaneOverflowError, E_INDEX: DorvaneIndexError,
           E_UNKNOWN_NAME: DorvaneNameError, E_TYPE: DorvaneTypeError}


class _Value(ctypes.Structure):
    class _As(ctypes.Union):
        _fields_ = [("integer", ctypes.c_int16), ("long_value", ctypes.c_int32),
                    ("boolean", ctypes.c_int16), ("real", ctypes.c_double),
                    ("string", ctypes.c_char_p)]

    _fields_ = [("type", ctypes.c_int32), ("as_", _As)]


class _DateTime(ctypes.Structure):
    _fields_ = [(f, ctypes.c_int) for f in ("year", "month", "day", "hour", "minute", "second")]


_NOW = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(_DateTime))
_BEEP = ctypes.CFUNCTYPE(None, ctypes.c_void_p)


class _Platform(ctypes.Structure):
    _fields_ = [("now", _NOW), ("beep", _BEEP), ("user", ctypes.c_void_p)]


class _WidgetState(ctypes.Structure):
    _fields_ = [("enabled", ctypes.c_int), ("visible", ctypes.c_int),
                ("selected", ctypes.c_int), ("back_kind", ctypes.c_int),
                ("back_rgb", ctypes.c_uint32)]


WidgetState = collections.namedtuple(
    "WidgetState", "caption enabled visible selected back_kind back_rgb")


def _load():
    lib = ctypes.CDLL(os.environ.get("DORVANE_LIBRARY") or _SONAME)
    P, I, C = ctypes.POINTER, ctypes.c_int, ctypes.c_char_p
    H, SZ = ctypes.c_void_p, ctypes.c_size_t
    signatures = {
        "dorvane_version": ([], C),
        "dorvane_abi_version": ([], I),
        "dorvane_status_text": ([I], C),
        "dorvane_create": ([P(_Platform), P(H)], I),
        "dorvane_destroy": ([H], None),
        "dorvane_last_error": ([H], C),
        "dorvane_property_count": ([], I),
        "dorvane_method_count": ([], I),
        "dorvane_property_info": ([I, P(C), P(I)], I),
        "dorvane_method_info": ([I, P(C), P(I), P(I)], I),
        "dorvane_method_arg": ([I, I, P(C), P(I), P(I)], I),
        "dorvane_get_property": ([H, I, P(_Value)], I),
        "dorvane_set_property": ([H, I, P(_Value)], I),
        "dorvane_invoke": ([H, I, P(_Value), SZ, P(_Value)], I),
        "dorvane_click": ([H, C, I], I),
        "dorvane_enter_purchase": ([H, C], I),
        "dorvane_tick": ([H, I], I),
        "dorvane_widget_state_of": ([H, C, I, P(_WidgetState)], I),
        "dorvane_widget_caption": ([H, C, I, C, SZ, P(SZ)], I),
        "dorvane_member": ([H, C, I, I, P(ctypes.c_int32)], I),
        "dorvane_record_start": ([H, C, I], I),
        "dorvane_record_stop": ([H], I),
    }
    for name, (args, result) in signatures.items():
        f = getattr(lib, name)
        f.argtypes, f.restype = args, result
    if lib.dorvane_abi_version() != ABI_VERSION:
        raise ImportError("libdorvane speaks interface %d, this binding %d"
                          % (lib.dorvane_abi_version(), ABI_VERSION))
    return lib


_lib = _load()


def version():
    """The library's version text."""
    return _lib.dorvane_version().decode()


def _encode(text):
    if not isinstance(text, str):
        raise TypeError("expected str, got %s" % type(text).__name__)
    if "\0" in text:
        raise ValueError("text must not contain NUL")
    return text.encode("utf-8", "surrogateescape")


def _decode(raw):
    return raw.decode("utf-8", "surrogateescape")


def _to_value(x, declared, keep):
    """A Python value as a tagged value for a slot of the declared type."""
    v = _Value()
    if declared == BOOLEAN and isinstance(x, bool):
        x = TRUE if x else FALSE
    if x is None:
        v.type = EMPTY
    elif isinstance(x, bool):
        v.type, v.as_.boolean = BOOLEAN, TRUE if x else FALSE
    elif isinstance(x, int):
        # Pass the number as narrow as it fits; the control converts it to
        # the declared type and reports an overflow itself.
        tag = INTEGER if declared in (EMPTY, INTEGER, BOOLEAN) else LONG
        if not _RANGES[INTEGER][0] <= x <= _RANGES[INTEGER][1]:
            tag = LONG
        lo, hi = _RANGES[LONG]
        if not lo <= x <= hi:
            raise DorvaneOverflowError(E_OVERFLOW, "%d does not fit 32 bits" % x)
        v.type = tag
        if tag == LONG:
            v.as_.long_value = x
        else:
            v.as_.integer = x
    elif isinstance(x, float):
        v.type, v.as_.real = DOUBLE, x
    elif isinstance(x, str):
        raw = _encode(x)
        keep.append(raw)
        v.type, v.as_.string = STRING, raw
    else:
        raise TypeError("cannot pass a %s to the control" % type(x).__name__)
    return v


def _from_value(v):
    if v.type == EMPTY:
        return None
    if v.type == INTEGER:
        return v.as_.integer
    if v.type == LONG:
        return v.as_.long_value
    if v.type == BOOLEAN:
        return v.as_.boolean
    if v.type == DOUBLE:
        return v.as_.real
    return _decode(v.as_.string)


def _property(index, name, declared):
    def get(self):
        out = _Value()
        self._check(_lib.dorvane_get_property(self._handle(), index, ctypes.byref(out)))
        return _from_value(out)

    def set_(self, x):
        keep = []
        value = _to_value(x, declared, keep)
        self._check(_lib.dorvane_set_property(self._handle(), index, ctypes.byref(value)))

    return property(get, set_, doc="%s (%s)" % (name, _TYPE_NAMES[declared]))


def _method(index, name, params, result_type):
    by_ref = [p for p in params if p[2]]
    result_class = None
    if by_ref:
        result_class = collections.namedtuple(name + "_Result", ["result"] + [p[0] for p in by_ref])

    def call(self, *args):
        if len(args) != len(params):
            raise TypeError("%s takes %d argument(s), %d given" % (name, len(params), len(args)))
        keep = []
        values = (_Value * max(1, len(args)))()
        for a, (x, p) in enumerate(zip(args, params)):
            values[a] = _to_value(x, p[1], keep)
        out = _Value()
        self._check(_lib.dorvane_invoke(self._handle(), index, values, len(args),
                                        ctypes.byref(out)))
        result = _from_value(out)
        if not by_ref:
            return result
        finals = [_from_value(values[a]) for a, p in enumerate(params) if p[2]]
        return result_class(result, *finals)

    call.__name__ = name
    call.__doc__ = "%s(%s) -> %s" % (
        name, ", ".join("%s%s: %s" % ("ByRef " if r else "", n, _TYPE_NAMES[t] if t else "Variant")
                        for n, t, r in params),
        _TYPE_NAMES[result_type] if result_type else "None")
    return call


def _surface():
    """The control's properties and methods, read from the library's tables."""
    name, t, n, r, ref = ctypes.c_char_p(), ctypes.c_int(), ctypes.c_int(), ctypes.c_int(), ctypes.c_int()
    props, methods = [], []
    for p in range(_lib.dorvane_property_count()):
        _lib.dorvane_property_info(p, ctypes.byref(name), ctypes.byref(t))
        props.append((name.value.decode(), t.value))
    for m in range(_lib.dorvane_method_count()):
        _lib.dorvane_method_info(m, ctypes.byref(name), ctypes.byref(n), ctypes.byref(r))
        method_name, count, result = name.value.decode(), n.value, r.value
        params = []
        for a in range(count):
            _lib.dorvane_method_arg(m, a, ctypes.byref(name), ctypes.byref(t), ctypes.byref(ref))
            params.append((name.value.decode(), t.value, bool(ref.value)))
        methods.append((method_name, params, result))
    return props, methods


PROPERTIES, METHODS = _surface()


class Dorvane:
    """One control instance. ``now`` (optional) returns the local time as a
    ``datetime.datetime``; ``beep`` (optional) is called for each beep. Without
    ``now`` the machine's clock is used."""

    __slots__ = ("_h", "_platform")

    def __init__(self, now=None, beep=None):
        self._h = None
        platform = None
        if now is not None or beep is not None:
            def now_cb(_user, out):
                t = now()
                (out[0].year, out[0].month, out[0].day,
                 out[0].hour, out[0].minute, out[0].second) = (
                    t.year, t.month, t.day, t.hour, t.minute, t.second)

            def beep_cb(_user):
                beep()

            platform = _Platform(_NOW(now_cb) if now else _NOW(),
                                 _BEEP(beep_cb) if beep else _BEEP(), None)
        self._platform = platform  # the callbacks must live as long as the control
        h = ctypes.c_void_p()
        status = _lib.dorvane_create(ctypes.byref(platform) if platform else None, ctypes.byref(h))
        if status != OK:
            self._raise(status, _lib.dorvane_last_error(None))
        self._h = h

    def close(self):
        """Destroys the control; further use raises ValueError."""
        if self._h is not None:
            _lib.dorvane_destroy(self._h)
            self._h = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        self.close()

    def _handle(self):
        if self._h is None:
            raise ValueError("the control is closed")
        return self._h

    @staticmethod
    def _raise(status, message):
        text = _decode(message or b"") or _decode(_lib.dorvane_status_text(status))
        raise _ERRORS.get(status, DorvaneError)(status, text)

    def _check(self, status):
        if status != OK:
            self._raise(status, _lib.dorvane_last_error(self._h))

    # ---- The tester's side ----

    def click(self, widget, index=-1):
        """Clicks a panel widget by name, e.g. click("Pump", 0) or click("Hook")."""
        self._check(_lib.dorvane_click(self._handle(), _encode(widget), index))

    def enter_purchase(self, text):
        """Types text into the purchase box and validates it."""
        self._check(_lib.dorvane_enter_purchase(self._handle(), _encode(text)))

    def tick(self, count=1):
        """Delivers count beats of the one-second timer."""
        self._check(_lib.dorvane_tick(self._handle(), count))

    def caption(self, widget, index=-1):
        """The caption of a widget (the text of the purchase box)."""
        name, length = _encode(widget), ctypes.c_size_t()
        self._check(_lib.dorvane_widget_caption(self._handle(), name, index, None, 0,
                                                ctypes.byref(length)))
        buf = ctypes.create_string_buffer(length.value + 1)
        self._check(_lib.dorvane_widget_caption(self._handle(), name, index, buf,
                                                len(buf), ctypes.byref(length)))
        return _decode(buf.raw[:length.value])

    def widget(self, widget, index=-1):
        """The state of a widget as a WidgetState."""
        s = _WidgetState()
        self._check(_lib.dorvane_widget_state_of(self._handle(), _encode(widget), index,
                                                 ctypes.byref(s)))
        return WidgetState(self.caption(widget, index), bool(s.enabled), bool(s.visible),
                           bool(s.selected), s.back_kind, s.back_rgb)

    # ---- Recording ----

    def record(self, path, expectations=True):
        """Records this control's session into a scenario script at path that
        dorvane-run replays and checks; with expectations=False it only replays.
        Recording starts at once; use the result as a context manager::

            with ctl.record("session.dvs"):
                ...

        Leaving the block stops it, and raises DorvaneError if writing failed
        on the way (the control went on working). A path that cannot be
        written raises DorvaneError here."""
        flags = 0 if expectations else _RECORD_NO_EXPECTATIONS
        self._check(_lib.dorvane_record_start(self._handle(), os.fsencode(path), flags))
        return _Recording(self)

    def stop_recording(self):
        """Ends a recording; raises DorvaneError if writing had failed."""
        self._check(_lib.dorvane_record_stop(self._handle()))

    def member(self, name, pump=0, item=0):
        """Reads a pump-table member, e.g. member("Pump_State", 0)."""
        out = ctypes.c_int32()
        self._check(_lib.dorvane_member(self._handle(), _encode(name), pump, item,
                                        ctypes.byref(out)))
        return out.value


class _Recording:
    """A recording in progress, ended by leaving its ``with`` block."""

    __slots__ = ("_ctl",)

    def __init__(self, ctl):
        self._ctl = ctl

    def __enter__(self):
        return self

    def __exit__(self, exc_type, *exc):
        try:
            self._ctl.stop_recording()
        except DorvaneError:
            if exc_type is None:
                raise  # an exception already on its way is the one to see


_RECORD_NO_EXPECTATIONS = 1

for _i, (_name, _type) in enumerate(PROPERTIES):
    setattr(Dorvane, _name, _property(_i, _name, _type))
for _i, (_name, _params, _result) in enumerate(METHODS):
    setattr(Dorvane, _name, _method(_i, _name, _params, _result))
del _i, _name, _type, _params, _result
