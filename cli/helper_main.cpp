// The helper programs of tarvio-cli, which replaces itself with them for the commands that need
// what it lacks; each runs every command the same way as tarvio-cli.
// tarvio-cli-plugins: with the plug-in loader, for the commands that play or write a song file.
// tarvio-cli-devices (built with TARVIO_CLI_DEVICES): with the device stack too, for play,
// render and devices.
#include "cli/commands.h"
#include "plugin/host.h"
#ifdef TARVIO_CLI_DEVICES
#include "cli/device_commands.h"
#endif

namespace {

// NAME<TAB>AUTHOR<TAB>FILE per plug-in, in load order.
void listProgramPlugins(tarvio::cli::Output& out) {
    tarvio::loadProgramPlugins();
    for (const tarvio::PluginEntry& p : tarvio::listPlugins()) {
        out.write(p.name);
        out.put('\t');
        out.write(p.author);
        out.put('\t');
        out.write(p.file);
        out.put('\n');
    }
}

}  // namespace

int main(int argc, char** argv) {
    tarvio::cli::Extensions ext;
    ext.loadPlugins = &tarvio::loadProgramPlugins;
    ext.listPlugins = &listProgramPlugins;
#ifdef TARVIO_CLI_DEVICES
    ext.runDevices = &tarvio::cli::runDeviceCommand;
#endif
    tarvio::cli::setExtensions(ext);
    return tarvio::cli::cliMain(argc, argv);
}
