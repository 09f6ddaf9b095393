// Runs a built program of the project and captures its output.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace clitest {

// A fresh folder for one test, removed afterwards.
class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "tarvio-cli-test-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) throw std::runtime_error("cannot create a temporary folder");
        dir_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

private:
    std::string dir_;
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

struct RunResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out, err;
};

inline std::string shellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// env holds arguments for env(1) placed before the program ("-u", "NAME" or "NAME=VALUE").
inline RunResult run(const std::string& program, const std::vector<std::string>& args,
                     const std::vector<std::string>& env = {}) {
    TempDir dir;
    std::string cmd = env.empty() ? "" : "env ";
    for (const std::string& e : env) cmd += shellQuote(e) + " ";
    cmd += shellQuote(program);
    for (const std::string& a : args) cmd += " " + shellQuote(a);
    cmd += " >" + shellQuote(dir.path("out")) + " 2>" + shellQuote(dir.path("err")) + " </dev/null";
    int status = std::system(cmd.c_str());
    RunResult r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(dir.path("out"));
    r.err = readFile(dir.path("err"));
    return r;
}

inline RunResult runCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
    return run(TARVIO_CLI_PATH, args, env);
}

// Writes a Standard MIDI File with csvmidi, as another program would. False when csvmidi is
// not installed or refuses the text.
inline bool csvmidi(const TempDir& dir, const std::string& csv, const std::string& mid) {
    if (::access("/usr/bin/csvmidi", X_OK) != 0) return false;
    std::ofstream(dir.path("in.csv")) << csv;
    return run("/usr/bin/csvmidi", {dir.path("in.csv"), mid}).status == 0;
}

}  // namespace clitest
