// The header strip of a track: its name, the PORT, CH. and BANK SET cells and the MUTE, SOLO and
// REC. buttons, drawn per track type (the tempo track shows its initial tempo instead, a phrase
// its number). The strip reads the song to draw; it never changes it. Clicks and closed
// in-place fields become StripCommands, which the window carries out through the document
// (applyStripCommand is the song side of that).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "model/track.h"
#include "views/field.h"
#include "views/pane.h"

namespace tarvio {

class Song;

// Hit areas of a strip.
enum StripArea : int {
    kAreaNone = 0,
    kAreaTempo = 1,     // the tempo track's tempo cell
    kAreaName = 2,
    kAreaMute = 3,
    kAreaSolo = 4,
    kAreaRecord = 5,
    kAreaStrip = 6,     // the rest of a track's (or a phrase's) strip
    kAreaChannel = 7,
    kAreaTempoStrip = 8,  // the rest of the tempo track's strip
    kAreaPort = 9,
    kAreaBankSet = 10,
    kAreaResize = 11,   // the bottom 4 pixels, where the row height is dragged (when enabled)
};

struct StripCommand {
    enum class Kind : uint8_t {
        Press,        // a left press on an area that edits nothing (select, move, resize ...)
        Open,         // a double-click on the strip outside its cells
        ToggleMute,   // mute = (mute + 1) mod 2
        ToggleSolo,   // solo = (solo + 1) mod 2, through the solo rule
        CycleRecord,  // record = (record + 1) mod 3, not while recording
        SetName,      // text
        SetChannel,   // value 0..15
        SetPort,      // value 0..255
        SetBankSet,   // text
        SetTempo,     // value 30..240, the song's initial tempo
    };
    Kind kind = Kind::Press;
    int area = kAreaNone;
    TrackType type = TrackType::Normal;  // the list the strip shows
    uint32_t number = 0;
    int value = 0;
    std::string text;
    unsigned modifiers = 0;  // held at the click
    bool operator==(const StripCommand&) const = default;
};

// Whether the command would change the song, and carrying it out (the caller brackets it as an
// edit). Mute, solo and record apply to normal tracks only; record is left alone while the
// player records. Returns whether anything changed.
bool stripCommandChanges(const Song& song, const StripCommand& c, bool recording);
bool applyStripCommand(Song& song, const StripCommand& c, bool recording);

// What the strip cannot read from the song.
struct StripNames {
    // The device a logical port (0..255) is mapped to; empty when unassigned.
    std::function<std::string(int port)> deviceOfPort;
    std::vector<std::string> bankSets;  // the bank-set names, in list order
};

class HeaderStrip : public Pane {
public:
    static constexpr int kWidth = 230;
    static constexpr int kHeight = 48;
    static constexpr int kMaxNameChars = 32;

    explicit HeaderStrip(Point position = {}, int height = kHeight);
    ~HeaderStrip() override;

    // The list shown: a normal track, the tempo track or a phrase of song (null: an empty strip).
    void setTrack(const Song* song, const Track* track);
    const Track* track() const { return track_; }
    void setNames(StripNames names) { names_ = std::move(names); }
    void setSelected(bool on);
    // Whether the bottom 4 pixels are the row-height handle (the track list's rows).
    void setResizable(bool on) { resizable_ = on; }
    void setOnCommand(std::function<void(const StripCommand&)> f) { onCommand_ = std::move(f); }

    // The rectangle of an area in this layout (empty when the track type has no such area).
    Rect areaRect(int area) const;
    // The open in-place field (null when none) and the area it edits.
    const EditField* field() const { return field_ ? &*field_ : nullptr; }
    int fieldArea() const { return fieldArea_; }
    // Closes the open field or list, writing it back or not.
    void closeField(bool writeBack);

    // The texts the cells show, as drawn.
    static std::string portText(const std::string& device);  // "%-32s"
    static std::string channelText(int channel);              // "%02d" of channel + 1
    static std::string bankSetText(const std::string& name);  // "%-16s"
    static std::string recordText(int record);                // "REC." or "MIX"

    int hitTest(Point p, Rect* out = nullptr) const override;
    void draw(Painter& painter) override;
    bool leftDown(Point p) override;
    bool leftDouble(Point p) override;
    // Any other press closes an open field too (writing it back), then goes on to the parent.
    bool rightDown(Point) override { return closeField(true), false; }
    bool middleDown(Point) override { return closeField(true), false; }
    bool key(int virtualKey) override;
    bool typed(std::string_view utf8) override;
    void focusLost() override { closeField(true); }

private:
    TrackType shownType() const;
    void emit(StripCommand c);
    StripCommand command(StripCommand::Kind k, int area) const;
    bool press(int area);
    void openField(int area);
    void openList(int area);
    void drawButton(Painter& p, int area, const char* text, bool on, ColorRole onRole);
    void drawCell(Painter& p, int area, const std::string& text);
    void drawLabel(Painter& p, Point at, const char* text);

    const Song* song_ = nullptr;
    const Track* track_ = nullptr;
    StripNames names_;
    bool selected_ = false, resizable_ = false;
    std::function<void(const StripCommand&)> onCommand_;
    std::optional<EditField> field_;
    int fieldArea_ = kAreaNone;
    ListPopup* list_ = nullptr;  // the open list (owned by the view)
};

}  // namespace tarvio
