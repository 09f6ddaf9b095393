// What the main window asks of the application: the commands that open files and dialogs and
// replace or close the document. The main window itself handles the transport, markers, view
// switching, bars and the timer; everything that creates, opens, saves or closes a document,
// or edits the settings, goes through this host.
#pragma once

#include <QString>
#include <QStringList>

namespace tarvio {

class Document;
struct AppConfig;
struct WindowLayout;

class MainWindowHost {
public:
    virtual ~MainWindowHost() = default;

    virtual Document* document() = 0;  // null: no document open

    // File menu. Each asks to save a modified document first where the command replaces it.
    virtual void newDocument() = 0;
    virtual void openDocument() = 0;                    // file dialog
    virtual void openFile(const QString& path) = 0;     // dropped files, recent files
    virtual void saveDocument() = 0;
    virtual void saveDocumentAs() = 0;
    virtual void importSmf() = 0;
    virtual void exportSmf() = 0;
    virtual QStringList recentFiles() = 0;             // at most 8, newest first
    // Asks to save when modified; false when the user cancelled (the window stays open).
    virtual bool closeDocument() = 0;

    // Song and settings dialogs.
    virtual void editSongInfo() = 0;       // "楽曲情報の編集"
    virtual void changeResolution() = 0;   // "分解能変更"
    virtual void portSettings() = 0;       // "MIDIポート設定"
    virtual void metronomeSettings() = 0;  // "メトロノーム設定"
    virtual void recordingSettings() = 0;  // "レコーディングの設定"
    virtual void syncSettings() = 0;       // "同期の設定"

    // Where the document's child windows stood: a view window takes its rectangle when it opens
    // and gives it back when it closes.
    virtual WindowLayout& windowLayout() = 0;
    // The settings records the editor windows work with (key map, function keys, slot
    // settings, controller names, bank sets, window layout); null: the editors use defaults.
    virtual AppConfig* appConfig() { return nullptr; }
};

}  // namespace tarvio
