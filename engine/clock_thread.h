// The clock thread: one pass per millisecond from absolute deadlines, which measures the time
// that passed, follows MIDI time code, winds, drives the player, writes MIDI time code and
// runs the metronome and the previews.
#pragma once

#include <cstdint>

namespace tarvio {

// Starts the thread once (later calls do nothing) and returns when it runs. It asks for
// real-time priority and logs an "[EMIDI]" line when the system refuses. Throws
// std::runtime_error when the thread cannot be created.
void startEngine();
// Stops playback, ends the thread and waits for it.
void shutdownEngine();
// True while the thread body runs.
bool engineRunning();
// Requests call this after setting their flags: an idle thread passes only every few
// milliseconds and answers at once when woken.
void wakeClockThread();

// Transport wind controls: fast (five times the step), forward held, rewind held.
void setWindFlags(bool fast, bool forward, bool rewind);
bool windRewindHeld();
bool windForwardHeld();

enum SyncSource : int32_t { kSyncInternal = 0, kSyncMtc = 1 };
void setSyncSource(int32_t source);
int32_t syncSource();

// One pass as the thread runs it, on the engine clock: sleeps 1 ms, then does the work.
void clockPass();
// The thread's set-up of a pass sequence: local flags cleared, previous pass time = now.
void clockPassBegin();
// Passes completed so far (the thread's and clockPass's); a pass that began before a change
// has ended once this moved on.
uint32_t clockPassCount();

// Where the chase reads the incoming time code; nullptr restores mtcTime().
using MtcTimeSource = uint32_t (*)();
void setMtcTimeSource(MtcTimeSource source);

// CPU seconds the clock thread has used: live while it runs, its total after it ended.
double clockThreadCpuSeconds();

}  // namespace tarvio
