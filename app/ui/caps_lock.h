// Reads Caps Lock from the window system where it can be read (X11); kept apart so that the
// X11 headers and their macros stay out of every other file.
#pragma once

namespace tarvio {

// 1: on, 0: off, -1: cannot be read on this platform.
int readCapsLock();
// The same for Scroll Lock (the editors follow the play position while it is on).
int readScrollLock();

}  // namespace tarvio
