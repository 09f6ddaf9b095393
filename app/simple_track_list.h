// A plain track list until the full one arrives: one row for the tempo track, then one per
// track, a selected row, and the keys that move it or ask for the selected track in an editor.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvio {

class Song;

class SimpleTrackList {
public:
    // Where a track is to be opened.
    enum class Target : uint8_t { None, View1, View2, View3, Grid };

    struct KeyResult {
        bool handled = false;
        bool repaint = false;
        Target open = Target::None;
        int row = -1;  // the row to open: -1 the tempo track, 0.. the tracks
    };

    explicit SimpleTrackList(const Song* song = nullptr) { setSong(song); }
    // Reads the rows again (after a change of the song); the selection stays in range.
    void setSong(const Song* song);
    void refresh() { setSong(song_); }

    // "Tempo Trk.", then "<number> <name>" for each track.
    const std::vector<std::string>& rows() const { return rows_; }
    // -1: the tempo track; 0..: the tracks in list order. Its index in rows() is selected() + 1.
    int selected() const { return selected_; }

    // A Windows virtual key with its modifiers.
    KeyResult key(int virtualKey, bool shift, bool ctrl);

    // The status-bar text of an open request, UTF-8, with %1 for the row's text (context
    // "tarvio::SimpleTrackList"); null for Target::None.
    static const char* openRequestSource(Target target);

private:
    const Song* song_ = nullptr;
    std::vector<std::string> rows_;
    int selected_ = -1;
};

}  // namespace tarvio
