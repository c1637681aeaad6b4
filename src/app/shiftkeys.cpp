#include "shiftkeys.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace tovra {

namespace {

bool isHeld(Display *display, const char keys[32], KeySym symbol)
{
    const KeyCode code = XKeysymToKeycode(display, symbol);
    return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
}

} // namespace

ShiftKeys readShiftKeysFromDisplay()
{
    ShiftKeys held;
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return held;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return held;
    char keys[32] = {};
    XQueryKeymap(display, keys);
    held.left = isHeld(display, keys, XK_Shift_L);
    held.right = isHeld(display, keys, XK_Shift_R);
    XCloseDisplay(display);
    return held;
}

} // namespace tovra
