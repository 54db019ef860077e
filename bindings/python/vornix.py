"""Line boxes from Python through the vornix library.

One module, the standard library only. It loads vornix.dll on Windows (the 32-bit or
64-bit one, as the Python is) or libvornix.so on Linux (simulated boxes), declares
every export, and offers a small class per box above the raw calls:

    import vornix
    with vornix.load() as lib:            # SW_Init ... SW_Free
        while running:
            lib.pump()                    # the same thread as SW_Init, every round
            box = lib.box(0)
            if box.ring():
                number = box.caller_id()

Failures raise VornixError, which carries the library's last-error value
(ERROR_NOT_OPEN, ERROR_BAD_ARGUMENT, or 0 for a device failure, after which the
library holds off every box for a second). docs/host-guide.md says what each call
does; vornix.h is the reference.
"""
import ctypes
import ctypes.util
import os
import sys

__all__ = [
    "ERROR_NOT_OPEN", "ERROR_BAD_ARGUMENT", "LED_OFF", "LED_1", "LED_2", "SLOTS", "DIGITS",
    "CHUNK_BYTES", "VornixError", "Library", "Box", "load",
]

ERROR_NOT_OPEN = 1        # the library is not open
ERROR_BAD_ARGUMENT = 87   # an argument is out of range
LED_OFF, LED_1, LED_2 = 0, 1, 2
SLOTS = 64
DIGITS = 16
CHUNK_BYTES = 16384       # one recorded block: 2.048 s at 8000 one-byte samples a second

_WINDOWS = sys.platform == "win32"
# The library's texts are in the ANSI code page (GBK on the business's systems).
_TEXT_ENCODING = "mbcs" if _WINDOWS else "gbk"
_KIT_DLL = "vornix.dll"

_bool, _int, _text = ctypes.c_ubyte, ctypes.c_int, ctypes.c_void_p
_bytes = ctypes.POINTER(ctypes.c_ubyte)
_chars = ctypes.c_char_p

# name: (result, argument types), for all 39 exports.
_EXPORTS = {
    "SW_Init": (_bool, []), "SW_Free": (_bool, []), "SW_GetCount": (_int, []),
    "SW_LED": (_bool, [_int, _int]), "SW_Play": (_bool, [_int] * 4), "SW_Record": (_bool, [_int, _int, _bytes, _int]),
    "SW_GetInfo": (_bool, [_int, _int]), "SW_RecEnd": (_bool, [_int, _bytes]), "SW_OffHook": (_bool, [_int, _bytes]),
    "SW_CheckRecEnd": (_int, [_int]), "SW_CheckOffHook": (_int, [_int]),
    "SW_GetCID": (_bool, [_int, _int, _bytes, _int]), "SW_CIDEnd": (_bool, [_int, _int]),
    "SW_CIDClear": (_bool, [_int]), "SW_PlayEnd": (_int, [_int, _int]), "SW_CheckPlayEnd": (_int, [_int]),
    "SW_CheckCIDEnd": (_int, [_int]), "SW_GetDTMF": (_bool, [_int, _int, _bytes, _int]),
    "SW_Reconnect": (_bool, [_int]), "SW_Disconnect": (_bool, [_int]), "SW_USBInit": (_bool, [_int]),
    "SW_ReceiveDTMF": (_int, [_int, _chars]), "SW_ReceiveCID": (_int, [_int, _chars]),
    "SW_StartFileRecord": (_int, [_int, _chars, _int]), "SW_StopFileRecord": (_int, [_int]),
    "SW_CheckFileRecordEnd": (_int, [_int]), "SW_StartPlay": (_int, [_int, _int]), "SW_StopPlay": (_int, [_int]),
    "SW_GetStrCID": (_text, [_int]), "SW_GetStrDTMF": (_text, [_int]),
    "SW_StartDrv": (_bool, [_int, _int]), "SW_StopDrv": (_bool, [_int, _int]), "SW_GetSN": (_int, [_int]),
    "SW_SN": (_bool, [_int, _bytes]), "SW_CheckSilence": (_int, [_int]),
    "SW_Record1": (_bool, [_int, _int, _bytes, _int]), "SW_CheckDisconnect": (_int, [_int]),
    "SW_CheckRing": (_int, [_int]), "SW_test": (_bool, [_int, _int]),
}


