// The main window's menus as data: which commands exist, their texts, accelerators and check
// marks, and in which of the four window states each shows. The window builds its menu bar
// from this table; tests read it without a display.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvio {

class Document;

// What the active window is; the menus differ by it.
enum class MenuState : uint8_t {
    NoDocument = 1,
    TrackList = 2,
    Editor = 4,   // numerical editor
    Grid = 8,     // grid editor
};

enum class MenuCommand : uint16_t {
    None,  // a separator, or a top-level menu or submenu title
    New, Open, Close, Save, SaveAs, ImportSmf, ExportSmf, Exit,
    SongInfo, Resolution,
    ToolBar, StatusBar, TransportBar, KeyboardBar,
    Play, Stop, Record, Loop, CueToTop,
    MarkerSet, MarkerJump,  // arg: marker 1..10
    TrackList, Editor,      // arg: editor slot 0..2
    GridEditor,
    PhraseManager,
    PortSettings, MetronomeSettings, RecordingSettings, SyncSettings, FkeySettings, KeySettings,
    ResetDevices,
    PcKeyboard,
    About,
    // The views' own menus (Edit, Track), routed to the active view.
    Undo, Redo, Cut, Copy, Paste, Delete,
    AddTrack, DeleteTrack, EditTrack,  // arg: editor slot 0..2
    GridEditTrack, TrackProperties, FollowPlayback, GlobalLink,
    // The numerical editor's own commands, run by the active editor.
    EditorAction,  // arg: the editor action code
    FontSize,      // arg: character height 12, 14 or 16
};

struct MenuEntry {
    enum class Kind : uint8_t { Menu, Submenu, EndSubmenu, Item, Separator };
    Kind kind = Kind::Item;
    std::string text;        // UTF-8 source text, translated in context "Menu" (markers: "1(Loop Begin)"...)
    MenuCommand command = MenuCommand::None;
    int arg = 0;
    std::string shortcut;    // portable key sequence text ("Ctrl+O", "Shift+Ctrl+1", "Esc"), empty: none
    bool checkable = false;
    uint8_t states = 0;      // MenuState bits where the entry shows (items inherit their menu's)
    // The window states in which a window carries the command out; elsewhere the item shows,
    // but disabled (its window is still to come, or only another kind of window serves it).
    uint8_t servedIn = 15;
};

inline constexpr uint8_t kAllStates = 15;
inline constexpr uint8_t kDocumentStates = 14;

// Top-level menus begin with a Menu entry; a submenu runs from Submenu to EndSubmenu.
const std::vector<MenuEntry>& menuTable();

// Whether an entry shows in a state: its own states and those of the menus it sits in (a
// top-level menu by its own states alone).
bool menuEntryShows(const std::vector<MenuEntry>& table, size_t index, MenuState state);

// Whether an entry's command is carried out in a state.
inline bool menuEntryServed(const MenuEntry& e, MenuState state) { return (e.servedIn & uint8_t(state)) != 0; }

// The main window's title: "tarvio" without a document, "tarvio - <document> - <song>" while
// the document's song is in the player, "tarvio - <document>" otherwise; a modified document's
// name is followed by "*".
std::string mainWindowTitle(const Document* document, bool songInPlayer = true);

}  // namespace tarvio
