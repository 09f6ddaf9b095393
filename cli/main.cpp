// tarvio-cli: inspect, expand and convert songs without the user interface.
#include <unistd.h>

#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "cli/output.h"

namespace {

int fail(int status, const std::string& message) {
    std::string line = "tarvio-cli: " + message + "\n";
    ssize_t w = ::write(2, line.data(), line.size());
    (void)w;
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvio::cli;
    Options opts;
    std::string err;
    if (!parseArgs(argc, argv, opts, err)) return fail(kUsage, err);
    Output out(1);
    if (opts.help) {
        out.write(kUsageText);
    } else if (int status = runCommand(opts, out, err); status != kOk) {
        out.flush();
        return fail(status, err);
    }
    if (!out.flush()) return fail(kFailed, std::string("cannot write the output: ") + std::strerror(out.error()));
    return kOk;
}
