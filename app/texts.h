// Marks a text of a Qt-free class for translation: lupdate finds QT_TRANSLATE_NOOP("Context",
// "text") and the windows translate it with that context when they show it.
#pragma once

#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, text) text
#endif
