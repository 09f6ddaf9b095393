#include "app/document.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "app/texts.h"
#include "app/transport.h"
#include "expand/emitter.h"
#include "io/file_kind.h"
#include "io/file_util.h"
#include "io/procedure_file.h"
#include "io/smf.h"
#include "io/song_file.h"
#include "model/song.h"
#include "ops/clipboard.h"
#include "ops/edit_scope.h"

namespace tarvio {

namespace {

// The source texts, in the order of DocText; the windows translate them in the context "Document".
constexpr const char* kTexts[] = {
    QT_TRANSLATE_NOOP("Document", "%1 を開けません: %2"),
    QT_TRANSLATE_NOOP("Document", "%1 はソングファイルではありません"),
    QT_TRANSLATE_NOOP("Document", "%1 はStandard MIDI Fileではありません"),
    QT_TRANSLATE_NOOP("Document", "%1 は壊れています: %2 バイト目で読み込みを止めました (%3)。保存するときは別の名前を付けてください"),
    QT_TRANSLATE_NOOP("Document", "%1 は途中までしか読めなかったファイルです。元のファイルを上書きしないよう、別の名前で保存してください"),
    QT_TRANSLATE_NOOP("Document", "%1 を保存できません: %2"),
    QT_TRANSLATE_NOOP("Document", "%1 を書き出せません: %2"),
    QT_TRANSLATE_NOOP("Document", "分解能 %1 は選べません"),
    QT_TRANSLATE_NOOP("Document", "フォルダー %1 がありません"),
    QT_TRANSLATE_NOOP("Document", "%1 はフォルダーではありません"),
    QT_TRANSLATE_NOOP("Document", "同じ名前のフォルダーがあります"),
    QT_TRANSLATE_NOOP("Document", "フォルダー %1 にはファイルを作る権限がありません"),
    QT_TRANSLATE_NOOP("Document", "フォルダー %1 は読み取り専用です"),
    QT_TRANSLATE_NOOP("Document", "ディスクに空きがありません"),
    QT_TRANSLATE_NOOP("Document", "ファイル名が長すぎます"),
};
static_assert(std::size(kTexts) == size_t(DocText::Count));

std::string (*g_translate)(const char*) = nullptr;

std::string text(DocText t, const std::string& a1 = {}, const std::string& a2 = {}, const std::string& a3 = {}) {
    const char* source = kTexts[size_t(t)];
    std::string s = g_translate ? g_translate(source) : std::string(source);
    const std::string* args[] = {&a1, &a2, &a3};
    for (size_t i = 0; i + 1 < s.size(); ++i) {
        if (s[i] != '%' || s[i + 1] < '1' || s[i + 1] > '3') continue;
        const std::string& a = *args[s[i + 1] - '1'];
        s.replace(i, 2, a);
        i += a.size() - 1;
    }
    return s;
}

// The file readers' lines are "<what> <path>: <reason>"; the document names the file itself.
std::string reasonOf(const std::string& err, const std::string& path) {
    const std::string key = path + ": ";
    const size_t p = err.find(key);
    return p == std::string::npos ? err : err.substr(p + key.size());
}

// Why a file could not be written, in words for the user rather than the system's: the writers
// end their line with the system's text for the error, which is matched here.
std::string writeReason(const std::string& err, const std::string& path) {
    const std::string reason = reasonOf(err, path);
    const std::string folder = std::filesystem::path(path).parent_path().string();
    const auto is = [&](int code) { return reason == std::strerror(code); };
    if (is(ENOENT)) return text(DocText::NoFolder, folder.empty() ? "." : folder);
    if (is(ENOTDIR)) {
        // The first part of the folder's path that exists and is a file.
        std::filesystem::path p = folder;
        std::error_code ec;
        while (p.has_parent_path() && p != p.parent_path() && !std::filesystem::is_regular_file(p, ec)) p = p.parent_path();
        return text(DocText::NotAFolder, std::filesystem::is_regular_file(p, ec) ? p.string() : folder);
    }
    if (is(EISDIR)) return text(DocText::FolderTaken);
    if (is(EACCES) || is(EPERM)) return text(DocText::NoPermission, folder.empty() ? "." : folder);
    if (is(EROFS)) return text(DocText::ReadOnlyFolder, folder.empty() ? "." : folder);
    if (is(ENOSPC) || is(EDQUOT)) return text(DocText::DiskFull);
    if (is(ENAMETOOLONG)) return text(DocText::NameTooLong);
    return reason;
}

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(a, b, ec)) return true;
    const auto ca = std::filesystem::weakly_canonical(a, ec);
    const auto cb = std::filesystem::weakly_canonical(b, ec);
    return !ec && ca == cb;
}