class VornixError(OSError):
    """A call the library refused or could not do; `errno` is its last-error value."""

    def __init__(self, function, last_error):
        reasons = {ERROR_NOT_OPEN: "the library is not open", ERROR_BAD_ARGUMENT: "an argument is out of range"}
        reason = reasons.get(last_error, "the box did not answer (the library holds off for a moment)")
        super().__init__(last_error, "%s failed: %s" % (function, reason))
        self.function = function
        self.last_error = last_error


def _kit_library(module_folder):
    """The kit's DLL by its full path: beside this module, or one folder up (the kit
    keeps vornix.py in python/ below the DLL). Python 3.8 and later look a bare name up
    only beside python.exe and in System32."""
    for folder in (module_folder, os.path.dirname(module_folder)):
        candidate = os.path.join(folder, _KIT_DLL)
        if os.path.isfile(candidate):
            return candidate
    return _KIT_DLL  # the system's search, which names the DLL when it fails


def _default_name():
    if _WINDOWS:
        return _kit_library(os.path.dirname(os.path.abspath(__file__)))
    return ctypes.util.find_library("vornix") or "libvornix.so"


def _path_bytes(path):
    """A path as the system names files, so that a str and a pathlib.Path of the same
    name give the same file: the ANSI code page on Windows (the library opens files with
    the ANSI calls; a name it cannot hold raises UnicodeEncodeError instead of naming
    another file), the file system's encoding elsewhere."""
    path = os.fspath(path)
    if isinstance(path, bytes):
        return path
    return path.encode("mbcs") if _WINDOWS else os.fsencode(path)


def _message_pump(user32):
    """Hands every message waiting for this thread to its window procedures."""
    from ctypes import wintypes
    pm_remove = 1
    message = wintypes.MSG()
    while user32.PeekMessageA(ctypes.byref(message), None, 0, 0, pm_remove):
        user32.TranslateMessage(ctypes.byref(message))
        user32.DispatchMessageA(ctypes.byref(message))


class Library:
    """The loaded library: every export as `raw.SW_...`, and the library-wide calls."""

    def __init__(self, path=None):
        name = path or os.environ.get("VORNIX_LIBRARY") or _default_name()
        # The standard Windows calling convention; on Linux (and x86_64) there is one.
        loader = ctypes.WinDLL if _WINDOWS else ctypes.CDLL
        if _WINDOWS:
            self.raw = loader(name, use_last_error=True)
        else:
            self.raw = loader(name, use_errno=True)
        for export, (result, arguments) in _EXPORTS.items():
            function = getattr(self.raw, export)
            function.restype = result
            function.argtypes = arguments
        self._user32 = ctypes.WinDLL("user32") if _WINDOWS else None

    # The thread's last-error value as the library left it.
    def _get_error(self):
        return ctypes.get_last_error() if _WINDOWS else ctypes.get_errno()

    def _clear_error(self):
        if _WINDOWS:
            ctypes.set_last_error(0)
        else:
            ctypes.set_errno(0)

    def call(self, export, *arguments, failed):
        """Calls an export; raises VornixError when failed(result) is true."""
        self._clear_error()
        result = getattr(self.raw, export)(*arguments)
        if failed(result):
            raise VornixError(export, self._get_error())
        return result

    def open(self):
        self.raw.SW_Init()
        return self

    def pump(self):
        """Dispatches the messages waiting for this thread. On Windows the library learns
        of plugged and pulled boxes only while the thread that called SW_Init does this:
        call it every round, on the same thread as SW_Init. Nothing to do elsewhere."""
        if self._user32:
            _message_pump(self._user32)

    def close(self):
        self.raw.SW_Free()

    def __enter__(self):
        return self.open()

    def __exit__(self, *exc):
        self.close()

    def count(self):
        """Boxes present as the last enumeration found them (SW_GetCount)."""
        return self.call("SW_GetCount", failed=lambda r: r < 0)

    def box(self, slot):
        return Box(self, slot)

    def boxes(self):
        return [Box(self, slot) for slot in range(min(self.count(), SLOTS))]


