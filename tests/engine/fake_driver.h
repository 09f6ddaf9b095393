// A MIDI driver for tests: named devices, results scripted per operation, and a record of
// every call. Without a script it behaves like a well-mannered device: queued headers are
// still playing, a reset returns them empty, and a long send finishes after longTransferMs
// on the fake clock.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "engine/drivers/midi_driver.h"
#include "fake_clock.h"

namespace enginetest {

using namespace tarvio;

enum class Op { OpenOut, ShortOut, PrepareOut, LongOut, UnprepareOut, ResetOut, CloseOut,
                OpenIn, PrepareIn, UnprepareIn, AddIn, StartIn, StopIn, ResetIn, CloseIn, Count };

class FakeDriver final : public MidiDriver {
public:
    explicit FakeDriver(FakeClock& clock) : clock_(clock) {
        clock.onSleep = [this](uint32_t now) { finishLongs(now); };
    }

    std::vector<std::string> outNames, inNames;
    std::map<uint32_t, MidiResult> outNameResults, inNameResults;  // per device; 0 when absent
    bool handleOnFailedOpen = false;  // a failing open still hands out a handle
    uint32_t longTransferMs = 0;

    std::vector<std::string> calls;  // "openOut 1", "closeOut", ... in order
    std::vector<uint32_t> shorts;
    std::vector<std::vector<uint8_t>> longs;

    // The next results of an operation; afterwards the default behaviour resumes.
    void script(Op op, std::initializer_list<MidiResult> results) {
        auto& q = scripts_[size_t(op)];
        q.insert(q.end(), results);
    }
    int count(const std::string& call) const { return int(std::count(calls.begin(), calls.end(), call)); }
    size_t queued(MidiHandle h) { return ins_.count(h) ? ins_[h].queue.size() : 0; }

    // Input as the device's thread would deliver it.
    void deliverShort(MidiHandle h, uint32_t message) {
        In& in = ins_.at(h);
        if (!in.started) return;
        MidiInMessage m;
        m.message = message;
        m.timeMs = clock_.now - in.startMs;
        in.proc(h, m, in.user);
    }
    void deliverLong(MidiHandle h, const std::vector<uint8_t>& bytes) {
        In& in = ins_.at(h);
        size_t at = 0;
        while (at < bytes.size() && !in.queue.empty()) {
            MidiHeader* hdr = in.queue.front();
            in.queue.pop_front();
            const size_t n = std::min<size_t>(bytes.size() - at, hdr->bufferLength);
            std::memcpy(hdr->data, bytes.data() + at, n);
            hdr->bytesRecorded = uint32_t(n);
            at += n;
            returnHeader(h, *hdr);
        }
    }

    uint32_t outDeviceCount() override { return uint32_t(outNames.size()); }
    MidiResult outDeviceName(uint32_t d, std::string& name) override { return named(outNames, outNameResults, d, name); }
    MidiResult openOut(uint32_t d, MidiHandle& h) override {
        if (MidiResult r = opened(Op::OpenOut, "openOut " + std::to_string(d), h)) return r;
        outs_.push_back(h);
        return kMidiOk;
    }
    MidiResult shortOut(MidiHandle h, uint32_t message) override {
        if (MidiResult r = checked(nullptr, Op::ShortOut, isOut(h))) return r;
        shorts.push_back(message);
        return kMidiOk;
    }
    MidiResult prepareOut(MidiHandle h, MidiHeader& hdr) override {
        if (MidiResult r = checked("prepareOut", Op::PrepareOut, isOut(h))) return r;
        return prepare(hdr);
    }
    MidiResult longOut(MidiHandle h, MidiHeader& hdr) override {
        if (MidiResult r = checked("longOut", Op::LongOut, isOut(h))) return r;
        longs.emplace_back(hdr.data, hdr.data + hdr.bufferLength);
        hdr.flags |= kHeaderInQueue;
        pendingLongs_.push_back({&hdr, clock_.now + longTransferMs});
        finishLongs(clock_.now);
        return kMidiOk;
    }
    MidiResult unprepareOut(MidiHandle h, MidiHeader& hdr) override {
        if (MidiResult r = checked("unprepareOut", Op::UnprepareOut, isOut(h))) return r;
        return unprepare(hdr);
    }
    MidiResult resetOut(MidiHandle h) override { return checked("resetOut", Op::ResetOut, isOut(h)); }
    MidiResult closeOut(MidiHandle h) override {
        if (MidiResult r = checked("closeOut", Op::CloseOut, isOut(h))) return r;
        outs_.erase(std::find(outs_.begin(), outs_.end(), h));
        return kMidiOk;
    }

