#include "app/menu_table.h"

#include "app/document.h"
#include "app/texts.h"
#include "model/song.h"

namespace tarvio {

namespace {

using K = MenuEntry::Kind;
using C = MenuCommand;

constexpr uint8_t kTracks = uint8_t(MenuState::TrackList);
constexpr uint8_t kEditor = uint8_t(MenuState::Editor);
constexpr uint8_t kEdits = uint8_t(MenuState::TrackList) | uint8_t(MenuState::Editor) | uint8_t(MenuState::Grid);

MenuEntry menu(const char* text, uint8_t states) { return {K::Menu, text, C::None, 0, {}, false, states}; }
MenuEntry submenu(const char* text, uint8_t states = kAllStates) { return {K::Submenu, text, C::None, 0, {}, false, states}; }
MenuEntry endSubmenu() { return {K::EndSubmenu, {}, C::None, 0, {}, false, kAllStates}; }
MenuEntry separator() { return {K::Separator, {}, C::None, 0, {}, false, kAllStates}; }
MenuEntry item(const char* text, C command, const char* shortcut = "", uint8_t states = kAllStates, bool checkable = false,
               int arg = 0) {
    return {K::Item, text, command, arg, shortcut, checkable, states};
}
// An item whose window is still to come: it shows disabled until that window serves it.
MenuEntry unserved(MenuEntry e) {
    e.servedIn = 0;
    return e;
}
// An item that only the numerical editor carries out (elsewhere it shows disabled).
MenuEntry byEditor(MenuEntry e) {
    e.servedIn = kEditor;
    return e;
}
// An item of the numerical editor's own, run by the active editor; the text's part after a tab
// names the editor's key.
MenuEntry editorItem(const char* text, int action, bool checkable = false) {
    return {K::Item, text, C::EditorAction, action, {}, checkable, kEditor};
}

// Markers 1 and 2 are the loop's ends; the others are their numbers.
const char* const kLoopMarkerTexts[2] = {QT_TRANSLATE_NOOP("Menu", "1(Loop Begin)"), QT_TRANSLATE_NOOP("Menu", "2(Loop End)")};

void markerMenu(std::vector<MenuEntry>& t, const char* title, C command, const char* modifiers) {
    t.push_back(submenu(title, kDocumentStates));
    for (int n = 1; n <= kDocumentMarkers; ++n) {
        const std::string text = n <= 2 ? kLoopMarkerTexts[n - 1] : std::to_string(n);
        t.push_back({K::Item, text, command, n, std::string(modifiers) + std::to_string(n % 10), false, kAllStates});
    }
    t.push_back(endSubmenu());
}

std::vector<MenuEntry> build() {
    std::vector<MenuEntry> t;
    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "ファイル(&F)"), kAllStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "新規作成"), C::New, "Ctrl+N"));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "開く..."), C::Open, "Ctrl+O"));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "閉じる"), C::Close, "", kDocumentStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "上書き保存"), C::Save, "Ctrl+S", kDocumentStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "名前を付けて保存"), C::SaveAs, "", kDocumentStates));
    t.push_back(separator());
    t.push_back(submenu(QT_TRANSLATE_NOOP("Menu", "読み込み")));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "SMF Format0 / Format1"), C::ImportSmf));
    t.push_back(endSubmenu());
    t.push_back(submenu(QT_TRANSLATE_NOOP("Menu", "書き出し"), kDocumentStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "SMF Format1"), C::ExportSmf));
    t.push_back(endSubmenu());
    t.push_back(separator());
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "楽曲情報の編集"), C::SongInfo, "", kDocumentStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "分解能変更"), C::Resolution, "", kDocumentStates));
    t.push_back(separator());
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "アプリケーションの終了"), C::Exit));

    // The views' own menus. A text's part after a tab names the view's key for the command.
    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "編集(&E)"), kEdits));
    t.push_back(byEditor(item(QT_TRANSLATE_NOOP("Menu", "元に戻す"), C::Undo, "Ctrl+Z")));
    t.push_back(byEditor(item(QT_TRANSLATE_NOOP("Menu", "やり直す"), C::Redo, "Ctrl+Y")));
    t.push_back(separator());
    t.push_back(byEditor(item(QT_TRANSLATE_NOOP("Menu", "切り取り"), C::Cut, "Ctrl+X")));
    t.push_back(byEditor(item(QT_TRANSLATE_NOOP("Menu", "コピー"), C::Copy, "Ctrl+C")));
    t.push_back(byEditor(item(QT_TRANSLATE_NOOP("Menu", "貼り付け"), C::Paste, "Ctrl+V")));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "貼り付け（ミックス）\tShift+Y"), 213));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "貼り付け（上書き）\tShift+Ctrl+Ins"), 214));
    t.push_back(byEditor(item(QT_TRANSLATE_NOOP("Menu", "削除\tDel"), C::Delete)));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "消去\tShift+Del"), 201));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "全て選択\tCtrl+A"), 220));
    // The rest of the numerical editor's menu.
    t.push_back({K::Separator, {}, C::None, 0, {}, false, kEditor});
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "サーチ\tH"), 304));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ソート\tO"), 305));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ジャンプ\t: or Num *"), 30));
    t.push_back({K::Separator, {}, C::None, 0, {}, false, kEditor});
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "フレーズ化\tShift+S"), 600));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ファイルにフレーズ保存\tS"), 601));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ファイルからフレーズ読み込み\tL"), 602));
    t.push_back({K::Separator, {}, C::None, 0, {}, false, kEditor});
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "クオンタイズ\tQ"), 302));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "グラフィカルデータセット\tZ"), 303));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "シフト/トランポーズ\tT"), 300));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "コンプレス/エキスパンド\tX"), 301));
    t.push_back({K::Separator, {}, C::None, 0, {}, false, kEditor});
    t.push_back(submenu(QT_TRANSLATE_NOOP("Menu", "データ入力"), kEditor));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "コントローラ"), 500));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "プロシージャ"), 501));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "フレーズ呼び出し"), 502));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "演算コマンド"), 503));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "クローン"), 505));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "エクスクルーシヴ"), 504));
    t.push_back(endSubmenu());

    // The numerical editor's playback from the cursor.
    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "制御(&C)"), kEditor));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ポイントプレイ\tP"), 700));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ソロプレビュー\tJ"), 702));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "メジャープレビュー\tM"), 704));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ポイントレコーディング\tR"), 706));
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ポイントMixレコーディング\tCtrl+R"), 708));

    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "トラック(&T)"), kTracks));
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "トラックの追加(&N)"), C::AddTrack, "Ctrl+A")));
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "トラックの削除(&D)"), C::DeleteTrack, "Ctrl+D")));
    t.push_back(separator());
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "トラックを編集 view1(&1)\tEnter"), C::EditTrack, "", kAllStates, false, 0));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "トラックを編集 view2(&2)\tShift+Enter"), C::EditTrack, "", kAllStates, false, 1));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "トラックを編集 view3(&3)\tShift+Ctrl+Enter"), C::EditTrack, "", kAllStates, false, 2));
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "グリッドエディタで編集(&4)\tCtrl+Enter"), C::GridEditTrack)));
    t.push_back(separator());
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "フレーズ編集(&A)"), C::PhraseManager)));
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "プロパティ(&E)"), C::TrackProperties)));
    t.push_back(separator());
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "再生時カーソル追従(&F)\tF"), C::FollowPlayback, "", kAllStates, true)));
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "グローバルリンク(&G)"), C::GlobalLink, "", kAllStates, true)));

    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "表示(&V)"), kAllStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "ツールバー"), C::ToolBar, "", kAllStates, true));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "ステータスバー"), C::StatusBar, "", kAllStates, true));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "トランスポートバー"), C::TransportBar, "", kAllStates, true));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "キーボードバー"), C::KeyboardBar, "", kAllStates, true));
    t.push_back(separator());
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "トラックリスト"), C::TrackList, "Alt+0", kDocumentStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "エディタ 1"), C::Editor, "Alt+1", kDocumentStates, false, 0));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "エディタ 2"), C::Editor, "Alt+2", kDocumentStates, false, 1));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "エディタ 3"), C::Editor, "Alt+3", kDocumentStates, false, 2));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "グリッドエディタ"), C::GridEditor, "Alt+9", kDocumentStates));
    t.push_back(unserved(item(QT_TRANSLATE_NOOP("Menu", "フレーズ編集"), C::PhraseManager, "", kDocumentStates)));
    t.push_back({K::Separator, {}, C::None, 0, {}, false, kEditor});
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ゴーストノート表示\tCtrl+G"), 850, true));
    t.push_back(submenu(QT_TRANSLATE_NOOP("Menu", "フォントサイズ"), kEditor));
    t.push_back({K::Item, QT_TRANSLATE_NOOP("Menu", "小"), C::FontSize, 12, {}, true, kEditor});
    t.push_back({K::Item, QT_TRANSLATE_NOOP("Menu", "中"), C::FontSize, 14, {}, true, kEditor});
    t.push_back({K::Item, QT_TRANSLATE_NOOP("Menu", "大"), C::FontSize, 16, {}, true, kEditor});
    t.push_back(endSubmenu());

    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "再生(&P)"), kAllStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "再生"), C::Play));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "停止"), C::Stop, "Esc"));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "録音"), C::Record));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "ループ再生"), C::Loop, "Ctrl+L", kAllStates, true));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "頭出し"), C::CueToTop));
    t.push_back(separator());
    markerMenu(t, QT_TRANSLATE_NOOP("Menu", "マーカーセット"), C::MarkerSet, "Shift+Ctrl+");
    markerMenu(t, QT_TRANSLATE_NOOP("Menu", "マーカージャンプ"), C::MarkerJump, "Ctrl+");
    t.push_back(separator());
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "PCキーボード入力"), C::PcKeyboard, "", kAllStates, true));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "全てのMIDIデバイスのリセット"), C::ResetDevices));

    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "設定(&S)"), kAllStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "MIDIポート設定"), C::PortSettings));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "メトロノーム設定"), C::MetronomeSettings));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "レコーディングの設定"), C::RecordingSettings));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "同期の設定"), C::SyncSettings));
    t.push_back(separator());
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "FKey設定"), C::FkeySettings));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "数値入力エディタのキーカスタマイズ"), C::KeySettings));
    // The numerical editor's input settings.
    t.push_back({K::Separator, {}, C::None, 0, {}, false, kEditor});
    t.push_back(submenu(QT_TRANSLATE_NOOP("Menu", "MIDI入力モード切替え"), kEditor));
    {
        const char* const modes[] = {
            QT_TRANSLATE_NOOP("Menu", "(----)停止"),
            QT_TRANSLATE_NOOP("Menu", "(NOTE)Note番号のみ捕捉"),
            QT_TRANSLATE_NOOP("Menu", "(VEL)Note番号とヴェロシティを捕捉"),
            QT_TRANSLATE_NOOP("Menu", "(MONO)単音の即時入力"),
            QT_TRANSLATE_NOOP("Menu", "(M/VEL)単音の即時入力とヴェロシティ"),
            QT_TRANSLATE_NOOP("Menu", "(POLY)和音の即時入力"),
            QT_TRANSLATE_NOOP("Menu", "(P/VEL)和音の即時入力とヴェロシティ"),
        };
        for (int m = 0; m < 7; ++m) t.push_back(editorItem(modes[m], 802 + m, true));
    }
    t.push_back(endSubmenu());
    t.push_back(editorItem(QT_TRANSLATE_NOOP("Menu", "ピッチベンド入力レンジの変更\tCtrl+B"), 900));

    t.push_back(menu(QT_TRANSLATE_NOOP("Menu", "ヘルプ(&H)"), kAllStates));
    t.push_back(item(QT_TRANSLATE_NOOP("Menu", "バージョン情報(&A)..."), C::About));

    return t;
}

}  // namespace

const std::vector<MenuEntry>& menuTable() {
    static const std::vector<MenuEntry> table = build();
    return table;
}

bool menuEntryShows(const std::vector<MenuEntry>& table, size_t index, MenuState state) {
    const uint8_t bit = uint8_t(state);
    if (index >= table.size() || !(table[index].states & bit)) return false;
    if (table[index].kind == K::Menu) return true;  // the menu before it is no enclosing one
    // Walk back through the enclosing submenus and the top-level menu.
    int depth = 0;
    for (size_t i = index; i-- > 0;) {
        const MenuEntry& e = table[i];
        if (e.kind == K::EndSubmenu) {
            ++depth;
        } else if (e.kind == K::Submenu) {
            if (depth > 0) --depth;
            else if (!(e.states & bit)) return false;
        } else if (e.kind == K::Menu) {
            return (e.states & bit) != 0;
        }
    }
    return true;
}

std::string mainWindowTitle(const Document* document, bool songInPlayer) {
    if (!document) return Document::noDocumentTitle();
    std::string title = "tarvio - " + document->title();
    if (document->modified()) title += "*";
    if (songInPlayer) title += " - " + document->song().title;
    return title;
}

}  // namespace tarvio
