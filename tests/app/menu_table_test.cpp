#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/document.h"
#include "app/fake_transport.h"
#include "app/keymap.h"
#include "app/menu_table.h"
#include "app/simple_track_list.h"
#include "model/song.h"

namespace tarvio {
namespace {

const MenuState kStates[] = {MenuState::NoDocument, MenuState::TrackList, MenuState::Editor, MenuState::Grid};

// Finds an item by command and argument; its index, or -1.
int find(MenuCommand c, int arg = 0) {
    const auto& t = menuTable();
    for (size_t i = 0; i < t.size(); ++i)
        if (t[i].kind == MenuEntry::Kind::Item && t[i].command == c && t[i].arg == arg) return int(i);
    return -1;
}

// The states in which an entry shows.
uint8_t shownMask(const std::vector<MenuEntry>& t, size_t i) {
    uint8_t m = 0;
    for (MenuState s : kStates)
        if (menuEntryShows(t, i, s)) m |= uint8_t(s);
    return m;
}

TEST(MenuTable, TextsAcceleratorsAndStates) {
    struct Case {
        MenuCommand command;
        int arg;
        const char* text;
        const char* shortcut;
        bool checkable;
        bool withoutDocument;  // shows with no document (all items show in the three others)
    };
    const Case cases[] = {
        {MenuCommand::New, 0, "新規作成", "Ctrl+N", false, true},
        {MenuCommand::Open, 0, "開く...", "Ctrl+O", false, true},
        {MenuCommand::Save, 0, "上書き保存", "Ctrl+S", false, false},
        {MenuCommand::ExportSmf, 0, "SMF Format1", "", false, false},  // its submenu hides
        {MenuCommand::Stop, 0, "停止", "Esc", false, true},
        {MenuCommand::Loop, 0, "ループ再生", "Ctrl+L", true, true},
        {MenuCommand::TransportBar, 0, "トランスポートバー", "", true, true},
        {MenuCommand::MarkerSet, 1, "1(Loop Begin)", "Shift+Ctrl+1", false, false},
        {MenuCommand::MarkerJump, 2, "2(Loop End)", "Ctrl+2", false, false},
        {MenuCommand::MarkerJump, 10, "10", "Ctrl+0", false, false},
        {MenuCommand::TrackList, 0, "トラックリスト", "Alt+0", false, false},
        {MenuCommand::Editor, 2, "エディタ 3", "Alt+3", false, false},
        {MenuCommand::GridEditor, 0, "グリッドエディタ", "Alt+9", false, false},
        {MenuCommand::ResetDevices, 0, "全てのMIDIデバイスのリセット", "", false, true},
        {MenuCommand::PcKeyboard, 0, "PCキーボード入力", "", true, true},
    };
    const auto& t = menuTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const int i = find(c.command, c.arg);
        ASSERT_GE(i, 0);
        EXPECT_EQ(t[size_t(i)].text, c.text);
        EXPECT_EQ(t[size_t(i)].shortcut, c.shortcut);
        EXPECT_EQ(t[size_t(i)].checkable, c.checkable);
        EXPECT_EQ(menuEntryShows(t, size_t(i), MenuState::NoDocument), c.withoutDocument);
        for (MenuState s : {MenuState::TrackList, MenuState::Editor, MenuState::Grid}) EXPECT_TRUE(menuEntryShows(t, size_t(i), s));
    }
}

// Each window state shows its menus, and the main window's commands show where the document
// they need is open. A table's top-level menu decides for itself, whatever menu stands before it.
TEST(MenuTable, MenusAndCommandsOfEachWindowState) {
    using S = MenuState;
    const auto& t = menuTable();
    const auto titles = [&](MenuState s) {
        std::vector<std::string> shown;
        for (size_t i = 0; i < t.size(); ++i)
            if (t[i].kind == MenuEntry::Kind::Menu && menuEntryShows(t, i, s)) shown.push_back(t[i].text);
        return shown;
    };
    const std::vector<std::string> common = {"ファイル(&F)", "表示(&V)", "再生(&P)", "設定(&S)", "ヘルプ(&H)"};
    const std::map<MenuState, std::vector<std::string>> menus = {
        {S::NoDocument, common},
        {S::TrackList, {"ファイル(&F)", "編集(&E)", "トラック(&T)", "表示(&V)", "再生(&P)", "設定(&S)", "ヘルプ(&H)"}},
        {S::Editor, {"ファイル(&F)", "編集(&E)", "制御(&C)", "表示(&V)", "再生(&P)", "設定(&S)", "ヘルプ(&H)"}},
        {S::Grid, {"ファイル(&F)", "編集(&E)", "表示(&V)", "再生(&P)", "設定(&S)", "ヘルプ(&H)"}},
    };
    for (const auto& [state, expected] : menus) EXPECT_EQ(titles(state), expected) << int(state);

    // Commands: where they show, and whether a window serves them yet.
    constexpr uint8_t all = kAllStates, docs = kDocumentStates, list = uint8_t(S::TrackList), ed = uint8_t(S::Editor);
    const struct {
        MenuCommand command;
        int arg;
        uint8_t states;
        uint8_t served;  // the states in which a window carries it out
    } commands[] = {
        {MenuCommand::TransportBar, 0, all, all},   {MenuCommand::KeyboardBar, 0, all, all},
        {MenuCommand::StatusBar, 0, all, all},      {MenuCommand::Play, 0, all, all},
        {MenuCommand::Stop, 0, all, all},           {MenuCommand::Record, 0, all, all},
        {MenuCommand::Loop, 0, all, all},           {MenuCommand::CueToTop, 0, all, all},
        {MenuCommand::MarkerSet, 1, docs, all},     {MenuCommand::MarkerJump, 10, docs, all},
        {MenuCommand::TrackList, 0, docs, all},     {MenuCommand::Editor, 1, docs, all},
        {MenuCommand::GridEditor, 0, docs, all},    {MenuCommand::PhraseManager, 0, docs, 0},
        {MenuCommand::FkeySettings, 0, all, all},   {MenuCommand::KeySettings, 0, all, all},
        {MenuCommand::PortSettings, 0, all, all},   {MenuCommand::MetronomeSettings, 0, all, all},
        {MenuCommand::RecordingSettings, 0, all, all}, {MenuCommand::SyncSettings, 0, all, all},
        {MenuCommand::Resolution, 0, docs, all},    {MenuCommand::SongInfo, 0, docs, all},
        {MenuCommand::ResetDevices, 0, all, all},   {MenuCommand::About, 0, all, all},
        // The edit menu's commands: the numerical editor serves them.
        {MenuCommand::Undo, 0, docs, ed},           {MenuCommand::Redo, 0, docs, ed},
        {MenuCommand::Cut, 0, docs, ed},            {MenuCommand::Copy, 0, docs, ed},
        {MenuCommand::Paste, 0, docs, ed},          {MenuCommand::Delete, 0, docs, ed},
        {MenuCommand::AddTrack, 0, list, 0},        {MenuCommand::TrackProperties, 0, list, 0},
        {MenuCommand::EditTrack, 2, list, all},     {MenuCommand::GlobalLink, 0, list, 0},
        // The numerical editor's own commands show with it alone.
        {MenuCommand::EditorAction, kActJump, ed, ed},       {MenuCommand::EditorAction, kActErase, ed, ed},
        {MenuCommand::EditorAction, kActLoadPhrase, ed, ed}, {MenuCommand::EditorAction, kActPointMixRecordMeasure, ed, ed},
        {MenuCommand::EditorAction, kActInsertExclusive, ed, ed},
        {MenuCommand::EditorAction, kActMidiInputOff + 6, ed, ed}, {MenuCommand::EditorAction, kActBendRange, ed, ed},
        {MenuCommand::EditorAction, kActGhost, ed, ed},      {MenuCommand::FontSize, 14, ed, ed},
    };
    // A command may stand in several menus ("フレーズ編集" in Track and View): it shows where one does.
    for (const auto& c : commands) {
        const int first = find(c.command, c.arg);
        ASSERT_GE(first, 0) << int(c.command);
        SCOPED_TRACE(t[size_t(first)].text);
        uint8_t shown = 0;
        for (size_t i = 0; i < t.size(); ++i) {
            if (t[i].kind != MenuEntry::Kind::Item || t[i].command != c.command || t[i].arg != c.arg) continue;
            const uint8_t mask = shownMask(t, i);
            EXPECT_EQ(t[i].servedIn & mask, c.served & mask);
            for (MenuState s : kStates)
                if (menuEntryShows(t, i, s)) shown |= uint8_t(s);
        }
        EXPECT_EQ(shown, c.states);
    }
}

// The numerical editor's menu reaches its commands: the input modes, checked as they are
// active, the display settings and the playback from the cursor.
TEST(MenuTable, EditorMenuCarriesTheEditorsCommands) {
    const auto& t = menuTable();
    const struct {
        MenuCommand command;
        int arg;
        const char* text;
        bool checkable;
    } items[] = {
        {MenuCommand::EditorAction, kActMidiInputOff, "(----)停止", true},
        {MenuCommand::EditorAction, kActMidiInputOff + 1, "(NOTE)Note番号のみ捕捉", true},
        {MenuCommand::EditorAction, kActMidiInputOff + 4, "(M/VEL)単音の即時入力とヴェロシティ", true},
        {MenuCommand::EditorAction, kActMidiInputOff + 6, "(P/VEL)和音の即時入力とヴェロシティ", true},
        {MenuCommand::EditorAction, kActGhost, "ゴーストノート表示\tCtrl+G", true},
        {MenuCommand::FontSize, 12, "小", true},
        {MenuCommand::FontSize, 16, "大", true},
        {MenuCommand::EditorAction, kActBendRange, "ピッチベンド入力レンジの変更\tCtrl+B", false},
        {MenuCommand::EditorAction, kActSaveSelection, "ファイルにフレーズ保存\tS", false},
        {MenuCommand::EditorAction, kActMeasurePlayMeasure, "メジャープレビュー\tM", false},
        {MenuCommand::EditorAction, kActInsertCommand, "演算コマンド", false},
    };
    for (const auto& c : items) {
        SCOPED_TRACE(c.text);
        const int i = find(c.command, c.arg);
        ASSERT_GE(i, 0);
        EXPECT_EQ(t[size_t(i)].text, c.text);
        EXPECT_EQ(t[size_t(i)].checkable, c.checkable);
        EXPECT_EQ(shownMask(t, size_t(i)), uint8_t(MenuState::Editor));
    }
    // The editor's keys stay its own: its items carry no accelerator of the main window.
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].command == MenuCommand::EditorAction) {
            EXPECT_TRUE(t[i].shortcut.empty()) << t[i].text;
        }
    }
}

