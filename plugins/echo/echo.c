/* tarvioEcho: for every note it receives, the note itself and a train of later repeats whose
 * velocity, pitch and spacing change step by step. Built only against tarvio_plugin.h. */
#include <errno.h>
#include <stdlib.h>
#include <string.h>

#include "tarvio_plugin.h"

enum { VELOCITY_DECAY, MAX_ECHO_NUM, DELAY, DELAY_DECAY, PITCH_DECAY, PARAM_COUNT };

static const struct {
    const char* name;
    int32_t min, max, def;
} kParams[PARAM_COUNT] = {
    {"Velocity Decay", -128, 127, -12}, {"Max Echo Num", 1, 16, 16},   {"Delay", 0, 1920, 360},
    {"Delay Decay", -1920, 1920, 0},    {"Pitch Decay", -24, 24, 0},
};

static const char kName[] = "tarvio Echo";
static const TarvioPluginInfo kInfo = {"ostrand", kName, {0, 0}};
static TarvioParameterBlock g_defaults;

typedef struct Echo {
    TarvioPluginInstance header;
    TarvioPluginEventList pending; /* sorted by tick */
    TarvioPluginEventList output;  /* what the last pull returned */
    TarvioParameterBlock params;
} Echo;

static void listInit(TarvioPluginEventList* l) {
    l->head = l->tail = l->end = NULL;
    l->count = 0;
}

static void listFree(TarvioPluginEventList* l) {
    TarvioPluginEventNode* n = l->head;
    while (n != l->end) {
        TarvioPluginEventNode* next = n->next;
        free(n);
        n = next;
    }
    listInit(l);
}

static int sameSlot(const TarvioPluginEvent* a, const TarvioPluginEvent* b) {
    if (a->tick != b->tick || a->kind != b->kind) return 0;
    if (a->kind == TARVIO_EVENT_NOTE || a->kind == TARVIO_EVENT_CONTROL) return a->key == b->key;
    return 1;
}

/* Keeps the list ordered by tick with at most one event per tick, kind and key: an event
 * replaces its match and goes after every event of its tick. */
static void insert(Echo* self, const TarvioPluginEvent* e) {
    TarvioPluginEventList* l = &self->pending;
    TarvioPluginEventNode* node = (TarvioPluginEventNode*)malloc(sizeof *node);
    if (!node) return; /* dropping one event is all that an exhausted heap costs */
    node->event = *e;
    TarvioPluginEventNode* prev = NULL;
    TarvioPluginEventNode* cur = l->head;
    while (cur != l->end) {
        if (sameSlot(&cur->event, e)) {
            TarvioPluginEventNode* next = cur->next;
            if (prev) prev->next = next;
            else l->head = next;
            if (l->tail == cur) l->tail = prev;
            free(cur);
            --l->count;
            cur = next;
            continue;
        }
        if (cur->event.tick > e->tick) break;
        prev = cur;
        cur = cur->next;
    }
    node->next = cur;
    if (prev) prev->next = node;
    else l->head = node;
    if (cur == l->end) l->tail = node;
    ++l->count;
    self->header.pending = l->count;
}

/* A parameter's value held to its range, so that a block the host did not clamp cannot
 * make a train of billions of repeats. */
static int32_t param(const Echo* self, int k) {
    if (k >= self->params.count) return 0;
    int32_t v = self->params.records[k].v.i.value;
    if (v < kParams[k].min) v = kParams[k].min;
    if (v > kParams[k].max) v = kParams[k].max;
    return v;
}

static void echoDestroy(TarvioPluginInstance* inst, uint32_t flags) {
    Echo* self = (Echo*)inst;
    listFree(&self->pending);
    listFree(&self->output);
    self->header.pending = 0;
    if (flags & 1) free(self);
}

static void echoSetParameters(TarvioPluginInstance* inst, const TarvioParameterBlock* block) {
    memcpy(&((Echo*)inst)->params, block, sizeof(TarvioParameterBlock));
}

