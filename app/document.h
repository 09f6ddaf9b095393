// The document: the one writer of the song. It owns the song and its file, the modified and
// damaged states, the ten markers and the loop range; it brackets every edit for the player,
// groups it for undo and tells its listeners what changed.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/event_list.h"
#include "model/track.h"

namespace tarvio {

class Song;
class Transport;
struct ReadReport;

// What an edit changed, so that a view refreshes only that.
struct DocumentChange {
    enum class Kind : uint8_t {
        Song,     // everything: a new or opened song, the resolution, an undo of a removed list
        Tracks,   // the list of tracks (added, removed, moved) or a track's settings
        Phrases,  // the list of phrases
        Events,   // the events of one list: within [from, to), or the serials when given
        Info,     // title and rights
        Markers,  // markers and the loop range
        File,     // path, title or modified state (the window title)
    };
    static constexpr int64_t kToEnd = INT64_MAX;

    Kind kind = Kind::Song;
    TrackType type = TrackType::Normal;  // Events: the list
    uint32_t number = 0;
    int64_t from = 0, to = kToEnd;
    std::vector<uint32_t> serials;

    static DocumentChange of(Kind k) {
        DocumentChange c;
        c.kind = k;
        return c;
    }
    static DocumentChange events(const Track& list, int64_t from = 0, int64_t to = kToEnd);
    static DocumentChange eventSerials(const Track& list, std::vector<uint32_t> serials);
};

class DocumentListener {
public:
    virtual ~DocumentListener() = default;
    virtual void documentChanged(const std::vector<DocumentChange>& changes) = 0;
};

// The outcome of a file command. message is one line naming the file: why it failed, or for a
// success a warning to show (a damaged file).
struct FileResult {
    bool ok = false;
    bool needsName = false;  // save(): ask the user for a new name and call saveAs
    std::string message;
};

// The texts the document shows, UTF-8, in one table for the translation. The user interface
// installs a translator (null: the source texts); "%1", "%2", "%3" are filled in afterwards.
enum class DocText : int {
    CannotOpen,      // %1 file, %2 the system's reason
    NotSongFile,     // %1 file
    NotMidiFile,     // %1 file
    Damaged,         // %1 file, %2 byte offset, %3 reason
    SaveNeedsName,   // %1 file (damaged original)
    CannotSave,      // %1 file, %2 reason
    CannotExport,    // %1 file, %2 reason
    BadResolution,   // %1 the value
    NoFolder,        // reasons a file cannot be written: %1 the folder
    NotAFolder,      // %1 the path that is a file
    FolderTaken,     // a folder has the file's name
    NoPermission,    // %1 the folder
    ReadOnlyFolder,  // %1 the folder
    DiskFull,
    NameTooLong,
    Count
};
void setDocumentTranslator(std::string (*translate)(const char* source));

// The menu texts of the marker commands: "1(Loop Begin)", "2(Loop End)", "3".."10".
std::string markerMenuText(int n);

constexpr int kDocumentMarkers = 10;

// A song read from a file but not yet the document's. Reading touches nothing of the document,
// so it may run on another thread while the window waits behind a progress dialog.
struct LoadedSong {
    std::unique_ptr<Song> song;  // null when the file could not be read
    FileResult result;           // why it failed, or the warning for a damaged file
    std::string path;
    bool smf = false;
    bool damaged = false;
};

class Document {
public:
    // Starts with a new song, which becomes the transport's song. Installs the edit hook of the
    // edit operations so that they hold the player off through this transport.
    explicit Document(Transport& transport);
    // Takes the song away from the transport before destroying it.
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    Song& song() { return *song_; }
    const Song& song() const { return *song_; }
    Transport& transport() { return transport_; }

    // ---- files ----
    // The user interface asks before any of these whether needsSavePrompt(), and offers saving.
    void newSong();
    // A Standard MIDI File is imported at tpqn, a song file read; which one the file's first
    // bytes say, and where they say nothing a ".mid" name (any case) imports. On failure the
    // open document stays as it was.
    FileResult open(const std::string& path, uint16_t tpqn = 480);
    FileResult importSmf(const std::string& path, uint16_t tpqn);
    // open and importSmf in two halves: the reading, on any thread, and the taking of what was
    // read, on the document's thread (a failed read leaves the document as it was).
    static LoadedSong load(const std::string& path, uint16_t tpqn = 480);
    static LoadedSong loadSmf(const std::string& path, uint16_t tpqn);
    FileResult adopt(LoadedSong loaded);
    FileResult save();
    FileResult saveAs(const std::string& path);
    FileResult exportSmf(const std::string& path);
    // Whether open() imports the file (and so needs a resolution).
    static bool opensAsSmf(const std::string& path);
    // The name to offer when the user is asked where to save: the file's own name; for an
    // imported file the same name ending in ".tvo"; for a damaged file a name beside the
    // original ("demo-recovered.tvo") that no file has yet.
    std::string saveAsName() const;
    // Why saveAs(path) would refuse that name (the damaged original), or empty; so that a file
    // dialog can say it before the name is taken.
    std::string whySaveRefused(const std::string& path) const;