// The document whose transport the edit operations' own brackets hold off.
Document* g_document = nullptr;

}  // namespace

void setDocumentTranslator(std::string (*translate)(const char*)) { g_translate = translate; }

std::string markerMenuText(int n) {
    if (n == 1) return "1(Loop Begin)";
    if (n == 2) return "2(Loop End)";
    return std::to_string(n);
}

DocumentChange DocumentChange::events(const Track& list, int64_t from, int64_t to) {
    DocumentChange c = of(Kind::Events);
    c.type = list.type;
    c.number = list.historyNumber();
    c.from = from;
    c.to = to;
    return c;
}

DocumentChange DocumentChange::eventSerials(const Track& list, std::vector<uint32_t> serials) {
    DocumentChange c = events(list);
    c.serials = std::move(serials);
    return c;
}

Document::Document(Transport& transport) : transport_(transport) {
    g_document = this;
    setEditHook(&Document::editHook);
    newSong();
}

Document::~Document() {
    if (g_document == this) {
        setEditHook(nullptr);
        g_document = nullptr;
    }
    transport_.setSong(nullptr);  // before the song goes
    song_.reset();
}

void Document::editHook(bool enabled) {
    Document* d = g_document;
    if (!d) return;
    if (!enabled) {
        d->transport_.beginEdit();
    } else {
        d->transport_.endEdit();
        d->modified_ = true;  // an edit that bypassed the document still has to be saved
    }
}

// ---- files ----

bool Document::opensAsSmf(const std::string& path) { return tarvio::opensAsSmf(path); }

std::string Document::saveAsName() const {
    if (sourcePath_.empty() || !(imported_ || damaged_)) return path_.empty() ? title_ : path_;
    const std::filesystem::path source(sourcePath_);
    const std::filesystem::path stem = source.parent_path() / source.stem();
    // An imported song is saved as a song file beside the Standard MIDI File.
    if (!damaged_) return stem.string() + ".tvo";
    // A fragment goes beside its original, under a name that replaces nothing.
    const std::string ext = imported_ ? ".tvo" : source.extension().string();
    std::error_code ec;
    for (int n = 1;; ++n) {
        const std::string name = stem.string() + "-recovered" + (n > 1 ? "-" + std::to_string(n) : "") + ext;
        if (!std::filesystem::exists(name, ec) || n == 100) return name;
    }
}

std::string Document::whySaveRefused(const std::string& path) const {
    return damaged_ && sameFile(path, sourcePath_) ? text(DocText::SaveNeedsName, path) : std::string();
}

void Document::loadCommands(Song& song) { loadCommandTable(programFolder() + "/procedure.dat", song); }

void Document::replaceSong(std::unique_ptr<Song> song, std::string path, std::string title) {
    // The player lets go of the old song before it is destroyed.
    transport_.setSong(song.get());
    std::unique_ptr<Song> old = std::move(song_);
    song_ = std::move(song);
    old.reset();
    transport_.locate(0);
    for (int i = 0; i < kDocumentMarkers; ++i) markers_[size_t(i)] = int32_t(song_->markers[size_t(i)]);
    applyLoop();
    path_ = std::move(path);
    title_ = std::move(title);
    pending_.clear();
}

void Document::newSong() {
    auto song = std::make_unique<Song>();
    loadCommands(*song);
    replaceSong(std::move(song), "", "tarvio" + std::to_string(++untitled_));
    modified_ = damaged_ = imported_ = false;
    sourcePath_.clear();
    notify({DocumentChange::of(DocumentChange::Kind::Song), DocumentChange::of(DocumentChange::Kind::File)});
}

LoadedSong Document::load(const std::string& path, uint16_t tpqn) {
    if (opensAsSmf(path)) return loadSmf(path, tpqn);
    LoadedSong l;
    l.path = path;
    auto song = std::make_unique<Song>();
    std::string err;
    ReadReport report;
    if (!readSongFile(path, *song, &err, &report)) {
        if (report.status == ReadReport::Status::NotThisKind) l.result = {false, false, text(DocText::NotSongFile, path)};
        else l.result = {false, false, text(DocText::CannotOpen, path, reasonOf(err, path))};
        return l;
    }
    return loaded(std::move(l), std::move(song), report);
}

LoadedSong Document::loadSmf(const std::string& path, uint16_t tpqn) {
    LoadedSong l;
    l.path = path;
    l.smf = true;
    if (!isImportTpqn(tpqn)) {
        l.result = {false, false, text(DocText::BadResolution, std::to_string(tpqn))};
        return l;
    }
    auto song = std::make_unique<Song>();
    std::string err;
    ReadReport report;
    if (!importSmfFile(path, *song, tpqn, &err, &report)) {
        if (report.status == ReadReport::Status::NotThisKind) l.result = {false, false, text(DocText::NotMidiFile, path)};
        else l.result = {false, false, text(DocText::CannotOpen, path, reasonOf(err, path))};
        return l;
    }
    return loaded(std::move(l), std::move(song), report);
}

