// The track header strip: its areas and drawing per track type, the commands of its clicks and
// in-place fields, and those commands carried out on a song.
#include <gtest/gtest.h>

#include <vector>

#include "model/song.h"
#include "views/header_strip.h"

namespace tarvio {
namespace {

struct Root : Pane {
    Root() : Pane({0, 0, 600, 400}) {}
    void draw(Painter& p) override { drawChildren(p); }
};

// A strip at (10, 20) inside a view, as the numerical editor places its child panes.
struct StripFixture : ::testing::Test {
    Song song;
    Track* track = nullptr;
    PaneView view{std::make_unique<Root>()};
    HeaderStrip* strip = nullptr;
    std::vector<StripCommand> commands;

    void SetUp() override {
        track = &song.createTrack();
        track->name = "Piano";
        track->channel = 2;
        track->port = 4;
        track->bankSet = "GM";
        strip = &view.root()->emplaceChild<HeaderStrip>(Point{10, 20});
        strip->setTrack(&song, track);
        strip->setNames({[](int port) { return port == 4 ? std::string("Synth A") : std::string(); }, {"GM", "XG", "SC-88"}});
        strip->setOnCommand([this](const StripCommand& c) { commands.push_back(c); });
    }
    // A point in the middle of an area, in the view's coordinates.
    Point at(int area) const {
        const Rect r = strip->areaRect(area);
        return {10 + r.x + r.w / 2, 20 + r.y + r.h / 2};
    }
    void doubleClick(int area, unsigned mods = 0) { doubleClickAt(at(area), mods); }
    void doubleClickAt(Point p, unsigned mods = 0) {
        view.mouse(MouseEvent::LeftDown, p, mods);
        view.mouse(MouseEvent::LeftUp, p, mods);
        view.mouse(MouseEvent::LeftDouble, p, mods);
        view.mouse(MouseEvent::LeftUp, p, mods);
    }
    void type(const char* s) { view.typed(s, 0); }
    StripCommand::Kind lastKind() const { return commands.back().kind; }
};

TEST_F(StripFixture, AreasFollowTheTrackType) {
    for (int area : {kAreaName, kAreaMute, kAreaSolo, kAreaRecord, kAreaPort, kAreaChannel, kAreaBankSet}) {
        const Rect r = strip->areaRect(area);
        EXPECT_EQ(strip->hitTest({r.x + r.w / 2, r.y + r.h / 2}), area);
        EXPECT_EQ(strip->hitTest({r.x, r.y}), area);  // the cell's corner is inside
    }
    EXPECT_EQ(strip->hitTest({1, 16}), kAreaStrip);  // between the cells
    EXPECT_EQ(strip->hitTest({HeaderStrip::kWidth, 10}), kAreaNone);
    EXPECT_EQ(strip->hitTest({60, HeaderStrip::kHeight - 2}), kAreaStrip);
    strip->setResizable(true);
    EXPECT_EQ(strip->hitTest({60, HeaderStrip::kHeight - 2}), kAreaResize);
    EXPECT_EQ(strip->hitTest({100, HeaderStrip::kHeight - 2}), kAreaResize);  // over BANK SET too

    strip->setTrack(&song, song.tempoTrack.get());
    const Rect tempo = strip->areaRect(kAreaTempo);
    EXPECT_EQ(strip->hitTest({tempo.x + 2, tempo.y + 2}), kAreaTempo);
    EXPECT_TRUE(strip->areaRect(kAreaMute).empty());
    EXPECT_EQ(strip->hitTest({185, 8}), kAreaTempoStrip);  // where a track has SOLO

    Track& phrase = song.createPhrase();
    strip->setTrack(&song, &phrase);
    EXPECT_EQ(strip->hitTest({20, 8}), kAreaName);
    EXPECT_EQ(strip->hitTest({185, 8}), kAreaStrip);
    EXPECT_TRUE(strip->areaRect(kAreaPort).empty());
}

TEST_F(StripFixture, DrawsTheCellsAndButtonsOfEachTrackType) {
    track->mute = 1;
    track->record = 2;
    RecordingPainter p;
    view.paint(p);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Piano", "Piano", "MUTE", "SOLO", "MIX", "PORT",
                                                   HeaderStrip::portText("Synth A"), "CH.", "03", "BANK SET",
                                                   HeaderStrip::bankSetText("GM")}));
    EXPECT_EQ(HeaderStrip::portText("Synth A").size(), 32u);
    EXPECT_EQ(HeaderStrip::bankSetText("GM").size(), 16u);
    // The shadow lies one pixel below and right of the name; everything is within the strip.
    const auto& shadow = *p.findText("Piano");
    EXPECT_EQ(shadow.color, Color(ColorRole::StripShadow));
    const auto* name = &shadow + 1;
    while (name->op != RecordingPainter::Op::Text) ++name;
    EXPECT_EQ((Point{name->rect.x + 1, name->rect.y + 1}), (Point{shadow.rect.x, shadow.rect.y}));
    for (const auto& c : p.calls()) EXPECT_FALSE(c.clip.intersected({10, 20, 230, 48}).empty());
    // Buttons show their state by face colour.
    EXPECT_EQ(p.fillAt(at(kAreaMute))->color, Color(ColorRole::MuteOn));
    EXPECT_EQ(p.fillAt(at(kAreaSolo))->color, Color(ColorRole::ButtonFace));
    EXPECT_EQ(p.fillAt(at(kAreaRecord))->color, Color(ColorRole::MixOn));

    song.tempo = 96;
    strip->setTrack(&song, song.tempoTrack.get());
    p.clear();
    view.paint(p);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Tempo Trk.", "Tempo Trk.", "TEMPO", " 96"}));
    EXPECT_EQ(p.fillAt({15, 25})->color, Color(ColorRole::TempoStripFace));

    Track& phrase = song.createPhrase();
    phrase.name = "Fill";
    strip->setTrack(&song, &phrase);
    p.clear();
    view.paint(p);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"Fill", "Fill", "PHRASE", std::to_string(phrase.number)}));
}