class Box:
    """The box at one device slot: a position among the boxes present, not an identity."""

    def __init__(self, library, slot):
        self.library, self.slot = library, slot

    def _call(self, export, *arguments, failed):
        return self.library.call(export, self.slot, *arguments, failed=failed)

    def _yes_no(self, export):
        return self._call(export, failed=lambda r: r < 0) == 1

    def _command(self, export, *arguments):
        self._call(export, *arguments, failed=lambda r: r == 0)

    # --- line state (from the status record; one poll serves 600 ms) -----------------
    def ring(self):
        return self._yes_no("SW_CheckRing")

    def off_hook(self):
        return self._yes_no("SW_CheckOffHook")

    def disconnected(self):
        return self._yes_no("SW_CheckDisconnect")

    def block_ready(self):
        return self._yes_no("SW_CheckRecEnd")

    def caller_id(self):
        """The calling number ('' when none); reading it consumes it."""
        return self._digits("SW_ReceiveCID")

    def dtmf(self):
        """The digits dialled since the last read ('' when none); consumes them."""
        return self._digits("SW_ReceiveDTMF")

    def _digits(self, export):
        buffer = ctypes.create_string_buffer(DIGITS + 1)  # no terminator after 16 digits
        count = self._call(export, buffer, failed=lambda r: r < 0)
        return buffer.raw[:count].decode(_TEXT_ENCODING)

    def serial(self):
        """The box's serial code, 5000..5999, or 5301 when it reports none."""
        return self._call("SW_GetSN", failed=lambda r: r < 0)

    def self_test(self):
        """Reads a fresh status record past the cache; True when it is valid."""
        return self._refused_or("SW_test", 0) == 1

    def silent(self):
        """True or False; None when no audio block could be judged yet."""
        result = self._refused_or("SW_CheckSilence")
        return None if result < 0 else result == 1

    def _refused_or(self, export, *arguments):
        # These results mean both "refused" and an answer (an invalid record, no block
        # yet): only a refusal's last error makes them an error.
        result = self._call(export, *arguments, failed=lambda r: False)
        error = self.library._get_error()
        if result <= 0 and error in (ERROR_NOT_OPEN, ERROR_BAD_ARGUMENT):
            raise VornixError(export, error)
        return result

    # --- commands ----------------------------------------------------------------------
    def led(self, mode):
        self._command("SW_LED", mode)

    def reconnect(self):
        self._command("SW_Reconnect")

    def disconnect(self):
        self._command("SW_Disconnect")

    def reinit(self):
        self._command("SW_USBInit")

    # --- recording ---------------------------------------------------------------------
    def start_recording(self, path, budget):
        """Starts a WAV recording of the line into `path` (str, bytes or a path object)
        with a budget in bytes (one budget for all boxes)."""
        self._call("SW_StartFileRecord", _path_bytes(path), budget, failed=lambda r: r < 0)

    def poll_recording(self):
        """Appends a block when one is ready; returns the budget left (0: spent)."""
        return self._call("SW_CheckFileRecordEnd", failed=lambda r: r < 0)

    def stop_recording(self):
        self._call("SW_StopFileRecord", failed=lambda r: r < 0)


def load(path=None):
    """Loads the library from `path`, $VORNIX_LIBRARY, the kit's vornix.dll beside or
    above this module (Windows), or the usual search (Linux)."""
    return Library(path)
