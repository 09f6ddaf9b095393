#include "ops/edit_scope.h"

#include <atomic>

#include "model/track.h"

namespace tarvio {

namespace {
std::atomic<void (*)(bool)> g_hook{nullptr};
}

void setEditHook(void (*suspend)(bool enabled)) { g_hook.store(suspend); }

EditScope::EditScope(Track& track) : track_(track), hook_(g_hook.load()) {
    if (hook_) hook_(false);
    track_.openGroup();
}

EditScope::~EditScope() {
    track_.closeGroup();
    track_.resetFlag = 1;
    if (hook_) hook_(true);
}

}  // namespace tarvio
