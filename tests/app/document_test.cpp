#include "app/document.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/fake_transport.h"
#include "io/file_util.h"
#include "model/song.h"
#include "model/undo.h"
#include "ops/edit_scope.h"
#include "tests/support/lists.h"

namespace tarvio {
namespace {

namespace fs = std::filesystem;

const std::string kDemo = fs::path(__FILE__).parent_path().parent_path().parent_path() / "data/songs/demo.tvo";

std::vector<uint8_t> bytesOf(const std::string& path) {
    std::vector<uint8_t> b;
    readWholeFile(path, b);
    return b;
}

std::string head(const std::string& path) {
    const auto b = bytesOf(path);
    return std::string(b.begin(), b.begin() + std::min<ptrdiff_t>(4, ptrdiff_t(b.size())));
}

void write(const std::string& path, const std::vector<uint8_t>& b) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

struct Recorder : DocumentListener {
    std::vector<DocumentChange> seen;
    void documentChanged(const std::vector<DocumentChange>& c) override { seen.insert(seen.end(), c.begin(), c.end()); }
    bool saw(DocumentChange::Kind k) const {
        for (const auto& c : seen)
            if (c.kind == k) return true;
        return false;
    }
};

// Each test in its own program folder, so that files and procedure.dat are its own.
class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/tarvio-doc-XXXXXX";
        dir_ = ::mkdtemp(tmpl);
        ::setenv("TARVIO_HOME", dir_.c_str(), 1);
        demo_ = at("demo.tvo");
        fs::copy_file(kDemo, demo_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string at(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_, demo_;
    FakeTransport t_;
};

void addNote(Document& d, Track& track, int32_t step) {
    Event e;
    e.setNote(60, 100, 240);
    e.step = step;
    DocumentEdit edit(d, DocumentChange::events(track));
    track.push(std::make_unique<InsertCommand>(track, std::vector<Event>{e}, 0));
}

TEST_F(DocumentTest, OpenSaveIsByteIdenticalAndThePlayerLetsGoBeforeTheSongGoes) {
    {
        Document d(t_);
        ASSERT_TRUE(d.open(demo_).ok);
        EXPECT_FALSE(d.modified());
        EXPECT_EQ(d.windowTitle(), "tarvio - demo.tvo - " + d.song().title);
        EXPECT_EQ(d.marker(1), int32_t(d.song().markers[0]));
        EXPECT_NE(t_.takeCalls().find("setSong song\nlocate 0\nsetLoop " + std::to_string(d.loopBegin()) + " " +
                                      std::to_string(d.loopEnd())),
                  std::string::npos);
        const FileResult r = d.save();  // Ctrl+S on an unchanged song
        EXPECT_TRUE(r.ok) << r.message;
        EXPECT_EQ(t_.editDepth, 0);
    }
    EXPECT_EQ(bytesOf(demo_), bytesOf(kDemo));
    EXPECT_EQ(t_.calls.back(), "setSong null");
    EXPECT_EQ(t_.song, nullptr);
}

TEST_F(DocumentTest, MidiOpensByExtensionAtTheAskedResolutionAndIsNeverSavedOverItself) {
    Document d(t_);
    ASSERT_TRUE(d.open(demo_).ok);
    const size_t tracks = d.song().tracks.size();
    const std::string mid = at("DEMO.MID");
    ASSERT_TRUE(d.exportSmf(mid).ok);
    const auto exported = bytesOf(mid);
    EXPECT_EQ(head(mid), "MThd");

    const FileResult r = d.open(mid, 960);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(d.song().tpqn, 960);
    EXPECT_GE(d.song().tracks.size(), tracks);
    EXPECT_TRUE(d.modified());
    EXPECT_EQ(d.title(), "DEMO.MID");
    EXPECT_EQ(d.saveAsName(), at("DEMO.tvo"));  // offered for saving as a song beside it
    const FileResult s = d.save();
    EXPECT_FALSE(s.ok);
    EXPECT_TRUE(s.needsName);
    EXPECT_EQ(bytesOf(mid), exported);
    EXPECT_FALSE(d.open(mid, 500).ok);  // not a resolution the dialog offers
    // A name ending in .mid chosen for saving still gets the song format.
    ASSERT_TRUE(d.saveAs(at("song.mid")).ok);
    EXPECT_EQ(head(at("song.mid")), "emhd");

    // The first bytes decide how a file opens: that song reads back as a song, and a Standard
    // MIDI File under another name is imported.
    const FileResult again = d.open(at("song.mid"), 960);
    ASSERT_TRUE(again.ok) << again.message;
    EXPECT_FALSE(d.modified());
    EXPECT_EQ(d.path(), at("song.mid"));
    fs::copy_file(mid, at("exported.tvo"));
    ASSERT_TRUE(d.open(at("exported.tvo"), 960).ok);
    EXPECT_TRUE(d.modified());
    EXPECT_EQ(d.path(), "");
}

// The reasons a save fails are told in the user's words, not the system's.
TEST_F(DocumentTest, ASaveIntoAFolderThatCannotHoldFilesSaysWhy) {
    Document d(t_);
    ASSERT_TRUE(d.open(demo_).ok);
    fs::create_directory(at("taken.tvo"));
    const struct {
        std::string path, says;
    } cases[] = {
        {at("none/song.tvo"), "フォルダー " + at("none") + " がありません"},
        {demo_ + "/song.tvo", demo_ + " はフォルダーではありません"},
        {at("taken.tvo"), "同じ名前のフォルダーがあります"},
        {"/sys/song.tvo", "フォルダー /sys にはファイルを作る権限がありません"},  // even for root
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const FileResult r = d.saveAs(c.path);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
        for (const char* system : {"No such", "Not a directory", "Is a directory", "Permission denied"})
            EXPECT_EQ(r.message.find(system), std::string::npos) << r.message;
    }
    EXPECT_EQ(d.path(), demo_);
}

TEST_F(DocumentTest, AFileThatCannotBeReadIsOneLineNamingItAndTheDocumentStays) {
    Document d(t_);
    ASSERT_TRUE(d.open(demo_).ok);
    const Song* song = &d.song();
    write(at("notes.dat"), {'h', 'e', 'l', 'l', 'o'});
    write(at("notes.mid"), {'h', 'e', 'l', 'l', 'o'});
    for (const std::string& path : {at("notes.dat"), at("notes.mid"), at("missing.tvo"), dir_}) {
        SCOPED_TRACE(path);
        const FileResult r = d.open(path);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
        EXPECT_EQ(r.message.find('\n'), std::string::npos) << r.message;
        EXPECT_EQ(&d.song(), song);
        EXPECT_EQ(d.path(), demo_);
    }
}

TEST_F(DocumentTest, ADamagedFileOpensWithAWarningAndIsNeverSavedOverTheOriginal) {
    auto bytes = bytesOf(kDemo);
    bytes.resize(bytes.size() / 2);
    const std::string cut = at("cut.tvo");
    write(cut, bytes);
    Document d(t_);
    const FileResult r = d.open(cut);
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(d.damaged());
    EXPECT_NE(r.message.find(cut), std::string::npos);
    EXPECT_EQ(r.message.find('\n'), std::string::npos);

    for (const FileResult& s : {d.save(), d.saveAs(cut), d.saveAs(dir_ + "/./cut.tvo")}) {
        EXPECT_FALSE(s.ok);
        EXPECT_TRUE(s.needsName);
        EXPECT_NE(s.message.find("cut.tvo"), std::string::npos);
    }
    EXPECT_EQ(bytesOf(cut), bytes);
    EXPECT_EQ(d.whySaveRefused(cut), d.saveAs(cut).message);
    EXPECT_EQ(d.whySaveRefused(at("other.tvo")), "");

    // The name offered is beside the original and replaces nothing.
    EXPECT_EQ(d.saveAsName(), at("cut-recovered.tvo"));
    write(at("cut-recovered.tvo"), {1});
    EXPECT_EQ(d.saveAsName(), at("cut-recovered-2.tvo"));

    ASSERT_TRUE(d.saveAs(at("rescued.tvo")).ok);
    EXPECT_EQ(d.saveAsName(), at("rescued.tvo"));
    EXPECT_FALSE(d.damaged());
    EXPECT_TRUE(d.save().ok);
    EXPECT_EQ(bytesOf(cut), bytes);
}

TEST_F(DocumentTest, AFailedSaveLeavesTheOldFileAndTheModifiedState) {
    Document d(t_);
    ASSERT_TRUE(d.open(demo_).ok);
    addNote(d, *d.song().tracks.front(), 480);
    // The save writes beside the file first; a folder in that place makes the write fail.
    fs::create_directory(demo_ + ".tmp-" + std::to_string(::getpid()));
    const FileResult r = d.save();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.needsName);
    EXPECT_NE(r.message.find(demo_), std::string::npos) << r.message;
    EXPECT_TRUE(d.modified());
    EXPECT_EQ(bytesOf(demo_), bytesOf(kDemo));
}

TEST_F(DocumentTest, EditsUndoAndSaveDriveTheModifiedStateAndTheNotices) {
    Document d(t_);
    Recorder seen;
    d.addListener(&seen);
    Track& track = d.song().createTrack();
    EXPECT_EQ(d.windowTitle(), "tarvio - tarvio1 - ");
    EXPECT_FALSE(d.needsSavePrompt());
    t_.calls.clear();

    addNote(d, track, 480);
    EXPECT_TRUE(d.needsSavePrompt());
    EXPECT_EQ(t_.takeCalls(), "beginEdit\nendEdit\n");
    ASSERT_FALSE(seen.seen.empty());
    EXPECT_EQ(seen.seen.front().kind, DocumentChange::Kind::Events);
    EXPECT_EQ(seen.seen.front().number, track.number);
    EXPECT_TRUE(seen.saw(DocumentChange::Kind::File));

    ASSERT_TRUE(d.saveAs(at("a.tvo")).ok);
    EXPECT_FALSE(d.modified());
    seen.seen.clear();
    ASSERT_TRUE(d.undo());
    EXPECT_TRUE(track.events.empty());
    EXPECT_TRUE(d.modified());
    EXPECT_TRUE(seen.saw(DocumentChange::Kind::Events));
    ASSERT_TRUE(d.redo());
    EXPECT_EQ(track.events.size(), 1u);

    // An edit operation's own bracket reaches the player through the document's transport.
    ASSERT_TRUE(d.save().ok);
    t_.calls.clear();
    { EditScope scope(d.song(), track); }
    EXPECT_EQ(t_.takeCalls(), "beginEdit\nendEdit\n");
    EXPECT_TRUE(d.modified());
    d.removeListener(&seen);
}

TEST_F(DocumentTest, MarkersLoopJumpAndResolution) {
    Document d(t_);
    d.setMarker(2, 480);
    t_.snap.position = 1920;
    d.setMarker(1);
    EXPECT_EQ(d.loopBegin(), 480);
    EXPECT_EQ(d.loopEnd(), 1920);
    EXPECT_EQ(t_.calls.back(), "setLoop 480 1920");
    EXPECT_TRUE(d.modified());  // markers are saved with the song

    t_.snap.playing = true;
    t_.calls.clear();
    d.jumpToMarker(2);
    EXPECT_EQ(t_.takeCalls(), "stop\nlocate 480\nplay\n");

    // The markers travel in the song file.
    ASSERT_TRUE(d.saveAs(at("m.tvo")).ok);
    d.newSong();
    EXPECT_EQ(d.marker(1), 0);
    ASSERT_TRUE(d.open(at("m.tvo")).ok);
    EXPECT_EQ(d.marker(1), 1920);
    EXPECT_EQ(d.marker(2), 480);

    // A new resolution keeps every step: the song plays faster or slower.
    Track& track = d.song().createTrack();
    addNote(d, track, 480);
    t_.snap.playing = false;
    t_.snap.position = 960;
    t_.calls.clear();
    EXPECT_FALSE(d.setResolution(500));
    ASSERT_TRUE(d.setResolution(960));
    EXPECT_EQ(d.song().tpqn, 960);
    EXPECT_EQ(track.events.front().step, 480);
    EXPECT_EQ(t_.takeCalls(), "stop\nbeginEdit\nendEdit\nlocate 960\n");
}

TEST_F(DocumentTest, AFinishedTakeGoesIntoTheRecordTracksAsOneUndoStep) {
    Document d(t_);
    Recorder seen;
    d.addListener(&seen);
    Track& rec = d.song().createTrack();
    Track& mix = d.song().createTrack();
    Track& off = d.song().createTrack();
    rec.record = 1;
    mix.record = 2;
    EXPECT_EQ(d.takeRecordings(), 0);
    EXPECT_FALSE(d.modified());

    FakeTransport::Take take;
    Event e;
    e.setNote(64, 90, 200);
    e.step = 480;
    take.events.pushBack(e);
    take.startTick = 960;
    t_.takes.push_back(std::move(take));
    EXPECT_EQ(d.takeRecordings(), 2);
    EXPECT_EQ(testlists::notes(rec.events), (testlists::Notes{{960, 64, 200}}));
    EXPECT_EQ(testlists::notes(mix.events), (testlists::Notes{{960, 64, 200}}));
    EXPECT_TRUE(off.events.empty());
    EXPECT_TRUE(d.modified());
    EXPECT_EQ(seen.seen.front().number, rec.number);

    ASSERT_TRUE(d.undo());
    EXPECT_TRUE(testlists::notes(rec.events).empty());
    EXPECT_TRUE(testlists::notes(mix.events).empty());
    d.removeListener(&seen);
}

}  // namespace
}  // namespace tarvio