TEST_F(StripFixture, ClicksBecomeCommands) {
    using K = StripCommand::Kind;
    view.mouse(MouseEvent::LeftDown, at(kAreaMute), 0);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, K::ToggleMute);
    EXPECT_EQ(commands[0].number, track->number);
    EXPECT_EQ(commands[0].type, TrackType::Normal);
    doubleClick(kAreaSolo);  // the double-click acts once more
    EXPECT_EQ(commands.size(), 3u);
    EXPECT_EQ(lastKind(), K::ToggleSolo);
    view.mouse(MouseEvent::LeftDown, at(kAreaRecord), 0);
    EXPECT_EQ(lastKind(), K::CycleRecord);
    view.mouse(MouseEvent::LeftDown, at(kAreaName), kPaneCtrl);
    EXPECT_EQ(lastKind(), K::Press);
    EXPECT_EQ(commands.back().area, kAreaName);
    EXPECT_EQ(commands.back().modifiers, unsigned(kPaneCtrl));
    doubleClickAt({11, 36}, kPaneShift);  // left of "CH."'s cell
    EXPECT_EQ(lastKind(), K::Open);
    EXPECT_EQ(commands.back().modifiers, unsigned(kPaneShift));
    EXPECT_FALSE(view.mouse(MouseEvent::LeftDown, {300, 100}, 0));  // off the strip
}

TEST_F(StripFixture, NumberFieldsCommitClampedAndCancelWithoutACommand) {
    doubleClick(kAreaChannel);
    ASSERT_NE(strip->field(), nullptr);
    EXPECT_EQ(strip->field()->text(), "3");
    EXPECT_EQ(view.focus(), strip);
    commands.clear();
    type("16");
    view.key(kVkReturn, 0);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, StripCommand::Kind::SetChannel);
    EXPECT_EQ(commands[0].value, 15);
    EXPECT_EQ(strip->field(), nullptr);
    EXPECT_EQ(view.focus(), nullptr);

    doubleClick(kAreaChannel);
    commands.clear();
    type("99");
    view.key(kVkEscape, 0);
    EXPECT_TRUE(commands.empty());
    // A press elsewhere closes the field and writes it back, clamped.
    doubleClick(kAreaChannel);
    commands.clear();
    type("0");
    view.mouse(MouseEvent::LeftDown, {400, 300}, 0);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].value, 0);
    // So does a right press on the strip itself.
    doubleClick(kAreaChannel);
    commands.clear();
    type("7");
    EXPECT_FALSE(view.mouse(MouseEvent::RightDown, at(kAreaChannel), 0));
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].value, 6);
    EXPECT_EQ(strip->field(), nullptr);

    song.tempo = 240;
    strip->setTrack(&song, song.tempoTrack.get());
    doubleClick(kAreaTempo);
    commands.clear();
    view.key(kVkUp, 0);
    view.key(kVkReturn, 0);
    EXPECT_EQ(commands[0].kind, StripCommand::Kind::SetTempo);
    EXPECT_EQ(commands[0].value, 240);
}

TEST_F(StripFixture, TheNameFieldAndTheListsWriteBack) {
    doubleClick(kAreaName);
    commands.clear();
    view.key(kVkBack, 0);
    type("O 2");
    RecordingPainter p;
    view.paint(p);
    EXPECT_NE(p.findText("PianO 2"), nullptr);  // the field is drawn in the name cell
    // A press on another cell of the strip closes the field first, then acts.
    view.mouse(MouseEvent::LeftDown, at(kAreaMute), 0);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].kind, StripCommand::Kind::SetName);
    EXPECT_EQ(commands[0].text, "PianO 2");
    EXPECT_EQ(commands[1].kind, StripCommand::Kind::ToggleMute);

    doubleClick(kAreaPort);
    auto* list = dynamic_cast<ListPopup*>(view.popup());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->entries().size(), 256u);
    EXPECT_EQ(list->entries()[4], "005 Synth A");
    EXPECT_EQ(list->current(), 4);
    EXPECT_EQ(list->position(), (Point{10 + strip->areaRect(kAreaPort).x, 20 + strip->areaRect(kAreaPort).bottom()}));
    commands.clear();
    view.key(kVkDown, 0);
    view.key(kVkReturn, 0);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].kind, StripCommand::Kind::SetPort);
    EXPECT_EQ(commands[0].value, 5);
    EXPECT_EQ(view.popup(), nullptr);

    doubleClick(kAreaBankSet);
    list = dynamic_cast<ListPopup*>(view.popup());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->current(), 0);
    commands.clear();
    view.key(kVkEscape, 0);
    EXPECT_TRUE(commands.empty());
    doubleClick(kAreaBankSet);
    commands.clear();
    list = dynamic_cast<ListPopup*>(view.popup());
    const Point row3 = {list->position().x + 5, list->position().y + 1 + 2 * list->rowHeight() + 2};
    view.mouse(MouseEvent::LeftDown, row3, 0);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].text, "SC-88");
}

