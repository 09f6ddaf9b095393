#include "engine/render.h"

#include <fcntl.h>
#include <fluidsynth.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "engine/drivers/library_log.h"
#include "expand/emitter.h"
#include "expand/song_play.h"
#include "model/song.h"

namespace tarvio {

namespace {

// Same arithmetic as tickToMs, so that both give identical milliseconds.
double segmentMs(int64_t ticks, int tpqn, int tempo) {
    if (tpqn <= 0 || tempo <= 0) return 0;
    return double(ticks) * 60000.0 / tpqn / tempo;
}

constexpr int kBlockFrames = 4096;
constexpr int64_t kTailFrames = msToFrame(kRenderTailMs);
// A RIFF file counts its size in 32 bits.
constexpr int64_t kMaxFrames = (int64_t(0xFFFFFFFF) - 36) / (2 * kRenderChannels);

void setErrno(std::string& err, const std::string& what, const std::string& path, int code) {
    err = what + " " + path + ": " + std::strerror(code);
}

void putLE(uint8_t* p, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = uint8_t(v >> (8 * i));
}

// A WAV file written as it is rendered, under a temporary name until finish() renames it.
class WavFile {
public:
    ~WavFile() {
        if (fd_ >= 0) {
            ::close(fd_);
            ::unlink(tmp_.c_str());
        }
    }

    bool open(const std::string& path, std::string& err) {
        path_ = path;
        tmp_ = path + ".tmp-" + std::to_string(::getpid());
        fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (fd_ < 0) {
            setErrno(err, "cannot write", path, errno);
            return false;
        }
        // A replaced file keeps its permissions.
        struct stat old;
        if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) (void)::fchmod(fd_, old.st_mode & 07777);
        uint8_t header[44] = {};
        return writeAll(header, sizeof header) || fail(err);
    }

    bool write(int16_t* samples, int frames) {
        if constexpr (std::endian::native == std::endian::big) {
            for (int i = 0; i < frames * kRenderChannels; ++i)
                samples[i] = int16_t(uint16_t(samples[i]) >> 8 | uint16_t(samples[i]) << 8);
        }
        frames_ += frames;
        return writeAll(samples, size_t(frames) * kRenderChannels * 2);
    }

    bool finish(std::string& err) {
        const uint32_t data = uint32_t(frames_ * kRenderChannels * 2);
        uint8_t h[44];
        std::memcpy(h, "RIFF", 4);
        putLE(h + 4, 36 + data, 4);
        std::memcpy(h + 8, "WAVEfmt ", 8);
        putLE(h + 16, 16, 4);
        putLE(h + 20, 1, 2);  // PCM
        putLE(h + 22, kRenderChannels, 2);
        putLE(h + 24, kRenderRate, 4);
        putLE(h + 28, kRenderRate * kRenderChannels * 2, 4);
        putLE(h + 32, kRenderChannels * 2, 2);
        putLE(h + 34, 16, 2);
        std::memcpy(h + 36, "data", 4);
        putLE(h + 40, data, 4);
        if (::lseek(fd_, 0, SEEK_SET) != 0 || !writeAll(h, sizeof h) || ::fsync(fd_) != 0) return fail(err);
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            error_ = errno;
            ::unlink(tmp_.c_str());
            setErrno(err, "cannot write", path_, error_);
            return false;
        }
        if (::rename(tmp_.c_str(), path_.c_str()) != 0) {
            error_ = errno;
            ::unlink(tmp_.c_str());
            setErrno(err, "cannot write", path_, error_);
            return false;
        }
        return true;
    }

    bool fail(std::string& err) const {
        setErrno(err, "cannot write", path_, error_ ? error_ : errno);
        return false;
    }

private:
    bool writeAll(const void* data, size_t n) {
        auto* p = static_cast<const uint8_t*>(data);
        while (n > 0) {
            ssize_t w = ::write(fd_, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                error_ = w < 0 ? errno : EIO;
                return false;
            }
            p += w;
            n -= size_t(w);
        }
        return true;
    }

    std::string path_, tmp_;
    int fd_ = -1;
    int error_ = 0;
    int64_t frames_ = 0;
};