static void echoRelease(TarvioPluginInstance* inst) { echoDestroy(inst, 1); }

static int32_t echoReset(TarvioPluginInstance* inst) {
    Echo* self = (Echo*)inst;
    self->header.on = 1;
    listFree(&self->pending); /* the output list lives until the next pull */
    self->header.pending = 0;
    return 0;
}

static const char* echoGetName(TarvioPluginInstance* inst) {
    (void)inst;
    return kName;
}

static void echoInput(TarvioPluginInstance* inst, const TarvioPluginEvent* e) {
    Echo* self = (Echo*)inst;
    if (e->kind > TARVIO_EVENT_CHANNEL_PRESSURE) return;
    TarvioPluginEvent copy = *e;
    copy.merge = 1;
    insert(self, &copy);
    if (e->kind != TARVIO_EVENT_NOTE) return;

    int32_t V = param(self, VELOCITY_DECAY), N = param(self, MAX_ECHO_NUM), D = param(self, DELAY);
    int32_t DD = param(self, DELAY_DECAY), P = param(self, PITCH_DECAY);
    /* Ticks are computed without wrapping; a repeat that would fall before tick 0 is due at once. */
    int64_t t = e->tick, s = 0;
    int32_t n = e->key, v = e->velocity;
    for (int32_t i = 0; i < N; ++i) {
        t += D + s;
        n += P;
        v += V;
        if (v > 127) v = 127;
        if (n >= 0 && n <= 127 && v > 0) {
            TarvioPluginEvent r = *e;
            r.tick = (uint32_t)(t < 0 ? 0 : t > (int64_t)UINT32_MAX ? (int64_t)UINT32_MAX : t);
            r.key = (uint8_t)n;
            r.velocity = (uint8_t)v;
            r.merge = 0;
            insert(self, &r);
        }
        s += DD;
    }
}

static void echoPull(TarvioPluginInstance* inst, uint32_t tick, TarvioPluginEventList** out) {
    Echo* self = (Echo*)inst;
    TarvioPluginEventList* p = &self->pending;
    TarvioPluginEventList* o = &self->output;
    listFree(o);
    /* The pending list is sorted, so the due events are a prefix of it. */
    while (p->head != p->end && p->head->event.tick <= tick) {
        TarvioPluginEventNode* n = p->head;
        p->head = n->next;
        if (p->head == p->end) p->tail = NULL;
        --p->count;
        n->next = o->end;
        if (o->tail) o->tail->next = n;
        else o->head = n;
        o->tail = n;
        ++o->count;
    }
    self->header.pending = p->count;
    *out = o;
}

static const TarvioPluginOps kOps = {echoDestroy, echoSetParameters, echoRelease, echoReset,
                                     echoGetName, echoInput,         echoPull};

TARVIO_PLUGIN_EXPORT void initialize(void) {
    memset(&g_defaults, 0, sizeof g_defaults);
    for (int k = 0; k < PARAM_COUNT && g_defaults.count < 255; ++k) {
        TarvioParameterRecord* r = &g_defaults.records[g_defaults.count++];
        r->type = TARVIO_PARAM_INTEGER;
        strncpy(r->name, kParams[k].name, TARVIO_PARAM_NAME_SIZE);
        r->v.i.min = kParams[k].min;
        r->v.i.max = kParams[k].max;
        r->v.i.value = kParams[k].def;
        r->v.i.extra = 0;
    }
}

TARVIO_PLUGIN_EXPORT const TarvioPluginInfo* getPluginInfo(void) { return &kInfo; }

TARVIO_PLUGIN_EXPORT const TarvioParameterBlock* getDefaultParameters(void) { return &g_defaults; }

TARVIO_PLUGIN_EXPORT TarvioPluginInstance* createInstance(void) {
    Echo* self = (Echo*)calloc(1, sizeof(Echo));
    if (!self) {
        errno = ENOMEM;
        return NULL;
    }
    self->header.ops = &kOps;
    self->header.on = 1;
    listInit(&self->pending);
    listInit(&self->output);
    return &self->header;
}
