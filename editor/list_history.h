// Undo and redo of one list (the numerical editor's Ctrl+Z), kept consistent with the song's
// history: the list's step leaves the song's history too, so that the song's undo never takes
// back a step the list already took back, and a list redo enters it again.
#pragma once

namespace tarvio {

class Document;
class Track;

// Takes back the list's last step (its part of it, when the step spanned several lists).
bool undoList(Document& doc, Track& list);
// Brings back the list's last undone step.
bool redoList(Document& doc, Track& list);
// Joins the song's newest history entry to the one below it, when both are steps of this list:
// the song's undo and the list's undo then take them back together (an increment run).
bool joinLastStep(Document& doc, Track& list);

}  // namespace tarvio
