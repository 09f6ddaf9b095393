#include "ops/edit_scope.h"

#include <atomic>

#include "model/song.h"

namespace tarvio {

namespace {
std::atomic<void (*)(bool)> g_hook{nullptr};
// Scopes nest (a song scope around list scopes): only the outermost holds the player off, so
// that it cannot run between the lists of one edit.
thread_local int g_depth = 0;

using Hook = void (*)(bool);

Hook enter() {
    Hook h = g_depth++ == 0 ? g_hook.load() : nullptr;
    if (h) h(false);
    return h;
}

void leave(Hook h) {
    --g_depth;
    if (h) h(true);
}
}  // namespace

void setEditHook(void (*suspend)(bool enabled)) { g_hook.store(suspend); }

EditScope::EditScope(Track& track) : track_(track), hook_(enter()) { track_.openGroup(); }

EditScope::~EditScope() {
    track_.closeGroup();
    track_.resetFlag = 1;
    leave(hook_);
}

SongEditScope::SongEditScope(Song& song) : song_(song), hook_(enter()) { song_.openGroup(); }

SongEditScope::~SongEditScope() {
    song_.closeGroup();
    leave(hook_);
}

}  // namespace tarvio
