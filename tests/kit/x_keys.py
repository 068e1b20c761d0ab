"""Presses keys on the X display through the XTest extension (for the demo game's tests)."""

import ctypes
import ctypes.util

KEYSYM_F2 = 0xFFBF


def press(keysym):
    """Moves the pointer to the screen's centre, so a window centred there has the keyboard
    (no window manager runs under Xvfb), and presses the key.

    False when the X libraries or the display are not available.
    """
    x11_name = ctypes.util.find_library("X11")
    xtst_name = ctypes.util.find_library("Xtst")
    if not x11_name or not xtst_name:
        return False
    x11 = ctypes.CDLL(x11_name)
    xtst = ctypes.CDLL(xtst_name)
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                          ctypes.c_int, ctypes.c_ulong]
    xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                       ctypes.c_ulong]
    display = x11.XOpenDisplay(None)
    if not display:
        return False
    code = x11.XKeysymToKeycode(display, keysym)
    x11.XDefaultScreen.argtypes = [ctypes.c_void_p]
    x11.XDisplayWidth.argtypes = [ctypes.c_void_p, ctypes.c_int]
    x11.XDisplayHeight.argtypes = [ctypes.c_void_p, ctypes.c_int]
    screen = x11.XDefaultScreen(display)
    x = x11.XDisplayWidth(display, screen) // 2
    y = x11.XDisplayHeight(display, screen) // 2
    xtst.XTestFakeMotionEvent(display, -1, x, y, 0)
    xtst.XTestFakeKeyEvent(display, code, 1, 0)
    xtst.XTestFakeKeyEvent(display, code, 0, 0)
    x11.XFlush(display)
    x11.XCloseDisplay(display)
    return True
