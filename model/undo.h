// Edit commands: every change to a container is one of these, pushed on its undo stack.
// Commands find their events by serial, never by position.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "model/event.h"

namespace tarvio {

class Track;

class EditCommand {
public:
    explicit EditCommand(Track& container) : container_(container) {}
    virtual ~EditCommand() = default;  // destroy
    virtual void doIt() = 0;
    virtual void undo() = 0;
    Track& container() const { return container_; }

protected:
    Track& container_;
};

// Writes new content (kind, value bytes, payload) into events; undo writes the old content back.
class SetContentCommand : public EditCommand {
public:
    // Every listed event receives the prototype's content.
    SetContentCommand(Track& container, std::vector<uint32_t> serials, const Event& proto);
    // Each event receives its own content.
    struct Change {
        uint32_t serial;
        Event content;
    };
    SetContentCommand(Track& container, std::vector<Change> changes);
    void doIt() override;
    void undo() override;

private:
    struct Entry {
        uint32_t serial;
        Event content{0};  // the content to write on the next do or undo
    };
    void swapAll();
    std::vector<Entry> entries_;
};

class SetStepCommand : public EditCommand {
public:
    struct Change {
        uint32_t serial;
        int32_t step;
    };
    SetStepCommand(Track& container, std::vector<Change> changes);
    void doIt() override;
    void undo() override;

private:
    void swapAll();
    std::vector<Change> changes_;  // holds the new steps before do, the old ones after
};

// Inserts copies of events before the event with serial `before` (0 or absent: at the end)
// without changing any step. Events keep their serials; one without (0, or taken) gets a fresh
// serial on the first do and keeps it on every redo.
class InsertCommand : public EditCommand {
public:
    InsertCommand(Track& container, std::vector<Event> events, uint32_t before);
    void doIt() override;
    void undo() override;
    // Serials of the inserted events (final after the first do).
    std::vector<uint32_t> serials() const;

private:
    std::vector<Event> events_;
    uint32_t before_;
};

// Removes events keeping time; undo puts each back in its place with its serial and step.
class DeleteCommand : public EditCommand {
public:
    DeleteCommand(Track& container, std::vector<uint32_t> serials);
    void doIt() override;
    void undo() override;

private:
    struct Record {
        Event event{0};         // the event as it was, serial and step included
        uint32_t next = 0;      // serial of the event that followed it, 0 at the end
        uint32_t prev = 0;      // serial of the event before it, 0 when first
        int32_t prevStep = 0;   // that event's step before the removal
        bool rested = false;    // first event with a positive step: turned into a rest, not removed
    };
    std::vector<uint32_t> serials_;
    std::vector<Record> records_;  // in removal order, filled by do
};

// Factories, one per event setter; each gives every listed event the same new content.
using CommandPtr = std::unique_ptr<EditCommand>;
using Serials = std::vector<uint32_t>;

CommandPtr makeSetContent(Track& t, Serials serials, const Event& proto);
CommandPtr makeSetNote(Track& t, Serials serials, uint8_t note, uint8_t velocity, uint16_t gate);
CommandPtr makeSetRest(Track& t, Serials serials);
CommandPtr makeSetNoteOff(Track& t, Serials serials, uint8_t note, uint8_t velocity = 64);
CommandPtr makeSetControl(Track& t, Serials serials, uint8_t controller, uint8_t value);
CommandPtr makeSetProgram(Track& t, Serials serials, uint8_t program, uint8_t bankMsb = 128, uint8_t bankLsb = 128);
CommandPtr makeSetPolyPressure(Track& t, Serials serials, uint8_t note, uint8_t pressure);
CommandPtr makeSetChannelPressure(Track& t, Serials serials, uint8_t pressure);
CommandPtr makeSetBendBytes(Track& t, Serials serials, uint8_t msb, uint8_t lsb);
CommandPtr makeSetBend(Track& t, Serials serials, int value);
CommandPtr makeSetCommand(Track& t, Serials serials, uint16_t index, uint8_t p1, uint8_t p2);
CommandPtr makeSetTempo(Track& t, Serials serials, uint32_t bpm);
CommandPtr makeSetPhraseCall(Track& t, Serials serials, const PhraseCallData& d);
CommandPtr makeSetClone(Track& t, Serials serials, const CloneData& d);
CommandPtr makeSetPluginSwitch(Track& t, Serials serials, uint8_t slot, bool on);
CommandPtr makeSetPluginParams(Track& t, Serials serials, uint8_t slot, const ParameterBlock& block);
CommandPtr makeSetLabel(Track& t, Serials serials);
CommandPtr makeSetComment(Track& t, Serials serials, std::string_view text);
CommandPtr makeSetExclusive(Track& t, Serials serials, std::vector<uint8_t> bytes, uint8_t p1 = 0, uint8_t p2 = 0);
CommandPtr makeSetRegisterOp(Track& t, Serials serials, EventKind op, uint16_t reg, int16_t operand);
CommandPtr makeSetKindValue(Track& t, Serials serials, EventKind kind, uint32_t value);

CommandPtr makeSetStep(Track& t, Serials serials, int32_t step);
CommandPtr makeInsert(Track& t, std::vector<Event> events, uint32_t before);
CommandPtr makeDelete(Track& t, Serials serials);

}  // namespace tarvio