    uint32_t inDeviceCount() override { return uint32_t(inNames.size()); }
    MidiResult inDeviceName(uint32_t d, std::string& name) override { return named(inNames, inNameResults, d, name); }
    MidiResult openIn(uint32_t d, MidiInProc proc, void* user, MidiHandle& h) override {
        if (MidiResult r = opened(Op::OpenIn, "openIn " + std::to_string(d), h)) return r;
        ins_[h] = In{proc, user, {}, false, 0};
        return kMidiOk;
    }
    MidiResult prepareIn(MidiHandle h, MidiHeader& hdr) override {
        if (MidiResult r = checked("prepareIn", Op::PrepareIn, ins_.count(h))) return r;
        return prepare(hdr);
    }
    MidiResult unprepareIn(MidiHandle h, MidiHeader& hdr) override {
        if (MidiResult r = checked("unprepareIn", Op::UnprepareIn, ins_.count(h))) return r;
        return unprepare(hdr);
    }
    MidiResult addInBuffer(MidiHandle h, MidiHeader& hdr) override {
        if (MidiResult r = checked("addIn", Op::AddIn, ins_.count(h))) return r;
        if (!(hdr.flags & kHeaderPrepared)) return kMidiUnprepared;
        hdr.flags = (hdr.flags & ~kHeaderDone) | kHeaderInQueue;
        ins_[h].queue.push_back(&hdr);
        return kMidiOk;
    }
    MidiResult startIn(MidiHandle h) override {
        if (MidiResult r = checked("startIn", Op::StartIn, ins_.count(h))) return r;
        if (!ins_[h].started) ins_[h].startMs = clock_.now;
        ins_[h].started = true;
        return kMidiOk;
    }
    MidiResult stopIn(MidiHandle h) override {
        if (MidiResult r = checked("stopIn", Op::StopIn, ins_.count(h))) return r;
        ins_[h].started = false;
        return kMidiOk;
    }
    MidiResult resetIn(MidiHandle h) override {
        if (MidiResult r = checked("resetIn", Op::ResetIn, ins_.count(h))) return r;
        In& in = ins_[h];
        in.started = false;
        std::deque<MidiHeader*> taken;
        taken.swap(in.queue);
        for (MidiHeader* hdr : taken) {
            hdr->bytesRecorded = 0;
            returnHeader(h, *hdr);
        }
        return kMidiOk;
    }
    MidiResult closeIn(MidiHandle h) override {
        if (MidiResult r = checked("closeIn", Op::CloseIn, ins_.count(h))) return r;
        if (!ins_[h].queue.empty()) return kMidiStillPlaying;
        ins_.erase(h);
        return kMidiOk;
    }

private:
    struct In {
        MidiInProc proc;
        void* user;
        std::deque<MidiHeader*> queue;
        bool started;
        uint32_t startMs;
    };

    MidiResult next(Op op) {
        auto& q = scripts_[size_t(op)];
        if (q.empty()) return kMidiOk;
        MidiResult r = q.front();
        q.pop_front();
        return r;
    }
    // Records the call, then answers a scripted result first, then the handle check.
    MidiResult checked(const char* call, Op op, bool known) {
        if (call) calls.push_back(call);
        if (MidiResult r = next(op)) return r;
        return known ? kMidiOk : kMidiInvalidHandle;
    }
    MidiResult opened(Op op, std::string call, MidiHandle& h) {
        calls.push_back(std::move(call));
        const MidiResult r = next(op);
        h = r && !handleOnFailedOpen ? kNoHandle : nextHandle_++;
        return r;
    }
    static MidiResult prepare(MidiHeader& hdr) {
        hdr.flags |= kHeaderPrepared;
        return kMidiOk;
    }
    static MidiResult unprepare(MidiHeader& hdr) {
        if (hdr.flags & kHeaderInQueue) return kMidiStillPlaying;
        hdr.flags &= ~kHeaderPrepared;
        return kMidiOk;
    }
    bool isOut(MidiHandle h) const { return std::find(outs_.begin(), outs_.end(), h) != outs_.end(); }
    static MidiResult named(const std::vector<std::string>& names, const std::map<uint32_t, MidiResult>& results,
                            uint32_t d, std::string& name) {
        if (auto it = results.find(d); it != results.end() && it->second != kMidiOk) return it->second;
        if (d >= names.size()) return kMidiBadDeviceId;
        name = names[d];
        return kMidiOk;
    }
    void returnHeader(MidiHandle h, MidiHeader& hdr) {
        hdr.flags = (hdr.flags & ~kHeaderInQueue) | kHeaderDone;
        MidiInMessage m;
        m.kind = MidiInKind::LongData;
        m.header = &hdr;
        In& in = ins_[h];
        in.proc(h, m, in.user);
    }
    void finishLongs(uint32_t now) {
        auto done = [now](const auto& p) {
            if (int32_t(now - p.second) < 0) return false;
            p.first->flags = (p.first->flags & ~kHeaderInQueue) | kHeaderDone;
            return true;
        };
        pendingLongs_.erase(std::remove_if(pendingLongs_.begin(), pendingLongs_.end(), done), pendingLongs_.end());
    }

    FakeClock& clock_;
    MidiHandle nextHandle_ = 0x100;
    std::vector<MidiHandle> outs_;
    std::map<MidiHandle, In> ins_;
    std::deque<MidiResult> scripts_[size_t(Op::Count)];
    std::vector<std::pair<MidiHeader*, uint32_t>> pendingLongs_;
};

}  // namespace enginetest
