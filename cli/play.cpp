#include "cli/play.h"

#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <exception>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

#include "cli/commands.h"
#include "cli/output.h"
#include "engine/clock_thread.h"
#include "engine/metronome.h"
#include "engine/mtc_out.h"
#include "engine/player.h"
#include "engine/ports.h"
#include "model/musical_time.h"
#include "model/song.h"

namespace tarvio::cli {

namespace {

constexpr int kMtcOutPort = 255;
constexpr size_t kSendLogBytes = size_t(16) << 20;
constexpr long kLoopNs = 20 * 1000000L;

volatile sig_atomic_t gInterrupted = 0;

void onSignal(int) { gInterrupted = 1; }

double monotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Every message the engine hands to the port layer, kept in a preallocated ring by the clock
// thread (no allocation, no lock) and written out as text by the main thread.
class SendLog final : public SendObserver {
public:
    // Touched once here, so that the clock thread never takes a page fault on it.
    SendLog() : buf_(new uint8_t[kSendLogBytes]()) {}

    void handed(int port, const uint8_t* bytes, uint32_t count) override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        const Header h{uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u, int32_t(port), count};
        const uint64_t head = head_.load(std::memory_order_relaxed);
        const uint64_t need = sizeof h + count;
        if (kSendLogBytes - (head - tail_.load(std::memory_order_acquire)) < need) {
            dropped_.fetch_add(1, std::memory_order_relaxed);
            return;
        }
        put(head, &h, sizeof h);
        put(head + sizeof h, bytes, count);
        head_.store(head + need, std::memory_order_release);
    }

    // "MICROSECONDS PORT HEX.." per message.
    void drain(Output& out) {
        uint64_t tail = tail_.load(std::memory_order_relaxed);
        const uint64_t head = head_.load(std::memory_order_acquire);
        while (tail < head) {
            Header h;
            get(tail, &h, sizeof h);
            tail += sizeof h;
            bytes_.resize(h.count);
            get(tail, bytes_.data(), h.count);
            tail += h.count;
            out.dec(int64_t(h.us));
            out.put(' ');
            out.dec(h.port);
            for (uint8_t b : bytes_) {
                out.put(' ');
                out.hex2(b);
            }
            out.put('\n');
        }
        tail_.store(tail, std::memory_order_release);
    }

    uint64_t dropped() const { return dropped_.load(); }

private:
    struct Header {
        uint64_t us;
        int32_t port;
        uint32_t count;
    };
    void put(uint64_t at, const void* p, size_t n) {
        const auto* s = static_cast<const uint8_t*>(p);
        for (size_t i = 0; i < n; ++i) buf_[(at + i) % kSendLogBytes] = s[i];
    }
    void get(uint64_t at, void* p, size_t n) const {
        auto* d = static_cast<uint8_t*>(p);
        for (size_t i = 0; i < n; ++i) d[i] = buf_[(at + i) % kSendLogBytes];
    }

    std::unique_ptr<uint8_t[]> buf_;
    std::atomic<uint64_t> head_{0}, tail_{0}, dropped_{0};
    std::vector<uint8_t> bytes_;
};

bool parseInt(std::string_view text, int64_t lo, int64_t hi, int64_t& v) {
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    return !text.empty() && r.ec == std::errc() && r.ptr == text.data() + text.size() && v >= lo && v <= hi;
}

// "PORT=DEVICE" or "FIRST-LAST=DEVICE".
bool parseMap(const std::string& text, int& first, int& last, int32_t& device, std::string& err) {
    const size_t eq = text.find('=');
    int64_t a = 0, b = 0, d = 0;
    bool ok = eq != std::string::npos;
    if (ok) {
        const std::string_view ports = std::string_view(text).substr(0, eq);
        const size_t dash = ports.find('-');
        if (dash == std::string_view::npos) {
            ok = parseInt(ports, 0, kPortCount - 1, a);
            b = a;
        } else {
            ok = parseInt(ports.substr(0, dash), 0, kPortCount - 1, a) &&
                 parseInt(ports.substr(dash + 1), 0, kPortCount - 1, b) && a <= b;
        }
        ok = ok && parseInt(std::string_view(text).substr(eq + 1), 0, INT32_MAX, d);
    }
    if (!ok) {
        err = "bad --map '" + text + "' (expected PORT=DEVICE or FIRST-LAST=DEVICE, ports 0 to 255)";
        return false;
    }
    first = int(a);
    last = int(b);
    device = int32_t(d);
    return true;
}

// Every port on device 0 unless mapped; a device that failed to open is not tried again.
bool openPorts(const Options& opts, std::string& err) {
    std::vector<int32_t> device(kPortCount, 0);
    for (const std::string& m : opts.maps) {
        int first = 0, last = 0;
        int32_t d = 0;
        if (!parseMap(m, first, last, d, err)) return false;
        for (int p = first; p <= last; ++p) device[size_t(p)] = d;
    }
    if (opts.mtcOut) device[kMtcOutPort] = *opts.mtcOut;
    for (int32_t d : device) {
        if (d >= outDeviceCount()) {
            err = "there is no output device " + std::to_string(d) + " (see tarvio-cli devices)";
            return false;
        }
    }
    std::set<int32_t> failed;
    for (int p = 0; p < kPortCount; ++p) {
        closeOut(p);
        setOutDevice(p, device[size_t(p)]);
        if (failed.count(device[size_t(p)])) continue;
        if (!openOut(p)) failed.insert(device[size_t(p)]);
    }
    return true;
}

void showPosition(bool terminal) {
    const uint32_t ms = playTimeMs();
    std::fprintf(stderr, "%sMEAS   %5d:%2d:%5d  TIME   %3d:%02d:%03d%s", terminal ? "\r" : "", playerMeasure() + 1,
                 playerBeat() + 1, playerTickInMeasure(), int(ms / 60000), int(ms / 1000 % 60), int(ms % 1000),
                 terminal ? "" : "\n");
}

}  // namespace