// One synthesizer for every port: each port the song's tracks use gets its own block of 16
// channels, as if every port were a General MIDI device of its own.
class Synth {
public:
    ~Synth() {
        if (synth_) delete_fluid_synth(synth_);
        if (settings_) delete_fluid_settings(settings_);
    }

    bool open(const Song& song, const std::string& soundfont, std::string& err) {
        std::set<uint8_t> ports;
        for (const auto& t : song.tracks) ports.insert(t->port);
        // FluidSynth has at most 256 channels: beyond 16 ports, blocks are shared.
        int index = 0;
        for (uint8_t p : ports) blockOf_[p] = uint8_t(index++ % 16);
        blocks_ = std::clamp(index, 1, 16);

        routeLibraryLogs();  // FluidSynth speaks only when TARVIO_LOG is set
        // Checked first: FluidSynth's fallback loader complains on stderr about other files.
        if (!fluid_is_soundfont(soundfont.c_str())) {
            err = "not a SoundFont file: " + soundfont;
            return false;
        }
        settings_ = new_fluid_settings();
        if (!settings_) {
            err = "cannot create the synthesizer";
            return false;
        }
        fluid_settings_setnum(settings_, "synth.sample-rate", kRenderRate);
        fluid_settings_setint(settings_, "synth.midi-channels", 16 * blocks_);
        synth_ = new_fluid_synth(settings_);
        if (!synth_) {
            err = "cannot create the synthesizer";
            return false;
        }
        if (fluid_synth_sfload(synth_, soundfont.c_str(), 1) == FLUID_FAILED) {
            err = "cannot load the soundfont " + soundfont;
            return false;
        }
        setDrumChannels();
        return true;
    }

    void send(const OutputRecord& r, const OutputList& list) {
        const uint8_t status = r.status();
        if (status == 0xF0) {
            sysex(list.sysexBytes(r), r.sysexCount);
            return;
        }
        if (status < 0x80 || status > 0xEF) return;  // tempo records are not MIDI
        const int ch = blockOf_[r.port] * 16 + (status & 0x0F);
        const int d1 = (r.message >> 8) & 0x7F, d2 = (r.message >> 16) & 0x7F;
        switch (status & 0xF0) {
            case 0x80: fluid_synth_noteoff(synth_, ch, d1); break;
            case 0x90:
                if (d2) fluid_synth_noteon(synth_, ch, d1, d2);
                else fluid_synth_noteoff(synth_, ch, d1);
                break;
            case 0xA0: fluid_synth_key_pressure(synth_, ch, d1, d2); break;
            case 0xB0: fluid_synth_cc(synth_, ch, d1, d2); break;
            case 0xC0: fluid_synth_program_change(synth_, ch, d1); break;
            case 0xD0: fluid_synth_channel_pressure(synth_, ch, d1); break;
            case 0xE0: fluid_synth_pitch_bend(synth_, ch, d1 | (d2 << 7)); break;
        }
    }

    void write(int16_t* interleaved, int frames) {
        fluid_synth_write_s16(synth_, frames, interleaved, 0, 2, interleaved, 1, 2);
    }

private:
    // FluidSynth makes only channel 10 a drum channel; the tenth of every other block is one too.
    void setDrumChannels() {
        for (int b = 1; b < blocks_; ++b) {
            fluid_synth_set_channel_type(synth_, b * 16 + 9, CHANNEL_TYPE_DRUM);
            fluid_synth_program_change(synth_, b * 16 + 9, 0);
        }
    }

    void sysex(const uint8_t* p, uint32_t n) {
        // FluidSynth takes the message without its F0 and F7.
        if (n && p[0] == 0xF0) ++p, --n;
        if (n && p[n - 1] == 0xF7) --n;
        if (n == 0) return;
        int handled = 0;
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(p), int(n), nullptr, nullptr, &handled, 0);
        // A GM system on resets every channel, including the drum channels set above.
        if (handled && n >= 4 && p[0] == 0x7E && p[2] == 0x09 && (p[3] == 0x01 || p[3] == 0x03)) setDrumChannels();
    }

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    std::array<uint8_t, 256> blockOf_{};
    int blocks_ = 1;
};

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

TempoMapClock::TempoMapClock(const Song& song)
    : song_(song), next_(song.tempoTrack->events.begin()), tempo_(song.tempo) {}