LoadedSong Document::loaded(LoadedSong l, std::unique_ptr<Song> song, const ReadReport& report) {
    loadCommands(*song);
    l.song = std::move(song);
    l.damaged = report.damaged();
    l.result = {true, false, {}};
    if (l.damaged) l.result.message = text(DocText::Damaged, l.path, std::to_string(report.offset), report.reason);
    return l;
}

FileResult Document::adopt(LoadedSong l) {
    if (!l.song) return l.result;
    // An imported file gets no path: a save must never put a song file where the Standard
    // MIDI File was.
    replaceSong(std::move(l.song), l.smf ? "" : l.path, fileNameOf(l.path));
    modified_ = imported_ = l.smf;
    damaged_ = l.damaged;
    sourcePath_ = l.path;
    notify({DocumentChange::of(DocumentChange::Kind::Song), DocumentChange::of(DocumentChange::Kind::File)});
    return l.result;
}

FileResult Document::open(const std::string& path, uint16_t tpqn) { return adopt(load(path, tpqn)); }

FileResult Document::importSmf(const std::string& path, uint16_t tpqn) { return adopt(loadSmf(path, tpqn)); }

FileResult Document::save() {
    if (path_.empty()) return {false, true, {}};
    // What was read from a damaged file is a fragment: it must not replace the original.
    if (damaged_) return {false, true, text(DocText::SaveNeedsName, path_)};
    return writeTo(path_);
}

FileResult Document::saveAs(const std::string& path) {
    if (std::string why = whySaveRefused(path); !why.empty()) return {false, true, why};
    return writeTo(path);
}

FileResult Document::writeTo(const std::string& path) {
    std::string err;
    transport_.beginEdit();  // playback pauses while the song is written
    for (int i = 0; i < kDocumentMarkers; ++i) song_->markers[size_t(i)] = uint32_t(markers_[size_t(i)]);
    const bool ok = writeSongFile(path, *song_, &err);
    transport_.endEdit();
    if (!ok) return {false, false, text(DocText::CannotSave, path, writeReason(err, path))};
    path_ = sourcePath_ = path;
    title_ = fileNameOf(path);
    modified_ = damaged_ = imported_ = false;
    notify({DocumentChange::of(DocumentChange::Kind::File)});
    return {true, false, {}};
}

FileResult Document::exportSmf(const std::string& path) {
    // The export renders through the track cursors and the plug-ins that playback uses.
    transport_.stop();
    std::string err;
    transport_.beginEdit();
    Emitter emitter;
    const bool ok = exportSmfFile(path, *song_, emitter, &err);
    transport_.endEdit();
    if (!ok) return {false, false, text(DocText::CannotExport, path, writeReason(err, path))};
    return {true, false, {}};
}

std::string Document::windowTitle() const { return "tarvio - " + title_ + " - " + song_->title; }

// ---- edits ----

void Document::beginEdit() {
    if (editDepth_++ > 0) return;
    transport_.beginEdit();
    song_->openGroup();
}

void Document::endEdit(std::vector<DocumentChange> changes) {
    if (editDepth_ == 0) return;  // unpaired
    for (DocumentChange& c : changes) pending_.push_back(std::move(c));
    if (--editDepth_ > 0) return;
    song_->closeGroup();
    // Changes made without an edit command still have to be re-read by the player.
    for (const DocumentChange& c : pending_) {
        if (c.kind == DocumentChange::Kind::Song) {
            song_->forEachContainer([](Track& t) { t.resetFlag = 1; });
        } else if (c.kind == DocumentChange::Kind::Events) {
            if (Track* t = song_->findContainer(uint16_t(c.type), c.number)) t->resetFlag = 1;
        }
    }
    transport_.endEdit();
    if (!modified_) pending_.push_back(DocumentChange::of(DocumentChange::Kind::File));
    modified_ = true;
    notify(std::move(pending_));
    pending_.clear();
}

bool Document::canUndo() const { return !song_->undoHistory.empty(); }
bool Document::canRedo() const { return !song_->redoHistory.empty(); }

namespace {
// What an undo or redo changed: the lists of the history entries it moved.
std::vector<DocumentChange> changesOf(Song& song, const std::vector<HistoryEntry>& moved, size_t from) {
    std::vector<DocumentChange> out;
    for (size_t i = from; i < moved.size(); ++i) {
        if (Track* t = song.findContainer(moved[i].type, moved[i].number))
            out.push_back(DocumentChange::events(*t));
        else
            out.push_back(DocumentChange::of(DocumentChange::Kind::Song));
    }
    return out;
}
}  // namespace

