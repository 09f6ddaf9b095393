#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/document.h"
#include "app/fake_transport.h"
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

TEST(MainWindowTitle, NoDocumentDocumentAndSong) {
    FakeTransport transport;
    Document doc(transport);
    doc.setSongInfo("Song A", "");
    EXPECT_EQ(mainWindowTitle(nullptr), "tarvio");
    EXPECT_EQ(mainWindowTitle(&doc), "tarvio - " + doc.title() + " - Song A");
    EXPECT_EQ(mainWindowTitle(&doc, false), "tarvio - " + doc.title());
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
