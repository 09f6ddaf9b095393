#include "plugin/host.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <system_error>

#include "io/file_util.h"
#include "io/song_file.h"
#include "model/track.h"
#include "plugin/tarvio_plugin.h"

namespace tarvio {

namespace {

struct PluginRecord {
    void* handle = nullptr;
    const TarvioPluginInfo* info = nullptr;
    TarvioCreateInstanceFn create = nullptr;
    TarvioGetPluginInfoFn getInfo = nullptr;
    TarvioInitializeFn init = nullptr;
    TarvioGetDefaultParametersFn defaults = nullptr;  // optional
    std::string file;
    std::string identity;  // canonical path, so that loading a folder twice adds nothing
};

// Binding runs on the user-interface thread while the clock thread never touches the
// registry; the lock only keeps concurrent loads and listings from tearing it.
std::mutex g_mutex;
std::vector<std::unique_ptr<PluginRecord>> g_registry;

// The host's log follows the engine's rule: stderr when TARVIO_LOG is set, nowhere otherwise.
__attribute__((format(printf, 1, 2))) void hostLog(const char* fmt, ...) {
    if (!std::getenv("TARVIO_LOG")) return;
    char line[1024];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(line, sizeof line, fmt, ap);
    va_end(ap);
    std::fprintf(stderr, "[PLUGIN] %s\n", line);
}

template <class F>
F resolve(void* handle, const char* name) {
    return reinterpret_cast<F>(dlsym(handle, name));
}

const char* text(const char* s) { return s ? s : ""; }

// Lookup by exact name; the first loaded wins. Caller holds the lock.
const PluginRecord* lookup(const std::string& name) {
    for (const auto& r : g_registry)
        if (name == text(r->info->name)) return r.get();
    return nullptr;
}

void loadOne(const std::filesystem::path& path, const std::string& identity) {
    const std::string file = path.string();
    void* h = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* why = dlerror();
        hostLog("skipped %s: cannot load (%s)", file.c_str(), why ? why : "unknown error");
        return;
    }
    auto rec = std::make_unique<PluginRecord>();
    rec->handle = h;
    rec->file = file;
    rec->identity = identity;
    rec->init = resolve<TarvioInitializeFn>(h, "initialize");
    rec->create = resolve<TarvioCreateInstanceFn>(h, "createInstance");
    rec->getInfo = resolve<TarvioGetPluginInfoFn>(h, "getPluginInfo");
    rec->defaults = resolve<TarvioGetDefaultParametersFn>(h, "getDefaultParameters");
    const char* missing = !rec->init       ? "initialize"
                          : !rec->create   ? "createInstance"
                          : !rec->getInfo  ? "getPluginInfo"
                                           : nullptr;
    if (missing) {
        hostLog("skipped %s: no export %s", file.c_str(), missing);
        dlclose(h);
        return;
    }
    rec->init();
    rec->info = rec->getInfo();
    // A plug-in without a name could never be bound or stored.
    if (!rec->info || !rec->info->name) {
        hostLog("skipped %s: no plug-in information", file.c_str());
        dlclose(h);
        return;
    }
    hostLog("loaded %s: \"%s\" by \"%s\"", file.c_str(), rec->info->name, text(rec->info->author));
    g_registry.push_back(std::move(rec));
}

void bindSeam(PluginSlot& slot) { bindPluginSlot(slot); }
int32_t countSeam(const PluginSlot& slot) { return pluginParameterCount(slot); }
void setParametersSeam(PluginSlot& slot) {
    if (slot.instance && slot.block)
        slot.instance->ops->setParameters(slot.instance,
                                          reinterpret_cast<const TarvioParameterBlock*>(slot.block.get()));
}

}  // namespace

void installPluginSlotHost() {
    PluginSlotHost host;
    host.bind = bindSeam;
    host.parameterCount = countSeam;
    host.setParameters = setParametersSeam;
    setPluginSlotHost(host);
}

void loadPlugins(const std::string& folder) {
    installPluginSlotHost();
    namespace fs = std::filesystem;
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (p.extension() == ".so" && it->is_regular_file(ec)) files.push_back(p);
    }
    std::sort(files.begin(), files.end(),
              [](const fs::path& a, const fs::path& b) { return a.filename() < b.filename(); });
    std::lock_guard<std::mutex> lock(g_mutex);
    for (const fs::path& p : files) {
        std::string identity = fs::weakly_canonical(p, ec).string();
        if (ec) identity = p.string();
        bool known = std::any_of(g_registry.begin(), g_registry.end(),
                                 [&](const auto& r) { return r->identity == identity; });
        if (!known) loadOne(p, identity);
    }
}

void loadProgramPlugins() { loadPlugins(programFolder() + "/plugin"); }

void unloadPlugins() {
    std::lock_guard<std::mutex> lock(g_mutex);
    for (auto& r : g_registry) dlclose(r->handle);
    g_registry.clear();
}

std::vector<PluginEntry> listPlugins() {
    std::lock_guard<std::mutex> lock(g_mutex);
    std::vector<PluginEntry> out;
    for (const auto& r : g_registry) out.push_back({text(r->info->name), text(r->info->author), r->file});
    return out;
}

std::optional<PluginEntry> findPlugin(const std::string& name) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const PluginRecord* r = lookup(name);
    if (!r) return std::nullopt;
    return PluginEntry{text(r->info->name), text(r->info->author), r->file};
}

bool bindPluginSlot(PluginSlot& slot) {
    std::string name = std::move(slot.name);
    slot.clear();
    slot.name = std::move(name);  // kept even when missing, so that it can be shown as such
    std::lock_guard<std::mutex> lock(g_mutex);
    const PluginRecord* r = lookup(slot.name);
    if (!r) return false;
    slot.instance = r->create();
    if (!slot.instance) return false;
    ParameterBlock& block = slot.ensureBlock();
    if (r->defaults) {
        if (const TarvioParameterBlock* def = r->defaults()) {
            slot.instance->ops->setParameters(slot.instance, def);
            std::memcpy(static_cast<void*>(&block), def, sizeof(ParameterBlock));
        }
    }
    return true;
}

bool bindPluginSlot(Track& track, int s, const std::string& name) {
    if (s < 0 || s > 3) return false;
    track.slots[s].name = name;
    return bindPluginSlot(track.slots[s]);
}

void clearPluginSlot(Track& track, int s) {
    if (s >= 0 && s <= 3) track.slots[s].clear();
}

int pluginParameterCount(const PluginSlot& slot) {
    std::lock_guard<std::mutex> lock(g_mutex);
    const PluginRecord* r = lookup(slot.name);
    if (r && r->defaults)
        if (const TarvioParameterBlock* def = r->defaults()) return def->count;
    return slot.params().count;
}

}  // namespace tarvio