bool Document::undo() { return canUndo() && stepHistory(true); }

bool Document::redo() { return canRedo() && stepHistory(false); }

// One step back (undo) or forward (redo) through the song's history, with the player held off;
// the listeners hear which lists the step touched.
bool Document::stepHistory(bool back) {
    const auto& reached = back ? song_->redoHistory : song_->undoHistory;
    const size_t before = reached.size();
    transport_.beginEdit();
    const bool done = back ? song_->undo() : song_->redo();
    transport_.endEdit();
    if (!done) return false;
    auto changes = changesOf(*song_, reached, before);
    if (!modified_) changes.push_back(DocumentChange::of(DocumentChange::Kind::File));
    modified_ = true;
    notify(std::move(changes));
    return true;
}

int Document::takeRecordings() {
    // One take into several record tracks is one step of the song's undo.
    song_->openGroup();
    const int changed = transport_.takeFinishedRecordings(*song_);
    song_->closeGroup();
    if (changed == 0) return 0;
    std::vector<DocumentChange> changes;
    for (auto& t : song_->tracks)
        if (t->record == 1 || t->record == 2) changes.push_back(DocumentChange::events(*t));
    if (!modified_) changes.push_back(DocumentChange::of(DocumentChange::Kind::File));
    modified_ = true;
    notify(std::move(changes));
    return changed;
}

// ---- markers ----

int32_t Document::marker(int n) const { return n >= 1 && n <= kDocumentMarkers ? markers_[size_t(n - 1)] : 0; }

void Document::setMarker(int n) { setMarker(n, transport_.snapshot().position); }

void Document::setMarker(int n, int32_t tick) {
    if (n < 1 || n > kDocumentMarkers || tick < 0 || markers_[size_t(n - 1)] == tick) return;
    markers_[size_t(n - 1)] = tick;
    if (n <= 2) applyLoop();
    // The markers are saved with the song: a changed one must not be lost without a prompt.
    std::vector<DocumentChange> changes{DocumentChange::of(DocumentChange::Kind::Markers)};
    if (!modified_) changes.push_back(DocumentChange::of(DocumentChange::Kind::File));
    modified_ = true;
    notify(std::move(changes));
}

void Document::applyLoop() { transport_.setLoop(loopBegin(), loopEnd()); }

void Document::jumpToMarker(int n) {
    if (n < 1 || n > kDocumentMarkers) return;
    const TransportSnapshot s = transport_.snapshot();
    const bool wasPlaying = s.playing || s.starting;
    if (wasPlaying) transport_.stop();
    transport_.locate(std::max(0, markers_[size_t(n - 1)]));
    if (wasPlaying) transport_.play();
}

// ---- song information and resolution ----

void Document::setSongInfo(const std::string& title, const std::string& rights) {
    if (song_->title == title && song_->rights == rights) return;
    beginEdit();
    song_->title = title;
    song_->rights = rights;
    endEdit(DocumentChange::of(DocumentChange::Kind::Info));
}

bool Document::setResolution(uint16_t tpqn) {
    if (!isImportTpqn(tpqn)) return false;
    transport_.stop();
    if (song_->tpqn == tpqn) return true;
    const int32_t position = transport_.snapshot().position;
    beginEdit();
    song_->tpqn = tpqn;  // steps stay: the same events now play at the new resolution
    endEdit(DocumentChange::of(DocumentChange::Kind::Song));
    transport_.locate(position);
    return true;
}

// ---- clipboard ----

std::vector<uint8_t> Document::clipboardBlock(const std::vector<EventList>& lists) { return encodeClipboard(lists); }

bool Document::readClipboardBlock(const std::vector<uint8_t>& bytes, std::vector<EventList>& lists) {
    return decodeClipboard(bytes.data(), bytes.size(), lists);
}

// ---- listeners ----

void Document::addListener(DocumentListener* l) {
    if (l && std::find(listeners_.begin(), listeners_.end(), l) == listeners_.end()) listeners_.push_back(l);
}

void Document::removeListener(DocumentListener* l) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), l), listeners_.end());
}

void Document::notify(std::vector<DocumentChange> changes) {
    if (changes.empty()) return;
    // A listener may remove itself (or another) while it is told.
    const std::vector<DocumentListener*> now = listeners_;
    for (DocumentListener* l : now)
        if (std::find(listeners_.begin(), listeners_.end(), l) != listeners_.end()) l->documentChanged(changes);
}

}  // namespace tarvio
