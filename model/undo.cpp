// Edit commands, the per-container undo and redo stacks, and the song's history across containers.
#include "model/undo.h"

#include <algorithm>

#include "model/song.h"
#include "model/track.h"

namespace tarvio {

namespace {

Event contentOf(const Event& e) {
    Event c(0);
    c.setContent(e);
    return c;
}

// A changed phrase can be called from anywhere, so every cursor has to re-read.
void markChanged(Track& t) {
    t.resetFlag = 1;
    if (t.isPhrase() && t.owner) {
        t.owner->tempoTrack->resetFlag = 1;
        for (auto& x : t.owner->tracks) x->resetFlag = 1;
    }
}

}  // namespace

// ---- set commands ----

SetContentCommand::SetContentCommand(Track& container, std::vector<uint32_t> serials, const Event& proto)
    : EditCommand(container) {
    entries_.reserve(serials.size());
    for (uint32_t s : serials) entries_.push_back(Entry{s, contentOf(proto)});
}

SetContentCommand::SetContentCommand(Track& container, std::vector<Change> changes) : EditCommand(container) {
    entries_.reserve(changes.size());
    for (Change& c : changes) entries_.push_back(Entry{c.serial, contentOf(c.content)});
}

// Do and undo both exchange the stored content with the event's; undo walks backwards so that
// a serial listed twice comes back to its first value.
void SetContentCommand::doIt() {
    EventList& list = container_.events;
    for (Entry& en : entries_) {
        auto it = list.find(en.serial);
        if (it == list.end()) continue;
        Event old = contentOf(*it);
        it->setContent(en.content);
        en.content = std::move(old);
    }
}

void SetContentCommand::undo() {
    EventList& list = container_.events;
    for (auto en = entries_.rbegin(); en != entries_.rend(); ++en) {
        auto it = list.find(en->serial);
        if (it == list.end()) continue;
        Event old = contentOf(*it);
        it->setContent(en->content);
        en->content = std::move(old);
    }
}

SetStepCommand::SetStepCommand(Track& container, std::vector<Change> changes)
    : EditCommand(container), changes_(std::move(changes)) {}

void SetStepCommand::doIt() {
    EventList& list = container_.events;
    for (Change& c : changes_) {
        auto it = list.find(c.serial);
        if (it != list.end()) std::swap(it->step, c.step);
    }
}

void SetStepCommand::undo() {
    EventList& list = container_.events;
    for (auto c = changes_.rbegin(); c != changes_.rend(); ++c) {
        auto it = list.find(c->serial);
        if (it != list.end()) std::swap(it->step, c->step);
    }
}

// ---- insert ----

InsertCommand::InsertCommand(Track& container, std::vector<Event> events, uint32_t before)
    : EditCommand(container), events_(std::move(events)), before_(before) {}

void InsertCommand::doIt() {
    EventList& list = container_.events;
    auto pos = before_ ? list.find(before_) : list.end();
    for (Event& e : events_) {
        auto it = list.insert(pos, e);
        if (it->serial() != e.serial()) e = *it;  // keep the serial the list gave it for redo
    }
}

void InsertCommand::undo() {
    EventList& list = container_.events;
    for (auto e = events_.rbegin(); e != events_.rend(); ++e) {
        auto it = list.find(e->serial());
        if (it != list.end()) list.erase(it);
    }
}

std::vector<uint32_t> InsertCommand::serials() const {
    std::vector<uint32_t> r;
    r.reserve(events_.size());
    for (const Event& e : events_) r.push_back(e.serial());
    return r;
}

// ---- delete ----

DeleteCommand::DeleteCommand(Track& container, std::vector<uint32_t> serials)
    : EditCommand(container), serials_(std::move(serials)) {}

void DeleteCommand::doIt() {
    EventList& list = container_.events;
    records_.clear();
    records_.reserve(serials_.size());
    for (uint32_t s : serials_) {
        auto it = list.find(s);
        if (it == list.end()) continue;
        Record r;
        r.event = *it;
        auto next = std::next(it);
        r.next = next == list.end() ? 0 : next->serial();
        if (it == list.begin()) {
            r.rested = it->step > 0;
        } else {
            auto prev = std::prev(it);
            r.prev = prev->serial();
            r.prevStep = prev->step;
        }
        records_.push_back(std::move(r));
        list.eraseKeepTime(it);
    }
}

// Reverse order: every record then sees the list exactly as its removal left it.
void DeleteCommand::undo() {
    EventList& list = container_.events;
    for (auto r = records_.rbegin(); r != records_.rend(); ++r) {
        if (r->rested) {
            auto it = list.find(r->event.serial());
            if (it != list.end()) it->setContent(r->event);
            continue;
        }
        auto pos = r->next ? list.find(r->next) : list.end();
        list.insert(pos, r->event);
        if (r->prev) {
            auto p = list.find(r->prev);
            if (p != list.end()) p->step = r->prevStep;
        }
    }
    records_.clear();
}

// ---- factories ----

namespace {
template <class F>
CommandPtr setWith(Track& t, Serials serials, F&& set) {
    Event proto(0);
    set(proto);
    return std::make_unique<SetContentCommand>(t, std::move(serials), proto);
}
}  // namespace

CommandPtr makeSetContent(Track& t, Serials serials, const Event& proto) {
    return std::make_unique<SetContentCommand>(t, std::move(serials), proto);
}
CommandPtr makeSetNote(Track& t, Serials s, uint8_t note, uint8_t velocity, uint16_t gate) {
    return setWith(t, std::move(s), [&](Event& e) { e.setNote(note, velocity, gate); });
}
CommandPtr makeSetRest(Track& t, Serials s) {
    return setWith(t, std::move(s), [](Event& e) { e.setRest(); });
}
CommandPtr makeSetNoteOff(Track& t, Serials s, uint8_t note, uint8_t velocity) {
    return setWith(t, std::move(s), [&](Event& e) { e.setNoteOff(note, velocity); });
}
CommandPtr makeSetControl(Track& t, Serials s, uint8_t controller, uint8_t value) {
    return setWith(t, std::move(s), [&](Event& e) { e.setControl(controller, value); });
}
CommandPtr makeSetProgram(Track& t, Serials s, uint8_t program, uint8_t bankMsb, uint8_t bankLsb) {
    return setWith(t, std::move(s), [&](Event& e) { e.setProgram(program, bankMsb, bankLsb); });
}
CommandPtr makeSetPolyPressure(Track& t, Serials s, uint8_t note, uint8_t pressure) {
    return setWith(t, std::move(s), [&](Event& e) { e.setPolyPressure(note, pressure); });
}
CommandPtr makeSetChannelPressure(Track& t, Serials s, uint8_t pressure) {
    return setWith(t, std::move(s), [&](Event& e) { e.setChannelPressure(pressure); });
}
CommandPtr makeSetBendBytes(Track& t, Serials s, uint8_t msb, uint8_t lsb) {
    return setWith(t, std::move(s), [&](Event& e) { e.setBendBytes(msb, lsb); });
}
CommandPtr makeSetBend(Track& t, Serials s, int value) {
    return setWith(t, std::move(s), [&](Event& e) { e.setBend(value); });
}
CommandPtr makeSetCommand(Track& t, Serials s, uint16_t index, uint8_t p1, uint8_t p2) {
    return setWith(t, std::move(s), [&](Event& e) { e.setCommand(index, p1, p2); });
}
CommandPtr makeSetTempo(Track& t, Serials s, uint32_t bpm) {
    return setWith(t, std::move(s), [&](Event& e) { e.setTempo(bpm); });
}
CommandPtr makeSetPhraseCall(Track& t, Serials s, const PhraseCallData& d) {
    return setWith(t, std::move(s), [&](Event& e) { e.setPhraseCall(d); });
}
CommandPtr makeSetClone(Track& t, Serials s, const CloneData& d) {
    return setWith(t, std::move(s), [&](Event& e) { e.setClone(d); });
}
CommandPtr makeSetPluginSwitch(Track& t, Serials s, uint8_t slot, bool on) {
    return setWith(t, std::move(s), [&](Event& e) { e.setPluginSwitch(slot, on); });
}
CommandPtr makeSetPluginParams(Track& t, Serials s, uint8_t slot, const ParameterBlock& block) {
    return setWith(t, std::move(s), [&](Event& e) { e.setPluginParams(slot, block); });
}
CommandPtr makeSetLabel(Track& t, Serials s) {
    return setWith(t, std::move(s), [](Event& e) { e.setLabel(); });
}
CommandPtr makeSetComment(Track& t, Serials s, std::string_view text) {
    return setWith(t, std::move(s), [&](Event& e) { e.setComment(text); });
}
CommandPtr makeSetExclusive(Track& t, Serials s, std::vector<uint8_t> bytes, uint8_t p1, uint8_t p2) {
    return setWith(t, std::move(s), [&](Event& e) { e.setExclusive(std::move(bytes), p1, p2); });
}
CommandPtr makeSetRegisterOp(Track& t, Serials s, EventKind op, uint16_t reg, int16_t operand) {
    return setWith(t, std::move(s), [&](Event& e) { e.setRegisterOp(op, reg, operand); });
}
CommandPtr makeSetKindValue(Track& t, Serials s, EventKind kind, uint32_t value) {
    return setWith(t, std::move(s), [&](Event& e) { e.setKindValue(kind, value); });
}

CommandPtr makeSetStep(Track& t, Serials serials, int32_t step) {
    std::vector<SetStepCommand::Change> changes;
    changes.reserve(serials.size());
    for (uint32_t s : serials) changes.push_back({s, step});
    return std::make_unique<SetStepCommand>(t, std::move(changes));
}
CommandPtr makeInsert(Track& t, std::vector<Event> events, uint32_t before) {
    return std::make_unique<InsertCommand>(t, std::move(events), before);
}
CommandPtr makeDelete(Track& t, Serials serials) {
    return std::make_unique<DeleteCommand>(t, std::move(serials));
}

// ---- container stacks ----

void Track::push(std::unique_ptr<EditCommand> cmd) {
    if (!cmd) return;
    // A group enters the song's history with its first command, so that an empty group neither
    // shows up there nor clears the redo history.
    const bool firstOfGroup = groupDepth_ > 0 && !undoStack_.empty() && undoStack_.back() == nullptr;
    if ((groupDepth_ == 0 || firstOfGroup) && owner) owner->recordEdit(HistoryEntry{uint16_t(type), historyNumber()});
    cmd->doIt();
    markChanged(*this);
    undoStack_.push_back(std::move(cmd));
    redoStack_.clear();
}

void Track::openGroup() {
    if (groupDepth_++ > 0) return;
    undoStack_.push_back(nullptr);
}

void Track::closeGroup() {
    if (groupDepth_ <= 0) {
        groupDepth_ = 0;
        return;
    }
    if (--groupDepth_ > 0) return;
    if (!undoStack_.empty() && undoStack_.back() == nullptr) {
        undoStack_.pop_back();  // nothing was pushed: the group leaves no trace
        return;
    }
    undoStack_.push_back(nullptr);
}

// A group lies on the undo stack as marker, commands, marker. Undo moves it to the redo stack
// mirrored (marker, commands last to first, marker), so redo replays it in the original order.
bool Track::undo() {
    while (groupDepth_ > 0) closeGroup();
    if (undoStack_.empty()) return false;
    std::unique_ptr<EditCommand> top = std::move(undoStack_.back());
    undoStack_.pop_back();
    if (top) {
        top->undo();
        redoStack_.push_back(std::move(top));
    } else {
        redoStack_.push_back(nullptr);
        while (!undoStack_.empty() && undoStack_.back()) {
            undoStack_.back()->undo();
            redoStack_.push_back(std::move(undoStack_.back()));
            undoStack_.pop_back();
        }
        if (!undoStack_.empty()) undoStack_.pop_back();
        redoStack_.push_back(nullptr);
    }
    markChanged(*this);
    return true;
}

bool Track::redo() {
    if (redoStack_.empty()) return false;
    // Redo is possible during a group only while it is still empty (a push clears the redo
    // stack); what it redoes goes below the group's opening marker, not into the group.
    const bool groupOpen = groupDepth_ > 0 && !undoStack_.empty() && undoStack_.back() == nullptr;
    if (groupOpen) undoStack_.pop_back();
    std::unique_ptr<EditCommand> top = std::move(redoStack_.back());
    redoStack_.pop_back();
    if (top) {
        top->doIt();
        undoStack_.push_back(std::move(top));
    } else {
        undoStack_.push_back(nullptr);
        while (!redoStack_.empty() && redoStack_.back()) {
            redoStack_.back()->doIt();
            undoStack_.push_back(std::move(redoStack_.back()));
            redoStack_.pop_back();
        }
        if (!redoStack_.empty()) redoStack_.pop_back();
        undoStack_.push_back(nullptr);
    }
    if (groupOpen) undoStack_.push_back(nullptr);
    markChanged(*this);
    return true;
}

void Track::clearUndo() {
    undoStack_.clear();
    redoStack_.clear();
    groupDepth_ = 0;
}

// ---- song history ----

void Song::recordEdit(HistoryEntry h) {
    h.joined = false;
    if (groupDepth_ > 0) {
        h.joined = groupHasEntry_;
        groupHasEntry_ = true;
    }
    undoHistory.push_back(h);
    redoHistory.clear();
}

void Song::closeGroup() {
    if (groupDepth_ > 0 && --groupDepth_ == 0) groupHasEntry_ = false;
}

// Entries whose container is gone or has nothing left (its own undo was used directly) are
// dropped on the way. A step goes down to the first entry that is not joined to the one below.
bool Song::undo() {
    while (groupDepth_ > 0) closeGroup();
    bool any = false;
    while (!undoHistory.empty()) {
        HistoryEntry h = undoHistory.back();
        Track* c = findContainer(h.type, h.number);
        if (c && c->groupDepth() > 0) {
            // Close first: an empty group takes its own history entry away with it.
            while (c->groupDepth() > 0) c->closeGroup();
            continue;
        }
        undoHistory.pop_back();
        if (c && c->undo()) {
            redoHistory.push_back(h);
            any = true;
        }
        if (any && !h.joined) break;
    }
    // The redo history holds the step upside down: its top is where redo starts.
    if (any) redoHistory.back().joined = false;
    return any;
}

// Redoes the top entry and every entry joined to it.
bool Song::redo() {
    bool any = false;
    while (!redoHistory.empty()) {
        if (any && !redoHistory.back().joined) break;
        HistoryEntry h = redoHistory.back();
        redoHistory.pop_back();
        Track* c = findContainer(h.type, h.number);
        if (c && c->redo()) {
            h.joined = any;
            undoHistory.push_back(h);
            any = true;
        }
    }
    return any;
}

}  // namespace tarvio
