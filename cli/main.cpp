// tarvio-cli: inspect, expand and convert songs without the user interface. It links neither the
// plug-in loader nor the device stack: the commands that need them run in tarvio-cli-plugins
// and tarvio-cli-devices, which it hands them to.
#include "cli/commands.h"

int main(int argc, char** argv) { return tarvio::cli::cliMain(argc, argv); }
