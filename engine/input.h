// MIDI input: conversion to events, filters, thru, recording, time code and machine control.
#pragma once

#include <cstdint>

namespace tarvio {

class EventList;

// Recording (the player starts and stops it; the document reads the take afterwards).
void startRecording(int32_t tick);  // -1: the current play position
void stopRecording();
bool recordingActive();
const EventList& recordedList();
int32_t recordStartTick();

// The main time-code reader, for the clock thread's chase.
uint32_t mtcTime();
int32_t mtcRate();  // 0..3, or -1 while the signal is lost

}  // namespace tarvio
