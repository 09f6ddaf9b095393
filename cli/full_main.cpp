// tarvio-cli-full: tarvio-cli with the device stack and the plug-in host. tarvio-cli replaces
// itself with this program for the commands that need them; it runs every command the same way.
#include "cli/commands.h"
#include "cli/full_commands.h"
#include "plugin/host.h"

int main(int argc, char** argv) {
    tarvio::cli::FullProgram full;
    full.run = &tarvio::cli::runFullCommand;
    full.loadPlugins = &tarvio::loadProgramPlugins;
    tarvio::cli::setFullProgram(full);
    return tarvio::cli::cliMain(argc, argv);
}
