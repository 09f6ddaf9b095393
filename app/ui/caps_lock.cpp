#include "app/ui/caps_lock.h"

#include <QGuiApplication>

#if defined(TARVIO_HAVE_X11) && QT_CONFIG(xcb)
#include <X11/XKBlib.h>
#define TARVIO_READ_X11_CAPS 1
#endif

namespace tarvio {

namespace {

// One indicator of the core keyboard: 0 Caps Lock, 1 Num Lock, 2 Scroll Lock.
int readIndicator([[maybe_unused]] unsigned bit) {
#ifdef TARVIO_READ_X11_CAPS
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return -1;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display()) return -1;
    unsigned int state = 0;
    if (XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state) != Success) return -1;
    return (state & (1u << bit)) ? 1 : 0;
#else
    return -1;
#endif
}

}  // namespace

int readCapsLock() { return readIndicator(0); }

int readScrollLock() { return readIndicator(2); }

}  // namespace tarvio
