/* Test plug-ins built from one source: with FAKE_NO_INFO a library lacking getPluginInfo;
 * otherwise an impostor that calls itself "tarvio Echo", plays nothing and counts its live
 * instances so that tests can see every instance released. */
#include <stdlib.h>

#include "tarvio_plugin.h"

static int g_live;

TARVIO_PLUGIN_EXPORT int fakeLiveInstances(void) { return g_live; }

static void fakeDestroy(TarvioPluginInstance* self, uint32_t flags) {
    --g_live;
    if (flags & 1) free(self);
}
static void fakeSetParameters(TarvioPluginInstance* self, const TarvioParameterBlock* block) {
    (void)self;
    (void)block;
}
static void fakeRelease(TarvioPluginInstance* self) { fakeDestroy(self, 1); }
static int32_t fakeReset(TarvioPluginInstance* self) {
    self->on = 1;
    return 0;
}
static const char* fakeGetName(TarvioPluginInstance* self) {
    (void)self;
    return "tarvio Echo";
}
static void fakeInput(TarvioPluginInstance* self, const TarvioPluginEvent* e) {
    (void)self;
    (void)e;
}
static TarvioPluginEventList g_empty;
static void fakePull(TarvioPluginInstance* self, uint32_t tick, TarvioPluginEventList** out) {
    (void)self;
    (void)tick;
    *out = &g_empty;
}
static const TarvioPluginOps kOps = {fakeDestroy, fakeSetParameters, fakeRelease, fakeReset,
                                     fakeGetName, fakeInput,         fakePull};

TARVIO_PLUGIN_EXPORT void initialize(void) {}

#ifndef FAKE_NO_INFO
static const TarvioPluginInfo kInfo = {"impostor", "tarvio Echo", {0, 0}};
TARVIO_PLUGIN_EXPORT const TarvioPluginInfo* getPluginInfo(void) { return &kInfo; }
#endif

TARVIO_PLUGIN_EXPORT TarvioPluginInstance* createInstance(void) {
    TarvioPluginInstance* self = (TarvioPluginInstance*)calloc(1, sizeof *self);
    if (!self) return NULL;
    self->ops = &kOps;
    self->on = 1;
    ++g_live;
    return self;
}
