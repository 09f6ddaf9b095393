// The numerical editor's dialogs, as the editor window shows them.
//
//   EditorResult runEditorRequest(QWidget* parent, const EditorRequest& request,
//                                 const EditorDialogContext& context);
//
// Shows the dialog or list the controller asked for (NumericEditor's EditorRequest), waits for
// the user and returns what the controller's complete() takes: ok false when the user cancelled
// (or for a request that shows nothing here: None, OpenPhraseEditor and GridEditor, which the
// window carries out itself). By kind:
//   ControllerList, ProcedureList, PhraseList, InstructionList, CloneList, BankSetList,
//   PortList: a list sliding in at context.listArea (or a small dialog); index = the chosen
//     row, text = the bank set's name (BankSetList), number = the port (PortList).
//   ProgramList: BankSelectDialog over the track's bank set; number = program, bankMsb, bankLsb.
//   PluginParams: the parameter dialog on a copy of request.params; params = the edited copy.
//   SysEx: CSysExDialog; bytes = the message.
//   CommentText, PhraseName: CTextInputDialog with request.caption; text (a comment is cut to
//     its 32 bytes).
//   SavePhraseFile, LoadPhraseFile: a file chooser for ".tvp" files; text = the path (UTF-8).
//   Jump: CJumpDialog; number = measure from 1, tick, index = track row, track = its number.
//   BendRange, ChannelNumber: NumberInputDialog within request.min..max; number.
//
// The settings dialogs of the main window's menu ("FKey設定", "数値入力エディタのキーカスタマイズ")
// edit the process-wide tables: editFkeys and editKeyMap, true after OK; connectSettingsMenus
// ties them to the menu.
#pragma once

// The song's headers before Qt's, whose "slots" keyword would rename a member of the track.
#include "editor/numeric_editor.h"

#include <QRect>
#include <QString>
#include <functional>

#include <vector>


class QWidget;

namespace tarvio {

struct AppConfig;
struct BankSet;
struct DeviceNames;
struct FkeyTable;
class KeyMap;
class MainWindow;
class Song;
struct Screenshot;

struct EditorDialogContext {
    const Song* song = nullptr;                   // Jump: the tracks' numbers
    const std::vector<BankSet>* banks = nullptr;  // ProgramList, BankSetList
    const AppConfig* config = nullptr;            // PortList: the port set-up
    const DeviceNames* devices = nullptr;         // PortList's device names; null: the port layer's
    QRect listArea;      // global: the editor's left edge from the cursor row down; empty: a dialog
    QString phraseFolder;  // where the phrase file chooser starts
};

EditorResult runEditorRequest(QWidget* parent, const EditorRequest& request, const EditorDialogContext& context);

bool editFkeys(QWidget* parent, FkeyTable& table);
bool editKeyMap(QWidget* parent, KeyMap& map);
// The main window's "FKey設定" and "数値入力エディタのキーカスタマイズ" open those two dialogs on
// config's tables, and its editors' requests are answered by runEditorRequest (song: the
// document's song at the time of the request, for the jump dialog).
void connectSettingsMenus(MainWindow& window, AppConfig& config, std::function<const Song*()> song = {});

// Each of the dialogs, filled with sample content from the song and the settings, shown without
// waiting, for the pictures of scripts/screenshots.sh (children of owner).
std::vector<Screenshot> editorDialogsForScreenshots(AppConfig& config, const Song& song, QWidget* owner);

}  // namespace tarvio
