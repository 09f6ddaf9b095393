/*
 * tarvio plug-in interface.
 *
 * A plug-in is a shared library ("*.so") in the "plugin" folder beside the tarvio programs.
 * The host loads every library of that folder in file-name order and resolves these exports
 * by name (plain C functions without arguments):
 *
 *   initialize            required  called once right after loading, before anything else
 *   getPluginInfo         required  the plug-in's PluginInfo; the host keeps the pointer
 *   createInstance        required  a new instance, or NULL on failure
 *   getDefaultParameters  optional  the default ParameterBlock; the host hands it to every
 *                                   new instance and copies it into the track's slot
 *
 * A library lacking one of the three required exports is skipped. The plug-in's name is its
 * identity: songs store it, and when two libraries report the same name the first loaded wins.
 *
 * This header is all a plug-in needs: it depends on nothing but <stdint.h> and <stddef.h>,
 * compiles as C (C11) and as C++, and every record below is fixed to the byte for the 64-bit
 * (LP64, little-endian) platform the host runs on; the static assertions at the end hold the
 * layouts. Pointer-holding records use 8-byte pointers.
 *
 * Instances. An instance is an object allocated by the plug-in whose first 16 bytes are a
 * TarvioPluginInstance header:
 *
 *   offset 0   const TarvioPluginOps* ops   the operations table (below)
 *   offset 8   int32_t pending              events the instance still holds to deliver; the
 *                                           host reads it (> 0 keeps the track playing)
 *   offset 12  uint8_t on                   the switch, 1 = on; the host writes it for
 *                                           PluginSwitch events, reset sets it to 1
 *   offset 13  3 reserved bytes, 0
 *
 * The plug-in keeps pending and on up to date; the host reads and writes nothing else of the
 * object. Operations are called with the instance as their first argument, from one thread at
 * a time, so an instance needs no locking.
 *
 * Lists. Output events come back as a TarvioPluginEventList: the host walks from head through
 * the nodes' next pointers until it meets the list's end marker (NULL). The list stays owned by
 * the instance and must stay valid until the next pull or release of that instance.
 */
#ifndef TARVIO_PLUGIN_H
#define TARVIO_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
#define TARVIO_PLUGIN_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define TARVIO_PLUGIN_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#if defined(__GNUC__)
#define TARVIO_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define TARVIO_PLUGIN_EXPORT
#endif

/* PluginInfo, owned by the plug-in and alive while the library is loaded (32 bytes):
 *   0  author    NUL-terminated text
 *   8  name      NUL-terminated text; the plug-in's identity, shown in lists and stored in songs
 *   16 reserved  two words, 0 */
typedef struct TarvioPluginInfo {
    const char* author;
    const char* name;
    uintptr_t reserved[2];
} TarvioPluginInfo;

enum { TARVIO_PARAM_INTEGER = 0, TARVIO_PARAM_REAL = 1 };
#define TARVIO_PARAM_NAME_SIZE 32
#define TARVIO_MAX_PARAMETERS 256

/* ParameterRecord (64 bytes):
 *   0  type        TARVIO_PARAM_INTEGER ("number") or TARVIO_PARAM_REAL ("float")
 *   4  name        32 bytes, NUL-padded; a 32-character name has no terminator
 *   36 padding     4 bytes
 *   40 integer:    min i32 at 40, max i32 at 44, value i32 at 48, extra i32 at 52 (0),
 *                  8 unused bytes
 *      real:       min double at 40, max double at 48, value double at 56
 * Songs store the type and bytes 40..63 of each record. */
typedef struct TarvioParameterRecord {
    int32_t type;
    char name[TARVIO_PARAM_NAME_SIZE];
    uint8_t pad[4];
    union {
        struct {
            int32_t min, max, value, extra;
            uint8_t unused[8];
        } i;
        struct {
            double min, max, value;
        } r;
    } v;
} TarvioParameterRecord;

/* ParameterBlock (16392 bytes): count (0..255) at 0, 4 bytes of padding, then 256 records at
 * 8; records at or beyond count carry no meaning. */
typedef struct TarvioParameterBlock {
    int32_t count;
    uint8_t pad[4];
    TarvioParameterRecord records[TARVIO_MAX_PARAMETERS];
} TarvioParameterBlock;

enum {
    TARVIO_EVENT_NOTE = 0,
    TARVIO_EVENT_CONTROL = 1,
    TARVIO_EVENT_BEND = 2,
    TARVIO_EVENT_POLY_PRESSURE = 3,
    TARVIO_EVENT_CHANNEL_PRESSURE = 4
};

/* PluginEvent (16 bytes):
 *   0  kind      TARVIO_EVENT_*
 *   4  tick      track tick at which the event is due (unsigned)
 *   8  key       note, controller or key; the value of a channel pressure; for a bend, bytes
 *                8..9 hold the signed 16-bit bend -8192..8191 (see the helpers below)
 *   9  value     controller value or key pressure
 *   10 gate      gate in ticks (notes)
 *   12 velocity  (notes)
 *   13 padding
 *   14 merge     1 = the host plays the event through its note merging, 0 = directly
 *   15 padding
 * Events the host passes in are notes with merge 0. */
typedef struct TarvioPluginEvent {
    uint32_t kind;
    uint32_t tick;
    uint8_t key;
    uint8_t value;
    uint16_t gate;
    uint8_t velocity;
    uint8_t pad0;
    uint8_t merge;
    uint8_t pad1;
} TarvioPluginEvent;