    const std::string& path() const { return path_; }  // empty: no file to save to
    bool modified() const { return modified_; }
    bool damaged() const { return damaged_; }          // read from a damaged file, not saved since
    bool needsSavePrompt() const { return modified_; }
    // The document title: the file name, or "tarvioN" for a document that has none.
    const std::string& title() const { return title_; }
    // The main window's title: "tarvio - <document title> - <song title>".
    std::string windowTitle() const;
    static std::string noDocumentTitle() { return "tarvio"; }

    // ---- edits ----
    // Every change of the song goes between these: the player is held off, the change is one
    // step of the song's undo, the document is modified and, at the outermost end, the
    // listeners hear what changed. Brackets nest.
    void beginEdit();
    void endEdit(std::vector<DocumentChange> changes);
    void endEdit(DocumentChange change) { endEdit(std::vector<DocumentChange>{std::move(change)}); }

    bool canUndo() const;
    bool canRedo() const;
    bool undo();
    bool redo();

    // The 10 ms timer's call: takes every finished recording into the record tracks.
    // Returns the number of tracks changed.
    int takeRecordings();

    // ---- markers and loop ----
    int32_t marker(int n) const;  // n = 1..10
    void setMarker(int n);        // to the current play position
    void setMarker(int n, int32_t tick);
    // Stops if playing, locates to the marker, plays again if it was playing.
    void jumpToMarker(int n);
    int32_t loopBegin() const { return std::min(markers_[0], markers_[1]); }
    int32_t loopEnd() const { return std::max(markers_[0], markers_[1]); }

    // ---- song information and resolution ----
    void setSongInfo(const std::string& title, const std::string& rights);
    // Stops playback, sets the ticks per quarter note (960, 480, 192, 96 or 48) without
    // rescaling any step, and locates to the same tick again. False for other values.
    bool setResolution(uint16_t tpqn);

    // ---- clipboard (the user interface puts the bytes under kClipboardMime) ----
    static constexpr const char* kClipboardMime = "application/x-tarvio-sequence";
    static std::vector<uint8_t> clipboardBlock(const std::vector<EventList>& lists);
    static bool readClipboardBlock(const std::vector<uint8_t>& bytes, std::vector<EventList>& lists);

    // ---- listeners ----
    void addListener(DocumentListener* l);
    void removeListener(DocumentListener* l);

private:
    void replaceSong(std::unique_ptr<Song> song, std::string path, std::string title);
    static void loadCommands(Song& song);
    static LoadedSong loaded(LoadedSong l, std::unique_ptr<Song> song, const ReadReport& report);
    void applyLoop();
    void notify(std::vector<DocumentChange> changes);
    bool stepHistory(bool back);
    FileResult writeTo(const std::string& path);
    static void editHook(bool enabled);

    Transport& transport_;
    std::unique_ptr<Song> song_;
    std::string path_, title_;
    std::string sourcePath_;  // the file the song was read from or last written to
    bool modified_ = false;
    bool damaged_ = false;
    bool imported_ = false;   // the song came from a Standard MIDI File and was not saved since
    std::array<int32_t, kDocumentMarkers> markers_{};
    int untitled_ = 0;
    int editDepth_ = 0;
    std::vector<DocumentChange> pending_;
    std::vector<DocumentListener*> listeners_;
};

// Brackets one edit of the document for its lifetime.
class DocumentEdit {
public:
    DocumentEdit(Document& d, DocumentChange c) : d_(d) {
        changes_.push_back(std::move(c));
        d_.beginEdit();
    }
    ~DocumentEdit() { d_.endEdit(std::move(changes_)); }
    void also(DocumentChange c) { changes_.push_back(std::move(c)); }
    DocumentEdit(const DocumentEdit&) = delete;
    DocumentEdit& operator=(const DocumentEdit&) = delete;

private:
    Document& d_;
    std::vector<DocumentChange> changes_;
};

}  // namespace tarvio
