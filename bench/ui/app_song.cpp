// Writes the song of 1,000,000 events that bench/app_startup.sh opens (16 tracks of 62,500
// events, mostly notes) to the path given (none or an option, as from bench/run.sh: a
// temporary file, removed afterwards), and prints its size and how long the document takes to
// open it here, without a window.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "app/document.h"
#include "app/fake_transport.h"
#include "io/song_file.h"
#include "model/song.h"

using namespace tarvio;

int main(int argc, char** argv) {
    const bool temporary = argc < 2 || argv[1][0] == '-';
    const std::string path = temporary ? "/tmp/tarvio_app_song_" + std::to_string(::getpid()) + ".tvo" : argv[1];
    constexpr int kTracks = 16, kEvents = 62500;
    {
        Song song;
        for (int t = 0; t < kTracks; ++t) {
            Track& tr = song.createTrack();
            tr.channel = uint8_t(t & 15);
            for (int i = 0; i < kEvents; ++i) {
                Event e;
                if (i % 8 == 7) e.setControl(uint8_t(1 + i % 11), uint8_t(i & 127));
                else e.setNote(uint8_t(36 + (i * 7) % 48), uint8_t(64 + i % 60), uint16_t(60 + i % 400));
                e.step = (i % 4) ? 0 : 120;
                tr.events.pushBack(std::move(e));
            }
        }
        std::string err;
        if (!writeSongFile(path, song, &err)) {
            std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), err.c_str());
            return 1;
        }
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    std::printf("song %s: %d events, %ld bytes (%.2f MiB)\n", path.c_str(), kTracks * kEvents, size,
                double(size) / (1 << 20));
    FakeTransport transport;
    Document doc(transport);
    const auto t0 = std::chrono::steady_clock::now();
    const FileResult r = doc.open(path, 480);
    const auto t1 = std::chrono::steady_clock::now();
    std::printf("document open %.1f ms (%s)\n", std::chrono::duration<double, std::milli>(t1 - t0).count(),
                r.ok ? "ok" : "failed");
    if (temporary) std::remove(path.c_str());
    return r.ok ? 0 : 1;
}
