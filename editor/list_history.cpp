#include "editor/list_history.h"

#include <vector>

#include "app/document.h"
#include "model/song.h"

namespace tarvio {

namespace {

bool isOf(const HistoryEntry& h, const Track& list) {
    return h.type == uint16_t(list.type) && h.number == list.historyNumber();
}

}  // namespace

// In the undo history an entry's joined flag ties it to the entry below it; in the redo history
// (a step lies there upside down) to the entry above it.
bool undoList(Document& doc, Track& list) {
    if (!list.canUndo()) return false;
    Song& song = doc.song();
    auto& h = song.undoHistory;
    DocumentEdit edit(doc, DocumentChange::events(list));
    int top = int(h.size()) - 1;
    while (top >= 0 && !isOf(h[size_t(top)], list)) --top;
    if (top < 0) {
        list.undo();  // the history lost the step (it was cleared): the list still has it
        return true;
    }
    int s = top, e = top;
    while (s > 0 && h[size_t(s)].joined) --s;
    while (e + 1 < int(h.size()) && h[size_t(e) + 1].joined) ++e;
    // The list's entries of the step, newest first; each is one step of the list's own stack.
    std::vector<HistoryEntry> undone;
    for (int i = e; i >= s; --i) {
        if (!isOf(h[size_t(i)], list)) continue;
        if (list.undo()) undone.push_back(h[size_t(i)]);
        h.erase(h.begin() + i);
        --e;
    }
    // What stays of a step that spanned several lists is still one step.
    for (int i = s; i <= e; ++i) h[size_t(i)].joined = i > s;
    for (size_t i = 0; i < undone.size(); ++i) {
        HistoryEntry r = undone[i];
        r.joined = i + 1 < undone.size();
        song.redoHistory.push_back(r);
    }
    return !undone.empty();
}

bool redoList(Document& doc, Track& list) {
    if (!list.canRedo()) return false;
    Song& song = doc.song();
    auto& r = song.redoHistory;
    DocumentEdit edit(doc, DocumentChange::events(list));
    int top = int(r.size()) - 1;
    while (top >= 0 && !isOf(r[size_t(top)], list)) --top;
    if (top < 0) {
        // Another edit cleared the song's redo history; the list's own redo still holds.
        list.redo();
        song.undoHistory.push_back(HistoryEntry{uint16_t(list.type), list.historyNumber(), false});
        return true;
    }
    int s = top, e = top;
    while (s > 0 && r[size_t(s) - 1].joined) --s;
    while (e + 1 < int(r.size()) && r[size_t(e)].joined) ++e;
    bool first = true;
    for (int i = e; i >= s; --i) {
        if (!isOf(r[size_t(i)], list)) continue;
        HistoryEntry h = r[size_t(i)];
        r.erase(r.begin() + i);
        --e;
        if (!list.redo()) continue;
        h.joined = !first;
        song.undoHistory.push_back(h);
        first = false;
    }
    for (int i = s; i <= e; ++i) r[size_t(i)].joined = i < e;
    return !first;
}

bool joinLastStep(Document& doc, Track& list) {
    auto& h = doc.song().undoHistory;
    if (h.size() < 2 || !isOf(h.back(), list) || !isOf(h[h.size() - 2], list)) return false;
    h.back().joined = true;
    return true;
}

}  // namespace tarvio