// An accelerator that two visible items share would reach only one of them.
TEST(MenuTable, NoAcceleratorTwiceInAState) {
    const auto& t = menuTable();
    for (MenuState s : kStates) {
        std::set<std::string> seen;
        for (size_t i = 0; i < t.size(); ++i) {
            if (!t[i].shortcut.empty() && menuEntryShows(t, i, s)) {
                EXPECT_TRUE(seen.insert(t[i].shortcut).second) << t[i].shortcut;
            }
        }
    }
}

TEST(MainWindowTitle, NoDocumentDocumentSongAndModifiedMark) {
    FakeTransport transport;
    Document doc(transport);
    EXPECT_EQ(mainWindowTitle(nullptr), "tarvio");
    ASSERT_FALSE(doc.modified());
    EXPECT_EQ(mainWindowTitle(&doc), "tarvio - " + doc.title() + " - " + doc.song().title);
    doc.setSongInfo("Song A", "");
    ASSERT_TRUE(doc.modified());
    EXPECT_EQ(mainWindowTitle(&doc), "tarvio - " + doc.title() + "* - Song A");
    EXPECT_EQ(mainWindowTitle(&doc, false), "tarvio - " + doc.title() + "*");
}

TEST(SimpleTrackList, RowsSelectionAndEnterTargets) {
    Song song;
    song.createTrack().name = "Piano";
    song.createTrack().name = "Bass";
    SimpleTrackList list(&song);
    ASSERT_EQ(list.rows().size(), 3u);
    EXPECT_EQ(list.rows()[0], "Tempo Trk.");
    EXPECT_EQ(list.rows()[1], std::to_string(song.tracks.front()->number) + " Piano");
    EXPECT_EQ(list.selected(), -1);

    constexpr int kUp = 0x26, kDown = 0x28, kEnter = 0x0D;
    EXPECT_FALSE(list.key(kUp, false, false).repaint);  // not above the tempo track
    EXPECT_EQ(list.selected(), -1);
    for (int i = 0; i < 3; ++i) list.key(kDown, false, false);
    EXPECT_EQ(list.selected(), 1);  // not below the last track

    using T = SimpleTrackList::Target;
    const std::pair<std::pair<bool, bool>, T> enter[] = {
        {{false, false}, T::View1}, {{true, false}, T::View2}, {{true, true}, T::View3}, {{false, true}, T::Grid}};
    for (const auto& [mods, target] : enter) {
        const auto r = list.key(kEnter, mods.first, mods.second);
        EXPECT_EQ(r.open, target);
        EXPECT_EQ(r.row, 1);
    }
    EXPECT_FALSE(list.key('A', false, false).handled);

    song.removeTrack(song.tracks.back()->number);
    list.refresh();
    EXPECT_EQ(list.selected(), 0);  // stays on a row that exists
}

}  // namespace
}  // namespace tarvio