TEST_F(StripFixture, AnOpenListOutlivesNeitherItsStripNorAReplacement) {
    doubleClick(kAreaPort);
    commands.clear();
    view.openPopup(std::make_unique<ListPopup>(Rect{0, 0, 50, 0}, std::vector<std::string>{"x"}, 0, 12, nullptr));
    view.key(kVkReturn, 0);  // the new list's, not the strip's
    EXPECT_TRUE(commands.empty());
    doubleClick(kAreaBankSet);
    ASSERT_NE(view.popup(), nullptr);
    view.setRoot(nullptr);  // the strip goes while its list is open
    EXPECT_EQ(view.popup(), nullptr);
    view.key(kVkReturn, 0);
}

TEST(StripCommands, MuteSoloRecordAndSettingsOnTheSong) {
    Song song;
    Track& a = song.createTrack();
    Track& b = song.createTrack();
    auto cmd = [](StripCommand::Kind k, const Track& t, int value = 0, std::string text = {}) {
        StripCommand c;
        c.kind = k;
        c.type = t.type;
        c.number = t.number;
        c.value = value;
        c.text = std::move(text);
        return c;
    };
    using K = StripCommand::Kind;
    EXPECT_TRUE(applyStripCommand(song, cmd(K::ToggleMute, a), false));
    EXPECT_EQ(a.mute, 1);
    EXPECT_EQ(a.effectiveMute, 1);
    // Soloing b silences a regardless of its mute; unmuting a while b is soloed keeps a silent.
    EXPECT_TRUE(applyStripCommand(song, cmd(K::ToggleSolo, b), false));
    EXPECT_TRUE(applyStripCommand(song, cmd(K::ToggleMute, a), false));
    EXPECT_EQ(a.mute, 0);
    EXPECT_EQ(a.effectiveMute, 1);
    EXPECT_TRUE(applyStripCommand(song, cmd(K::ToggleSolo, b), false));
    EXPECT_EQ(b.solo, 0);
    EXPECT_EQ(a.effectiveMute, 0);

    for (int expect : {1, 2, 0}) {
        EXPECT_TRUE(applyStripCommand(song, cmd(K::CycleRecord, a), false));
        EXPECT_EQ(a.record, expect);
    }
    EXPECT_FALSE(applyStripCommand(song, cmd(K::CycleRecord, a), true));  // not while recording
    EXPECT_EQ(a.record, 0);

    // The tempo track and phrases have no mute, solo or output settings.
    Track& phrase = song.createPhrase();
    EXPECT_FALSE(applyStripCommand(song, cmd(K::ToggleMute, *song.tempoTrack), false));
    EXPECT_FALSE(applyStripCommand(song, cmd(K::ToggleSolo, phrase), false));
    EXPECT_FALSE(applyStripCommand(song, cmd(K::SetChannel, phrase, 3), false));
    EXPECT_TRUE(applyStripCommand(song, cmd(K::SetName, phrase, 0, "Intro"), false));
    EXPECT_EQ(phrase.name, "Intro");

    EXPECT_TRUE(applyStripCommand(song, cmd(K::SetChannel, a, 15), false));
    EXPECT_FALSE(applyStripCommand(song, cmd(K::SetChannel, a, 16), false));
    EXPECT_TRUE(applyStripCommand(song, cmd(K::SetPort, a, 255), false));
    EXPECT_TRUE(applyStripCommand(song, cmd(K::SetBankSet, a, 0, "XG"), false));
    EXPECT_FALSE(stripCommandChanges(song, cmd(K::SetBankSet, a, 0, "XG"), false));  // already so
    EXPECT_EQ(a.channel, 15);
    EXPECT_EQ(a.port, 255);
    EXPECT_EQ(a.bankSet, "XG");
    EXPECT_TRUE(applyStripCommand(song, cmd(K::SetTempo, *song.tempoTrack, 30), false));
    EXPECT_FALSE(applyStripCommand(song, cmd(K::SetTempo, *song.tempoTrack, 241), false));
    EXPECT_EQ(song.tempo, 30);
    EXPECT_FALSE(applyStripCommand(song, cmd(K::Open, a), false));
}

}  // namespace
}  // namespace tarvio
