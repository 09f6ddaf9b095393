// The plug-in host: loads the libraries of the program's plugin folder, binds track slots
// to instances, and drives them for the emitter.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tarvio {

class Track;
struct PluginSlot;

struct PluginEntry {
    std::string name;    // the plug-in's identity, stored in songs
    std::string author;
    std::string file;    // library path
};

// Loads every "*.so" of folder (normally programFolder() + "/plugin") into the process-wide
// registry, in file-name order. A library that fails to load or lacks a required export is
// skipped with a log line. Calling it again adds nothing already loaded.
// Also installs the host into the song file reader and writer (installPluginSlotHost).
void loadPlugins(const std::string& folder);
// The registry in load order.
std::vector<PluginEntry> listPlugins();
// Loads programFolder() + "/plugin" (what tarvio and tarvio-cli do at start).
void loadProgramPlugins();
// Unloads every library and empties the registry, as the program does at exit. Every
// instance must have been released before (songs destroyed or slots cleared).
void unloadPlugins();

// The first loaded plug-in of that name.
std::optional<PluginEntry> findPlugin(const std::string& name);

// Binds slot s of track to the plug-in named name: the old instance is released, the name
// stored (also when no plug-in has it), and when the plug-in exists an instance is created
// and given the plug-in's default parameters, which also become the slot's block.
// Returns true when the slot holds an instance afterwards.
bool bindPluginSlot(Track& track, int s, const std::string& name);
// The same for a slot whose name is already set.
bool bindPluginSlot(PluginSlot& slot);
// Releases the instance of slot s and frees the slot.
void clearPluginSlot(Track& track, int s);
// The parameter count of the slot's plug-in: its default block's count, else the slot's own.
int pluginParameterCount(const PluginSlot& slot);

// Lets the song file bind slots by name and write them with their plug-in's parameter count.
void installPluginSlotHost();

}  // namespace tarvio