static inline int16_t tarvio_event_bend(const TarvioPluginEvent* e) {
    return (int16_t)(uint16_t)(e->key | (e->value << 8));
}
static inline void tarvio_event_set_bend(TarvioPluginEvent* e, int16_t bend) {
    e->key = (uint8_t)((uint16_t)bend & 0xFF);
    e->value = (uint8_t)((uint16_t)bend >> 8);
}

/* Event node (24 bytes): the event at 0, the next node at 16. */
typedef struct TarvioPluginEventNode {
    TarvioPluginEvent event;
    struct TarvioPluginEventNode* next;
} TarvioPluginEventNode;

/* PluginEventList (32 bytes): head at 0, end marker at 8 (NULL: the value that ends the
 * chain), tail at 16, count (i32) at 24, 4 bytes of padding. */
typedef struct TarvioPluginEventList {
    TarvioPluginEventNode* head;
    TarvioPluginEventNode* end;
    TarvioPluginEventNode* tail;
    int32_t count;
    uint8_t pad[4];
} TarvioPluginEventList;

typedef struct TarvioPluginInstance TarvioPluginInstance;

/* The seven instance operations, in this order (56 bytes):
 *   0 destroy        flags bit 0: free the object; the host never calls it directly
 *   1 setParameters  copies the whole block; called after binding and after parameters change
 *   2 release        the instance destroys itself; called when its slot is rebound or
 *                    emptied, or its track is destroyed
 *   3 reset          switches the instance on and drops its pending events; the result is
 *                    ignored; called whenever the track's cursor is reset
 *   4 getName        the plug-in's name
 *   5 input          a note given to a switched-on instance (kind note, merge 0)
 *   6 pull           stores into *out the instance's list of the events due at or before tick
 *                    (taken from its pending events); called once per tick */
typedef struct TarvioPluginOps {
    void (*destroy)(TarvioPluginInstance* self, uint32_t flags);
    void (*setParameters)(TarvioPluginInstance* self, const TarvioParameterBlock* block);
    void (*release)(TarvioPluginInstance* self);
    int32_t (*reset)(TarvioPluginInstance* self);
    const char* (*getName)(TarvioPluginInstance* self);
    void (*input)(TarvioPluginInstance* self, const TarvioPluginEvent* event);
    void (*pull)(TarvioPluginInstance* self, uint32_t tick, TarvioPluginEventList** out);
} TarvioPluginOps;

/* The header every instance starts with (16 bytes; see the top of this file). */
struct TarvioPluginInstance {
    const TarvioPluginOps* ops;
    int32_t pending;
    uint8_t on;
    uint8_t reserved[3];
};

/* The exports, resolved by name. */
typedef void (*TarvioInitializeFn)(void);
typedef const TarvioPluginInfo* (*TarvioGetPluginInfoFn)(void);
typedef TarvioPluginInstance* (*TarvioCreateInstanceFn)(void);
typedef const TarvioParameterBlock* (*TarvioGetDefaultParametersFn)(void);

TARVIO_PLUGIN_EXPORT void initialize(void);
TARVIO_PLUGIN_EXPORT const TarvioPluginInfo* getPluginInfo(void);
TARVIO_PLUGIN_EXPORT TarvioPluginInstance* createInstance(void);
TARVIO_PLUGIN_EXPORT const TarvioParameterBlock* getDefaultParameters(void);

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(void*) == 8, "the interface is laid out for 64-bit pointers");

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioPluginInfo) == 32, "PluginInfo size");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginInfo, author) == 0, "PluginInfo.author");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginInfo, name) == 8, "PluginInfo.name");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginInfo, reserved) == 16, "PluginInfo.reserved");

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioParameterRecord) == 64, "ParameterRecord size");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, type) == 0, "ParameterRecord.type");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, name) == 4, "ParameterRecord.name");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, v.i.min) == 40, "ParameterRecord int min");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, v.i.max) == 44, "ParameterRecord int max");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, v.i.value) == 48, "ParameterRecord int value");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, v.i.extra) == 52, "ParameterRecord int extra");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, v.r.min) == 40, "ParameterRecord real min");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, v.r.max) == 48, "ParameterRecord real max");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterRecord, v.r.value) == 56, "ParameterRecord real value");

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioParameterBlock) == 16392, "ParameterBlock size");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterBlock, count) == 0, "ParameterBlock.count");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioParameterBlock, records) == 8, "ParameterBlock.records");

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioPluginEvent) == 16, "PluginEvent size");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEvent, kind) == 0, "PluginEvent.kind");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEvent, tick) == 4, "PluginEvent.tick");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEvent, key) == 8, "PluginEvent.key");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEvent, value) == 9, "PluginEvent.value");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEvent, gate) == 10, "PluginEvent.gate");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEvent, velocity) == 12, "PluginEvent.velocity");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEvent, merge) == 14, "PluginEvent.merge");

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioPluginEventNode) == 24, "event node size");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEventNode, next) == 16, "event node next");

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioPluginEventList) == 32, "PluginEventList size");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEventList, head) == 0, "PluginEventList.head");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEventList, end) == 8, "PluginEventList.end");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEventList, tail) == 16, "PluginEventList.tail");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginEventList, count) == 24, "PluginEventList.count");

TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioPluginOps) == 7 * sizeof(void*), "seven operations");
TARVIO_PLUGIN_STATIC_ASSERT(sizeof(TarvioPluginInstance) == 16, "instance header size");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginInstance, ops) == 0, "instance ops");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginInstance, pending) == 8, "instance pending count");
TARVIO_PLUGIN_STATIC_ASSERT(offsetof(TarvioPluginInstance, on) == 12, "instance switch");

#ifdef __cplusplus
}
#endif

#endif /* TARVIO_PLUGIN_H */