bool parseSongPosition(const Song& song, const std::string& text, bool plainTick, int32_t& tick, std::string& err) {
    const size_t colon = text.find(':');
    int64_t a = 0, b = 0;
    bool ok;
    if (colon == std::string::npos) {
        ok = parseInt(text, plainTick ? 0 : 1, INT32_MAX, a);
        if (ok) tick = plainTick ? int32_t(a) : measureToTick(song, int32_t(a - 1));
    } else {
        ok = parseInt(std::string_view(text).substr(0, colon), 1, INT32_MAX, a) &&
             parseInt(std::string_view(text).substr(colon + 1), 0, INT32_MAX, b);
        if (ok) tick = int32_t(std::min<int64_t>(int64_t(measureToTick(song, int32_t(a - 1))) + b, INT32_MAX));
    }
    if (!ok) err = "bad position '" + text + "' (expected " + (plainTick ? "TICK or " : "") + "MEASURE[:TICK], measures from 1)";
    return ok;
}

int playCommand(const Options& opts, std::string& err) {
    Song song;
    if (!openSong(opts.args[0], opts, song, err)) return kFailed;

    int32_t from = 0, loopBegin = 0, loopEnd = 0;
    if (opts.from && !parseSongPosition(song, *opts.from, false, from, err)) return kUsage;
    if (opts.loop) {
        const std::string& l = *opts.loop;
        const size_t dash = l.find('-');
        if (dash == std::string::npos) {
            err = "bad --loop '" + l + "' (expected BEGIN-END)";
            return kUsage;
        }
        if (!parseSongPosition(song, l.substr(0, dash), true, loopBegin, err) ||
            !parseSongPosition(song, l.substr(dash + 1), true, loopEnd, err))
            return kUsage;
    }

    std::unique_ptr<Output> sendsOut;
    int sendsFd = -1;
    SendLog sendLog;
    if (opts.sends) {
        const int fd = ::open(opts.sends->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            err = "cannot write " + *opts.sends;
            return kFailed;
        }
        sendsFd = fd;
        sendsOut = std::make_unique<Output>(fd);
    }

    createPorts();
    if (!openPorts(opts, err)) return kUsage;

    setSong(&song);
    if (opts.metronome) {
        MetronomeSettings m = metronome();
        m.on = 1;
        setMetronome(m);
    }
    if (opts.mtcOut) {
        setMtcOutPort(kMtcOutPort);
        setMtcOutput(true);
    }
    if (opts.loop) {
        setLoop(loopBegin, loopEnd);
        setLoopOn(true);
    }
    locate(from);
    if (sendsOut) setSendObserver(&sendLog);

    struct sigaction sa{}, oldInt{}, oldTerm{};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &oldInt);
    sigaction(SIGTERM, &sa, &oldTerm);
    gInterrupted = 0;

    const bool terminal = ::isatty(2);
    const double started = monotonicSeconds();
    try {
        startEngine();
    } catch (const std::exception& e) {
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
        setSendObserver(nullptr);
        setSong(nullptr);
        closeAllPorts();
        err = e.what();
        return kFailed;
    }
    if (!opts.idle) startPlay(0);

    double lastShown = -1;
    const double showEvery = terminal ? 0.25 : 1.0;
    while (!gInterrupted) {
        const timespec pause{0, kLoopNs};
        nanosleep(&pause, nullptr);
        const double now = monotonicSeconds() - started;
        if (sendsOut) sendLog.drain(*sendsOut);
        if (now - lastShown >= showEvery) {
            showPosition(terminal);
            lastShown = now;
        }
        if (opts.seconds && now >= *opts.seconds) break;
        if (!opts.idle && !playerPlaying() && !playerStarting()) break;
        if (!opts.idle && !opts.loop && playerSongFinished()) break;
    }
    const double cpu = clockThreadCpuSeconds();
    const double wall = monotonicSeconds() - started;
    shutdownEngine();
    showPosition(terminal);
    if (terminal) std::fputc('\n', stderr);

    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    setSendObserver(nullptr);
    setSong(nullptr);
    closeAllPorts();

    if (opts.cpu)
        std::fprintf(stderr, "tarvio-cli: clock thread CPU %.3f s in %.3f s (%.2f%% of a core)\n", cpu, wall,
                     wall > 0 ? 100.0 * cpu / wall : 0.0);
    if (sendsOut) {
        sendLog.drain(*sendsOut);
        if (sendLog.dropped())
            std::fprintf(stderr, "tarvio-cli: %llu sends not written (the log filled up)\n",
                         static_cast<unsigned long long>(sendLog.dropped()));
        const bool written = sendsOut->flush();
        sendsOut.reset();
        if (::close(sendsFd) != 0 || !written) {
            err = "cannot write " + *opts.sends;
            return kFailed;
        }
    }
    return kOk;
}

}  // namespace tarvio::cli
