// MIDI input: conversion to events, filters, thru, recording, time code and machine control.
//
// Threads. The input function runs on the input devices' threads (several at once when several
// ports are open), concurrently with the clock thread and the user-interface thread.
// - Settings are atomics: any thread may set them at any time.
// - The recorder (list, held notes, ticks, the finished takes) has one writer at a time:
//   whoever holds its claim flag, an atomic taken by the input function for each recorded
//   event, by startRecording/stopRecording and by popFinishedTake.
// - The song: every input call that may read it is counted, and setSong waits for the calls
//   that could still see the old one (waitForInputToLeaveSong). The input notification runs
//   inside such a call, so it must not replace the song itself.
// - The time-code readers are written only by whoever turns their sequence number odd (the
//   MTC input, and the clock thread marking the signal lost); mtcTime() and mtcRate() read
//   the main reader as a consistent snapshot without blocking the writer.
#pragma once

#include <cstdint>

#include "engine/drivers/midi_driver.h"
#include "model/event_list.h"

namespace tarvio {

class Event;
class Song;

// Makes handleMidiInput the port layer's input handler; the engine calls it once at start.
void installInputHandler();
// The input function: short messages (963) and returned exclusive buffers (964).
void handleMidiInput(MidiHandle handle, const MidiInMessage& message);

// Recording (the player starts and stops it). Every take that ends, by a stop or because
// rewind or a time-code jump restarts recording elsewhere, waits until the document takes it.
void startRecording(int32_t tick);  // -1: the current play position; ends a running take first
void stopRecording();
bool recordingActive();
int32_t recordStartTick();  // of the running or last take

// A finished take: the recorded events in step time from startTick.
struct RecordedTake {
    EventList events;
    int32_t startTick = 0;
    const Song* song = nullptr;  // the song it was played with
};
// The oldest take that waits; false when none does.
bool popFinishedTake(RecordedTake& out);
// The document's step after recording: every waiting take of this song, oldest first, into its
// record tracks, each between suspendEngine(false) and (true) (takes of another song are
// dropped). Returns the number of track changes.
int takeFinishedRecordings(Song& song);

// Returns once no input call still uses a song the player had before this call.
void waitForInputToLeaveSong();

// The main time-code reader, for the clock thread's chase.
uint32_t mtcTime();
int32_t mtcRate();  // 0..3, or -1 while the signal is lost

// Input settings. Ports are logical input ports (MTC, MMC) or output ports (thru); -1 = none.
void setMtcInPort(int port);
int mtcInPort();
void setMmcInPort(int port);
int mmcInPort();
constexpr int kMmcAnyDevice = 127;  // as the configured id: obey every device id
void setMmcDeviceId(int id);
int mmcDeviceId();
void setMmcReceive(bool on);
bool mmcReceive();
void setMtcOffset(int32_t ms);  // into both readers
int32_t mtcOffset();
void setThru(bool on);
bool thruOn();
void setThruPort(int port);
int thruPort();
void setThruChannel(int channel);
int thruChannel();

enum VelocityMode : int { kVelocityThrough = 0, kVelocitySetValue = 1, kVelocityShiftValue = 2 };
void setVelocityMode(int mode);
int velocityMode();
void setVelocityValue(int value);
int velocityValue();
void setLatencyFix(int32_t ms);  // added to input time stamps
int32_t latencyFix();

// Kinds of the input notification (the port layer's notify hook) and their values.
enum InputNotification : int {
    kNotifyNoteOn = 0,     // packed 0x90 | note << 8 | velocity << 16
    kNotifyNoteOff = 1,    // packed 0x80 | note << 8 | velocity << 16
    kNotifyTransport = 2,  // kMmcStop or kMmcPlay
    kNotifyLocateCue = 3,  // cue point number
    kNotifyLocateMs = 4,   // milliseconds
};
constexpr uint32_t kMmcStop = 1;
constexpr uint32_t kMmcPlay = 3;

// A channel message as an event (channel dropped, velocity by the velocity mode); false for
// system messages.
bool eventFromMessage(uint32_t message, Event& out);

// Time code to milliseconds. The reader's position adds the two frames a full quarter-frame
// sequence takes; a located time (MMC) does not.
int32_t timecodeMs(int rate, int hours, int minutes, int seconds, int frames);
int32_t mtcPositionMs(int rate, int hours, int minutes, int seconds, int frames);

// Stops recording, forgets the take, resets both time-code readers and every setting to its
// default, so that each test starts from the state at program start.
void resetInputForTests();

}  // namespace tarvio