int64_t TempoMapClock::msAt(int64_t tick) {
    const EventList& events = song_.tempoTrack->events;
    for (; next_ != events.end() && eventTick_ <= tick; ++next_) {
        if (next_->kind() == EventKind::Tempo) {
            base_ += int64_t(segmentMs(eventTick_ - segStart_, song_.tpqn, tempo_));
            segStart_ = eventTick_;
            tempo_ = uint16_t(next_->value32());
        }
        eventTick_ += next_->step;
    }
    return base_ + int64_t(segmentMs(tick - segStart_, song_.tpqn, tempo_));
}

int32_t playFromStart(Song& song, CursorSink& sink, const std::function<bool(int32_t, const OutputList&)>& f) {
    songResetAll(song, 0, sink);
    int32_t t = 0;
    songAdvance(song, t, sink);
    if (!f(t, song.output)) return t;
    // Ticks at which nothing can happen are passed over: a long rest costs one step.
    while (!songFinished(song) && t < INT32_MAX) {
        t = int32_t(std::min<int64_t>(songNextActiveTick(song, t, sink), INT32_MAX));
        songAdvance(song, t, sink);
        if (!f(t, song.output)) break;
    }
    return t;
}

bool findSoundfont(const std::string& option, std::string& path, std::string& err) {
    std::string named = option;
    const char* how = "--soundfont";
    if (named.empty()) {
        if (const char* env = std::getenv("TARVIO_SOUNDFONT"); env && *env) {
            named = env;
            how = "TARVIO_SOUNDFONT";
        }
    }
    if (!named.empty()) {
        if (!fileExists(named)) {
            err = std::string("soundfont not found: ") + named + " (from " + how + ")";
            return false;
        }
        path = named;
        return true;
    }
    for (const char* candidate : {"/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/sounds/sf2/default-GM.sf2"}) {
        if (fileExists(candidate)) {
            path = candidate;
            return true;
        }
    }
    err = "no soundfont found: install timgm6mb-soundfont, or name one with --soundfont FILE or TARVIO_SOUNDFONT";
    return false;
}

bool renderSong(Song& song, const std::string& path, const RenderOptions& options, RenderSummary* summary,
                std::string& err) {
    Synth synth;
    if (!synth.open(song, options.soundfont, err)) return false;
    WavFile wav;
    if (!wav.open(path, err)) return false;

    std::vector<int16_t> buffer(size_t(kBlockFrames) * kRenderChannels);
    int64_t rendered = 0;
    int64_t nextProgress = kRenderProgressMs;
    bool writeFailed = false;
    // Renders up to (not including) frame end.
    auto renderTo = [&](int64_t end, bool inSong) {
        while (rendered < end && !writeFailed) {
            int n = int(std::min<int64_t>(kBlockFrames, end - rendered));
            synth.write(buffer.data(), n);
            writeFailed = !wav.write(buffer.data(), n);
            rendered += n;
            while (inSong && options.progress && rendered >= msToFrame(nextProgress)) {
                options.progress(nextProgress);
                nextProgress += kRenderProgressMs;
            }
        }
    };

    TempoMapClock clock(song);
    bool tooLong = false;
    int32_t lastTick = 0;
    int64_t lastMs = 0;
    Emitter emitter;
    playFromStart(song, emitter, [&](int32_t tick, const OutputList& out) {
        const int64_t ms = clock.msAt(tick);
        // Checked on every tick, it also stops a song that never ends.
        if (msToFrame(ms) + kTailFrames > kMaxFrames) {
            tooLong = true;
            return false;
        }
        if (out.records.empty()) return true;
        lastTick = tick;
        lastMs = ms;
        renderTo(msToFrame(ms), true);
        for (const OutputRecord& r : out.records) synth.send(r, out);
        return !writeFailed;
    });
    if (tooLong) {
        err = "the song is too long for a WAV file (more than " + std::to_string(kMaxFrames / kRenderRate / 3600) +
              " hours)";
        return false;
    }
    renderTo(msToFrame(lastMs) + kTailFrames, false);
    if (writeFailed) return wav.fail(err);
    if (!wav.finish(err)) return false;
    if (summary) *summary = RenderSummary{lastTick, lastMs, rendered};
    return true;
}

}  // namespace tarvio
