// tarvio-cli: inspect, expand and convert songs without the user interface. It links neither
// the device stack nor the plug-in host: the commands that need them run in tarvio-cli-full,
// which it hands them to.
#include "cli/commands.h"

int main(int argc, char** argv) { return tarvio::cli::cliMain(argc, argv); }
